// halvex-t44-skingen OUTDIR: draws the default skin of the configurator into OUTDIR (the
// "Skins" folder): the three windows' backgrounds, masks and state pictures, the arrow
// strip, the lighting panel's pictures, slider faces and progress frames, the web-site
// button and the tray icons, and the three skin files with a rectangle for every key the
// windows read. Output depends only on this program and the installed fonts.

#include <QConicalGradient>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTextStream>
#include <cstdio>
#include <map>
#include <set>

#include "Layout.h"
#include "shell/SkinKeys.h"
#include "shell/SkinRect.h"

using namespace t44;
using namespace t44::tools;

namespace {

QString gOut;
int gErrors = 0;

void fail(const std::string &what) {
    std::fprintf(stderr, "halvex-t44-skingen: %s\n", what.c_str());
    ++gErrors;
}

void save(const QImage &image, const std::string &name) {
    const QString path = gOut + "/" + QString::fromStdString(name);
    const QByteArray ext = QString::fromStdString(name).section('.', -1).toLower().toLatin1();
    QImageWriter writer(path, ext == "jpg" ? QByteArray("jpeg") : ext);
    if (ext == "jpg") writer.setQuality(95);
    const QImage out = ext == "png" ? image : image.convertToFormat(QImage::Format_RGB32);
    if (!writer.write(out)) fail("cannot write " + path.toStdString() + ": " + writer.errorString().toStdString());
}

QImage canvas(QSize size, QColor fill = Qt::transparent) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// A window's picture of one family: the backdrop and every image button in `look`,
// drawn one pixel left of and above its place, where the button cuts its piece from.
QImage statePicture(const WindowLayout &L, Look look, const std::string &variant, bool shiftedForButtons) {
    QImage image = canvas(L.size, palette::windowBottom);
    QPainter p(&image);
    L.backdrop(p, L, variant);
    for (const Item &item : L.buttons) {
        p.save();
        if (shiftedForButtons) p.translate(-1, -1);
        L.look(p, L, item, look, variant);
        p.restore();
    }
    return image;
}

QImage maskPicture(QSize size) {
    QImage image = canvas(size, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), 14, 14);
    p.drawPath(path);
    return image;
}

std::string rectValue(const QRect &r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + "," + std::to_string(r.width()) + "," +
           std::to_string(r.height());
}

void writeIni(const shell::WindowSkin &skin, const WindowLayout &L, const std::string &bg, const std::string &mask) {
    std::map<std::string, QRect> buttons, places;
    for (const Item &i : L.buttons) buttons[i.key] = i.rect;
    for (const auto &[k, r] : L.places) places[k] = r;
    QString text;
    QTextStream s(&text);
    s << "; Default skin of the Halvex T44-ARC configurator, written by halvex-t44-skingen.\n"
         "; BUTTONINFO: x,y,width,height of each control in the window's client area.\n\n";
    s << "[SCREEN]\nMain=" << bg.c_str() << "\nMask=" << mask.c_str() << "\n";
    if (skin.window == shell::SkinWindow::Main) s << "Link=https://example.com/halvex/t44-arc\n";
    s << "\n[BUTTONINFO]\n";
    std::set<std::string> used;
    for (const shell::SkinKey &k : skin.buttonInfo) {
        const bool image = k.use == shell::SkinUse::ImageButton;
        const auto &from = image ? buttons : places;
        auto it = from.find(k.key);
        if (it == from.end()) {
            fail(skin.iniFile + ": no place for " + k.key);
            continue;
        }
        used.insert(k.key);
        s << k.key.c_str() << "=" << rectValue(it->second).c_str() << "\n";
    }
    for (const auto *m : {&buttons, &places})
        for (const auto &[k, r] : *m)
            if (!used.count(k)) fail(skin.iniFile + ": layout has a key no window reads: " + k);
    if (!skin.buttonInfo2.empty()) {
        s << "\n[BUTTONINFO2]\n";
        for (const std::string &k : skin.buttonInfo2) {
            auto it = std::find_if(L.offsets.begin(), L.offsets.end(), [&](const auto &o) { return o.first == k; });
            if (it == L.offsets.end()) fail(skin.iniFile + ": no offset for " + k);
            else s << k.c_str() << "=" << rectValue(it->second).c_str() << "\n";
        }
    }
    s.flush();
    QFile f(gOut + "/" + QString::fromStdString(skin.iniFile.substr(skin.iniFile.find('/') + 1)));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0)
        fail("cannot write " + f.fileName().toStdString());
}

