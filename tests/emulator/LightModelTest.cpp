// The lighting model against the virtual keyboard: the exact batch of every change, what
// is read back, the user modes with their light files, and the lighting switch.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <functional>
#include <thread>

#include "model/LightModel.h"
#include "shell/ProgramPaths.h"
#include "storage/AtomicFile.h"
#include "storage/IniFile.h"
#include "storage/UserPaths.h"
#include "support/FrameText.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::model;
using test::InProcessKeyboard;
using test::TempDir;

namespace {

std::string hex(const uint8_t *data, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}
std::string light(int offset, const std::string &data) { return "light@" + std::to_string(offset) + "=" + data; }
std::string keys(int offset, const std::string &data) { return "keys@" + std::to_string(offset) + "=" + data; }
std::vector<std::string> batch(std::vector<std::string> writes) {
    writes.insert(writes.begin(), "begin");
    writes.push_back("end");
    return writes;
}
// Frames with the data of key colour writes left out: "keys@512" for "keys@512=FF00...".
std::vector<std::string> withoutKeyData(const std::vector<std::string> &frames) {
    std::vector<std::string> out;
    for (auto &f : frames) out.push_back(f.rfind("keys@", 0) == 0 ? f.substr(0, f.find('=')) : f);
    return out;
}
// The eight 54-byte key colour writes of one profile.
std::vector<std::string> keyTableWrites(int profile) {
    std::vector<std::string> out;
    for (int q = 0; q < 8; ++q) out.push_back("keys@" + std::to_string(profile * 512 + q * 54));
    return out;
}
const std::vector<std::string> kLoadFrames = {"info", "begin", "read@0/56", "read@42/56", "read@84/56", "end"};

struct RecordingView : LightViewSink {
    int keyColours = 0, userModes = 0, settings = 0;
    std::vector<bool> switches;
    bool allowReselect = true;
    void keyColoursChanged() override { ++keyColours; }
    void userModesChanged() override { ++userModes; }
    void settingsChanged() override { ++settings; }
    void lightViewChanged(bool on) override { switches.push_back(on); }
    bool reselectKeyboardProfile() override { return allowReselect; }
};

class Lighting : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        shell::setProgramDir(T44_BINARY_DIR);  // Skins/UserDengColor_3.userd
        start({});
    }
    void TearDown() override { device::setExchangeTimeouts({}); }
    void start(const sim::KeyboardOptions &options) {
        kb.reset();
        kb = std::make_unique<InProcessKeyboard>(options);
        ASSERT_TRUE(kb->connect());
        LightModel::setLightProfile(0);
        kb->clearFrameLog();
    }
    // The requests since the last call, as text.
    std::vector<std::string> frames() {
        auto out = test::describeRequests(kb->requests());
        kb->clearFrameLog();
        return out;
    }
    static void writeLightFile(int profile, const std::string &text) {
        storage::ensureFolder(storage::profileFolder());
        ASSERT_TRUE(storage::writeFileAtomically(UserColourFile::pathFor(profile), text));
    }
    std::vector<uint8_t> keyboardArea(const char *area, size_t offset, size_t n) {
        return kb->server().withKeyboard([&](sim::Keyboard &k) {
            const uint8_t *base = std::string(area) == "light" ? k.light.data() : k.colours.data();
            return std::vector<uint8_t>(base + offset, base + offset + n);
        });
    }

    TempDir home;
    std::unique_ptr<InProcessKeyboard> kb;
};

}  // namespace

