#pragma once
// What each skinned window reads from its skin: the keys of its INI file and the pictures
// it loads. The windows place their controls from these lists, the default skin
// generator writes a value for every key and draws every picture named here, and the
// tests check the shipped skin against them, so a key exists in exactly one place.

#include <array>
#include <string>
#include <vector>

namespace t44::shell {

// How a window uses a key of section BUTTONINFO.
enum class SkinUse {
    ImageButton,      // PlaceImageButton: rectangle, five pictures, source offset
    Control,          // PlaceControl: rectangle only
    ControlKeepSize,  // PlaceControlKeepSize: position only (alternative places)
    PictureOffset,    // PlaceWithPictureOffset: rectangle, offset from BUTTONINFO2
};

struct SkinKey {
    std::string key;
    int controlId;  // the window's control, 0 where the control has no id
    SkinUse use;
    // Index into the window's picture sets of the set the control is placed with (image
    // buttons only; -1 otherwise).
    int pictureSet = -1;
};

// The five pictures an image button is given, in this order: normal, over, down,
// disabled, checked (a set may name one file in several roles).
struct SkinPictureSet {
    std::string name;
    std::array<std::string, 5> files;
};

enum class SkinWindow { Main, Composite, Profile };

struct WindowSkin {
    SkinWindow window;
    std::string iniFile;                   // relative to the data folder, "Skins/Main.ini"
    std::vector<std::string> screenKeys;   // section SCREEN
    std::vector<SkinKey> buttonInfo;       // section BUTTONINFO
    std::vector<std::string> buttonInfo2;  // section BUTTONINFO2 (offsets: x and y only)
    std::vector<SkinPictureSet> pictureSets;
    // Every state picture file the window loads as one set; a missing one ends the program.
    std::vector<std::string> statePictures;

    const SkinKey *find(const std::string &key) const;
    int pictureSetIndex(const std::string &name) const;
};

const WindowSkin &MainWindowSkin();
const WindowSkin &CompositeSkin();
const WindowSkin &ProfileSkin();
const std::vector<const WindowSkin *> &AllWindowSkins();

// Pictures of the main window's lighting panel (bitmaps in the skin folder; a missing one
// shows as an empty picture), its slider faces "0.bmp".."25.bmp" and the apply progress
// frames "jdt1.bmp".."jdt10.bmp".
const std::vector<std::string> &LightingPictures();
std::vector<std::string> SliderFacePictures();
std::vector<std::string> ProgressPictures();
inline constexpr int kSliderFaceCount = 26;
inline constexpr int kProgressFrameCount = 10;

// The web-site button's four state pictures (normal, over, down, disabled) and its shape.
const std::array<std::string, 4> &WebButtonPictures();
inline constexpr const char *kWebButtonShape = "logo_mask.bmp";

// The notification-area icons: 128 keyboard absent, 141 present, 142 temporary.
inline constexpr std::array<int, 3> TrayIconIds = {128, 141, 142};
std::string TrayIconPicture(int iconId);  // "icon128.png"

// Every file of the skin folder that the program reads (INI files included), relative
// to the skin folder.
std::vector<std::string> AllSkinFiles();

}  // namespace t44::shell
