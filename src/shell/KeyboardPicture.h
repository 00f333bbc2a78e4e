#pragma once
// The buttons of the main window's keyboard picture: one image button per key, placed
// by the main skin file. KeyButtonTable gives each of the 106 key buttons its control
// id, key code and LED index; the nine G keys, the Fn key and the lock indicators have
// ids of their own; KeyGrid is the picture as rows and columns of control ids.

#include <array>
#include <cstdint>
#include <string>

namespace t44::shell {

struct KeyButton {
    int controlId;
    uint16_t keyCode;  // set-1 make code, + 0x100 for E0-prefixed keys
    int ledIndex;      // place in the keyboard's 126-entry per-key colour table
    const char *legend;  // what the key cap says
};

inline constexpr size_t kKeyButtonCount = 106;
extern const std::array<KeyButton, kKeyButtonCount> KeyButtonTable;

// G1..G9 in G index order; G6..G9 start disabled.
inline constexpr std::array<int, 9> GKeyControlIds = {1000, 1001, 1002, 1003, 1004, 1140, 1141, 1142, 1143};
inline constexpr int kGKeyLedIndex = 125;
inline constexpr int kFnControlId = 1174;
inline constexpr int kFnLedIndex = 116;
// D1..D6: spare keys of the flipped layout; they have no skin key.
inline constexpr std::array<int, 6> SpareKeyControlIds = {1016, 1017, 1018, 1019, 1020, 1021};

// The keyboard picture as 6 rows of 23 columns of control ids; 0 is an empty cell and a
// wide key fills two cells.
inline constexpr int kKeyGridRows = 6;
inline constexpr int kKeyGridColumns = 23;
extern const std::array<std::array<int, kKeyGridColumns>, kKeyGridRows> KeyGrid;

// The key table index of a key code: codes below 0x100 are their own index, 0x100..0x17F
// map to 0x80..0xFF, codes from 0x200 (G keys) to 256 and up.
int KeyButtonTableIndex(uint16_t keyCode);
// "KEY_%03X" of the key's table index, for example "KEY_01E" for A.
std::string KeyButtonSkinKey(uint16_t keyCode);
// "FUNC_G%d" for G index 0..8 (shown as 1..9).
std::string GKeySkinKey(int gIndex);

}  // namespace t44::shell
