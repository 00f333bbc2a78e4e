#pragma once
// A profile's key assignments in the keyboard's form: the 378-byte key matrix, 126
// entries of 3 bytes (class, sub, value):
//   0 0 0            the key sends nothing
//   1 1 01/02/04     left / right / middle mouse button
//   1 5 01/FF        wheel one step up / down
//   2 1 bits         modifier: 01 LCtrl 02 LShift 04 LAlt 08 LWin 10 RCtrl 20 RShift 40 RAlt 80 RWin
//   2 2 usage        keyboard key (HID keyboard-page usage)
//   3 lo hi          consumer key (16-bit HID consumer usage)
//   4 lo hi          system control 0x81 Power, 0x82 Sleep, 0x83 Wake
//   5 1 n            play the macro at position n of the macro area
//   5 2 0            stop the playing macro
//   5 5 n            keyboard function n
//   6 A2 n           G key n
// Any other form names no key.
//
// No table here says which key sits at which position: the keyboard's own default
// matrix does. Position p belongs to key k when KeyCodeOfEntry of default entry p is k,
// so encoding and decoding walk the 126 default entries.

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/KeyAssignment.h"
#include "model/KeyCodes.h"
#include "model/Macros.h"

namespace t44::model {

inline constexpr size_t kMatrixPositions = 126;
inline constexpr size_t kKeyMatrixSize = kMatrixPositions * 3;  // 378
using KeyMatrixBlock = std::array<uint8_t, kKeyMatrixSize>;

struct MatrixEntry {
    uint8_t cls = 0, sub = 0, value = 0;
    friend bool operator==(const MatrixEntry &, const MatrixEntry &) = default;
};

inline MatrixEntry entryAt(const KeyMatrixBlock &block, size_t position) {
    return {block[position * 3], block[position * 3 + 1], block[position * 3 + 2]};
}
inline void setEntry(KeyMatrixBlock &block, size_t position, MatrixEntry e) {
    block[position * 3] = e.cls;
    block[position * 3 + 1] = e.sub;
    block[position * 3 + 2] = e.value;
}

// The default matrix used until the keyboard's own has been read.
extern const KeyMatrixBlock kInitialDefaultMatrix;

// The key an entry names (0 for none): mouse forms, modifiers, keyboard usages, consumer
// and system usages through the KeyTable's device codes, and G keys.
KeyCode KeyCodeOfEntry(MatrixEntry entry);

// The entry of the keys that have a fixed form (the eight modifiers, the three mouse
// buttons, the wheel); false for every other key. The same table decodes these forms.
bool fixedEntryOf(KeyCode code, MatrixEntry &out);

// The entry that makes a key act as `target` (a Key assignment): its fixed form, else
// 2, 2, device code for keys of the keyboard class and 2, 2, 0 for any other.
MatrixEntry keyTargetEntry(KeyCode target);

// A profile block as the keyboard's key matrix, starting from the default matrix:
// positions that name no key keep their default entry; Default and LaunchProgram keep
// it too; Disabled and TextBlock send nothing; Macro names the position of the macro
// with the record's id in `macros` (0 when none has it). The encoder never fails: a
// record it cannot express (an unknown type, a Multimedia index beyond the table)
// keeps the key's default entry.
KeyMatrixBlock EncodeKeyMatrix(ConstAssignmentBlock block, const KeyMatrixBlock &defaultMatrix,
                               const MacroList &macros);

// A key matrix read from the keyboard back into a profile block: the block is reset
// (every record Default, G-key labels set) and every position whose entry differs from
// the default one gives its key's record. A Macro reads back with id = position + 1.
void DecodeKeyMatrix(const KeyMatrixBlock &matrix, const KeyMatrixBlock &defaultMatrix, AssignmentBlock out);

}  // namespace t44::model
