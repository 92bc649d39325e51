#include "metadata/jpeg_marker_walk.h"

namespace {
constexpr int kMaxFillBytes = 6;
}

bool CJpegMarkerWalk::Start()
{
    if (!file_ || std::fseek(file_, 0, SEEK_SET) != 0)
        return false;
    return std::fgetc(file_) == 0xFF && std::fgetc(file_) == 0xD8;
}

bool CJpegMarkerWalk::NextMarker(uint8_t& marker)
{
    int fillBytes = 0;
    int byte = std::fgetc(file_);
    while (byte == 0xFF) {
        if (++fillBytes > kMaxFillBytes)
            return false;
        byte = std::fgetc(file_);
    }
    if (byte == EOF)
        return false;
    marker = static_cast<uint8_t>(byte);
    return true;
}

bool CJpegMarkerWalk::ReadSegment(uint16_t& storedLength, std::vector<uint8_t>& payload)
{
    int high = std::fgetc(file_);
    int low = std::fgetc(file_);
    if (high == EOF || low == EOF)
        return false;
    storedLength = static_cast<uint16_t>(high << 8 | low);
    if (storedLength < 2)
        return false;
    payload.resize(storedLength - 2u);
    return std::fread(payload.data(), 1, payload.size(), file_) == payload.size();
}
