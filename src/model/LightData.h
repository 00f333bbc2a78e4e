#pragma once
// The keyboard's lighting as data: effect numbers and their parameter groups, the list of
// offered effects, the 42-byte light block of each profile and its decoding, the per-key
// colour table, and the key positions (LED indexes) of the keyboard picture.
//
// Colours are 24-bit values red | green << 8 | blue << 16 (red in the low byte), the
// order the key colour area and the light files use.

#include <array>
#include <cstdint>
#include <string>

#include "device/Protocol.h"

namespace t44::model {

using Colour = uint32_t;

constexpr Colour makeColour(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
constexpr uint8_t colourRed(Colour c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t colourGreen(Colour c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t colourBlue(Colour c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

inline constexpr Colour kWhite = makeColour(255, 255, 255);
inline constexpr Colour kRed = makeColour(255, 0, 0);

// ---- Effects ----

inline constexpr int kUserDefinedEffect = 20;  // per-key colours of the user modes
inline constexpr int kSupportedModeSlots = 32;  // DeviceInfo bytes 12..43

enum class DirectionKind { None, LeftRight, UpDown, SpreadConverge };
enum class ColourGroup { None, A, B };  // both edit bytes 4..7; they differ only in the panel

// Which bytes of the light block an effect uses, and so which panel controls it shows.
// Every effect with a group uses the brightness.
struct EffectGroup {
    int effect;
    bool speed;
    DirectionKind direction;
    ColourGroup colour;
    bool rewritesColourful;  // selecting the effect also writes the colourful flag (byte 4)
    bool colourChoice;       // byte 17
    bool userModes;          // per-key colours (effect 20)
};

// The group of an effect, or nullptr for numbers this program has no settings for
// (0, 19, above 20).
const EffectGroup *effectGroup(int effect);

// The effect's name in section MODE of the current language ("#Error" when missing).
std::string effectName(int effect);

// The offered effects in list order: row i is the i-th non-zero slot of supportedModes.
class ModeTable {
public:
    struct Row {
        int position = 0;
        int effect = 0;
    };

    ModeTable() = default;
    // Built from the 32 supportedModes bytes; zero bytes are empty slots and are skipped.
    explicit ModeTable(const uint8_t *supportedModes32);

    int size() const { return count_; }
    // The list position of an effect number, -1 when it is not offered.
    int positionOf(int effect) const;
    // The effect at a list position, 0 when the position is not in the list.
    int effectAt(int position) const;
    const Row &row(int i) const { return rows_[static_cast<size_t>(i)]; }

private:
    std::array<Row, kSupportedModeSlots> rows_{};
    int count_ = 0;
};

// ---- The light block (42 bytes per profile, light area offset profile x 42) ----

namespace LightByte {
inline constexpr int Effect = 0;
inline constexpr int Brightness = 1;
inline constexpr int Speed = 2;
inline constexpr int Direction = 3;
inline constexpr int Colourful = 4;
inline constexpr int SingleColour = 5;  // red, green, blue at 5, 6, 7
inline constexpr int ReportRate = 15;
inline constexpr int ColourChoice = 17;
inline constexpr int ExtraFlag = 18;  // read only while the effect is 7
inline constexpr int TriggerKind = 19;
inline constexpr int SecondColour = 25;  // 25..27, colourful flag at 28
inline constexpr int SecondColourful = 28;
inline constexpr int ThirdColour = 30;  // 30..32, colourful flag at 33
inline constexpr int ThirdColourful = 33;
}  // namespace LightByte

inline constexpr int kLightBlockSize = device::kLightBlockSize;
inline constexpr int kDefaultBlockLength = 35;  // bytes 35..41 are never written
inline constexpr int kDirectionFirst = 255;     // left, up or spread
inline constexpr int kDirectionSecond = 0;      // right, down or converge
inline constexpr int kMaxLevel = 5;             // brightness and speed run 0..5
inline constexpr int kReportRates = 4;
inline constexpr int kColourChoices = 4;  // red, yellow, green, blue

using LightBlock = std::array<uint8_t, kLightBlockSize>;

// Effect 1, brightness 4, speed 2, direction 0, colourful on, white, everything else 0.
LightBlock defaultLightBlock();

// The decoded light block of one profile.
struct LightSettings {
    int effect = 0;
    int brightness = 0;
    int speed = 0;
    int direction = 0;
    bool colourful = false;
    Colour colour = 0;
    int reportRate = 0;    // 0..3
    int colourChoice = 0;  // 0..3
    int extraFlag = 0;     // byte 18
    int triggerKind = 0;   // 0 single key, 1 grid
    Colour secondColour = 0;
    bool secondColourful = false;
    Colour thirdColour = 0;
    bool thirdColourful = false;
};

// Decodes a light block into `s`. A report-rate index above 3 reads as 3 and a colour
// choice outside 0..3 as 0 (red). Byte 18 is taken only while the effect is 7 and the
// byte is 0 or 1, byte 19 only when it is 0 or 1; otherwise those fields keep their value.
void decodeLightBlock(const uint8_t *block42, LightSettings &s);

// ---- Key positions and the per-key colour table ----

inline constexpr int kKeyPositions = 126;   // LED indexes 0..125
inline constexpr int kOrdinaryKeys = 106;   // rows of the keyboard picture's key table (shell::KeyButtonTable)
inline constexpr int kFnPosition = 116;     // no ordinary key uses it
inline constexpr int kGKeyPosition = 125;   // shared by all nine G keys
inline constexpr int kGKeys = 9;
inline constexpr int kKeyColourBytes = 3 * kKeyPositions;  // 378

// The positions a key of the picture lights: the ordinary keys in table order, Fn, then
// the G keys' shared position (108 positions).
const std::array<int, kOrdinaryKeys + 2> &litKeyPositions();

// The colours of one profile's user-defined effect and whether each key follows the
// base colour. The nine G keys share one LED and so one entry and one flag.
struct KeyColourTable {
    std::array<uint8_t, kKeyColourBytes> rgb{};
    std::array<bool, kKeyPositions> followsBase{};

    Colour colourAt(int position) const;
    void setColour(int position, Colour c);
};

}  // namespace t44::model