TEST_F(Lighting, each_change_is_one_batch_at_the_profiles_offset) {
    for (int p : {0, 1, 2}) {
        SCOPED_TRACE("profile " + std::to_string(p));
        LightModel::setLightProfile(p);
        LightModel m;
        ASSERT_EQ(m.loadLightSettings(), 0);
        EXPECT_EQ(frames(), kLoadFrames);
        const int b = p * 42;
        struct Step {
            const char *what;
            std::function<LightWrite(LightModel &)> change;
            std::vector<std::string> writes;
        } steps[] = {
            {"single colour", [](LightModel &x) { return x.setSingleColour(makeColour(0x12, 0x34, 0x56)); },
             {light(b + 4, "00"), light(b + 5, "123456")}},
            {"effect of the colourful group", [](LightModel &x) { return x.selectEffect(3); },
             {light(b, "03"), light(b + 4, "00")}},
            {"colourful toggle", [](LightModel &x) { return x.toggleColourful(); }, {light(b + 4, "01")}},
            {"effect 10 leaves the colourful flag", [](LightModel &x) { return x.selectEffect(10); }, {light(b, "0A")}},
            {"effect 6", [](LightModel &x) { return x.selectEffect(6); }, {light(b, "06")}},
            {"effect 20", [](LightModel &x) { return x.selectEffect(20); }, {light(b, "14")}},
            {"brightness", [](LightModel &x) { return x.setBrightness(0); }, {light(b + 1, "00")}},
            {"speed", [](LightModel &x) { return x.setSpeed(5); }, {light(b + 2, "05")}},
            {"direction first", [](LightModel &x) { return x.setDirection(kDirectionFirst); }, {light(b + 3, "FF")}},
            {"colour choice", [](LightModel &x) { return x.setColourChoice(2); }, {light(b + 17, "02")}},
            {"report rate", [](LightModel &x) { return x.setReportRate(3); }, {light(b + 15, "03")}},
            {"raw field", [](LightModel &x) { const uint8_t v[2] = {7, 8}; return x.writeLightField(20, v, 2); },
             {light(b + 20, "0708")}},
        };
        for (auto &s : steps) {
            LightWrite w = s.change(m);
            EXPECT_TRUE(w.sent && w.ok()) << s.what;
            EXPECT_EQ(frames(), batch(s.writes)) << s.what;
        }
        // The keyboard kept every field where this profile's block is.
        LightModel again;
        ASSERT_EQ(again.loadLightSettings(), 0);
        const LightSettings &s = again.settings();
        EXPECT_EQ(s.effect, 20);
        EXPECT_EQ(s.brightness, 0);
        EXPECT_EQ(s.speed, 5);
        EXPECT_EQ(s.direction, 255);
        EXPECT_TRUE(s.colourful);
        EXPECT_EQ(s.colour, makeColour(0x12, 0x34, 0x56));
        EXPECT_EQ(s.colourChoice, 2);
        EXPECT_EQ(s.reportRate, 3);
        frames();
    }
}

TEST_F(Lighting, unchanged_values_and_effects_without_settings_send_nothing) {
    LightModel m;
    ASSERT_EQ(m.loadLightSettings(), 0);
    m.loadUserModes();  // no light file: base colour black
    frames();
    ASSERT_EQ(m.settings().brightness, 4);
    ASSERT_EQ(m.settings().speed, 2);
    struct Case {
        const char *what;
        std::function<LightWrite(LightModel &)> change;
    } cases[] = {
        {"same brightness", [](LightModel &x) { return x.setBrightness(4); }},
        {"same speed", [](LightModel &x) { return x.setSpeed(2); }},
        {"same base colour", [](LightModel &x) { return x.setBaseColour(0); }},
        {"effect 19", [](LightModel &x) { return x.selectEffect(19); }},
        {"effect 21", [](LightModel &x) { return x.selectEffect(21); }},
        {"effect 0", [](LightModel &x) { return x.selectEffect(0); }},
        {"brightness 6", [](LightModel &x) { return x.setBrightness(6); }},
        {"speed -1", [](LightModel &x) { return x.setSpeed(-1); }},
        {"direction 7", [](LightModel &x) { return x.setDirection(7); }},
        {"colour choice 4", [](LightModel &x) { return x.setColourChoice(4); }},
        {"report rate 4", [](LightModel &x) { return x.setReportRate(4); }},
        {"user mode 10", [](LightModel &x) { return x.selectUserMode(10); }},
    };
    for (auto &c : cases) {
        EXPECT_FALSE(c.change(m).sent) << c.what;
        EXPECT_EQ(frames(), std::vector<std::string>{}) << c.what;
    }
    // Nothing was sent for 19 or 21, so the keyboard still runs effect 1 and so does the model.
    EXPECT_EQ(m.settings().effect, 1);
    // The unchanged base colour rewrote nothing either.
    EXPECT_FALSE(std::filesystem::exists(UserColourFile::pathFor(0)));
}

