#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What the metadata scan found in a JPEG file.
struct JpegMetadata {
    std::string cameraModel; // at most 39 characters; empty = not from a camera
};

// A JPEG file's first APP1 segment, kept to be written into saved JPEGs.
struct App1Segment {
    std::vector<uint8_t> bytes; // the two big-endian length bytes, then the payload
    int length = 0; // the length as stored in the file (payload + 2); 0 = none

    const uint8_t* Payload() const { return length >= 3 ? bytes.data() + 2 : nullptr; }
    // Payload bytes to write back; a marker segment holds at most 65533.
    int PayloadLength() const { return length >= 3 ? length - 2 : 0; }
};

// Reads the camera model from the EXIF block of a JPEG file. Any failure
// gives an empty model.
JpegMetadata ReadJpegMetadata(const char* path);

// Captures the first APP1 segment (EXIF, XMP or any other) found before the
// image data of an open JPEG file, reading from its start. Returns false and
// leaves `segment` empty when there is none or the file does not parse.
bool CaptureApp1Segment(FILE* file, App1Segment& segment);
