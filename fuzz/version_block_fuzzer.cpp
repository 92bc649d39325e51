// The version information block as a hostile input: the parser must refuse
// or read it without reading outside the bytes, for any user language.
#include <cstddef>
#include <cstdint>
#include <span>

#include "workflow/version_block.h"
#include "workflow/version_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const uint8_t> bytes(data, size);
    uint16_t language = size >= 2 ? static_cast<uint16_t>(data[size - 1] << 8 | data[size - 2]) : 0x0409;
    for (uint16_t user : { uint16_t(0x0407), uint16_t(0x0409), language }) {
        FileVersionInfo info;
        if (!info.LoadFromBlock(bytes, user))
            continue;
        size_t total = 0;
        for (int i = 0; i < VersionStringCount; ++i)
            total += info.String(static_cast<VersionString>(i)).size();
        // UTF-8 of UTF-16 text is at most 1.5 times as long as its bytes.
        if (total > 2 * size)
            __builtin_trap();
    }
    VersionBlock block;
    if (block.Parse(bytes)) {
        std::span<const uint8_t> value;
        uint16_t type = 0;
        block.Query("\\VarFileInfo\\Translation", value, type);
        block.Query("\\StringFileInfo\\040904B0\\ProductName", value, type);
    }
    return 0;
}
