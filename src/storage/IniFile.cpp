#include "storage/IniFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "storage/AtomicFile.h"

namespace t44::storage {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool CIniFile::load(const std::string &path) {
    lines_.clear();
    auto data = readWholeFile(path, 16u << 20);
    if (!data) return false;
    parse(*data);
    return true;
}

void CIniFile::parse(std::string_view text) {
    lines_.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 byte order mark
    std::string section;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            section = std::string(trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            line.isHeader = true;
        } else if (!t.empty() && t.front() != ';') {
            size_t eq = t.find('=');
            if (eq != std::string_view::npos && eq > 0) {
                line.key = std::string(trim(t.substr(0, eq)));
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
    for (const Line &l : lines_)
        if (!l.isHeader && !l.key.empty() && sameName(l.section, section) && sameName(l.key, key)) return l.value;
    return std::nullopt;
}

bool CIniFile::hasSection(std::string_view section) const {
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const Line &l) { return l.isHeader && sameName(l.section, section); });
}

void CIniFile::set(std::string_view section, std::string_view key, const std::optional<std::string> &value) {
    // Replace (or remove) the first occurrence.
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        if (it->isHeader || it->key.empty() || !sameName(it->section, section) || !sameName(it->key, key)) continue;
        if (!value) {
            lines_.erase(it);
        } else {
            it->value = *value;
            it->raw = it->key + "=" + *value;
        }
        return;
    }
    if (!value) return;
    Line line;
    line.section = std::string(section);
    line.key = std::string(key);
    line.value = *value;
    line.raw = line.key + "=" + *value;
    // After the last key line of the section, or at the end of a new section.
    auto last = lines_.end();
    for (auto it = lines_.begin(); it != lines_.end(); ++it)
        if (sameName(it->section, section) && (it->isHeader || !it->key.empty())) last = it;
    if (last != lines_.end()) {
        line.section = last->section;
        lines_.insert(last + 1, std::move(line));
        return;
    }
    Line header;
    header.isHeader = true;
    header.section = std::string(section);
    header.raw = "[" + header.section + "]";
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(line));
}

std::string CIniFile::text() const {
    std::string out;
    for (const Line &l : lines_) {
        out += l.raw;
        out += '\n';
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
    ini.load(path);
    ini.set(section, key, value);
    return ini.save(path);
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
