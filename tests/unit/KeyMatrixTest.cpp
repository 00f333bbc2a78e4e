// Key assignments and the keyboard's key matrix: the entry each assignment encodes to,
// what each entry decodes to, and the virtual keyboard's factory matrix as the map of
// which key sits where.

#include <gtest/gtest.h>

#include <map>

#include "Keyboard.h"
#include "model/KeyMatrix.h"

using namespace t44;
using namespace t44::model;

namespace {

KeyMatrixBlock factory() {
    KeyMatrixBlock m;
    std::copy(sim::factoryDefaultMatrix().begin(), sim::factoryDefaultMatrix().end(), m.begin());
    return m;
}

// Position of a key in a default matrix; -1 when it has none.
int positionOf(const KeyMatrixBlock &defaults, KeyCode key) {
    for (size_t p = 0; p < kMatrixPositions; ++p)
        if (KeyCodeOfEntry(entryAt(defaults, p)) == key) return static_cast<int>(p);
    return -1;
}

MacroRecord macroWithId(uint16_t id) {
    MacroRecord m;
    m.id = id;
    return m;
}

std::string show(MatrixEntry e) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X %02X %02X", e.cls, e.sub, e.value);
    return buf;
}

// The keys of the keyboard picture, one per key button.
constexpr KeyCode kKeyButtons[106] = {
    0x01E, 0x030, 0x02E, 0x020, 0x012, 0x021, 0x022, 0x023, 0x017, 0x024, 0x025, 0x026, 0x032, 0x031,
    0x018, 0x019, 0x010, 0x013, 0x01F, 0x014, 0x016, 0x02F, 0x011, 0x02D, 0x015, 0x02C, 0x002, 0x003,
    0x004, 0x005, 0x006, 0x007, 0x008, 0x009, 0x00A, 0x00B, 0x01C, 0x001, 0x00E, 0x00F, 0x039, 0x00C,
    0x00D, 0x01A, 0x01B, 0x02B, 0x027, 0x028, 0x029, 0x033, 0x034, 0x035, 0x03B, 0x03C, 0x03D, 0x03E,
    0x03F, 0x040, 0x041, 0x042, 0x043, 0x044, 0x057, 0x058, 0x137, 0x045, 0x152, 0x153, 0x147, 0x14F,
    0x149, 0x151, 0x148, 0x150, 0x14B, 0x14D, 0x046, 0x03A, 0x15D, 0x01D, 0x11D, 0x02A, 0x036, 0x038,
    0x138, 0x15B, 0x15C, 0x04F, 0x050, 0x051, 0x04B, 0x04C, 0x04D, 0x047, 0x048, 0x049, 0x052, 0x145,
    0x11C, 0x053, 0x135, 0x037, 0x04A, 0x04E, 0x056, 0x073,
};

}  // namespace

TEST(FactoryMatrix, places_every_key_of_the_keyboard_once) {
    const KeyMatrixBlock m = factory();
    std::map<KeyCode, int> seen;
    for (size_t p = 0; p < kMatrixPositions; ++p)
        if (KeyCode k = KeyCodeOfEntry(entryAt(m, p))) ++seen[k];
    for (KeyCode key : kKeyButtons) EXPECT_EQ(seen[key], 1) << std::hex << key;
    for (KeyCode g = 0x200; g <= 0x208; ++g) EXPECT_EQ(seen[g], 1) << "G" << (g - 0x1FF);
    EXPECT_EQ(seen.size(), 106u + 9u) << "keys beyond the picture";
    // Fn has no assignment: its entry names no key.
    EXPECT_EQ(entryAt(m, 53), (MatrixEntry{5, 2, 2}));
    // The keyboard's own matrix agrees with the built-in one wherever that names a key.
    for (size_t p = 0; p < kMatrixPositions; ++p) {
        const MatrixEntry builtIn = entryAt(kInitialDefaultMatrix, p);
        if (builtIn != MatrixEntry{}) {
            EXPECT_EQ(show(entryAt(m, p)), show(builtIn)) << "position " << p;
        }
    }
}

