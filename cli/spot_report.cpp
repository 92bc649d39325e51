#include "cli/spot_report.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

#include "cli/json_text.h"

namespace {

const char* ToneName(SpotTone tone)
{
    switch (tone) {
    case SpotTone::Dark:
        return "dark";
    case SpotTone::Bright:
        return "bright";
    case SpotTone::Unchanged:
        break;
    }
    return "unchanged";
}

// Two decimals, whatever the locale.
std::string Fixed2(double value)
{
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(text, end) : "0.00";
}

constexpr const char* kFieldNames[] = { "x", "y", "width", "height", "centre_x", "centre_y", "pixels", "peak",
    "tone" };

// The values of one record, in field order, as text.
std::array<std::string, std::size(kFieldNames)> Values(const Spot& s)
{
    return { std::to_string(s.box.left), std::to_string(s.box.top), std::to_string(s.box.Width()),
        std::to_string(s.box.Height()), Fixed2(s.centreX), Fixed2(s.centreY), std::to_string(s.pixels),
        std::to_string(s.peak), ToneName(s.tone) };
}

} // namespace

bool IsCsvPath(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".csv";
}

std::string SpotsJson(const SpotList& list, const std::string& imagePath)
{
    std::string out = "{\n  \"image\": " + JsonString(imagePath) + ",\n  \"count\": " + std::to_string(list.Count())
        + ",\n  \"spots\": [";
    for (size_t i = 0; i < list.Count(); ++i) {
        const auto values = Values(list.Spots()[i]);
        out += i ? ",\n    {" : "\n    {";
        for (size_t k = 0; k < values.size(); ++k) {
            const bool text = k + 1 == values.size(); // the tone
            out += (k ? ", \"" : "\"") + std::string(kFieldNames[k]) + "\": "
                + (text ? JsonString(values[k]) : values[k]);
        }
        out += "}";
    }
    out += list.Count() ? "\n  ]\n}\n" : "]\n}\n";
    return out;
}

std::string SpotsCsv(const SpotList& list)
{
    std::string out;
    for (const char* name : kFieldNames)
        out += std::string(out.empty() ? "" : ",") + name;
    out += "\n";
    for (const Spot& spot : list.Spots()) {
        const auto values = Values(spot);
        for (size_t k = 0; k < values.size(); ++k)
            out += (k ? "," : "") + values[k];
        out += "\n";
    }
    return out;
}

bool WriteSpotReport(const std::string& path, const SpotList& list, const std::string& imagePath, std::string& error)
{
    const std::string text = IsCsvPath(path) ? SpotsCsv(list) : SpotsJson(list, imagePath);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (file)
        file.close();
    if (!file) {
        error = std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

std::string SpotCountText(size_t count) { return std::to_string(count) + (count == 1 ? " spot" : " spots"); }