TEST_F(Lighting, offered_effects_empty_gapped_or_unreadable) {
    start({.modes = {}});
    LightModel m;
    ASSERT_EQ(m.loadLightSettingsForProfile(), 0);
    EXPECT_EQ(m.modeTable().size(), 0);
    EXPECT_FALSE(m.offers(20));
    EXPECT_EQ(frames(), kLoadFrames);  // no user mode is pushed

    start({.modes = {0, 5, 0, 20, 0, 0, 19}});
    ASSERT_EQ(m.loadLightSettings(), 0);
    ModeTable t = m.modeTable();
    EXPECT_EQ(t.size(), 3);
    EXPECT_EQ(t.positionOf(5), 0);
    EXPECT_EQ(t.positionOf(20), 1);
    EXPECT_EQ(t.positionOf(19), 2);
    frames();

    // A failed information read leaves the list empty and reads nothing else.
    kb->control("refuse 0xFF 1");
    EXPECT_EQ(m.loadLightSettings(), -1);
    EXPECT_EQ(m.deviceInfoResult(), device::ResultCode::RefusedFF);
    EXPECT_EQ(m.modeTable().size(), 0);
    EXPECT_EQ(frames(), std::vector<std::string>{"info"});
}

TEST_F(Lighting, a_light_block_that_cannot_be_read_keeps_what_was_known) {
    LightModel m;
    ASSERT_EQ(m.loadLightSettings(), 0);
    ASSERT_TRUE(m.setBrightness(1).ok());
    kb->control("poke light 1 05");
    device::setExchangeTimeouts({1000, 5000, 1});
    kb->control("delay 300");
    frames();
    int result = 99;
    std::thread loader([&] { result = m.loadLightSettings(); });
    // Replies come 300 ms late: once beginBatch is in, its reply is still on its way, so
    // the refusal lands on the next request, the read of this profile's block.
    ASSERT_TRUE(test::waitFor([&] { return kb->requests().size() >= 2; }));
    kb->control("refuse 0xFF 1");
    loader.join();
    kb->control("delay 0");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m.lightReadResult(), device::ResultCode::RefusedFF);
    EXPECT_EQ(m.settings().brightness, 1);  // neither 5 nor the zeros of a block never read
    EXPECT_EQ(m.settings().effect, 1);
}

TEST_F(Lighting, push_user_mode_sends_the_whole_table_in_eight_writes) {
    for (int p : {0, 1, 2}) {
        SCOPED_TRACE("profile " + std::to_string(p));
        writeLightFile(p, "[PRESENTMODE]\nmode=2\n[Mode2]\n64=1,2,3,0\n116=7,8,9,1\n125=4,5,6,0\n1=9,9,9,0\n");
        LightModel::setLightProfile(p);
        LightModel m;
        ASSERT_TRUE(m.pushUserMode().ok());
        const KeyColourTable &t = m.keyColours(p);
        EXPECT_EQ(t.colourAt(64), makeColour(1, 2, 3));
        EXPECT_FALSE(t.followsBase[64]);
        EXPECT_EQ(t.colourAt(116), makeColour(7, 8, 9));
        EXPECT_EQ(t.colourAt(125), makeColour(4, 5, 6));
        EXPECT_EQ(t.colourAt(0), kRed);  // not in the file
        EXPECT_TRUE(t.followsBase[0]);
        EXPECT_EQ(t.colourAt(1), 0u);  // no key lights position 1: never read

        std::vector<std::string> want;
        for (int q = 0; q < 8; ++q) {
            uint8_t chunk[54] = {};
            for (int i = 0; i < 54 && q * 54 + i < kKeyColourBytes; ++i) chunk[i] = t.rgb[static_cast<size_t>(q * 54 + i)];
            want.push_back(keys(p * 512 + q * 54, hex(chunk, 54)));
        }
        EXPECT_EQ(want.back(), keys(p * 512 + 378, std::string(108, '0')));  // positions 126..143 dark
        EXPECT_EQ(frames(), batch(want));
        EXPECT_EQ(keyboardArea("colours", static_cast<size_t>(p) * 512, kKeyColourBytes),
                  std::vector<uint8_t>(t.rgb.begin(), t.rgb.end()));
    }
}

