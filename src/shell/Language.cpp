#include "shell/Language.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "shell/ProgramPaths.h"
#include "storage/IniFile.h"
#include "storage/UserPaths.h"

namespace t44::shell {
namespace {

constexpr const char *kLanguageSection = "Settings";
constexpr const char *kLanguageValue = "LANGUAGE";
constexpr uint32_t kSupported[] = {kLanguageEnglishUS, kLanguagePortugueseBR};

// Locale language and territory to Windows language identifiers. A row with an empty
// territory is the language's identifier for territories not listed.
struct LocaleId {
    const char *language;
    const char *territory;
    uint32_t id;
};
constexpr LocaleId kLocales[] = {
    {"en", "", 1033},    {"en", "US", 1033},  {"en", "GB", 2057},  {"en", "AU", 3081},  {"en", "CA", 4105},
    {"en", "NZ", 5129},  {"en", "IE", 6153},  {"en", "ZA", 7177},  {"en", "IN", 16393}, {"pt", "", 2070},
    {"pt", "BR", 1046},  {"pt", "PT", 2070},  {"es", "", 3082},    {"es", "MX", 2058},  {"es", "AR", 11274},
    {"es", "CO", 9226},  {"es", "CL", 13322}, {"es", "US", 21514}, {"fr", "", 1036},    {"fr", "BE", 2060},
    {"fr", "CA", 3084},  {"fr", "CH", 4108},  {"de", "", 1031},    {"de", "AT", 3079},  {"de", "CH", 2055},
    {"it", "", 1040},    {"it", "CH", 2064},  {"nl", "", 1043},    {"nl", "BE", 2067},  {"zh", "", 2052},
    {"zh", "TW", 1028},  {"zh", "HK", 3076},  {"zh", "SG", 4100},  {"zh", "MO", 5124},  {"ja", "", 1041},
    {"ko", "", 1042},    {"ru", "", 1049},    {"uk", "", 1058},    {"pl", "", 1045},    {"cs", "", 1029},
    {"sk", "", 1051},    {"hu", "", 1038},    {"ro", "", 1048},    {"bg", "", 1026},    {"hr", "", 1050},
    {"sl", "", 1060},    {"el", "", 1032},    {"tr", "", 1055},    {"sv", "", 1053},    {"da", "", 1030},
    {"nb", "", 1044},    {"no", "", 1044},    {"nn", "", 2068},    {"fi", "", 1035},    {"et", "", 1061},
    {"lv", "", 1062},    {"lt", "", 1063},    {"ca", "", 1027},    {"he", "", 1037},    {"ar", "", 1025},
    {"th", "", 1054},    {"vi", "", 1066},    {"id", "", 1057},    {"C", "", 1033},     {"POSIX", "", 1033},
};

bool sameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// LANGUAGE as the registry would hold it: a 32-bit number, here in decimal.
std::optional<uint32_t> parseLanguageValue(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uint32_t>(v);
}

// One conversion of a format text, taken apart.
struct Conversion {
    size_t at = 0, length = 0;  // position of the '%' and length up to the letter
    std::string flags;
    int width = -1, precision = -1;
    char letter = 0;
};

// Reads a run of at most two digits; false when there are more.
bool readSmallNumber(std::string_view f, size_t &j, int &out) {
    size_t start = j;
    while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j]))) ++j;
    if (j - start > 2) return false;
    out = 0;
    for (size_t k = start; k < j; ++k) out = out * 10 + (f[k] - '0');
    return true;
}

// Finds the one conversion of `format`: false when there is none, more than one, or a '%'
// that does not start a conversion of the accepted form (a "%%" is a literal '%').
bool singleConversion(std::string_view format, Conversion &out) {
    int found = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        Conversion c;
        c.at = i;
        size_t j = i + 1;
        while (j < format.size() && std::strchr("-+ 0#", format[j]) && format[j] != '\0') c.flags += format[j++];
        if (c.flags.size() > 5) return false;
        if (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])) &&
            !readSmallNumber(format, j, c.width))
            return false;
        if (j < format.size() && format[j] == '.') {
            ++j;
            if (!readSmallNumber(format, j, c.precision)) return false;
        }
        for (int n = 0; n < 2 && j < format.size() && (format[j] == 'h' || format[j] == 'l'); ++n) ++j;
        if (j >= format.size() || !std::strchr("diuxXos", format[j]) || format[j] == '\0') return false;
        c.letter = format[j];
        c.length = j - i + 1;
        if (++found > 1) return false;
        out = c;
        i = j;
    }
    return found == 1;
}

std::string unescapePercents(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') ++i;
    }
    return out;
}

std::string substitute(std::string_view format, const Conversion &c, const std::string &replacement) {
    return unescapePercents(format.substr(0, c.at)) + replacement + unescapePercents(format.substr(c.at + c.length));
}

size_t utf8Length(std::string_view s) {
    size_t n = 0;
    for (char ch : s) n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    return n;
}

}  // namespace

