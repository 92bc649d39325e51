#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

#include "workflow/registry_store.h"

// Points the settings store at a file in a fresh temporary folder for the
// duration of a test, so that no test touches the user's own settings.
class ScratchRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/speckwash-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        file = folder + "/registry.reg";
        setenv("SPECKWASH_REGISTRY", file.c_str(), 1);
    }
    void TearDown() override
    {
        RegistryFlush();
        unsetenv("SPECKWASH_REGISTRY");
        std::error_code error;
        std::filesystem::remove_all(folder, error);
        EXPECT_FALSE(error) << error.message();
    }

    // The file as another program sees it: stored values are written first.
    std::string ReadFile() const
    {
        RegistryFlush();
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteFile(const std::string& text) const
    {
        RegistryFlush();
        std::ofstream(file, std::ios::binary) << text;
    }

    std::string folder;
    std::string file;
};

inline constexpr const char* kTestKey = "Software\\Quillmark Inc\\Speckwash\\1.0";