Look lookOfFile(const std::string &file) {
    if (file.find("_over") != std::string::npos) return Look::Over;
    if (file.find("_down") != std::string::npos) return Look::Down;
    if (file.find("_disable") != std::string::npos) return Look::Disabled;
    return Look::Normal;
}

void generateWindow(const shell::WindowSkin &skin, const WindowLayout &L, const std::string &prefix) {
    const std::string bg = prefix + "_bg.jpg", mask = prefix + "_mask.bmp";
    save(statePicture(L, Look::Normal, skin.pictureSets.front().name, false), bg);
    save(maskPicture(L.size), mask);
    for (const std::string &file : skin.statePictures) {
        if (file == "Arrow.jpg") continue;
        Look look = lookOfFile(file);
        std::string variant = skin.pictureSets.front().name;
        // The main window's "disable" picture is its checked look (assigned keys, the
        // active profile and report rate, the lit indicators).
        if (skin.window == shell::SkinWindow::Main && look == Look::Disabled) look = Look::Checked;
        if (skin.window == shell::SkinWindow::Composite) variant = file.substr(0, file.find('_'));
        save(statePicture(L, look, variant, true), file);
    }
    writeIni(skin, L, bg, mask);
}

// The arrow strip: up arrows (left, right), then down arrows, 24 x 24 each, on the colour
// of the keyboard case.
void generateArrows() {
    QImage image = canvas(QSize(96, 24), palette::panel);
    QPainter p(&image);
    for (int i = 0; i < 4; ++i) {
        const QRectF r(i * 24, 0, 24, 24);
        drawIcon(p, r.adjusted(2, 2, -2, -2), i < 2 ? Icon::Up : Icon::Down, i % 2 ? palette::violet : palette::accent,
                 2.2);
    }
    save(image, "Arrow.jpg");
}

QImage small(QSize size) { return canvas(size, palette::panel); }

void toggleSwitch(bool on) {
    QImage image = small(QSize(64, 30));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(2, 5, 60, 20);
    p.setPen(QPen(on ? palette::accent : palette::capBorder, 1));
    p.setBrush(on ? QColor(0x17, 0x6E, 0x66) : QColor(0x22, 0x28, 0x32));
    p.drawRoundedRect(track, 10, 10);
    const QPointF knob(on ? 52 : 12, 15);
    p.setPen(Qt::NoPen);
    p.setBrush(on ? palette::accent : palette::textDim);
    p.drawEllipse(knob, 8, 8);
    drawIcon(p, QRectF(on ? 14 : 30, 5, 20, 20), Icon::Bulb, on ? QColor(0xE6, 0xFF, 0xFA) : palette::textFaint, 1.5);
    save(image, on ? "dengdown.bmp" : "dengup.bmp");
}

void directionPicture(const std::string &name, bool selected, int kind) {
    QImage image = small(QSize(40, 28));
    QPainter p(&image);
    drawFace(p, QRectF(0, 0, 40, 28), selected ? Look::Checked : Look::Normal, 6, selected);
    const QColor c = selected ? QColor(0x06, 0x1A, 0x1A) : palette::textDim;
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    auto arrow = [&](QPointF from, QPointF to) {
        p.drawLine(from, to);
        const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
        const QPointF n(-d.y(), d.x());
        p.drawPolyline(QPolygonF({to - d * 5 + n * 4, to, to - d * 5 - n * 4}));
    };
    switch (kind) {
    case 0: arrow({28, 14}, {12, 14}); break;                          // left
    case 1: arrow({12, 14}, {28, 14}); break;                          // right
    case 2: arrow({20, 21}, {20, 7}); break;                           // up
    case 3: arrow({20, 7}, {20, 21}); break;                           // down
    case 4: arrow({17, 14}, {8, 14}); arrow({23, 14}, {32, 14}); break;  // spread
    case 5: arrow({6, 14}, {16, 14}); arrow({34, 14}, {24, 14}); break;  // converge
    }
    save(image, name);
}

