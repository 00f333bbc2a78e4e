// light and report-rate: the lighting of a profile, shown and changed field by field.
// Each change sends the same batch the lighting panel sends for it.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Cli.h"
#include "device/DeviceLink.h"
#include "device/Protocol.h"
#include "model/LightModel.h"

namespace t44::cli {
namespace {

using model::Colour;
using model::LightModel;
using model::LightWrite;

constexpr const char *kChoices[] = {"red", "yellow", "green", "blue"};

int usageError(const char *what, const std::string &why) {
    std::fprintf(stderr, "halvex-t44ctl: %s: %s\n", what, why.c_str());
    return kExitUsage;
}

int failure(const char *what, const std::string &why) {
    std::fprintf(stderr, "halvex-t44ctl: %s: %s\n", what, why.c_str());
    return kExitFailure;
}

std::optional<int> number(const std::string &text, int lo, int hi) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<Colour> colourArg(const std::string &text) {
    int parts[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        size_t comma = text.find(',', start);
        if ((i < 2) == (comma == std::string::npos)) return std::nullopt;
        if (comma == std::string::npos) comma = text.size();
        auto v = number(text.substr(start, comma - start), 0, 255);
        if (!v) return std::nullopt;
        parts[i] = *v;
        start = comma + 1;
    }
    return model::makeColour(parts[0], parts[1], parts[2]);
}

// A key position: 0..125, or G1..G9 (all at the G keys' shared position), or Fn.
std::optional<int> positionArg(const std::string &text) {
    if (text.size() == 2 && (text[0] == 'G' || text[0] == 'g') && text[1] >= '1' && text[1] <= '9')
        return model::kGKeyPosition;
    if (text == "Fn" || text == "fn" || text == "FN") return model::kFnPosition;
    return number(text, 0, model::kKeyPositions - 1);
}

std::string colourText(Colour c) {
    char text[16];
    std::snprintf(text, sizeof text, "%u,%u,%u", model::colourRed(c), model::colourGreen(c), model::colourBlue(c));
    return text;
}

std::string colourJson(Colour c) { return "[" + colourText(c) + "]"; }

std::string jsonString(const std::string &s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string directionText(int d) {
    if (d == model::kDirectionFirst) return "first";
    if (d == model::kDirectionSecond) return "second";
    return std::to_string(d);
}

// Takes "--profile P" (shown 1..3) out of the arguments.
bool takeProfile(std::vector<std::string> &args, std::optional<int> &profile, std::string &error) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--profile") continue;
        auto p = i + 1 < args.size() ? number(args[i + 1], 1, 3) : std::nullopt;
        if (!p) {
            error = "--profile takes 1, 2 or 3";
            return false;
        }
        profile = *p - 1;
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        return takeProfile(args, profile, error);
    }
    return true;
}

// Arguments are checked before the keyboard is looked for, so a typing error reads as
// one whether or not a keyboard is there.
int connectKeyboard() {
    if (!device::findKeyboardInterface(device::commandLink(), device::KeyboardInterface::Command)) {
        std::fprintf(stderr, "halvex-t44ctl: no keyboard found\n");
        return kExitNoKeyboard;
    }
    device::connected = true;
    return kExitOk;
}

// The profile to work on: the one asked for, else the keyboard's active profile.
int chooseProfile(std::optional<int> asked, int &profile) {
    if (asked) {
        profile = *asked;
        return device::ResultCode::Success;
    }
    device::DeviceInfo info;
    int r = device::readDeviceInfo(info);
    if (r == device::ResultCode::Success) profile = info.activeProfile() <= 2 ? info.activeProfile() : 0;
    return r;
}

int reportWrite(const char *what, const LightWrite &w) {
    if (w.result != device::ResultCode::Success) return reportResult(what, w.result);
    if (!w.fileSaved) return failure(what, "the light file could not be written or restored from its template");
    return kExitOk;
}

void show(const LightModel &m, int profile, bool json) {
    const model::LightSettings &s = m.settings();
    const bool userModes = m.offers(model::kUserDefinedEffect);
    const model::ModeTable table = m.modeTable();
    std::string effects;
    for (int i = 0; i < table.size(); ++i) {
        if (!effects.empty()) effects += json ? "," : " ";
        effects += std::to_string(table.effectAt(i));
    }
    std::string name = model::effectName(s.effect);
    if (name == "#Error") name.clear();
    const int mode = m.presentUserMode();
    if (json) {
        std::printf("{\"profile\":%d,\"effect\":%d,\"effectName\":%s,\"brightness\":%d,\"speed\":%d,"
                    "\"direction\":%s,\"colourful\":%s,\"colour\":%s,\"colourChoice\":%s,\"reportRate\":%d,"
                    "\"triggerKind\":%d,\"secondColour\":%s,\"secondColourful\":%s,\"thirdColour\":%s,"
                    "\"thirdColourful\":%s,\"effects\":[%s]",
                    profile + 1, s.effect, jsonString(name).c_str(), s.brightness, s.speed,
                    jsonString(directionText(s.direction)).c_str(), s.colourful ? "true" : "false",
                    colourJson(s.colour).c_str(), jsonString(kChoices[s.colourChoice]).c_str(), s.reportRate + 1,
                    s.triggerKind, colourJson(s.secondColour).c_str(), s.secondColourful ? "true" : "false",
                    colourJson(s.thirdColour).c_str(), s.thirdColourful ? "true" : "false", effects.c_str());
        if (userModes)
            std::printf(",\"userMode\":{\"mode\":%d,\"name\":%s,\"tool\":%d,\"baseColour\":%s,\"paintColour\":%s}",
                        mode + 1, jsonString(m.userModeNames()[static_cast<size_t>(mode)]).c_str(), m.paintTool(),
                        colourJson(m.baseColour()).c_str(), colourJson(m.paintColour()).c_str());
        std::printf("}\n");
        return;
    }
    std::printf("profile:         %d\n", profile + 1);
    std::printf("effect:          %d%s%s%s\n", s.effect, name.empty() ? "" : " (", name.c_str(), name.empty() ? "" : ")");
    std::printf("brightness:      %d\n", s.brightness);
    std::printf("speed:           %d\n", s.speed);
    std::printf("direction:       %s\n", directionText(s.direction).c_str());
    std::printf("colourful:       %s\n", s.colourful ? "on" : "off");
    std::printf("colour:          %s\n", colourText(s.colour).c_str());
    std::printf("colour choice:   %s\n", kChoices[s.colourChoice]);
    std::printf("report rate:     %d\n", s.reportRate + 1);
    std::printf("trigger kind:    %d\n", s.triggerKind);
    std::printf("second colour:   %s (colourful %s)\n", colourText(s.secondColour).c_str(), s.secondColourful ? "on" : "off");
    std::printf("third colour:    %s (colourful %s)\n", colourText(s.thirdColour).c_str(), s.thirdColourful ? "on" : "off");
    std::printf("effects:         %s\n", effects.empty() ? "(none)" : effects.c_str());
    if (userModes) {
        std::printf("user mode:       %d \"%s\"\n", mode + 1, m.userModeNames()[static_cast<size_t>(mode)].c_str());
        std::printf("paint tool:      %s\n", m.paintTool() == 0 ? "pen" : m.paintTool() == 1 ? "base colour" : "none");
        std::printf("base colour:     %s\n", colourText(m.baseColour()).c_str());
        std::printf("paint colour:    %s\n", colourText(m.paintColour()).c_str());
    }
}

// A change, checked before anything is sent.
struct Change {
    std::string field;
    int value = 0;
    Colour colour = 0;
};

// The fields and the values each takes, as the usage text shows them.
struct Field {
    const char *name;
    const char *values;
    size_t words;  // the field's name included
};
constexpr Field kFields[] = {
    {"effect", "N", 2},
    {"brightness", "0..5", 2},
    {"speed", "0..5", 2},
    {"direction", "first|second", 2},
    {"colour", "R,G,B", 2},
    {"colourful", "on|off", 2},
    {"choice", "red|yellow|green|blue", 2},
    {"paint", "POS|G1..G9|Fn R,G,B", 3},
    {"base", "R,G,B", 2},
    {"user-mode", "1..10", 2},
    {"default", "", 1},
};

std::optional<Change> parseChange(const std::vector<std::string> &args, std::string &error) {
    Change c;
    c.field = args[0];
    const Field *field = nullptr;
    for (const Field &f : kFields)
        if (c.field == f.name) field = &f;
    if (!field) {
        error = "unknown field '" + c.field + "'";
        return std::nullopt;
    }
    const std::string expected = "usage: light " + c.field + (field->words > 1 ? " " : "") + field->values;
    if (args.size() != field->words) {
        error = expected;
        return std::nullopt;
    }
    const std::string v = args.size() > 1 ? args[1] : "";
    std::optional<int> n;
    std::optional<Colour> colour;
    if (c.field == "effect") {
        n = number(v, 1, 255);
    } else if (c.field == "brightness" || c.field == "speed") {
        n = number(v, 0, model::kMaxLevel);
    } else if (c.field == "direction") {
        if (v == "first") n = model::kDirectionFirst;
        else if (v == "second") n = model::kDirectionSecond;
    } else if (c.field == "colour" || c.field == "base") {
        colour = colourArg(v);
        n = 0;
    } else if (c.field == "colourful") {
        if (v == "on") n = 1;
        else if (v == "off") n = 0;
    } else if (c.field == "choice") {
        for (int i = 0; i < model::kColourChoices; ++i)
            if (v == kChoices[i]) n = i;
    } else if (c.field == "user-mode") {
        if ((n = number(v, 1, model::kUserModes))) n = *n - 1;
    } else if (c.field == "paint") {
        n = positionArg(v);
        colour = colourArg(args[2]);
    } else {
        n = 0;  // default
    }
    const bool needsColour = c.field == "colour" || c.field == "base" || c.field == "paint";
    if (!n || (needsColour && !colour)) {
        error = expected + " (" + (needsColour ? "colour components 0..255" : "got '" + v + "'") + ")";
        if (c.field == "paint" && !n) error = expected + " (position 0..125, G1..G9 or Fn)";
        return std::nullopt;
    }
    c.value = *n;
    if (colour) c.colour = *colour;
    return c;
}

int applyChange(LightModel &m, const Change &c) {
    const char *what = "light";
    auto unchanged = [](const std::string &text) {
        std::printf("%s; nothing was sent\n", text.c_str());
        return kExitOk;
    };
    if (c.field == "effect") {
        if (!m.offers(c.value)) return failure(what, "the keyboard does not offer effect " + std::to_string(c.value));
        if (!model::effectGroup(c.value))
            return failure(what, "effect " + std::to_string(c.value) + " has no settings this program knows; nothing was sent");
        return reportWrite(what, m.selectEffect(c.value));
    }
    if (c.field == "brightness") {
        if (c.value == m.settings().brightness) return unchanged("brightness is already " + std::to_string(c.value));
        return reportWrite(what, m.setBrightness(c.value));
    }
    if (c.field == "speed") {
        if (c.value == m.settings().speed) return unchanged("speed is already " + std::to_string(c.value));
        return reportWrite(what, m.setSpeed(c.value));
    }
    if (c.field == "direction") return reportWrite(what, m.setDirection(c.value));
    if (c.field == "colourful") return reportWrite(what, m.setColourful(c.value != 0));
    if (c.field == "colour") return reportWrite(what, m.setSingleColour(c.colour));
    if (c.field == "choice") return reportWrite(what, m.setColourChoice(c.value));
    if (c.field == "default") return reportWrite(what, m.restoreDefaultLight());

    // The user-defined effect's per-key colours.
    if (!m.offers(model::kUserDefinedEffect)) return failure(what, "the keyboard does not offer the user-defined effect (20)");
    m.loadUserModes();
    if (c.field == "user-mode") return reportWrite(what, m.selectUserMode(c.value));
    if (c.field == "base") {
        if (c.colour == m.baseColour()) return unchanged("the base colour is already " + colourText(c.colour));
        return reportWrite(what, m.setBaseColour(c.colour));
    }
    // paint: the pen with the given colour, then the key.
    if (m.settings().effect != model::kUserDefinedEffect)
        return failure(what, "keys are painted only while the user-defined effect (20) is selected; nothing was sent");
    if (!m.setPaintTool(0) || !m.setPaintColour(c.colour)) return failure(what, "the light file could not be written");
    auto paint = m.paintKey(c.value);
    return paint ? reportWrite(what, paint->write) : failure(what, "nothing was painted");
}

int runLight(CliContext &ctx) {
    std::vector<std::string> args = ctx.args;
    std::optional<int> asked;
    std::string error;
    if (!takeProfile(args, asked, error)) return usageError("light", error);
    std::optional<Change> change;
    if (!args.empty() && !(change = parseChange(args, error))) return usageError("light", error);

    if (int r = connectKeyboard(); r != kExitOk) return r;
    int profile = 0;
    if (int r = chooseProfile(asked, profile); r != device::ResultCode::Success) return reportResult("light", r);
    LightModel::setLightProfile(profile);
    LightModel m;
    if (m.loadLightSettings() != 0) return reportResult("light", m.deviceInfoResult());
    if (m.lightReadResult() != device::ResultCode::Success) return reportResult("light", m.lightReadResult());
    if (!change) {
        if (m.offers(model::kUserDefinedEffect)) m.loadUserModes();
        show(m, profile, ctx.json);
        return kExitOk;
    }
    return applyChange(m, *change);
}

int runReportRate(CliContext &ctx) {
    std::vector<std::string> args = ctx.args;
    std::optional<int> asked;
    std::string error;
    if (!takeProfile(args, asked, error)) return usageError("report-rate", error);
    std::optional<int> rate = args.size() == 1 ? number(args[0], 1, model::kReportRates) : std::nullopt;
    if (!rate) return usageError("report-rate", "takes one of 1, 2, 3, 4");
    if (int r = connectKeyboard(); r != kExitOk) return r;
    int profile = 0;
    if (int r = chooseProfile(asked, profile); r != device::ResultCode::Success) return reportResult("report-rate", r);
    LightModel::setLightProfile(profile);
    LightModel m;
    return reportWrite("report-rate", m.setReportRate(*rate - 1));
}

CliRegistration light({"light",
                       "light [--profile P] [--json] [FIELD VALUE]  show or set the lighting; FIELD is effect N,\n"
                       "      brightness 0..5, speed 0..5, direction first|second, colour R,G,B, colourful on|off,\n"
                       "      choice red|yellow|green|blue, paint POS|G1..G9|Fn R,G,B, base R,G,B, user-mode 1..10, default",
                       false, runLight});
CliRegistration reportRate({"report-rate", "report-rate [--profile P] 1..4  the USB report rate setting", false,
                            runReportRate});

}  // namespace
}  // namespace t44::cli
