#include "shell/Language.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/ProgramPaths.h"
#include "storage/IniFile.h"
#include "storage/UserPaths.h"

namespace t44::shell {
namespace {

constexpr const char *kLanguageSection = "Settings";
constexpr const char *kLanguageValue = "LANGUAGE";
constexpr uint32_t kSupported[] = {1033, 1046};

// Locale names to Windows language identifiers, most specific first.
struct LocaleId {
    const char *prefix;
    uint32_t id;
};
constexpr LocaleId kLocales[] = {
    {"pt_BR", 1046}, {"pt_PT", 2070}, {"pt", 2070},   {"en_US", 1033}, {"en_GB", 2057}, {"en_AU", 3081},
    {"en_CA", 4105}, {"en", 1033},    {"es_MX", 2058}, {"es", 3082},    {"fr_CA", 3084}, {"fr", 1036},
    {"de", 1031},    {"it", 1040},    {"nl", 1043},    {"ru", 1049},    {"pl", 1045},    {"ja", 1041},
    {"ko", 1042},    {"zh_TW", 1028}, {"zh_HK", 3076}, {"zh_SG", 4100}, {"zh", 2052},    {"C", 1033},
    {"POSIX", 1033},
};

bool parseUnsigned(const std::string &text, uint32_t &out) {
    if (text.empty()) return false;
    char *end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (*end != '\0' || v > 0xFFFFFFFFull || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

// The one conversion of a format text: its position, length and conversion letter.
struct Conversion {
    size_t at = 0, length = 0;
    char letter = 0;
};

// Finds the single conversion of `format`; false when there is none or more than one
// or one that is not plain flags, width, precision and a letter.
bool singleConversion(const std::string &format, Conversion &out) {
    int found = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < format.size() && std::strchr("-+ 0#", format[j])) ++j;
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) ++j;
        if (j < format.size() && format[j] == '.') {
            ++j;
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) ++j;
        }
        if (j >= format.size() || j - i > 8) return false;
        if (++found > 1) return false;
        out = {i, j - i + 1, format[j]};
        i = j;
    }
    return found == 1;
}

std::string unescapePercents(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') ++i;
    }
    return out;
}

}  // namespace

uint32_t SystemLanguageId() {
    const char *names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char *n : names) {
        const char *v = std::getenv(n);
        if (!v || !*v) continue;
        for (const LocaleId &l : kLocales) {
            size_t len = std::strlen(l.prefix);
            if (std::strncmp(v, l.prefix, len) == 0 && (v[len] == '\0' || std::strchr("_.@", v[len]))) return l.id;
        }
        return 1033;  // a locale we do not know
    }
    return 1033;
}

uint32_t GetLanguageId() {
    const std::string file = storage::productSettingsFile();
    storage::CIniFile ini;
    ini.load(file);
    uint32_t id = 0;
    auto stored = ini.get(kLanguageSection, kLanguageValue);
    if (!stored || !parseUnsigned(*stored, id)) {
        id = 0;
        storage::ensureFolder(storage::configHome());
        storage::WritePrivateProfileString(kLanguageSection, kLanguageValue, "0", file);
    }
    if (id != 0) return id;
    id = SystemLanguageId();
    if (id == 3076) id = 1033;
    else if (id == 4100) id = 1046;
    if (id != 1033 && id != 1046) id = 1033;
    SetLanguageId(id);
    return id;
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

std::string formatWithInt(const std::string &format, long value) {
    Conversion c;
    if (!singleConversion(format, c) || !std::strchr("diuxXo", c.letter)) return format;
    // The conversion is rebuilt from checked parts; the language text itself never
    // reaches snprintf as a format.
    std::string spec = format.substr(c.at, c.length - 1) + "l" + c.letter;
    char buf[64];
    std::snprintf(buf, sizeof buf, spec.c_str(), value);
    return unescapePercents(format.substr(0, c.at)) + buf + unescapePercents(format.substr(c.at + c.length));
}

std::string formatWithString(const std::string &format, std::string_view s) {
    Conversion c;
    if (!singleConversion(format, c) || c.letter != 's') return format;
    return unescapePercents(format.substr(0, c.at)) + std::string(s) + unescapePercents(format.substr(c.at + c.length));
}

std::string LangFormatInt(std::string_view key, long value) { return formatWithInt(LangText(key), value); }

std::string LangFormatString(std::string_view key, std::string_view s) {
    return formatWithString(LangText(key), s);
}

}  // namespace t44::shell
