#pragma once
// Drawing helpers of the default skin: the palette, key caps, buttons and icons.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace t44::tools {

// Looks a control can be drawn in; each state picture of a window shows every control
// in one of them.
enum class Look { Normal, Over, Down, Disabled, Checked };

namespace palette {
inline const QColor windowTop(0x1A, 0x1F, 0x28), windowBottom(0x10, 0x13, 0x19);
inline const QColor frame(0x2C, 0x34, 0x42);
inline const QColor panel(QRgb(0x171C24)), panelBorder(QRgb(0x262E3B)), well(QRgb(0x0E1116)), wellBorder(QRgb(0x2A3240));
inline const QColor caseTop(0x1C, 0x21, 0x2A), caseBottom(0x14, 0x18, 0x1F);
inline const QColor capTop(0x2A, 0x31, 0x3D), capBottom(0x22, 0x28, 0x32), capBorder(0x38, 0x41, 0x50);
inline const QColor text(0xE6, 0xEA, 0xF0), textDim(0x8A, 0x94, 0xA6), textFaint(0x55, 0x5E, 0x6E);
inline const QColor accent(0x2E, 0xE6, 0xC8), accentDeep(0x13, 0x8F, 0x86), violet(0x9B, 0x6B, 0xFF),
    pink(0xFF, 0x4F, 0x9A), amber(0xFF, 0xB0, 0x2E), danger(0xFF, 0x5A, 0x5F);
}  // namespace palette

QFont uiFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// A rounded control face: a soft vertical gradient with a 1-pixel rim, in the look's
// colours (over: lit rim; down: sunken; checked: accent; disabled: faded).
void drawFace(QPainter &p, const QRectF &r, Look look, qreal radius = 6, bool accentFill = false);
// A key cap with its legend.
void drawKeyCap(QPainter &p, const QRectF &r, Look look, const QString &legend, bool spare = false);
void drawLegend(QPainter &p, const QRectF &r, const QString &text, const QColor &colour, int pixelSize,
                QFont::Weight weight = QFont::DemiBold);
// A sunken field behind a list, edit box or combo box of the window.
void drawWell(QPainter &p, const QRectF &r, qreal radius = 6);
// A card that groups controls.
void drawPanel(QPainter &p, const QRectF &r, qreal radius = 10);
// The window's own backdrop (rounded, with a rim) of the given size.
void drawWindow(QPainter &p, const QRectF &r);
// The thin gradient line of the lighting theme.
void drawGlowLine(QPainter &p, const QRectF &r);

// Line icons, drawn into a square of side r.height() centred in r.
enum class Icon {
    Close, Minimize, Help, Menu, Check, Cross, Restore, Macro, Profile, Plus, Minus, Folder, Trash,
    Keyboard, Eraser, ToTop, Up, Down, ToBottom, Record, Globe, Chat, Share, Lock, Bulb, Media, Function,
    Key, Brush, Fill, Apply, Layers
};
void drawIcon(QPainter &p, const QRectF &r, Icon icon, const QColor &colour, qreal stroke = 1.8);

QColor lookText(Look look);

}  // namespace t44::tools
