#include "model/LightUserFile.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "shell/ProgramPaths.h"
#include "storage/AtomicFile.h"
#include "storage/UserPaths.h"

namespace t44::model {
namespace {

constexpr const char *kPresentSection = "PRESENTMODE";
constexpr const char *kPresentKey = "mode";
constexpr const char *kNameSection = "MODENAME";
constexpr const char *kToolKey = "tool";
constexpr const char *kBaseKey = "jcolor";
constexpr const char *kPaintKey = "color";
constexpr const char *kKeyDefault = "255,0,0,1";
constexpr const char *kColourDefault = "0,0,0";
constexpr const char *kNameDefault = "0";

std::string lightFilePath(const std::string &prefix, int number) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%d%s", prefix.c_str(), number, ".userd");
    return name;
}

std::string modeSection(int mode) { return "Mode" + std::to_string(mode); }

// Up to `n` comma-separated decimal numbers; missing or unparsable ones are 0.
template <size_t N>
std::array<int, N> numbers(const std::string &text) {
    std::array<int, N> out{};
    size_t start = 0;
    for (size_t i = 0; i < N && start <= text.size(); ++i) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        out[i] = storage::parseDecimal(std::string_view(text).substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

int component(int v) { return std::clamp(v, 0, 255); }

}  // namespace

std::string UserColourFile::pathFor(int profile) {
    return storage::profileFolder() + "/" + lightFilePath("UserDengColor_", profile);
}

std::string UserColourFile::templatePath() {
    return shell::programPaths().data(lightFilePath("Skins/UserDengColor_", 3));
}

bool UserColourFile::restoreTemplate(int profile) {
    auto bytes = storage::readWholeFile(templatePath(), 16u << 20);
    if (!bytes) return false;
    storage::ensureFolder(storage::profileFolder());
    return storage::writeFileAtomically(pathFor(profile), *bytes);
}

UserColourFile::UserColourFile(std::string path) : path_(std::move(path)) { ini_.load(path_); }

std::string UserColourFile::value(const std::string &section, const std::string &key, const char *fallback) const {
    auto v = ini_.get(section, key);
    // Values pass through a buffer of 260 characters.
    return storage::cutToChars(v ? *v : std::string(fallback), storage::kProfileValueMax);
}

int UserColourFile::presentMode() const {
    const int mode = storage::parseDecimal(value(kPresentSection, kPresentKey, "0"));
    return mode >= 0 && mode < kUserModes ? mode : 0;
}

std::string UserColourFile::modeName(int mode) const {
    return value(kNameSection, std::to_string(mode), kNameDefault);
}

UserKeyColour UserColourFile::key(int mode, int position) const {
    return parseKeyColour(value(modeSection(mode), std::to_string(position), kKeyDefault));
}

int UserColourFile::tool(int mode) const { return storage::parseDecimal(value(modeSection(mode), kToolKey, "0")); }

Colour UserColourFile::baseColour(int mode) const {
    return parseColour(value(modeSection(mode), kBaseKey, kColourDefault));
}

Colour UserColourFile::paintColour(int mode) const {
    return parseColour(value(modeSection(mode), kPaintKey, kColourDefault));
}

void UserColourFile::setPresentMode(int mode) { ini_.set(kPresentSection, kPresentKey, std::to_string(mode)); }

void UserColourFile::setModeName(int mode, const std::string &name) {
    // A line break would end the value early and leave the rest as a stray line.
    std::string clean = name;
    std::replace_if(clean.begin(), clean.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    ini_.set(kNameSection, std::to_string(mode), storage::cutToChars(clean, storage::kProfileValueMax));
}

void UserColourFile::setKey(int mode, int position, UserKeyColour v) {
    ini_.set(modeSection(mode), std::to_string(position), formatKeyColour(v));
}

void UserColourFile::setToolAndColours(int mode, int tool, Colour base, Colour paint) {
    const std::string section = modeSection(mode);
    ini_.set(section, kToolKey, std::to_string(tool));
    ini_.set(section, kBaseKey, formatColour(base));
    ini_.set(section, kPaintKey, formatColour(paint));
}

bool UserColourFile::save() const {
    const size_t slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0) storage::ensureFolder(path_.substr(0, slash));
    return ini_.save(path_);
}

std::string formatColour(Colour c) {
    char text[16];
    std::snprintf(text, sizeof text, "%d,%d,%d", colourRed(c), colourGreen(c), colourBlue(c));
    return text;
}

Colour parseColour(const std::string &text) {
    auto n = numbers<3>(text);
    return makeColour(component(n[0]), component(n[1]), component(n[2]));
}

std::string formatKeyColour(UserKeyColour v) { return formatColour(v.colour) + (v.followsBase ? ",1" : ",0"); }

UserKeyColour parseKeyColour(const std::string &text) {
    auto n = numbers<4>(text);
    return {makeColour(component(n[0]), component(n[1]), component(n[2])), n[3] != 0};
}

}  // namespace t44::model
