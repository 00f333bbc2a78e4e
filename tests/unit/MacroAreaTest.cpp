// Macro records and the keyboard's macro area: golden images, the encoding of single
// actions, round trips, and images from the keyboard that contradict themselves.

#include <gtest/gtest.h>

#include <functional>

#include "model/Macros.h"

using namespace t44::model;

namespace {

using Bytes = std::vector<uint8_t>;

MacroRecord macro(std::u16string_view name, std::vector<MacroAction> actions, uint8_t cycles = 1, uint16_t id = 1) {
    MacroRecord m;
    m.setName(name);
    m.cycles = cycles;
    m.id = id;
    m.actionCount = static_cast<uint16_t>(actions.size());
    std::copy(actions.begin(), actions.end(), m.actions.begin());
    return m;
}

std::string hex(const Bytes &b) {
    std::string s;
    char buf[4];
    for (uint8_t v : b) {
        std::snprintf(buf, sizeof buf, "%02X ", v);
        s += buf;
    }
    if (!s.empty()) s.pop_back();
    return s;
}

MacroList decode(const Bytes &b) { return decodeMacroArea(b, u"Macro "); }

// Two macros with names, the image every damage case below starts from.
Bytes twoMacroImage() {
    MacroList list = {macro(u"ab", {{50, 0x01E, kPress}, {20, 0x01E, kRelease}}),
                      macro(u"xyz", {{10, 0x138, kPress}}, 3, 2)};
    return encodeMacroArea(list, true);
}

void put16(Bytes &b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

TEST(MacroArea, empty_list_is_a_sixteen_byte_image_with_names) {
    const MacroAreaSizes sizes = macroAreaSizes({});
    EXPECT_EQ(sizes.minimal, 16u);
    EXPECT_EQ(sizes.full, 16u);
    EXPECT_EQ(hex(encodeMacroArea({}, true)), "AA 55 10 00 00 00 01 00 00 00 00 00 00 00 00 00");
    EXPECT_TRUE(decode(encodeMacroArea({}, true)).empty());
}

TEST(MacroArea, one_macro_image_with_and_without_names) {
    const MacroList list = {macro(u"ab", {{50, 0x01E, kPress}})};
    const MacroAreaSizes sizes = macroAreaSizes(list);
    EXPECT_EQ(sizes.minimal, 26u);
    EXPECT_EQ(sizes.full, 30u);
    EXPECT_EQ(hex(encodeMacroArea(list, true)),
              "AA 55 1E 00 01 00 01 00 00 00 00 00 00 00 00 00 "
              "12 00 "
              "01 00 01 02 "
              "05 A0 02 04 "
              "61 00 62 00");
    EXPECT_EQ(hex(encodeMacroArea(list, false)),
              "AA 55 1A 00 01 00 00 00 00 00 00 00 00 00 00 00 "
              "12 00 "
              "01 00 01 00 "
              "05 A0 02 04");
}

TEST(MacroArea, actions_encode_by_the_class_of_their_key) {
    struct Case {
        const char *what;
        MacroAction action;
        std::string bytes;
        MacroAction decoded;
    } cases[] = {
        {"Right Alt release, 1234 ms", {1234, 0x138, kRelease}, "7B 20 01 40", {1230, 0x138, kRelease}},
        {"A press, 50 ms", {50, 0x01E, kPress}, "05 A0 02 04", {50, 0x01E, kPress}},
        {"40000 ms", {40000, 0x030, kPress}, "A0 AF 02 05", {40000, 0x030, kPress}},
        // A pause beyond the field is kept as the longest one, not wrapped to 40 ms.
        {"41000 ms", {41000, 0x030, kPress}, "FF AF 02 05", {kMaxEncodedDelayMs, 0x030, kPress}},
        {"largest delay", {0xFFFFFFFF, 0x030, kRelease}, "FF 2F 02 05", {kMaxEncodedDelayMs, 0x030, kRelease}},
        {"left button", {0, 0x171, kPress}, "00 90 01 01", {0, 0x171, kPress}},
        {"wheel down", {10, 0x162, kPress}, "01 90 05 FF", {10, 0x162, kPress}},
        {"Power", {0, 0x15E, kPress}, "00 C0 81 00", {0, 0x15E, kPress}},
        {"Mute as a keyboard code", {0, 0x120, kPress}, "00 A0 02 CD", {0, 0x120, kPress}},
        {"Sys Req has no code", {0, 0x054, kPress}, "00 80 00 00", {0, 0, kPress}},
        {"G key has no code", {0, 0x200, kRelease}, "00 00 00 00", {0, 0, kRelease}},
        {"any state but release presses", {0, 0x01E, 7}, "00 A0 02 04", {0, 0x01E, kPress}},
    };
    for (const auto &c : cases) {
        const auto b = encodeMacroAction(c.action);
        EXPECT_EQ(hex(Bytes(b.begin(), b.end())), c.bytes) << c.what;
        EXPECT_EQ(decodeMacroAction(b.data()), c.decoded) << c.what;
    }
}

TEST(MacroArea, round_trip_keeps_actions_and_names_and_numbers_macros) {
    MacroList list;
    for (uint16_t i = 0; i < 5; ++i) {
        std::vector<MacroAction> actions;
        for (uint16_t j = 0; j < 10 * i; ++j)
            actions.push_back({static_cast<uint32_t>(10 * j), static_cast<KeyCode>(j % 2 ? 0x01D : 0x173),
                               static_cast<uint16_t>(j % 2)});
        MacroRecord m = macro(i == 2 ? u"" : u"M\u00E9" + std::u16string(i, u'x'), actions,
                              static_cast<uint8_t>(i + 1), static_cast<uint16_t>(50 - i));
        m.isNew = 1;
        list.push_back(m);
    }
    for (bool names : {true, false}) {
        const MacroList back = decode(encodeMacroArea(list, names));
        ASSERT_EQ(back.size(), list.size());
        for (size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(back[i].id, i + 1) << "ids follow list positions";
            EXPECT_EQ(back[i].isNew, 0);
            EXPECT_EQ(back[i].cycles, list[i].cycles);
            EXPECT_EQ(back[i].actionCount, list[i].actionCount);
            EXPECT_TRUE(std::equal(back[i].usedActions().begin(), back[i].usedActions().end(),
                                   list[i].usedActions().begin()));
            const bool keepsName = names && list[i].nameLength() > 0;
            const std::u16string expected =
                keepsName ? std::u16string(list[i].nameView()) : u"Macro " + std::u16string(1, char16_t(u'1' + i));
            EXPECT_EQ(std::u16string(back[i].nameView()), expected) << i;
            EXPECT_EQ(back[i].name[back[i].nameLength()], 0);
        }
    }
}

TEST(MacroArea, damaged_records_are_read_within_their_limits) {
    MacroRecord m = macro(u"", {});
    m.actionCount = 65535;                            // more actions than a record holds
    m.name.fill(u'n');                                // no terminator
    const MacroAreaSizes sizes = macroAreaSizes({m});
    EXPECT_EQ(sizes.minimal, 16u + 2 + 4 + 4 * 2000);
    EXPECT_EQ(sizes.full, sizes.minimal + 2 * 249);
    const Bytes image = encodeMacroArea({m}, true);
    ASSERT_EQ(image.size(), sizes.full);
    const MacroList back = decode(image);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].actionCount, 2000);
    EXPECT_EQ(back[0].nameLength(), 249u);