TEST_F(Lighting, a_file_without_the_present_user_modes_section_reads_red_following_base) {
    writeLightFile(0, "[PRESENTMODE]\nmode=3\n[Mode2]\ntool=1\njcolor=1,1,1\n64=1,1,1,0\n");
    LightModel m;
    m.pushUserMode();
    EXPECT_EQ(m.presentUserMode(), 3);
    for (int p : litKeyPositions()) {
        EXPECT_EQ(m.keyColours(0).colourAt(p), kRed) << p;
        EXPECT_TRUE(m.keyColours(0).followsBase[static_cast<size_t>(p)]) << p;
    }
    EXPECT_EQ(m.paintTool(), 0);
    EXPECT_EQ(m.baseColour(), 0u);
    EXPECT_EQ(m.paintColour(), 0u);
}

TEST_F(Lighting, painting_a_key_sends_three_bytes_and_saves_it) {
    writeLightFile(1, "[PRESENTMODE]\nmode=0\n[Mode0]\ntool=0\ncolor=10,20,30\njcolor=1,2,3\n");
    LightModel::setLightProfile(1);
    LightModel m;
    ASSERT_EQ(m.loadLightSettings(), 0);  // the second profile runs effect 5
    m.loadUserModes();
    frames();
    EXPECT_FALSE(m.paintKey(64)) << "only while effect 20 is selected";
    EXPECT_EQ(frames(), std::vector<std::string>{});

    ASSERT_TRUE(m.selectEffect(20).ok());
    frames();
    auto pen = m.paintKey(kGKeyPosition);
    ASSERT_TRUE(pen);
    EXPECT_EQ(pen->position, 125);
    EXPECT_EQ(pen->colour, makeColour(10, 20, 30));
    EXPECT_FALSE(pen->followsBase);
    EXPECT_TRUE(pen->write.ok());
    EXPECT_EQ(frames(), batch({keys(512 + 375, "0A141E")}));

    ASSERT_TRUE(m.setPaintTool(1));
    auto base = m.paintKey(kFnPosition);
    ASSERT_TRUE(base);
    EXPECT_EQ(base->colour, makeColour(1, 2, 3));
    EXPECT_TRUE(base->followsBase);
    EXPECT_EQ(frames(), batch({keys(512 + 348, "010203")}));

    UserColourFile saved(UserColourFile::pathFor(1));
    EXPECT_EQ(formatKeyColour(saved.key(0, 125)), "10,20,30,0");
    EXPECT_EQ(formatKeyColour(saved.key(0, 116)), "1,2,3,1");
    EXPECT_EQ(saved.tool(0), 1);
    EXPECT_EQ(keyboardArea("colours", 512 + 375, 3), (std::vector<uint8_t>{10, 20, 30}));

    EXPECT_FALSE(m.paintKey(126));
    EXPECT_FALSE(m.paintKey(-1));
    EXPECT_FALSE(m.setPaintTool(2));
    // A tool stored as 2 is neither pen nor base colour: clicks do nothing until one is chosen.
    storage::WritePrivateProfileString("Mode0", "tool", "2", UserColourFile::pathFor(1));
    m.loadUserModes();
    EXPECT_EQ(m.paintTool(), 2);
    EXPECT_FALSE(m.paintKey(64));
    EXPECT_EQ(frames(), std::vector<std::string>{});
    ASSERT_TRUE(m.setPaintTool(0));
    EXPECT_TRUE(m.paintKey(64));
}

