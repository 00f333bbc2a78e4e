#pragma once
// The per-user settings kept outside the keyboard, in the places that stand in for the
// registry: section PROFILES of the application's settings file (appSettingsFile), and
// "wskb.ini" in the profile folder. Numbers are stored as decimal text and read back by
// parsing it; text that does not parse reads as 0. Failures are not reported: a value
// that cannot be read gives its default and a write that fails is lost (the writers
// return false for tests and callers that want to know). A missing folder is created on
// write. LANGUAGE is in shell/Language.h.

#include <string>
#include <string_view>

namespace t44::storage {

inline constexpr const char *kProfilesSection = "PROFILES";
inline constexpr const char *kFlipValue = "Flip";
inline constexpr const char *kSettingsIniName = "wskb.ini";
inline constexpr const char *kKeyColourSection = "KEYCOLOR";
inline constexpr const char *kDengCheckKey = "DengCheck";

// A string value of section PROFILES; `fallback` when it is missing.
std::string ReadAppSetting(std::string_view name, std::string_view fallback);
bool WriteAppSetting(std::string_view name, std::string_view text);

// The value names the profile manager writes: "PROFILE00" (the row count), then
// "PROFILE01", "PROFILE02", ... (one path per row), that is "PROFILE" and n as "%02d".
std::string ProfileListValueName(int n);

// Flip of the keyboard picture: the stored number ("0" when absent). Storing keeps 0 and
// 1 and stores any other number as 0.
int ReadFlip();
bool WriteFlip(int flip);

// Whether the macro recorder measures delays (1) or uses a fixed delay (0). The value is
// named by a language text (the current language's MACRO_ACTION_RECORD_DELAY), so a new
// language starts the option again from 0. A stored value other than 1 reads as 0, and the
// value read is written back at once. Storing keeps 0 and 1 and stores any other number
// as 0.
int ReadRecordDelayMode(std::string_view valueName);
bool WriteRecordDelayMode(std::string_view valueName, int mode);
// The same under the current language's name.
int ReadRecordDelayMode();
bool WriteRecordDelayMode(int mode);

// The per-key light edit switch: "wskb.ini" [KEYCOLOR] DengCheck, on exactly when the
// stored number is 1 (default "0").
std::string settingsIniFile();
bool ReadDengCheck();
bool WriteDengCheck(bool on);

}  // namespace t44::storage
