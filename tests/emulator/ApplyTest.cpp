// Apply, import, dumping and reading the keyboard against the virtual keyboard: the
// batches on the wire, the macro capacity rules, refused import files, and what a
// keyboard that goes away or says no at any frame of an Apply leaves behind.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "device/Protocol.h"
#include "model/Apply.h"
#include "model/ConfigImage.h"
#include "shell/Language.h"
#include "storage/ProfileStore.h"
#include "support/FrameRelay.h"
#include "support/FrameText.h"
#include "support/RecordingPrompter.h"
#include "support/UserEnvironment.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::model;
using namespace t44::storage;
using device::ResultCode::Success;

namespace {

using Bytes = std::vector<uint8_t>;

struct Frame {
    int command, offset, length;
    Bytes data;
    std::string shape() const {
        return std::to_string(command) + "@" + std::to_string(offset) + "/" + std::to_string(length);
    }
};

std::vector<Frame> framesOf(const std::vector<std::string> &requests, size_t from = 0) {
    std::vector<Frame> out;
    for (size_t i = from; i < requests.size(); ++i) {
        const Bytes b = test::frameBytes(requests[i]);
        out.push_back({b[3], b[5] | b[6] << 8, b[4], Bytes(b.begin() + 8, b.begin() + 8 + b[4])});
    }
    return out;
}

std::vector<std::string> shapes(const std::vector<Frame> &frames) {
    std::vector<std::string> out;
    for (const Frame &f : frames) out.push_back(f.shape());
    return out;
}

// The frames of a batch: begin, the macro image in 56-byte pieces, a matrix per profile,
// end.
std::vector<std::string> batchShapes(size_t imageSize, std::vector<int> profiles) {
    std::vector<std::string> out = {"1@0/0"};
    for (size_t at = 0; at < imageSize; at += 56)
        out.push_back("10@" + std::to_string(at) + "/" + std::to_string(std::min<size_t>(56, imageSize - at)));
    for (int p : profiles)
        for (int at = 0; at < 378; at += 56)
            out.push_back("8@" + std::to_string(p * 378 + at) + "/" + std::to_string(std::min(56, 378 - at)));
    out.push_back("2@0/0");
    return out;
}

// The macro image a batch carried, put back together from its frames.
Bytes macroImageIn(const std::vector<Frame> &frames) {
    Bytes image;
    for (const Frame &f : frames)
        if (f.command == device::CmdWriteMacroArea) image.insert(image.end(), f.data.begin(), f.data.end());
    return image;
}

MacroRecord macro(std::u16string_view name, uint16_t id, uint16_t actions) {
    MacroRecord m;
    m.setName(name);
    m.id = id;
    m.actionCount = actions;
    for (uint16_t i = 0; i < actions; ++i) m.actions[i] = {20u * i, 0x1E, static_cast<uint16_t>(i % 2)};
    return m;
}

class RecordingHost : public PlainApplyHost {
public:
    using PlainApplyHost::PlainApplyHost;
    void showProgress() override { events.push_back("show"); }
    void hideProgress() override { events.push_back("hide"); }
    void refreshKeys() override { events.push_back("refresh"); }
    std::vector<std::string> events;
};

// What the configurator reads from a keyboard that arrives: its default matrix and its
// macro capacity.
void readDeviceFacts() {
    KeyMatrixBlock matrix;
    ASSERT_EQ(device::readDefaultMatrix(matrix.data()), Success);
    configImage().setDefaultMatrix(matrix);
    device::DeviceInfo info;
    ASSERT_EQ(device::readDeviceInfo(info), Success);
    configImage().setMacroCapacity(info.macroUnits() * 128u);
}

Bytes readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(bytes.data()),
                                                                   static_cast<std::streamsize>(bytes.size()));
}

Bytes emptyProfileFile() {
    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    makeEmptyAssignmentTable(*image.assignments);
    return encodeProfileFile(image);
}

// A virtual keyboard in this process or another: its directory, its control commands
// (true for "ok") and the requests of its frame log.
struct KeyboardUnderTest {
    std::string dir;
    std::function<bool(const std::string &)> control;
    std::function<std::vector<std::string>()> requests;
};

