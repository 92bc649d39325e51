#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// The header of the scanner's raw format: "%QMI <header length>" on the first
// line, then "key value" lines. Absent keys leave their fields 0.
struct RawScanHeader {
    int headerLength = 0; // file offset of the sample data
    float version = 0; // read, not used
    char viewList[128] = {}; // view names separated by single spaces
    int statusBytes = 0; // status bytes at the start of every line of every view
    int imagePixels = 0; // image samples per line after the status data
    int bytesPerPixel = 0; // 1: 8-bit, 2: 16-bit little-endian, 4: float little-endian
    int validBits = 0; // read, not used
    int totalColumns = 0; // lines, i.e. the image height
};

// Only this much of the file is looked at for the header.
inline constexpr size_t kRawScanHeaderWindow = 1024;

// Parses the header from the first bytes of a file; true when the first token
// is exactly "%QMI". The record is cleared first in any case.
bool ParseRawScanHeader(const uint8_t* data, size_t size, RawScanHeader& header);
// The same from an open file, read from its start.
bool ReadRawScanHeader(FILE* file, RawScanHeader& header);

// Non-empty names in the view list.
int RawScanViewNames(const RawScanHeader& header);
