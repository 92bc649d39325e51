#pragma once
#include <string>
#include <vector>

#include "cli/clean_options.h"

// One input of a clean run and where its results go.
struct PlannedFile {
    std::string input;
    std::string output;
    std::string mapPath; // empty: no detection map
    std::string spotsPath; // empty: no spot list
    std::string problem; // non-empty: the file is not cleaned, and this says why
};

// The output extension for an input under --out-dir: --format when given,
// else the input's own when it can be written (".jpeg" → ".jpg", ".tiff" →
// ".tif", any case), else ".tif", which keeps 16 bits and loses nothing.
std::string OutputExtensionFor(const std::string& input, const std::string& format);

// Where a detection map goes beside an output: NAME.dustmap.png.
std::string MapPathBeside(const std::string& output);

// Where --spots-dir puts an output's spot list: DIR/NAME.spots.json.
std::string SpotsPathIn(const std::string& folder, const std::string& output);

// Works out every output and refuses, per file, what must not happen: an
// output with an extension no writer takes, an existing output (an input
// included) without --overwrite, and two inputs writing the same output or
// the same spot list.
std::vector<PlannedFile> PlanOutputs(const CleanOptions& options, const std::vector<std::string>& inputs);

// Reads input paths one a line; blank lines are skipped, a trailing carriage
// return is dropped. False when the list cannot be read.
bool ReadInputList(const std::string& listPath, std::vector<std::string>& inputs, std::string& error);
