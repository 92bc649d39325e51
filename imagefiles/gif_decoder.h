#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// The first image of a GIF file as palette indices and the colour table that
// resolves them. Table entries that the file does not supply are black.
struct GifImage {
    int width = 0; // of the first image, not of the logical screen
    int height = 0;
    // width × height indices, rows top to bottom in display order.
    std::unique_ptr<uint8_t, decltype(&std::free)> indices { nullptr, &std::free };
    uint8_t red[256] = {};
    uint8_t green[256] = {};
    uint8_t blue[256] = {};
};

// Decodes the first image of a GIF87a or GIF89a file. Each call keeps its own
// working state, so decodes may run at the same time.
bool DecodeGif(const char* path, GifImage& out);
bool DecodeGifBytes(const uint8_t* data, size_t size, GifImage& out);
