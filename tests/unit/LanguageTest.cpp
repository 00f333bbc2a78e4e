// Choosing the interface language, looking texts up, and using texts as formats.

#include <gtest/gtest.h>

#include <fstream>

#include "shell/Language.h"
#include "shell/LanguageKeys.h"
#include "storage/IniFile.h"
#include "storage/UserPaths.h"
#include "support/UserEnvironment.h"

using namespace t44::shell;
using t44::storage::GetPrivateProfileString;
using t44::storage::productSettingsFile;
using t44::storage::WritePrivateProfileString;
using t44::test::UserEnvironment;

namespace {

std::string storedLanguage() { return GetPrivateProfileString("Settings", "LANGUAGE", "<absent>", productSettingsFile()); }

void storeLanguage(const std::string &text) {
    t44::storage::ensureFolder(t44::storage::configHome());
    ASSERT_TRUE(WritePrivateProfileString("Settings", "LANGUAGE", text, productSettingsFile()));
}

}  // namespace

TEST(SystemLanguage, maps_locale_names_to_language_identifiers) {
    struct Case {
        const char *locale;
        uint32_t id;
    } cases[] = {
        {"pt_BR.UTF-8", 1046}, {"pt_BR", 1046},       {"pt_br.utf8", 1046}, {"pt_PT.UTF-8", 2070},
        {"pt", 2070},          {"pt_AO", 2070},       {"en_US.UTF-8", 1033}, {"en_GB", 2057},
        {"en", 1033},          {"zh_HK.UTF-8", 3076}, {"zh_SG", 4100},      {"zh_CN.GB18030", 2052},
        {"zh_TW", 1028},       {"de_DE@euro", 1031},  {"de_AT", 3079},      {"fr_CA.UTF-8", 3084},
        {"es_MX", 2058},       {"C", 1033},           {"C.UTF-8", 1033},    {"POSIX", 1033},
        {"xx_YY", 0},          {"", 0},               {"_BR", 0},           {"ptx_BR", 0},
    };
    for (const Case &c : cases) EXPECT_EQ(LanguageIdOfLocale(c.locale), c.id) << c.locale;
}

TEST(SystemLanguage, follows_the_locale_variables_in_their_order) {
    UserEnvironment env("de_DE.UTF-8");
    EXPECT_EQ(SystemLanguageId(), 1031u);
    ::setenv("LC_MESSAGES", "pt_BR.UTF-8", 1);
    EXPECT_EQ(SystemLanguageId(), 1046u);
    ::setenv("LC_ALL", "", 1);  // empty counts as not set
    EXPECT_EQ(SystemLanguageId(), 1046u);
    ::setenv("LC_ALL", "zh_HK.UTF-8", 1);
    EXPECT_EQ(SystemLanguageId(), 3076u);
    ::setenv("LC_ALL", "tlh_XX", 1);  // a locale without an identifier
    EXPECT_EQ(SystemLanguageId(), 1033u);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("LANG");
    EXPECT_EQ(SystemLanguageId(), 1033u);
}

