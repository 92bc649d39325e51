#include "cli/clean_options.h"

#include <charconv>
#include <map>

const char* const kCleanHelp = R"(Usage: speckwash-cli clean [options] INPUT... (-o OUTPUT | --out-dir DIR)

Cleans dust, hairs and scratches out of each input with automatic correction,
as the desktop program does when an image is opened and saved. The dust
parameters come from each image's resolution (camera JPEGs get the dark-dust
type); the options below override them. Each output keeps its input's depth
(8 or 16 bits) and channel count (grey or colour); JPEG outputs keep the
input's EXIF block.

Output:
  -o OUTPUT            the output file, for a single input; its extension
                       (.bmp .jpg .png .tif) chooses the format
  --out-dir DIR        write each output into DIR under its input's name
  --format FMT         with --out-dir: bmp, jpg, png or tif (default: the
                       input's format when it can be written, else tif)
  --map FILE           with -o: also write the detection map as an 8-bit
                       grey PNG the size of the image
  --maps               with --out-dir: write NAME.dustmap.png beside each output
  --overwrite          replace outputs that exist (inputs included)
  --quality Q          JPEG quality: low, medium, high, same (the input's own
                       tables, the default) or a number 1..100

Dust parameters:
  --dust-type T        dark, bright or both
  --size N             dust size: radius of the clean-image estimate, 1..255
  --amount N           dust amount, 1..30
  --aggression N       aggression among image detail, 5..51
  --dpi N              resolution to derive the parameters from, instead of
                       the file's own
  --no-auto            no automatic correction: the output equals the input

Infrared:
  --infrared MODE      auto (the default: use an infrared plane when the input
                       has one), on (say so when it has none) or off
  --ir FILE            the infrared plane as a grey file of the image's size,
                       for a single input (default: NAME_IR.* or NAME-ir.*
                       beside the input, then an RGBI TIFF's fourth sample)
  --ir-sensitivity N   1 (only opaque marks) .. 10 (faint ones too), default 5;
                       infrared detection replaces the visible-light rule

Batch:
  --from-list FILE     read inputs from FILE, one per line ("-": standard input)
  --jobs N             images cleaned at once (default: one per core)
  --quiet              no progress, only errors
  --help               this text

Exit status: 0 when every file was cleaned, 1 when any failed, 2 for a usage error.
)";

bool ParseBoundedInt(const std::string& text, int low, int high, int& value)
{
    int parsed = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || ec != std::errc() || ptr != end || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ParseJpegQuality(const std::string& text, int& quality)
{
    static const std::map<std::string, int> named = { { "low", 24 }, { "medium", 40 }, { "high", 60 },
        { "same", 200 } };
    if (auto it = named.find(text); it != named.end()) {
        quality = it->second;
        return true;
    }
    return ParseBoundedInt(text, 1, 100, quality);
}

namespace {

bool ParseDustType(const std::string& text, int& type)
{
    static const std::map<std::string, int> names = { { "dark", 0 }, { "bright", 1 }, { "both", 2 } };
    auto it = names.find(text);
    if (it == names.end())
        return false;
    type = it->second;
    return true;
}

// Options that take a value, with the check of that value.
bool ApplyValueOption(const std::string& name, const std::string& value, CleanOptions& o, std::string& error)
{
    int n = 0;
    auto bounded = [&](int low, int high, std::optional<int>& target) {
        if (!ParseBoundedInt(value, low, high, n)) {
            error = name + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high);
            return false;
        }
        target = n;
        return true;
    };
    if (name == "-o") {
        o.output = value;
    } else if (name == "--out-dir") {
        o.outDir = value;
    } else if (name == "--format") {
        if (value != "bmp" && value != "jpg" && value != "png" && value != "tif") {
            error = "--format takes bmp, jpg, png or tif";
            return false;
        }
        o.format = value;
    } else if (name == "--map") {
        o.mapPath = value;
    } else if (name == "--dust-type") {
        if (!ParseDustType(value, n)) {
            error = "--dust-type takes dark, bright or both";
            return false;
        }
        o.dustType = n;
    } else if (name == "--size") {
        return bounded(1, 255, o.dustRadius);
    } else if (name == "--amount") {
        return bounded(1, 30, o.dustThreshold);
    } else if (name == "--aggression") {
        return bounded(5, 51, o.aggression);
    } else if (name == "--dpi") {
        if (!ParseBoundedInt(value, 1, 1000000, o.dpi)) {
            error = "--dpi needs a whole number from 1 to 1000000";
            return false;
        }
    } else if (name == "--quality") {
        if (!ParseJpegQuality(value, n)) {
            error = "--quality takes low, medium, high, same or a number from 1 to 100";
            return false;
        }
        o.jpegQuality = n;
    } else if (name == "--jobs") {
        if (!ParseBoundedInt(value, 1, 1024, o.jobs)) {
            error = "--jobs needs a whole number from 1 to 1024";
            return false;
        }
    } else if (name == "--infrared") {
        static const std::map<std::string, int> modes = { { "auto", 0 }, { "on", 1 }, { "off", 2 } };
        auto it = modes.find(value);
        if (it == modes.end()) {
            error = "--infrared takes auto, on or off";
            return false;
        }
        o.infrared = it->second;
    } else if (name == "--ir") {
        o.infraredPath = value;
    } else if (name == "--ir-sensitivity") {
        return bounded(1, 10, o.infraredSensitivity);
    } else if (name == "--from-list") {
        o.fromList = value;
    } else {
        error = "unknown option " + name;
        return false;
    }
    return true;
}

bool IsValueOption(const std::string& name)
{
    static const char* const names[] = { "-o", "--out-dir", "--format", "--map", "--dust-type", "--size",
        "--amount", "--aggression", "--dpi", "--quality", "--jobs", "--from-list", "--infrared", "--ir",
        "--ir-sensitivity" };
    for (const char* n : names)
        if (name == n)
            return true;
    return false;
}

// The combinations that cannot work, checked once everything is read.
bool CheckCombination(const CleanOptions& o, std::string& error)
{
    if (o.output.empty() == o.outDir.empty()) {
        error = "give either -o OUTPUT or --out-dir DIR";
        return false;
    }
    if (!o.output.empty() && !o.fromList.empty()) {
        error = "--from-list needs --out-dir";
        return false;
    }
    if (!o.output.empty() && o.inputs.size() != 1) {
        error = "-o takes exactly one input; use --out-dir for several";
        return false;
    }
    if (o.outDir.empty() && (!o.format.empty() || o.maps)) {
        error = std::string(o.maps ? "--maps" : "--format") + " goes with --out-dir";
        return false;
    }
    if (o.output.empty() && !o.mapPath.empty()) {
        error = "--map goes with -o; use --maps with --out-dir";
        return false;
    }
    if (!o.infraredPath.empty() && (o.inputs.size() != 1 || !o.fromList.empty())) {
        error = "--ir names the infrared file of a single input";
        return false;
    }
    if (!o.infraredPath.empty() && o.infrared == 2) {
        error = "--ir and --infrared off contradict each other";
        return false;
    }
    if (o.inputs.empty() && o.fromList.empty()) {
        error = "no input files";
        return false;
    }
    return true;
}

} // namespace

bool ParseCleanArguments(const std::vector<std::string>& args, CleanOptions& o, bool& help, std::string& error)
{
    help = false;
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            o.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        }
        if (IsValueOption(arg)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = arg + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            if (!ApplyValueOption(arg, value, o, error))
                return false;
            continue;
        }
        if (inlineValue) {
            error = arg + " takes no value";
            return false;
        }
        if (arg == "--no-auto")
            o.noAuto = true;
        else if (arg == "--maps")
            o.maps = true;
        else if (arg == "--quiet" || arg == "-q")
            o.quiet = true;
        else if (arg == "--overwrite")
            o.overwrite = true;
        else {
            error = "unknown option " + arg;
            return false;
        }
    }
    return CheckCombination(o, error);
}
