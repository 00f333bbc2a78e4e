#include "model/LightData.h"

#include <algorithm>

#include "shell/Language.h"

namespace t44::model {
namespace {

using D = DirectionKind;
using C = ColourGroup;

//                effect speed  direction          colour  rewrites colourChoice userModes
constexpr EffectGroup kGroups[] = {
    {1, true, D::LeftRight, C::A, true, false, false},
    {2, true, D::LeftRight, C::A, true, false, false},
    {3, true, D::LeftRight, C::A, true, false, false},
    {4, true, D::None, C::None, false, false, false},
    {5, true, D::None, C::A, true, false, false},
    {6, false, D::None, C::B, false, false, false},
    {7, true, D::None, C::A, true, false, false},
    {8, true, D::None, C::A, true, false, false},
    {9, true, D::None, C::A, true, false, false},
    {10, true, D::None, C::A, false, false, false},
    {11, true, D::None, C::None, false, false, false},
    {12, true, D::UpDown, C::None, false, false, false},
    {13, true, D::None, C::A, true, false, false},
    {14, true, D::None, C::A, true, false, false},
    {15, true, D::None, C::A, true, false, false},
    {16, false, D::None, C::B, false, false, false},
    {17, false, D::None, C::None, false, true, false},
    {18, false, D::SpreadConverge, C::None, false, false, false},
    {20, false, D::None, C::None, false, false, true},
};

}  // namespace

const EffectGroup *effectGroup(int effect) {
    for (const EffectGroup &g : kGroups)
        if (g.effect == effect) return &g;
    return nullptr;
}

std::string effectName(int effect) {
    return shell::LangText(shell::kModeSection, std::to_string(effect), shell::LanguageIndex());
}

ModeTable::ModeTable(const uint8_t *modes) {
    for (int slot = 0; slot < kSupportedModeSlots; ++slot) {
        if (modes[slot] == 0) continue;
        rows_[static_cast<size_t>(count_)] = {count_, modes[slot]};
        ++count_;
    }
}

int ModeTable::positionOf(int effect) const {
    if (effect <= 0) return -1;
    for (int i = 0; i < count_; ++i)
        if (rows_[static_cast<size_t>(i)].effect == effect) return rows_[static_cast<size_t>(i)].position;
    return -1;
}

int ModeTable::effectAt(int position) const {
    return position >= 0 && position < count_ ? rows_[static_cast<size_t>(position)].effect : 0;
}

LightBlock defaultLightBlock() {
    LightBlock b{};
    b[LightByte::Effect] = 1;
    b[LightByte::Brightness] = 4;
    b[LightByte::Speed] = 2;
    b[LightByte::Direction] = 0;
    // Colourful on and a white single colour; the keyboard reads any non-zero flag as on.
    std::fill(b.begin() + LightByte::Colourful, b.begin() + LightByte::SingleColour + 3, uint8_t{255});
    return b;
}

void decodeLightBlock(const uint8_t *b, LightSettings &s) {
    auto colourAt = [b](int at) { return makeColour(b[at], b[at + 1], b[at + 2]); };
    s.effect = b[LightByte::Effect];
    s.brightness = b[LightByte::Brightness];
    s.speed = b[LightByte::Speed];
    s.direction = b[LightByte::Direction];
    s.colour = colourAt(LightByte::SingleColour);
    s.reportRate = std::min<int>(b[LightByte::ReportRate], kReportRates - 1);
    s.colourChoice = b[LightByte::ColourChoice] < kColourChoices ? b[LightByte::ColourChoice] : 0;
    if (s.effect == 7 && b[LightByte::ExtraFlag] <= 1) s.extraFlag = b[LightByte::ExtraFlag];
    if (b[LightByte::TriggerKind] <= 1) s.triggerKind = b[LightByte::TriggerKind];
    s.colourful = b[LightByte::Colourful] != 0;
    s.secondColour = colourAt(LightByte::SecondColour);
    s.secondColourful = b[LightByte::SecondColourful] != 0;
    s.thirdColour = colourAt(LightByte::ThirdColour);
    s.thirdColourful = b[LightByte::ThirdColourful] != 0;
}

const std::array<uint8_t, kOrdinaryKeys> kKeyButtonLeds = {
    64, 90, 88,  66,  45,  67,  68,  69,  50, 70,  71, 72, 92, 91, 51, 52,  43,  46,  65,  47,  49, 89,
    44, 87, 48,  86,  22,  23,  24,  25,  26, 27,  28, 29, 30, 31, 76, 0,   34,  42,  111, 32,  33, 53,
    54, 75, 73,  74,  21,  93,  94,  95,  2,  3,   4,  5,  6,  7,  8,  9,   10,  11,  12,  13,  14, 16,
    35, 56, 36,  57,  37,  58,  99,  120, 119, 121, 15, 63, 117, 105, 118, 84, 97, 107, 115, 106, 112, 101,
    102, 103, 80, 81, 82, 59, 60, 61, 123, 38, 104, 124, 39, 40, 41, 62, 85, 96,
};

const std::array<int, kOrdinaryKeys + 2> &litKeyPositions() {
    static const auto positions = [] {
        std::array<int, kOrdinaryKeys + 2> p{};
        std::copy(kKeyButtonLeds.begin(), kKeyButtonLeds.end(), p.begin());
        p[kOrdinaryKeys] = kFnPosition;
        p[kOrdinaryKeys + 1] = kGKeyPosition;
        return p;
    }();
    return positions;
}

Colour KeyColourTable::colourAt(int position) const {
    const auto at = static_cast<size_t>(position) * 3;
    return makeColour(rgb[at], rgb[at + 1], rgb[at + 2]);
}

void KeyColourTable::setColour(int position, Colour c) {
    const auto at = static_cast<size_t>(position) * 3;
    rgb[at] = colourRed(c);
    rgb[at + 1] = colourGreen(c);
    rgb[at + 2] = colourBlue(c);
}

}  // namespace t44::model
