#include "view/rules/save_rules.h"


namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

const char* const kExtensions[5] = { "", ".bmp", ".jpg", ".png", ".tif" };

size_t ExtensionStart(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string::npos;
    return dot;
}

} // namespace

std::string ExtensionOf(const std::string& path)
{
    size_t dot = ExtensionStart(path);
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

int SaveTypeFromName(const std::string& name)
{
    std::string ext = Lower(ExtensionOf(name));
    if (ext == ".bmp")
        return SaveTypeBmp;
    if (ext == ".jpg")
        return SaveTypeJpeg;
    if (ext == ".png")
        return SaveTypePng;
    if (ext == ".tif" || ext == ".tiff")
        return SaveTypeTiff;
    return SaveTypeNone;
}

int PreselectedSaveType(const std::string& defaultName, int lastType)
{
    int type = SaveTypeFromName(defaultName);
    return type != SaveTypeNone ? type : lastType;
}

int SubsamplingChoiceFromCode(int code)
{
    return code == 0 ? 2 : code == 1 ? 1 : 0;
}

int SubsamplingCodeFromChoice(int choice)
{
    return choice == 2 ? 0 : choice == 1 ? 1 : 2;
}

std::string NameForSaveType(const std::string& name, int type)
{
    if (type < SaveTypeBmp || type > SaveTypeAll)
        return name;
    size_t dot = ExtensionStart(name);
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    return type == SaveTypeAll ? stem : stem + kExtensions[type];
}