class ApplyTest : public ::testing::Test {
protected:
    void runFaultMatrix(const KeyboardUnderTest &kb);
    void SetUp() override { configImage().reset(); }
    void TearDown() override {
        test::disconnectCommandLink();
        device::setExchangeTimeouts({});
        configImage().reset();
    }
    // Connects to the keyboard and loads it as the configurator does on arrival: the
    // working file exists afterwards and nothing is modified.
    void arrive(const std::string &dir) {
        ASSERT_TRUE(test::connectCommandLink(dir));
        readDeviceFacts();
        ASSERT_TRUE(LoadFromKeyboard(host));
        ASSERT_TRUE(std::filesystem::exists(WorkingProfilePath()));
    }
    test::UserEnvironment env;
    test::RecordingPrompter prompts;
    RecordingHost host{true};
};

}  // namespace

TEST_F(ApplyTest, apply_with_an_empty_macro_list_is_one_batch_of_ten_frames) {
    test::SimProcess sim({"--profile", "1"});
    arrive(sim.dir());
    EXPECT_FALSE(host.modified());

    // Nothing modified: the progress comes and goes and nothing is sent.
    size_t before = sim.requests().size();
    EXPECT_TRUE(ApplyWorkingModel(host));
    EXPECT_EQ(sim.requests().size(), before);
    EXPECT_EQ(host.events, (std::vector<std::string>{"refresh", "show", "hide"}));

    configImage().model()->assignments->record(1, 0x1E).assign(AssignmentType::Disabled, 0);
    host.setModified(true);
    before = sim.requests().size();
    EXPECT_TRUE(ApplyWorkingModel(host));
    EXPECT_FALSE(host.modified());

    const auto frames = framesOf(sim.requests(), before);
    EXPECT_EQ(shapes(frames), batchShapes(16, {1}));
    EXPECT_EQ(macroImageIn(frames), (Bytes{0xAA, 0x55, 16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}))
        << "an empty list with the names flag set";
    Bytes matrix;
    for (const Frame &f : frames)
        if (f.command == device::CmdWriteKeyMatrix) matrix.insert(matrix.end(), f.data.begin(), f.data.end());
    const auto m = configImage().model();
    const KeyMatrixBlock expected = EncodeKeyMatrix(m->assignments->block(1), configImage().defaultMatrix(), {});
    EXPECT_EQ(matrix, Bytes(expected.begin(), expected.end()));
    EXPECT_EQ(readFile(WorkingProfilePath()), encodeProfileFile(*m)) << "the working file holds the edit";
    EXPECT_TRUE(prompts.texts().empty());
}

TEST_F(ApplyTest, import_writes_one_macro_image_then_the_matrices_of_profiles_0_1_2) {
    test::SimProcess sim;
    arrive(sim.dir());

    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    makeEmptyAssignmentTable(*image.assignments);
    for (int p = 0; p < 3; ++p) image.assignments->record(p, 0x10 + p).assign(AssignmentType::Macro, 5);
    image.assignments->record(2, 0x20).assign(AssignmentType::TextBlock, 0);
    image.texts.set(recordNumber(2, 0x20), u"kept in the file, not on the keyboard");
    image.macros = {macro(u"one", 9, 10), macro(u"two", 5, 30)};
    const test::TempDir dir;
    const Bytes file = encodeProfileFile(image);
    writeFile(dir / "in.fwc", file);

    const size_t before = sim.requests().size();
    EXPECT_TRUE(ImportProfile(dir / "in.fwc", host));
    EXPECT_FALSE(host.modified());
    const auto frames = framesOf(sim.requests(), before);
    const Bytes area = encodeMacroArea(image.macros, true);
    EXPECT_EQ(shapes(frames), batchShapes(area.size(), {0, 1, 2}));
    EXPECT_EQ(macroImageIn(frames), area);
    EXPECT_EQ(readFile(WorkingProfilePath()), file) << "the working file is the imported one, texts and all";

    // The keyboard now reads back as the file: macro 5 is at position 1 on every profile.
    ASSERT_TRUE(LoadFromKeyboard(host));
    const auto m = configImage().model();
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(m->assignments->record(p, 0x10 + p).kind(), AssignmentType::Macro) << p;
        EXPECT_EQ(m->assignments->record(p, 0x10 + p).code, 2u) << p;
    }
    ASSERT_EQ(m->macros.size(), 2u);
    EXPECT_EQ(std::u16string(m->macros[1].nameView()), u"two");
    EXPECT_EQ(m->macros[1].actionCount, 30);
}

