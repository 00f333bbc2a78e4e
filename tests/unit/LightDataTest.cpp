// Lighting data without a keyboard: decoding a light block, the list of offered effects,
// the key positions, and the light file's format and defaults.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>

#include "model/LightData.h"
#include "model/LightUserFile.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::model;
using test::TempDir;

TEST(LightBlockDecoding, reading_rules) {
    struct Case {
        const char *what;
        std::vector<std::pair<int, uint8_t>> bytes;  // set on a zero block
        LightSettings before;                         // what was known before the read
        std::function<void(const LightSettings &)> check;
    } cases[] = {
        {"report rate above 3 reads as 3", {{15, 7}}, {}, [](auto &s) { EXPECT_EQ(s.reportRate, 3); }},
        {"report rate 2 stays", {{15, 2}}, {}, [](auto &s) { EXPECT_EQ(s.reportRate, 2); }},
        {"colour choice 9 reads as red", {{17, 9}}, {.colourChoice = 3}, [](auto &s) { EXPECT_EQ(s.colourChoice, 0); }},
        {"colour choice 3 stays", {{17, 3}}, {}, [](auto &s) { EXPECT_EQ(s.colourChoice, 3); }},
        {"any non-zero colourful byte is on", {{4, 0x80}, {28, 2}, {33, 0}}, {},
         [](auto &s) {
             EXPECT_TRUE(s.colourful);
             EXPECT_TRUE(s.secondColourful);
             EXPECT_FALSE(s.thirdColourful);
         }},
        {"colours are red in the low byte", {{5, 1}, {6, 2}, {7, 3}, {25, 4}, {27, 6}, {30, 7}, {32, 9}}, {},
         [](auto &s) {
             EXPECT_EQ(s.colour, 0x030201u);
             EXPECT_EQ(s.secondColour, 0x060004u);
             EXPECT_EQ(s.thirdColour, 0x090007u);
         }},
        {"byte 18 is read while the effect is 7", {{0, 7}, {18, 1}}, {}, [](auto &s) { EXPECT_EQ(s.extraFlag, 1); }},
        {"byte 18 is kept for other effects", {{0, 8}, {18, 0}}, {.extraFlag = 1},
         [](auto &s) { EXPECT_EQ(s.extraFlag, 1); }},
        {"byte 18 above 1 is kept", {{0, 7}, {18, 2}}, {.extraFlag = 1}, [](auto &s) { EXPECT_EQ(s.extraFlag, 1); }},
        {"trigger kind 0 or 1 is read", {{19, 1}}, {}, [](auto &s) { EXPECT_EQ(s.triggerKind, 1); }},
        {"trigger kind above 1 is kept", {{19, 5}}, {.triggerKind = 1}, [](auto &s) { EXPECT_EQ(s.triggerKind, 1); }},
        {"effect, levels and direction as they are", {{0, 19}, {1, 9}, {2, 5}, {3, 255}}, {},
         [](auto &s) {
             EXPECT_EQ(s.effect, 19);
             EXPECT_EQ(s.brightness, 9);
             EXPECT_EQ(s.speed, 5);
             EXPECT_EQ(s.direction, 255);
         }},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        LightBlock block{};
        for (auto [at, v] : c.bytes) block[static_cast<size_t>(at)] = v;
        LightSettings s = c.before;
        decodeLightBlock(block.data(), s);
        c.check(s);
    }
}

TEST(LightBlockDecoding, default_block_is_the_documented_35_bytes) {
    const LightBlock b = defaultLightBlock();
    const std::vector<uint8_t> head(b.begin(), b.begin() + kDefaultBlockLength);
    std::vector<uint8_t> want = {1, 4, 2, 0, 255, 255, 255, 255};
    want.resize(kDefaultBlockLength, 0);
    EXPECT_EQ(head, want);
}

TEST(ModeTable, positions_count_only_non_zero_slots) {
    uint8_t modes[32] = {};
    EXPECT_EQ(ModeTable(modes).size(), 0);
    EXPECT_EQ(ModeTable(modes).positionOf(1), -1);
    EXPECT_EQ(ModeTable(modes).positionOf(0), -1);  // empty slots are not an effect

    modes[1] = 5;
    modes[4] = 20;
    modes[5] = 19;
    modes[31] = 1;
    ModeTable t(modes);
    EXPECT_EQ(t.size(), 4);
    EXPECT_EQ(t.positionOf(5), 0);
    EXPECT_EQ(t.positionOf(20), 1);
    EXPECT_EQ(t.positionOf(19), 2);
    EXPECT_EQ(t.positionOf(1), 3);
    EXPECT_EQ(t.positionOf(2), -1);
    EXPECT_EQ(t.effectAt(3), 1);
    EXPECT_EQ(t.effectAt(4), 0);
    EXPECT_EQ(t.effectAt(-1), 0);
}

TEST(ModeTable, effects_without_a_parameter_group) {
    for (int n : {0, 19, 21, 255}) EXPECT_EQ(effectGroup(n), nullptr) << n;
    for (int n = 1; n <= 20; ++n) {
        if (n == 19) continue;
        EXPECT_NE(effectGroup(n), nullptr) << n;
    }
}

