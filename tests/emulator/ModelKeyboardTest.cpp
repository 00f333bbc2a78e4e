// The configuration model against the virtual keyboard in this process: the active
// profile and its cache, every kind of assignment through the keyboard's own matrix
// and back, and loading the keyboard's profiles and macros into the working model.

#include <gtest/gtest.h>

#include <cstring>

#include "device/DeviceFacts.h"
#include "device/Protocol.h"
#include "model/ConfigImage.h"
#include "support/UserEnvironment.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::model;
using device::ResultCode::Success;
using test::InProcessKeyboard;

namespace {

sim::KeyboardOptions onProfile(int profile) {
    sim::KeyboardOptions o;
    o.profile = profile;
    return o;
}

// Macros read without names are named from the language file: the settings live in a
// private user environment.
class ModelKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        configImage().reset();
        installDeviceFactsSink();
        ASSERT_TRUE(kb.connect());
        kb.clearFrameLog();
    }
    void TearDown() override {
        device::setExchangeTimeouts({});
        device::setDeviceFactsSink(nullptr);
        configImage().reset();
    }
    uint8_t keyboardByte(size_t at) {
        return kb.server().withKeyboard([at](sim::Keyboard &k) { return k.info[at]; });
    }
    test::UserEnvironment env_;
    InProcessKeyboard kb{onProfile(1)};
};

std::string commandOf(const std::string &request) { return request.substr(6, 2); }

MacroRecord namedMacro(std::u16string_view name, uint16_t id, std::vector<MacroAction> actions) {
    MacroRecord m;
    m.setName(name);
    m.id = id;
    m.actionCount = static_cast<uint16_t>(actions.size());
    std::copy(actions.begin(), actions.end(), m.actions.begin());
    return m;
}

}  // namespace

TEST_F(ModelKeyboard, active_profile_is_read_once_then_cached_until_the_keyboard_goes) {
    ConfigImage &image = configImage();
    EXPECT_EQ(image.activeProfile(), 1);
    EXPECT_EQ(image.activeProfile(), 1);
    auto reqs = kb.requests();
    ASSERT_EQ(reqs.size(), 1u) << "the second call uses the cache";
    EXPECT_EQ(commandOf(reqs[0]), "03");

    kb.clearFrameLog();
    EXPECT_EQ(image.setActiveProfile(2), Success);
    reqs = kb.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(commandOf(reqs[0]), "03");
    EXPECT_EQ(commandOf(reqs[1]), "04");
    EXPECT_EQ(keyboardByte(10), 2);
    EXPECT_EQ(keyboardByte(8), 0x01) << "the rest of the block is written back as read";

    kb.clearFrameLog();
    EXPECT_EQ(image.activeProfile(), 2);
    EXPECT_TRUE(kb.requests().empty());

    // Removal (the presence monitor) drops the cache; the next call asks the keyboard.
    device::deviceFactsSink()->activeProfileUnknown();
    EXPECT_EQ(image.activeProfile(), 2);
    EXPECT_EQ(kb.requests().size(), 1u);
}

TEST_F(ModelKeyboard, profiles_outside_zero_to_two_send_nothing) {
    ConfigImage &image = configImage();
    image.setActiveProfileCache(1);
    for (int profile : {-1, 3, 200}) {
        EXPECT_EQ(image.setActiveProfile(profile), device::ResultCode::BadProfile) << profile;
        EXPECT_EQ(image.activeProfileCache(), 1);
    }
    EXPECT_TRUE(kb.requests().empty());
    EXPECT_EQ(keyboardByte(10), 1);
}

TEST_F(ModelKeyboard, a_silent_keyboard_gives_minus_one_and_is_asked_again_each_time) {
    ConfigImage &image = configImage();
    device::setExchangeTimeouts({1000, 30, 4});
    ASSERT_EQ(kb.control("drop 8"), "ok");
    EXPECT_EQ(image.activeProfile(), -1);
    EXPECT_EQ(image.activeProfile(), -1);
    EXPECT_EQ(kb.requests().size(), 8u);
    EXPECT_EQ(image.activeProfileCache(), -1);
    EXPECT_EQ(image.activeProfile(), 1);

    // A refused read changes nothing; no keyboard at all sends nothing.
    ASSERT_EQ(kb.control("refuse 0xFF 1"), "ok");
    EXPECT_EQ(image.setActiveProfile(0), device::ResultCode::RefusedFF);
    EXPECT_EQ(image.activeProfileCache(), 1);
    EXPECT_EQ(keyboardByte(10), 1);
    test::disconnectCommandLink();
    image.setActiveProfileCache(-1);
    kb.clearFrameLog();
    EXPECT_EQ(image.activeProfile(), -1);
    EXPECT_EQ(image.setActiveProfile(2), device::ResultCode::NoKeyboard);
    EXPECT_TRUE(kb.requests().empty());
}

