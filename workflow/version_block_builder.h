#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What goes into a version information block (layout in version_block.h).
struct VersionBlockContents {
    uint16_t parts[4] = {}; // major, minor, build, revision
    struct Table {
        uint16_t language = 0x0409;
        uint16_t codePage = 1200;
        std::vector<std::pair<std::string, std::string>> strings; // name, UTF-8 value
    };
    std::vector<Table> tables; // one per translation, listed in this order
};

// The block's bytes; empty when it would not fit the 16-bit node lengths.
std::vector<uint8_t> BuildVersionBlock(const VersionBlockContents& contents);
