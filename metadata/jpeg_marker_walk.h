#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

// Reads a JPEG file's marker segments one at a time with plain stdio, for the
// metadata steps that need no decoder.
class CJpegMarkerWalk {
public:
    static constexpr uint8_t kMarkerApp1 = 0xE1;
    static constexpr uint8_t kMarkerStartOfScan = 0xDA;
    static constexpr uint8_t kMarkerEndOfImage = 0xD9;

    // Does not own the file.
    explicit CJpegMarkerWalk(FILE* file) : file_(file) { }

    // Rewinds and checks the start-of-image marker.
    bool Start();
    // Reads the next marker byte, skipping up to six 0xFF fill bytes; a
    // seventh fails. Nothing after the marker is read yet.
    bool NextMarker(uint8_t& marker);
    // Reads the segment that follows a marker: its stored length (payload + 2)
    // and its payload. Fails on a length below 2 or a short read.
    bool ReadSegment(uint16_t& storedLength, std::vector<uint8_t>& payload);

private:
    FILE* file_;
};
