#include "ui/controls/PngButton.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace t44::ui {

CaptionRect RotatedCaptionRect(CaptionRect r, int escapement, int cx, int cy) {
    const double a = escapement / 10.0 * 3.1415927 / 180.0;
    const int W = r.right - r.left, H = r.bottom - r.top;
    const int w = static_cast<int>(std::cos(a) * cx);
    const int h = static_cast<int>(std::sin(a) * cx);
    if (w < W) r.left = r.left + (W - w) / 2 - static_cast<int>(std::sin(a) * cy * 0.5);
    if (h < H) r.bottom = r.bottom - (H - h) / 2 - static_cast<int>(std::cos(a) * cy * -0.5);
    return r;
}

CPngButton::CPngButton(QWidget *parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void CPngButton::SetPictures(const QImage &normal, const QImage &over, const QImage &pressed, const QImage &disabled,
                             const QImage &marked, bool redraw) {
    pictures_ = {normal, over, pressed, disabled, marked};
    hover_ = false;
    setDown(false);
    if (redraw) update();
}

void CPngButton::SetPicturesAndOffset(int x, int y, const ButtonPictures &p, bool redraw) {
    offset_ = {x, y};
    SetPictures(p, redraw);
}

void CPngButton::SetSourceOffset(int x, int y, bool redraw) {
    offset_ = {x, y};
    if (redraw) update();
}

void CPngButton::SetAssignedMark(bool on, bool redraw) {
    marked_ = on;
    if (redraw) update();
}

void CPngButton::SetTint(uint32_t colour, int percent, bool on) {
    tintColour_ = colour;
    tintPercent_ = on ? std::min(percent, 100) : percent;
    tintOn_ = on;
    update();
}

void CPngButton::SetCaptionStyle(bool on, int pointSize, const QString &face, const std::array<uint32_t, 5> &colours,
                                 unsigned format) {
    captionOn_ = on;
    captionPoints_ = pointSize;
    captionFace_ = face;
    captionColours_ = colours;
    captionFormat_ = format;
    update();
}

void CPngButton::SetCaptionOffsets(int left, int right, int top, int bottom) {
    captionLeft_ = left;
    captionRight_ = right;
    captionTop_ = top;
    captionBottom_ = bottom;
    update();
}

void CPngButton::SetCaptionRotation(int escapement, bool on) {
    escapement_ = escapement;
    rotationOn_ = on;
    update();
}

void CPngButton::SetButtonTooltip(const QString &text, bool active) {
    if (text.isEmpty()) return;
    tipText_ = text;
    tipActive_ = active;
    setToolTip(active ? text : QString());
}

void CPngButton::SetPngPictures(const QImage &normal, const QImage &over, const QImage &pressed,
                                const QImage &disabled) {
    png_ = {normal, over, pressed, disabled};
    update();
}

void CPngButton::SetPngShape(const QImage &shape, int flag) {
    pngMode_ = flag != 0;
    if (flag == 1) {
        const QRegion region = RegionFromMask(shape);
        if (region.isEmpty()) clearMask();
        else setMask(region);
    } else {
        clearMask();
    }
    update();
}

CPngButton::Look CPngButton::currentLook() const {
    if (!isEnabled()) return Look::Disabled;
    if (isDown()) return Look::Pressed;
    if (hover_) return Look::Over;
    if (marked_) return Look::Marked;
    return Look::Normal;
}

const QImage &CPngButton::pictureFor(Look look) const {
    if (pngMode_) {
        // PNG mode has no marked picture of its own: the disabled one stands in.
        switch (look) {
        case Look::Normal: return png_[0];
        case Look::Over: return png_[1];
        case Look::Pressed: return png_[2];
        case Look::Disabled:
        case Look::Marked: return png_[3];
        }
    }
    return pictures_[static_cast<size_t>(look)];
}

QColor CPngButton::captionColour(Look look) const {
    // Colours are kept in the order normal, over, pressed, disabled, marked, as Look is.
    return ColourFromRef(captionColours_[static_cast<size_t>(look)]);
}

void CPngButton::paintEvent(QPaintEvent *) {
    const Look look = currentLook();
    QPainter p(this);
    if (tintOn_) {
        // Only the outline is drawn; inside it the button keeps what it showed before.
        if (!lastDrawn_.isNull()) p.drawImage(0, 0, lastDrawn_);
        QPen pen(ColourFromRef(tintColour_), 2);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1, 1, width() - 2, height() - 2));
    } else if (width() > 0 && height() > 0) {
        // The look is composed off-screen and kept, so a later tint can leave it inside
        // its outline.
        const QImage &picture = pictureFor(look);
        lastDrawn_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        lastDrawn_.fill(Qt::transparent);
        QPainter q(&lastDrawn_);
        if (pngMode_) {
            q.setRenderHint(QPainter::Antialiasing);
            q.setRenderHint(QPainter::SmoothPixmapTransform);
            if (!picture.isNull()) q.drawImage(0, 0, picture);
        } else if (!picture.isNull()) {
            q.drawImage(QPoint(0, 0), picture, QRect(offset_.x() - 1, offset_.y() - 1, width(), height()));
        }
        if (captionOn_) drawCaption(q, look);
        q.end();
        p.drawImage(0, 0, lastDrawn_);
    }
    p.end();
    if (callback_) callback_(this, look == Look::Normal);
}

