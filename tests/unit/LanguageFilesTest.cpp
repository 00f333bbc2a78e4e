// The shipped language files against the list of keys the program asks for.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "shell/Language.h"
#include "shell/LanguageKeys.h"
#include "storage/AtomicFile.h"
#include "storage/IniFile.h"
#include "storage/Settings.h"
#include "support/UserEnvironment.h"

using namespace t44::shell;
using t44::storage::CIniFile;

namespace {

struct LanguageFile {
    const char *name;
    int index;
};
constexpr LanguageFile kFiles[] = {{"Lang0409.ini", 0}, {"Lang0416.ini", 1}};

std::string builtFile(const char *name) { return std::string(T44_BINARY_DIR) + "/" + name; }

// Every key=value line of the file as (section, key, value).
struct Entry {
    std::string section, key, value;
};
std::vector<Entry> entriesOf(const std::string &text) {
    std::vector<Entry> out;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        size_t eq = line.find('=');
        if (eq != std::string::npos) out.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
    }
    return out;
}

bool validUtf8(const std::string &s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace

TEST(LanguageFiles, hold_every_key_the_program_asks_for) {
    const auto required = requiredLanguageKeys();
    ASSERT_GT(required.size(), 250u);
    for (const LanguageFile &f : kFiles) {
        CIniFile ini;
        ASSERT_TRUE(ini.load(builtFile(f.name))) << f.name;
        for (const LanguageKey &k : required) {
            const auto text = ini.get(k.section, k.key);
            EXPECT_TRUE(text && !text->empty()) << f.name << " lacks [" << k.section << "] " << k.key;
        }
    }
}

TEST(LanguageFiles, format_texts_hold_exactly_their_conversion) {
    for (const LanguageFile &f : kFiles) {
        CIniFile ini;
        ASSERT_TRUE(ini.load(builtFile(f.name)));
        for (const FormatText &t : formatTexts()) {
            const std::string text = ini.get(kTextSection, t.key).value_or("");
            const char letter = formatConversion(text);
            if (t.argument == FormatArgument::String)
                EXPECT_EQ(letter, 's') << f.name << " " << t.key << "=" << text;
            else
                EXPECT_TRUE(letter != 0 && letter != 's') << f.name << " " << t.key << "=" << text;
        }
    }
}

TEST(LanguageFiles, are_utf8_with_the_same_keys_and_no_text_beyond_the_read_limit) {
    std::vector<std::vector<Entry>> files;
    for (const LanguageFile &f : kFiles) {
        const auto bytes = t44::storage::readWholeFile(builtFile(f.name));
        ASSERT_TRUE(bytes) << f.name;
        EXPECT_TRUE(validUtf8(*bytes)) << f.name;
        files.push_back(entriesOf(*bytes));
        for (const Entry &e : files.back())
            EXPECT_EQ(t44::storage::cutToChars(e.value, t44::storage::kProfileValueMax), e.value) << f.name << " " << e.key;
    }
    auto keysOf = [](const std::vector<Entry> &entries) {
        std::set<std::string> keys;
        for (const Entry &e : entries) keys.insert(e.section + "/" + e.key);
        return keys;
    };
    EXPECT_EQ(keysOf(files[0]), keysOf(files[1]));
}

TEST(LanguageFiles, name_a_recorder_delay_setting_that_can_be_stored) {
    // The option's value name is a language text; it must be a name a settings line can hold.
    for (const LanguageFile &f : kFiles) {
        t44::test::UserEnvironment env;
        SetLanguageId(f.index == 0 ? kLanguageEnglishUS : kLanguagePortugueseBR);
        const std::string name = LangText(kRecordDelayText);
        EXPECT_NE(name, kMissingText);
        EXPECT_TRUE(t44::storage::WriteRecordDelayMode(1)) << f.name << ": " << name;
        EXPECT_EQ(t44::storage::ReadAppSetting(name, "absent"), "1");
    }
}

TEST(LanguageFiles, key_names_are_distinct_within_a_language) {
    // Two keys with one name could not be told apart in the key list or a macro.
    for (const LanguageFile &f : kFiles) {
        CIniFile ini;
        ASSERT_TRUE(ini.load(builtFile(f.name)));
        std::map<std::string, std::string> seen;
        for (const char *key : keyNameKeys()) {
            const std::string text = ini.get(kTextSection, key).value_or("");
            auto [it, fresh] = seen.emplace(text, key);
            EXPECT_TRUE(fresh) << f.name << ": " << key << " and " << it->second << " are both \"" << text << "\"";
        }
    }
}
