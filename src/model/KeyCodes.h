#pragma once
// Key identifiers and the constant catalogue of keys.
//
// A KeyCode is a 16-bit key name:
//   0x0000            no key
//   0x0001-0x007F     set-1 make code of a key sent without prefix (0x01 Esc, 0x1E A, 0x45 Pause)
//   0x0100 + m        key whose make code m is sent with the E0 prefix (0x11D Right Ctrl);
//                     also Num Lock, 0x145
//   0x0161, 0x0162    mouse wheel up, down
//   0x0171-0x0173     left, right, middle mouse button
//   0x01FF + n        G key n, n = 1..18 (0x0200 is G1)
//
// Every key has a table index (KeyTableIndexOf): the index of its KeyTable row for codes
// below 0x180, and 256 and up for the G keys, which have records but no row. The
// KeyTable gives each row its Windows virtual-key code (kept for profile compatibility),
// the byte the keyboard uses for the key (its device code), its place in the list of keys
// a key can be assigned to, and the language key of its name.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace t44::model {

using KeyCode = uint16_t;

inline constexpr size_t kKeyTableRows = 256;
inline constexpr size_t kAssignKeyCount = 111;  // list positions 0..110
inline constexpr uint8_t kNotOffered = 0xFF;    // list position of a key not in the list
inline constexpr KeyCode kFirstGKey = 0x200;    // G1

struct KeyInfo {
    uint8_t vk = 0;              // Windows virtual-key code
    uint8_t deviceCode = 0;      // 0 or 0xFF: the keyboard has no code for the key
    uint8_t listPosition = kNotOffered;
    const char *langKey = nullptr;  // section TEXT of the language file; null: no name
};

// One row per table index below 256; rows of codes the system does not know are empty.
extern const std::array<KeyInfo, kKeyTableRows> KeyTable;
// The keys offered for assignment, in list-position order.
extern const std::array<KeyCode, kAssignKeyCount> AssignKeyList;
// Virtual-key code to KeyCode; the generic Shift, Control and Alt give the left keys.
extern const std::array<KeyCode, 256> VirtualKeyIndex;

// The multimedia keys a Multimedia assignment chooses from; the index is what the
// assignment stores.
struct ConsumerKey {
    uint16_t usage;  // HID consumer usage
    KeyCode code;
};
inline constexpr size_t kConsumerKeyCount = 18;
extern const std::array<ConsumerKey, kConsumerKeyCount> ConsumerKeyTable;
// Slot i: the HID consumer usage of device code 0xC0 + i (0 for an unused slot).
extern const std::array<uint16_t, 32> ConsumerCodeTable;

// Table index of a key: a code below 0x100 is its own index, 0x100-0x17F gives 0x80-0xFF,
// 0x200-0x2FF gives 256-511 (the G keys). Codes outside these ranges name no record and
// give 0, the index of "no key".
uint16_t KeyTableIndexOf(KeyCode code);
// Inverse for indexes below 256: below 0x80 the index itself, 0x80-0xFF index + 0x80.
KeyCode KeyCodeOfIndex(uint16_t index);
// The KeyTable row of a code, or null when the code has no row (G keys, unknown codes).
const KeyInfo *KeyRowOf(KeyCode code);

// Raw keyboard event flags: the make code came with an E0 or an E1 prefix.
inline constexpr unsigned kRawE0 = 0x02;
inline constexpr unsigned kRawE1 = 0x04;
KeyCode KeyCodeFromRawInput(uint16_t makeCode, unsigned flags);

// The classes ClassifyDeviceCode gives for a key's device code.
namespace DeviceClass {
inline constexpr int None = 0;      // no device code (0 or 0xFF)
inline constexpr int System = 1;    // 0x81-0x83 Power, Sleep, Wake
inline constexpr int Mouse = 2;     // 0xF1-0xF8
inline constexpr int Keyboard = 7;  // any other: a keyboard usage or a consumer key code
inline constexpr int Consumer = 12; // only as a KeyCodeFromDeviceCode argument
}  // namespace DeviceClass

struct DeviceCodeClass {
    int cls = DeviceClass::None;
    uint8_t value = 0;
};
DeviceCodeClass ClassifyDeviceCode(KeyCode code);
// The key whose row has the wanted device code (first row from index 0 up); 0 if none.
// Class 7: the value is the device code; class 1: the value when 0x81-0x83; class 12:
// 0xC0 + the first ConsumerCodeTable slot holding the value (a consumer usage).
KeyCode KeyCodeFromDeviceCode(int cls, uint16_t value);
// The modifier named by the lowest set bit of a modifier byte; 0 when no bit is set.
KeyCode ModifierKeyCode(uint8_t bits);

// Linux input event codes (KEY_*, BTN_* of linux/input-event-codes.h) and KeyCodes, from
// one table: key capture turns what the kernel reports into KeyCodes, and the recorder
// and tests go the other way.
KeyCode KeyCodeFromEvdev(uint16_t evdevCode);
// The evdev code of a key, 0 when the kernel has none for it.
uint16_t EvdevCodeOfKey(KeyCode code);

// Key names, looked up in the current language when asked for.
// The key's name; a key without a name (no row, no language key, or an empty or missing
// text) is named by the UNKNOWN_KEY text, a format given the KeyCode.
std::string KeyDisplayName(KeyCode code);
// The same, copied into a buffer of `capacity` bytes: cut to capacity - 1 bytes at a
// character boundary and always terminated. Returns the bytes copied.
size_t KeyDisplayName(KeyCode code, char *buffer, size_t capacity);
// Name of the key at a list position; empty when no row has that position.
std::string KeyListName(int listPosition);
// The key at a list position (the first row with it), 0 if none.
KeyCode KeyCodeFromListPosition(int listPosition);
// The list position of a key; kNotOffered (outside 0..110) for keys not in the list.
uint8_t ListPositionOfKey(KeyCode code);

}  // namespace t44::model
