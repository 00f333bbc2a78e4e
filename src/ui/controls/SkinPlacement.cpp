#include "ui/controls/SkinPlacement.h"

#include <algorithm>

namespace t44::ui {
namespace {

constexpr int kLimit = 32767;

int within(int v, int lo) { return std::clamp(v, lo, kLimit); }

}  // namespace

QRect GeometryOf(const shell::SkinRect &r) {
    return QRect(within(r.x, -kLimit), within(r.y, -kLimit), within(r.width, 0), within(r.height, 0));
}

shell::SkinRect PlaceImageButton(CPngButton &button, const shell::SkinFile &skin, std::string_view section,
                                 std::string_view key, const ButtonPictures &pictures) {
    const shell::SkinRect r = skin.rect(section, key);
    const QRect g = GeometryOf(r);
    button.setGeometry(g);
    button.SetPicturesAndOffset(g.x(), g.y(), pictures, false);
    if (r.disablesButton()) button.setEnabled(false);
    return r;
}

shell::SkinRect PlaceControl(QWidget &control, const shell::SkinFile &skin, std::string_view section,
                             std::string_view key) {
    const shell::SkinRect r = skin.rect(section, key);
    control.setGeometry(GeometryOf(r));
    return r;
}

shell::SkinRect PlaceControlKeepSize(QWidget &control, const shell::SkinFile &skin, std::string_view section,
                                     std::string_view key) {
    const shell::SkinRect r = skin.rect(section, key);
    control.move(GeometryOf(r).topLeft());
    control.update();
    return r;
}

shell::SkinRect PlaceWithPictureOffset(CPngButton &button, const shell::SkinFile &skin, std::string_view section,
                                       std::string_view key, std::string_view section2, std::string_view key2,
                                       const QImage &picture) {
    const shell::SkinRect r = PlaceControl(button, skin, section, key);
    const QRect offset = GeometryOf(skin.rect(section2, key2));
    button.SetPicturesAndOffset(offset.x(), offset.y(), {picture, picture, picture, picture, picture}, true);
    return r;
}

}  // namespace t44::ui