TEST_F(ApplyTest, macros_are_written_with_names_only_while_they_fit_128_bytes) {
    test::SimProcess sim({"--macro-units", "1"});
    arrive(sim.dir());
    ASSERT_EQ(configImage().macroCapacity(), 128u);

    // Sizes: 16 + 2 per macro + (4 + 4 per action) per macro, names 2 bytes a character.
    struct Case {
        const char *what;
        MacroList macros;
        bool sent, names;
        std::vector<std::string> texts;
    } cases[] = {
        {"full size 128", {macro(u"thirteen-char", 1, 20)}, true, true, {}},
        {"minimal 128, full 132", {macro(u"x", 1, 12), macro(u"y", 2, 13)}, true, false,
         {shell::LangText("EXTRA_PROFILE_SPACE_TIGHT")}},
        {"minimal 130", {macro(u"", 1, 8), macro(u"", 2, 8), macro(u"", 3, 8)}, false, false,
         {shell::LangText("EXTRA_MACRO_TOO_LONG")}},
    };
    for (auto &c : cases) {
        const MacroAreaSizes sizes = macroAreaSizes(c.macros);
        configImage().model()->macros = c.macros;
        host.setModified(true);
        prompts.clear();
        const size_t before = sim.requests().size();
        EXPECT_EQ(ApplyWorkingModel(host), c.sent) << c.what;
        EXPECT_EQ(host.modified(), !c.sent) << c.what;
        EXPECT_EQ(prompts.texts(), c.texts) << c.what;
        const auto frames = framesOf(sim.requests(), before);
        if (!c.sent) {
            EXPECT_GT(sizes.minimal, 128u) << c.what;
            EXPECT_TRUE(frames.empty()) << c.what;
            continue;
        }
        const Bytes image = macroImageIn(frames);
        EXPECT_EQ(image.size(), 128u) << c.what;
        EXPECT_EQ(image, encodeMacroArea(c.macros, c.names)) << c.what;
        EXPECT_EQ(image[6], c.names ? 1 : 0) << c.what;
        EXPECT_EQ(shapes(frames), batchShapes(128, {0})) << c.what;
    }
}

TEST_F(ApplyTest, a_bare_table_imports_as_every_key_default) {
    test::SimProcess sim;
    arrive(sim.dir());
    configImage().model()->assignments->record(0, 0x1E).assign(AssignmentType::Disabled, 0);
    configImage().model()->macros = {macro(u"old", 1, 3)};
    ASSERT_TRUE(ApplyWorkingModel(host));

    const test::TempDir dir;
    const Bytes file = emptyProfileFile();
    ASSERT_EQ(file.size(), 32832u);
    writeFile(dir / "bare.fwc", file);
    host.setModified(true);
    ASSERT_TRUE(ImportProfile(dir / "bare.fwc", host));
    EXPECT_FALSE(host.modified());
    {
        const auto m = configImage().model();
        for (const KeyAssignment &r : m->assignments->records) ASSERT_EQ(r.kind(), AssignmentType::Default);
        EXPECT_TRUE(m->macros.empty());
    }
    for (int p = 0; p < 3; ++p) {
        KeyMatrixBlock back;
        ASSERT_EQ(device::readKeyMatrix(back.data(), p), Success);
        EXPECT_EQ(back, configImage().defaultMatrix()) << "profile " << p;
    }
}

