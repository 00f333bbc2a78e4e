// Arbitrary bytes as an INI file, then lookups, a write and a re-read of the written text:
// nothing may crash, a value written reads back as it was, a write leaves other values
// alone, and the text written parses to itself. Language texts are data too, so the same
// bytes are also used as format texts.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "shell/Language.h"
#include "storage/IniFile.h"

using t44::storage::CIniFile;

namespace {

std::string folded(std::string s) {
    auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), space));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), space).base(), s.end());
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(32);
    const std::string key = in.ConsumeRandomLengthString(32);
    const std::string value = in.ConsumeRandomLengthString(300);
    const std::string otherSection = in.ConsumeRandomLengthString(32);
    const std::string otherKey = in.ConsumeRandomLengthString(32);
    const long number = in.ConsumeIntegral<long>();
    const std::string text = in.ConsumeRemainingBytesAsString();

    CIniFile ini;
    ini.parse(text);
    const auto before = ini.get(otherSection, otherKey);
    (void)ini.hasSection(section);
    if (auto v = ini.get(section, key)) (void)t44::storage::cutToChars(*v, t44::storage::kProfileValueMax);

    const std::string first = ini.text();
    CIniFile again;
    again.parse(first);
    check(again.text() == first);

    if (ini.set(section, key, value)) {
        check(ini.get(section, key) == value);
        CIniFile reread;
        reread.parse(ini.text());
        check(reread.get(section, key) == value);
        const bool sameValue = folded(section) == folded(otherSection) && folded(key) == folded(otherKey);
        if (!sameValue) check(reread.get(otherSection, otherKey) == before);
        check(reread.set(section, key, std::nullopt));
    }

    (void)t44::storage::parseDecimal(value);
    (void)t44::shell::formatWithInt(value, number);
    (void)t44::shell::formatWithString(value, key);
    (void)t44::shell::formatConversion(text);
    return 0;
}
