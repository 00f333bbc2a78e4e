// halvex-t44ctl's profile commands against the virtual keyboard as a separate process,
// in a private user environment (the profile folder lives in a temporary folder).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/ConfigImage.h"
#include "shell/Language.h"
#include "storage/ProfileStore.h"
#include "support/FrameText.h"
#include "support/UserEnvironment.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::test;

namespace {

using Bytes = std::vector<uint8_t>;

RunResult ctl(const SimProcess &sim, std::vector<std::string> args) {
    std::vector<std::string> argv = {T44_CTL_EXE, "--virtual", sim.dir()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv);
}

Bytes readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(bytes.data()),
                                                                   static_cast<std::streamsize>(bytes.size()));
}

// The command byte and offset of each request, e.g. "8@378".
std::vector<std::string> commandsIn(const std::vector<std::string> &requests, size_t from = 0) {
    std::vector<std::string> out;
    for (size_t i = from; i < requests.size(); ++i) {
        const Bytes b = frameBytes(requests[i]);
        out.push_back(std::to_string(b[3]) + "@" + std::to_string(b[5] | b[6] << 8));
    }
    return out;
}

Bytes sampleProfile(uint16_t actions = 2) {
    model::ProfileImage image;
    image.assignments = std::make_unique<model::AssignmentTable>();
    model::makeEmptyAssignmentTable(*image.assignments);
    image.assignments->record(0, 0x1E).assign(model::AssignmentType::Macro, 4);
    image.assignments->record(1, 0x1F).assign(model::AssignmentType::Disabled, 0);
    image.assignments->record(2, 0x20).assign(model::AssignmentType::LaunchProgram, 0);
    image.texts.set(model::recordNumber(2, 0x20), u"/usr/bin/true");
    model::MacroRecord m;
    m.setName(u"hello");
    m.id = 4;
    m.actionCount = actions;
    for (uint16_t i = 0; i < actions; ++i) m.actions[i] = {10, 0x23, static_cast<uint16_t>(i % 2)};
    image.macros = {m};
    return storage::encodeProfileFile(image);
}

class ProfileCli : public ::testing::Test {
protected:
    UserEnvironment env;
    TempDir files;
};

}  // namespace

TEST_F(ProfileCli, import_then_export_gives_back_the_imported_profile) {
    SimProcess sim;
    const Bytes profile = sampleProfile();
    writeFile(files / "in.fwc", profile);

    // No working file yet: import reads the keyboard into one first, then writes the
    // file's macros and all three profiles as one batch.
    auto r = ctl(sim, {"import", files / "in.fwc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto requests = sim.requests();
    const auto commands = commandsIn(requests);
    ASSERT_GE(commands.size(), 24u);
    const std::vector<std::string> batch(commands.end() - 24, commands.end());
    EXPECT_EQ(batch, (std::vector<std::string>{"1@0", "10@0", "8@0", "8@56", "8@112", "8@168", "8@224", "8@280",
                                               "8@336", "8@378", "8@434", "8@490", "8@546", "8@602", "8@658",
                                               "8@714", "8@756", "8@812", "8@868", "8@924", "8@980", "8@1036",
                                               "8@1092", "2@0"}));
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "15@0"), 1) << "the keyboard was read once, first";

    r = ctl(sim, {"export", files / "out.fwc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(sim.requests().size(), requests.size()) << "export does not read the keyboard";
    EXPECT_EQ(readFile(files / "out.fwc"), profile);
}

TEST_F(ProfileCli, export_without_a_working_file_reads_the_keyboard_first) {
    SimProcess sim({"--profile", "2"});
    ASSERT_TRUE(sim.ctl("poke matrix 780 000000"));  // profile 2, position 8 (Esc): nothing
    auto r = ctl(sim, {"export", files / "out.fwc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    model::ProfileImage image;
    ASSERT_TRUE(storage::LoadProfileFile(files / "out.fwc", image));
    EXPECT_EQ(image.assignments->record(2, model::KeyTableIndexOf(0x001)).kind(), model::AssignmentType::Disabled);
    EXPECT_EQ(readFile(files / "out.fwc"), readFile(storage::WorkingProfilePath()));
}

TEST_F(ProfileCli, bad_files_are_refused_with_the_language_texts_and_a_failing_exit) {
    SimProcess sim;
    Bytes badFlag = sampleProfile();
    badFlag[30] = 2;
    badFlag[31] = model::profileHeaderChecksum(badFlag.data());
    writeFile(files / "flag.fwc", badFlag);
    writeFile(files / "short.fwc", Bytes(100, 0x46));
    Bytes cut = sampleProfile();
    cut.resize(cut.size() - 2);
    writeFile(files / "cut.fwc", cut);

    const std::string refused = shell::LangText("MAIN_PROMPT_INPORT") + "\n";
    struct Case {
        std::string file, err;
    } cases[] = {
        {"flag.fwc", shell::LangFormatString("PROFILE_FORMAT_ERROR", files / "flag.fwc") + "\n" + refused},
        {"short.fwc", refused},
        {"cut.fwc", refused},
        {"missing.fwc", refused},
    };
    EXPECT_EQ(refused, "The profile file could not be imported.\n");
    for (const auto &c : cases) {
        const size_t before = sim.requests().size();
        auto r = ctl(sim, {"import", files / c.file});
        EXPECT_EQ(r.exitCode, 1) << c.file;
        EXPECT_EQ(r.err, c.err) << c.file;
        const auto commands = commandsIn(sim.requests(), before);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "1@0"), 0) << c.file << ": no batch was sent";
    }
    auto r = ctl(sim, {"validate", files / "flag.fwc"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, shell::LangFormatString("PROFILE_FORMAT_ERROR", files / "flag.fwc") + "\n");
    r = ctl(sim, {"validate", files / "cut.fwc"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("shorter than its header says"), std::string::npos) << r.err;
}

TEST_F(ProfileCli, an_import_the_keyboard_cannot_take_fails) {
    SimProcess sim({"--macro-units", "1"});
    writeFile(files / "in.fwc", sampleProfile(40));  // 182 bytes without names
    auto r = ctl(sim, {"import", files / "in.fwc"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), shell::LangText("EXTRA_MACRO_TOO_LONG"));
    EXPECT_NE(r.err.find("not all stored and written"), std::string::npos) << r.err;
}

TEST_F(ProfileCli, dump_and_validate) {
    SimProcess sim;
    auto r = ctl(sim, {"dump", files / "kb.fwc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = ctl(sim, {"validate", files / "kb.fwc"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, files / "kb.fwc" + ": valid profile file, 0 macros\n");
    EXPECT_EQ(readFile(files / "kb.fwc").size(), 32832u);

    r = ctl(sim, {"validate", files / "none.fwc"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no such file"), std::string::npos) << r.err;

    ASSERT_TRUE(sim.ctl("unplug"));
    r = ctl(sim, {"dump", files / "gone.fwc"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
}

TEST_F(ProfileCli, profile_shows_and_sets_the_active_profile) {
    SimProcess sim({"--profile", "1"});
    auto r = ctl(sim, {"profile"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
    r = ctl(sim, {"profile", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = ctl(sim, {"profile", "--json"});
    EXPECT_EQ(r.out, "{\"activeProfile\":3}\n");
    for (const char *bad : {"0", "4", "x"}) {
        r = ctl(sim, {"profile", bad});
        EXPECT_EQ(r.exitCode, 2) << bad;
    }
}
