#include "workflow/user_language.h"

#include <cstdlib>
#include <string>

namespace {

constexpr uint16_t kEnglishUs = 0x0409;
constexpr uint16_t kSublangDefault = 1;

struct PrimaryLanguage {
    const char* code;
    uint16_t primary;
};

struct RegionalLanguage {
    const char* locale; // language_TERRITORY
    uint16_t id;
};

const PrimaryLanguage kPrimaryLanguages[] = {
    { "ar", 0x01 }, { "bg", 0x02 }, { "ca", 0x03 }, { "zh", 0x04 }, { "cs", 0x05 }, { "da", 0x06 },
    { "de", 0x07 }, { "el", 0x08 }, { "en", 0x09 }, { "es", 0x0A }, { "fi", 0x0B }, { "fr", 0x0C },
    { "he", 0x0D }, { "hu", 0x0E }, { "is", 0x0F }, { "it", 0x10 }, { "ja", 0x11 }, { "ko", 0x12 },
    { "nl", 0x13 }, { "nb", 0x14 }, { "no", 0x14 }, { "nn", 0x14 }, { "pl", 0x15 }, { "pt", 0x16 },
    { "rm", 0x17 }, { "ro", 0x18 }, { "ru", 0x19 }, { "hr", 0x1A }, { "sr", 0x1A }, { "bs", 0x1A },
    { "sk", 0x1B }, { "sq", 0x1C }, { "sv", 0x1D }, { "th", 0x1E }, { "tr", 0x1F }, { "ur", 0x20 },
    { "id", 0x21 }, { "uk", 0x22 }, { "be", 0x23 }, { "sl", 0x24 }, { "et", 0x25 }, { "lv", 0x26 },
    { "lt", 0x27 }, { "fa", 0x29 }, { "vi", 0x2A }, { "hy", 0x2B }, { "az", 0x2C }, { "eu", 0x2D },
    { "mk", 0x2F }, { "af", 0x36 }, { "ka", 0x37 }, { "fo", 0x38 }, { "hi", 0x39 }, { "ga", 0x3C },
    { "ms", 0x3E }, { "kk", 0x3F }, { "sw", 0x41 }, { "bn", 0x45 }, { "ta", 0x49 }, { "gl", 0x56 },
    { "cy", 0x52 },
};

// Territories whose identifier is not the language's default one.
const RegionalLanguage kRegionalLanguages[] = {
    { "en_GB", 0x0809 }, { "en_AU", 0x0C09 }, { "en_CA", 0x1009 }, { "en_NZ", 0x1409 },
    { "en_IE", 0x1809 }, { "en_ZA", 0x1C09 }, { "en_IN", 0x4009 }, { "de_CH", 0x0807 },
    { "de_AT", 0x0C07 }, { "de_LU", 0x1007 }, { "de_LI", 0x1407 }, { "fr_BE", 0x080C },
    { "fr_CA", 0x0C0C }, { "fr_CH", 0x100C }, { "fr_LU", 0x140C }, { "es_ES", 0x0C0A },
    { "es_MX", 0x080A }, { "es_AR", 0x2C0A }, { "it_CH", 0x0810 }, { "nl_BE", 0x0813 },
    { "pt_BR", 0x0416 }, { "pt_PT", 0x0816 }, { "zh_CN", 0x0804 }, { "zh_TW", 0x0404 },
    { "zh_HK", 0x0C04 }, { "zh_SG", 0x1004 }, { "sv_FI", 0x081D }, { "nn_NO", 0x0814 },
    { "sr_RS", 0x241A }, { "bs_BA", 0x141A },
};

} // namespace

uint16_t LanguageFromLocaleName(std::string_view locale)
{
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX")
        return kEnglishUs;
    for (const RegionalLanguage& entry : kRegionalLanguages)
        if (locale == entry.locale)
            return entry.id;
    std::string_view language = locale.substr(0, locale.find('_'));
    for (const PrimaryLanguage& entry : kPrimaryLanguages)
        if (language == entry.code)
            return static_cast<uint16_t>(kSublangDefault << 10 | entry.primary);
    return 0;
}

uint16_t UserDefaultLanguage()
{
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" })
        if (const char* value = std::getenv(name); value && *value)
            return LanguageFromLocaleName(value);
    return kEnglishUs;
}
