#pragma once
// Pictures of the skin on the window side: loading (a picture a window cannot do without
// ends the program when it is missing), the picture sets the windows cut their buttons
// from, and the window shape from a mask picture.

#include <QImage>
#include <QRegion>
#include <QString>
#include <map>
#include <string>
#include <vector>

#include "shell/SkinKeys.h"

namespace t44::ui {

// Loads a picture; a null image when the file is missing or cannot be decoded.
QImage LoadSkinPicture(const QString &path);
// Loads a picture the window cannot do without; ends the program (exit code 0, one line
// on stderr naming the file) when it cannot be loaded.
QImage LoadSkinPictureOrEnd(const QString &path);

// The region of a mask picture's pixels that are not the transparent colour (white by
// default, tolerance 0): the shape of a skinned window or button. Empty for a null image.
QRegion RegionFromMask(const QImage &mask, QRgb transparent = qRgb(255, 255, 255), int tolerance = 0);

// The five pictures of an image button: normal, over, down, disabled, checked.
struct ButtonPictures {
    QImage normal, over, down, disabled, checked;
};

// The state pictures of one window, loaded together from the skin folder.
class SkinPictureSet {
public:
    // Loads every file; ends the program when one cannot be loaded.
    void Load(const QString &folder, const std::vector<std::string> &files);
    // Loads the state pictures of a window from the skin folder.
    void Load(const QString &folder, const shell::WindowSkin &window) { Load(folder, window.statePictures); }
    bool loaded() const { return !pictures_.empty(); }
    // A null image for a file that is not part of the set.
    QImage picture(const std::string &file) const;
    ButtonPictures buttonPictures(const shell::SkinPictureSet &set) const;
    void clear() { pictures_.clear(); }

private:
    std::map<std::string, QImage> pictures_;
};

// The folder of the shipped skin: "Skins/" in the data folder of the program.
QString SkinFolder();
// The full path of a window's skin file.
QString SkinFilePath(const shell::WindowSkin &window);

}  // namespace t44::ui
