#include "shell/LanguageKeys.h"

#include <algorithm>
#include <cctype>

#include "shell/Language.h"

namespace t44::shell {
namespace {

constexpr FormatText kFormatTexts[] = {
    {kUnknownKeyText, FormatArgument::Integer},
    {kProfileFormatErrorText, FormatArgument::String},
    {kMacroMaxText, FormatArgument::Integer},
    {kMacroDelayMaxText, FormatArgument::Integer},
};

// The language key of every key table row that has one, in table order (Right Shift
// has two rows and one key), then the name of keys without a row of their own.
constexpr const char *kKeyNameKeys[] = {
    "IDS_KEYBOARD_ESC", "IDS_KEYBOARD_1", "IDS_KEYBOARD_2", "IDS_KEYBOARD_3", "IDS_KEYBOARD_4",
    "IDS_KEYBOARD_5", "IDS_KEYBOARD_6", "IDS_KEYBOARD_7", "IDS_KEYBOARD_8", "IDS_KEYBOARD_9", "IDS_KEYBOARD_0",
    "IDS_KEYBOARD_MINUS", "IDS_KEYBOARD_EQU", "IDS_KEYBOARD_BS", "IDS_KEYBOARD_TAB", "IDS_KEYBOARD_Q",
    "IDS_KEYBOARD_W", "IDS_KEYBOARD_E", "IDS_KEYBOARD_R", "IDS_KEYBOARD_T", "IDS_KEYBOARD_Y", "IDS_KEYBOARD_U",
    "IDS_KEYBOARD_I", "IDS_KEYBOARD_O", "IDS_KEYBOARD_P", "IDS_KEYBOARD_SB1", "IDS_KEYBOARD_SB2",
    "IDS_KEYBOARD_ENTER", "IDS_KEYBOARD_LCTRL", "IDS_KEYBOARD_A", "IDS_KEYBOARD_S", "IDS_KEYBOARD_D",
    "IDS_KEYBOARD_F", "IDS_KEYBOARD_G", "IDS_KEYBOARD_H", "IDS_KEYBOARD_J", "IDS_KEYBOARD_K", "IDS_KEYBOARD_L",
    "IDS_KEYBOARD_SEM", "IDS_KEYBOARD_QUOT", "IDS_KEYBOARD_AID1", "IDS_KEYBOARD_LSHIFT", "IDS_KEYBOARD_AV",
    "IDS_KEYBOARD_Z", "IDS_KEYBOARD_X", "IDS_KEYBOARD_C", "IDS_KEYBOARD_V", "IDS_KEYBOARD_B", "IDS_KEYBOARD_N",
    "IDS_KEYBOARD_M", "IDS_KEYBOARD_COMMA", "IDS_KEYBOARD_PER", "IDS_KEYBOARD_VIR", "IDS_KEYBOARD_RSHIFT",
    "IDS_KEYBOARD_S_AST", "IDS_KEYBOARD_LALT", "IDS_KEYBOARD_SPACE", "IDS_KEYBOARD_CAPS", "IDS_KEYBOARD_F1",
    "IDS_KEYBOARD_F2", "IDS_KEYBOARD_F3", "IDS_KEYBOARD_F4", "IDS_KEYBOARD_F5", "IDS_KEYBOARD_F6",
    "IDS_KEYBOARD_F7", "IDS_KEYBOARD_F8", "IDS_KEYBOARD_F9", "IDS_KEYBOARD_F10", "IDS_KEYBOARD_PAUSE",
    "IDS_KEYBOARD_SCROLL", "IDS_KEYBOARD_S_7", "IDS_KEYBOARD_S_8", "IDS_KEYBOARD_S_9", "IDS_KEYBOARD_S_MINUS",
    "IDS_KEYBOARD_S_4", "IDS_KEYBOARD_S_5", "IDS_KEYBOARD_S_6", "IDS_KEYBOARD_S_PLUS", "IDS_KEYBOARD_S_1",
    "IDS_KEYBOARD_S_2", "IDS_KEYBOARD_S_3", "IDS_KEYBOARD_S_0", "IDS_KEYBOARD_S_DEL", "IDS_KEYBOARD_SYSREQ",
    "IDS_KEYBOARD_K45", "IDS_KEYBOARD_F11", "IDS_KEYBOARD_F12", "IDS_KEYBOARD_ROMA", "IDS_KEYBOARD_KL",
    "IDS_KEYBOARD_KR", "IDS_KEYBOARD_K56", "IDS_KEYBOARD_CHG", "IDS_KEYBOARD_N_CHG", "IDS_KEYBOARD_K14",
    "IDS_KEYBOARD_K107", "MEDIA_PREV_TRACK_4", "MEDIA_Next_TRACK_5", "IDS_KEYBOARD_S_ENTER",
    "IDS_KEYBOARD_RCTRL", "MEDIA_MUTE_8", "MEDIA_CALC_17", "MEDIA_PALY_PAUSE_2", "MEDIA_STOP_PALY_3",
    "MEDIA_V_LOW_6", "MEDIA_V_ADD_7", "MEDIA_WWW_HOME_9", "IDS_KEYBOARD_S_VIR", "IDS_KEYBOARD_PRINT",
    "IDS_KEYBOARD_RALT", "IDS_KEYBOARD_NUM", "IDS_KEYBOARD_BREAK", "IDS_KEYBOARD_HOME", "IDS_KEYBOARD_UP",
    "IDS_KEYBOARD_PAGE_UP", "IDS_KEYBOARD_LEFT", "IDS_KEYBOARD_RIGHT", "IDS_KEYBOARD_END", "IDS_KEYBOARD_DOWN",
    "IDS_KEYBOARD_PAGE_DOWN", "IDS_KEYBOARD_INSERT", "IDS_KEYBOARD_DELETE", "IDS_KEYBOARD_LWIN",
    "IDS_KEYBOARD_RWIN", "IDS_KEYBOARD_APP", "IDS_KEYBOARD_POWER", "IDS_KEYBOARD_SLEEP",
    "IDS_KEYBOARD_ROLL_UP", "IDS_KEYBOARD_ROLL_DOWN", "IDS_KEYBOARD_WAKE", "MEDIA_WWW_SEARCH_15",
    "MEDIA_WWW_FAVORITE_14", "MEDIA_WWW_REFRESH_10", "MEDIA_WWW_STOP_11", "MEDIA_WWW_FORWARD_13",
    "MEDIA_WWW_BACK_12", "MEDIA_MY_PC_16", "MEDIA_MAIL_18", "MEDIA_PALYER_1", "IDS_KEYBOARD_MOU_PANLEFT",
    "IDS_KEYBOARD_MOU_PANRIGHT", "IDS_KEYBOARD_MOU_DBCLICK", "IDS_KEYBOARD_MOU_LEFT", "IDS_KEYBOARD_MOU_RIGHT",
    "IDS_KEYBOARD_MOU_MIDDLE", "IDS_KEYBOARD_FUNC_ZOOMOUT", "IDS_KEYBOARD_FUNC_ZOOMIN",
    "IDS_KEYBOARD_FUNC_COPY", "IDS_KEYBOARD_FUNC_CUT", "IDS_KEYBOARD_FUNC_PASTE", "IDS_KEYBOARD_FUNC_MINI",
    "IDS_KEYBOARD_FUNC_MAXI", "IDS_KEYBOARD_FUNC_WORD", "IDS_KEYBOARD_FUNC_EXCEL",
    "IDS_KEYBOARD_FUNC_POWERPOINT", "IDS_KEYBOARD_FUNC_CALENDAR",
    kUnknownKeyText,
};

constexpr const char *kFunctionDescriptionKeys[] = {
    "FUNC_KEY_DESC1", "FUNC_KEY_DESC2", "FUNC_KEY_DESC3", "FUNC_KEY_DESC4",  "FUNC_KEY_DESC5",  "FUNC_KEY_DESC6",
    "FUNC_KEY_DESC7", "FUNC_KEY_DESC8", "FUNC_KEY_DESC9", "FUNC_KEY_DESC10", "FUNC_KEY_DESC11",
};

constexpr const char *kMainWindowKeys[] = {
    "MAIN_CAPTION",          "MAIN_HELP_PROMPT",           "MAIN_MINIMIZE_PROMPT", "MAIN_MENU_PROMPT",
    "MAIN_CLOSE_PROMPT",     "MAIN_NO_DEVICE_PROMPT",      "MAIN_DEFAULT_MATRIX_PROMPT",
    "MAIN_PROMPT_DEFAULT",   "MAIN_PROMPT_INPORT",         "KEYBOARD_TRAY_DESC",   "PROFILE_1",
    "PROFILE_2",             "PROFILE_3",                  "PROFILE_OK",           "PROFILE_CANCLE",
    "PROFILE_APPLY",         "PROFILE_DEFAULT",            "PROFILE_MACRO",        "MENU_1",
    "MENU_2",                "MENU_11",                    "MENU_22",              "MENU_33",
};

constexpr const char *kAboutBoxKeys[] = {"LANG_ABOUT_TITLE", "LANG_ABOUT_OK", "GUANYU_BANQUAN", "GUANYU_JIESHAO"};

constexpr const char *kKeyboardViewKeys[] = {
    "KEY_PROMPT_SET", "KEY_PROMPT_SINGLE", "KEY_PROMPT_MACRO", "KEY_PROMPT_MEDIA", "KEY_PROMPT_FUNCTION",
};

constexpr const char *kProfileKeys[] = {
    kProfileFormatErrorText, "PROFILE_NEW",           "DEFAULT_PROFILE_NAME",
    "PROFILE_TIP",           "PROFILE_SELECT_PROMPT", "PROFILE_SEELCT_PROMPT2",
};

constexpr const char *kApplyKeys[] = {"EXTRA_MACRO_TOO_LONG", "EXTRA_PROFILE_SPACE_TIGHT"};

constexpr const char *kCompositeEditorKeys[] = {
    "A_TOP",                 "A_UP",                  "A_DOWN",
    "A_BOTTOM",              "A_DELETE",              "A_CLEAR",
    "A_RECORD",              "COMPOSITE_PROMPT_CLEAR", "COMPOSITE_PROMPT_OSK",
    "FUNCTION_KEY",          "FUNCTION_TISHI",        "IDS_MACRO_KB_KEY",
    "IDS_MACRO_MOU_KEY",     "KEY_SETTING_TISHI",     "MACRO_SETTING",
    "MACRO_NAME_SETTING",    "MACRO_CYCLES",          "MACRO_EDIT_TISHI",
    "MACRO_OK",              "MACRO_CANCLE",          "MEDIA_EDIT_TISHI",
    "MULTI_MEDIA",           "RECORD_DELAY",          "SINGLE_KEY",
    "SINGLE_STATIC",         "MACRO_KEYS_TISHI",      "MACRO_ACTION_TISHI",
    "MACRO_DELAY_MS",        "IDS_KEYBOARD_MOU_LEFT", "IDS_KEYBOARD_MOU_RIGHT",
    "IDS_KEYBOARD_MOU_MIDDLE", "IDS_KEYBOARD_ROLL_UP", "IDS_KEYBOARD_ROLL_DOWN",
};

constexpr const char *kMacroPageKeys[] = {
    "MACRO_NEW_PREFIX",           kMacroMaxText,        "MACRO_ACTION_RECORD",          "MACRO_ACTION_STOP_RECORD",
    kRecordDelayText,             "MACRO_ACTION_CLEAR_CONFIRM", kMacroDelayMaxText, "MACRO_DELETE_CONFIRM_OF_KEYS",
};

constexpr const char *kLightKeys[] = {"Light", "Speed", "FX", "DC", "Color", "JColor", "Tool", "Deng", "Usb"};

constexpr int kModeNumbers[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20};

bool sameName(const std::string &a, const std::string &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::span<const FormatText> formatTexts() { return kFormatTexts; }
std::span<const char *const> keyNameKeys() { return kKeyNameKeys; }
std::span<const char *const> functionDescriptionKeys() { return kFunctionDescriptionKeys; }
std::span<const char *const> mainWindowKeys() { return kMainWindowKeys; }
std::span<const char *const> aboutBoxKeys() { return kAboutBoxKeys; }
std::span<const char *const> keyboardViewKeys() { return kKeyboardViewKeys; }
std::span<const char *const> profileKeys() { return kProfileKeys; }
std::span<const char *const> applyKeys() { return kApplyKeys; }
std::span<const char *const> compositeEditorKeys() { return kCompositeEditorKeys; }
std::span<const char *const> macroPageKeys() { return kMacroPageKeys; }
std::span<const char *const> lightKeys() { return kLightKeys; }
std::span<const int> modeNumbers() { return kModeNumbers; }

std::vector<LanguageKey> requiredLanguageKeys() {
    std::vector<LanguageKey> all;
    auto add = [&all](const char *section, const std::string &key) {
        const bool known = std::any_of(all.begin(), all.end(), [&](const LanguageKey &k) {
            return sameName(k.section, section) && sameName(k.key, key);
        });
        if (!known) all.push_back({section, key});
    };
    for (auto group : {keyNameKeys(), functionDescriptionKeys(), mainWindowKeys(), aboutBoxKeys(),
                       keyboardViewKeys(), profileKeys(), applyKeys(), compositeEditorKeys(), macroPageKeys()})
        for (const char *key : group) add(kTextSection, key);
    for (const char *key : lightKeys()) add(kLightSection, key);
    for (int mode : modeNumbers()) add(kModeSection, std::to_string(mode));
    return all;
}

}  // namespace t44::shell
