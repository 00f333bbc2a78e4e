// The per-user settings in their files: section PROFILES and wskb.ini.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/Language.h"
#include "storage/AtomicFile.h"
#include "storage/IniFile.h"
#include "storage/Settings.h"
#include "storage/UserPaths.h"
#include "support/UserEnvironment.h"

using namespace t44::storage;
using t44::test::UserEnvironment;

TEST(AppSettings, live_in_section_profiles_of_the_application_file) {
    UserEnvironment env;
    EXPECT_EQ(ReadAppSetting("PROFILE00", "none"), "none");
    EXPECT_FALSE(std::filesystem::exists(appSettingsFile()));  // reading writes nothing

    ASSERT_TRUE(WriteAppSetting(ProfileListValueName(0), "2"));  // creates the folders
    ASSERT_TRUE(WriteAppSetting(ProfileListValueName(1), "/home/u/My profile.fwc"));
    EXPECT_EQ(appSettingsFile(), env.configHome() + "/Tessel_Nimbrel/Halvex T44-ARC Keyboard.ini");
    EXPECT_EQ(readWholeFile(appSettingsFile()), "[PROFILES]\nPROFILE00=2\nPROFILE01=/home/u/My profile.fwc\n");
    EXPECT_EQ(ReadAppSetting("profile01", ""), "/home/u/My profile.fwc");

    EXPECT_EQ(ProfileListValueName(12), "PROFILE12");
    EXPECT_EQ(ProfileListValueName(100), "PROFILE100");
}

TEST(AppSettings, failures_give_defaults_and_report_false) {
    UserEnvironment env;
    std::ofstream(env.configHome()) << "a file where the folder should be";
    EXPECT_FALSE(WriteAppSetting("Flip", "1"));
    EXPECT_FALSE(WriteFlip(1));
    EXPECT_EQ(ReadFlip(), 0);
    EXPECT_EQ(ReadAppSetting("Flip", "d"), "d");
}

TEST(Flip, stores_zero_or_one_and_any_other_number_as_zero) {
    struct Case {
        int flip;
        const char *stored;
    } cases[] = {{0, "0"}, {1, "1"}, {2, "0"}, {-1, "0"}, {256, "0"}};
    UserEnvironment env;
    EXPECT_EQ(ReadFlip(), 0);  // absent
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteFlip(1));  // so that each case must overwrite
        ASSERT_TRUE(WriteFlip(c.flip));
        EXPECT_EQ(ReadAppSetting(kFlipValue, "absent"), c.stored) << c.flip;
        EXPECT_EQ(ReadFlip(), c.flip == 1 ? 1 : 0);
    }
    // A value written outside is read as the number it is.
    WriteAppSetting("Flip", "2");
    EXPECT_EQ(ReadFlip(), 2);
    WriteAppSetting("Flip", "junk");
    EXPECT_EQ(ReadFlip(), 0);
}

TEST(RecordDelayMode, is_named_by_the_language_and_starts_over_when_it_changes) {
    UserEnvironment env("en_US.UTF-8");
    EXPECT_EQ(ReadRecordDelayMode(), 0);  // absent
    ASSERT_TRUE(WriteRecordDelayMode(1));
    EXPECT_EQ(ReadRecordDelayMode(), 1);
    EXPECT_EQ(ReadAppSetting("Record delays", "absent"), "1");

    t44::shell::SetLanguageId(1046);
    EXPECT_EQ(ReadRecordDelayMode(), 0);
    EXPECT_EQ(ReadAppSetting("Gravar intervalos", "absent"), "0");  // the value read is written back
    EXPECT_EQ(ReadAppSetting("Record delays", "absent"), "1");      // the English one is kept

    t44::shell::SetLanguageId(1033);
    EXPECT_EQ(ReadRecordDelayMode(), 1);
}

TEST(RecordDelayMode, reads_anything_but_one_as_zero_and_writes_it_back) {
    struct Case {
        const char *stored;
        int mode;
        const char *after;
    } cases[] = {{"1", 1, "1"}, {"0", 0, "0"}, {"2", 0, "0"}, {"-1", 0, "0"}, {"yes", 0, "0"}, {"", 0, "0"},
                 {" 1 ", 1, "1"}, {"01", 1, "1"}};
    UserEnvironment env;
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteAppSetting("Delays", c.stored));
        EXPECT_EQ(ReadRecordDelayMode("Delays"), c.mode) << c.stored;
        EXPECT_EQ(ReadAppSetting("Delays", "absent"), c.after) << c.stored;
    }
    for (int mode : {0, 1, 2, -5}) {
        ASSERT_TRUE(WriteRecordDelayMode("Delays", mode));
        EXPECT_EQ(ReadAppSetting("Delays", "absent"), mode == 1 ? "1" : "0");
    }
}

TEST(DengCheck, is_kept_in_wskb_ini_of_the_profile_folder) {
    UserEnvironment env;
    EXPECT_FALSE(ReadDengCheck());
    ASSERT_TRUE(WriteDengCheck(true));  // creates the profile folder
    EXPECT_EQ(settingsIniFile(), env.dataHome() + "/Halvex T44-ARC Keyboard/wskb.ini");
    EXPECT_EQ(readWholeFile(settingsIniFile()), "[KEYCOLOR]\nDengCheck=1\n");
    EXPECT_TRUE(ReadDengCheck());
    ASSERT_TRUE(WriteDengCheck(false));
    EXPECT_FALSE(ReadDengCheck());

    // On exactly when the stored number is 1; other sections of the file are kept.
    std::ofstream(settingsIniFile()) << "; mine\n[OTHER]\na=b\n[keycolor]\ndengcheck=2\n";
    EXPECT_FALSE(ReadDengCheck());
    ASSERT_TRUE(WriteDengCheck(true));
    EXPECT_EQ(readWholeFile(settingsIniFile()), "; mine\n[OTHER]\na=b\n[keycolor]\ndengcheck=1\n");
}