TEST_F(Lighting, the_g_keys_colour_is_pushed_again_after_a_restart) {
    LightModel first;
    ASSERT_EQ(first.loadLightSettingsForProfile(), 0);
    ASSERT_TRUE(first.selectEffect(20).ok());
    ASSERT_TRUE(first.setPaintColour(makeColour(0x11, 0x22, 0x33)));
    ASSERT_TRUE(first.paintKey(kGKeyPosition));
    frames();

    LightModel restarted;  // nothing in memory but the light file
    ASSERT_EQ(restarted.loadLightSettingsForProfile(), 0);
    auto sent = frames();
    ASSERT_EQ(sent.size(), 16u);  // info, begin, begin, 8 writes, end, 3 reads, end
    EXPECT_EQ(sent[9].substr(sent[9].size() - 6), "112233");  // position 125 ends the seventh write
    EXPECT_EQ(restarted.keyColours(0).colourAt(kGKeyPosition), makeColour(0x11, 0x22, 0x33));
}

TEST_F(Lighting, base_colour_recolours_the_keys_that_follow_it) {
    writeLightFile(0, "[PRESENTMODE]\nmode=0\n[Mode0]\njcolor=5,5,5\n64=5,5,5,1\n65=6,6,6,0\n125=5,5,5,1\n");
    RecordingView view;
    LightModel m(&view);
    m.loadUserModes();
    frames();
    const Colour k = makeColour(0, 200, 100);
    LightWrite w = m.setBaseColour(k);
    EXPECT_TRUE(w.sent && w.ok());
    EXPECT_EQ(view.keyColours, 1);
    const KeyColourTable &t = m.keyColours(0);
    for (int p : litKeyPositions()) EXPECT_EQ(t.colourAt(p), p == 65 ? makeColour(6, 6, 6) : k) << p;
    EXPECT_EQ(withoutKeyData(frames()), batch(keyTableWrites(0)));
    EXPECT_EQ(keyboardArea("colours", 0, kKeyColourBytes), std::vector<uint8_t>(t.rgb.begin(), t.rgb.end()));

    UserColourFile f(UserColourFile::pathFor(0));
    EXPECT_EQ(formatColour(f.baseColour(0)), "0,200,100");
    EXPECT_EQ(formatKeyColour(f.key(0, 64)), "0,200,100,1");
    EXPECT_EQ(formatKeyColour(f.key(0, 65)), "6,6,6,0");
    EXPECT_EQ(formatKeyColour(f.key(0, 0)), "0,200,100,1");  // a default key follows the base too

    // The same colour again: nothing sent, nothing rewritten.
    const auto before = storage::readWholeFile(UserColourFile::pathFor(0));
    EXPECT_FALSE(m.setBaseColour(k).sent);
    EXPECT_EQ(frames(), std::vector<std::string>{});
    EXPECT_EQ(storage::readWholeFile(UserColourFile::pathFor(0)), before);
    EXPECT_EQ(view.keyColours, 1);
}