TEST(KeyPositions, ordinary_keys_have_positions_of_their_own_below_125_and_never_fn) {
    std::set<int> seen;
    for (int k = 0; k < kOrdinaryKeys; ++k) {
        const int led = litKeyPositions()[static_cast<size_t>(k)];
        EXPECT_LT(led, kGKeyPosition);
        EXPECT_NE(led, kFnPosition);
        EXPECT_TRUE(seen.insert(led).second) << "position " << led << " used twice";
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kOrdinaryKeys));
    EXPECT_EQ(litKeyPositions()[kOrdinaryKeys], kFnPosition);
    EXPECT_EQ(litKeyPositions()[kOrdinaryKeys + 1], kGKeyPosition);
}

TEST(UserColourFile, missing_sections_and_keys_read_as_the_defaults) {
    TempDir tmp;
    const std::string path = tmp / "light.userd";
    std::ofstream(path) << "[PRESENTMODE]\nmode=3\n[MODENAME]\n1=Fire\n2=\n[Mode2]\n7=1,2,3,0\ntool=1\n";
    UserColourFile f(path);
    EXPECT_EQ(f.presentMode(), 3);
    // No section for user mode 3: every key red and following the base colour, pen, black.
    for (int p = 0; p < kKeyPositions; ++p) {
        EXPECT_EQ(f.key(3, p).colour, kRed);
        EXPECT_TRUE(f.key(3, p).followsBase);
    }
    EXPECT_EQ(f.tool(3), 0);
    EXPECT_EQ(f.baseColour(3), 0u);
    EXPECT_EQ(f.paintColour(3), 0u);
    EXPECT_EQ(f.modeName(0), "0");  // never named
    EXPECT_EQ(f.modeName(1), "Fire");
    EXPECT_EQ(f.modeName(2), "");  // named empty
    EXPECT_EQ(f.key(2, 8).colour, kRed);
    EXPECT_EQ(f.key(2, 7).colour, makeColour(1, 2, 3));

    UserColourFile none(tmp / "absent.userd");
    EXPECT_EQ(none.presentMode(), 0);
    EXPECT_EQ(none.modeName(9), "0");
}

TEST(UserColourFile, values_are_parsed_leniently_and_kept_in_range) {
    struct Case {
        const char *text;
        Colour colour;
        bool followsBase;
    } cases[] = {
        {"10,20,30,1", makeColour(10, 20, 30), true},
        {"10,20,30,7", makeColour(10, 20, 30), true},  // any non-zero flag is 1
        {"10,20,30,0", makeColour(10, 20, 30), false},
        {"10,20,30", makeColour(10, 20, 30), false},
        {"300,-4,x,1", makeColour(255, 0, 0), true},
        {"", 0, false},
        {" 1 , 2 , 3 , 1 ", makeColour(1, 2, 3), true},
    };
    for (const auto &c : cases) {
        UserKeyColour v = parseKeyColour(c.text);
        EXPECT_EQ(v.colour, c.colour) << c.text;
        EXPECT_EQ(v.followsBase, c.followsBase) << c.text;
    }
    EXPECT_EQ(formatKeyColour({makeColour(1, 2, 3), true}), "1,2,3,1");
    EXPECT_EQ(formatColour(makeColour(255, 0, 128)), "255,0,128");
}

TEST(UserColourFile, out_of_range_present_mode_reads_as_0) {
    TempDir tmp;
    for (const char *v : {"10", "-1", "x"}) {
        std::ofstream(tmp / "f.userd") << "[PRESENTMODE]\nmode=" << v << "\n";
        EXPECT_EQ(UserColourFile(tmp / "f.userd").presentMode(), 0) << v;
    }
}

TEST(UserColourFile, edits_keep_the_rest_of_the_file_and_names_stay_on_one_line) {
    TempDir tmp;
    const std::string path = tmp / "sub/light.userd";  // the folder is created on save
    {
        UserColourFile f(path);
        f.setModeName(4, "two\nlines");
        f.setKey(4, 125, {makeColour(9, 8, 7), false});
        f.setToolAndColours(4, 1, makeColour(1, 1, 1), makeColour(2, 2, 2));
        ASSERT_TRUE(f.save());
    }
    UserColourFile f(path);
    EXPECT_EQ(f.modeName(4), "two lines");
    EXPECT_EQ(f.key(4, 125).colour, makeColour(9, 8, 7));
    EXPECT_FALSE(f.key(4, 125).followsBase);
    EXPECT_EQ(f.tool(4), 1);
    EXPECT_EQ(f.baseColour(4), makeColour(1, 1, 1));
    EXPECT_EQ(f.paintColour(4), makeColour(2, 2, 2));
}

TEST(UserColourFile, shipped_template_defines_every_lit_key_of_every_user_mode) {
    const std::string path = std::string(T44_SOURCE_DIR) + "/data/Skins/UserDengColor_3.userd";
    storage::CIniFile ini;
    ASSERT_TRUE(ini.load(path));
    UserColourFile f(path);
    EXPECT_EQ(f.presentMode(), 0);
    for (int m = 0; m < kUserModes; ++m) {
        SCOPED_TRACE("user mode " + std::to_string(m));
        EXPECT_TRUE(ini.get("MODENAME", std::to_string(m)).has_value());
        EXPECT_TRUE(ini.get("Mode" + std::to_string(m), "tool").has_value());
        EXPECT_TRUE(f.tool(m) == 0 || f.tool(m) == 1);
        for (int p : litKeyPositions()) {
            ASSERT_TRUE(ini.get("Mode" + std::to_string(m), std::to_string(p)).has_value()) << "position " << p;
            // A key follows the base colour exactly when it has that colour.
            EXPECT_EQ(f.key(m, p).followsBase, f.key(m, p).colour == f.baseColour(m)) << "position " << p;
        }
    }
}
