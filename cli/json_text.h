#pragma once
#include <string>

// A JSON string literal, quotes included. Valid UTF-8 passes through; any
// other byte (EXIF texts are often Latin-1) becomes \u00XX, its Latin-1
// meaning, so that the output is always valid JSON.
std::string JsonString(const std::string& text);
