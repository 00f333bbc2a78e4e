#pragma once
// Macros: the MacroRecord the program keeps (also its layout inside profile files) and
// the keyboard's macro area image.
//
// MacroRecord, 16512 bytes, little-endian:
//   0    500    name, UTF-16, at most 249 characters and a terminating 0
//   500  1      cycles, 1-255
//   501  1      reserved
//   502  2      new: 1 for a macro made in the editor and not yet applied
//   504  2      reserved
//   506  2      id, 1-100: what a Macro key assignment stores
//   508  2      action count, 0-2000
//   510  2      reserved
//   512  16000  2000 MacroAction slots of 8 bytes: delay ms (4), KeyCode (2), state (2:
//               0 press, 1 release)
//
// Macro area image (the keyboard's macro memory, from offset 0):
//   0   2          magic 0x55AA (bytes AA 55)
//   2   2          total size of the image
//   4   2          count
//   6   2          1 when the entries carry their names
//   8   8          0
//   16  2 x count  directory: offset of each entry from the start of the image
//   then the entries, packed in list order:
//       0  2       action count n
//       2  1       cycles
//       3  1       name length in UTF-16 characters (0 without names)
//       4  4 x n   actions: a 16-bit word (bits 0-11 delay in 10 ms units, 12-14 the
//                  entry class of the key, 15 set for a press), then sub and value
//       ...        the name's characters, UTF-16LE, no terminator
// The position of a macro in the list (0-based) is its number on the keyboard.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/KeyAssignment.h"
#include "model/KeyCodes.h"

namespace t44::model {

inline constexpr size_t kMaxMacros = 100;
inline constexpr size_t kMaxMacroActions = 2000;
inline constexpr size_t kMaxMacroNameLength = 249;
inline constexpr uint16_t kMacroAreaMagic = 0x55AA;
inline constexpr size_t kMacroAreaHeaderSize = 16;
// The longest delay an encoded action holds: 4095 units of 10 ms.
inline constexpr uint32_t kMaxEncodedDelayMs = 40950;

struct MacroAction {
    uint32_t delay = 0;  // milliseconds before the action
    KeyCode key = 0;
    uint16_t state = 0;  // 0 press, 1 release
    friend bool operator==(const MacroAction &, const MacroAction &) = default;
};
static_assert(sizeof(MacroAction) == 8);

inline constexpr uint16_t kPress = 0;
inline constexpr uint16_t kRelease = 1;

struct MacroRecord {
    std::array<char16_t, 250> name{};
    uint8_t cycles = 1;
    uint8_t reserved1 = 0;
    uint16_t isNew = 0;
    uint16_t reserved2 = 0;
    uint16_t id = 0;
    uint16_t actionCount = 0;
    uint16_t reserved3 = 0;
    std::array<MacroAction, kMaxMacroActions> actions{};

    // Characters before the terminator, never more than 249.
    size_t nameLength() const;
    std::u16string_view nameView() const { return {name.data(), nameLength()}; }
    // Sets the name, cut to 249 characters, and zeroes the rest of the field.
    void setName(std::u16string_view text);
    // The used actions; a count above 2000 (a damaged file) is read as 2000.
    std::span<const MacroAction> usedActions() const {
        return {actions.data(), actionCount < kMaxMacroActions ? actionCount : kMaxMacroActions};
    }
};
static_assert(sizeof(MacroRecord) == kMacroRecordSizeInFile);
static_assert(offsetof(MacroRecord, cycles) == 500 && offsetof(MacroRecord, isNew) == 502 &&
              offsetof(MacroRecord, id) == 506 && offsetof(MacroRecord, actionCount) == 508 &&
              offsetof(MacroRecord, actions) == 512);

// The macros keys can play, in list order.
using MacroList = std::vector<MacroRecord>;

// The position of the first macro whose id equals the low 16 bits of `id`; 0 when no
// macro has it (the same answer as for the first macro).
uint16_t macroPositionIn(const MacroList &macros, uint32_t id);

struct MacroAreaSizes {
    uint32_t minimal = 0;  // without names: 16 + 2 x count + sum of (4 + 4 x actions)
    uint32_t full = 0;     // with names: minimal + sum of 2 x name length
};
MacroAreaSizes macroAreaSizes(const MacroList &macros);

// The image of `macros`, with or without names, as large as macroAreaSizes says.
// Empty when the image would not fit the 16-bit size and offsets of the header.
std::vector<uint8_t> encodeMacroArea(const MacroList &macros, bool withNames);

// One action as the 4 bytes of an image entry. A delay beyond the 12-bit field is
// stored as the longest one it holds.
std::array<uint8_t, 4> encodeMacroAction(const MacroAction &action);
MacroAction decodeMacroAction(const uint8_t *bytes4);

// Turns an image read from the keyboard into records, one per directory entry: id =
// position + 1, new = 0. An entry without a name is named `unnamedPrefix` followed by
// position + 1. The image is untrusted: one that does not start with the magic, or whose
// size, count, directory, entries or names do not fit the bytes given and the record
// limits, gives no macros at all.
MacroList decodeMacroArea(std::span<const uint8_t> area, std::u16string_view unnamedPrefix);
// The same, with the prefix of new macros in the current language (MACRO_NEW_PREFIX).
MacroList decodeMacroArea(std::span<const uint8_t> area);

}  // namespace t44::model
