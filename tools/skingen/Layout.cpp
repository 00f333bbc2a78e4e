#include "Layout.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <map>

#include "shell/KeyboardPicture.h"

namespace t44::tools {
namespace {

using shell::KeyButtonTable;

QRectF shifted(const QRect &r) { return QRectF(r); }

void drawCaptionPill(QPainter &p, const QRectF &r, Look look, bool accent) {
    drawFace(p, r, look, r.height() / 2.6, accent);
}

// Stripes slanted like the profile name that the window writes across the plate.
void drawNamePlate(QPainter &p, const QRectF &r, Look look) {
    drawFace(p, r, look == Look::Checked ? Look::Normal : look, 8);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(r.adjusted(2, 2, -2, -2), 7, 7);
    p.setClipPath(clip);
    QColor stripe = look == Look::Over ? palette::accent : palette::accentDeep;
    stripe.setAlpha(look == Look::Disabled ? 40 : 110);
    p.setPen(QPen(stripe, 3));
    const qreal slope = 0.505;  // tan 26.8 degrees
    for (int i = 0; i < 4; ++i) {
        const qreal x = r.right() - 46 + i * 9;
        p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height() / slope, r.bottom() - r.height()));
    }
    p.restore();
    drawIcon(p, QRectF(r.right() - 30, r.top() + 4, 22, 22), Icon::Profile, lookText(look), 1.6);
}

void drawSegment(QPainter &p, const QRectF &r, Look look, const QString &label) {
    const bool lit = look == Look::Checked;
    drawFace(p, r, look, 7, lit);
    const QColor c = lit ? QColor(0x06, 0x1A, 0x1A) : lookText(look);
    const bool number = label.size() == 1;
    drawLegend(p, r.adjusted(0, look == Look::Down ? 1 : 0, 0, 0), label, c, number ? 18 : 12,
               number ? QFont::Bold : QFont::DemiBold);
}

void drawIndicator(QPainter &p, const QRectF &r, Look look, const QString &label, Icon icon) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const bool lit = look == Look::Checked;
    p.setPen(QPen(lit ? palette::accent : palette::capBorder, 1));
    p.setBrush(QColor(0x12, 0x16, 0x1C));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), r.height() / 2, r.height() / 2);
    QColor led = lit ? palette::accent : QColor(0x3A, 0x44, 0x52);
    if (look == Look::Over) led = led.lighter(140);
    p.setPen(Qt::NoPen);
    p.setBrush(led);
    p.drawEllipse(QPointF(r.left() + 9, r.center().y()), 3, 3);
    p.restore();
    const QRectF glyph(r.left() + 15, r.top(), r.width() - 17, r.height());
    const QColor c = lit ? palette::accent : palette::textDim;
    if (label.isEmpty()) drawIcon(p, glyph, icon, c, 1.4);
    else drawLegend(p, glyph, label, c, 10, QFont::Bold);
}

void drawBrand(QPainter &p, const QRectF &r, Look look) {
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f = uiFont(20, QFont::Black);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    p.setFont(f);
    p.setPen(look == Look::Over ? QColor(0xFF, 0xFF, 0xFF) : palette::text);
    QRectF used;
    p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("HALVEX"), &used);
    QFont g = uiFont(12, QFont::Bold);
    g.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(g);
    p.setPen(look == Look::Down ? palette::accentDeep : palette::accent);
    p.drawText(QRectF(used.right() + 8, r.top(), r.right() - used.right() - 8, r.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("T44-ARC"));
    p.restore();
}

}  // namespace

