#include "cli/output_plan.h"

#include <cctype>
#include <fstream>
#include <iostream>
#include <map>

#include "cli/output_files.h"
#include "workflow/image_to_save.h"

namespace {

std::string LowerExtension(const std::string& path)
{
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        return "";
    std::string extension = path.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// 1 BMP, 2 JPEG, 3 PNG, 4 TIFF by a lower-case extension; 0 for none of them.
int SaveTypeForExtension(const std::string& extension)
{
    static const std::map<std::string, int> types = { { ".bmp", 1 }, { ".jpg", 2 }, { ".jpeg", 2 },
        { ".png", 3 }, { ".tif", 4 }, { ".tiff", 4 } };
    auto it = types.find(extension);
    return it == types.end() ? 0 : it->second;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string OutputExtensionFor(const std::string& input, const std::string& format)
{
    if (!format.empty())
        return "." + format;
    static const char* const byType[] = { ".tif", ".bmp", ".jpg", ".png", ".tif" };
    return byType[SaveTypeForExtension(LowerExtension(input))];
}

std::string MapPathBeside(const std::string& output)
{
    return output.substr(0, output.size() - LowerExtension(output).size()) + ".dustmap.png";
}

std::string SpotsPathIn(const std::string& folder, const std::string& output)
{
    std::string name = BaseName(output);
    name = name.substr(0, name.size() - LowerExtension(name).size());
    return folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name + ".spots.json";
}

std::vector<PlannedFile> PlanOutputs(const CleanOptions& options, const std::vector<std::string>& inputs)
{
    std::vector<PlannedFile> plan;
    std::map<std::string, size_t> claimed; // output path → the input that writes it
    for (const std::string& input : inputs) {
        PlannedFile file;
        file.input = input;
        if (!options.output.empty()) {
            file.output = options.output;
            file.mapPath = options.mapPath;
            file.spotsPath = options.spotsPath;
        } else {
            std::string folder = options.outDir;
            if (!folder.empty() && folder.back() != '/')
                folder += '/';
            std::string name = BaseName(input);
            file.output = folder + name;
            // Replace the input's extension, or add one to a name that has none.
            int type = SaveTypeForExtension(OutputExtensionFor(input, options.format));
            file.output = PathForSaveType(file.output, type);
            if (options.maps)
                file.mapPath = MapPathBeside(file.output);
            if (!options.spotsDir.empty())
                file.spotsPath = SpotsPathIn(options.spotsDir, file.output);
        }
        if (options.skipExisting && !claimed.count(file.output) && OutputIsUpToDate(file.output, input)
            && (file.mapPath.empty() || OutputIsUpToDate(file.mapPath, input))) {
            file.upToDate = true;
            claimed[file.output] = plan.size();
            plan.push_back(file);
            continue;
        }
        std::string extension = LowerExtension(file.output);
        bool writable = extension == ".bmp" || extension == ".jpg" || extension == ".png" || extension == ".tif";
        if (!writable) {
            file.problem = file.output + ": cannot write this format; name the output .bmp, .jpg, .png or .tif";
        } else if (!options.overwrite && SameExistingFile(file.output, input)) {
            file.problem = file.output + ": would overwrite its input (use --overwrite to allow it)";
        } else if (!options.overwrite && FileExists(file.output)) {
            file.problem = file.output + ": exists (use --overwrite to replace it)";
        } else if (!file.mapPath.empty() && !options.overwrite && FileExists(file.mapPath)) {
            file.problem = file.mapPath + ": exists (use --overwrite to replace it)";
        } else if (!file.spotsPath.empty() && (file.spotsPath == file.output || file.spotsPath == file.mapPath)) {
            file.problem = file.spotsPath + ": named for both the spot list and another output";
        } else if (!file.spotsPath.empty() && !options.overwrite && FileExists(file.spotsPath)) {
            file.problem = file.spotsPath + ": exists (use --overwrite to replace it)";
        } else if (auto it = claimed.find(file.output); it != claimed.end()) {
            file.problem = file.output + ": also the output of " + plan[it->second].input;
        } else if (auto spots = claimed.find(file.spotsPath); !file.spotsPath.empty() && spots != claimed.end()) {
            // a.tif and a.png into one folder keep their formats but share a name.
            file.problem = file.spotsPath + ": also the spot list of " + plan[spots->second].input;
        } else if (auto map = claimed.find(file.mapPath); !file.mapPath.empty() && map != claimed.end()) {
            file.problem = file.mapPath + ": also the detection map of " + plan[map->second].input;
        } else {
            claimed[file.output] = plan.size();
            if (!file.mapPath.empty())
                claimed[file.mapPath] = plan.size();
            if (!file.spotsPath.empty())
                claimed[file.spotsPath] = plan.size();
        }
        plan.push_back(file);
    }
    return plan;
}

bool ReadInputList(const std::string& listPath, std::vector<std::string>& inputs, std::string& error)
{
    std::ifstream file;
    std::istream* in = &std::cin;
    if (listPath != "-") {
        file.open(listPath);
        if (!file) {
            error = listPath + ": cannot read the input list";
            return false;
        }
        in = &file;
    }
    std::string line;
    while (std::getline(*in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos)
            inputs.push_back(line);
    }
    return true;
}

std::vector<std::string> InputsOfShard(const std::vector<std::string>& inputs, int index, int count)
{
    std::vector<std::string> shard;
    if (index < 1 || count < 1)
        return shard;
    for (size_t i = static_cast<size_t>(index - 1); i < inputs.size(); i += static_cast<size_t>(count))
        shard.push_back(inputs[i]);
    return shard;
}
