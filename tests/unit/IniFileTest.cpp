// The INI module: reading with private-profile semantics, writing that keeps the rest of
// the file, and the file-level functions on real files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/VirtualKeyboard.h"
#include "storage/AtomicFile.h"
#include "storage/IniFile.h"

using namespace t44::storage;
using t44::test::TempDir;

namespace {

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string fileText(const std::string &path) { return readWholeFile(path).value_or("<missing>"); }

}  // namespace

TEST(IniFile, reads_values_as_the_private_profile_functions_do) {
    struct Case {
        const char *text, *section, *key;
        std::optional<std::string> value;
    } cases[] = {
        {"[A]\nk=v\n", "A", "k", "v"},
        {"[Sec]\nKey=v\n", "sEC", "kEY", "v"},            // names without regard to case
        {"[ A ]\n  k  =  v w  \n", "A", "k", "v w"},     // white space around names and value
        {"[A]\nk=v\n", " A ", " k ", "v"},               // and around the names asked for
        {"[A]\nk=\" v \"\n", "A", "k", " v "},            // quotes keep white space
        {"[A]\nk=\"\"\n", "A", "k", ""},                   // quoted empty value
        {"[A]\nk=\n", "A", "k", ""},                       // empty value, present
        {"[A]\nk=v\n", "A", "j", std::nullopt},           // absent key
        {"[A]\nk=v\n", "B", "k", std::nullopt},           // absent section
        {"[A]\n;k=v\n", "A", "k", std::nullopt},          // comment
        {"[A]\nk=1\nk=2\n", "A", "k", "1"},               // the first of two wins
        {"[A]\nk=1\n[B]\nj=2\n", "B", "k", std::nullopt}, // keys belong to their section
        {"[A]\nk=1\n[B]\n[A]\nj=2\n", "A", "j", "2"},     // a section may come back
        {"[A]\nk=a=b\n", "A", "k", "a=b"},                 // first '=' splits
        {"[A]\r\nk=v\r\n", "A", "k", "v"},                 // CR LF
        {"\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "v"},         // byte order mark
        {"[A]\nk=A\xC3\xA7\xC3\xA3o\n", "A", "k", "A\xC3\xA7\xC3\xA3o"},  // UTF-8
        {"[A\nk=v", "A", "k", "v"},                        // header without ']', no final newline
        {"[A]\nk\nk=v\n", "A", "k", "v"},                  // a line without '=' is no key
        {"[A]\n=v\n", "A", "", std::nullopt},              // nor is one without a name
        {"k=v\n[A]\n", "A", "k", std::nullopt},            // lines before the first header
    };
    for (const Case &c : cases) {
        CIniFile ini;
        ini.parse(c.text);
        EXPECT_EQ(ini.get(c.section, c.key), c.value) << c.text;
    }
}

TEST(IniFile, writing_a_value_changes_only_its_line) {
    const std::string original =
        "; settings\n"
        "\n"
        "[A]\n"
        "k = old   ; not a comment\n"
        "other=1\n"
        "\n"
        "; about B\n"
        "[B]\n"
        "x=y\n";
    struct Case {
        const char *section, *key;
        std::optional<std::string> value;
        std::string expected;
    } cases[] = {
        // replaced in place, the key keeps its spelling
        {"a", "K", "new", "; settings\n\n[A]\nk=new\nother=1\n\n; about B\n[B]\nx=y\n"},
        // added after the section's last key, before the blank line and the next section's comment
        {"A", "n", "2", "; settings\n\n[A]\nk = old   ; not a comment\nother=1\nn=2\n\n; about B\n[B]\nx=y\n"},
        // a new section at the end
        {"C", "z", "", original + "[C]\nz=\n"},
        // removed
        {"A", "other", std::nullopt, "; settings\n\n[A]\nk = old   ; not a comment\n\n; about B\n[B]\nx=y\n"},
        // removing what is not there changes nothing
        {"C", "z", std::nullopt, original},
    };
    for (const Case &c : cases) {
        CIniFile ini;
        ini.parse(original);
        EXPECT_TRUE(ini.set(c.section, c.key, c.value));
        EXPECT_EQ(ini.text(), c.expected) << c.section << "/" << c.key;
    }
}

TEST(IniFile, keeps_line_endings_and_byte_order_mark) {
    CIniFile ini;
    ini.parse("\xEF\xBB\xBF[A]\r\n; c\r\nk=1\r\n");
    ini.set("A", "k", "2");
    ini.set("B", "j", "3");
    EXPECT_EQ(ini.text(), "\xEF\xBB\xBF[A]\r\n; c\r\nk=2\r\n[B]\r\nj=3\r\n");
}

TEST(IniFile, values_read_back_exactly_as_written) {
    const std::string values[] = {"", " lead", "trail ", " both ", "\"q\"", "\"", "\"\"", "a=b", ";x", "[x]",
                                  "\t", "A\xC3\xA7\xC3\xA3o \xE2\x86\x92 ok", "%s%n"};
    for (const std::string &v : values) {
        CIniFile ini;
        ASSERT_TRUE(ini.set("S", "k", v)) << v;
        CIniFile reread;
        reread.parse(ini.text());
        EXPECT_EQ(reread.get("S", "k"), v) << ini.text();
    }
}

TEST(IniFile, refuses_what_a_line_cannot_hold_and_changes_nothing) {
    struct Case {
        const char *section, *key, *value;
    } cases[] = {
        {"", "k", "v"},         {"  ", "k", "v"},     {"A]", "k", "v"},  {"A\nB", "k", "v"},
        {"A", "", "v"},         {"A", "k=j", "v"},    {"A", ";k", "v"},  {"A", "[k", "v"},
        {"A", "k\nj", "v"},    {"A", "k", "v\nx=1"}, {"A", "k", "v\r"}, {"A", "k", "\n[B]"},
    };
    const std::string original = "[A]\nk=1\n";
    for (const Case &c : cases) {
        CIniFile ini;
        ini.parse(original);
        EXPECT_FALSE(ini.set(c.section, c.key, std::string(c.value))) << c.section << "/" << c.key;
        EXPECT_EQ(ini.text(), original);
    }
}

TEST(IniFile, parse_decimal_reads_leading_digits_or_zero) {
    struct Case {
        const char *text;
        int value;
    } cases[] = {{"12", 12},          {" 7 ", 7},         {"-3", -3},          {"+4", 4},
                 {"12abc", 12},       {"abc", 0},         {"", 0},             {"-", 0},
                 {"0x10", 0},         {"99999999999", 2147483647},             {"-99999999999", -2147483647 - 1},
                 {"2147483647", 2147483647}};
    for (const Case &c : cases) EXPECT_EQ(parseDecimal(c.text), c.value) << c.text;
}

TEST(IniFile, cut_to_chars_never_splits_a_character) {
    EXPECT_EQ(cutToChars("abc", 2), "ab");
    EXPECT_EQ(cutToChars("\xC3\xA7\xC3\xA3o", 2), "\xC3\xA7\xC3\xA3");
    EXPECT_EQ(cutToChars("\xE2\x86\x92x", 1), "\xE2\x86\x92");
    EXPECT_EQ(cutToChars("ab", 5), "ab");
    // a stray continuation byte counts with the character before it, and never crashes
    EXPECT_EQ(cutToChars("\x80\x80z", 0), "\x80\x80");
}

TEST(ProfileFunctions, read_defaults_and_cut_values_to_259_characters) {
    TempDir tmp;
    const std::string file = tmp / "s.ini";
    std::string wide;
    for (int i = 0; i < 300; ++i) wide += "\xC3\xA9";  // two bytes each
    writeFile(file, "[A]\nlong=" + std::string(300, 'a') + "\nwide=" + wide + "\nempty=\nnum=42x\nbad=x\n");

    EXPECT_EQ(GetPrivateProfileString("A", "long", "d", file), std::string(259, 'a'));
    EXPECT_EQ(GetPrivateProfileString("A", "wide", "d", file).size(), 259u * 2);  // characters, not bytes
    EXPECT_EQ(GetPrivateProfileString("A", "long", "d", file, 3), "aaa");
    EXPECT_EQ(GetPrivateProfileString("A", "empty", "d", file), "");
    EXPECT_EQ(GetPrivateProfileString("A", "none", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileString("B", "long", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileString("A", "long", "d", tmp / "missing.ini"), "d");

    EXPECT_EQ(GetPrivateProfileInt("A", "num", 7, file), 42);
    EXPECT_EQ(GetPrivateProfileInt("A", "bad", 7, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("A", "empty", 7, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("A", "none", 7, file), 7);
}

TEST(ProfileFunctions, write_creates_replaces_and_removes_whole_files) {
    TempDir tmp;
    const std::string file = tmp / "s.ini";
    ASSERT_TRUE(WritePrivateProfileString("A", "k", std::string("1"), file));
    ASSERT_TRUE(WritePrivateProfileString("A", "j", std::string("2"), file));
    ASSERT_TRUE(WritePrivateProfileString("a", "K", std::string("3"), file));
    EXPECT_EQ(fileText(file), "[A]\nk=3\nj=2\n");
    ASSERT_TRUE(WritePrivateProfileString("A", "k", std::nullopt, file));
    EXPECT_EQ(fileText(file), "[A]\nj=2\n");
    // Nothing is left beside the file: each write went through a temporary and a rename.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 1);

    EXPECT_FALSE(WritePrivateProfileString("A", "k", std::string("1"), tmp / "no/such/folder/s.ini"));
    EXPECT_FALSE(WritePrivateProfileString("A", "k=", std::string("1"), file));
    EXPECT_EQ(fileText(file), "[A]\nj=2\n");
}

TEST(ProfileFunctions, a_file_that_cannot_be_read_is_not_replaced_by_one_key) {
    TempDir tmp;
    // Larger than any settings file the reader accepts: reading fails, so must the write.
    const std::string file = tmp / "huge.ini";
    writeFile(file, "[A]\nk=1\n");
    const off_t size = 17 << 20;
    ASSERT_EQ(::truncate(file.c_str(), size), 0);
    EXPECT_FALSE(WritePrivateProfileString("A", "k", std::string("2"), file));
    EXPECT_EQ(std::filesystem::file_size(file), static_cast<uintmax_t>(size));
    EXPECT_EQ(GetPrivateProfileString("A", "k", "d", file), "d");
}