TEST_F(ApplyTest, refused_import_files_change_nothing_and_say_why) {
    test::SimProcess sim;
    arrive(sim.dir());
    configImage().model()->macros = {macro(u"kept", 1, 4)};
    configImage().model()->texts.set(3, u"kept too");
    host.setModified(true);
    const Bytes model = encodeProfileFile(*configImage().model());
    const Bytes working = readFile(WorkingProfilePath());

    auto withHeader = [](std::function<void(Bytes &)> change, bool fixChecksum = true) {
        Bytes b = emptyProfileFile();
        change(b);
        if (fixChecksum) b[31] = profileHeaderChecksum(b.data());
        return b;
    };
    const test::TempDir dir;
    const std::string formatError = "PROFILE_FORMAT_ERROR";
    struct Case {
        std::string name;
        Bytes bytes;
        bool formatError;
    } cases[] = {
        {"count101.fwc",
         withHeader([](Bytes &b) {
             b[14] = 101;
             const uint32_t total = 32832 + 101 * 16512;  // agrees with the count
             std::memcpy(b.data() + 8, &total, 4);
             b.resize(total, 0);
         }),
         true},
        {"flag2.fwc", withHeader([](Bytes &b) { b[30] = 2; }), true},
        {"checksum.fwc", withHeader([](Bytes &b) { b[31] ^= 1; }, false), true},
        {"total.fwc", withHeader([](Bytes &b) { b[8] ^= 2; }), true},
        {"short.fwc", Bytes(32831, 0), false},
        // A header that holds together over a file that ends before its macro does.
        {"cut.fwc",
         withHeader([](Bytes &b) {
             b[14] = 1;
             const uint32_t total = 32832 + 16512;
             std::memcpy(b.data() + 8, &total, 4);
             b.resize(32832 + 16000);
         }),
         false},
    };
    for (const auto &c : cases) {
        writeFile(dir / c.name, c.bytes);
        prompts.clear();
        const size_t before = sim.requests().size();
        EXPECT_FALSE(ImportProfile(dir / c.name, host)) << c.name;
        std::vector<std::string> expected;
        if (c.formatError) expected.push_back(shell::LangFormatString(formatError, dir / c.name));
        expected.push_back(shell::LangText("MAIN_PROMPT_INPORT"));
        EXPECT_EQ(prompts.texts(), expected) << c.name;
        EXPECT_EQ(sim.requests().size(), before) << c.name << ": nothing is sent";
        EXPECT_TRUE(host.modified()) << c.name;
        EXPECT_EQ(encodeProfileFile(*configImage().model()), model) << c.name << ": the model is untouched";
        EXPECT_EQ(readFile(WorkingProfilePath()), working) << c.name << ": the working file is untouched";
    }
}

TEST_F(ApplyTest, dump_writes_the_keyboards_profiles_and_macros_as_a_valid_file) {
    test::InProcessKeyboard kb;
    ASSERT_TRUE(kb.connect());
    readDeviceFacts();
    const test::TempDir dir;

    // A keyboard whose macro area was never written has no macros.
    ASSERT_EQ(DumpKeyboardToProfile(dir / "fresh.fwc"), 1);
    Bytes file = readFile(dir / "fresh.fwc");
    ASSERT_EQ(file.size(), 32832u);
    EXPECT_EQ(file[14], 0);
    EXPECT_EQ(ValidateProfileFile(dir / "fresh.fwc"), ProfileCheck::Valid);
    EXPECT_EQ(0, std::memcmp(file.data() + 32, kProfileDeviceBlock.data(), 32));

    const MacroList macros = {macro(u"a", 1, 3), macro(u"b", 2, 4)};
    const Bytes area = encodeMacroArea(macros, true);
    ASSERT_EQ(device::writeMacroArea(area.data(), area.size()), Success);
    int read = 0;
    ASSERT_EQ(DumpKeyboardToProfile(dir / "macros.fwc", &read), 1);
    EXPECT_EQ(read, Success);
    ProfileImage image;
    ASSERT_TRUE(LoadProfileFile(dir / "macros.fwc", image));
    ASSERT_EQ(image.macros.size(), 2u);
    EXPECT_EQ(std::u16string(image.macros[1].nameView()), u"b");
    EXPECT_EQ(image.macros[1].actionCount, 4);

    // A keyboard that refuses a read: no file.
    ASSERT_EQ(kb.control("refuse 0xFF 1"), "ok");
    EXPECT_EQ(DumpKeyboardToProfile(dir / "refused.fwc", &read), 0);
    EXPECT_EQ(read, device::ResultCode::RefusedFF);
    EXPECT_FALSE(std::filesystem::exists(dir / "refused.fwc"));
}