uint32_t LanguageIdOfLocale(std::string_view locale) {
    const size_t langEnd = std::min(locale.find_first_of("_.@"), locale.size());
    const std::string_view language = locale.substr(0, langEnd);
    std::string_view territory;
    if (langEnd < locale.size() && locale[langEnd] == '_') {
        territory = locale.substr(langEnd + 1);
        territory = territory.substr(0, std::min(territory.find_first_of(".@"), territory.size()));
    }
    uint32_t fallback = 0;
    for (const LocaleId &l : kLocales) {
        if (!sameAscii(language, l.language)) continue;
        if (!territory.empty() && sameAscii(territory, l.territory)) return l.id;
        if (*l.territory == '\0') fallback = l.id;
    }
    return fallback;
}

uint32_t SystemLanguageId() {
    // The precedence of the C library: LC_ALL overrides LC_MESSAGES, which overrides LANG.
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *v = std::getenv(name);
        if (!v || !*v) continue;
        const uint32_t id = LanguageIdOfLocale(v);
        return id != 0 ? id : kLanguageEnglishUS;
    }
    return kLanguageEnglishUS;
}

uint32_t GetLanguageId() {
    storage::CIniFile ini;
    ini.load(storage::productSettingsFile());
    const auto stored = ini.get(kLanguageSection, kLanguageValue);
    const std::optional<uint32_t> id = stored ? parseLanguageValue(*stored) : std::nullopt;
    if (id && *id != 0) return *id;
    // Missing, not a number, or 0: choose from the system and store the choice (which also
    // replaces a value that was not a number).
    uint32_t chosen = SystemLanguageId();
    if (chosen == 3076) chosen = kLanguageEnglishUS;
    else if (chosen == 4100) chosen = kLanguagePortugueseBR;
    if (chosen != kLanguageEnglishUS && chosen != kLanguagePortugueseBR) chosen = kLanguageEnglishUS;
    SetLanguageId(chosen);
    return chosen;
}

void SetLanguageId(uint32_t id) {
    storage::ensureFolder(storage::configHome());
    storage::WritePrivateProfileString(kLanguageSection, kLanguageValue, std::to_string(id),
                                       storage::productSettingsFile());
}

int LanguageIndex() {
    const uint32_t id = GetLanguageId();
    for (int i = 0; i < 2; ++i)
        if (kSupported[i] == id) return i;
    return 0;
}

std::string LanguageFilePath(int index) {
    if (index < 0 || index > 1) index = 0;
    char name[32];
    std::snprintf(name, sizeof name, "Lang%04X.ini", kSupported[index]);
    return programPaths().data(name);
}

std::string LangText(std::string_view section, std::string_view key, int index) {
    return storage::GetPrivateProfileString(section, key, kMissingText, LanguageFilePath(index));
}

std::string LangText(std::string_view key) { return LangText(kTextSection, key, LanguageIndex()); }

char formatConversion(std::string_view format) {
    Conversion c;
    return singleConversion(format, c) ? c.letter : 0;
}

std::string formatWithInt(std::string_view format, long value) {
    Conversion c;
    if (!singleConversion(format, c) || c.letter == 's') return std::string(format);
    // The conversion is rebuilt from its checked parts (no '#' for a decimal, where it
    // means nothing), so only this conversion reaches snprintf, with an argument of its type.
    const bool isSigned = c.letter == 'd' || c.letter == 'i';
    std::string conversion = "%";
    for (char f : c.flags)
        if (f != '#' || !isSigned) conversion += f;
    if (c.width >= 0) conversion += std::to_string(c.width);
    if (c.precision >= 0) conversion += "." + std::to_string(c.precision);
    conversion += 'l';
    conversion += c.letter;
    char buf[128];
    if (isSigned) std::snprintf(buf, sizeof buf, conversion.c_str(), value);
    else std::snprintf(buf, sizeof buf, conversion.c_str(), static_cast<unsigned long>(value));
    return substitute(format, c, buf);
}

std::string formatWithString(std::string_view format, std::string_view s) {
    Conversion c;
    if (!singleConversion(format, c) || c.letter != 's') return std::string(format);
    // Precision cuts the string and width pads it, counted in characters.
    std::string arg = c.precision >= 0 ? storage::cutToChars(s, static_cast<size_t>(c.precision)) : std::string(s);
    const size_t length = utf8Length(arg);
    if (c.width > 0 && length < static_cast<size_t>(c.width)) {
        const std::string pad(static_cast<size_t>(c.width) - length, ' ');
        arg = c.flags.find('-') != std::string::npos ? arg + pad : pad + arg;
    }
    return substitute(format, c, arg);
}

std::string LangFormatInt(std::string_view key, long value) { return formatWithInt(LangText(key), value); }

std::string LangFormatString(std::string_view key, std::string_view s) {
    return formatWithString(LangText(key), s);
}

}  // namespace t44::shell
