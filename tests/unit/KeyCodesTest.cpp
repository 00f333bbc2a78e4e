// Key codes and the key catalogue: raw input and table indexes, the derived lists, the
// device-code lookups in both directions, evdev codes, and key names from a language file.

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <cstring>
#include <fstream>
#include <set>

#include "model/KeyCodes.h"
#include "model/KeyMatrix.h"
#include "shell/Language.h"
#include "support/UserEnvironment.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::model;

TEST(KeyCodes, raw_input_and_table_indexes) {
    struct Raw {
        uint16_t make;
        unsigned flags;
        KeyCode expected;
    } raws[] = {
        {0x45, 0, 0x145},       // a plain 0x45 is Num Lock
        {0x1D, kRawE1, 0x045},  // the E1 sequence is Pause
        {0x1D, kRawE0, 0x11D},  // Right Ctrl
        {0x1E, 0, 0x01E},
        {0x45, kRawE0, 0x145},
    };
    for (const auto &r : raws)
        EXPECT_EQ(KeyCodeFromRawInput(r.make, r.flags), r.expected) << std::hex << r.make << " " << r.flags;

    struct Index {
        KeyCode code;
        uint16_t index;
    } indexes[] = {
        {0x000, 0}, {0x01E, 30}, {0x07F, 127}, {0x11D, 157}, {0x100, 128}, {0x17F, 255},
        {0x200, 256}, {0x211, 273}, {0x2FF, 511},
        {0x180, 0}, {0x1FF, 0}, {0x300, 0}, {0xFFFF, 0},  // no record
    };
    for (const auto &i : indexes) EXPECT_EQ(KeyTableIndexOf(i.code), i.index) << std::hex << i.code;
    for (uint16_t index = 1; index < 256; ++index) EXPECT_EQ(KeyTableIndexOf(KeyCodeOfIndex(index)), index);
    EXPECT_EQ(KeyCodeOfIndex(157), 0x11D);
}

