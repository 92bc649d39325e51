#pragma once
#include <cstdint>
#include <span>
#include <string>

// Longest camera model kept; longer values are cut.
inline constexpr size_t kMaxCameraModelLength = 39;

// Finds the camera model (tag 272) in the payload of an EXIF APP1 segment,
// that is the bytes after the segment's length field, beginning "Exif\0\0".
// Returns false when the payload is not EXIF or its TIFF header does not
// parse. Each Model entry found replaces `model`, so the last one wins and a
// block without one leaves `model` as it was.
bool ParseExifModel(std::span<const uint8_t> app1Payload, std::string& model);
