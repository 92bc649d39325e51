#pragma once
#include <cstdint>
#include <string_view>

// Language identifiers as version information blocks name translations:
// primary language in the low 10 bits, sublanguage above (0x0407 German
// (Germany), 0x0409 English (United States)).

// The identifier for a locale name such as "de_DE.UTF-8@euro": the exact
// language and territory when known, else the language with its default
// sublanguage; English (United States) for "C", "POSIX" and an empty name,
// the neutral 0 for a language this table does not know.
uint16_t LanguageFromLocaleName(std::string_view locale);

// The user's language from LC_ALL, LC_MESSAGES or LANG, the first one set.
uint16_t UserDefaultLanguage();
