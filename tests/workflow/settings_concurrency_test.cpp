#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings_test_support.h"
#include "workflow/registry_key.h"

namespace {

constexpr int kValuesPerWriter = 40;

// One running copy of the program: opens the key for each change, as the
// main window does, and sets its own values.
[[noreturn]] void WriteValues(const char* prefix)
{
    for (int i = 0; i < kValuesPerWriter; ++i) {
        RegistryKey key(RegOptionCreate);
        if (!key.Open(kTestKey, RegLocalMachine, RegAccessQuery | RegAccessSet))
            _exit(1);
        key.Value(prefix + std::to_string(i)).SetInteger(i);
    }
    // _exit skips the exit handlers, which would write what is still waiting.
    RegistryFlush();
    _exit(0);
}

} // namespace

using SettingsConcurrency = ScratchRegistry;

TEST_F(SettingsConcurrency, TwoProcessesKeepEachOthersValues)
{
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t writers[2];
    const char* prefixes[2] = { "First", "Second" };
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            // Both wait for the same signal so that their writes overlap.
            close(start[1]);
            char go;
            if (read(start[0], &go, 1) != 0)
                _exit(2);
            WriteValues(prefixes[w]);
        }
    }
    close(start[0]);
    close(start[1]);
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    RegistryKey key(0);
    ASSERT_TRUE(key.Open(kTestKey, RegLocalMachine, RegAccessQuery));
    for (const char* prefix : prefixes)
        for (int i = 0; i < kValuesPerWriter; ++i) {
            RegistryValue& value = key.Value(prefix + std::to_string(i));
            EXPECT_TRUE(value.IsPresent()) << prefix << i;
            EXPECT_EQ(value.GetInteger(), i);
        }
    EXPECT_EQ(key.CachedValueCount(), 2u * kValuesPerWriter);
}
