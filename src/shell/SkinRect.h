#pragma once
// Skin layout files. Every window takes the position and size of its controls from an
// INI file in the "Skins" folder: section BUTTONINFO holds one key per control whose value
// is "x,y,w,h" (client coordinates of the control's top-left corner, then its size, read
// as "%d,%d,%d,%d"; anything after the fourth number is ignored). A missing key reads as
// "1,1,1,1,x", and an image button placed at (1, 1) is disabled, which is how a skin
// leaves a control out. Section SCREEN names the background and shape pictures.

#include <string>
#include <string_view>

#include "storage/IniFile.h"

namespace t44::shell {

inline constexpr const char *kScreenSection = "SCREEN";
inline constexpr const char *kButtonInfoSection = "BUTTONINFO";
inline constexpr const char *kButtonInfo2Section = "BUTTONINFO2";
inline constexpr const char *kDefaultSkinRect = "1,1,1,1,x";

// A control's place from the skin file.
struct SkinRect {
    int x = 1, y = 1, width = 1, height = 1;

    // The (1, 1) rule: an image button at (1, 1) is taken out of use.
    bool disablesButton() const { return x == 1 && y == 1; }
    bool operator==(const SkinRect &) const = default;
};

// Reads "x,y,w,h" the way "%d,%d,%d,%d" does: white space may precede each number, the
// commas must follow the numbers directly, reading stops at the first thing that does not
// fit, and whatever follows the fourth number is ignored. Numbers that were not read keep
// their default of 1; a number too large for an int stops the reading there as well.
SkinRect parseSkinRect(std::string_view text);

// One skin INI file, read once. Values are cut to 2047 characters as the skin reader of
// the dialogs does.
class SkinFile {
public:
    SkinFile() = default;
    // Reads the file; a missing file reads as an empty one (every key at its default).
    explicit SkinFile(const std::string &path);
    bool load(const std::string &path);

    const std::string &path() const { return path_; }
    // The folder of the skin file, with a trailing '/'.
    std::string folder() const;
    bool loaded() const { return loaded_; }

    // The value of a key, or `fallback` when the key is missing.
    std::string value(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    // The rectangle of a key; the default rectangle when the key is missing.
    SkinRect rect(std::string_view section, std::string_view key) const;
    SkinRect rect(std::string_view key) const { return rect(kButtonInfoSection, key); }

private:
    std::string path_;
    storage::CIniFile ini_;
    bool loaded_ = false;
};

inline constexpr size_t kSkinValueMax = 2047;

// A skin picture that a window cannot do without (a state picture, the background or the
// mask) could not be loaded: the program ends at once with exit code 0, after one line
// on stderr naming the file. No destructors run, so a half-built window is never used.
[[noreturn]] void EndForMissingSkinPicture(const std::string &path);

}  // namespace t44::shell
