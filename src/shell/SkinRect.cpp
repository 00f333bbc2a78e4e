#include "shell/SkinRect.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace t44::shell {
namespace {

// One "%d" conversion: optional white space, an optional sign, at least one digit.
bool readInt(std::string_view &s, int &out) {
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const size_t digits = i;
    long long v = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
        ++i;
    }
    if (i == digits) return false;
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    out = static_cast<int>(v);
    s.remove_prefix(i);
    return true;
}

}  // namespace

SkinRect parseSkinRect(std::string_view text) {
    SkinRect r;
    int *fields[] = {&r.x, &r.y, &r.width, &r.height};
    for (size_t n = 0; n < 4; ++n) {
        if (n > 0) {
            if (text.empty() || text.front() != ',') break;
            text.remove_prefix(1);
        }
        int v = 0;
        if (!readInt(text, v)) break;
        *fields[n] = v;
    }
    return r;
}

SkinFile::SkinFile(const std::string &path) { load(path); }

bool SkinFile::load(const std::string &path) {
    path_ = path;
    loaded_ = ini_.load(path);
    return loaded_;
}

std::string SkinFile::folder() const {
    const size_t slash = path_.rfind('/');
    return slash == std::string::npos ? std::string("./") : path_.substr(0, slash + 1);
}

std::string SkinFile::value(std::string_view section, std::string_view key, std::string_view fallback) const {
    auto v = ini_.get(section, key);
    return storage::cutToChars(v ? std::string_view(*v) : fallback, kSkinValueMax);
}

SkinRect SkinFile::rect(std::string_view section, std::string_view key) const {
    return parseSkinRect(value(section, key, kDefaultSkinRect));
}

void EndForMissingSkinPicture(const std::string &path) {
    std::fprintf(stderr, "halvex-t44: cannot load the skin picture %s\n", path.c_str());
    std::fflush(stderr);
    std::_Exit(0);
}

}  // namespace t44::shell