TEST(KeyMatrixEncoding, each_assignment_gives_its_entry) {
    const KeyMatrixBlock defaults = factory();
    const MacroList macros = {macroWithId(3), macroWithId(7), macroWithId(7)};
    struct Case {
        const char *what;
        KeyCode key;
        AssignmentType type;
        uint32_t code;
        MatrixEntry expected;  // cls 0xEE: the key's default entry
    } cases[] = {
        {"Right Alt as a key", 0x01E, AssignmentType::Key, 0x138, {2, 1, 0x40}},
        {"Left Ctrl", 0x01E, AssignmentType::Key, 0x01D, {2, 1, 0x01}},
        {"Right Win", 0x01E, AssignmentType::Key, 0x15C, {2, 1, 0x80}},
        {"Roll Down", 0x01E, AssignmentType::Key, 0x162, {1, 5, 0xFF}},
        {"Roll Up", 0x01E, AssignmentType::Key, 0x161, {1, 5, 0x01}},
        {"Middle Button", 0x01E, AssignmentType::Key, 0x173, {1, 1, 0x04}},
        {"Mute as a plain key", 0x01E, AssignmentType::Key, 0x120, {2, 2, 0xCD}},
        {"B", 0x01E, AssignmentType::Key, 0x030, {2, 2, 0x05}},
        {"Power is no keyboard usage", 0x01E, AssignmentType::Key, 0x15E, {2, 2, 0x00}},
        {"Sys Req has no code", 0x01E, AssignmentType::Key, 0x054, {2, 2, 0x00}},
        {"a KeyCode is 16 bits", 0x01E, AssignmentType::Key, 0x10030, {2, 2, 0x05}},
        {"Multimedia 7", 0x01E, AssignmentType::Multimedia, 7, {3, 0xE2, 0x00}},
        {"Multimedia 0", 0x01E, AssignmentType::Multimedia, 0, {3, 0x83, 0x01}},
        {"Multimedia beyond the table", 0x01E, AssignmentType::Multimedia, 18, {0xEE, 0, 0}},
        {"Function 10", 0x01E, AssignmentType::Function, 10, {5, 5, 10}},
        {"Function low byte", 0x01E, AssignmentType::Function, 0x103, {5, 5, 3}},
        {"StopMacro", 0x01E, AssignmentType::StopMacro, 0, {5, 2, 0}},
        {"Macro id 7: first with it", 0x01E, AssignmentType::Macro, 7, {5, 1, 1}},
        {"Macro id low 16 bits", 0x01E, AssignmentType::Macro, 0x10003, {5, 1, 0}},
        {"Macro gone", 0x01E, AssignmentType::Macro, 99, {5, 1, 0}},
        {"Disabled", 0x01E, AssignmentType::Disabled, 0, {0, 0, 0}},
        {"TextBlock sends nothing", 0x01E, AssignmentType::TextBlock, 12, {0, 0, 0}},
        {"LaunchProgram keeps the key", 0x01E, AssignmentType::LaunchProgram, 12, {0xEE, 0, 0}},
        {"unknown type", 0x01E, static_cast<AssignmentType>(9), 1, {0xEE, 0, 0}},
        {"G key as B", 0x200, AssignmentType::Key, 0x030, {2, 2, 0x05}},
        {"modifier key as A", 0x138, AssignmentType::Key, 0x01E, {2, 2, 0x04}},
    };
    for (const auto &c : cases) {
        AssignmentTable table;
        table.block(1)[KeyTableIndexOf(c.key)].assign(c.type, c.code);
        const KeyMatrixBlock out = EncodeKeyMatrix(table.block(1), defaults, macros);
        const int p = positionOf(defaults, c.key);
        ASSERT_GE(p, 0) << c.what;
        const MatrixEntry expected = c.expected.cls == 0xEE ? entryAt(defaults, static_cast<size_t>(p)) : c.expected;
        EXPECT_EQ(show(entryAt(out, static_cast<size_t>(p))), show(expected)) << c.what;
        // Nothing else changes.
        KeyMatrixBlock rest = out;
        setEntry(rest, static_cast<size_t>(p), entryAt(defaults, static_cast<size_t>(p)));
        EXPECT_EQ(rest, defaults) << c.what;
    }
}

TEST(KeyMatrixEncoding, positions_naming_no_key_are_copied_and_skipped) {
    // The built-in matrix has 5, 0, 0 at positions 0-5: no key. Record 0 ("no key") is
    // never read, whatever it holds.
    AssignmentTable table;
    for (KeyAssignment &r : table.block(0)) r.assign(AssignmentType::Disabled, 0);
    KeyMatrixBlock out = EncodeKeyMatrix(table.block(0), kInitialDefaultMatrix, {});
    for (size_t p = 0; p < kMatrixPositions; ++p) {
        const MatrixEntry def = entryAt(kInitialDefaultMatrix, p);
        const MatrixEntry expected = KeyCodeOfEntry(def) == 0 ? def : MatrixEntry{};
        EXPECT_EQ(show(entryAt(out, p)), show(expected)) << p;
    }

    // Decoding: whatever the keyboard holds at those positions changes no record.
    KeyMatrixBlock changed = kInitialDefaultMatrix;
    for (size_t p : {0u, 1u, 5u, 6u, 53u, 125u}) setEntry(changed, p, {5, 1, 9});
    AssignmentTable decoded;
    DecodeKeyMatrix(changed, kInitialDefaultMatrix, decoded.block(0));
    AssignmentTable fresh;
    ResetAssignmentBlock(fresh.block(0));
    EXPECT_TRUE(std::equal(decoded.block(0).begin(), decoded.block(0).end(), fresh.block(0).begin()));
}

