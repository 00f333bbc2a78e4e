#include "model/LightData.h"

#include <algorithm>

#include "shell/KeyboardPicture.h"
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


const std::array<int, kOrdinaryKeys + 2> &litKeyPositions() {
    static const auto positions = [] {
        std::array<int, kOrdinaryKeys + 2> p{};
        for (size_t i = 0; i < kOrdinaryKeys; ++i) p[i] = shell::KeyButtonTable[i].ledIndex;
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
