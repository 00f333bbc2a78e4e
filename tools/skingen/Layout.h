#pragma once
// The default skin's layout: where each control of the three windows sits and how its
// looks are drawn.

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "Paint.h"

namespace t44::tools {

enum class Kind {
    KeyCap,      // a key of the keyboard picture, legend on the cap
    SpareKey,    // a G key that stays disabled: a faded cap
    IconButton,  // a square button with a line icon
    CaptionPill, // a button whose caption the window draws; the picture is the face only
    AccentPill,  // the same in the accent colour (Apply)
    TextButton,  // a face with a label (and an icon) drawn into the picture
    Segment,     // a choice among several (profiles, report rates): checked is lit
    NamePlate,   // the profile-name button with its slanted stripes
    Brand,       // the product mark
    Blank,       // a control that shows the backdrop only
    Indicator,   // a lock indicator: a dim LED that is lit when checked
    PageButton,  // an editor page button: icon at the left, caption by the window
    Title,       // the editor's title plate
    PageMask,    // the editor's large page picture
};

struct Item {
    std::string key;
    QRect rect;
    Kind kind;
    QString label;
    Icon icon = Icon::Check;
};

struct WindowLayout {
    QSize size;
    std::vector<Item> buttons;                            // image buttons
    std::vector<std::pair<std::string, QRect>> places;    // controls placed only
    std::vector<std::pair<std::string, QRect>> offsets;   // section BUTTONINFO2
    // Draws everything but the image buttons; `variant` names the picture family.
    std::function<void(QPainter &, const WindowLayout &, const std::string &variant)> backdrop;
    // Draws one image button's look in a picture family.
    std::function<void(QPainter &, const WindowLayout &, const Item &, Look, const std::string &variant)> look;
};

WindowLayout mainLayout();
WindowLayout compositeLayout();
WindowLayout profileLayout();

// Draws a button of one of the common kinds.
void drawItem(QPainter &p, const Item &item, Look look);

}  // namespace t44::tools