void drawItem(QPainter &p, const Item &item, Look look) {
    const QRectF r = shifted(item.rect);
    switch (item.kind) {
    case Kind::KeyCap: drawKeyCap(p, r, look, item.label); break;
    case Kind::SpareKey: drawKeyCap(p, r, look, item.label, true); break;
    case Kind::IconButton: {
        if (look != Look::Normal && look != Look::Disabled) drawFace(p, r, look, 8);
        const QColor c = look == Look::Disabled ? palette::textFaint
                         : item.icon == Icon::Close && look == Look::Over ? palette::danger
                         : look == Look::Normal ? palette::textDim
                                                : lookText(look);
        drawIcon(p, r.adjusted(4, 4, -4, -4), item.icon, c, 1.8);
        break;
    }
    case Kind::CaptionPill: drawCaptionPill(p, r, look, false); break;
    case Kind::AccentPill: drawCaptionPill(p, r, look, look != Look::Disabled); break;
    case Kind::TextButton: {
        drawFace(p, r, look, 8);
        const QColor c = lookText(look);
        if (item.label.isEmpty()) {
            drawIcon(p, r.adjusted(6, 6, -6, -6), item.icon, c, 2.0);
        } else {
            QFont f = uiFont(12, QFont::DemiBold);
            const int textWidth = QFontMetrics(f).horizontalAdvance(item.label);
            const qreal iconSize = 18, gap = 6;
            const qreal x0 = r.center().x() - (iconSize + gap + textWidth) / 2;
            drawIcon(p, QRectF(x0, r.center().y() - iconSize / 2, iconSize, iconSize), item.icon, c, 1.8);
            p.save();
            p.setFont(f);
            p.setPen(c);
            p.drawText(QRectF(x0 + iconSize + gap, r.top(), textWidth + 2, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       item.label);
            p.restore();
        }
        break;
    }
    case Kind::Segment: drawSegment(p, r, look, item.label); break;
    case Kind::NamePlate: drawNamePlate(p, r, look); break;
    case Kind::Brand: drawBrand(p, r, look); break;
    case Kind::Blank: break;
    case Kind::Indicator: drawIndicator(p, r, look, item.label, item.icon); break;
    case Kind::PageButton: {
        drawFace(p, r, look, 8, look == Look::Down);
        const QColor c = look == Look::Down ? QColor(0x06, 0x1A, 0x1A) : lookText(look);
        drawIcon(p, QRectF(r.left() + 10, r.center().y() - 10, 20, 20), item.icon, c, 1.7);
        break;
    }
    case Kind::Title:
    case Kind::PageMask: break;  // drawn by the window's own look function
    }
}

// ---------------------------------------------------------------------------------------
// Main window

namespace {

// Keys of the keyboard picture in key units: key code, column, row, width, height.
struct KeySpot {
    uint16_t code;
    double col, row, w, h;
};

std::vector<KeySpot> keySpots() {
    std::vector<KeySpot> k;
    auto row = [&](double r, double c0, std::initializer_list<uint16_t> codes, double w = 1) {
        double c = c0;
        for (uint16_t code : codes) {
            k.push_back({code, c, r, w, 1});
            c += w;
        }
    };
    // Function row.
    k.push_back({0x001, 0, 0, 1, 1});
    row(0, 2, {0x03B, 0x03C, 0x03D, 0x03E});
    row(0, 6.5, {0x03F, 0x040, 0x041, 0x042});
    row(0, 11, {0x043, 0x044, 0x057, 0x058});
    row(0, 15.25, {0x137, 0x046, 0x045});
    // Number row.
    row(1.5, 0, {0x029, 0x002, 0x003, 0x004, 0x005, 0x006, 0x007, 0x008, 0x009, 0x00A, 0x00B, 0x00C, 0x00D});
    k.push_back({0x00E, 13, 1.5, 2, 1});
    row(1.5, 15.25, {0x152, 0x147, 0x149});
    row(1.5, 18.5, {0x145, 0x135, 0x037, 0x04A});
    // Top letter row.
    k.push_back({0x00F, 0, 2.5, 1.5, 1});
    row(2.5, 1.5, {0x010, 0x011, 0x012, 0x013, 0x014, 0x015, 0x016, 0x017, 0x018, 0x019, 0x01A, 0x01B});
    k.push_back({0x02B, 13.5, 2.5, 1.5, 1});
    row(2.5, 15.25, {0x153, 0x14F, 0x151});
    row(2.5, 18.5, {0x047, 0x048, 0x049});
    k.push_back({0x04E, 21.5, 2.5, 1, 2});
    // Home row.
    k.push_back({0x03A, 0, 3.5, 1.75, 1});
    row(3.5, 1.75, {0x01E, 0x01F, 0x020, 0x021, 0x022, 0x023, 0x024, 0x025, 0x026, 0x027, 0x028});
    k.push_back({0x01C, 12.75, 3.5, 2.25, 1});
    row(3.5, 18.5, {0x04B, 0x04C, 0x04D});
    // Bottom letter row.
    k.push_back({0x02A, 0, 4.5, 1.25, 1});
    row(4.5, 1.25, {0x056, 0x02C, 0x02D, 0x02E, 0x02F, 0x030, 0x031, 0x032, 0x033, 0x034, 0x035, 0x073});
    k.push_back({0x036, 13.25, 4.5, 1.75, 1});
    k.push_back({0x148, 16.25, 4.5, 1, 1});
    row(4.5, 18.5, {0x04F, 0x050, 0x051});
    k.push_back({0x11C, 21.5, 4.5, 1, 2});
    // Space row (the Fn key sits between the right Windows key and the menu key).
    row(5.5, 0, {0x01D, 0x15B, 0x038}, 1.25);
    k.push_back({0x039, 3.75, 5.5, 5, 1});
    row(5.5, 8.75, {0x138, 0x15C}, 1.25);
    row(5.5, 12.5, {0x15D, 0x11D}, 1.25);
    row(5.5, 15.25, {0x14B, 0x150, 0x14D});
    k.push_back({0x052, 18.5, 5.5, 2, 1});
    k.push_back({0x053, 20.5, 5.5, 1, 1});
    return k;
}

constexpr int kUnit = 40;
constexpr int kKeysLeft = 160, kKeysTop = 188;
const QRect kCase(24, 138, 1072, 340);
const QRect kLightCard(24, 490, 1072, 198);

QRect keyRect(double col, double row, double w, double h) {
    const int x = kKeysLeft + static_cast<int>(col * kUnit);
    const int y = kKeysTop + static_cast<int>(row * kUnit);
    return QRect(x + 2, y + 2, static_cast<int>(w * kUnit) - 4, static_cast<int>(h * kUnit) - 4);
}

void mainBackdrop(QPainter &p, const std::string &, const WindowLayout &layout) {
    drawWindow(p, QRectF(QPointF(0, 0), QSizeF(layout.size)));
    p.save();
    p.setPen(QPen(palette::panelBorder, 1));
    p.drawLine(QPointF(16, 60.5), QPointF(layout.size.width() - 16, 60.5));
    p.restore();
    // The keyboard's case with its light strip.
    drawPanel(p, kCase, 14);
    drawGlowLine(p, QRectF(kCase.left() + 120, kCase.bottom() - 14, kCase.width() - 240, 3));
    // The lighting card, the wells under its lists and number fields, and R G B.
    drawPanel(p, kLightCard, 12);
    for (const auto &[key, r] : layout.places) {
        // Only the number fields are always shown; the lists come and go with the effect.
        if (key == "COLOR_R" || key == "COLOR_G" || key == "COLOR_B")
            drawWell(p, QRectF(r).adjusted(-1, -1, 1, 1), 6);
    }
    const QColor rgb[3] = {QColor(0xFF, 0x5A, 0x5F), QColor(0x3D, 0xDC, 0x84), QColor(0x4C, 0x8D, 0xFF)};
    const char *names[3] = {"COLOR_R", "COLOR_G", "COLOR_B"};
    for (int i = 0; i < 3; ++i)
        for (const auto &[key, r] : layout.places)
            if (key == names[i])
                drawLegend(p, QRectF(r.left(), r.top() - 22, r.width(), 18), QString(QChar("RGB"[i])), rgb[i], 11,
                           QFont::Bold);
    p.save();
    p.setPen(QPen(palette::panelBorder, 1));
    for (int x : {282, 542, 852}) p.drawLine(QPointF(x + 0.5, kLightCard.top() + 16), QPointF(x + 0.5, kLightCard.bottom() - 16));
    p.restore();
    // Footer links.
    for (const auto &[key, r] : layout.places) {
        if (key == "CONTROL_Facebook" || key == "CONTROL_twitter") {
            p.save();
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(palette::panelBorder, 1));
            p.setBrush(palette::panel);
            p.drawEllipse(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
            p.restore();
            drawIcon(p, QRectF(r).adjusted(6, 6, -6, -6), key == "CONTROL_Facebook" ? Icon::Chat : Icon::Share,
                     palette::textDim, 1.6);
        }
    }
}

}  // namespace

WindowLayout mainLayout() {
    WindowLayout L;
    L.size = QSize(1120, 768);
    auto button = [&](const char *key, QRect r, Kind kind, QString label = {}, Icon icon = Icon::Check) {
        L.buttons.push_back({key, r, kind, std::move(label), icon});
    };
    auto place = [&](const char *key, QRect r) { L.places.emplace_back(key, r); };

    // Title bar.
    button("VOLUTE_LINK", QRect(24, 13, 210, 34), Kind::Brand);
    button("VOLUTE_VER", QRect(244, 26, 120, 16), Kind::Blank);
    button("CONTROL_MENU", QRect(956, 14, 32, 32), Kind::IconButton, {}, Icon::Menu);
    button("CONTROL_HELP", QRect(994, 14, 32, 32), Kind::IconButton, {}, Icon::Help);
    button("CONTROL_MINIMIZE", QRect(1032, 14, 32, 32), Kind::IconButton, {}, Icon::Minimize);
    button("CONTROL_CLOSE", QRect(1070, 14, 32, 32), Kind::IconButton, {}, Icon::Close);

    // Profile bar.
    for (int k = 0; k < 3; ++k)
        button(k == 0 ? "FUNC_PROFILE1" : k == 1 ? "FUNC_PROFILE2" : "FUNC_PROFILE3", QRect(24 + k * 52, 74, 46, 48),
               Kind::Segment, QString::number(k + 1));
    button("FUNC_PROFILES", QRect(186, 70, 190, 56), Kind::NamePlate);
    button("FUNC_MACRO", QRect(388, 74, 48, 48), Kind::TextButton, {}, Icon::Macro);
    button("FUNC_DEFAULT", QRect(442, 74, 48, 48), Kind::TextButton, {}, Icon::Restore);
    place("CONTROL_UsbStatic", QRect(700, 88, 104, 20));
    const char *rates[4] = {"125 Hz", "250 Hz", "500 Hz", "1000 Hz"};
    for (int i = 0; i < 4; ++i)
        button(i == 0 ? "FUNC_REPORT1" : i == 1 ? "FUNC_REPORT2" : i == 2 ? "FUNC_REPORT3" : "FUNC_REPORT4",
               QRect(808 + i * 72, 78, 68, 40), Kind::Segment, rates[i]);

    // Keyboard picture.
    std::map<uint16_t, const shell::KeyButton *> byCode;
    for (const auto &k : KeyButtonTable) byCode[k.keyCode] = &k;
    for (const KeySpot &s : keySpots()) {
        const shell::KeyButton *k = byCode.at(s.code);
        L.buttons.push_back({shell::KeyButtonSkinKey(k->keyCode), keyRect(s.col, s.row, s.w, s.h), Kind::KeyCap,
                             QString::fromUtf8(k->legend)});
    }
    button("KEY_FN", keyRect(11.25, 5.5, 1.25, 1), Kind::KeyCap, "Fn");
    for (int g = 0; g < 9; ++g) {
        // G1-G5 stand beside the letter rows; G6-G9 (always disabled) in the outer column.
        const bool spare = g >= 5;
        const double row = spare ? 2.5 + (g - 5) : 1.5 + g;
        QRect r = keyRect(spare ? -2.5 : -1.5, row, 1, 1);
        L.buttons.push_back({shell::GKeySkinKey(g), r, spare ? Kind::SpareKey : Kind::KeyCap,
                             QStringLiteral("G%1").arg(g + 1)});
    }
    // Indicators above the number pad and the layer switch above F1-F4.
    button("LOCK_NUM", QRect(904, 153, 36, 22), Kind::Indicator, "1");
    button("LOCK_CAPS", QRect(944, 153, 36, 22), Kind::Indicator, "A");
    button("LOCK_SCROLL", QRect(984, 153, 36, 22), Kind::Indicator, "S");
    button("LOCK_AB", QRect(1024, 153, 36, 22), Kind::Indicator, {}, Icon::Lock);
    button("FLIP_1", QRect(272, 153, 30, 22), Kind::TextButton, {}, Icon::Minus);
    button("FLIP_0", QRect(306, 153, 30, 22), Kind::Indicator, "F");
    button("FLIP_2", QRect(340, 153, 30, 22), Kind::TextButton, {}, Icon::Plus);
    place("LEFT_ARROW", QRect(244, 152, 24, 24));
    place("RIGHT_ARROW", QRect(374, 152, 24, 24));
    L.offsets = {{"UP_ARROW_LEFT1", QRect(1, 1, 24, 24)},
                 {"UP_ARROW_RIGHT1", QRect(25, 1, 24, 24)},
                 {"DOWN_ARROW_LEFT1", QRect(49, 1, 24, 24)},
                 {"DOWN_ARROW_RIGHT1", QRect(73, 1, 24, 24)}};

    // Lighting card: switch and effect list; brightness, speed and direction; colours;
    // number fields.
    place("CONTROL_DengStatic", QRect(44, 506, 200, 20));
    place("CONTROL_DengStaPic", QRect(44, 534, 64, 30));
    place("CONTROL_XGcombox", QRect(44, 584, 222, 28));
    place("CONTROL_LightStatic", QRect(300, 506, 220, 20));
    place("CONTROL_LightSlider", QRect(300, 530, 224, 28));
    place("CONTROL_SpeedStatic", QRect(300, 570, 220, 20));
    place("CONTROL_SpeedSlider", QRect(300, 594, 224, 28));
    place("CONTROL_BLFXStatic", QRect(300, 570, 120, 20));
    place("CONTROL_BLFXLStaPic", QRect(430, 566, 40, 28));
    place("CONTROL_BLFXRStaPic", QRect(476, 566, 40, 28));
    place("CONTROL_BLFXStatic2", QRect(300, 638, 120, 20));
    place("CONTROL_BLFXLStaPic2", QRect(430, 634, 40, 28));
    place("CONTROL_BLFXRStaPic2", QRect(476, 634, 40, 28));
    place("CONTROL_BLFXStatic3", QRect(300, 638, 120, 20));
    place("CONTROL_BLFXLStaPic3", QRect(430, 634, 40, 28));
    place("CONTROL_BLFXRStaPic3", QRect(476, 634, 40, 28));
    for (const char *prefix : {"HX", "FY"}) {
        const bool a = prefix[0] == 'H';
        place(a ? "CONTROL_HXysStatic" : "CONTROL_FYYSStatic", QRect(560, 506, 120, 20));
        place(a ? "CONTROL_HXysButton" : "CONTROL_FYYSButton", QRect(560, 530, 80, 28));
        place(a ? "CONTROL_HXsjsStaPic" : "CONTROL_FYSJSStaPic", QRect(652, 530, 28, 28));
        place(a ? "CONTROL_HXsjsStatic" : "CONTROL_FYSJSStatic", QRect(686, 534, 140, 20));
    }
    place("CONTROL_HONGPIC", QRect(560, 530, 28, 28));
    place("CONTROL_HUANGPIC", QRect(596, 530, 28, 28));
    place("CONTROL_LVPIC", QRect(632, 530, 28, 28));
    place("CONTROL_LANPIC", QRect(668, 530, 28, 28));
    place("CONTROL_USERysStatic", QRect(560, 506, 92, 20));
    place("CONTROL_USERysButton", QRect(560, 530, 80, 28));
    place("CONTROL_USERjsStatic", QRect(656, 506, 92, 20));
    place("CONTROL_USERjsButton", QRect(656, 530, 80, 28));
    place("CONTROL_USERgjStatic", QRect(752, 506, 92, 20));
    place("CONTROL_USERgjStaPic1", QRect(752, 530, 32, 28));
    place("CONTROL_USERgjStaPic2", QRect(790, 530, 32, 28));
    place("CONTROL_umCombo", QRect(560, 584, 262, 28));
    place("COLOR_R", QRect(872, 584, 56, 26));
    place("COLOR_G", QRect(936, 584, 56, 26));
    place("COLOR_B", QRect(1000, 584, 56, 26));

    // Footer.
    place("CONTROL_Network", QRect(28, 712, 36, 36));
    place("CONTROL_Facebook", QRect(72, 712, 36, 36));
    place("CONTROL_twitter", QRect(116, 712, 36, 36));
    place("CONTROL_JDTStatic", QRect(680, 725, 160, 10));
    button("CONTROL_CANCEL", QRect(856, 710, 64, 40), Kind::TextButton, {}, Icon::Cross);
    button("CONTROL_OK", QRect(928, 710, 64, 40), Kind::TextButton, {}, Icon::Check);
    button("CONTROL2_APPLY", QRect(1000, 710, 96, 40), Kind::AccentPill);

    L.backdrop = [](QPainter &p, const WindowLayout &l, const std::string &v) { mainBackdrop(p, v, l); };
    L.look = [](QPainter &p, const WindowLayout &, const Item &item, Look look, const std::string &) {
        drawItem(p, item, look);
    };
    return L;
}

// ---------------------------------------------------------------------------------------
// Composite editor

namespace {

const QRect kPage(186, 88, 514, 330);

QRect placeOf(const WindowLayout &L, const char *key) {
    for (const auto &[k, r] : L.places)
        if (k == key) return r;
    return {};
}

void drawPage(QPainter &p, const QRect &r, const std::string &variant, const WindowLayout &L) {
    drawPanel(p, r, 12);
    auto well = [&](const char *key, int grow = 1) {
        drawWell(p, QRectF(placeOf(L, key)).adjusted(-grow, -grow, grow, grow), 6);
    };
    auto watermark = [&](Icon icon) {
        QColor c = palette::accent;
        c.setAlpha(34);
        drawIcon(p, QRectF(r.right() - 170, r.bottom() - 170, 150, 150), icon, c, 6);
    };
    if (variant == "macro" || variant == "macro2") {
        well("FUNC_MACRO_LIST");
        well("FUNC_MACRO_LIST2");
        well("FUNC_MACRO_CYCLES");
        p.save();
        p.setPen(QPen(palette::panelBorder, 1));
        p.drawLine(QPointF(r.left() + 14, 366.5), QPointF(r.right() - 14, 366.5));
        p.restore();
    } else if (variant == "media") {
        well("FUNC_MEDIA_SELECT");
        watermark(Icon::Media);
    } else if (variant == "function") {
        well("FUNC_FUNCTION_SELECT");
        watermark(Icon::Function);
    } else {
        // The captured key shows in a large key-cap field.
        const QRectF field = QRectF(placeOf(L, "FUNC_KEY_INPUT")).adjusted(-4, -4, 4, 4);
        drawFace(p, field, Look::Normal, 10);
        drawWell(p, field.adjusted(6, 6, -6, -8), 6);
        well("FUNC_KEY_COMBO_MOU");
    }
}

void compositeLook(QPainter &p, const Item &item, Look look, const std::string &variant, const WindowLayout &L) {
    // The macro page's buttons appear only in the macro pictures, so the other pages'
    // pictures show their own page where those buttons would be.
    if (item.key.rfind("FUNC_MACRO_", 0) == 0 && variant != "macro" && variant != "macro2") return;
    if (item.kind == Kind::PageMask) {
        drawPage(p, item.rect, variant, L);
        return;
    }
    if (item.kind == Kind::Title) {
        const QRectF r(item.rect);
        const bool macroOnly = variant == "macro2";
        drawIcon(p, QRectF(r.left(), r.top() + 2, 32, 32), macroOnly ? Icon::Macro : Icon::Key, palette::accent, 2);
        p.save();
        QFont f = uiFont(17, QFont::Bold);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        p.setFont(f);
        p.setPen(look == Look::Over ? QColor(0xFF, 0xFF, 0xFF) : palette::text);
        p.drawText(r.adjusted(42, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("T44-ARC"));
        p.restore();
        return;
    }
    drawItem(p, item, look);
}

}  // namespace

WindowLayout compositeLayout() {
    WindowLayout L;
    L.size = QSize(720, 480);
    auto button = [&](const char *key, QRect r, Kind kind, QString label = {}, Icon icon = Icon::Check) {
        L.buttons.push_back({key, r, kind, std::move(label), icon});
    };
    auto place = [&](const char *key, QRect r) { L.places.emplace_back(key, r); };

    button("CONTROL_TITLE", QRect(20, 12, 300, 36), Kind::Title);
    button("CONTROL_OSK", QRect(664, 12, 36, 36), Kind::IconButton, {}, Icon::Keyboard);
    place("KEY_SETTING", QRect(20, 58, 680, 22));
    button("CONTROL_KEY", QRect(20, 88, 152, 40), Kind::PageButton, {}, Icon::Key);
    button("CONTROL_MACRO", QRect(20, 134, 152, 40), Kind::PageButton, {}, Icon::Macro);
    button("CONTROL_MEDIA", QRect(20, 180, 152, 40), Kind::PageButton, {}, Icon::Media);
    button("CONTROL_FUNCTION", QRect(20, 226, 152, 40), Kind::PageButton, {}, Icon::Function);
    button("CONTROL_CLEAR", QRect(20, 290, 152, 36), Kind::TextButton, {}, Icon::Eraser);
    button("CONTROL_MASK", kPage, Kind::PageMask);
    button("CONTROL_CANCEL", QRect(496, 430, 96, 36), Kind::CaptionPill);
    button("CONTROL_OK", QRect(604, 430, 96, 36), Kind::AccentPill);

    // Macro page.
    place("MARCO_NAME_SETTING", QRect(200, 98, 150, 20));
    place("FUNC_MACRO_LIST", QRect(200, 122, 150, 236));
    button("FUNC_MACRO_ADD", QRect(200, 374, 72, 32), Kind::TextButton, {}, Icon::Plus);
    button("FUNC_MACRO_DELETE", QRect(278, 374, 72, 32), Kind::TextButton, {}, Icon::Minus);
    place("FUNC_MACRO_LIST2", QRect(362, 98, 228, 260));
    const std::pair<const char *, int> actions[] = {{"FUNC_MACRO_UP_TOP", 98},     {"FUNC_MACRO_UP", 134},
                                                    {"FUNC_MACRO_DOWN", 170},      {"FUNC_MACRO_DOWN_BOTTOM", 206},
                                                    {"FUNC_MACRO_DELETE2", 242}, {"FUNC_MACRO_CLEAR", 278}};
    for (const auto &[key, y] : actions) button(key, QRect(600, y, 88, 30), Kind::CaptionPill);
    button("FUNC_MACRO_RECORD", QRect(600, 322, 88, 36), Kind::CaptionPill);
    place("FUNC_MACRO_RECORD_DELAY", QRect(362, 380, 18, 20));
    place("FUNC_MACRO_RECORD_DELAY2", QRect(384, 379, 138, 22));
    place("FUNC_MACRO_CYCLES_PROMPT", QRect(526, 379, 90, 22));
    place("FUNC_MACRO_CYCLES", QRect(624, 377, 64, 26));

    // Single-key page.
    place("TISHI_SINGLE_STATIC", QRect(204, 100, 480, 22));
    place("FUNC_KEY_INPUT", QRect(248, 140, 380, 58));
    place("FUNC_KEY_RADIO_KB", QRect(248, 226, 18, 18));
    place("FUNC_KEY_RADIO_KB_STATIC", QRect(272, 224, 240, 22));
    place("FUNC_KEY_RADIO_MOU", QRect(248, 260, 18, 18));
    place("FUNC_KEY_RADIO_MOU_STATIC", QRect(272, 258, 240, 22));
    place("FUNC_KEY_COMBO_MOU", QRect(272, 292, 256, 28));

    // Multimedia and function pages.
    place("MEDIA_SETTING_TISHI", QRect(204, 100, 480, 22));
    place("FUNC_MEDIA_SELECT", QRect(248, 150, 320, 30));
    place("FUNCTION_KEY_SETTING_TISHI", QRect(204, 100, 480, 22));
    place("FUNC_FUNCTION_SELECT", QRect(248, 150, 320, 30));

    L.backdrop = [](QPainter &p, const WindowLayout &l, const std::string &) {
        drawWindow(p, QRectF(QPointF(0, 0), QSizeF(l.size)));
        p.save();
        p.setPen(QPen(palette::panelBorder, 1));
        p.drawLine(QPointF(16, 52.5), QPointF(l.size.width() - 16, 52.5));
        p.restore();
    };
    L.look = [](QPainter &p, const WindowLayout &l, const Item &item, Look look, const std::string &v) {
        compositeLook(p, item, look, v, l);
    };
    return L;
}

// ---------------------------------------------------------------------------------------
// Profile manager

WindowLayout profileLayout() {
    WindowLayout L;
    L.size = QSize(520, 350);
    auto button = [&](const char *key, QRect r, Kind kind, QString label = {}, Icon icon = Icon::Check) {
        L.buttons.push_back({key, r, kind, std::move(label), icon});
    };
    L.places.emplace_back("PROGRAM_LIST", QRect(20, 58, 480, 192));
    button("FUNC_ADD", QRect(20, 262, 100, 32), Kind::TextButton, "Add", Icon::Plus);
    button("FUNC_LOAD", QRect(126, 262, 100, 32), Kind::TextButton, "Load", Icon::Folder);
    button("FUNC_DELETE", QRect(232, 262, 100, 32), Kind::TextButton, "Delete", Icon::Trash);
    button("CONTROL_CANCEL", QRect(244, 304, 80, 34), Kind::TextButton, "Cancel", Icon::Cross);
    button("CONTROL2_APPLY", QRect(332, 304, 80, 34), Kind::TextButton, "Apply", Icon::Apply);
    button("CONTROL_OK", QRect(420, 304, 80, 34), Kind::TextButton, "OK", Icon::Check);
    L.backdrop = [](QPainter &p, const WindowLayout &l, const std::string &) {
        drawWindow(p, QRectF(QPointF(0, 0), QSizeF(l.size)));
        drawIcon(p, QRectF(18, 12, 30, 30), Icon::Layers, palette::accent, 2);
        p.save();
        QFont f = uiFont(16, QFont::Bold);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        p.setFont(f);
        p.setPen(palette::text);
        p.drawText(QRectF(56, 12, 300, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("T44-ARC"));
        p.setPen(QPen(palette::panelBorder, 1));
        p.drawLine(QPointF(16, 48.5), QPointF(l.size.width() - 16, 48.5));
        p.restore();
        drawWell(p, QRectF(20, 58, 480, 192).adjusted(-1, -1, 1, 1), 8);
    };
    L.look = [](QPainter &p, const WindowLayout &, const Item &item, Look look, const std::string &) {
        drawItem(p, item, look);
    };
    return L;
}

}  // namespace t44::tools
