#include "shell/SkinKeys.h"

#include <algorithm>

#include "shell/KeyboardPicture.h"

namespace t44::shell {
namespace {

using U = SkinUse;

void addAll(std::vector<SkinKey> &out, std::initializer_list<std::pair<const char *, int>> keys, SkinUse use,
            int set = -1) {
    for (const auto &[key, id] : keys) out.push_back({key, id, use, use == U::ImageButton ? set : -1});
}

WindowSkin makeMain() {
    WindowSkin w;
    w.window = SkinWindow::Main;
    w.iniFile = "Skins/Main.ini";
    w.screenKeys = {"Main", "Mask", "Link"};
    // Set 0 is what the buttons get from the skin; set 1 the highlighted look of the key
    // being edited; set 2 the Flip0 button's looks.
    w.pictureSets = {
        {"main", {"main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_normal.jpg", "main_disable.jpg"}},
        {"highlight", {"main_over.jpg", "main_over.jpg", "main_down.jpg", "main_normal.jpg", "main_over.jpg"}},
        {"flip", {"main_normal.jpg", "main_normal.jpg", "main_normal.jpg", "main_normal.jpg", "main_disable.jpg"}},
    };
    w.statePictures = {"main_normal.jpg", "main_over.jpg",   "main_down.jpg",  "main_disable.jpg",
                       "Arrow.jpg",       "main_color0.jpg", "main_color1.jpg"};
    addAll(w.buttonInfo,
           {{"VOLUTE_LINK", 1121},    {"FUNC_PROFILES", 1005}, {"FUNC_MACRO", 1007},    {"CONTROL_OK", 1},
            {"CONTROL_CANCEL", 2},    {"CONTROL_HELP", 1122},  {"CONTROL_CLOSE", 1124}, {"CONTROL_MINIMIZE", 1123},
            {"CONTROL_MENU", 1139},   {"CONTROL2_APPLY", 1006}, {"LOCK_CAPS", 1125},    {"LOCK_NUM", 1126},
            {"LOCK_SCROLL", 1127},    {"LOCK_AB", 1128},       {"FLIP_0", 1129},        {"FLIP_1", 1130},
            {"FLIP_2", 1131},         {"VOLUTE_VER", 1134},    {"FUNC_PROFILE1", 1135}, {"FUNC_PROFILE2", 1136},
            {"FUNC_PROFILE3", 1137},  {"FUNC_DEFAULT", 1138},  {"FUNC_REPORT1", 1147},  {"FUNC_REPORT2", 1168},
            {"FUNC_REPORT3", 1169},   {"FUNC_REPORT4", 1170},  {"KEY_FN", kFnControlId}},
           U::ImageButton, 0);
    for (const KeyButton &k : KeyButtonTable) w.buttonInfo.push_back({KeyButtonSkinKey(k.keyCode), k.controlId, U::ImageButton, 0});
    for (size_t g = 0; g < GKeyControlIds.size(); ++g)
        w.buttonInfo.push_back({GKeySkinKey(static_cast<int>(g)), GKeyControlIds[g], U::ImageButton, 0});
    addAll(w.buttonInfo,
           {{"COLOR_R", 1208},
            {"COLOR_G", 1209},
            {"COLOR_B", 1210},
            {"CONTROL_UsbStatic", 1204},
            {"CONTROL_DengStatic", 1171},
            {"CONTROL_DengStaPic", 1167},
            {"CONTROL_XGcombox", 1146},
            {"CONTROL_JDTStatic", 1177},
            {"CONTROL_LightStatic", 1172},
            {"CONTROL_LightSlider", 1178},
            {"CONTROL_SpeedStatic", 1166},
            {"CONTROL_SpeedSlider", 1179},
            {"CONTROL_BLFXStatic", 1148},
            {"CONTROL_BLFXLStaPic", 1149},
            {"CONTROL_BLFXRStaPic", 1150},
            {"CONTROL_FYYSStatic", 1151},
            {"CONTROL_FYYSButton", 1152},
            {"CONTROL_FYSJSStaPic", 1175},
            {"CONTROL_FYSJSStatic", 1176},
            {"CONTROL_HONGPIC", 1194},
            {"CONTROL_HUANGPIC", 1195},
            {"CONTROL_LVPIC", 1196},
            {"CONTROL_LANPIC", 1197},
            {"CONTROL_HXysStatic", 1154},
            {"CONTROL_HXysButton", 1155},
            {"CONTROL_HXsjsStatic", 1173},
            {"CONTROL_HXsjsStaPic", 1156},
            {"CONTROL_USERysStatic", 1159},
            {"CONTROL_USERysButton", 1160},
            {"CONTROL_USERjsStatic", 1161},
            {"CONTROL_USERjsButton", 1162},
            {"CONTROL_USERgjStatic", 1163},
            {"CONTROL_USERgjStaPic1", 1164},
            {"CONTROL_USERgjStaPic2", 1165},
            {"CONTROL_umCombo", 1198},
            {"CONTROL_Network", 1219},
            {"CONTROL_Facebook", 1220},
            {"CONTROL_twitter", 1221}},
           U::Control);
    // The direction controls' alternative places (effects 1-3 and effect 12).
    addAll(w.buttonInfo,
           {{"CONTROL_BLFXStatic2", 1148},
            {"CONTROL_BLFXLStaPic2", 1149},
            {"CONTROL_BLFXRStaPic2", 1150},
            {"CONTROL_BLFXStatic3", 1148},
            {"CONTROL_BLFXLStaPic3", 1149},
            {"CONTROL_BLFXRStaPic3", 1150}},
           U::ControlKeepSize);
    addAll(w.buttonInfo, {{"LEFT_ARROW", 0}, {"RIGHT_ARROW", 0}}, U::PictureOffset);
    w.buttonInfo2 = {"UP_ARROW_LEFT1", "UP_ARROW_RIGHT1", "DOWN_ARROW_LEFT1", "DOWN_ARROW_RIGHT1"};
    return w;
}

WindowSkin makeComposite() {
    WindowSkin w;
    w.window = SkinWindow::Composite;
    w.iniFile = "Skins/Composite.ini";
    w.screenKeys = {"Main", "Mask"};
    // One set per editor page; the editor has no assigned marks, so the checked look is
    // the normal one.
    auto set = [](const std::string &n, bool ownDisabled) {
        const std::string d = ownDisabled ? n + "_disable.jpg" : n + "_normal.jpg";
        return SkinPictureSet{n, {n + "_normal.jpg", n + "_over.jpg", n + "_down.jpg", d, n + "_normal.jpg"}};
    };
    w.pictureSets = {set("key", false), set("macro", true), set("macro2", true), set("media", false),
                     set("function", false)};
    for (const auto &s : w.pictureSets)
        for (const auto &f : s.files)
            if (std::find(w.statePictures.begin(), w.statePictures.end(), f) == w.statePictures.end())
                w.statePictures.push_back(f);
    addAll(w.buttonInfo,
           {{"CONTROL_MASK", 1033},
            {"CONTROL_TITLE", 1131},
            {"CONTROL_OSK", 1132},
            {"CONTROL_CLEAR", 1032},
            {"CONTROL_MEDIA", 1030},
            {"CONTROL_MACRO", 1029},
            {"CONTROL_KEY", 1028},
            {"CONTROL_FUNCTION", 1031},
            {"CONTROL_OK", 1},
            {"CONTROL_CANCEL", 2}},
           U::ImageButton, 0);
    addAll(w.buttonInfo,
           {{"FUNC_MACRO_DELETE", 1018},
            {"FUNC_MACRO_ADD", 1017},
            {"FUNC_MACRO_UP_TOP", 1023},
            {"FUNC_MACRO_UP", 1024},
            {"FUNC_MACRO_DOWN", 1025},
            {"FUNC_MACRO_DOWN_BOTTOM", 1026},
            {"FUNC_MACRO_DELETE2", 1021},
            {"FUNC_MACRO_CLEAR", 1022},
            {"FUNC_MACRO_RECORD", 1020}},
           U::ImageButton, 1);
    addAll(w.buttonInfo,
           {{"FUNC_MACRO_RECORD_DELAY", 1027},
            {"FUNC_MACRO_LIST2", 1019},
            {"FUNC_MACRO_CYCLES", 1125},
            {"FUNC_MACRO_CYCLES_PROMPT", 1130},
            {"TISHI_SINGLE_STATIC", 1201},
            {"MARCO_NAME_SETTING", 1200},
            {"KEY_SETTING", 1199},
            {"MEDIA_SETTING_TISHI", 1202},
            {"FUNCTION_KEY_SETTING_TISHI", 1203},
            {"FUNC_MACRO_RECORD_DELAY2", 1133},
            {"FUNC_KEY_INPUT", 1127},
            {"FUNC_MEDIA_SELECT", 1128},
            {"FUNC_MACRO_LIST", 1126},
            {"FUNC_FUNCTION_SELECT", 1129},
            {"FUNC_KEY_RADIO_KB", 1185},
            {"FUNC_KEY_RADIO_KB_STATIC", 1134},
            {"FUNC_KEY_RADIO_MOU", 1186},
            {"FUNC_KEY_RADIO_MOU_STATIC", 1135},
            {"FUNC_KEY_COMBO_MOU", 1187}},
           U::Control);
    return w;
}

WindowSkin makeProfile() {
    WindowSkin w;
    w.window = SkinWindow::Profile;
    w.iniFile = "Skins/Profile.ini";
    w.screenKeys = {"Main", "Mask"};
    w.pictureSets = {{"profile",
                      {"Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg", "Profile_down.jpg",
                       "Profile_normal.jpg"}}};
    w.statePictures = {"Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg"};
    addAll(w.buttonInfo,
           {{"CONTROL_OK", 1},
            {"CONTROL_CANCEL", 2},
            {"FUNC_ADD", 1010},
            {"FUNC_LOAD", 1008},
            {"FUNC_DELETE", 1011},
            {"CONTROL2_APPLY", 1012}},
           U::ImageButton, 0);
    addAll(w.buttonInfo, {{"PROGRAM_LIST", 1007}}, U::Control);
    return w;
}

}  // namespace

const SkinKey *WindowSkin::find(const std::string &key) const {
    for (const SkinKey &k : buttonInfo)
        if (k.key == key) return &k;
    return nullptr;
}

int WindowSkin::pictureSetIndex(const std::string &name) const {
    for (size_t i = 0; i < pictureSets.size(); ++i)
        if (pictureSets[i].name == name) return static_cast<int>(i);
    return -1;
}

const WindowSkin &MainWindowSkin() {
    static const WindowSkin w = makeMain();
    return w;
}

const WindowSkin &CompositeSkin() {
    static const WindowSkin w = makeComposite();
    return w;
}

const WindowSkin &ProfileSkin() {
    static const WindowSkin w = makeProfile();
    return w;
}

const std::vector<const WindowSkin *> &AllWindowSkins() {
    static const std::vector<const WindowSkin *> all = {&MainWindowSkin(), &CompositeSkin(), &ProfileSkin()};
    return all;
}

const std::vector<std::string> &LightingPictures() {
    static const std::vector<std::string> pictures = {
        "dengup.bmp", "dengdown.bmp",                                        // lighting view off / on
        "leftup.bmp", "leftdown.bmp", "rightup.bmp", "rightdown.bmp",        // direction left / right
        "upup.bmp", "updown.bmp", "downup.bmp", "downdown.bmp",              // direction up / down
        "kuosan.bmp", "kuosandown.bmp", "julong.bmp", "julongdown.bmp",      // spread / converge
        "hong.bmp", "hongok.bmp", "huang.bmp", "huangok.bmp",                // colour choice
        "lv.bmp", "lvok.bmp", "lan.bmp", "lanok.bmp",
        "sjsup.bmp", "sjsdown.bmp",                                          // colourful off / on
        "user1up.bmp", "user1down.bmp", "user2up.bmp", "user2down.bmp",      // paint tools
    };
    return pictures;
}

std::vector<std::string> SliderFacePictures() {
    std::vector<std::string> out;
    for (int k = 0; k < kSliderFaceCount; ++k) out.push_back(std::to_string(k) + ".bmp");
    return out;
}

std::vector<std::string> ProgressPictures() {
    std::vector<std::string> out;
    for (int k = 1; k <= kProgressFrameCount; ++k) out.push_back("jdt" + std::to_string(k) + ".bmp");
    return out;
}

const std::array<std::string, 4> &WebButtonPictures() {
    static const std::array<std::string, 4> pictures = {"web_normal.png", "web_over.png", "web_down.png",
                                                        "web_disable.png"};
    return pictures;
}

std::string TrayIconPicture(int iconId) { return "icon" + std::to_string(iconId) + ".png"; }

std::vector<std::string> AllSkinFiles() {
    std::vector<std::string> out;
    auto add = [&](const std::string &f) {
        if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    };
    for (const WindowSkin *w : AllWindowSkins()) {
        add(w->iniFile.substr(w->iniFile.find('/') + 1));
        for (const auto &f : w->statePictures) add(f);
    }
    for (const auto &f : LightingPictures()) add(f);
    for (const auto &f : SliderFacePictures()) add(f);
    for (const auto &f : ProgressPictures()) add(f);
    for (const auto &f : WebButtonPictures()) add(f);
    add(kWebButtonShape);
    for (int id : TrayIconIds) add(TrayIconPicture(id));
    return out;
}

}  // namespace t44::shell
