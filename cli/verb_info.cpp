#include <cstdio>
#include <iostream>

#include "cli/json_text.h"
#include "cli/verbs.h"
#include "image/image.h"
#include "imagefiles/image_file_types.h"
#include "metadata/jpeg_metadata.h"
#include "imagefiles/library_formats.h"
#include "workflow/image_kind.h"
#include "workflow/infrared_source.h"

const char* const kInfoHelp = R"(Usage: speckwash-cli info [--json] FILE...

Loads each file and prints its type, size, channels, sample type and
resolution, and for JPEG files the camera model of its EXIF block and the
length of its first APP1 segment.

  --json    one JSON object per line:
            {"path", "type", "typeCode", "width", "height", "channels",
             "sample" (u8, u16 or float), "dpi", "camera", "app1Length",
             "infrared" (true when the file is an RGBI TIFF or has an
             infrared sidecar NAME_IR.* or NAME-ir.* beside it)}
  --help    this text

Exit status: 0 when every file was read, 1 when any was not, 2 for a usage error.
)";

namespace {

const char* TypeName(ImageFileType type)
{
    switch (type) {
    case ImageFileType::Bmp: return "bmp";
    case ImageFileType::Tiff: return "tiff";
    case ImageFileType::Jpeg: return "jpeg";
    case ImageFileType::Png: return "png";
    case ImageFileType::Gif: return "gif";
    case ImageFileType::RawScan: return "rawscan";
    case ImageFileType::Psd: return "psd";
    case ImageFileType::Pgm: return "pgm";
    case ImageFileType::Ppm: return "ppm";
    case ImageFileType::Unknown: break;
    }
    return "unknown";
}

const char* SampleName(int sampleType)
{
    return sampleType == SampleU16 ? "u16" : sampleType == SampleFloat ? "float" : "u8";
}

struct FileFacts {
    ImageFileType type = ImageFileType::Unknown;
    int width = 0, height = 0, channels = 0, sampleType = 0, dpi = 0;
    std::string camera;
    int app1Length = 0;
    std::string infrared; // "fourth sample", the sidecar's path, or empty for none
};

bool ReadFacts(const std::string& path, FileFacts& facts)
{
    CImage image(path.c_str(), 0);
    if (image.channelCount == 0)
        return false;
    int w = 0, h = 0, c = 0;
    facts.type = ReadImageFileInfo(path.c_str(), &w, &h, &c);
    facts.width = image.width;
    facts.height = image.height;
    facts.channels = image.channelCount;
    facts.sampleType = image.sampleType;
    facts.dpi = image.resolutionDpi;
    if (image.channelCount == 4 && TiffFourthPlaneIsInfrared(path.c_str()))
        facts.infrared = "fourth sample";
    else
        facts.infrared = FindInfraredSidecar(path);
    if (facts.type == ImageFileType::Jpeg) {
        facts.camera = ReadJpegMetadata(path.c_str()).cameraModel;
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            App1Segment app1;
            if (CaptureApp1Segment(file, app1))
                facts.app1Length = app1.length;
            std::fclose(file);
        }
    }
    return true;
}

void PrintJson(const std::string& path, const FileFacts& f)
{
    std::cout << "{\"path\":" << JsonString(path) << ",\"type\":\"" << TypeName(f.type)
              << "\",\"typeCode\":" << static_cast<int>(f.type) << ",\"width\":" << f.width
              << ",\"height\":" << f.height << ",\"channels\":" << f.channels << ",\"sample\":\""
              << SampleName(f.sampleType) << "\",\"dpi\":" << f.dpi << ",\"camera\":" << JsonString(f.camera)
              << ",\"app1Length\":" << f.app1Length << ",\"infrared\":" << (f.infrared.empty() ? "false" : "true")
              << "}\n";
}

void PrintText(const std::string& path, const FileFacts& f)
{
    std::cout << path << ": " << TypeName(f.type) << " (type " << static_cast<int>(f.type) << "), " << f.width
              << " x " << f.height << ", " << f.channels << (f.channels == 1 ? " channel, " : " channels, ")
              << SampleName(f.sampleType) << ", " << f.dpi << " dpi";
    if (f.type == ImageFileType::Jpeg) {
        std::cout << ", camera " << (f.camera.empty() ? "none" : "\"" + f.camera + "\"") << ", APP1 "
                  << f.app1Length << " bytes";
    }
    std::cout << "\n";
    if (!f.infrared.empty())
        std::cout << "  infrared plane: " << f.infrared << "\n";
}

} // namespace

int RunInfo(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> files;
    bool onlyFiles = false;
    for (const std::string& arg : args) {
        if (!onlyFiles && arg == "--json") {
            json = true;
        } else if (!onlyFiles && (arg == "--help" || arg == "-h")) {
            std::cout << kInfoHelp;
            return ExitOk;
        } else if (!onlyFiles && arg == "--") {
            onlyFiles = true;
        } else if (!onlyFiles && arg.size() > 1 && arg[0] == '-') {
            std::cerr << "speckwash-cli info: unknown option " << arg << "\n";
            return ExitUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << "speckwash-cli info: no files given (see speckwash-cli info --help)\n";
        return ExitUsage;
    }
    int exitCode = ExitOk;
    for (const std::string& path : files) {
        FileFacts facts;
        if (!ReadFacts(path, facts)) {
            std::cout.flush();
            std::cerr << path << ": " << kUnreadableImageMessage << "\n";
            exitCode = ExitFileFailed;
            continue;
        }
        if (json)
            PrintJson(path, facts);
        else
            PrintText(path, facts);
    }
    return exitCode;
}
