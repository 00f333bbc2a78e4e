// The skinned image button and the placement of controls from a skin file, on real
// widgets drawn by Qt: which piece of which picture a button shows, the tint outline,
// clicks, tooltips, the state callback and PNG mode.

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QMouseEvent>

#include "SkinTestSupport.h"
#include "support/VirtualKeyboard.h"
#include "ui/controls/PngButton.h"
#include "ui/controls/SkinPlacement.h"

using namespace t44;
using ui::CPngButton;

namespace {

class PngButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        test::writeFile(dir / "Skin.ini",
                        "[BUTTONINFO]\nB=10,20,30,40,text\nOFF=1,1,50,50\nHUGE=-99999,5,-7,99999999\n"
                        "ARROW=60,70,24,24\n[BUTTONINFO2]\nARROW_OFFSET=101,3,0,0\n");
        skin.load(dir / "Skin.ini");
        // Pictures 1..5: normal, over, down, disabled, checked.
        pictures = {test::coordinatePicture(200, 200, 1), test::coordinatePicture(200, 200, 2),
                    test::coordinatePicture(200, 200, 3), test::coordinatePicture(200, 200, 4),
                    test::coordinatePicture(200, 200, 5)};
    }

    static QRgb pixel(QWidget &w, int x, int y) { return w.grab().toImage().pixel(x, y); }
    static void hover(QWidget &w) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w.mapToGlobal(QPointF(2, 2)));
        QCoreApplication::sendEvent(&w, &enter);
    }
    static void mouse(QWidget &w, QEvent::Type type) {
        const QPointF at(w.width() / 2.0, w.height() / 2.0);
        QMouseEvent e(type, at, w.mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &e);
    }

    bool app_ = (test::qtApp(), true);  // before any widget member
    test::TempDir dir;
    shell::SkinFile skin;
    ui::ButtonPictures pictures;
    QWidget window;
};

}  // namespace

TEST_F(PngButtonTest, button_placed_at_10_20_shows_the_pictures_pixels_from_9_19) {
    CPngButton b(&window);
    const auto r = ui::PlaceImageButton(b, skin, "BUTTONINFO", "B", pictures);
    EXPECT_EQ(r, (shell::SkinRect{10, 20, 30, 40}));
    EXPECT_EQ(b.geometry(), QRect(10, 20, 30, 40));
    EXPECT_TRUE(b.isEnabled());
    EXPECT_EQ(b.sourceOffset(), QPoint(10, 20));
    const QImage shot = b.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(9, 19, 1));
    EXPECT_EQ(shot.pixel(29, 39), qRgb(38, 58, 1));
}

TEST_F(PngButtonTest, one_one_disables_an_image_button_and_a_missing_key_is_the_default) {
    CPngButton off(&window), missing(&window);
    ui::PlaceImageButton(off, skin, "BUTTONINFO", "OFF", pictures);
    EXPECT_FALSE(off.isEnabled());
    EXPECT_EQ(off.geometry(), QRect(1, 1, 50, 50));  // disabled even though it has a size
    ui::PlaceImageButton(missing, skin, "BUTTONINFO", "NOT_THERE", pictures);
    EXPECT_FALSE(missing.isEnabled());
    EXPECT_EQ(missing.geometry(), QRect(1, 1, 1, 1));
}

TEST_F(PngButtonTest, placement_keeps_absurd_values_within_bounds) {
    QWidget w(&window);
    ui::PlaceControl(w, skin, "BUTTONINFO", "HUGE");
    EXPECT_EQ(w.geometry(), QRect(-32767, 5, 0, 32767));
}

TEST_F(PngButtonTest, keep_size_moves_only_and_picture_offset_cuts_one_picture) {
    QWidget w(&window);
    w.resize(77, 33);
    ui::PlaceControlKeepSize(w, skin, "BUTTONINFO", "B");
    EXPECT_EQ(w.geometry(), QRect(10, 20, 77, 33));

    CPngButton arrow(&window);
    ui::PlaceWithPictureOffset(arrow, skin, "BUTTONINFO", "ARROW", "BUTTONINFO2", "ARROW_OFFSET", pictures.down);
    EXPECT_EQ(arrow.geometry(), QRect(60, 70, 24, 24));
    EXPECT_EQ(pixel(arrow, 0, 0), qRgb(100, 2, 3));
    hover(arrow);
    EXPECT_EQ(pixel(arrow, 0, 0), qRgb(100, 2, 3));  // the same picture in every look
}

TEST_F(PngButtonTest, picture_choice_follows_disabled_pressed_over_marked_normal) {
    struct Case {
        bool enabled, down, over, marked;
        int tag;
    };
    const Case cases[] = {
        {false, false, false, true, 4},  // disabled shows its disabled picture even when marked
        {false, true, true, true, 4},   {true, true, true, true, 3},   {true, false, true, true, 2},
        {true, false, false, true, 5},  {true, false, false, false, 1},
    };
    for (const Case &c : cases) {
        CPngButton b(&window);
        ui::PlaceImageButton(b, skin, "BUTTONINFO", "B", pictures);
        b.setEnabled(c.enabled);
        b.SetAssignedMark(c.marked);
        if (c.over) hover(b);
        b.setDown(c.down);
        EXPECT_EQ(pixel(b, 5, 5), qRgb(14, 24, c.tag))
            << "enabled " << c.enabled << " down " << c.down << " over " << c.over << " marked " << c.marked;
    }
}

