// The skinned dialog on real Qt windows: size, shape and background from the skin
// pictures, dragging by the background, and the end of the program when a picture the
// window needs is missing (in a child process: the test program run again).

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QPushButton>

#include "SkinTestSupport.h"
#include "support/VirtualKeyboard.h"
#include "ui/controls/BaseDialog.h"
#include "ui/controls/SkinImages.h"

using namespace t44;
using ui::CBaseDialog;

namespace {

class BaseDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        background = test::coordinatePicture(200, 120, 7);
        ASSERT_TRUE(background.save(QString::fromStdString(dir / "bg.bmp")));
        ASSERT_TRUE(test::roundedMask(200, 120, 24).save(QString::fromStdString(dir / "mask.bmp")));
        test::writeFile(dir / "garbage.jpg", "not a picture");
    }
    std::string skin(const std::string &screen) {
        test::writeFile(dir / "Skin.ini", "[SCREEN]\n" + screen);
        return dir / "Skin.ini";
    }
    static void mouse(QWidget &w, QEvent::Type type, QPoint global) {
        QMouseEvent e(type, w.mapFromGlobal(QPointF(global)), QPointF(global), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &e);
    }

    test::TempDir dir;
    QImage background;
};

}  // namespace

TEST_F(BaseDialogTest, takes_size_shape_and_unscaled_background_from_the_skin) {
    CBaseDialog d(skin("Main=bg.bmp\nMask=mask.bmp\n"), dir.path());
    d.SetupSkin();
    EXPECT_EQ(d.size(), QSize(200, 120));
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
    // The rounded mask cuts the corners away and keeps everything else.
    for (QPoint corner : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 119), QPoint(199, 119), QPoint(3, 3)})
        EXPECT_FALSE(d.mask().contains(corner)) << corner.x() << "," << corner.y();
    for (QPoint inside : {QPoint(100, 60), QPoint(100, 0), QPoint(0, 60), QPoint(24, 24)})
        EXPECT_TRUE(d.mask().contains(inside)) << inside.x() << "," << inside.y();
    const QImage shot = d.grab().toImage();
    EXPECT_EQ(shot.pixel(50, 40), qRgb(50, 40, 7));
    EXPECT_EQ(shot.pixel(199, 60), qRgb(199, 60, 7));
}

TEST_F(BaseDialogTest, without_a_mask_key_the_background_is_the_mask) {
    CBaseDialog d(skin("Main=mask.bmp\n"), dir.path());
    d.SetupSkin();
    EXPECT_FALSE(d.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(d.mask().contains(QPoint(100, 60)));
    // A mask without white pixels leaves the whole rectangle.
    CBaseDialog plain(skin("Main=bg.bmp\n"), dir.path());
    plain.SetupSkin();
    EXPECT_TRUE(plain.mask().isEmpty() || plain.mask() == QRegion(0, 0, 200, 120));
}

TEST_F(BaseDialogTest, dragging_the_background_moves_the_dialog_and_controls_do_not) {
    CBaseDialog d(skin("Main=bg.bmp\nMask=mask.bmp\n"), dir.path());
    d.SetupSkin();
    auto *button = new QPushButton(&d);
    button->setGeometry(150, 80, 40, 30);
    d.move(100, 100);
    d.show();
    ASSERT_TRUE(test::qtWaitFor([&] { return d.isVisible(); }));
    const QPoint start = d.pos();
    const QPoint grip = d.mapToGlobal(QPoint(60, 50));
    mouse(d, QEvent::MouseButtonPress, grip);
    mouse(d, QEvent::MouseMove, grip + QPoint(30, 15));
    mouse(d, QEvent::MouseMove, grip + QPoint(45, -20));
    mouse(d, QEvent::MouseButtonRelease, grip + QPoint(45, -20));
    EXPECT_EQ(d.pos(), start + QPoint(45, -20));

    const QPoint onButton = button->mapToGlobal(QPoint(5, 5));
    mouse(*button, QEvent::MouseButtonPress, onButton);
    mouse(*button, QEvent::MouseMove, onButton + QPoint(30, 30));
    mouse(*button, QEvent::MouseButtonRelease, onButton + QPoint(30, 30));
    EXPECT_EQ(d.pos(), start + QPoint(45, -20));
}

// A picture the window needs that cannot be loaded ends the program with exit code 0 and
// one line naming the file.
TEST_F(BaseDialogTest, missing_or_undecodable_pictures_end_the_program_with_code_0) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char *screen, *named;
    };
    const Case cases[] = {
        {"Main=nothere.jpg\n", "nothere\\.jpg"},
        {"Main=bg.bmp\nMask=nomask.bmp\n", "nomask\\.bmp"},
        {"Main=garbage.jpg\n", "garbage\\.jpg"},
        {"Main=\n", "cannot load the skin picture .*/\n"},  // an empty name names the folder
    };
    for (const Case &c : cases) {
        const std::string path = skin(c.screen);
        EXPECT_EXIT(
            {
                CBaseDialog d(path, dir.path());
                d.SetupSkin();
                std::exit(3);
            },
            ::testing::ExitedWithCode(0), c.named)
            << c.screen;
    }
}

TEST_F(BaseDialogTest, a_state_picture_set_with_a_missing_file_ends_the_program_with_code_0) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ui::SkinPictureSet set;
    set.Load(QString::fromStdString(dir.path()), {"bg.bmp", "mask.bmp"});
    EXPECT_EQ(set.picture("bg.bmp").size(), QSize(200, 120));
    EXPECT_TRUE(set.picture("other.bmp").isNull());
    EXPECT_EXIT(
        {
            ui::SkinPictureSet s;
            s.Load(QString::fromStdString(dir.path()), {"bg.bmp", "main_over.jpg", "mask.bmp"});
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "main_over\\.jpg");
}