TEST(KeyCodes, key_table_rows_are_the_catalogue) {
    size_t rows = 0;
    for (uint16_t i = 0; i < kKeyTableRows; ++i) rows += KeyRowOf(KeyCodeOfIndex(i)) != nullptr;
    EXPECT_EQ(rows, 157u);

    struct Row {
        KeyCode code;
        uint8_t vk, device, list;
        const char *lang;
    } samples[] = {
        {0x001, 0x1B, 0x29, 37, "IDS_KEYBOARD_ESC"},
        {0x054, 0x2C, 0x00, kNotOffered, "IDS_KEYBOARD_SYSREQ"},
        {0x073, 0xC1, 0x87, kNotOffered, "IDS_KEYBOARD_K56"},
        {0x119, 0xB0, 0xD1, kNotOffered, "MEDIA_Next_TRACK_5"},
        {0x136, 0xA1, 0xE5, 103, "IDS_KEYBOARD_RSHIFT"},
        {0x145, 0x90, 0x53, 79, "IDS_KEYBOARD_NUM"},
        {0x162, 0xD2, 0xF5, 110, "IDS_KEYBOARD_ROLL_DOWN"},
        {0x17E, 0x9F, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_CALENDAR"},
    };
    for (const auto &s : samples) {
        const KeyInfo *row = KeyRowOf(s.code);
        ASSERT_NE(row, nullptr) << std::hex << s.code;
        EXPECT_EQ(row->vk, s.vk) << std::hex << s.code;
        EXPECT_EQ(row->deviceCode, s.device) << std::hex << s.code;
        EXPECT_EQ(row->listPosition, s.list) << std::hex << s.code;
        EXPECT_STREQ(row->langKey, s.lang) << std::hex << s.code;
    }
    const KeyInfo *f13 = KeyRowOf(0x064);
    ASSERT_NE(f13, nullptr);
    EXPECT_EQ(f13->langKey, nullptr);
    for (KeyCode none : {KeyCode{0x000}, KeyCode{0x055}, KeyCode{0x11E}, KeyCode{0x200}, KeyCode{0x1FF}}) EXPECT_EQ(KeyRowOf(none), nullptr) << std::hex << none;
}

TEST(KeyCodes, assign_key_list_is_in_list_position_order) {
    const std::vector<KeyCode> expected = {
        // A-Z
        0x01E, 0x030, 0x02E, 0x020, 0x012, 0x021, 0x022, 0x023, 0x017, 0x024, 0x025, 0x026, 0x032, 0x031,
        0x018, 0x019, 0x010, 0x013, 0x01F, 0x014, 0x016, 0x02F, 0x011, 0x02D, 0x015, 0x02C,
        // 1-9, 0
        0x002, 0x003, 0x004, 0x005, 0x006, 0x007, 0x008, 0x009, 0x00A, 0x00B,
        // Enter, Esc, Backspace, Tab, Space, Minus, Equals, brackets, Backslash, Semicolon,
        // Apostrophe, Grave, Comma, Period, Slash
        0x01C, 0x001, 0x00E, 0x00F, 0x039, 0x00C, 0x00D, 0x01A, 0x01B, 0x02B, 0x027, 0x028, 0x029, 0x033,
        0x034, 0x035,
        // F1-F12
        0x03B, 0x03C, 0x03D, 0x03E, 0x03F, 0x040, 0x041, 0x042, 0x043, 0x044, 0x057, 0x058,
        // Print Screen, Pause, Break, Insert, Delete, Home, End, Page Up, Page Down, arrows, locks
        0x137, 0x045, 0x146, 0x152, 0x153, 0x147, 0x14F, 0x149, 0x151, 0x148, 0x150, 0x14B, 0x14D, 0x046,
        0x03A, 0x145,
        // numeric pad: divide, multiply, minus, plus, Enter, 1-9, 0, decimal
        0x135, 0x037, 0x04A, 0x04E, 0x11C, 0x04F, 0x050, 0x051, 0x04B, 0x04C, 0x04D, 0x047, 0x048, 0x049,
        0x052, 0x053,
        // K45, App, modifiers
        0x056, 0x15D, 0x01D, 0x02A, 0x038, 0x15B, 0x11D, 0x036, 0x138, 0x15C,
        // mouse buttons and wheel
        0x171, 0x172, 0x173, 0x161, 0x162,
    };
    EXPECT_EQ(std::vector<KeyCode>(AssignKeyList.begin(), AssignKeyList.end()), expected);
    for (size_t pos = 0; pos < kAssignKeyCount; ++pos) {
        EXPECT_EQ(KeyCodeFromListPosition(static_cast<int>(pos)), expected[pos]);
        EXPECT_EQ(ListPositionOfKey(expected[pos]), pos);
    }
    // Right Shift has two rows with one position; the list finds the first.
    EXPECT_EQ(ListPositionOfKey(0x136), 103);
    for (int pos : {-1, 111, 255}) EXPECT_EQ(KeyCodeFromListPosition(pos), 0) << pos;
    for (KeyCode notOffered : {KeyCode{0x054}, KeyCode{0x120}, KeyCode{0x200}, KeyCode{0x000}}) EXPECT_EQ(ListPositionOfKey(notOffered), kNotOffered);
}

TEST(KeyCodes, device_codes_classify_and_find_their_keys) {
    struct Classified {
        KeyCode code;
        int cls;
        uint8_t value;
    } classes[] = {
        {0x01E, DeviceClass::Keyboard, 0x04}, {0x120, DeviceClass::Keyboard, 0xCD},  // a consumer key
        {0x15E, DeviceClass::System, 0x81},   {0x163, DeviceClass::System, 0x83},
        {0x171, DeviceClass::Mouse, 0xF1},    {0x162, DeviceClass::Mouse, 0xF5},
        {0x054, DeviceClass::None, 0},        {0x064, DeviceClass::None, 0},
        {0x200, DeviceClass::None, 0},        {0x000, DeviceClass::None, 0},
    };
    for (const auto &c : classes) {
        const DeviceCodeClass got = ClassifyDeviceCode(c.code);
        EXPECT_EQ(got.cls, c.cls) << std::hex << c.code;
        EXPECT_EQ(got.value, c.value) << std::hex << c.code;
    }

    struct Found {
        int cls;
        uint16_t value;
        KeyCode expected;
    } found[] = {
        {DeviceClass::Keyboard, 0x04, 0x01E},
        {DeviceClass::Keyboard, 0x48, 0x045},  // Pause and Break share it: Pause comes first
        {DeviceClass::Keyboard, 0xE5, 0x036},  // two Right Shift rows: the first
        {DeviceClass::Keyboard, 0x00, 0},
        {DeviceClass::Keyboard, 0x99, 0},
        {DeviceClass::Keyboard, 0x104, 0},
        {DeviceClass::System, 0x82, 0x15F},
        {DeviceClass::System, 0x04, 0},
        {DeviceClass::Consumer, 0x00E2, 0x120},  // Mute, device code 0xCD
        {DeviceClass::Consumer, 0x0000, 0},
        {DeviceClass::Consumer, 0x1234, 0},
        {3, 0x04, 0},
    };
    for (const auto &f : found)
        EXPECT_EQ(KeyCodeFromDeviceCode(f.cls, f.value), f.expected) << f.cls << " " << std::hex << f.value;

    // Every multimedia key's usage leads back to its own key through the consumer slots
    // and the key rows' device codes.
    for (const ConsumerKey &k : ConsumerKeyTable)
        EXPECT_EQ(KeyCodeFromDeviceCode(DeviceClass::Consumer, k.usage), k.code) << std::hex << k.usage;

    struct Modifier {
        uint8_t bits;
        KeyCode expected;
    } modifiers[] = {{0x01, 0x01D}, {0x02, 0x02A}, {0x04, 0x038}, {0x08, 0x15B}, {0x10, 0x11D},
                     {0x20, 0x036}, {0x40, 0x138}, {0x80, 0x15C}, {0x41, 0x01D}, {0xC0, 0x138}, {0, 0}};
    for (const auto &m : modifiers) EXPECT_EQ(ModifierKeyCode(m.bits), m.expected) << std::hex << int(m.bits);
}

TEST(KeyCodes, matrix_entries_name_their_keys) {
    struct Case {
        MatrixEntry entry;
        KeyCode expected;
    } cases[] = {
        {{1, 1, 0x01}, 0x171}, {{1, 1, 0x02}, 0x172}, {{1, 1, 0x04}, 0x173}, {{1, 5, 0x01}, 0x161},
        {{1, 5, 0xFF}, 0x162}, {{1, 1, 0x03}, 0},     {{1, 5, 0x02}, 0},     {{1, 2, 0x01}, 0},
        {{2, 2, 0x04}, 0x01E}, {{2, 2, 0x00}, 0},     {{2, 1, 0x40}, 0x138}, {{2, 7, 0x02}, 0x02A},
        {{2, 1, 0x00}, 0},     {{3, 0xE2, 0x00}, 0x120}, {{3, 0x83, 0x01}, 0x16D}, {{3, 0x01, 0x00}, 0},
        {{4, 0x81, 0x00}, 0x15E}, {{4, 0x83, 0x00}, 0x163}, {{4, 0x81, 0x01}, 0},
        {{6, 0xA2, 1}, 0x200}, {{6, 0xA2, 9}, 0x208}, {{6, 0xA1, 1}, 0},
        {{5, 0, 0}, 0},        {{5, 2, 2}, 0},        {{0, 0, 0}, 0},        {{7, 2, 4}, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KeyCodeOfEntry(c.entry), c.expected)
            << int(c.entry.cls) << "," << int(c.entry.sub) << "," << int(c.entry.value);
}

TEST(KeyCodes, virtual_key_index_follows_the_rows) {
    struct Case {
        uint8_t vk;
        KeyCode expected;
    } cases[] = {
        {0x41, 0x01E}, {0x10, 0x02A}, {0x11, 0x01D}, {0x12, 0x038}, {0xA3, 0x11D},
        {0x0D, 0x01C},  // Enter before Num Enter
        {0x2C, 0x137},  // Print Screen, which the keyboard has a code for, not Sys Req
        {0x13, 0x045}, {0xAD, 0x120}, {0x01, 0x171}, {0x07, 0}, {0xFF, 0}, {0x00, 0},
    };
    for (const auto &c : cases) EXPECT_EQ(VirtualKeyIndex[c.vk], c.expected) << std::hex << int(c.vk);
    for (size_t vk = 0; vk < 256; ++vk) {
        if (vk >= 0x10 && vk <= 0x12) continue;
        if (KeyCode code = VirtualKeyIndex[vk]) {
            EXPECT_EQ(KeyRowOf(code)->vk, vk) << std::hex << vk;
        }
    }
}

TEST(KeyCodes, evdev_codes_map_both_ways) {
    struct Case {
        uint16_t evdev;
        KeyCode code;
    } cases[] = {
        {KEY_A, 0x01E},        {KEY_NUMLOCK, 0x145}, {KEY_PAUSE, 0x045},    {KEY_SYSRQ, 0x137},
        {KEY_RIGHTALT, 0x138}, {KEY_KPENTER, 0x11C}, {KEY_102ND, 0x056},    {KEY_RO, 0x073},
        {KEY_COMPOSE, 0x15D},  {KEY_MUTE, 0x120},    {BTN_MIDDLE, 0x173},   {KEY_F13, 0x064},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(KeyCodeFromEvdev(c.evdev), c.code) << c.evdev;
        EXPECT_EQ(EvdevCodeOfKey(c.code), c.evdev) << std::hex << c.code;
    }
    EXPECT_EQ(KeyCodeFromEvdev(KEY_FILE), 0x16B);  // a second name for My computer
    EXPECT_EQ(KeyCodeFromEvdev(KEY_RESERVED), 0);
    EXPECT_EQ(KeyCodeFromEvdev(KEY_KPEQUAL), 0);
    EXPECT_EQ(EvdevCodeOfKey(0x200), 0);

    // Every key that can be chosen as a target can be captured, and every code the
    // table gives back names the same key.
    for (KeyCode code : AssignKeyList) {
        if (code == 0x146) continue;                   // Break: the kernel reports Ctrl+Pause as Pause
        if (code == 0x161 || code == 0x162) continue;  // the wheel is an axis, not a key
        const uint16_t evdev = EvdevCodeOfKey(code);
        EXPECT_NE(evdev, 0) << std::hex << code;
        EXPECT_EQ(KeyCodeFromEvdev(evdev), code) << std::hex << code;
    }
}

namespace {

// A small language file of its own in a private user environment, so the fallbacks can
// be shown: an empty text, a missing one, a name with a character of two bytes.
class KeyNames : public ::testing::Test {
protected:
    KeyNames() {
        for (const char *name : {"Lang0409.ini", "Lang0416.ini"}) {
            std::ofstream out(files_ / name);
            out << "[TEXT]\n"
                   "IDS_KEYBOARD_A=A\n"
                   "IDS_KEYBOARD_ESC=Esc\n"
                   "IDS_KEYBOARD_RSHIFT=Right Shift\n"
                   "IDS_KEYBOARD_SPACE=\n"
                   "MEDIA_MUTE_8=Mut\xC3\xA9\n"
                   "UNKNOWN_KEY=Key 0x%03X\n";
        }
    }
    test::TempDir files_;
    test::UserEnvironment env_{"en_US.UTF-8", files_.path()};
};

}  // namespace

TEST_F(KeyNames, display_names_fall_back_to_the_unknown_key_text) {
    struct Case {
        KeyCode code;
        std::string expected;
    } cases[] = {
        {0x01E, "A"},
        {0x136, "Right Shift"},
        {0x039, "Key 0x039"},  // empty text
        {0x01F, "Key 0x01F"},  // text missing from the file
        {0x064, "Key 0x064"},  // row without a language key
        {0x200, "Key 0x200"},  // G key: no row
        {0x055, "Key 0x055"},  // empty row
    };
    for (const auto &c : cases) EXPECT_EQ(KeyDisplayName(c.code), c.expected) << std::hex << c.code;
}

TEST_F(KeyNames, display_name_into_a_buffer_is_cut_and_terminated) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(KeyDisplayName(0x01E, buf, sizeof buf), 1u);
    EXPECT_STREQ(buf, "A");
    EXPECT_EQ(KeyDisplayName(0x200, buf, sizeof buf), 7u);
    EXPECT_STREQ(buf, "Key 0x2");
    // "Muté" ends in a two-byte character that a 5-byte buffer cannot hold whole.
    char small[5];
    EXPECT_EQ(KeyDisplayName(0x120, small, sizeof small), 3u);
    EXPECT_STREQ(small, "Mut");
    EXPECT_EQ(KeyDisplayName(0x01E, buf, 0), 0u);
}

TEST_F(KeyNames, list_names_follow_list_positions) {
    EXPECT_EQ(KeyListName(0), "A");
    EXPECT_EQ(KeyListName(37), "Esc");
    EXPECT_EQ(KeyListName(103), "Right Shift");
    EXPECT_EQ(KeyListName(40), "");  // empty text: no fallback in lists
    EXPECT_EQ(KeyListName(111), "");
    EXPECT_EQ(KeyListName(-1), "");
}

TEST(ShippedKeyNames, every_named_key_has_a_text_in_both_languages) {
    test::UserEnvironment env;  // the language files of the build
    for (int language : {0, 1}) {
        for (uint16_t i = 0; i < kKeyTableRows; ++i) {
            const KeyInfo *row = KeyRowOf(KeyCodeOfIndex(i));
            if (!row || !row->langKey) continue;
            const std::string text = shell::LangText(shell::kTextSection, row->langKey, language);
            EXPECT_FALSE(text.empty() || text == shell::kMissingText) << row->langKey << " in language " << language;
        }
        EXPECT_EQ(shell::formatConversion(shell::LangText(shell::kTextSection, "UNKNOWN_KEY", language)), 'X');
    }
    shell::SetLanguageId(shell::kLanguageEnglishUS);
    EXPECT_EQ(KeyDisplayName(0x01E), "A");
    EXPECT_EQ(KeyDisplayName(0x200), "Key 0200");
    shell::SetLanguageId(shell::kLanguagePortugueseBR);
    EXPECT_EQ(KeyDisplayName(0x200), "Tecla 0200");
}