TEST_F(ModelKeyboard, every_assignment_type_of_every_key_round_trips_through_the_keyboard) {
    KeyMatrixBlock defaults;
    ASSERT_EQ(device::readDefaultMatrix(defaults.data()), Success);
    ASSERT_TRUE(std::equal(defaults.begin(), defaults.end(), sim::factoryDefaultMatrix().begin()));
    device::deviceFactsSink()->defaultMatrixRead(defaults.data());
    ASSERT_EQ(configImage().defaultMatrix(), defaults);

    // Macro ids run backwards through the list, so a position is never its own id.
    MacroList macros;
    for (uint16_t i = 0; i < kMaxMacros; ++i) macros.push_back(namedMacro(u"m", static_cast<uint16_t>(100 - i), {}));

    enum Kind { Default, Disabled, KeyOther, KeySelf, Launch, Macro, Stop, Text, Media, Function, Kinds };
    for (int kind = 0; kind < Kinds; ++kind) {
        AssignmentTable in, expected;
        ResetAssignmentBlock(in.block(0));
        ResetAssignmentBlock(expected.block(0));
        for (size_t p = 0; p < kMatrixPositions; ++p) {
            const KeyCode k = KeyCodeOfEntry(entryAt(defaults, p));
            if (k == 0) continue;
            const uint16_t index = KeyTableIndexOf(k);
            KeyAssignment &r = in.block(0)[index];
            KeyAssignment &e = expected.block(0)[index];
            auto expect = [&e](AssignmentType t, uint32_t code) {
                e.type = static_cast<uint16_t>(t);
                e.code = code;
            };
            switch (kind) {
            case Default:
                break;
            case Disabled:
                r.type = static_cast<uint16_t>(AssignmentType::Disabled);
                expect(AssignmentType::Disabled, 0);
                break;
            case KeyOther: {
                size_t t = p * 7;
                while (KeyCodeOfEntry(keyTargetEntry(AssignKeyList[t % kAssignKeyCount])) == k) ++t;
                const KeyCode target = AssignKeyList[t % kAssignKeyCount];
                r.type = static_cast<uint16_t>(AssignmentType::Key);
                r.code = target;
                expect(AssignmentType::Key, target == 0x146 ? 0x045 : target);  // Break reads as Pause
                break;
            }
            case KeySelf:
                // A key given its own function reads back as Default. (G keys have no
                // code of their own to be given.)
                if (index >= 256) break;
                r.type = static_cast<uint16_t>(AssignmentType::Key);
                r.code = k;
                break;
            case Launch:
                r.type = static_cast<uint16_t>(AssignmentType::LaunchProgram);
                r.code = 40;
                break;
            case Macro: {
                const uint16_t id = static_cast<uint16_t>(p % 100 + 1);
                r.type = static_cast<uint16_t>(AssignmentType::Macro);
                r.code = id;
                expect(AssignmentType::Macro, macroPositionIn(macros, id) + 1u);
                break;
            }
            case Stop:
                r.type = static_cast<uint16_t>(AssignmentType::StopMacro);
                expect(AssignmentType::StopMacro, 0);
                break;
            case Text:
                r.type = static_cast<uint16_t>(AssignmentType::TextBlock);
                r.code = 8;
                expect(AssignmentType::Disabled, 0);
                break;
            case Media:
                r.type = static_cast<uint16_t>(AssignmentType::Multimedia);
                r.code = static_cast<uint32_t>(p % kConsumerKeyCount);
                expect(AssignmentType::Multimedia, r.code);
                break;
            case Function:
                r.type = static_cast<uint16_t>(AssignmentType::Function);
                r.code = static_cast<uint32_t>(p % 11);
                expect(AssignmentType::Function, r.code);
                break;
            }
        }
        const int profile = kind % 3;
        const KeyMatrixBlock sent = EncodeKeyMatrix(in.block(0), configImage().defaultMatrix(), macros);
        ASSERT_EQ(device::writeKeyMatrix(sent.data(), profile), Success);
        KeyMatrixBlock back;
        ASSERT_EQ(device::readKeyMatrix(back.data(), profile), Success);
        ASSERT_EQ(back, sent);
        AssignmentTable decoded;
        DecodeKeyMatrix(back, configImage().defaultMatrix(), decoded.block(0));
        for (size_t i = 0; i < kRecordsPerBlock; ++i) {
            const KeyAssignment &got = decoded.block(0)[i], &want = expected.block(0)[i];
            EXPECT_EQ(got.type, want.type) << "kind " << kind << " record " << i;
            EXPECT_EQ(got.code, want.code) << "kind " << kind << " record " << i;
            EXPECT_EQ(got.aux, want.aux) << "kind " << kind << " record " << i;
        }
    }
}

