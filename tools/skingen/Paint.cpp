#include "Paint.h"

#include <QLinearGradient>
#include <QtMath>

namespace t44::tools {

QFont uiFont(int pixelSize, QFont::Weight weight) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QColor lookText(Look look) {
    switch (look) {
    case Look::Disabled: return palette::textFaint;
    case Look::Checked: return palette::accent;
    case Look::Over: return QColor(0xFF, 0xFF, 0xFF);
    default: return palette::text;
    }
}

void drawFace(QPainter &p, const QRectF &r, Look look, qreal radius, bool accentFill) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QColor top = palette::capTop, bottom = palette::capBottom, rim = palette::capBorder;
    if (accentFill) {
        top = QColor(0x25, 0xC9, 0xB2);
        bottom = QColor(0x12, 0x93, 0x88);
        rim = QColor(0x4F, 0xF0, 0xD8);
    }
    switch (look) {
    case Look::Over:
        top = top.lighter(118);
        bottom = bottom.lighter(112);
        rim = palette::accent;
        break;
    case Look::Down:
        std::swap(top, bottom);
        top = top.darker(125);
        bottom = bottom.darker(115);
        rim = palette::accentDeep;
        break;
    case Look::Checked:
        if (!accentFill) {
            top = QColor(0x1D, 0x3A, 0x3C);
            bottom = QColor(0x16, 0x2C, 0x30);
        }
        rim = palette::accent;
        break;
    case Look::Disabled:
        top = top.darker(140);
        bottom = bottom.darker(140);
        rim = rim.darker(150);
        break;
    case Look::Normal: break;
    }
    const QRectF face = r.adjusted(0.5, 0.5, -0.5, -0.5);
    if (look == Look::Over || look == Look::Checked) {
        // A soft glow around lit controls.
        QColor glow = palette::accent;
        glow.setAlpha(look == Look::Over ? 40 : 60);
        p.setPen(QPen(glow, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(face.adjusted(1, 1, -1, -1), radius, radius);
    }
    QLinearGradient g(face.topLeft(), face.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(rim, 1));
    p.setBrush(g);
    p.drawRoundedRect(face.adjusted(1, 1, -1, -1), radius, radius);
    if (look != Look::Down && look != Look::Disabled) {
        // Light falls on the upper edge.
        QColor sheen(255, 255, 255, accentFill ? 60 : 22);
        p.setPen(QPen(sheen, 1));
        p.drawLine(QPointF(face.left() + radius, face.top() + 2), QPointF(face.right() - radius, face.top() + 2));
    }
    p.restore();
}

void drawLegend(QPainter &p, const QRectF &r, const QString &text, const QColor &colour, int pixelSize,
                QFont::Weight weight) {
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(uiFont(pixelSize, weight));
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

void drawKeyCap(QPainter &p, const QRectF &r, Look look, const QString &legend, bool spare) {
    const Look faceLook = spare ? Look::Disabled : look;
    drawFace(p, r, faceLook, 5);
    if (look == Look::Checked && !spare) {
        // An assigned key: an accent bar along the lower edge.
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(palette::accent);
        p.drawRoundedRect(QRectF(r.left() + 6, r.bottom() - 6, r.width() - 12, 2.5), 1.2, 1.2);
        p.restore();
    }
    const int size = legend.size() <= 1 ? 13 : legend.size() <= 4 ? 11 : 9;
    const QRectF text = r.adjusted(2, look == Look::Down ? 1 : 0, -2, look == Look::Down ? -3 : -4);
    drawLegend(p, text, legend, spare ? palette::textFaint : lookText(look), size);
}

void drawWell(QPainter &p, const QRectF &r, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette::wellBorder, 1));
    p.setBrush(palette::well);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

void drawPanel(QPainter &p, const QRectF &r, qreal radius) {
    // Panels are flat, so the small pictures placed on them blend in.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette::panelBorder, 1));
    p.setBrush(palette::panel);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

void drawWindow(QPainter &p, const QRectF &r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, palette::windowTop);
    g.setColorAt(1, palette::windowBottom);
    p.setPen(QPen(palette::frame, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
    p.restore();
}

void drawGlowLine(QPainter &p, const QRectF &r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0.0, QColor(0x2E, 0xE6, 0xC8, 0));
    g.setColorAt(0.15, palette::accent);
    g.setColorAt(0.5, palette::violet);
    g.setColorAt(0.85, palette::pink);
    g.setColorAt(1.0, QColor(0xFF, 0x4F, 0x9A, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.restore();
}

void drawIcon(QPainter &p, const QRectF &area, Icon icon, const QColor &colour, qreal stroke) {
    const qreal s = std::min(area.width(), area.height());
    const QRectF r(area.center().x() - s / 2, area.center().y() - s / 2, s, s);
    auto P = [&](qreal fx, qreal fy) { return QPointF(r.left() + fx * s, r.top() + fy * s); };
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (icon) {
    case Icon::Close:
    case Icon::Cross:
        p.drawLine(P(0.3, 0.3), P(0.7, 0.7));
        p.drawLine(P(0.7, 0.3), P(0.3, 0.7));
        break;
    case Icon::Minimize: p.drawLine(P(0.3, 0.62), P(0.7, 0.62)); break;
    case Icon::Help: {
        QPainterPath q;
        q.moveTo(P(0.38, 0.38));
        q.cubicTo(P(0.38, 0.22), P(0.64, 0.2), P(0.64, 0.38));
        q.cubicTo(P(0.64, 0.5), P(0.5, 0.5), P(0.5, 0.6));
        p.drawPath(q);
        p.setBrush(colour);
        p.drawEllipse(P(0.5, 0.74), stroke * 0.6, stroke * 0.6);
        break;
    }
    case Icon::Menu:
        for (qreal y : {0.34, 0.5, 0.66}) p.drawLine(P(0.3, y), P(0.7, y));
        break;
    case Icon::Check:
    case Icon::Apply:
        p.drawPolyline(QPolygonF({P(0.28, 0.52), P(0.44, 0.67), P(0.73, 0.35)}));
        break;
    case Icon::Restore:
        p.drawArc(QRectF(P(0.28, 0.28), P(0.72, 0.72)), 100 * 16, 290 * 16);
        p.drawPolyline(QPolygonF({P(0.3, 0.24), P(0.44, 0.3), P(0.36, 0.43)}));
        break;
    case Icon::Macro:
        p.drawRoundedRect(QRectF(P(0.24, 0.3), P(0.76, 0.7)), 0.06 * s, 0.06 * s);
        p.drawPolyline(QPolygonF({P(0.34, 0.6), P(0.34, 0.4), P(0.42, 0.5), P(0.5, 0.4), P(0.5, 0.6)}));
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({P(0.58, 0.4), P(0.68, 0.5), P(0.58, 0.6)}));
        break;
    case Icon::Profile:
    case Icon::Layers: {
        QPolygonF top({P(0.5, 0.25), P(0.76, 0.38), P(0.5, 0.51), P(0.24, 0.38)});
        p.drawPolygon(top);
        p.drawPolyline(QPolygonF({P(0.24, 0.5), P(0.5, 0.63), P(0.76, 0.5)}));
        p.drawPolyline(QPolygonF({P(0.24, 0.62), P(0.5, 0.75), P(0.76, 0.62)}));
        break;
    }
    case Icon::Plus:
        p.drawLine(P(0.5, 0.3), P(0.5, 0.7));
        [[fallthrough]];
    case Icon::Minus: p.drawLine(P(0.3, 0.5), P(0.7, 0.5)); break;
    case Icon::Folder:
        p.drawPolygon(QPolygonF({P(0.24, 0.3), P(0.42, 0.3), P(0.48, 0.37), P(0.76, 0.37), P(0.76, 0.7),
                                 P(0.24, 0.7)}));
        break;
    case Icon::Trash:
        p.drawLine(P(0.28, 0.32), P(0.72, 0.32));
        p.drawLine(P(0.44, 0.26), P(0.56, 0.26));
        p.drawPolygon(QPolygonF({P(0.33, 0.32), P(0.36, 0.74), P(0.64, 0.74), P(0.67, 0.32)}));
        break;
    case Icon::Keyboard:
        p.drawRoundedRect(QRectF(P(0.18, 0.3), P(0.82, 0.7)), 0.05 * s, 0.05 * s);
        for (int i = 0; i < 5; ++i) p.drawPoint(P(0.29 + i * 0.105, 0.43));
        for (int i = 0; i < 4; ++i) p.drawPoint(P(0.34 + i * 0.105, 0.52));
        p.drawLine(P(0.36, 0.61), P(0.64, 0.61));
        break;
    case Icon::Eraser: {
        QPolygonF e({P(0.26, 0.58), P(0.52, 0.3), P(0.74, 0.5), P(0.5, 0.76), P(0.36, 0.76)});
        p.drawPolygon(e);
        p.drawLine(P(0.38, 0.44), P(0.6, 0.64));
        p.drawLine(P(0.5, 0.76), P(0.76, 0.76));
        break;
    }
    case Icon::ToTop:
        p.drawLine(P(0.3, 0.28), P(0.7, 0.28));
        [[fallthrough]];
    case Icon::Up:
        p.drawLine(P(0.5, 0.36), P(0.5, 0.72));
        p.drawPolyline(QPolygonF({P(0.34, 0.52), P(0.5, 0.36), P(0.66, 0.52)}));
        break;
    case Icon::ToBottom:
        p.drawLine(P(0.3, 0.72), P(0.7, 0.72));
        [[fallthrough]];
    case Icon::Down:
        p.drawLine(P(0.5, 0.28), P(0.5, 0.64));
        p.drawPolyline(QPolygonF({P(0.34, 0.48), P(0.5, 0.64), P(0.66, 0.48)}));
        break;
    case Icon::Record:
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(P(0.34, 0.34), P(0.66, 0.66)));
        break;
    case Icon::Globe:
        p.drawEllipse(QRectF(P(0.24, 0.24), P(0.76, 0.76)));
        p.drawEllipse(QRectF(P(0.39, 0.24), P(0.61, 0.76)));
        p.drawLine(P(0.24, 0.5), P(0.76, 0.5));
        break;
    case Icon::Chat: {
        QPainterPath b;
        b.addRoundedRect(QRectF(P(0.24, 0.28), P(0.76, 0.62)), 0.08 * s, 0.08 * s);
        p.drawPath(b);
        p.drawPolyline(QPolygonF({P(0.36, 0.62), P(0.34, 0.74), P(0.48, 0.62)}));
        break;
    }
    case Icon::Share:
        p.setBrush(colour);
        for (auto pt : {P(0.32, 0.5), P(0.68, 0.32), P(0.68, 0.68)}) p.drawEllipse(pt, 0.06 * s, 0.06 * s);
        p.drawLine(P(0.32, 0.5), P(0.68, 0.32));
        p.drawLine(P(0.32, 0.5), P(0.68, 0.68));
        break;
    case Icon::Lock:
        p.drawRoundedRect(QRectF(P(0.3, 0.46), P(0.7, 0.74)), 0.04 * s, 0.04 * s);
        p.drawArc(QRectF(P(0.37, 0.26), P(0.63, 0.6)), 0, 180 * 16);
        break;
    case Icon::Bulb:
        p.drawArc(QRectF(P(0.3, 0.2), P(0.7, 0.6)), -40 * 16, 260 * 16);
        p.drawLine(P(0.42, 0.64), P(0.58, 0.64));
        p.drawLine(P(0.44, 0.72), P(0.56, 0.72));
        p.drawLine(P(0.35, 0.53), P(0.42, 0.64));
        p.drawLine(P(0.65, 0.53), P(0.58, 0.64));
        break;
    case Icon::Media:
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({P(0.3, 0.32), P(0.52, 0.5), P(0.3, 0.68)}));
        p.drawLine(P(0.6, 0.32), P(0.6, 0.68));
        p.drawLine(P(0.7, 0.32), P(0.7, 0.68));
        break;
    case Icon::Function:
        p.drawEllipse(QRectF(P(0.38, 0.38), P(0.62, 0.62)));
        for (int i = 0; i < 8; ++i) {
            const qreal a = i * M_PI / 4;
            p.drawLine(P(0.5 + 0.17 * std::cos(a), 0.5 + 0.17 * std::sin(a)),
                       P(0.5 + 0.27 * std::cos(a), 0.5 + 0.27 * std::sin(a)));
        }
        break;
    case Icon::Key:
        p.drawRoundedRect(QRectF(P(0.26, 0.26), P(0.74, 0.74)), 0.08 * s, 0.08 * s);
        p.drawRoundedRect(QRectF(P(0.34, 0.32), P(0.66, 0.6)), 0.05 * s, 0.05 * s);
        break;
    case Icon::Brush:
        p.drawLine(P(0.68, 0.26), P(0.44, 0.54));
        p.setBrush(colour);
        p.drawEllipse(QRectF(P(0.28, 0.52), P(0.46, 0.72)));
        break;
    case Icon::Fill:
        p.drawPolygon(QPolygonF({P(0.28, 0.46), P(0.5, 0.26), P(0.7, 0.46), P(0.5, 0.66)}));
        p.setBrush(colour);
        p.drawEllipse(QRectF(P(0.66, 0.58), P(0.76, 0.72)));
        break;
    }
    p.restore();
}

}  // namespace t44::tools