void colourChoice(const std::string &name, QColor colour, bool selected) {
    QImage image = small(QSize(28, 28));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (selected) {
        p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(14, 14), 12, 12);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(selected ? colour : colour.darker(150));
    p.drawEllipse(QPointF(14, 14), selected ? 9 : 10, selected ? 9 : 10);
    if (selected) drawIcon(p, QRectF(6, 6, 16, 16), Icon::Check, QColor(0xFF, 0xFF, 0xFF), 2);
    save(image, name);
}

void colourfulPicture(bool on) {
    QImage image = small(QSize(28, 28));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QConicalGradient g(QPointF(14, 14), 90);
    const QColor stops[] = {QColor(0xFF, 0x4F, 0x5A), QColor(0xFF, 0xC8, 0x2E), QColor(0x3D, 0xDC, 0x84),
                            QColor(0x2E, 0xC8, 0xE6), QColor(0x9B, 0x6B, 0xFF), QColor(0xFF, 0x4F, 0x5A)};
    for (int i = 0; i < 6; ++i) {
        QColor c = stops[i];
        if (!on) c = QColor::fromHsv(c.hsvHue(), 40, 120);
        g.setColorAt(i / 5.0, c);
    }
    p.setPen(QPen(QBrush(g), on ? 5 : 4));
    p.drawEllipse(QPointF(14, 14), 9, 9);
    if (on) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xFF, 0xFF, 0xFF));
        p.drawEllipse(QPointF(14, 14), 3, 3);
    }
    save(image, on ? "sjsdown.bmp" : "sjsup.bmp");
}

void toolPicture(const std::string &name, Icon icon, bool selected) {
    QImage image = small(QSize(32, 28));
    QPainter p(&image);
    drawFace(p, QRectF(0, 0, 32, 28), selected ? Look::Checked : Look::Normal, 6, selected);
    drawIcon(p, QRectF(5, 3, 22, 22), icon, selected ? QColor(0x06, 0x1A, 0x1A) : palette::textDim, 1.8);
    save(image, name);
}

// A slider face: the track, its filled part up to the thumb, and the thumb; `steps`
// positions from 0 to steps - 1.
void sliderFace(int number, int position, int steps) {
    QImage image = small(QSize(224, 28));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal left = 12, right = 212, y = 14;
    const qreal x = left + (right - left) * position / std::max(1, steps - 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0E, 0x11, 0x16));
    p.drawRoundedRect(QRectF(left - 4, y - 3, right - left + 8, 6), 3, 3);
    QLinearGradient g(QPointF(left, 0), QPointF(right, 0));
    g.setColorAt(0, palette::accentDeep);
    g.setColorAt(1, palette::accent);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(left - 4, y - 3, x - left + 8, 6), 3, 3);
    for (int i = 0; i < steps; ++i) {
        const qreal tx = left + (right - left) * i / std::max(1, steps - 1);
        p.setBrush(i <= position ? QColor(0xE6, 0xFF, 0xFA, 150) : QColor(0x55, 0x5E, 0x6E));
        p.drawEllipse(QPointF(tx, y), 1.5, 1.5);
    }
    QColor glow = palette::accent;
    glow.setAlpha(60);
    p.setBrush(glow);
    p.drawEllipse(QPointF(x, y), 11, 11);
    p.setBrush(QColor(0xF4, 0xF7, 0xFA));
    p.setPen(QPen(palette::accent, 2));
    p.drawEllipse(QPointF(x, y), 7.5, 7.5);
    save(image, std::to_string(number) + ".bmp");
}

void progressFrame(int frame) {
    QImage image = canvas(QSize(160, 10), palette::well);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A bright band sweeping from left to right over ten frames.
    const qreal centre = -20 + frame * 20.0;
    QLinearGradient g(QPointF(centre - 40, 0), QPointF(centre + 40, 0));
    g.setColorAt(0, QColor(0x2E, 0xE6, 0xC8, 0));
    g.setColorAt(0.5, palette::accent);
    g.setColorAt(1, QColor(0x9B, 0x6B, 0xFF, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 2, 158, 6), 3, 3);
    save(image, "jdt" + std::to_string(frame + 1) + ".bmp");
}

