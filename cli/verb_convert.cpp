#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "cli/clean_options.h"
#include "cli/output_files.h"
#include "cli/save_messages.h"
#include "cli/verbs.h"
#include "image/image.h"
#include "imagefiles/image_file_types.h"
#include "imagefiles/ink_plane.h"
#include "imagefiles/save_dispatch.h"
#include "metadata/jpeg_metadata.h"
#include "workflow/image_kind.h"

const char* const kConvertHelp = R"(Usage: speckwash-cli convert [options] IN OUT

Loads IN as its reader delivers it and writes it with the writer that OUT's
extension chooses (.bmp, .jpg, .png or .tif). PNG and TIFF keep 16 bits per
sample when IN has more than 8; a JPEG keeps the EXIF block of a JPEG input.

  --quality Q    JPEG quality: low, medium, high, same (IN's own tables, the
                 default) or a number 1..100
  --overwrite    replace OUT when it exists
  --help         this text

Exit status: 0 on success, 1 when IN cannot be read or OUT not written, 2 for
a usage error.
)";

namespace {

bool ParseConvertArguments(const std::vector<std::string>& args, std::vector<std::string>& files, int& quality,
    bool& overwrite, bool& help, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        }
        if (arg == "--overwrite") {
            overwrite = true;
        } else if (arg == "--quality" || arg.rfind("--quality=", 0) == 0) {
            std::string value = arg.size() > 9 ? arg.substr(10) : (i + 1 < args.size() ? args[++i] : "");
            if (!ParseJpegQuality(value, quality)) {
                error = "--quality takes low, medium, high, same or a number from 1 to 100";
                return false;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        error = "give one input and one output";
        return false;
    }
    return true;
}

App1Segment JpegApp1(const std::string& path)
{
    App1Segment app1;
    int w = 0, h = 0, c = 0;
    if (ReadImageFileInfo(path.c_str(), &w, &h, &c) == ImageFileType::Jpeg) {
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            if (!CaptureApp1Segment(file, app1))
                app1 = App1Segment();
            std::fclose(file);
        }
    }
    return app1;
}

// The image without its black-ink plane: the reader has already made the
// first three planes the RGB picture.
std::unique_ptr<CImage> WithoutInkPlane(const CImage& image)
{
    auto rgb = std::make_unique<CImage>(image.width, image.height, 3, image.sampleType);
    if (!rgb->HasPlanes())
        return nullptr;
    size_t bytes = image.PixelCount() * size_t(CImage::BytesPerSample(image.sampleType));
    for (int c = 0; c < 3; ++c)
        std::memcpy(rgb->GetPlane(c), image.GetPlane(c), bytes);
    rgb->resolutionDpi = image.resolutionDpi;
    rgb->jpegSubsampling = image.jpegSubsampling;
    rgb->floatMin = image.floatMin;
    rgb->floatMax = image.floatMax;
    return rgb;
}

// Only the output's name decides whether a writer takes it, so that is told
// before the input is read.
bool WriterTakes(const std::string& path)
{
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string extension = path.substr(dot);
    for (char& ch : extension)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return extension == ".bmp" || extension == ".jpg" || extension == ".png" || extension == ".tif";
}

} // namespace

int RunConvert(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    int quality = 200;
    bool overwrite = false, help = false;
    std::string error;
    if (!ParseConvertArguments(args, files, quality, overwrite, help, error)) {
        std::cerr << "speckwash-cli convert: " << error << " (see speckwash-cli convert --help)\n";
        return ExitUsage;
    }
    if (help) {
        std::cout << kConvertHelp;
        return ExitOk;
    }
    const std::string& in = files[0];
    const std::string& out = files[1];
    if (!WriterTakes(out)) {
        std::cerr << SaveFailedMessage(out, FileUnsupportedType, 0) << "\n";
        return ExitFileFailed;
    }
    if (!overwrite && FileExists(out)) {
        std::cerr << out << ": exists (use --overwrite to replace it)\n";
        return ExitFileFailed;
    }
    CImage image(in.c_str(), 0);
    if (image.channelCount == 0) {
        std::cerr << in << ": " << kUnreadableImageMessage << "\n";
        return ExitFileFailed;
    }
    std::unique_ptr<CImage> rgb;
    if (image.channelCount == 4 && FourthPlaneIsInk(in.c_str())) {
        rgb = WithoutInkPlane(image);
        if (!rgb) {
            std::cerr << SaveFailedMessage(out, FileNoMemory, 0) << "\n";
            return ExitFileFailed;
        }
    }
    const CImage& written = rgb ? *rgb : image;
    App1Segment app1 = JpegApp1(in);
    InstallInterruptCleanup();
    std::string temporary;
    if (!CreateTemporaryBeside(out, temporary)) {
        int refused = errno;
        // A folder that takes no new files: a file that may be replaced is
        // written by the writer, which then encodes first and writes in place.
        if (overwrite && (refused == EACCES || refused == EPERM) && FileExists(out)) {
            FileResult direct = SaveImageByExtension(written, out.c_str(), quality == 200 ? in.c_str() : nullptr,
                quality, image.jpegSubsampling, app1.Payload(), app1.PayloadLength());
            refused = errno;
            if (direct == FileOk)
                return ExitOk;
            std::cerr << SaveFailedMessage(out, direct, refused) << "\n";
            return ExitFileFailed;
        }
        std::cerr << SaveFailedMessage(out, FileSystemError, refused) << "\n";
        return ExitFileFailed;
    }
    FileResult result = SaveImageByExtension(written, temporary.c_str(), quality == 200 ? in.c_str() : nullptr,
        quality, image.jpegSubsampling, app1.Payload(), app1.PayloadLength());
    int systemError = errno;
    if (result != FileOk) {
        DiscardTemporary(temporary);
        std::cerr << SaveFailedMessage(out, result, systemError) << "\n";
        return ExitFileFailed;
    }
    if (!CommitTemporary(temporary, out, overwrite, error)) {
        std::cerr << out << ": " << error << "\n";
        return ExitFileFailed;
    }
    return ExitOk;
}
