#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the contents of the section of that name from an ELF file (32 or 64
// bits, either byte order). False when the file is not ELF, has no such
// section, the section holds no bytes in the file, or is larger than
// maxSize. Every offset and size is checked against the file before use.
bool ReadElfSection(const char* path, const char* name, size_t maxSize, std::vector<uint8_t>& contents);