void CPngButton::drawCaption(QPainter &p, Look look) {
    const QString caption = text();
    if (caption.isEmpty()) return;
    QFont font(captionFace_);
    font.setPointSize(std::max(1, captionPoints_));
    font.setWeight(rotationOn_ ? QFont::Black : QFont::Normal);
    p.save();
    p.setFont(font);
    p.setPen(captionColour(look));
    p.setRenderHint(QPainter::TextAntialiasing);
    CaptionRect r{captionLeft_, captionTop_, width() + captionRight_, height() + captionBottom_};
    const QFontMetrics fm(font);
    const int cx = fm.horizontalAdvance(caption), cy = fm.height();
    Qt::Alignment align = Qt::AlignLeft;
    if (captionFormat_ & CaptionFormat::Center) align = Qt::AlignHCenter;
    else if (captionFormat_ & CaptionFormat::Right) align = Qt::AlignRight;
    if (captionFormat_ & CaptionFormat::SingleLine) {
        if (captionFormat_ & CaptionFormat::VCenter) align |= Qt::AlignVCenter;
        else if (captionFormat_ & CaptionFormat::Bottom) align |= Qt::AlignBottom;
        else align |= Qt::AlignTop;
    } else {
        align |= Qt::AlignTop;
    }
    if (!rotationOn_ || escapement_ == 0) {
        const int flags = int(align) | ((captionFormat_ & CaptionFormat::WordBreak) ? Qt::TextWordWrap : 0);
        p.drawText(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), flags, caption);
    } else {
        // The text is laid out as if unrotated and turned about the top-left corner of
        // its cell, as the window library draws text with an escapement.
        r = RotatedCaptionRect(r, escapement_, cx, cy);
        int x = r.left, y = r.top;
        if (align & Qt::AlignHCenter) x = r.left + (r.right - r.left - cx) / 2;
        else if (align & Qt::AlignRight) x = r.right - cx;
        if (align & Qt::AlignVCenter) y = r.top + (r.bottom - r.top - cy) / 2;
        else if (align & Qt::AlignBottom) y = r.bottom - cy;
        p.translate(x, y);
        p.rotate(-escapement_ / 10.0);
        p.drawText(QRect(0, 0, cx, cy), Qt::AlignLeft | Qt::AlignTop, caption);
    }
    p.restore();
}

void CPngButton::enterEvent(QEnterEvent *event) {
    hover_ = true;
    if (!tipText_.isEmpty()) SetButtonTooltip(tipText_, true);
    update();
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent *event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CPngButton::mouseDoubleClickEvent(QMouseEvent *event) {
    // A double click is a second press, so it acts as two clicks.
    mousePressEvent(event);
}

}  // namespace t44::ui
