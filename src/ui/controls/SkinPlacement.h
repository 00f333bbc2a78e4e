#pragma once
// Placing a window's controls from its skin file (section BUTTONINFO unless named).
// Rectangles come from the skin as they stand, with one guard: a width or height below 0
// counts as 0 and every number is kept within ±32767, so a damaged skin file cannot ask
// for an absurd widget.

#include <QImage>
#include <QWidget>
#include <string_view>

#include "shell/SkinRect.h"
#include "ui/controls/PngButton.h"
#include "ui/controls/SkinImages.h"

namespace t44::ui {

// The skin rectangle as a widget geometry.
QRect GeometryOf(const shell::SkinRect &r);

// Moves the button to its rectangle, gives it the five pictures and the source offset
// (x, y), and disables it when it stands at (1, 1). Returns the rectangle read.
shell::SkinRect PlaceImageButton(CPngButton &button, const shell::SkinFile &skin, std::string_view section,
                                 std::string_view key, const ButtonPictures &pictures);
// Moves and sizes the control; nothing else.
shell::SkinRect PlaceControl(QWidget &control, const shell::SkinFile &skin, std::string_view section,
                             std::string_view key);
// Moves the control to the rectangle's corner keeping its size, and repaints it.
shell::SkinRect PlaceControlKeepSize(QWidget &control, const shell::SkinFile &skin, std::string_view section,
                                     std::string_view key);
// Places the button with the first key and gives it one picture for all its looks, cut
// at the x and y of the second key.
shell::SkinRect PlaceWithPictureOffset(CPngButton &button, const shell::SkinFile &skin, std::string_view section,
                                       std::string_view key, std::string_view section2, std::string_view key2,
                                       const QImage &picture);

}  // namespace t44::ui
