#pragma once
// INI files with the semantics of the private-profile functions the settings, language
// and skin files were designed for: sections and keys match without regard to case,
// white space around keys and values is dropped, a value in double quotes loses them,
// lines starting with ';' are comments, a key present with nothing after '=' is an
// empty value (distinct from a missing key). Files are UTF-8. Writing a value keeps
// every other line of the file (comments, blank lines, order) and replaces the file
// whole (temporary file and rename).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace t44::storage {

class CIniFile {
public:
    CIniFile() = default;
    // Parses the file; a missing or unreadable file is an empty one (false returned).
    bool load(const std::string &path);
    void parse(std::string_view text);

    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // Sets a value, adding the key at the end of its section and the section at the end
    // of the file when they are missing. An empty optional removes the key.
    void set(std::string_view section, std::string_view key, const std::optional<std::string> &value);

    std::string text() const;
    bool save(const std::string &path) const;

private:
    struct Line {
        std::string raw;      // the line as it stands in the file
        std::string section;  // section it belongs to ("" before the first header)
        std::string key;      // key of a key line, empty otherwise
        std::string value;
        bool isHeader = false;
    };
    std::vector<Line> lines_;
};

// The character count limit of values read through the private-profile interface
// (a 260-character buffer with its terminator).
inline constexpr size_t kProfileValueMax = 259;

// GetPrivateProfileString: the value of key in section of the file at path, cut to
// maxChars characters; `fallback` when the file, the section or the key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                    const std::string &path, size_t maxChars = kProfileValueMax);
// GetPrivateProfileInt: decimal value; unparsable text reads as 0, missing as fallback.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int fallback, const std::string &path);
// WritePrivateProfileString: writes (or, with no value, removes) one key; false when the
// file cannot be written.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               const std::optional<std::string> &value, const std::string &path);

// Decimal text as the settings store it ("%d"), and its reading: text that does not
// parse reads as 0.
int parseDecimal(std::string_view text);

// Cuts UTF-8 text to at most n characters (code points), never inside a character.
std::string cutToChars(std::string_view text, size_t n);

}  // namespace t44::storage
