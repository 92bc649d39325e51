#include "metadata/jpeg_metadata.h"

#include "metadata/exif_parser.h"
#include "metadata/jpeg_marker_walk.h"

namespace {

// A camera file carries its EXIF block among the first few segments; this
// bounds the scan of a file that never reaches its image data.
constexpr int kMaxSegments = 70;

// Walks the segments up to the image data, parsing each EXIF APP1. False when
// the walk breaks off before the image data.
bool ScanForModel(FILE* file, std::string& model)
{
    CJpegMarkerWalk walk(file);
    if (!walk.Start())
        return false;
    std::vector<uint8_t> payload;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        uint8_t marker = 0;
        if (!walk.NextMarker(marker))
            return false;
        if (marker == CJpegMarkerWalk::kMarkerStartOfScan)
            return true;
        if (marker == CJpegMarkerWalk::kMarkerEndOfImage)
            return false;
        uint16_t storedLength = 0;
        if (!walk.ReadSegment(storedLength, payload))
            return false;
        if (marker == CJpegMarkerWalk::kMarkerApp1)
            ParseExifModel(payload, model);
    }
    return true;
}

} // namespace

JpegMetadata ReadJpegMetadata(const char* path)
{
    JpegMetadata result;
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return result;
    if (!ScanForModel(file, result.cameraModel))
        result.cameraModel.clear();
    std::fclose(file);
    return result;
}

bool CaptureApp1Segment(FILE* file, App1Segment& segment)
{
    segment.bytes.clear();
    segment.length = 0;
    CJpegMarkerWalk walk(file);
    if (!walk.Start())
        return false;
    std::vector<uint8_t> payload;
    for (;;) {
        uint8_t marker = 0;
        if (!walk.NextMarker(marker) || marker == CJpegMarkerWalk::kMarkerStartOfScan
            || marker == CJpegMarkerWalk::kMarkerEndOfImage)
            return false;
        uint16_t storedLength = 0;
        if (!walk.ReadSegment(storedLength, payload))
            return false;
        if (marker == CJpegMarkerWalk::kMarkerApp1) {
            segment.bytes.reserve(payload.size() + 2);
            segment.bytes.push_back(static_cast<uint8_t>(storedLength >> 8));
            segment.bytes.push_back(static_cast<uint8_t>(storedLength & 0xFF));
            segment.bytes.insert(segment.bytes.end(), payload.begin(), payload.end());
            segment.length = storedLength;
            return true;
        }
    }
}