TEST_F(PngButtonTest, tint_draws_an_outline_around_what_the_button_showed) {
    CPngButton b(&window);
    ui::PlaceImageButton(b, skin, "BUTTONINFO", "B", pictures);
    EXPECT_EQ(pixel(b, 15, 20), qRgb(24, 39, 1));
    b.SetTint(0xFF0000 /* blue */, 150, true);
    EXPECT_EQ(b.tintPercent(), 100);
    const QImage tinted = b.grab().toImage();
    EXPECT_EQ(tinted.pixel(1, 20), qRgb(0, 0, 255));
    EXPECT_EQ(tinted.pixel(15, 1), qRgb(0, 0, 255));
    EXPECT_EQ(tinted.pixel(28, 20), qRgb(0, 0, 255));
    EXPECT_EQ(tinted.pixel(15, 20), qRgb(24, 39, 1));  // the picture stays inside
    hover(b);
    EXPECT_EQ(pixel(b, 15, 20), qRgb(24, 39, 1));  // only the outline is redrawn
    b.SetTint(0xFF0000, 50, false);
    EXPECT_EQ(pixel(b, 1, 20), qRgb(10, 39, 2));  // off again: the (hover) picture is back
}

TEST_F(PngButtonTest, double_click_acts_as_two_clicks) {
    CPngButton b(&window);
    ui::PlaceImageButton(b, skin, "BUTTONINFO", "B", pictures);
    int clicks = 0;
    QObject::connect(&b, &QAbstractButton::clicked, [&] { ++clicks; });
    mouse(b, QEvent::MouseButtonPress);
    mouse(b, QEvent::MouseButtonRelease);
    mouse(b, QEvent::MouseButtonDblClick);
    mouse(b, QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2);
}

TEST_F(PngButtonTest, tooltip_keeps_its_old_text_and_hover_activates_it) {
    CPngButton b(&window);
    b.SetButtonTooltip("Esc", true);
    EXPECT_EQ(b.toolTip(), "Esc");
    b.SetButtonTooltip("", true);
    EXPECT_EQ(b.toolTip(), "Esc");
    b.SetButtonTooltip("Esc (macro)", false);
    EXPECT_EQ(b.buttonTooltip(), "Esc (macro)");
    EXPECT_TRUE(b.toolTip().isEmpty());
    hover(b);
    EXPECT_TRUE(b.hovered());
    EXPECT_TRUE(b.tooltipActive());
    EXPECT_EQ(b.toolTip(), "Esc (macro)");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&b, &leave);
    EXPECT_FALSE(b.hovered());
}

TEST_F(PngButtonTest, state_callback_tells_whether_the_normal_picture_was_drawn) {
    CPngButton b(&window);
    ui::PlaceImageButton(b, skin, "BUTTONINFO", "B", pictures);
    std::vector<bool> calls;
    b.SetStateCallback([&](CPngButton *from, bool normal) {
        EXPECT_EQ(from, &b);
        calls.push_back(normal);
    });
    b.grab();
    b.SetAssignedMark(true);
    b.grab();
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST_F(PngButtonTest, png_mode_draws_whole_pictures_and_takes_the_shape_of_its_mask) {
    auto solid = [](QRgb c) {
        QImage i(24, 24, QImage::Format_ARGB32);
        i.fill(c);
        return i;
    };
    CPngButton b(&window);
    b.setGeometry(0, 0, 24, 24);
    b.SetPngPictures(solid(qRgb(10, 0, 0)), solid(qRgb(20, 0, 0)), solid(qRgb(30, 0, 0)), solid(qRgb(40, 0, 0)));
    b.SetPngShape(test::roundedMask(24, 24, 12), 1);
    EXPECT_TRUE(b.pngMode());
    EXPECT_FALSE(b.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(b.mask().contains(QPoint(12, 12)));
    EXPECT_EQ(pixel(b, 12, 12), qRgb(10, 0, 0));
    b.SetAssignedMark(true);
    EXPECT_EQ(pixel(b, 12, 12), qRgb(40, 0, 0));  // the marked look uses the disabled picture
    b.SetAssignedMark(false);
    hover(b);
    EXPECT_EQ(pixel(b, 12, 12), qRgb(20, 0, 0));
    b.SetPngShape(QImage(), 0);
    EXPECT_FALSE(b.pngMode());
    EXPECT_TRUE(b.mask().isEmpty());
}

TEST(RotatedCaption, centres_the_turned_text_in_its_rectangle) {
    struct Case {
        ui::CaptionRect rect;
        int escapement, cx, cy;
        ui::CaptionRect want;
    };
    const Case cases[] = {
        // 26.8 degrees: w = 71, h = 36; left 0 + 119 / 2 - 3, bottom 56 - 20 / 2 + 7.
        {{0, 0, 190, 56}, 268, 80, 16, {56, 0, 190, 53}},
        // No turn: the text is centred across, and its half height is added below.
        {{0, 0, 100, 40}, 0, 60, 20, {20, 0, 100, 30}},
        // A quarter turn of text taller than the rectangle: only the left edge moves
        // (sin a·cy·0.5 comes out just below 10 in double precision).
        {{10, 10, 50, 200}, 900, 300, 20, {21, 10, 50, 200}},
        // Text wider than the rectangle: the left edge stays.
        {{0, 0, 50, 40}, 0, 80, 20, {0, 0, 50, 30}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ui::RotatedCaptionRect(c.rect, c.escapement, c.cx, c.cy), c.want) << c.escapement;
}