TEST(KeyMatrixDecoding, each_entry_gives_its_assignment) {
    const KeyMatrixBlock defaults = factory();
    struct Case {
        MatrixEntry entry;
        AssignmentType type;
        uint32_t code;
    } cases[] = {
        {{5, 1, 4}, AssignmentType::Macro, 5},  // id = position + 1
        {{5, 1, 255}, AssignmentType::Macro, 256},
        {{5, 2, 0}, AssignmentType::StopMacro, 0},
        {{5, 5, 3}, AssignmentType::Function, 3},
        {{5, 7, 0}, AssignmentType::Disabled, 0},
        {{3, 0xE2, 0x00}, AssignmentType::Multimedia, 7},
        {{3, 0x12, 0x34}, AssignmentType::Disabled, 0},
        {{1, 1, 0x02}, AssignmentType::Key, 0x172},
        {{1, 5, 0xFF}, AssignmentType::Key, 0x162},
        {{1, 3, 0x03}, AssignmentType::Disabled, 0},
        {{2, 2, 0x05}, AssignmentType::Key, 0x030},
        {{2, 2, 0xCD}, AssignmentType::Key, 0x120},
        {{2, 2, 0x00}, AssignmentType::Disabled, 0},
        {{2, 1, 0x40}, AssignmentType::Key, 0x138},
        {{2, 1, 0x60}, AssignmentType::Key, 0x036},  // the lowest modifier bit
        {{2, 7, 0x01}, AssignmentType::Disabled, 0},
        {{4, 0x81, 0}, AssignmentType::Disabled, 0},
        {{6, 0xA2, 1}, AssignmentType::Disabled, 0},
        {{0, 0, 0}, AssignmentType::Disabled, 0},
        {{9, 1, 1}, AssignmentType::Disabled, 0},
    };
    const int pA = positionOf(defaults, 0x01E), pG3 = positionOf(defaults, 0x202);
    ASSERT_GE(pA, 0);
    ASSERT_GE(pG3, 0);
    for (const auto &c : cases) {
        for (auto [key, p] : {std::pair{KeyCode{0x01E}, pA}, std::pair{KeyCode{0x202}, pG3}}) {
            KeyMatrixBlock matrix = defaults;
            setEntry(matrix, static_cast<size_t>(p), c.entry);
            AssignmentTable table;
            table.block(2)[5].selected = 1;  // the block is reset first
            DecodeKeyMatrix(matrix, defaults, table.block(2));
            const KeyAssignment &r = table.block(2)[KeyTableIndexOf(key)];
            EXPECT_EQ(r.kind(), c.type) << show(c.entry) << " at " << std::hex << key;
            EXPECT_EQ(r.code, c.code) << show(c.entry) << " at " << std::hex << key;
            EXPECT_EQ(r.aux, GKeyLabel(KeyTableIndexOf(key)));
            EXPECT_EQ(table.block(2)[5].selected, 0u);
        }
    }
}

TEST(KeyMatrixDecoding, default_matrix_decodes_to_all_default_with_g_labels) {
    const KeyMatrixBlock defaults = factory();
    AssignmentTable table;
    DecodeKeyMatrix(defaults, defaults, table.block(1));
    for (size_t i = 0; i < kRecordsPerBlock; ++i) {
        EXPECT_EQ(table.block(1)[i].kind(), AssignmentType::Default) << i;
        EXPECT_EQ(table.block(1)[i].aux, GKeyLabel(i)) << i;
    }
    EXPECT_EQ(GKeyLabel(256), 769);
    EXPECT_EQ(GKeyLabel(264), 777);
    EXPECT_EQ(GKeyLabel(265), 4865);
    EXPECT_EQ(GKeyLabel(273), 4873);
    EXPECT_EQ(GKeyLabel(274), 0);
    EXPECT_EQ(GKeyLabel(255), 0);
}

TEST(KeyMatrixEncoding, every_offered_target_reads_back_as_itself) {
    for (KeyCode target : AssignKeyList) {
        const KeyCode back = KeyCodeOfEntry(keyTargetEntry(target));
        // Break has Pause's device code; the keyboard cannot tell them apart.
        EXPECT_EQ(back, target == 0x146 ? KeyCode{0x045} : target) << std::hex << target;
    }
}
