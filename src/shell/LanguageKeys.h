#pragma once
// Every language key the program asks for, grouped by the part of the program that shows
// it. The language files must hold each of them; a test checks both shipped files
// against these lists.

#include <span>
#include <string>
#include <vector>

namespace t44::shell {

// Texts used as formats and the one argument each takes.
inline constexpr const char *kUnknownKeyText = "UNKNOWN_KEY";                     // KeyCode, e.g. "Key %04X"
inline constexpr const char *kProfileFormatErrorText = "PROFILE_FORMAT_ERROR";    // file path
inline constexpr const char *kMacroMaxText = "MACRO_ERR_MAX";                     // most macros (100)
inline constexpr const char *kMacroDelayMaxText = "MACRO_ACTION_ERR_DELAY_MAX";  // longest delay (40000 ms)
// The text that names the recorder-delay setting (Settings.h).
inline constexpr const char *kRecordDelayText = "MACRO_ACTION_RECORD_DELAY";

enum class FormatArgument { Integer, String };
struct FormatText {
    const char *key;  // section TEXT
    FormatArgument argument;
};
std::span<const FormatText> formatTexts();

// Section TEXT, by the part of the program that uses the keys.
std::span<const char *const> keyNameKeys();  // every KeyTable row's key, UNKNOWN_KEY
std::span<const char *const> functionDescriptionKeys();  // FUNC_KEY_DESC1 .. FUNC_KEY_DESC11
std::span<const char *const> mainWindowKeys();           // main window, its menus, tray icon
std::span<const char *const> aboutBoxKeys();
std::span<const char *const> keyboardViewKeys();
std::span<const char *const> profileKeys();
std::span<const char *const> applyKeys();
std::span<const char *const> compositeEditorKeys();
std::span<const char *const> macroPageKeys();
// Section LIGHT: the lighting panel's labels.
std::span<const char *const> lightKeys();
// Section MODE: the lighting effects the program knows, keyed by their number in decimal.
std::span<const int> modeNumbers();

struct LanguageKey {
    std::string section;
    std::string key;
};
// All of the above once each (names compared without regard to case), TEXT first.
std::vector<LanguageKey> requiredLanguageKeys();

}  // namespace t44::shell
