// The default skin the build draws beside the executables: every key and picture the
// three windows and the lighting panel read is there and fits its window, the generator
// draws the same files every time, and the preview tool builds its test dialogs from it.

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "SkinTestSupport.h"
#include "shell/SkinKeys.h"
#include "shell/SkinRect.h"
#include "storage/IniFile.h"
#include "support/VirtualKeyboard.h"
#include "ui/controls/BaseDialog.h"
#include "ui/controls/SkinImages.h"
#include "ui/controls/SkinPlacement.h"

using namespace t44;

namespace {

const std::string kSkins = std::string(T44_BINARY_DIR) + "/Skins/";

QImage load(const std::string &file) { return ui::LoadSkinPicture(QString::fromStdString(kSkins + file)); }

std::string bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(ShippedSkin, every_key_the_windows_read_has_a_place_inside_its_window) {
    test::qtApp();
    for (const shell::WindowSkin *w : shell::AllWindowSkins()) {
        SCOPED_TRACE(w->iniFile);
        const std::string path = std::string(T44_BINARY_DIR) + "/" + w->iniFile;
        storage::CIniFile ini;
        ASSERT_TRUE(ini.load(path));
        shell::SkinFile skin(path);
        for (const std::string &k : w->screenKeys) EXPECT_TRUE(ini.get(shell::kScreenSection, k)) << k;
        const QImage bg = load(skin.value(shell::kScreenSection, "Main"));
        const QImage mask = load(skin.value(shell::kScreenSection, "Mask"));
        ASSERT_FALSE(bg.isNull());
        ASSERT_EQ(mask.size(), bg.size());
        const QRect window(QPoint(0, 0), bg.size());
        for (const shell::SkinKey &k : w->buttonInfo) {
            ASSERT_TRUE(ini.get(shell::kButtonInfoSection, k.key)) << k.key;
            const QRect r = ui::GeometryOf(skin.rect(k.key));
            EXPECT_TRUE(window.contains(r)) << k.key;
            EXPECT_FALSE(r.isEmpty()) << k.key;
            if (k.use == shell::SkinUse::ImageButton) {
                EXPECT_FALSE(skin.rect(k.key).disablesButton()) << k.key;
            }
        }
        for (const std::string &k : w->buttonInfo2) EXPECT_TRUE(ini.get(shell::kButtonInfo2Section, k)) << k;
        // State pictures are whole-window pictures, so every button finds its piece.
        for (const std::string &f : w->statePictures) {
            const QImage picture = load(f);
            ASSERT_FALSE(picture.isNull()) << f;
            if (f != "Arrow.jpg") {
                EXPECT_EQ(picture.size(), bg.size()) << f;
            }
        }
    }
}

TEST(ShippedSkin, every_picture_of_the_lighting_panel_tray_and_web_button_loads) {
    test::qtApp();
    for (const std::string &f : shell::AllSkinFiles()) {
        if (f.ends_with(".ini")) continue;
        EXPECT_FALSE(load(f).isNull()) << f;
    }
    // The arrows' offsets cut whole frames out of the arrow strip.
    shell::SkinFile main(kSkins + "Main.ini");
    const QImage arrows = load("Arrow.jpg");
    for (const std::string &k : shell::MainWindowSkin().buttonInfo2) {
        const auto o = main.rect(shell::kButtonInfo2Section, k);
        const auto size = main.rect("LEFT_ARROW");
        EXPECT_TRUE(QRect(QPoint(0, 0), arrows.size()).contains(QRect(o.x - 1, o.y - 1, size.width, size.height))) << k;
    }
    // Slider faces all have one size: the slider takes the size of its picture.
    for (const std::string &f : shell::SliderFacePictures()) EXPECT_EQ(load(f).size(), load("0.bmp").size()) << f;
}

TEST(ShippedSkin, the_windows_are_rounded_and_their_buttons_are_all_in_use) {
    test::qtApp();
    for (const shell::WindowSkin *w : shell::AllWindowSkins()) {
        SCOPED_TRACE(w->iniFile);
        ui::CBaseDialog d(std::string(T44_BINARY_DIR) + "/" + w->iniFile, kSkins);
        d.SetupSkin();
        EXPECT_FALSE(d.mask().contains(QPoint(0, 0)));
        EXPECT_TRUE(d.mask().contains(QPoint(d.width() / 2, d.height() / 2)));
        ui::SkinPictureSet pictures;
        pictures.Load(QString::fromStdString(kSkins), *w);
        int images = 0;
        for (const shell::SkinKey &k : w->buttonInfo) {
            if (k.use != shell::SkinUse::ImageButton) continue;
            ui::CPngButton b(&d);
            ui::PlaceImageButton(b, d.skin(), shell::kButtonInfoSection, k.key,
                                 pictures.buttonPictures(w->pictureSets[static_cast<size_t>(k.pictureSet)]));
            EXPECT_TRUE(b.isEnabled()) << k.key;
            ++images;
        }
        EXPECT_GT(images, 0);
    }
}

TEST(ShippedSkin, the_generator_draws_the_same_skin_every_time) {
    test::TempDir dir;
    const auto r = test::runProgram({T44_SKINGEN_EXE, dir.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const std::string &f : shell::AllSkinFiles()) EXPECT_EQ(bytes(dir / f), bytes(kSkins + f)) << f;
}

TEST(ShippedSkin, preview_builds_test_dialogs_and_writes_their_screenshots) {
    test::qtApp();
    test::TempDir dir;
    const auto r = test::runProgram({T44_SKINPREVIEW_EXE, kSkins, dir.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage shot(QString::fromStdString(dir / "skin-main.png"));
    ASSERT_EQ(shot.size(), load("main_bg.jpg").size());
    EXPECT_EQ(qAlpha(shot.pixel(0, 0)), 0);  // outside the window's shape
    EXPECT_EQ(qAlpha(shot.pixel(shot.width() / 2, shot.height() / 2)), 255);
    for (const char *f : {"skin-composite.png", "skin-macro.png", "skin-profile.png"})
        EXPECT_FALSE(QImage(QString::fromStdString(dir / f)).isNull()) << f;
}
