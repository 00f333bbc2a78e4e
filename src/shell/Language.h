#pragma once
// Interface texts. The program holds language keys; each text is looked up in the
// language file of the current language when it is shown ("Lang0409.ini" English,
// "Lang0416.ini" Portuguese (Brazil), beside the executable). A missing file, section
// or key gives "#Error"; a key present with an empty value gives "".

#include <cstdint>
#include <string>
#include <string_view>

namespace t44::shell {

inline constexpr const char *kTextSection = "TEXT";
inline constexpr const char *kLightSection = "LIGHT";
inline constexpr const char *kModeSection = "MODE";
inline constexpr const char *kMissingText = "#Error";

// The interface language: LANGUAGE, or the system's language on first use (stored).
uint32_t GetLanguageId();
void SetLanguageId(uint32_t id);
// The system's language identifier from the locale (LC_ALL, LC_MESSAGES, LANG).
uint32_t SystemLanguageId();
// 0 for 1033 and anything unsupported, 1 for 1046.
int LanguageIndex();
std::string LanguageFilePath(int index);

std::string LangText(std::string_view section, std::string_view key, int index);
// Section TEXT of the current language.
std::string LangText(std::string_view key);

// Texts used as formats. A language file is data: a text is used as a format only when
// its conversions are exactly the one expected; otherwise it is shown as it stands.
std::string LangFormatInt(std::string_view key, long value);            // one %d / %x / %X / %u
std::string LangFormatString(std::string_view key, std::string_view s);  // one %s

// The same rule for a text already looked up.
std::string formatWithInt(const std::string &format, long value);
std::string formatWithString(const std::string &format, std::string_view s);

}  // namespace t44::shell
