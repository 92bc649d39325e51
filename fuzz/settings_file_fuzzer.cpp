// The settings file as a hostile input (hand-edited, truncated): parsing
// never fails hard, and whatever was read survives a rewrite unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "workflow/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    RegistryParseReport report;
    RegistryDocument document = ParseRegistryText(text, report);
    std::string written = FormatRegistryText(document);
    RegistryParseReport again;
    RegistryDocument back = ParseRegistryText(written, again);
    if (again.unreadableLines != 0 || back.keys.size() != document.keys.size())
        __builtin_trap();
    for (size_t k = 0; k < document.keys.size(); ++k) {
        const RegistryFileKey& a = document.keys[k];
        const RegistryFileKey& b = back.keys[k];
        if (a.path != b.path || a.values.size() != b.values.size())
            __builtin_trap();
        for (size_t v = 0; v < a.values.size(); ++v)
            if (a.values[v].name != b.values[v].name || a.values[v].type != b.values[v].type
                || a.values[v].data != b.values[v].data)
                __builtin_trap();
    }
    return 0;
}