TEST(LanguageChoice, the_first_lookup_chooses_from_the_system_and_stores_it) {
    struct Case {
        const char *locale;
        std::optional<std::string> stored;  // LANGUAGE before the lookup
        uint32_t id;
        int index;
        const char *closeText;  // MAIN_CLOSE_PROMPT from the file of that index
    } cases[] = {
        {"zh_HK.UTF-8", std::nullopt, 1033, 0, "Close"},  // 3076 counts as English
        {"zh_SG.UTF-8", std::nullopt, 1046, 1, "Fechar"},  // 4100 counts as Portuguese
        {"pt_BR.UTF-8", std::nullopt, 1046, 1, "Fechar"},
        {"en_US.UTF-8", std::nullopt, 1033, 0, "Close"},
        {"de_DE.UTF-8", std::nullopt, 1033, 0, "Close"},  // unsupported: English
        {"pt_PT.UTF-8", std::nullopt, 1033, 0, "Close"},  // 2070 is not 1046
        {"pt_BR.UTF-8", "0", 1046, 1, "Fechar"},           // 0: choose again
        {"pt_BR.UTF-8", "abc", 1046, 1, "Fechar"},         // not a number: replaced
        {"pt_BR.UTF-8", "-1", 1046, 1, "Fechar"},
        {"pt_BR.UTF-8", "4294967296", 1046, 1, "Fechar"},  // not 32 bits
        {"pt_BR.UTF-8", "", 1046, 1, "Fechar"},
    };
    for (const Case &c : cases) {
        UserEnvironment env(c.locale);
        if (c.stored) storeLanguage(*c.stored);
        SCOPED_TRACE(std::string(c.locale) + " stored " + c.stored.value_or("<absent>"));
        EXPECT_EQ(LangText("MAIN_CLOSE_PROMPT"), c.closeText);
        EXPECT_EQ(storedLanguage(), std::to_string(c.id));
        EXPECT_EQ(GetLanguageId(), c.id);
        EXPECT_EQ(LanguageIndex(), c.index);
    }
}

TEST(LanguageChoice, a_value_set_outside_stays_and_decides_every_later_lookup) {
    UserEnvironment env("pt_BR.UTF-8");
    storeLanguage("2052");  // supported nowhere: stays, texts from the index-0 file
    EXPECT_EQ(GetLanguageId(), 2052u);
    EXPECT_EQ(LanguageIndex(), 0);
    EXPECT_EQ(LangText("MAIN_CLOSE_PROMPT"), "Close");
    EXPECT_EQ(storedLanguage(), "2052");

    storeLanguage("1046");  // changed while running: the next text follows
    EXPECT_EQ(LangText("MAIN_CLOSE_PROMPT"), "Fechar");
    SetLanguageId(1033);
    EXPECT_EQ(LangText("MAIN_CLOSE_PROMPT"), "Close");
    EXPECT_EQ(storedLanguage(), "1033");
}

TEST(LanguageChoice, settings_that_cannot_be_stored_choose_from_the_system_each_time) {
    UserEnvironment env("pt_BR.UTF-8");
    // The configuration folder is a file: nothing can be written there.
    std::ofstream(env.configHome()) << "not a folder";
    EXPECT_EQ(GetLanguageId(), 1046u);
    EXPECT_EQ(LangText("MAIN_CLOSE_PROMPT"), "Fechar");
    env.setLocale("en_US.UTF-8");
    EXPECT_EQ(GetLanguageId(), 1033u);
}

TEST(LanguageText, empty_absent_and_long_values) {
    UserEnvironment env("en_US.UTF-8", "");
    const std::string dir = env.dir() / "program";
    t44::storage::ensureFolder(dir);
    setProgramDir(dir);
    std::ofstream(dir + "/Lang0409.ini") << "[TEXT]\nEMPTY=\nQUOTED=\"\"\nSPACE=\" \"\nLONG=" << std::string(300, 'x')
                                         << "\n[MODE]\n20=Custom\n";
    EXPECT_EQ(LangText("EMPTY"), "");
    EXPECT_EQ(LangText("QUOTED"), "");
    EXPECT_EQ(LangText("SPACE"), " ");
    EXPECT_EQ(LangText("ABSENT"), "#Error");
    EXPECT_EQ(LangText("empty"), "");  // keys without regard to case
    EXPECT_EQ(LangText("LONG"), std::string(259, 'x'));
    EXPECT_EQ(LangText(kModeSection, "20", 0), "Custom");
    EXPECT_EQ(LangText(kLightSection, "Light", 0), "#Error");  // absent section
    EXPECT_EQ(LangText(kTextSection, "EMPTY", 1), "#Error");  // absent file
    EXPECT_EQ(LanguageFilePath(7), LanguageFilePath(0));
    EXPECT_EQ(LanguageFilePath(-1), dir + "/Lang0409.ini");
    EXPECT_EQ(LanguageFilePath(1), dir + "/Lang0416.ini");
}

