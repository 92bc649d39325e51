// What storing a setting costs the window's thread: a dust-size slider step
// stores three values, each through a freshly opened key as the window does.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "workflow/registry_key.h"
#include "workflow/registry_store.h"

namespace {

constexpr const char* kKey = "Software\\Quillmark Inc\\Speckwash\\1.0";

class ScratchSettings {
public:
    ScratchSettings()
    {
        char pattern[] = "/var/tmp/speckwash-bench-XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "";
        setenv("SPECKWASH_REGISTRY", (folder + "/registry.reg").c_str(), 1);
    }
    ~ScratchSettings()
    {
        RegistryFlush();
        unsetenv("SPECKWASH_REGISTRY");
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

private:
    std::string folder;
};

void StoreSliderStep(int step)
{
    for (const char* name : { "DustRadius", "DustThreshold", "AggressionRadius" }) {
        RegistryKey key(RegOptionCreate);
        if (key.Open(kKey, RegLocalMachine, RegAccessQuery | RegAccessSet))
            key.Value(name).SetInteger(step);
    }
}

} // namespace

// The caller's cost: the values go to the file from the writer thread.
static void BM_StoreSliderStep(benchmark::State& state)
{
    ScratchSettings settings;
    int step = 0;
    for (auto _ : state)
        StoreSliderStep(++step % 200);
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_StoreSliderStep)->Unit(benchmark::kMicrosecond);

// The same step waiting until its values are in the file (fsync and rename
// included): what every step cost when each value was written through.
static void BM_StoreSliderStepAndFlush(benchmark::State& state)
{
    ScratchSettings settings;
    int step = 0;
    for (auto _ : state) {
        StoreSliderStep(++step % 200);
        RegistryFlush();
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_StoreSliderStepAndFlush)->Unit(benchmark::kMicrosecond);
