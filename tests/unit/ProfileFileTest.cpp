// Profile files: the format both ways, the header checks, validation of a file on disk,
// the profile folder, and the safety of the working file (never half-written, never
// half-loaded).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "model/LightUserFile.h"
#include "shell/Language.h"
#include "storage/ProfileStore.h"
#include "storage/UserPaths.h"
#include "support/RecordingPrompter.h"
#include "support/UserEnvironment.h"

using namespace t44;
using namespace t44::model;
using namespace t44::storage;

namespace {

using Bytes = std::vector<uint8_t>;

MacroRecord macro(std::u16string_view name, uint16_t id, uint16_t actions) {
    MacroRecord m;
    m.setName(name);
    m.id = id;
    m.cycles = 3;
    m.actionCount = actions;
    for (uint16_t i = 0; i < actions; ++i) m.actions[i] = {i * 10u, static_cast<KeyCode>(0x10 + i % 20), static_cast<uint16_t>(i % 2)};
    return m;
}

ProfileImage sampleImage() {
    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    makeEmptyAssignmentTable(*image.assignments);
    AssignmentTable &t = *image.assignments;
    t.record(0, 0x1E).assign(AssignmentType::Macro, 7, 2);
    t.record(1, 0x30).assign(AssignmentType::Key, 0x138);
    t.record(2, 0x02).assign(AssignmentType::LaunchProgram, 0);
    t.record(0, 0x10).assign(AssignmentType::TextBlock, 0);
    t.record(0, 0x10).selected = 0xA5A5A5A5;
    image.texts.set(recordNumber(2, 0x02), u"/usr/bin/xterm");
    image.texts.set(recordNumber(0, 0x10), u"h\u00e9llo");
    image.macros = {macro(u"first", 7, 3), macro(u"", 2, 2000)};
    return image;
}

void fixChecksum(Bytes &b) { b[31] = profileHeaderChecksum(b.data()); }

void put16(Bytes &b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes &b, size_t at, uint32_t v) {
    put16(b, at, static_cast<uint16_t>(v));
    put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

Bytes emptyFile() {
    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    makeEmptyAssignmentTable(*image.assignments);
    return encodeProfileFile(image);
}

Bytes readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(bytes.data()),
                                                                   static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(ProfileFile, round_trip_keeps_records_macros_texts_and_the_device_block) {
    ProfileImage image = sampleImage();
    image.assignments->header[40] = 0x77;  // a device block from some other file: carried as loaded
    const Bytes file = encodeProfileFile(image);

    const uint32_t textSize = (15 + 6) * 2;  // "/usr/bin/xterm" and "héllo" with terminators
    ASSERT_EQ(file.size(), 32832u + 2 * 16512u + textSize);
    EXPECT_EQ(file[0], 0x46);
    EXPECT_EQ(file[1], 0x44);
    EXPECT_EQ(file[8] | file[9] << 8 | file[10] << 16, static_cast<int>(file.size()));
    EXPECT_EQ(file[14], 2);
    EXPECT_EQ(file[16], textSize);
    EXPECT_EQ(file[30], 0);
    EXPECT_EQ(file[31], profileHeaderChecksum(file.data()));
    EXPECT_EQ(file[40], 0x77);
    EXPECT_TRUE(checkProfileHeader(file.data()));

    ProfileImage back;
    ASSERT_TRUE(decodeProfileFile(file, back));
    EXPECT_EQ(0, std::memcmp(back.assignments->bytes(), image.assignments->bytes(), AssignmentTable::size()));
    ASSERT_EQ(back.macros.size(), 2u);
    EXPECT_EQ(0, std::memcmp(&back.macros[0], &image.macros[0], sizeof(MacroRecord)));
    EXPECT_EQ(0, std::memcmp(&back.macros[1], &image.macros[1], sizeof(MacroRecord)));
    EXPECT_EQ(back.texts[recordNumber(2, 0x02)].text, u"/usr/bin/xterm");
    EXPECT_EQ(back.texts[recordNumber(0, 0x10)].text, u"h\u00e9llo");
    EXPECT_EQ(back.texts.totalSize(), textSize);
    EXPECT_EQ(encodeProfileFile(back), file);
}

TEST(ProfileFile, texts_are_packed_in_record_order_from_offset_zero) {
    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    makeEmptyAssignmentTable(*image.assignments);
    const size_t first = recordNumber(0, 5), second = recordNumber(1, 40);
    image.assignments->records[second].assign(AssignmentType::TextBlock, 999);
    image.assignments->records[first].assign(AssignmentType::TextBlock, 999);
    image.texts.set(second, u"c");
    image.texts.set(first, u"ab");

    const Bytes file = encodeProfileFile(image);
    ASSERT_EQ(file.size(), 32832u + 10);
    EXPECT_EQ(Bytes(file.begin() + 32832, file.end()), (Bytes{'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0}));
    EXPECT_EQ(image.assignments->records[first].code, 0u) << "the working record learns its offset";
    EXPECT_EQ(image.assignments->records[second].code, 6u);
    EXPECT_EQ(file[16], 10);
}

TEST(ProfileFile, texts_are_read_by_offset_and_only_within_the_area) {
    // A text area "ab\0cd" followed by "ef" with no terminator: 14 bytes.
    const Bytes area = {'a', 0, 'b', 0, 0, 0, 'c', 0, 'd', 0, 0, 0, 'e', 0};
    struct Case {
        AssignmentType type;
        uint32_t code;
        bool hasText;
        std::u16string text;
    } cases[] = {
        {AssignmentType::TextBlock, 0, true, u"ab"},
        {AssignmentType::LaunchProgram, 7, true, u"cd"},      // odd offsets are rounded down
        {AssignmentType::TextBlock, 4, true, u""},            // a terminator alone is an empty text
        {AssignmentType::TextBlock, 12, true, u"e"},          // ends with the area
        {AssignmentType::TextBlock, 14, false, u""},          // just past the area
        {AssignmentType::TextBlock, 0xFFFFFFFF, false, u""},  // far past it
        {AssignmentType::Key, 0, false, u""},                 // other types carry no text
        {AssignmentType::Macro, 6, false, u""},
    };
    Bytes file = emptyFile();
    for (size_t i = 0; i < std::size(cases); ++i) {
        KeyAssignment r;
        r.assign(cases[i].type, cases[i].code);
        std::memcpy(file.data() + 64 + i * 16, &r, sizeof r);
    }
    file.insert(file.end(), area.begin(), area.end());
    put32(file, 16, static_cast<uint32_t>(area.size()));

    ProfileImage image;
    ASSERT_TRUE(decodeProfileFile(file, image));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(image.texts.hasText(i), cases[i].hasText) << "case " << i;
        EXPECT_EQ(image.texts[i].text, cases[i].text) << "case " << i;
        if (cases[i].hasText) {
            EXPECT_EQ(image.texts[i].size, (cases[i].text.size() + 1) * 2) << "case " << i;
        }
    }
}

TEST(ProfileFile, counts_are_trusted_only_as_far_as_the_bytes_go) {
    const Bytes oneMacro = [] {
        ProfileImage image = sampleImage();
        image.macros.resize(1);
        return encodeProfileFile(image);
    }();
    struct Case {
        const char *what;
        std::function<void(Bytes &)> change;
        bool loads;
    } cases[] = {
        {"as written", [](Bytes &) {}, true},
        {"longer than the header says", [](Bytes &b) { b.push_back(0); }, true},
        {"one byte of text missing", [](Bytes &b) { b.pop_back(); }, false},
        {"a whole macro missing", [](Bytes &b) { b.erase(b.begin() + 32832, b.begin() + 32832 + 16512); }, false},
        {"header of the table only", [](Bytes &b) { b.resize(32831); }, false},
        {"nothing", [](Bytes &b) { b.clear(); }, false},
        {"101 macros", [](Bytes &b) { put16(b, 14, 101); b.resize(32832 + 101 * 16512 + 100, 0); }, false},
        {"65535 macros", [](Bytes &b) { put16(b, 14, 0xFFFF); }, false},
        {"a text area of 4 GiB", [](Bytes &b) { put32(b, 16, 0xFFFFFFFF); }, false},
    };
    for (const auto &c : cases) {
        Bytes file = oneMacro;
        c.change(file);
        ProfileImage out;
        out.macros.resize(5);  // a sentinel: a refused file leaves it as it was
        EXPECT_EQ(decodeProfileFile(file, out), c.loads) << c.what;
        if (!c.loads) {
            EXPECT_EQ(out.macros.size(), 5u) << c.what;
            EXPECT_FALSE(out.assignments) << c.what;
        }
    }
}

TEST(ProfileFile, header_checks) {
    struct Case {
        const char *what;
        std::function<void(Bytes &)> change;
        bool valid;
        bool keepChecksum = false;
    } cases[] = {
        {"as written", [](Bytes &) {}, true},
        {"flag 1", [](Bytes &b) { b[30] = 1; }, true},
        {"100 macros", [](Bytes &b) { put16(b, 14, 100); put32(b, 8, 32832 + 100 * 16512); }, true},
        {"flag 2", [](Bytes &b) { b[30] = 2; }, false},
        {"101 macros", [](Bytes &b) { put16(b, 14, 101); put32(b, 8, 32832 + 101 * 16512); }, false},
        {"magic", [](Bytes &b) { b[0] = 0x47; }, false},
        {"header size", [](Bytes &b) { put16(b, 2, 64); }, false},
        {"constant 3", [](Bytes &b) { put16(b, 4, 2); }, false},
        {"constant 1", [](Bytes &b) { put16(b, 6, 0); }, false},
        {"record count", [](Bytes &b) { put16(b, 12, 2047); }, false},
        {"total size one too many", [](Bytes &b) { put32(b, 8, 32833); }, false},
        {"total size that wraps", [](Bytes &b) { put32(b, 16, 0xFFFFFFFF); put32(b, 8, 32831); }, false},
        {"checksum", [](Bytes &b) { ++b[31]; }, false, true},
        {"a changed byte under the checksum", [](Bytes &b) { b[20] = 1; }, false, true},
    };
    for (const auto &c : cases) {
        Bytes file = emptyFile();
        c.change(file);
        if (!c.keepChecksum) fixChecksum(file);
        EXPECT_EQ(checkProfileHeader(file.data()), c.valid) << c.what;
    }
}

namespace {

class ProfileStoreFiles : public ::testing::Test {
protected:
    void SetUp() override { configImage().reset(); }
    void TearDown() override { configImage().reset(); }
    test::UserEnvironment env_;
    test::RecordingPrompter prompts_;
};

}  // namespace

TEST_F(ProfileStoreFiles, validation_results_and_the_one_message_it_shows) {
    const test::TempDir dir;
    Bytes badHeader = emptyFile();
    badHeader[30] = 2;
    fixChecksum(badHeader);
    Bytes truncated = emptyFile();
    put16(truncated, 14, 1);
    put32(truncated, 8, 32832 + 16512);
    fixChecksum(truncated);
    writeFile(dir / "valid.fwc", emptyFile());
    Bytes shortFile = emptyFile();
    shortFile.pop_back();
    writeFile(dir / "short.fwc", shortFile);
    writeFile(dir / "bad.fwc", badHeader);
    writeFile(dir / "truncated.fwc", truncated);
    std::filesystem::create_directory(dir / "folder.fwc");

    struct Case {
        std::string name;
        int result;
        bool formatError;
    } cases[] = {
        {"valid.fwc", ProfileCheck::Valid, false},
        {"missing.fwc", ProfileCheck::Invalid, false},
        {"short.fwc", ProfileCheck::Invalid, false},
        {"folder.fwc", ProfileCheck::CannotOpen, false},
        {"bad.fwc", ProfileCheck::Invalid, true},
        // The header agrees with itself; that the macro is missing is found on loading.
        {"truncated.fwc", ProfileCheck::Valid, false},
    };
    for (const auto &c : cases) {
        prompts_.clear();
        EXPECT_EQ(ValidateProfileFile(dir / c.name), c.result) << c.name;
        std::vector<std::string> expected;
        if (c.formatError) expected.push_back(shell::LangFormatString("PROFILE_FORMAT_ERROR", dir / c.name));
        EXPECT_EQ(prompts_.texts(), expected) << c.name;
    }
    EXPECT_EQ(prompts_.texts().size(), 0u);
    EXPECT_NE(shell::LangFormatString("PROFILE_FORMAT_ERROR", "X").find("X is not"), std::string::npos)
        << "the text comes from the shipped language file";
    model::ProfileImage image;
    EXPECT_FALSE(LoadProfileFile(dir / "truncated.fwc", image));
}

TEST_F(ProfileStoreFiles, profile_folder_is_seeded_once_from_the_light_template) {
    const std::string folder = profileFolder();
    ASSERT_FALSE(std::filesystem::exists(folder));
    EXPECT_EQ(WorkingProfilePath(), folder + "/$Profile0");
    const Bytes lightTemplate = readFile(UserColourFile::templatePath());
    ASSERT_FALSE(lightTemplate.empty());
    for (int p = 0; p < 3; ++p) EXPECT_EQ(readFile(UserColourFile::pathFor(p)), lightTemplate) << p;
    EXPECT_FALSE(std::filesystem::exists(UserColourFile::pathFor(3)));
    EXPECT_FALSE(std::filesystem::exists(WorkingProfilePath())) << "the working file comes from the keyboard";

    // An existing folder is left as it is, light files included.
    writeFile(UserColourFile::pathFor(1), {'x'});
    std::filesystem::remove(UserColourFile::pathFor(2));
    EXPECT_TRUE(EnsureProfileFolder());
    EXPECT_EQ(readFile(UserColourFile::pathFor(1)), Bytes{'x'});
    EXPECT_FALSE(std::filesystem::exists(UserColourFile::pathFor(2)));
}

TEST_F(ProfileStoreFiles, working_file_is_saved_only_when_it_exists_and_by_replacing_it) {
    ConfigImage &image = configImage();
    image.replaceWorking(sampleImage());
    const std::string working = WorkingProfilePath();
    EXPECT_FALSE(SaveWorkingProfile());
    EXPECT_FALSE(std::filesystem::exists(working));

    ASSERT_TRUE(CreateEmptyProfile(working));
    EXPECT_EQ(readFile(working), emptyFile());
    // A second name for the old file: a save that rewrote the file in place would change
    // what it shows; a save that replaces the file leaves it the old bytes.
    const std::string oldName = env_.dir() / "old";
    ASSERT_EQ(::link(working.c_str(), oldName.c_str()), 0);
    ASSERT_TRUE(SaveWorkingProfile());
    EXPECT_EQ(readFile(oldName), emptyFile());
    EXPECT_EQ(readFile(working), encodeProfileFile(*image.model()));
    size_t files = 0;
    for ([[maybe_unused]] auto &e : std::filesystem::directory_iterator(profileFolder())) ++files;
    EXPECT_EQ(files, 4u) << "three light files and the working file; no temporary left";

    // A working path that cannot be replaced: the save fails.
    std::filesystem::remove(working);
    std::filesystem::create_directory(working);
    EXPECT_FALSE(SaveWorkingProfile());
}

TEST_F(ProfileStoreFiles, a_file_that_cannot_be_loaded_leaves_the_working_model_as_it_was) {
    ConfigImage &image = configImage();
    image.replaceWorking(sampleImage());
    const Bytes before = encodeProfileFile(*image.model());
    const test::TempDir dir;
    Bytes cut = before;
    cut.resize(cut.size() - 1);
    writeFile(dir / "cut.fwc", cut);
    for (const std::string &path : {dir / "cut.fwc", dir / "missing.fwc", dir.path()}) {
        EXPECT_FALSE(LoadProfileFile(path)) << path;
        EXPECT_EQ(encodeProfileFile(*image.model()), before) << path;
    }
    writeFile(dir / "whole.fwc", emptyFile());
    ASSERT_TRUE(LoadProfileFile(dir / "whole.fwc"));
    EXPECT_TRUE(image.model()->macros.empty());
    EXPECT_EQ(image.model()->texts.totalSize(), 0u);
}

TEST_F(ProfileStoreFiles, a_save_killed_half_way_leaves_the_previous_file_whole) {
    ConfigImage &image = configImage();
    image.replaceWorking(sampleImage());
    const std::string working = WorkingProfilePath();
    ASSERT_TRUE(CreateEmptyProfile(working));
    const Bytes small = emptyFile(), large = encodeProfileFile(*image.model());

    for (int round = 0; round < 8; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves the large and the empty profile in turn, saying after each save.
            ::close(ready[0]);
            for (int n = 0;; ++n) {
                if (n % 2 == 0) SaveWorkingProfile();
                else CreateEmptyProfile(working);
                if (::write(ready[1], "s", 1) != 1) ::_exit(1);
            }
        }
        ::close(ready[1]);
        // Let the child finish a few saves, then kill it wherever it is.
        char c;
        for (int saves = 0; saves < 2 + round; ++saves) ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(ready[0]);
        ASSERT_TRUE(WIFSIGNALED(status));

        const Bytes now = readFile(working);
        EXPECT_TRUE(now == small || now == large) << "round " << round << ": " << now.size() << " bytes";
        EXPECT_EQ(ValidateProfileFile(working), ProfileCheck::Valid) << round;
    }
    EXPECT_TRUE(prompts_.texts().empty());
}
