#include "storage/IniFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "storage/AtomicFile.h"

namespace t44::storage {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Private-profile files are small; anything larger is not one of ours.
constexpr size_t kFileLimit = 16u << 20;

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool storableSection(std::string_view s) { return !s.empty() && !hasLineBreak(s) && s.find(']') == s.npos; }

bool storableKey(std::string_view k) {
    return !k.empty() && !hasLineBreak(k) && k.find('=') == k.npos && k.front() != ';' && k.front() != '[';
}

// The text after '=' that reads back as `value`: quoted when reading would otherwise
// drop white space at its ends or a pair of quotes around it.
std::string storedForm(const std::string &value) {
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (!value.empty() && (isSpace(value.front()) || isSpace(value.back()) || quoted)) return '"' + value + '"';
    return value;
}

}  // namespace

bool CIniFile::load(const std::string &path) {
    lines_.clear();
    byteOrderMark_ = crlf_ = false;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > kFileLimit) return false;
    auto data = readWholeFile(path, kFileLimit);
    if (!data) return false;
    parse(*data);
    return true;
}

void CIniFile::parse(std::string_view text) {
    lines_.clear();
    byteOrderMark_ = text.substr(0, kByteOrderMark.size()) == kByteOrderMark;
    if (byteOrderMark_) text.remove_prefix(kByteOrderMark.size());
    const size_t firstEnd = text.find('\n');
    crlf_ = firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r';
    std::string section;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            section = std::string(trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            line.isHeader = true;
        } else if (!t.empty() && t.front() != ';') {
            size_t eq = t.find('=');
            std::string_view key = eq == std::string_view::npos ? std::string_view{} : trim(t.substr(0, eq));
            if (!key.empty()) {
                line.key = std::string(key);
                std::string_view v = trim(t.substr(eq + 1));
                if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
                line.value = std::string(v);
            }
        }
        line.section = section;
        lines_.push_back(std::move(line));
    }
}

std::optional<std::string> CIniFile::get(std::string_view section, std::string_view key) const {
    section = trim(section);
    key = trim(key);
    for (const Line &l : lines_)
        if (!l.isHeader && !l.key.empty() && sameName(l.section, section) && sameName(l.key, key)) return l.value;
    return std::nullopt;
}

bool CIniFile::hasSection(std::string_view section) const {
    section = trim(section);
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const Line &l) { return l.isHeader && sameName(l.section, section); });
}

bool CIniFile::set(std::string_view section, std::string_view key, const std::optional<std::string> &value) {
    section = trim(section);
    key = trim(key);
    if (!storableSection(section) || !storableKey(key) || (value && hasLineBreak(*value))) return false;
    // Replace (or remove) the first occurrence: the one a read finds.
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        if (it->isHeader || it->key.empty() || !sameName(it->section, section) || !sameName(it->key, key)) continue;
        if (!value) {
            lines_.erase(it);
        } else {
            it->value = *value;
            it->raw = it->key + "=" + storedForm(*value);
        }
        return true;
    }
    if (!value) return true;
    Line line;
    line.key = std::string(key);
    line.value = *value;
    line.raw = line.key + "=" + storedForm(*value);
    // After the last key line of the section (or its header), so that comments and blank
    // lines that lead into the next section stay with it.
    auto last = lines_.end();
    for (auto it = lines_.begin(); it != lines_.end(); ++it)
        if (sameName(it->section, section) && (it->isHeader || !it->key.empty())) last = it;
    if (last != lines_.end()) {
        line.section = last->section;
        lines_.insert(last + 1, std::move(line));
        return true;
    }
    Line header;
    header.isHeader = true;
    header.section = std::string(section);
    header.raw = "[" + header.section + "]";
    line.section = header.section;
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(line));
    return true;
}

std::string CIniFile::text() const {
    std::string out;
    if (byteOrderMark_) out += kByteOrderMark;
    const char *eol = crlf_ ? "\r\n" : "\n";
    for (const Line &l : lines_) {
        out += l.raw;
        out += eol;
    }
    return out;
}

bool CIniFile::save(const std::string &path) const { return writeFileAtomically(path, text()); }

std::string cutToChars(std::string_view text, size_t n) {
    size_t chars = 0, i = 0;
    while (i < text.size()) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == n) break;
            ++chars;
        }
        ++i;
    }
    return std::string(text.substr(0, i));
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                    const std::string &path, size_t maxChars) {
    CIniFile ini;
    ini.load(path);
    auto v = ini.get(section, key);
    return cutToChars(v ? std::string_view(*v) : fallback, maxChars);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int fallback, const std::string &path) {
    CIniFile ini;
    ini.load(path);
    auto v = ini.get(section, key);
    return v ? parseDecimal(*v) : fallback;
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               const std::optional<std::string> &value, const std::string &path) {
    CIniFile ini;
    if (!ini.load(path)) {
        // Only a file that is not there may start empty; one that could not be read (too
        // large, no permission) would otherwise be replaced by this single key.
        std::error_code ec;
        if (std::filesystem::status(path, ec).type() != std::filesystem::file_type::not_found) return false;
    }
    return ini.set(section, key, value) && ini.save(path);
}

int parseDecimal(std::string_view text) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long v = 0;
    size_t digits = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        v = std::min<long long>(v * 10 + (c - '0'), 2147483648LL);
        ++digits;
    }
    if (digits == 0) return 0;
    return static_cast<int>(negative ? -v : std::min<long long>(v, 2147483647LL));
}

}  // namespace t44::storage
