// Skin files: the "x,y,w,h" value format with its defaults, reading a skin file, the
// shape of a mask picture, and the key lists every window reads.

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <set>

#include "shell/KeyboardPicture.h"
#include "shell/SkinKeys.h"
#include "shell/SkinRect.h"
#include "shell/SkinRegion.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using shell::SkinRect;

TEST(SkinRect, reads_values_as_the_four_number_format_does) {
    struct Case {
        const char *text;
        SkinRect want;
    };
    const Case cases[] = {
        {"10,20,30,40,text", {10, 20, 30, 40}},  // anything after the fourth number is ignored
        {"10,20,30,40", {10, 20, 30, 40}},
        {"1,1,50,50", {1, 1, 50, 50}},
        {"1,1,1,1,x", {1, 1, 1, 1}},           // the default value
        {"", {1, 1, 1, 1}},                    // a key present but empty
        {" 10, 20,\t30, 40", {10, 20, 30, 40}},  // white space may precede a number
        {"10 ,20,30,40", {10, 1, 1, 1}},         // but not a comma
        {"10,20", {10, 20, 1, 1}},               // numbers not read stay 1
        {"-5,+7,3,4", {-5, 7, 3, 4}},
        {"10,20,abc,40", {10, 20, 1, 1}},
        {"x,20,30,40", {1, 1, 1, 1}},
        {"99999999999,20,30,40", {1, 1, 1, 1}},  // too large for an int: reading stops
        {"2147483647,-2147483648,0,0", {INT_MAX, INT_MIN, 0, 0}},
        {"10;20;30;40", {10, 1, 1, 1}},
    };
    for (const Case &c : cases) EXPECT_EQ(shell::parseSkinRect(c.text), c.want) << '"' << c.text << '"';
}

TEST(SkinRect, only_a_button_at_one_one_is_taken_out_of_use) {
    EXPECT_TRUE(shell::parseSkinRect("1,1,50,50").disablesButton());
    EXPECT_TRUE(SkinRect{}.disablesButton());
    EXPECT_FALSE(shell::parseSkinRect("1,2,50,50").disablesButton());
    EXPECT_FALSE(shell::parseSkinRect("0,1,50,50").disablesButton());
}

TEST(SkinFile, missing_keys_and_files_read_as_the_default_rectangle) {
    test::TempDir dir;
    const std::string path = dir / "Main.ini";
    std::ofstream(path) << "[SCREEN]\nMain=bg.jpg\n[buttoninfo]\nkey_01e=10,20,30,40,text\nEMPTY=\n"
                           "[BUTTONINFO2]\nUP_ARROW_LEFT1=7,8,0,0\n";
    shell::SkinFile skin(path);
    EXPECT_TRUE(skin.loaded());
    EXPECT_EQ(skin.folder(), dir.path() + "/");
    EXPECT_EQ(skin.rect("KEY_01E"), (SkinRect{10, 20, 30, 40}));  // names match without regard to case
    EXPECT_EQ(skin.rect("MISSING"), SkinRect{});
    EXPECT_EQ(skin.rect("EMPTY"), SkinRect{});
    EXPECT_EQ(skin.rect(shell::kButtonInfo2Section, "UP_ARROW_LEFT1"), (SkinRect{7, 8, 0, 0}));
    EXPECT_EQ(skin.value(shell::kScreenSection, "Main"), "bg.jpg");
    EXPECT_EQ(skin.value(shell::kScreenSection, "Mask", "bg.jpg"), "bg.jpg");

    shell::SkinFile none(dir / "nothing.ini");
    EXPECT_FALSE(none.loaded());
    EXPECT_EQ(none.rect("CONTROL_OK"), SkinRect{});
}

TEST(SkinFile, long_values_are_cut_to_2047_characters) {
    test::TempDir dir;
    const std::string path = dir / "Long.ini";
    std::ofstream(path) << "[SCREEN]\nMain=" << std::string(5000, 'a') << "\n";
    EXPECT_EQ(shell::SkinFile(path).value(shell::kScreenSection, "Main").size(), shell::kSkinValueMax);
}

namespace {

// A picture from rows of characters: '.' white, anything else black.
std::vector<uint32_t> picture(const std::vector<std::string> &rows) {
    std::vector<uint32_t> px;
    for (const auto &r : rows)
        for (char c : r) px.push_back(c == '.' ? 0xFFFFFFFFu : 0xFF000000u);
    return px;
}

}  // namespace

