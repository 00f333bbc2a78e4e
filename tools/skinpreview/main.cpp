// halvex-t44-skinpreview SKINDIR OUTDIR: builds test dialogs of the three windows from a
// skin folder with the skinned dialog and button classes, fills them with sample texts,
// and writes screenshots (skin-main.png, skin-composite.png, skin-macro.png,
// skin-profile.png) with the windows' shapes as transparency. The pictures under docs/
// come from it.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdio>
#include <map>

#include "shell/KeyboardPicture.h"
#include "shell/SkinKeys.h"
#include "ui/controls/BaseDialog.h"
#include "ui/controls/PngButton.h"
#include "ui/controls/SkinImages.h"
#include "ui/controls/SkinPlacement.h"

using namespace t44;
using namespace t44::ui;

namespace {

QString gSkin;

const char *kStyle = R"(
QLabel { color: #9AA4B6; font-size: 12px; }
QLabel[role="hint"] { color: #C8D0DC; font-size: 13px; }
QComboBox, QLineEdit { background: #0E1116; color: #E6EAF0; border: 1px solid #2A3240; border-radius: 6px;
                       padding: 2px 8px; font-size: 12px; selection-background-color: #138F86; }
QLineEdit[role="key"] { font-size: 22px; font-weight: 600; color: #2EE6C8; }
QComboBox::drop-down { border: none; width: 20px; }
QListWidget, QTreeWidget { background: #0E1116; color: #E6EAF0; border: 1px solid #2A3240; border-radius: 6px;
                           font-size: 12px; alternate-background-color: #12161C; }
QListWidget::item:selected, QTreeWidget::item:selected { background: #17564F; color: #FFFFFF; }
QHeaderView::section { background: #171C24; color: #8A94A6; border: none; border-bottom: 1px solid #2A3240;
                       padding: 4px; font-size: 11px; }
QCheckBox { color: #C8D0DC; }
QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid #38414F; border-radius: 3px; background: #0E1116; }
QCheckBox::indicator:checked, QTreeView::indicator:checked { background: #2EE6C8; border-color: #2EE6C8; }
QTreeView::indicator { width: 13px; height: 13px; border: 1px solid #38414F; border-radius: 3px; background: #0E1116; }
)";

// A skinned test dialog: the background, every image button of the window placed with
// its pictures, and a few stand-ins for the other controls.
class PreviewDialog : public CBaseDialog {
public:
    PreviewDialog(const shell::WindowSkin &window)
        : CBaseDialog((gSkin + "/" + QString::fromStdString(window.iniFile).section('/', -1)).toStdString(),
                      gSkin.toStdString()),
          window_(window) {
        SetupSkin();
        pictures_.Load(gSkin, window.statePictures);
        for (const shell::SkinKey &k : window.buttonInfo) {
            if (k.use != shell::SkinUse::ImageButton) continue;
            auto *b = new CPngButton(this);
            PlaceImageButton(*b, skin(), shell::kButtonInfoSection, k.key,
                             pictures_.buttonPictures(window.pictureSets[static_cast<size_t>(k.pictureSet)]));
            buttons_[k.key] = b;
        }
    }

    CPngButton *button(const std::string &key) { return buttons_.at(key); }
    template <class W>
    W *place(const std::string &key, W *w) {
        w->setParent(this);
        PlaceControl(*w, skin(), shell::kButtonInfoSection, key);
        return w;
    }
    QLabel *label(const std::string &key, const QString &text, const char *role = nullptr) {
        auto *l = place(key, new QLabel(text));
        if (role) l->setProperty("role", role);
        return l;
    }
    QLabel *picture(const std::string &key, const QString &file) {
        auto *l = place(key, new QLabel);
        l->setPixmap(QPixmap::fromImage(LoadSkinPicture(gSkin + "/" + file)));
        return l;
    }
    void caption(const std::string &key, const QString &text, int points = 9) {
        CPngButton *b = button(key);
        b->setText(text);
        const uint32_t white = 0xFFFFFF;
        b->SetCaptionStyle(true, points, "Arial Unicode MS", {white, white, white, 0x8A8A8A, white});
    }
    const SkinPictureSet &pictures() const { return pictures_; }

    // The window as a picture, transparent outside its shape.
    QImage shot() {
        QImage image = grab().toImage().convertToFormat(QImage::Format_ARGB32);
        if (!shape().isEmpty()) {
            QImage cut(image.size(), QImage::Format_ARGB32);
            cut.fill(Qt::transparent);
            QPainter p(&cut);
            p.setClipRegion(shape());
            p.drawImage(0, 0, image);
            return cut;
        }
        return image;
    }

private:
    const shell::WindowSkin &window_;
    SkinPictureSet pictures_;
    std::map<std::string, CPngButton *> buttons_;
};

QComboBox *combo(std::initializer_list<const char *> items) {
    auto *c = new QComboBox;
    for (const char *i : items) c->addItem(i);
    return c;
}

QPushButton *colourButton(const QString &colour) {
    auto *b = new QPushButton;
    b->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: 2px solid #2A3240; border-radius: 6px; }")
                         .arg(colour));
    return b;
}

bool save(const QImage &image, const QString &path) {
    if (image.save(path)) return true;
    std::fprintf(stderr, "halvex-t44-skinpreview: cannot write %s\n", qPrintable(path));
    return false;
}

QImage mainShot() {
    PreviewDialog d(shell::MainWindowSkin());
    d.button("CONTROL2_APPLY")->setText("Apply");
    d.button("CONTROL2_APPLY")->SetCaptionStyle(true, 10, "Arial Unicode MS",
                                                {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF});
    CPngButton *name = d.button("FUNC_PROFILES");
    name->setText("$Profile0");
    name->SetCaptionStyle(true, 10, "Arial Unicode MS", {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
                          CaptionFormat::SingleLine | CaptionFormat::Bottom);
    name->SetCaptionRotation(268, true);
    d.button("FUNC_PROFILE1")->SetAssignedMark(true);
    d.button("FUNC_REPORT4")->SetAssignedMark(true);
    d.button("FLIP_0")->SetAssignedMark(true);
    d.button("LOCK_NUM")->SetAssignedMark(true);
    for (int g = 5; g < 9; ++g) d.button(shell::GKeySkinKey(g))->setEnabled(false);
    d.button("VOLUTE_VER")->setEnabled(false);
    // A few keys carry assignments, one is the key being edited.
    for (const char *k : {"KEY_011", "KEY_01E", "KEY_01F", "KEY_020", "FUNC_G1", "FUNC_G2"})
        d.button(k)->SetAssignedMark(true);
    d.button("KEY_012")->SetPictures(d.pictures().buttonPictures(shell::MainWindowSkin().pictureSets[1]));
    const QImage arrows = d.pictures().picture("Arrow.jpg");
    for (const auto &[key, offset] : {std::pair{"LEFT_ARROW", "DOWN_ARROW_LEFT1"}, {"RIGHT_ARROW", "DOWN_ARROW_RIGHT1"}}) {
        auto *a = new CPngButton(&d);
        PlaceWithPictureOffset(*a, d.skin(), shell::kButtonInfoSection, key, shell::kButtonInfo2Section, offset,
                               arrows);
    }

    d.label("CONTROL_UsbStatic", "Polling rate")->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    d.label("CONTROL_DengStatic", "Lighting");
    d.picture("CONTROL_DengStaPic", "dengdown.bmp");
    d.place("CONTROL_XGcombox", combo({"Wave", "Breathing", "Ripple"}));
    d.label("CONTROL_LightStatic", "Brightness");
    d.picture("CONTROL_LightSlider", "4.bmp");
    d.label("CONTROL_SpeedStatic", "Speed");
    d.picture("CONTROL_SpeedSlider", "9.bmp");
    d.label("CONTROL_BLFXStatic2", "Direction");
    d.picture("CONTROL_BLFXLStaPic2", "leftdown.bmp");
    d.picture("CONTROL_BLFXRStaPic2", "rightup.bmp");
    d.label("CONTROL_HXysStatic", "Color");
    d.place("CONTROL_HXysButton", colourButton("#2EE6C8"));
    d.picture("CONTROL_HXsjsStaPic", "sjsup.bmp");
    d.label("CONTROL_HXsjsStatic", "Colorful");
    auto *network = new CPngButton(&d);
    PlaceControl(*network, d.skin(), shell::kButtonInfoSection, "CONTROL_Network");
    const auto &web = shell::WebButtonPictures();
    network->SetPngPictures(LoadSkinPicture(gSkin + "/" + QString::fromStdString(web[0])),
                            LoadSkinPicture(gSkin + "/" + QString::fromStdString(web[1])),
                            LoadSkinPicture(gSkin + "/" + QString::fromStdString(web[2])),
                            LoadSkinPicture(gSkin + "/" + QString::fromStdString(web[3])));
    network->SetPngShape(LoadSkinPicture(gSkin + "/" + shell::kWebButtonShape), 1);
    for (const char *k : {"COLOR_R", "COLOR_G", "COLOR_B"}) {
        auto *e = d.place(k, new QLineEdit(k[6] == 'R' ? "46" : k[6] == 'G' ? "230" : "200"));
        e->setAlignment(Qt::AlignCenter);
    }
    return d.shot();
}

QImage compositeShot(bool macroPage) {
    const auto &w = shell::CompositeSkin();
    PreviewDialog d(w);
    const auto page = d.pictures().buttonPictures(w.pictureSets[static_cast<size_t>(w.pictureSetIndex(macroPage ? "macro" : "key"))]);
    PlaceImageButton(*d.button("CONTROL_MASK"), d.skin(), shell::kButtonInfoSection, "CONTROL_MASK", page);
    d.button("CONTROL_MASK")->setAttribute(Qt::WA_TransparentForMouseEvents);
    d.caption("CONTROL_KEY", "Single key");
    d.caption("CONTROL_MACRO", "Macro");
    d.caption("CONTROL_MEDIA", "Multimedia");
    d.caption("CONTROL_FUNCTION", "Function");
    d.caption("CONTROL_OK", "OK");
    d.caption("CONTROL_CANCEL", "Cancel");
    for (auto *b : {d.button("CONTROL_KEY"), d.button("CONTROL_MACRO"), d.button("CONTROL_MEDIA"),
                    d.button("CONTROL_FUNCTION")})
        b->SetCaptionOffsets(20, 0, 0, 0);
    d.button(macroPage ? "CONTROL_MACRO" : "CONTROL_KEY")->setDown(true);
    d.label("KEY_SETTING", "Choose what the key does, then press OK.", "hint");
    const char *macroButtons[] = {"FUNC_MACRO_ADD",  "FUNC_MACRO_DELETE",      "FUNC_MACRO_UP_TOP",  "FUNC_MACRO_UP",
                                  "FUNC_MACRO_DOWN", "FUNC_MACRO_DOWN_BOTTOM", "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR",
                                  "FUNC_MACRO_RECORD"};
    for (const char *k : macroButtons) d.button(k)->setVisible(macroPage);
    if (macroPage) {
        d.caption("FUNC_MACRO_UP_TOP", "Top");
        d.caption("FUNC_MACRO_UP", "Up");
        d.caption("FUNC_MACRO_DOWN", "Down");
        d.caption("FUNC_MACRO_DOWN_BOTTOM", "Bottom");
        d.caption("FUNC_MACRO_DELETE2", "Delete");
        d.caption("FUNC_MACRO_CLEAR", "Clear");
        d.caption("FUNC_MACRO_RECORD", "Record", 8);
        d.label("MARCO_NAME_SETTING", "Macros");
        auto *list = d.place("FUNC_MACRO_LIST", new QListWidget);
        list->addItems({"Reload combo", "Build order", "Sprint toggle"});
        list->setCurrentRow(0);
        auto *actions = d.place("FUNC_MACRO_LIST2", new QTreeWidget);
        actions->setHeaderLabels({"#", "Action", "Delay"});
        actions->setRootIsDecorated(false);
        actions->setAlternatingRowColors(true);
        actions->header()->resizeSection(0, 30);
        actions->header()->resizeSection(1, 120);
        const char *rows[][3] = {{"1", "R down", "20 ms"}, {"2", "R up", "35 ms"},      {"3", "Mouse left down", "10 ms"},
                                 {"4", "Mouse left up", "40 ms"}, {"5", "Space down", "15 ms"}, {"6", "Space up", "0 ms"}};
        for (const auto &r : rows) actions->addTopLevelItem(new QTreeWidgetItem({r[0], r[1], r[2]}));
        d.place("FUNC_MACRO_RECORD_DELAY", new QCheckBox)->setChecked(true);
        d.label("FUNC_MACRO_RECORD_DELAY2", "Record delays");
        d.label("FUNC_MACRO_CYCLES_PROMPT", "Repeat")->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        d.place("FUNC_MACRO_CYCLES", new QLineEdit("1"))->setAlignment(Qt::AlignCenter);
    } else {
        d.label("TISHI_SINGLE_STATIC", "Press the key to put on this button:", "hint");
        auto *key = d.place("FUNC_KEY_INPUT", new QLineEdit("Left Ctrl"));
        key->setProperty("role", "key");
        key->setAlignment(Qt::AlignCenter);
        key->setStyleSheet("QLineEdit { background: transparent; border: none; }");
        d.place("FUNC_KEY_RADIO_KB", new QCheckBox)->setChecked(true);
        d.label("FUNC_KEY_RADIO_KB_STATIC", "Keyboard key");
        d.place("FUNC_KEY_RADIO_MOU", new QCheckBox);
        d.label("FUNC_KEY_RADIO_MOU_STATIC", "Mouse button");
        d.place("FUNC_KEY_COMBO_MOU", combo({"Left button"}))->setEnabled(false);
    }
    return d.shot();
}

QImage profileShot() {
    PreviewDialog d(shell::ProfileSkin());
    auto *list = d.place("PROGRAM_LIST", new QTreeWidget);
    list->setHeaderLabels({"", "Name", "Folder"});
    list->setRootIsDecorated(false);
    list->header()->resizeSection(0, 40);
    list->header()->resizeSection(1, 140);
    const char *rows[][2] = {{"$Profile0", "~/.local/share/Halvex T44-ARC Keyboard/"},
                             {"$Profile0", "~/.local/share/Halvex T44-ARC Keyboard/"},
                             {"$Profile0", "~/.local/share/Halvex T44-ARC Keyboard/"}};
    for (int i = 0; i < 3; ++i) {
        auto *item = new QTreeWidgetItem({"", rows[i][0], rows[i][1]});
        item->setCheckState(0, i == 0 ? Qt::Checked : Qt::Unchecked);
        list->addTopLevelItem(item);
    }
    list->setCurrentItem(list->topLevelItem(0));
    return d.shot();
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: halvex-t44-skinpreview SKINDIR OUTDIR\n");
        return 2;
    }
    gSkin = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    app.setStyleSheet(kStyle);
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    app.setFont(font);
    bool ok = save(mainShot(), out + "/skin-main.png");
    ok = save(compositeShot(false), out + "/skin-composite.png") && ok;
    ok = save(compositeShot(true), out + "/skin-macro.png") && ok;
    ok = save(profileShot(), out + "/skin-profile.png") && ok;
    return ok ? 0 : 1;
}