TEST(FormatText, substitutes_only_the_one_expected_conversion) {
    struct Case {
        const char *format;
        long value;
        const char *expected;
    } cases[] = {
        {"Key %04X", 0x1D, "Key 001D"},
        {"Tecla %04x", 0x200, "Tecla 0200"},
        {"%d macros", 100, "100 macros"},
        {"[%5d]", 42, "[   42]"},
        {"[%-4d]", 7, "[7   ]"},
        {"[%+d]", 7, "[+7]"},
        {"%.3d", 5, "005"},
        {"100%% of %d", 3, "100% of 3"},
        {"%ld %%", 5, "5 %"},
        {"%lld", 5, "5"},
        {"%hu", 40000, "40000"},
        {"%#x", 255, "0xff"},
        {"%#d", 5, "5"},
        {"%i", -12, "-12"},
        {"%o", 8, "10"},
        // shown as they stand
        {"%s%s%n", 1, "%s%s%n"},
        {"%d %d", 1, "%d %d"},
        {"%*d", 1, "%*d"},
        {"100%", 1, "100%"},
        {"%", 1, "%"},
        {"%n", 1, "%n"},
        {"%s", 1, "%s"},
        {"%c", 65, "%c"},
        {"%f", 1, "%f"},
        {"%p", 1, "%p"},
        {"%1$d", 1, "%1$d"},
        {"%123d", 1, "%123d"},
        {"%.100d", 1, "%.100d"},
        {"%llld", 1, "%llld"},
        {"%I64d", 1, "%I64d"},
        {"%5%d", 1, "%5%d"},
        {"no conversion", 1, "no conversion"},
        {"no %% conversion", 1, "no %% conversion"},
        {"", 1, ""},
    };
    for (const Case &c : cases) EXPECT_EQ(formatWithInt(c.format, c.value), c.expected) << c.format;
}

TEST(FormatText, strings_are_inserted_as_they_are) {
    struct Case {
        const char *format, *argument, *expected;
    } cases[] = {
        {"%s is not a profile file.", "/home/u/a.fwc", "/home/u/a.fwc is not a profile file."},
        {"Bad: %s", "/tmp/%n%s%d", "Bad: /tmp/%n%s%d"},  // the argument is never a format
        {"[%.3s]", "abcdef", "[abc]"},
        {"[%-5s]", "ab", "[ab   ]"},
        {"[%5s]", "\xC3\xA9\xC3\xA9", "[   \xC3\xA9\xC3\xA9]"},  // padded by characters
        {"50%% %s", "x", "50% x"},
        // shown as they stand
        {"%s%s%n", "x", "%s%s%n"},
        {"%s %s", "x", "%s %s"},
        {"%d", "x", "%d"},
        {"%*s", "x", "%*s"},
        {"100%", "x", "100%"},
        {"%ls", "x", "x"},
    };
    for (const Case &c : cases) EXPECT_EQ(formatWithString(c.format, c.argument), c.expected) << c.format;
}

TEST(FormatText, language_file_formats_fill_in_their_argument) {
    UserEnvironment env("pt_BR.UTF-8");
    EXPECT_EQ(LangFormatInt(kUnknownKeyText, 0x211), "Tecla 0211");
    EXPECT_EQ(LangFormatString(kProfileFormatErrorText, "/x/y.fwc"), "/x/y.fwc não é um arquivo de perfil válido.");
    SetLanguageId(1033);
    EXPECT_EQ(LangFormatInt(kMacroMaxText, 100), "You can create at most 100 macros.");
    EXPECT_EQ(LangFormatInt(kMacroDelayMaxText, 40000), "The longest delay is 40000 ms.");
    // A missing format text shows as the missing-text marker.
    EXPECT_EQ(LangFormatInt("NO_SUCH_FORMAT", 1), "#Error");
}
