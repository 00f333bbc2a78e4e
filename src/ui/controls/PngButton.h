#pragma once
// CPngButton: a push button that draws a button-sized piece of one of five full-window
// state pictures, taken one pixel left of and above its source offset (the offset is the
// place the skin gives the button). It can carry a caption drawn in its own font and
// colours (optionally rotated), a tooltip, an assigned mark (the checked look) and a
// tint, drawn as a 2-pixel outline in place of the picture. In PNG mode it draws one of
// four pictures at their natural size and may take the shape of a mask picture.

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <array>
#include <cstdint>
#include <functional>

#include "ui/controls/SkinImages.h"

namespace t44::ui {

// Text flags of the caption format (the window library's values).
namespace CaptionFormat {
inline constexpr unsigned Left = 0x00, Center = 0x01, Right = 0x02, VCenter = 0x04, Bottom = 0x08,
                          WordBreak = 0x10, SingleLine = 0x20;
inline constexpr unsigned Default = Center | VCenter | SingleLine;  // 37
}  // namespace CaptionFormat

// A rectangle with exclusive right and bottom edges, as the caption maths uses it.
struct CaptionRect {
    int left, top, right, bottom;
    bool operator==(const CaptionRect &) const = default;
};
// Centres a rotated caption: with a = escapement (tenths of a degree) in radians, (cx, cy)
// the text's extent and W, H the rectangle's size, w = trunc(cos a·cx), h = trunc(sin a·cx);
// when w < W the left edge moves to left + (W − w) / 2 − trunc(sin a·cy·0.5); when h < H
// the bottom edge moves to bottom − (H − h) / 2 − trunc(cos a·cy·(−0.5)).
CaptionRect RotatedCaptionRect(CaptionRect r, int escapement, int cx, int cy);

// A colour stored as red + green·256 + blue·65536.
inline QColor ColourFromRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

class CPngButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Look { Normal, Over, Pressed, Disabled, Marked };
    // Called after every draw with whether the normal picture was chosen.
    using StateCallback = std::function<void(CPngButton *, bool usedNormal)>;

    explicit CPngButton(QWidget *parent = nullptr);

    void SetPictures(const QImage &normal, const QImage &over, const QImage &pressed, const QImage &disabled,
                     const QImage &marked, bool redraw = true);
    void SetPictures(const ButtonPictures &p, bool redraw = true) {
        SetPictures(p.normal, p.over, p.down, p.disabled, p.checked, redraw);
    }
    void SetPicturesAndOffset(int x, int y, const ButtonPictures &p, bool redraw = true);
    void SetSourceOffset(int x, int y, bool redraw = true);
    void SetAssignedMark(bool on, bool redraw = true);
    // Switching the tint on with a percentage above 100 keeps 100; always redraws.
    void SetTint(uint32_t colour, int percent, bool on);
    void SetCaptionStyle(bool on, int pointSize, const QString &face, const std::array<uint32_t, 5> &colours,
                         unsigned format = CaptionFormat::Default);
    void SetCaptionOffsets(int left, int right, int top, int bottom);
    void SetCaptionRotation(int escapement, bool on);
    // An empty text changes nothing (the old text stays).
    void SetButtonTooltip(const QString &text, bool active);
    void SetPngPictures(const QImage &normal, const QImage &over, const QImage &pressed, const QImage &disabled);
    // Flag 1 switches PNG mode on and shapes the button by the mask's non-white pixels;
    // flag 0 switches it off and gives the button its rectangle back.
    void SetPngShape(const QImage &shape, int flag);
    void SetStateCallback(StateCallback callback) { callback_ = std::move(callback); }

    // The look the next draw takes, by the first rule that holds: disabled, pressed,
    // pointer over it, assigned mark, otherwise normal.
    Look currentLook() const;
    QPoint sourceOffset() const { return offset_; }
    bool assignedMark() const { return marked_; }
    bool hovered() const { return hover_; }
    bool tintOn() const { return tintOn_; }
    int tintPercent() const { return tintPercent_; }
    QString buttonTooltip() const { return tipText_; }
    bool tooltipActive() const { return tipActive_; }
    bool pngMode() const { return pngMode_; }
    // The picture and text colour a look draws with.
    const QImage &pictureFor(Look look) const;
    QColor captionColour(Look look) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    QSize sizeHint() const override { return size(); }

private:
    void drawCaption(QPainter &p, Look look);

    std::array<QImage, 5> pictures_;  // by Look
    std::array<QImage, 4> png_;       // normal, over, pressed, disabled
    QPoint offset_{0, 0};
    bool marked_ = false;
    uint32_t tintColour_ = 0;
    int tintPercent_ = 0;
    bool tintOn_ = false;
    bool captionOn_ = false;
    int captionPoints_ = 8;
    QString captionFace_ = QStringLiteral("Tahoma Unicode MS");
    std::array<uint32_t, 5> captionColours_{};
    unsigned captionFormat_ = CaptionFormat::Default;
    int captionLeft_ = 0, captionRight_ = 0, captionTop_ = 0, captionBottom_ = 0;
    int escapement_ = 0;
    bool rotationOn_ = false;
    bool pngMode_ = false;
    QString tipText_;
    bool tipActive_ = false;
    bool hover_ = false;
    QImage lastDrawn_;  // what the button showed last, kept inside the tint outline
    StateCallback callback_;
};

}  // namespace t44::ui
