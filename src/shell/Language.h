#pragma once
// Interface texts. The program holds language keys; each text is looked up in the
// language file of the current language when it is shown ("Lang0409.ini" English,
// "Lang0416.ini" Portuguese (Brazil), beside the executable). A missing file, section
// or key gives "#Error"; a key present with an empty value gives "". Nothing is cached:
// every lookup reads LANGUAGE and the language file again, so a change made outside the
// program takes effect at the next text shown.

#include <cstdint>
#include <string>
#include <string_view>

namespace t44::shell {

inline constexpr const char *kTextSection = "TEXT";
inline constexpr const char *kLightSection = "LIGHT";
inline constexpr const char *kModeSection = "MODE";
inline constexpr const char *kMissingText = "#Error";

// The supported languages in index order.
inline constexpr uint32_t kLanguageEnglishUS = 1033;     // index 0, Lang0409.ini
inline constexpr uint32_t kLanguagePortugueseBR = 1046;  // index 1, Lang0416.ini

// The interface language: LANGUAGE of the product's settings (section "Settings"). When it
// is missing or not a 32-bit decimal number, or 0, the system's language is chosen (3076
// counts as 1033, 4100 as 1046, anything but 1033 and 1046 as 1033) and stored. Any other
// stored value is returned as it stands, supported or not.
uint32_t GetLanguageId();
void SetLanguageId(uint32_t id);
// The system's language identifier from the locale: the first non-empty of LC_ALL,
// LC_MESSAGES and LANG, as language[_territory][.codeset][@modifier]; C and POSIX are
// 1033, and so is a locale without a known identifier or no locale at all.
uint32_t SystemLanguageId();
// The Windows language identifier of one locale name, 0 when it has none.
uint32_t LanguageIdOfLocale(std::string_view locale);
// 0 for 1033 and anything unsupported, 1 for 1046.
int LanguageIndex();
// The language file of an index; an index outside the table is treated as 0.
std::string LanguageFilePath(int index);

std::string LangText(std::string_view section, std::string_view key, int index);
// Section TEXT of the current language.
std::string LangText(std::string_view key);

// Texts used as formats. A language file is data: a text is used as a format only when it
// holds exactly one conversion, of the kind expected (flags, a width and a precision of at
// most two digits, an ignored h/l length, then d, i, u, x, X or o for a number, s for a
// string), and any other '%' is written "%%". Otherwise it is shown as it stands. The text
// itself never reaches a printf-family function as the format.
std::string LangFormatInt(std::string_view key, long value);
std::string LangFormatString(std::string_view key, std::string_view s);

// The same rule for a text already looked up.
std::string formatWithInt(std::string_view format, long value);
std::string formatWithString(std::string_view format, std::string_view s);
// The letter of the one conversion a format text holds ('d', 'X', 's', ...), or 0 when it
// holds none, more than one, or one that is not of the form above.
char formatConversion(std::string_view format);

}  // namespace t44::shell