TEST(SkinRegion, takes_the_non_white_pixels_in_row_runs_joined_into_bands) {
    const std::vector<std::string> rows = {
        "..####..",
        ".######.",
        "########",
        "########",
        ".######.",
        "##....##",
    };
    const auto px = picture(rows);
    const auto rects = shell::maskRegion(px.data(), 8, 6, 8);
    const std::vector<shell::RegionRect> want = {
        {2, 0, 6, 1}, {1, 1, 7, 2}, {0, 2, 8, 4}, {1, 4, 7, 5}, {0, 5, 2, 6}, {6, 5, 8, 6},
    };
    EXPECT_EQ(rects, want);
    // Every pixel is inside exactly when it is not white.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            int hits = 0;
            for (const auto &r : rects) hits += x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1;
            EXPECT_EQ(hits, rows[y][x] == '.' ? 0 : 1) << x << "," << y;
        }
}

TEST(SkinRegion, tolerance_and_degenerate_pictures) {
    const uint32_t nearWhite[] = {0xFFFEFEFE, 0xFFFFFFFF, 0xFF000000};
    EXPECT_EQ(shell::maskRegion(nearWhite, 3, 1, 3).size(), 2u);  // tolerance 0: only pure white is cut away
    EXPECT_EQ(shell::maskRegion(nearWhite, 3, 1, 3, 0xFEFEFE, 1), (std::vector<shell::RegionRect>{{2, 0, 3, 1}}));
    const uint32_t white[] = {0xFFFFFFFF, 0xFFFFFFFF};
    EXPECT_TRUE(shell::maskRegion(white, 2, 1, 2).empty());
    EXPECT_TRUE(shell::maskRegion(nullptr, 2, 1, 2).empty());
    EXPECT_TRUE(shell::maskRegion(white, 2, 1, 1).empty());  // a stride shorter than a row
}

TEST(KeyboardPicture, skin_keys_of_keys_and_g_keys) {
    EXPECT_EQ(shell::KeyButtonSkinKey(0x01E), "KEY_01E");
    EXPECT_EQ(shell::KeyButtonSkinKey(0x11D), "KEY_09D");  // right Ctrl: table index 157
    EXPECT_EQ(shell::KeyButtonSkinKey(0x15D), "KEY_0DD");
    EXPECT_EQ(shell::KeyButtonTableIndex(0x200), 256);
    EXPECT_EQ(shell::GKeySkinKey(0), "FUNC_G1");
    EXPECT_EQ(shell::GKeySkinKey(8), "FUNC_G9");
}

TEST(KeyboardPicture, table_and_grid_agree) {
    std::set<int> ids, leds, keys;
    for (const auto &k : shell::KeyButtonTable) {
        EXPECT_TRUE(ids.insert(k.controlId).second) << k.controlId;
        EXPECT_TRUE(leds.insert(k.ledIndex).second) << k.ledIndex;
        EXPECT_TRUE(keys.insert(shell::KeyButtonTableIndex(k.keyCode)).second) << k.keyCode;
        EXPECT_LT(k.ledIndex, 126);
    }
    std::set<int> inGrid;
    for (const auto &row : shell::KeyGrid)
        for (int id : row)
            if (id) {
                EXPECT_TRUE(ids.count(id) || id == shell::kFnControlId) << id;
                inGrid.insert(id);
            }
    // The grid walks every key but the right Windows key, whose place the Fn key takes.
    EXPECT_EQ(inGrid.size(), shell::kKeyButtonCount);
    EXPECT_FALSE(inGrid.count(1087));
}

TEST(SkinKeys, every_window_names_each_key_once_with_a_usable_picture_set) {
    for (const shell::WindowSkin *w : shell::AllWindowSkins()) {
        std::set<std::string> seen;
        for (const auto &k : w->buttonInfo) {
            EXPECT_TRUE(seen.insert(k.key).second) << w->iniFile << " " << k.key;
            if (k.use == shell::SkinUse::ImageButton) {
                ASSERT_GE(k.pictureSet, 0) << k.key;
                ASSERT_LT(static_cast<size_t>(k.pictureSet), w->pictureSets.size()) << k.key;
            }
        }
        for (const auto &set : w->pictureSets)
            for (const auto &f : set.files)
                EXPECT_NE(std::find(w->statePictures.begin(), w->statePictures.end(), f), w->statePictures.end())
                    << w->iniFile << " " << f;
    }
    const auto &main = shell::MainWindowSkin();
    const auto images = std::count_if(main.buttonInfo.begin(), main.buttonInfo.end(),
                                      [](const auto &k) { return k.use == shell::SkinUse::ImageButton; });
    EXPECT_EQ(images, 27 + 106 + 9);  // the named buttons, the key buttons, the G keys
    EXPECT_EQ(shell::CompositeSkin().statePictures.size(), 17u);
}
