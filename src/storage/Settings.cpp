#include "storage/Settings.h"

#include <cstdio>
#include <filesystem>

#include "shell/Language.h"
#include "shell/LanguageKeys.h"
#include "storage/IniFile.h"
#include "storage/UserPaths.h"

namespace t44::storage {
namespace {

// Writes one value, creating the file's folder first.
bool writeValue(const std::string &file, std::string_view section, std::string_view key, std::string_view text) {
    ensureFolder(std::filesystem::path(file).parent_path().string());
    return WritePrivateProfileString(section, key, std::string(text), file);
}

// A 0/1 switch as stored: 1 stays 1, every other number is 0.
const char *switchText(int value) { return value == 1 ? "1" : "0"; }

}  // namespace

std::string ReadAppSetting(std::string_view name, std::string_view fallback) {
    return GetPrivateProfileString(kProfilesSection, name, fallback, appSettingsFile());
}

bool WriteAppSetting(std::string_view name, std::string_view text) {
    return writeValue(appSettingsFile(), kProfilesSection, name, text);
}

std::string ProfileListValueName(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%02d", "PROFILE", n);
    return name;
}

int ReadFlip() { return parseDecimal(ReadAppSetting(kFlipValue, "0")); }

bool WriteFlip(int flip) { return WriteAppSetting(kFlipValue, flip == 0 || flip == 1 ? std::to_string(flip) : "0"); }

int ReadRecordDelayMode(std::string_view valueName) {
    const int mode = parseDecimal(ReadAppSetting(valueName, "0")) == 1 ? 1 : 0;
    WriteRecordDelayMode(valueName, mode);
    return mode;
}

bool WriteRecordDelayMode(std::string_view valueName, int mode) {
    return WriteAppSetting(valueName, switchText(mode));
}

int ReadRecordDelayMode() { return ReadRecordDelayMode(shell::LangText(shell::kRecordDelayText)); }

bool WriteRecordDelayMode(int mode) { return WriteRecordDelayMode(shell::LangText(shell::kRecordDelayText), mode); }

std::string settingsIniFile() { return profileFolder() + "/" + kSettingsIniName; }

bool ReadDengCheck() { return GetPrivateProfileInt(kKeyColourSection, kDengCheckKey, 0, settingsIniFile()) == 1; }

bool WriteDengCheck(bool on) { return writeValue(settingsIniFile(), kKeyColourSection, kDengCheckKey, on ? "1" : "0"); }

}  // namespace t44::storage
