#pragma once
// The light file of one profile ("UserDengColor_N.userd" in the profile folder): the ten
// user modes of the user-defined effect with their names, per-key colours, paint tool and
// colours, and which mode is in use. An INI file:
//
//   [PRESENTMODE]  mode=<user mode in use, 0..9>                       default 0
//   [MODENAME]     0..9=<display name>                                 default "0"
//   [Mode<m>]      <position 0..125>=<red>,<green>,<blue>,<followsBase> default 255,0,0,1
//                  tool=<paint tool>                                   default 0
//                  jcolor=<base colour red,green,blue>                 default 0,0,0
//                  color=<paint colour red,green,blue>                 default 0,0,0
//
// Reads come from the copy loaded at construction; edits change that copy and save()
// writes the file whole.

#include <string>

#include "model/LightData.h"
#include "storage/IniFile.h"

namespace t44::model {

inline constexpr int kUserModes = 10;

struct UserKeyColour {
    Colour colour = kRed;
    bool followsBase = true;
};

class UserColourFile {
public:
    // "UserDengColor_<profile>.userd" in the per-user profile folder.
    static std::string pathFor(int profile);
    // The shipped template, "Skins/UserDengColor_3.userd" among the program's data.
    static std::string templatePath();
    // Replaces the profile's light file with a byte-for-byte copy of the template; false
    // (and the file left as it was) when the template cannot be read or the copy written.
    static bool restoreTemplate(int profile);

    explicit UserColourFile(std::string path);
    const std::string &path() const { return path_; }

    // The user mode in use; a stored value outside 0..9 reads as 0.
    int presentMode() const;
    std::string modeName(int mode) const;
    UserKeyColour key(int mode, int position) const;
    int tool(int mode) const;  // as stored: 0 pen, 1 base colour, anything else neither
    Colour baseColour(int mode) const;
    Colour paintColour(int mode) const;

    void setPresentMode(int mode);
    void setModeName(int mode, const std::string &name);
    void setKey(int mode, int position, UserKeyColour value);
    void setToolAndColours(int mode, int tool, Colour base, Colour paint);

    // Writes the file whole, creating the profile folder when needed.
    bool save() const;

private:
    std::string value(const std::string &section, const std::string &key, const char *fallback) const;

    std::string path_;
    storage::CIniFile ini_;
};

// "%d,%d,%d" and "%d,%d,%d,%d" as the light files store them. Numbers that do not parse
// read as 0 and components are kept within 0..255.
std::string formatColour(Colour c);
Colour parseColour(const std::string &text);
std::string formatKeyColour(UserKeyColour value);
UserKeyColour parseKeyColour(const std::string &text);

}  // namespace t44::model