void webButton() {
    const char *names[4] = {"web_normal.png", "web_over.png", "web_down.png", "web_disable.png"};
    const Look looks[4] = {Look::Normal, Look::Over, Look::Down, Look::Disabled};
    for (int i = 0; i < 4; ++i) {
        QImage image = canvas(QSize(36, 36));
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(looks[i] == Look::Over ? palette::accent : palette::panelBorder, 1));
        p.setBrush(looks[i] == Look::Down ? palette::well : palette::panel);
        p.drawEllipse(QRectF(0.5, 0.5, 35, 35));
        drawIcon(p, QRectF(6, 6, 24, 24), Icon::Globe,
                 looks[i] == Look::Disabled ? palette::textFaint
                 : looks[i] == Look::Normal ? palette::textDim
                                            : palette::accent,
                 1.6);
        save(image, names[i]);
    }
    QImage mask = canvas(QSize(36, 36), Qt::white);
    QPainter p(&mask);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(0, 0, 36, 36));
    p.end();
    save(mask, shell::kWebButtonShape);
}

// Tray icons: the keyboard in grey (absent), in the accent colour (present) and amber
// (a moment of activity).
void trayIcon(int id) {
    const QColor c = id == 141 ? palette::accent : id == 142 ? palette::amber : QColor(0x8A, 0x94, 0xA6);
    QImage image = canvas(QSize(64, 64));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x14, 0x18, 0x1F));
    p.drawRoundedRect(QRectF(2, 10, 60, 44), 10, 10);
    p.setBrush(c);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 6 - (row == 2 ? 4 : 0); ++col)
            p.drawRoundedRect(QRectF(8 + col * 8.4, 17 + row * 10, 6, 7), 1.5, 1.5);
    p.drawRoundedRect(QRectF(8 + 2 * 8.4 - 8.4, 37, 6 + 8.4 * 3, 7), 1.5, 1.5);
    p.setPen(QPen(c, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 10.5, 59, 43), 10, 10);
    save(image, shell::TrayIconPicture(id));
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: halvex-t44-skingen OUTDIR\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(gOut)) {
        fail("cannot create " + gOut.toStdString());
        return 1;
    }

    generateWindow(shell::MainWindowSkin(), mainLayout(), "main");
    generateWindow(shell::CompositeSkin(), compositeLayout(), "composite");
    generateWindow(shell::ProfileSkin(), profileLayout(), "profile");
    generateArrows();

    toggleSwitch(false);
    toggleSwitch(true);
    const char *directions[6][2] = {{"leftup.bmp", "leftdown.bmp"},     {"rightup.bmp", "rightdown.bmp"},
                                    {"upup.bmp", "updown.bmp"},         {"downup.bmp", "downdown.bmp"},
                                    {"kuosan.bmp", "kuosandown.bmp"}, {"julong.bmp", "julongdown.bmp"}};
    for (int k = 0; k < 6; ++k) {
        directionPicture(directions[k][0], false, k);
        directionPicture(directions[k][1], true, k);
    }
    const std::pair<const char *, QColor> choices[] = {{"hong", QColor(0xFF, 0x4F, 0x5A)},
                                                       {"huang", QColor(0xFF, 0xC8, 0x2E)},
                                                       {"lv", QColor(0x3D, 0xDC, 0x84)},
                                                       {"lan", QColor(0x3D, 0x7D, 0xFF)}};
    for (const auto &[name, colour] : choices) {
        colourChoice(std::string(name) + ".bmp", colour, false);
        colourChoice(std::string(name) + "ok.bmp", colour, true);
    }
    colourfulPicture(false);
    colourfulPicture(true);
    toolPicture("user1up.bmp", Icon::Brush, false);
    toolPicture("user1down.bmp", Icon::Brush, true);
    toolPicture("user2up.bmp", Icon::Fill, false);
    toolPicture("user2down.bmp", Icon::Fill, true);
    // Brightness 0-5, speed 6-11 (position 0-5), and spare faces 12-25 on 14 steps.
    for (int k = 0; k < shell::kSliderFaceCount; ++k) {
        if (k < 6) sliderFace(k, k, 6);
        else if (k < 12) sliderFace(k, k - 6, 6);
        else sliderFace(k, k - 12, 14);
    }
    for (int f = 0; f < shell::kProgressFrameCount; ++f) progressFrame(f);
    webButton();
    for (int id : shell::TrayIconIds) trayIcon(id);

    // Every file the program reads must now be there.
    for (const std::string &f : shell::AllSkinFiles())
        if (!QFile::exists(gOut + "/" + QString::fromStdString(f))) fail("missing " + f);
    return gErrors == 0 ? 0 : 1;
}
