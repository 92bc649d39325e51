#pragma once
// Reads back what the JPEG library sees in a file (layout, tables, density)
// and writes files with the library directly, for the JPEG tests.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imagefiles/jpeg_error_trap.h"

namespace libtest {

struct JpegLayout {
    int components = 0;
    J_COLOR_SPACE colorSpace = JCS_UNKNOWN;
    int h[4] = {}, v[4] = {}, quantSlot[4] = {};
    bool hasTable[4] = {};
    uint16_t table[4][64] = {};
    bool sawJfif = false;
    int densityUnit = 0, xDensity = 0, yDensity = 0;
};

// Plain data only in this frame: the error trap jumps back into it.
inline bool ReadJpegLayout(const char* path, JpegLayout* out)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    JpegErrorTrap trap;
    jpeg_decompress_struct info;
    info.err = InstallJpegErrorTrap(trap);
    jpeg_create_decompress(&info);
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return false;
    }
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    out->components = info.num_components;
    out->colorSpace = info.jpeg_color_space;
    for (int c = 0; c < info.num_components && c < 4; ++c) {
        out->h[c] = info.comp_info[c].h_samp_factor;
        out->v[c] = info.comp_info[c].v_samp_factor;
        out->quantSlot[c] = info.comp_info[c].quant_tbl_no;
    }
    for (int slot = 0; slot < 4; ++slot)
        if (info.quant_tbl_ptrs[slot]) {
            out->hasTable[slot] = true;
            std::memcpy(out->table[slot], info.quant_tbl_ptrs[slot]->quantval, sizeof out->table[slot]);
        }
    out->sawJfif = info.saw_JFIF_marker;
    out->densityUnit = info.density_unit;
    out->xDensity = info.X_density;
    out->yDensity = info.Y_density;
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return true;
}

struct JpegRecipe {
    int width = 8, height = 8, components = 3;
    J_COLOR_SPACE inputSpace = JCS_RGB;
    int quality = 90;
    int lumaH = 2, lumaV = 2;
    int densityUnit = 0, xDensity = 1, yDensity = 1;
    const uint8_t* pixels = nullptr; // interleaved input rows
    bool progressive = false;
};

inline bool WriteLibraryJpeg(const char* path, const JpegRecipe* recipe)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    JpegErrorTrap trap;
    jpeg_compress_struct info;
    info.err = InstallJpegErrorTrap(trap);
    jpeg_create_compress(&info);
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&info);
        std::fclose(file);
        return false;
    }
    jpeg_stdio_dest(&info, file);
    info.image_width = recipe->width;
    info.image_height = recipe->height;
    info.input_components = recipe->components;
    info.in_color_space = recipe->inputSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, recipe->quality, TRUE);
    info.comp_info[0].h_samp_factor = recipe->lumaH;
    info.comp_info[0].v_samp_factor = recipe->lumaV;
    info.density_unit = uint8_t(recipe->densityUnit);
    info.X_density = uint16_t(recipe->xDensity);
    info.Y_density = uint16_t(recipe->yDensity);
    if (recipe->progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(recipe->pixels + size_t(info.next_scanline) * recipe->width * recipe->components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

// Decodes with the library's defaults: the samples as stored, before any
// conversion of ours.
inline bool DecodeRawJpeg(const char* path, std::vector<uint8_t>& samples)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    JpegErrorTrap trap;
    jpeg_decompress_struct info;
    info.err = InstallJpegErrorTrap(trap);
    jpeg_create_decompress(&info);
    uint8_t* out = nullptr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return false;
    }
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    samples.resize(size_t(info.output_width) * info.output_height * info.output_components);
    out = samples.data();
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out + size_t(info.output_scanline) * info.output_width * info.output_components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return true;
}

struct JpegSegment {
    uint8_t marker;
    std::vector<uint8_t> payload;
};

// The marker segments of a file up to its first scan (SOI is not listed).
inline std::vector<JpegSegment> JpegSegments(const std::vector<uint8_t>& file)
{
    std::vector<JpegSegment> segments;
    size_t at = 2;
    while (at + 4 <= file.size() && file[at] == 0xFF) {
        uint8_t marker = file[at + 1];
        size_t length = size_t(file[at + 2]) << 8 | file[at + 3];
        if (length < 2 || at + 2 + length > file.size())
            break;
        segments.push_back({ marker, std::vector<uint8_t>(file.begin() + at + 4, file.begin() + at + 2 + length) });
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return segments;
}

} // namespace libtest