    // An image beyond the 16-bit size field is not made at all.
    MacroList big(9, macro(u"", std::vector<MacroAction>(2000, {10, 0x01E, kPress})));
    EXPECT_GT(macroAreaSizes(big).minimal, 0xFFFFu);
    EXPECT_TRUE(encodeMacroArea(big, false).empty());
}

TEST(MacroArea, untrusted_images_that_contradict_themselves_read_as_empty) {
    const Bytes good = twoMacroImage();
    ASSERT_EQ(decode(good).size(), 2u);
    // Header 16 bytes, directory 4; entry 0 at 20 (4 + 2 actions x 4 + "ab" 4 = 16 bytes),
    // entry 1 at 36.
    const uint16_t entry0 = static_cast<uint16_t>(good[16] | good[17] << 8);
    const uint16_t entry1 = static_cast<uint16_t>(good[18] | good[19] << 8);
    ASSERT_EQ(entry0, 20);
    ASSERT_EQ(entry1, 20 + 4 + 8 + 4);

    struct Case {
        const char *what;
        std::function<void(Bytes &)> damage;
    } cases[] = {
        {"no magic", [](Bytes &b) { b[0] = 0x55; }},
        {"shorter than a header", [](Bytes &b) { b.resize(15); }},
        {"fewer bytes than its size", [](Bytes &b) { b.pop_back(); }},
        {"size below a header", [](Bytes &b) { put16(b, 2, 15); }},
        {"size cuts the last name", [&](Bytes &b) { put16(b, 2, static_cast<uint16_t>(good.size() - 1)); }},
        {"directory beyond the size", [](Bytes &b) { put16(b, 4, 40); }},
        {"entry inside the directory", [](Bytes &b) { put16(b, 18, 18); }},
        {"entry inside the header", [](Bytes &b) { put16(b, 16, 2); }},
        {"entry past the end", [&](Bytes &b) { put16(b, 18, static_cast<uint16_t>(good.size() - 3)); }},
        {"actions past the end", [&](Bytes &b) { put16(b, entry1, 100); }},
        {"more than 2000 actions", [&](Bytes &b) {
             put16(b, entry1, 2001);
             b.resize(b.size() + 2001 * 4);
             put16(b, 2, static_cast<uint16_t>(b.size()));
         }},
        {"name past the end", [&](Bytes &b) { b[entry1 + 3] = 4; }},
        {"name longer than a record holds", [&](Bytes &b) {
             b[entry1 + 3] = 250;
             b.resize(b.size() + 500);
             put16(b, 2, static_cast<uint16_t>(b.size()));
         }},
    };
    for (const auto &c : cases) {
        Bytes b = good;
        c.damage(b);
        EXPECT_TRUE(decode(b).empty()) << c.what;
    }

    // A well-formed image of more macros than the list holds is refused too.
    EXPECT_EQ(decode(encodeMacroArea(MacroList(100, macro(u"", {})), false)).size(), 100u);
    EXPECT_TRUE(decode(encodeMacroArea(MacroList(101, macro(u"", {})), false)).empty());

    // The checks leave room for what a sound image may hold: more bytes than its size
    // (the whole area), entries in any order, a name of 249 characters.
    Bytes longer = good;
    longer.resize(longer.size() + 100, 0xFF);
    EXPECT_EQ(decode(longer).size(), 2u);
    Bytes swapped = good;
    put16(swapped, 16, entry1);
    put16(swapped, 18, entry0);
    const MacroList back = decode(swapped);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(std::u16string(back[0].nameView()), u"xyz");
    Bytes longest = encodeMacroArea({macro(std::u16string(249, u'z'), {})}, true);
    ASSERT_EQ(decode(longest).size(), 1u);
    EXPECT_EQ(decode(longest)[0].nameLength(), 249u);
}

TEST(MacroArea, position_of_an_id_and_its_fallback) {
    const MacroList list = {macro(u"a", {}, 1, 4), macro(u"b", {}, 1, 9), macro(u"c", {}, 1, 9)};
    EXPECT_EQ(macroPositionIn(list, 4), 0);
    EXPECT_EQ(macroPositionIn(list, 9), 1);
    EXPECT_EQ(macroPositionIn(list, 0x10009), 1);  // the low 16 bits
    EXPECT_EQ(macroPositionIn(list, 5), 0);
    EXPECT_EQ(macroPositionIn({}, 1), 0);
}