TEST_F(ApplyTest, reading_the_keyboard_replaces_the_working_model_and_file) {
    test::InProcessKeyboard kb({.profile = 2});
    arrive(kb.dir());
    EXPECT_EQ(ValidateProfileFile(WorkingProfilePath()), ProfileCheck::Valid);
    EXPECT_EQ(host.events, std::vector<std::string>{"refresh"});

    // The model follows the keyboard even when the working file cannot be written: an
    // empty model in its place would be written over the keyboard's keys by the next Apply.
    // Position 8 of the factory matrix is Esc.
    ASSERT_EQ(kb.control("poke matrix 24 000000"), "ok");
    std::filesystem::remove(WorkingProfilePath());
    std::filesystem::create_directory(WorkingProfilePath());
    host.setModified(true);
    EXPECT_TRUE(LoadFromKeyboard(host, true));
    EXPECT_TRUE(host.modified()) << "kept when asked to";
    EXPECT_EQ(configImage().model()->assignments->record(0, KeyTableIndexOf(0x001)).kind(), AssignmentType::Disabled)
        << "Esc now sends nothing";

    // A keyboard that cannot be read leaves an empty profile.
    test::disconnectCommandLink();
    configImage().setActiveProfileCache(-1);
    EXPECT_FALSE(LoadFromKeyboard(host));
    EXPECT_FALSE(host.modified());
    AssignmentTable empty;
    makeEmptyAssignmentTable(empty);
    EXPECT_EQ(0, std::memcmp(configImage().model()->assignments->bytes(), empty.bytes(), AssignmentTable::size()));
}

// The fault matrix: an Apply of one macro (a one-frame image) and profile 0 is 10 frames.
// At each of them the keyboard goes away, stops answering, or refuses. The Apply fails
// without harm, `modified` stays set, and the next Apply once the keyboard is back writes
// the whole configuration.
void ApplyTest::runFaultMatrix(const KeyboardUnderTest &kb) {
    test::FrameRelay relay(kb.dir);
    // Replies do not name their request, so a time-out shorter than a slow reply would
    // pair later replies with the wrong requests: this one is short, but not that short.
    device::setExchangeTimeouts({1000, 200, 2});
    arrive(relay.dir());

    {
        auto m = configImage().model();
        m->assignments->record(0, 0x1E).assign(AssignmentType::Macro, 3);
        m->assignments->record(0, 0x30).assign(AssignmentType::Disabled, 0);
        m->macros = {macro(u"m", 3, 2)};
    }
    const Bytes image = encodeMacroArea(configImage().model()->macros, true);
    const KeyMatrixBlock matrix = EncodeKeyMatrix(configImage().model()->assignments->block(0),
                                                  configImage().defaultMatrix(), configImage().model()->macros);
    const auto expectedBatch = batchShapes(image.size(), {0});
    ASSERT_EQ(expectedBatch.size(), 10u);

    struct Fault {
        const char *name;
        const char *command;
        bool unplugs;
    } faults[] = {
        {"unplugged", "unplug", true},
        {"silent", "drop 2", false},  // the frame and its one retry
        {"refusing 0xFF", "refuse 0xFF 1", false},
        {"refusing 0xFE", "refuse 0xFE 1", false},
    };
    for (const Fault &fault : faults) {
        for (size_t at = 0; at < expectedBatch.size(); ++at) {
            const std::string where = std::string(fault.name) + " at frame " + std::to_string(at);
            host.setModified(true);
            relay.before(at, [&kb, &fault] { kb.control(fault.command); });
            EXPECT_FALSE(ApplyWorkingModel(host)) << where;
            EXPECT_TRUE(host.modified()) << where;

            if (fault.unplugs) {
                ASSERT_TRUE(kb.control("plug")) << where;
                ASSERT_TRUE(relay.connect()) << where;
                configImage().setActiveProfileCache(-1);  // as the presence monitor does on removal
            }
            const size_t before = kb.requests().size();
            EXPECT_TRUE(ApplyWorkingModel(host)) << where;
            EXPECT_FALSE(host.modified()) << where;
            auto frames = framesOf(kb.requests(), before);
            if (fault.unplugs && !frames.empty() && frames[0].command == device::CmdReadDeviceInfo)
                frames.erase(frames.begin());
            EXPECT_EQ(shapes(frames), expectedBatch) << where;
            EXPECT_EQ(macroImageIn(frames), image) << where;
            Bytes sent;
            for (const Frame &f : frames)
                if (f.command == device::CmdWriteKeyMatrix) sent.insert(sent.end(), f.data.begin(), f.data.end());
            EXPECT_EQ(sent, Bytes(matrix.begin(), matrix.end())) << where;
        }
    }
    // The keyboard holds what was sent.
    KeyMatrixBlock back;
    ASSERT_EQ(device::readKeyMatrix(back.data(), 0), Success);
    EXPECT_EQ(back, matrix);
    Bytes area(image.size());
    ASSERT_EQ(device::readMacroArea(area.data(), area.size()), Success);
    EXPECT_EQ(area, image);
    EXPECT_TRUE(prompts.texts().empty());
}

