#pragma once
#include <optional>
#include <string>
#include <vector>

// Everything the clean command was asked to do, after parsing.
struct CleanOptions {
    std::vector<std::string> inputs;
    std::string fromList; // file of inputs, one a line; "-" for standard input
    std::string output; // -o: the one output file
    std::string outDir; // --out-dir: outputs named after their inputs
    std::string format; // --format with --out-dir: bmp, jpg, png or tif; empty = from the input
    std::string mapPath; // --map with -o
    bool maps = false; // --maps with --out-dir
    std::optional<int> dustType; // 0 dark, 1 bright, 2 both
    std::optional<int> dustRadius; // --size
    std::optional<int> dustThreshold; // --amount
    std::optional<int> aggression;
    bool noAuto = false;
    int dpi = 0; // 0: the file's own resolution
    std::optional<int> jpegQuality; // 1..100 or 200; unset: 200 with the source's subsampling
    int jobs = 0; // 0: one per core
    bool quiet = false;
    bool overwrite = false;
    int infrared = 0; // --infrared: 0 auto (use a plane when there is one), 1 on, 2 off
    std::string infraredPath; // --ir: the infrared plane as a grey file, for a single input
    std::optional<int> infraredSensitivity; // --ir-sensitivity, 1..10
};

// Parses the arguments after "clean". On a usage error returns false with a
// one-line explanation in `error`. `help` is set when --help was given.
bool ParseCleanArguments(const std::vector<std::string>& args, CleanOptions& options, bool& help, std::string& error);

// Parses a whole decimal number in [low, high]; false for anything else.
bool ParseBoundedInt(const std::string& text, int low, int high, int& value);

// "low" 24, "medium" 40, "high" 60, "same" 200, or a number 1..100.
bool ParseJpegQuality(const std::string& text, int& quality);

extern const char* const kCleanHelp;