TEST_F(ModelKeyboard, keyboard_profiles_and_macros_load_into_the_working_model) {
    ConfigImage &image = configImage();
    KeyMatrixBlock defaults;  // as the presence monitor reads it on arrival
    ASSERT_EQ(device::readDefaultMatrix(defaults.data()), Success);
    device::deviceFactsSink()->defaultMatrixRead(defaults.data());
    // What Apply would write: an edited working model, frozen and encoded.
    image.resetWorkingToEmptyProfile();
    {
        auto m = image.model();
        m->assignments->record(0, 0x01E).assign(AssignmentType::Macro, 9);
        m->assignments->record(1, 0x030).assign(AssignmentType::Key, 0x138);
        m->assignments->record(2, KeyTableIndexOf(0x203)).assign(AssignmentType::Multimedia, 7);
        m->macros = {namedMacro(u"first", 4, {{50, 0x01E, kPress}, {60, 0x01E, kRelease}}),
                     namedMacro(u"", 9, {{41000, 0x171, kPress}}),
                     namedMacro(u"third", 2, {})};
    }
    ASSERT_TRUE(image.takeSnapshot());
    const std::vector<uint8_t> area = image.encodeSnapshotMacroArea(true);
    ASSERT_EQ(device::writeMacroArea(area.data(), area.size()), Success);
    for (int p = 0; p < 3; ++p) {
        KeyMatrixBlock m;
        ASSERT_TRUE(image.encodeSnapshotKeyMatrix(p, m));
        ASSERT_EQ(device::writeKeyMatrix(m.data(), p), Success);
    }

    image.setActiveProfileCache(-1);
    ASSERT_TRUE(loadWorkingModelFromKeyboard());
    auto m = image.model();
    const AssignmentTable &t = *m->assignments;
    EXPECT_EQ(t.record(0, 0x01E).kind(), AssignmentType::Macro);
    EXPECT_EQ(t.record(0, 0x01E).code, 2u) << "the macro at position 1 now has id 2";
    EXPECT_EQ(t.record(1, 0x030).kind(), AssignmentType::Key);
    EXPECT_EQ(t.record(1, 0x030).code, 0x138u);
    EXPECT_EQ(t.record(2, KeyTableIndexOf(0x203)).kind(), AssignmentType::Multimedia);
    EXPECT_EQ(t.record(2, KeyTableIndexOf(0x203)).code, 7u);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(t.record(p, 256).aux, 769) << "each decoded block has its G labels";
    for (size_t i = 0; i < kRecordsPerBlock; ++i) ASSERT_EQ(t.record(3, i), KeyAssignment{}) << i;
    EXPECT_EQ(t.header[14], 3);
    EXPECT_EQ(t.header[31], profileHeaderChecksum(t.header.data()));
    EXPECT_EQ(0, std::memcmp(t.header.data() + 32, kProfileDeviceBlock.data(), 32));

    ASSERT_EQ(m->macros.size(), 3u);
    EXPECT_EQ(std::u16string(m->macros[0].nameView()), u"first");
    EXPECT_EQ(std::u16string(m->macros[1].nameView()), u"Macro 2") << "an unnamed macro is named on reading";
    EXPECT_EQ(m->macros[1].actions[0].delay, kMaxEncodedDelayMs);
    EXPECT_EQ(m->macros[1].actions[0].key, 0x171);
    for (uint16_t i = 0; i < 3; ++i) EXPECT_EQ(m->macros[i].id, i + 1);
    EXPECT_EQ(m->macros[0].actionCount, 2);
    EXPECT_EQ(m->macros[0].actions[1], (MacroAction{60, 0x01E, kRelease}));
}

TEST_F(ModelKeyboard, a_macro_area_never_written_or_damaged_gives_no_macros) {
    ASSERT_TRUE(loadWorkingModelFromKeyboard());
    EXPECT_TRUE(configImage().model()->macros.empty());

    // Magic and a size that fit the area, but a directory pointing outside the image.
    ASSERT_EQ(kb.control("poke macro 0 AA552000020001000000000000000000FF00"), "ok");
    ASSERT_TRUE(loadWorkingModelFromKeyboard());
    EXPECT_TRUE(configImage().model()->macros.empty());
    EXPECT_EQ(configImage().model()->assignments->header[14], 0);
}

TEST_F(ModelKeyboard, an_unreadable_keyboard_leaves_a_fresh_empty_profile) {
    ConfigImage &image = configImage();
    image.resetWorkingToEmptyProfile();
    image.model()->assignments->record(1, 0x01E).assign(AssignmentType::Disabled, 0);
    image.model()->macros.push_back(namedMacro(u"x", 1, {}));
    image.model()->texts.set(4, u"gone");

    test::disconnectCommandLink();
    EXPECT_FALSE(loadWorkingModelFromKeyboard());
    auto m = image.model();
    AssignmentTable empty;
    makeEmptyAssignmentTable(empty);
    EXPECT_EQ(0, std::memcmp(m->assignments->bytes(), empty.bytes(), AssignmentTable::size()));
    EXPECT_TRUE(m->macros.empty());
    EXPECT_EQ(m->texts.totalSize(), 0u);
}