TEST_F(ApplyTest, a_keyboard_lost_or_refusing_at_any_frame_of_an_apply_gets_it_whole_next_time) {
    test::InProcessKeyboard kb;
    runFaultMatrix({kb.dir(), [&kb](const std::string &line) { return kb.control(line) == "ok"; },
                    [&kb] { return kb.requests(); }});
}

TEST_F(ApplyTest, the_same_against_the_keyboard_as_a_separate_process) {
    test::SimProcess sim;
    runFaultMatrix({sim.dir(), [&sim](const std::string &line) { return sim.ctl(line); },
                    [&sim] { return sim.requests(); }});
}

TEST_F(ApplyTest, write_configuration_fails_when_any_write_of_the_batch_failed) {
    // The last matrix write succeeding is not enough: a refused macro image or an earlier
    // matrix fails the import too, and the flag stays set so the user can try again.
    test::InProcessKeyboard kb;
    test::FrameRelay relay(kb.dir());
    arrive(relay.dir());
    const test::TempDir dir;
    writeFile(dir / "p.fwc", emptyProfileFile());
    for (size_t at : {size_t{1}, size_t{2}, size_t{9}}) {  // the image, profile 0's first piece, profile 1's
        relay.before(at, [&kb] { kb.control("refuse 0xFF 1"); });
        host.setModified(false);
        const size_t before = kb.requests().size();
        EXPECT_FALSE(ImportProfile(dir / "p.fwc", host)) << at;
        EXPECT_TRUE(host.modified()) << at;
        const auto frames = framesOf(kb.requests(), before);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.back().shape(), "2@0/0") << "the batch is closed";
        EXPECT_EQ(frames[frames.size() - 2].shape(), "8@1092/42") << "and profile 2 was still written";
    }
}

TEST_F(ApplyTest, nothing_is_sent_without_a_working_model_or_an_active_profile) {
    test::InProcessKeyboard kb;
    ASSERT_TRUE(kb.connect());
    device::setExchangeTimeouts({1000, 20, 4});
    configImage().setMacroCapacity(1024);
    EXPECT_FALSE(writeConfiguration(false)) << "no working model yet";
    EXPECT_TRUE(kb.requests().empty());

    configImage().resetWorkingToEmptyProfile();
    ASSERT_EQ(kb.control("drop 4"), "ok");
    EXPECT_FALSE(writeConfiguration(false));
    for (const Frame &f : framesOf(kb.requests())) EXPECT_EQ(f.command, device::CmdReadDeviceInfo);
    EXPECT_EQ(kb.requests().size(), 4u);
    EXPECT_TRUE(writeConfiguration(false)) << "the keyboard answers again";
}
