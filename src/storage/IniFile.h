#pragma once
// INI files with the semantics of the private-profile functions the settings, language
// and skin files were designed for: sections and keys match without regard to case
// (ASCII), white space around names and values is dropped, a value in double quotes loses
// them, lines starting with ';' are comments, a key present with nothing after '=' is an
// empty value (distinct from a missing key). Files are UTF-8 (a byte order mark is
// skipped and kept). Writing a value keeps every other line of the file (comments, blank
// lines, order, line endings) and replaces the file whole (temporary file and rename).

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
    // of the file when they are missing. An empty optional removes the key. A value with
    // white space at either end, or wrapped in double quotes, is written in quotes so that
    // it reads back as it was given. Returns false, changing nothing, for what a line of
    // the file cannot hold: an empty section or key, a line break in any of the three, a
    // ']' in the section, a '=' in the key, or a key starting with ';' or '['.
    bool set(std::string_view section, std::string_view key, const std::optional<std::string> &value);

    std::string text() const;
    bool save(const std::string &path) const;

private:
    struct Line {
        std::string raw;      // the line as it stands in the file, without its line ending
        std::string section;  // section it belongs to ("" before the first header)
        std::string key;      // key of a key line, empty otherwise
        std::string value;
        bool isHeader = false;
    };
    std::vector<Line> lines_;
    bool byteOrderMark_ = false;
    bool crlf_ = false;  // the file's first line ended with CR LF: write CR LF throughout
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
// file cannot be written or the names or value cannot be stored (see CIniFile::set). A file
// that exists but cannot be read is left alone rather than replaced by the one key.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               const std::optional<std::string> &value, const std::string &path);

// Decimal text as the settings store it ("%d"), and its reading: leading digits with an
// optional sign, as atoi reads them, saturated to 32 bits; text that does not parse reads
// as 0.
int parseDecimal(std::string_view text);

// Cuts UTF-8 text to at most n characters (code points), never inside a character.
std::string cutToChars(std::string_view text, size_t n);

}  // namespace t44::storage