TEST_F(Lighting, selecting_and_renaming_user_modes) {
    ASSERT_TRUE(UserColourFile::restoreTemplate(0));
    RecordingView view;
    LightModel m(&view);
    m.loadUserModes();
    frames();
    ASSERT_TRUE(m.selectUserMode(2).ok());
    EXPECT_EQ(UserColourFile(UserColourFile::pathFor(0)).presentMode(), 2);
    EXPECT_EQ(m.presentUserMode(), 2);
    EXPECT_EQ(withoutKeyData(frames()), batch(keyTableWrites(0)));
    // The template's third user mode colours the keys by row: Esc red, Grave orange.
    EXPECT_EQ(keyboardArea("colours", 0, 3), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(keyboardArea("colours", 21 * 3, 3), (std::vector<uint8_t>{255, 128, 0}));
    EXPECT_EQ(view.userModes, 1);
    EXPECT_EQ(view.keyColours, 1);

    ASSERT_TRUE(m.renameUserMode("Fire"));
    EXPECT_EQ(m.userModeNames()[2], "Fire");
    EXPECT_EQ(UserColourFile(UserColourFile::pathFor(0)).modeName(2), "Fire");
    EXPECT_EQ(UserColourFile(UserColourFile::pathFor(0)).modeName(3), "4");  // the others stay
    EXPECT_EQ(frames(), std::vector<std::string>{});
}

TEST_F(Lighting, loading_for_a_profile_pushes_its_user_mode_inside_the_batch) {
    writeLightFile(2, "[MODENAME]\n0=Calm\n9=Party\n");
    storage::ensureFolder(storage::profileFolder());
    storage::WritePrivateProfileString("KEYCOLOR", "DengCheck", "1", LightModel::lightSwitchFile());
    LightModel::setLightProfile(2);
    LightModel m;
    ASSERT_EQ(m.loadLightSettingsForProfile(), 0);
    std::vector<std::string> want = {"info", "begin"};
    for (auto &f : batch(keyTableWrites(2))) want.push_back(f);
    for (auto &f : {"read@0/56", "read@42/56", "read@84/56", "end"}) want.push_back(f);
    EXPECT_EQ(withoutKeyData(frames()), want);
    EXPECT_EQ(m.userModeNames()[0], "Calm");
    EXPECT_EQ(m.userModeNames()[5], "0");
    EXPECT_EQ(m.userModeNames()[9], "Party");
    EXPECT_EQ(m.settings().effect, 20);  // the third profile's factory effect
    EXPECT_TRUE(m.lightView());

    // A plain reload never turns the switch off; a profile change takes what is stored.
    storage::WritePrivateProfileString("KEYCOLOR", "DengCheck", "0", LightModel::lightSwitchFile());
    ASSERT_EQ(m.loadLightSettings(), 0);
    EXPECT_TRUE(m.lightView());
    ASSERT_EQ(m.loadLightSettingsForProfile(), 0);
    EXPECT_FALSE(m.lightView());
    storage::WritePrivateProfileString("KEYCOLOR", "DengCheck", "1", LightModel::lightSwitchFile());
    ASSERT_EQ(m.loadLightSettings(), 0);
    EXPECT_TRUE(m.lightView());
}

TEST_F(Lighting, follows_base_flags_are_recomputed_from_the_colours) {
    writeLightFile(0, "[Mode0]\njcolor=5,5,5\n64=5,5,5,0\n65=6,6,6,1\n");
    LightModel m;
    ASSERT_EQ(m.loadLightSettingsForProfile(), 0);
    m.recomputeFollowsBase();
    const KeyColourTable &t = m.keyColours(0);
    EXPECT_TRUE(t.followsBase[64]);   // painted in the base colour
    EXPECT_FALSE(t.followsBase[65]);  // another colour
    EXPECT_FALSE(t.followsBase[0]);   // red is not the base colour
    EXPECT_FALSE(m.keyColours(1).followsBase[64]);
}

TEST_F(Lighting, restoring_the_defaults) {
    struct Case {
        const char *what;
        std::vector<uint8_t> modes;
        int effect;
        std::vector<std::string> selection;  // the effect selection batch for profile 1
        bool userModes;
    } cases[] = {
        {"effect 1 offered", {1, 2, 5, 20}, 1, {light(42, "01"), light(46, "00")}, true},
        {"no effect 1: the first offered effect with settings", {19, 4, 5, 20}, 4, {light(42, "04")}, true},
        {"nothing offered", {}, 1, {light(42, "01"), light(46, "00")}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        start({.modes = c.modes});
        writeLightFile(1, "[PRESENTMODE]\nmode=4\n[MODENAME]\n4=Mine\n");
        LightModel::setLightProfile(1);
        RecordingView view;
        LightModel m(&view);
        ASSERT_EQ(m.loadLightSettings(), 0);
        ASSERT_TRUE(m.setReportRate(2).ok());
        frames();
        EXPECT_EQ(m.defaultEffect(), c.effect);
        EXPECT_TRUE(m.restoreDefaultLight().ok());

        // The effect selection, the user mode of the template, the default block.
        LightBlock block = defaultLightBlock();
        block[0] = static_cast<uint8_t>(c.effect);
        std::vector<std::string> want = batch(c.selection);
        if (c.userModes)
            for (auto &f : batch(keyTableWrites(1))) want.push_back(f);
        for (auto &f : batch({light(42, hex(block.data(), kDefaultBlockLength))})) want.push_back(f);
        EXPECT_EQ(withoutKeyData(frames()), want);
        if (c.userModes) {
            EXPECT_EQ(storage::readWholeFile(UserColourFile::pathFor(1)),
                      storage::readWholeFile(UserColourFile::templatePath()));
            EXPECT_EQ(m.userModeNames()[4], "5");
            EXPECT_EQ(m.presentUserMode(), 0);
        } else {
            EXPECT_EQ(UserColourFile(UserColourFile::pathFor(1)).modeName(4), "Mine");  // left alone
        }
        EXPECT_EQ(keyboardArea("light", 42, 35), std::vector<uint8_t>(block.begin(), block.begin() + 35));

        const LightSettings &s = m.settings();
        EXPECT_EQ(s.effect, c.effect);
        EXPECT_EQ(s.brightness, 4);
        EXPECT_EQ(s.speed, 2);
        EXPECT_EQ(s.direction, 0);
        EXPECT_EQ(s.colour, kWhite);
        EXPECT_TRUE(s.colourful);
        EXPECT_EQ(s.reportRate, 0);
        EXPECT_EQ(view.settings, 1);
    }
}

TEST_F(Lighting, the_lighting_switch_is_stored_only_when_the_profile_switch_agrees) {
    RecordingView view;
    view.allowReselect = false;
    LightModel m(&view);
    EXPECT_FALSE(m.setLightView(true));
    EXPECT_FALSE(m.lightView());
    EXPECT_TRUE(view.switches.empty());
    EXPECT_FALSE(std::filesystem::exists(LightModel::lightSwitchFile()));

    view.allowReselect = true;
    EXPECT_TRUE(m.setLightView(true));
    EXPECT_TRUE(m.lightView());
    EXPECT_EQ(storage::GetPrivateProfileString("KEYCOLOR", "DengCheck", "", LightModel::lightSwitchFile()), "1");
    view.allowReselect = false;  // turning off never asks
    EXPECT_TRUE(m.setLightView(false));
    EXPECT_FALSE(m.lightView());
    EXPECT_EQ(storage::GetPrivateProfileString("KEYCOLOR", "DengCheck", "", LightModel::lightSwitchFile()), "0");
    EXPECT_EQ(view.switches, (std::vector<bool>{true, false}));
    EXPECT_EQ(frames(), std::vector<std::string>{});  // never sent to the keyboard
}

TEST(LightingReload, a_change_made_on_the_keyboard_is_read_back) {
    TempDir home;
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    test::SimProcess sim;
    ASSERT_TRUE(test::connectCommandLink(sim.dir()));
    LightModel::setLightProfile(1);
    LightModel m;
    ASSERT_EQ(m.loadLightSettings(), 0);
    ASSERT_EQ(m.settings().effect, 5);

    // The keyboard's own keys change the second profile's effect, levels, report rate
    // (to an index it should not hold) and colour choice, then it reports the change.
    ASSERT_TRUE(sim.ctl("poke light 42 0B0201FF01"));
    ASSERT_TRUE(sim.ctl("poke light 57 07"));
    ASSERT_TRUE(sim.ctl("poke light 59 09"));
    ASSERT_TRUE(sim.ctl("event 0x0401"));
    ASSERT_EQ(m.loadLightSettings(), 0);
    const LightSettings &s = m.settings();
    EXPECT_EQ(s.effect, 11);
    EXPECT_EQ(s.brightness, 2);
    EXPECT_EQ(s.speed, 1);
    EXPECT_EQ(s.direction, 255);
    EXPECT_TRUE(s.colourful);
    EXPECT_EQ(s.reportRate, 3);
    EXPECT_EQ(s.colourChoice, 0);
    test::disconnectCommandLink();
}
