#include "model/KeyCodes.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <cstring>

#include "shell/Language.h"

namespace t44::model {
namespace {

struct Row {
    KeyCode code;
    KeyInfo info;
};

constexpr Row row(KeyCode code, uint8_t vk, uint8_t deviceCode, uint8_t listPosition, const char *langKey) {
    return {code, {vk, deviceCode, listPosition, langKey}};
}

// The rows of the KeyTable that are not empty: KeyCode, VK, device code, list position,
// language key. Rows 54 and 182 are both Right Shift with one list position (a search by
// list position finds 54); Pause and Break share device code 0x48 (a search by device
// code finds Pause).
constexpr Row kRows[] = {
    row(0x001, 0x1B, 0x29, 37, "IDS_KEYBOARD_ESC"),  // Esc
    row(0x002, 0x31, 0x1E, 26, "IDS_KEYBOARD_1"),  // 1
    row(0x003, 0x32, 0x1F, 27, "IDS_KEYBOARD_2"),  // 2
    row(0x004, 0x33, 0x20, 28, "IDS_KEYBOARD_3"),  // 3
    row(0x005, 0x34, 0x21, 29, "IDS_KEYBOARD_4"),  // 4
    row(0x006, 0x35, 0x22, 30, "IDS_KEYBOARD_5"),  // 5
    row(0x007, 0x36, 0x23, 31, "IDS_KEYBOARD_6"),  // 6
    row(0x008, 0x37, 0x24, 32, "IDS_KEYBOARD_7"),  // 7
    row(0x009, 0x38, 0x25, 33, "IDS_KEYBOARD_8"),  // 8
    row(0x00A, 0x39, 0x26, 34, "IDS_KEYBOARD_9"),  // 9
    row(0x00B, 0x30, 0x27, 35, "IDS_KEYBOARD_0"),  // 0
    row(0x00C, 0xBD, 0x2D, 41, "IDS_KEYBOARD_MINUS"),  // Minus
    row(0x00D, 0xBB, 0x2E, 42, "IDS_KEYBOARD_EQU"),  // Equals
    row(0x00E, 0x08, 0x2A, 38, "IDS_KEYBOARD_BS"),  // Backspace
    row(0x00F, 0x09, 0x2B, 39, "IDS_KEYBOARD_TAB"),  // Tab
    row(0x010, 0x51, 0x14, 16, "IDS_KEYBOARD_Q"),  // Q
    row(0x011, 0x57, 0x1A, 22, "IDS_KEYBOARD_W"),  // W
    row(0x012, 0x45, 0x08, 4, "IDS_KEYBOARD_E"),  // E
    row(0x013, 0x52, 0x15, 17, "IDS_KEYBOARD_R"),  // R
    row(0x014, 0x54, 0x17, 19, "IDS_KEYBOARD_T"),  // T
    row(0x015, 0x59, 0x1C, 24, "IDS_KEYBOARD_Y"),  // Y
    row(0x016, 0x55, 0x18, 20, "IDS_KEYBOARD_U"),  // U
    row(0x017, 0x49, 0x0C, 8, "IDS_KEYBOARD_I"),  // I
    row(0x018, 0x4F, 0x12, 14, "IDS_KEYBOARD_O"),  // O
    row(0x019, 0x50, 0x13, 15, "IDS_KEYBOARD_P"),  // P
    row(0x01A, 0xDB, 0x2F, 43, "IDS_KEYBOARD_SB1"),  // Left bracket
    row(0x01B, 0xDD, 0x30, 44, "IDS_KEYBOARD_SB2"),  // Right bracket
    row(0x01C, 0x0D, 0x28, 36, "IDS_KEYBOARD_ENTER"),  // Enter
    row(0x01D, 0xA2, 0xE0, 98, "IDS_KEYBOARD_LCTRL"),  // Left Ctrl
    row(0x01E, 0x41, 0x04, 0, "IDS_KEYBOARD_A"),  // A
    row(0x01F, 0x53, 0x16, 18, "IDS_KEYBOARD_S"),  // S
    row(0x020, 0x44, 0x07, 3, "IDS_KEYBOARD_D"),  // D
    row(0x021, 0x46, 0x09, 5, "IDS_KEYBOARD_F"),  // F
    row(0x022, 0x47, 0x0A, 6, "IDS_KEYBOARD_G"),  // G
    row(0x023, 0x48, 0x0B, 7, "IDS_KEYBOARD_H"),  // H
    row(0x024, 0x4A, 0x0D, 9, "IDS_KEYBOARD_J"),  // J
    row(0x025, 0x4B, 0x0E, 10, "IDS_KEYBOARD_K"),  // K
    row(0x026, 0x4C, 0x0F, 11, "IDS_KEYBOARD_L"),  // L
    row(0x027, 0xBA, 0x33, 46, "IDS_KEYBOARD_SEM"),  // Semicolon
    row(0x028, 0xDE, 0x34, 47, "IDS_KEYBOARD_QUOT"),  // Apostrophe
    row(0x029, 0xC0, 0x35, 48, "IDS_KEYBOARD_AID1"),  // Grave accent
    row(0x02A, 0xA0, 0xE1, 99, "IDS_KEYBOARD_LSHIFT"),  // Left Shift
    row(0x02B, 0xDC, 0x31, 45, "IDS_KEYBOARD_AV"),  // Backslash
    row(0x02C, 0x5A, 0x1D, 25, "IDS_KEYBOARD_Z"),  // Z
    row(0x02D, 0x58, 0x1B, 23, "IDS_KEYBOARD_X"),  // X
    row(0x02E, 0x43, 0x06, 2, "IDS_KEYBOARD_C"),  // C
    row(0x02F, 0x56, 0x19, 21, "IDS_KEYBOARD_V"),  // V
    row(0x030, 0x42, 0x05, 1, "IDS_KEYBOARD_B"),  // B
    row(0x031, 0x4E, 0x11, 13, "IDS_KEYBOARD_N"),  // N
    row(0x032, 0x4D, 0x10, 12, "IDS_KEYBOARD_M"),  // M
    row(0x033, 0xBC, 0x36, 49, "IDS_KEYBOARD_COMMA"),  // Comma
    row(0x034, 0xBE, 0x37, 50, "IDS_KEYBOARD_PER"),  // Period
    row(0x035, 0xBF, 0x38, 51, "IDS_KEYBOARD_VIR"),  // Slash
    row(0x036, 0xA1, 0xE5, 103, "IDS_KEYBOARD_RSHIFT"),  // Right Shift
    row(0x037, 0x6A, 0x55, 81, "IDS_KEYBOARD_S_AST"),  // Num multiply
    row(0x038, 0xA4, 0xE2, 100, "IDS_KEYBOARD_LALT"),  // Left Alt
    row(0x039, 0x20, 0x2C, 40, "IDS_KEYBOARD_SPACE"),  // Space
    row(0x03A, 0x14, 0x39, 78, "IDS_KEYBOARD_CAPS"),  // Caps Lock
    row(0x03B, 0x70, 0x3A, 52, "IDS_KEYBOARD_F1"),  // F1
    row(0x03C, 0x71, 0x3B, 53, "IDS_KEYBOARD_F2"),  // F2
    row(0x03D, 0x72, 0x3C, 54, "IDS_KEYBOARD_F3"),  // F3
    row(0x03E, 0x73, 0x3D, 55, "IDS_KEYBOARD_F4"),  // F4
    row(0x03F, 0x74, 0x3E, 56, "IDS_KEYBOARD_F5"),  // F5
    row(0x040, 0x75, 0x3F, 57, "IDS_KEYBOARD_F6"),  // F6
    row(0x041, 0x76, 0x40, 58, "IDS_KEYBOARD_F7"),  // F7
    row(0x042, 0x77, 0x41, 59, "IDS_KEYBOARD_F8"),  // F8
    row(0x043, 0x78, 0x42, 60, "IDS_KEYBOARD_F9"),  // F9
    row(0x044, 0x79, 0x43, 61, "IDS_KEYBOARD_F10"),  // F10
    row(0x045, 0x13, 0x48, 65, "IDS_KEYBOARD_PAUSE"),  // Pause
    row(0x046, 0x91, 0x47, 77, "IDS_KEYBOARD_SCROLL"),  // Scroll Lock
    row(0x047, 0x67, 0x5F, 91, "IDS_KEYBOARD_S_7"),  // Num 7
    row(0x048, 0x68, 0x60, 92, "IDS_KEYBOARD_S_8"),  // Num 8
    row(0x049, 0x69, 0x61, 93, "IDS_KEYBOARD_S_9"),  // Num 9
    row(0x04A, 0x6D, 0x56, 82, "IDS_KEYBOARD_S_MINUS"),  // Num minus
    row(0x04B, 0x64, 0x5C, 88, "IDS_KEYBOARD_S_4"),  // Num 4
    row(0x04C, 0x65, 0x5D, 89, "IDS_KEYBOARD_S_5"),  // Num 5
    row(0x04D, 0x66, 0x5E, 90, "IDS_KEYBOARD_S_6"),  // Num 6
    row(0x04E, 0x6B, 0x57, 83, "IDS_KEYBOARD_S_PLUS"),  // Num plus
    row(0x04F, 0x61, 0x59, 85, "IDS_KEYBOARD_S_1"),  // Num 1
    row(0x050, 0x62, 0x5A, 86, "IDS_KEYBOARD_S_2"),  // Num 2
    row(0x051, 0x63, 0x5B, 87, "IDS_KEYBOARD_S_3"),  // Num 3
    row(0x052, 0x60, 0x62, 94, "IDS_KEYBOARD_S_0"),  // Num 0
    row(0x053, 0x6E, 0x63, 95, "IDS_KEYBOARD_S_DEL"),  // Num decimal
    row(0x054, 0x2C, 0x00, kNotOffered, "IDS_KEYBOARD_SYSREQ"),  // Sys Req
    row(0x056, 0xE2, 0x64, 96, "IDS_KEYBOARD_K45"),  // K45 (extra key left of Z)
    row(0x057, 0x7A, 0x44, 62, "IDS_KEYBOARD_F11"),  // F11
    row(0x058, 0x7B, 0x45, 63, "IDS_KEYBOARD_F12"),  // F12
    row(0x064, 0x7C, 0x00, kNotOffered, nullptr),  // F13
    row(0x070, 0xFF, 0x88, kNotOffered, "IDS_KEYBOARD_ROMA"),  // Romaji
    row(0x071, 0xE9, 0x91, kNotOffered, "IDS_KEYBOARD_KL"),  // KL
    row(0x072, 0xFF, 0x90, kNotOffered, "IDS_KEYBOARD_KR"),  // KR
    row(0x073, 0xC1, 0x87, kNotOffered, "IDS_KEYBOARD_K56"),  // K56
    row(0x079, 0xFF, 0x8A, kNotOffered, "IDS_KEYBOARD_CHG"),  // Henkan
    row(0x07B, 0xEB, 0x8B, kNotOffered, "IDS_KEYBOARD_N_CHG"),  // Muhenkan
    row(0x07D, 0xFF, 0x89, kNotOffered, "IDS_KEYBOARD_K14"),  // K14
    row(0x07E, 0xC2, 0x85, kNotOffered, "IDS_KEYBOARD_K107"),  // K107
    row(0x110, 0xB1, 0xD0, kNotOffered, "MEDIA_PREV_TRACK_4"),  // Prev Track
    row(0x119, 0xB0, 0xD1, kNotOffered, "MEDIA_Next_TRACK_5"),  // Next Track
    row(0x11C, 0x0D, 0x58, 84, "IDS_KEYBOARD_S_ENTER"),  // Num Enter
    row(0x11D, 0xA3, 0xE4, 102, "IDS_KEYBOARD_RCTRL"),  // Right Ctrl
    row(0x120, 0xAD, 0xCD, kNotOffered, "MEDIA_MUTE_8"),  // Mute
    row(0x121, 0xB7, 0xC4, kNotOffered, "MEDIA_CALC_17"),  // Calculator
    row(0x122, 0xB3, 0xCE, kNotOffered, "MEDIA_PALY_PAUSE_2"),  // Play/Pause
    row(0x124, 0xB2, 0xCF, kNotOffered, "MEDIA_STOP_PALY_3"),  // Stop
    row(0x12E, 0xAE, 0xC1, kNotOffered, "MEDIA_V_LOW_6"),  // Volume down
    row(0x130, 0xAF, 0xC0, kNotOffered, "MEDIA_V_ADD_7"),  // Volume up
    row(0x132, 0xAC, 0xC7, kNotOffered, "MEDIA_WWW_HOME_9"),  // WWW Home
    row(0x135, 0x6F, 0x54, 80, "IDS_KEYBOARD_S_VIR"),  // Num divide
    row(0x136, 0xA1, 0xE5, 103, "IDS_KEYBOARD_RSHIFT"),  // Right Shift
    row(0x137, 0x2C, 0x46, 64, "IDS_KEYBOARD_PRINT"),  // Print Screen
    row(0x138, 0xA5, 0xE6, 104, "IDS_KEYBOARD_RALT"),  // Right Alt
    row(0x145, 0x90, 0x53, 79, "IDS_KEYBOARD_NUM"),  // Num Lock
    row(0x146, 0x03, 0x48, 66, "IDS_KEYBOARD_BREAK"),  // Break
    row(0x147, 0x24, 0x4A, 69, "IDS_KEYBOARD_HOME"),  // Home
    row(0x148, 0x26, 0x52, 73, "IDS_KEYBOARD_UP"),  // Up
    row(0x149, 0x21, 0x4B, 71, "IDS_KEYBOARD_PAGE_UP"),  // Page Up
    row(0x14B, 0x25, 0x50, 75, "IDS_KEYBOARD_LEFT"),  // Left
    row(0x14D, 0x27, 0x4F, 76, "IDS_KEYBOARD_RIGHT"),  // Right
    row(0x14F, 0x23, 0x4D, 70, "IDS_KEYBOARD_END"),  // End
    row(0x150, 0x28, 0x51, 74, "IDS_KEYBOARD_DOWN"),  // Down
    row(0x151, 0x22, 0x4E, 72, "IDS_KEYBOARD_PAGE_DOWN"),  // Page Down
    row(0x152, 0x2D, 0x49, 67, "IDS_KEYBOARD_INSERT"),  // Insert
    row(0x153, 0x2E, 0x4C, 68, "IDS_KEYBOARD_DELETE"),  // Delete
    row(0x15B, 0x5B, 0xE3, 101, "IDS_KEYBOARD_LWIN"),  // Left Win
    row(0x15C, 0x5C, 0xE7, 105, "IDS_KEYBOARD_RWIN"),  // Right Win
    row(0x15D, 0x5D, 0x65, 97, "IDS_KEYBOARD_APP"),  // App
    row(0x15E, 0xFF, 0x81, kNotOffered, "IDS_KEYBOARD_POWER"),  // Power
    row(0x15F, 0x5F, 0x82, kNotOffered, "IDS_KEYBOARD_SLEEP"),  // Sleep
    row(0x161, 0xD1, 0xF4, 109, "IDS_KEYBOARD_ROLL_UP"),  // Roll Up
    row(0x162, 0xD2, 0xF5, 110, "IDS_KEYBOARD_ROLL_DOWN"),  // Roll Down
    row(0x163, 0xFF, 0x83, kNotOffered, "IDS_KEYBOARD_WAKE"),  // Wake
    row(0x165, 0xAA, 0xC6, kNotOffered, "MEDIA_WWW_SEARCH_15"),  // WWW Search
    row(0x166, 0xAB, 0xCC, kNotOffered, "MEDIA_WWW_FAVORITE_14"),  // WWW Favourites
    row(0x167, 0xA8, 0xCB, kNotOffered, "MEDIA_WWW_REFRESH_10"),  // WWW Refresh
    row(0x168, 0xA9, 0xCA, kNotOffered, "MEDIA_WWW_STOP_11"),  // WWW Stop
    row(0x169, 0xA7, 0xC9, kNotOffered, "MEDIA_WWW_FORWARD_13"),  // WWW Forward
    row(0x16A, 0xA6, 0xC8, kNotOffered, "MEDIA_WWW_BACK_12"),  // WWW Back
    row(0x16B, 0xB6, 0xC5, kNotOffered, "MEDIA_MY_PC_16"),  // My computer
    row(0x16C, 0xB4, 0xC3, kNotOffered, "MEDIA_MAIL_18"),  // Mail
    row(0x16D, 0xB5, 0xC2, kNotOffered, "MEDIA_PALYER_1"),  // Media Player
    row(0x16E, 0x88, 0x00, kNotOffered, "IDS_KEYBOARD_MOU_PANLEFT"),  // Pan Left
    row(0x16F, 0x89, 0x00, kNotOffered, "IDS_KEYBOARD_MOU_PANRIGHT"),  // Pan Right
    row(0x170, 0x8A, 0x00, kNotOffered, "IDS_KEYBOARD_MOU_DBCLICK"),  // Double Click
    row(0x171, 0x01, 0xF1, 106, "IDS_KEYBOARD_MOU_LEFT"),  // Left Button
    row(0x172, 0x02, 0xF2, 107, "IDS_KEYBOARD_MOU_RIGHT"),  // Right Button
    row(0x173, 0x04, 0xF3, 108, "IDS_KEYBOARD_MOU_MIDDLE"),  // Middle Button
    row(0x174, 0x8B, 0xD2, kNotOffered, "IDS_KEYBOARD_FUNC_ZOOMOUT"),  // Zoom out
    row(0x175, 0x8C, 0xD3, kNotOffered, "IDS_KEYBOARD_FUNC_ZOOMIN"),  // Zoom in
    row(0x176, 0x97, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_COPY"),  // Copy
    row(0x177, 0x98, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_CUT"),  // Cut
    row(0x178, 0x99, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_PASTE"),  // Paste
    row(0x179, 0x9A, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_MINI"),  // Minimize
    row(0x17A, 0x9B, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_MAXI"),  // Maximize
    row(0x17B, 0x9C, 0xD4, kNotOffered, "IDS_KEYBOARD_FUNC_WORD"),  // Word
    row(0x17C, 0x9D, 0xD5, kNotOffered, "IDS_KEYBOARD_FUNC_EXCEL"),  // Excel
    row(0x17D, 0x9E, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_POWERPOINT"),  // PowerPoint
    row(0x17E, 0x9F, 0x00, kNotOffered, "IDS_KEYBOARD_FUNC_CALENDAR"),  // Calendar
};

constexpr uint16_t indexOf(KeyCode code) {
    if (code < 0x100) return code;
    if (code < 0x180) return static_cast<uint16_t>(code - 0x80);
    if (code >= 0x200 && code < 0x300) return static_cast<uint16_t>(code - 0x100);
    return 0;
}

constexpr KeyCode codeOfIndex(uint16_t index) {
    return index < 0x80 ? index : static_cast<KeyCode>(index + 0x80);
}

constexpr std::array<KeyInfo, kKeyTableRows> buildKeyTable() {
    std::array<KeyInfo, kKeyTableRows> table{};
    for (auto &r : table) r.listPosition = kNotOffered;
    for (const Row &r : kRows) table[indexOf(r.code)] = r.info;
    return table;
}

constexpr auto kKeyTable = buildKeyTable();

constexpr std::array<KeyCode, kAssignKeyCount> buildAssignKeyList() {
    std::array<KeyCode, kAssignKeyCount> list{};
    for (size_t pos = 0; pos < kAssignKeyCount; ++pos)
        for (uint16_t i = 0; i < kKeyTableRows; ++i)
            if (kKeyTable[i].listPosition == pos) {
                list[pos] = codeOfIndex(i);
                break;
            }
    return list;
}

// The reverse of the device-code column: for each device code the first row that has
// it, as a search from index 0 up would find it.
constexpr std::array<KeyCode, 256> buildKeyOfDeviceCode() {
    std::array<KeyCode, 256> keys{};
    for (uint16_t i = kKeyTableRows; i-- > 0;)
        if (kKeyTable[i].deviceCode != 0) keys[kKeyTable[i].deviceCode] = codeOfIndex(i);
    return keys;
}

constexpr auto kKeyOfDeviceCode = buildKeyOfDeviceCode();

// Where several rows share a virtual-key code, the first row the keyboard has a device
// code for wins (Print Screen, not Sys Req); 0xFF marks rows without a real one.
constexpr std::array<KeyCode, 256> buildVirtualKeyIndex() {
    std::array<KeyCode, 256> index{};
    std::array<bool, 256> withDevice{};
    for (uint16_t i = 0; i < kKeyTableRows; ++i) {
        const KeyInfo &k = kKeyTable[i];
        if (k.vk == 0 || k.vk == 0xFF) continue;
        const bool hasDevice = k.deviceCode != 0 && k.deviceCode != 0xFF;
        if (index[k.vk] == 0 || (hasDevice && !withDevice[k.vk])) {
            index[k.vk] = codeOfIndex(i);
            withDevice[k.vk] = hasDevice;
        }
    }
    index[0x10] = 0x02A;  // VK_SHIFT: Left Shift
    index[0x11] = 0x01D;  // VK_CONTROL: Left Ctrl
    index[0x12] = 0x038;  // VK_MENU: Left Alt
    return index;
}

// Linux input event codes of the keys. The first row of a KeyCode is the one
// EvdevCodeOfKey gives.
struct EvdevKey {
    uint16_t evdev;
    KeyCode code;
};
constexpr EvdevKey kEvdevKeys[] = {
    {KEY_ESC, 0x001}, {KEY_1, 0x002}, {KEY_2, 0x003}, {KEY_3, 0x004}, {KEY_4, 0x005}, {KEY_5, 0x006},
    {KEY_6, 0x007}, {KEY_7, 0x008}, {KEY_8, 0x009}, {KEY_9, 0x00A}, {KEY_0, 0x00B},
    {KEY_MINUS, 0x00C}, {KEY_EQUAL, 0x00D}, {KEY_BACKSPACE, 0x00E}, {KEY_TAB, 0x00F},
    {KEY_Q, 0x010}, {KEY_W, 0x011}, {KEY_E, 0x012}, {KEY_R, 0x013}, {KEY_T, 0x014}, {KEY_Y, 0x015},
    {KEY_U, 0x016}, {KEY_I, 0x017}, {KEY_O, 0x018}, {KEY_P, 0x019},
    {KEY_LEFTBRACE, 0x01A}, {KEY_RIGHTBRACE, 0x01B}, {KEY_ENTER, 0x01C}, {KEY_LEFTCTRL, 0x01D},
    {KEY_A, 0x01E}, {KEY_S, 0x01F}, {KEY_D, 0x020}, {KEY_F, 0x021}, {KEY_G, 0x022}, {KEY_H, 0x023},
    {KEY_J, 0x024}, {KEY_K, 0x025}, {KEY_L, 0x026},
    {KEY_SEMICOLON, 0x027}, {KEY_APOSTROPHE, 0x028}, {KEY_GRAVE, 0x029}, {KEY_LEFTSHIFT, 0x02A},
    {KEY_BACKSLASH, 0x02B},
    {KEY_Z, 0x02C}, {KEY_X, 0x02D}, {KEY_C, 0x02E}, {KEY_V, 0x02F}, {KEY_B, 0x030}, {KEY_N, 0x031},
    {KEY_M, 0x032}, {KEY_COMMA, 0x033}, {KEY_DOT, 0x034}, {KEY_SLASH, 0x035}, {KEY_RIGHTSHIFT, 0x036},
    {KEY_KPASTERISK, 0x037}, {KEY_LEFTALT, 0x038}, {KEY_SPACE, 0x039}, {KEY_CAPSLOCK, 0x03A},
    {KEY_F1, 0x03B}, {KEY_F2, 0x03C}, {KEY_F3, 0x03D}, {KEY_F4, 0x03E}, {KEY_F5, 0x03F}, {KEY_F6, 0x040},
    {KEY_F7, 0x041}, {KEY_F8, 0x042}, {KEY_F9, 0x043}, {KEY_F10, 0x044},
    // A plain make code 0x45 is Num Lock; KeyCode 0x045 is Pause (its E1 sequence).
    {KEY_NUMLOCK, 0x145}, {KEY_SCROLLLOCK, 0x046},
    {KEY_KP7, 0x047}, {KEY_KP8, 0x048}, {KEY_KP9, 0x049}, {KEY_KPMINUS, 0x04A}, {KEY_KP4, 0x04B},
    {KEY_KP5, 0x04C}, {KEY_KP6, 0x04D}, {KEY_KPPLUS, 0x04E}, {KEY_KP1, 0x04F}, {KEY_KP2, 0x050},
    {KEY_KP3, 0x051}, {KEY_KP0, 0x052}, {KEY_KPDOT, 0x053},
    {KEY_102ND, 0x056}, {KEY_F11, 0x057}, {KEY_F12, 0x058}, {KEY_F13, 0x064},
    {KEY_KATAKANAHIRAGANA, 0x070}, {KEY_HANJA, 0x071}, {KEY_HANGEUL, 0x072}, {KEY_RO, 0x073},
    {KEY_HENKAN, 0x079}, {KEY_MUHENKAN, 0x07B}, {KEY_YEN, 0x07D}, {KEY_KPCOMMA, 0x07E},
    {KEY_PREVIOUSSONG, 0x110}, {KEY_NEXTSONG, 0x119}, {KEY_KPENTER, 0x11C}, {KEY_RIGHTCTRL, 0x11D},
    {KEY_MUTE, 0x120}, {KEY_CALC, 0x121}, {KEY_PLAYPAUSE, 0x122}, {KEY_STOPCD, 0x124},
    {KEY_VOLUMEDOWN, 0x12E}, {KEY_VOLUMEUP, 0x130}, {KEY_HOMEPAGE, 0x132},
    {KEY_KPSLASH, 0x135}, {KEY_SYSRQ, 0x137}, {KEY_RIGHTALT, 0x138}, {KEY_PAUSE, 0x045},
    {KEY_HOME, 0x147}, {KEY_UP, 0x148}, {KEY_PAGEUP, 0x149}, {KEY_LEFT, 0x14B}, {KEY_RIGHT, 0x14D},
    {KEY_END, 0x14F}, {KEY_DOWN, 0x150}, {KEY_PAGEDOWN, 0x151}, {KEY_INSERT, 0x152}, {KEY_DELETE, 0x153},
    {KEY_LEFTMETA, 0x15B}, {KEY_RIGHTMETA, 0x15C}, {KEY_COMPOSE, 0x15D},
    {KEY_POWER, 0x15E}, {KEY_SLEEP, 0x15F}, {KEY_WAKEUP, 0x163},
    {KEY_SEARCH, 0x165}, {KEY_BOOKMARKS, 0x166}, {KEY_REFRESH, 0x167}, {KEY_STOP, 0x168},
    {KEY_FORWARD, 0x169}, {KEY_BACK, 0x16A},
    // USB keyboards report My computer and Media player as KEY_FILE and KEY_CONFIG,
    // PS/2 ones as KEY_COMPUTER and KEY_MEDIA.
    {KEY_COMPUTER, 0x16B}, {KEY_FILE, 0x16B}, {KEY_MAIL, 0x16C}, {KEY_CONFIG, 0x16D}, {KEY_MEDIA, 0x16D},
    {BTN_LEFT, 0x171}, {BTN_RIGHT, 0x172}, {BTN_MIDDLE, 0x173},
    {KEY_ZOOMOUT, 0x174}, {KEY_ZOOMIN, 0x175}, {KEY_COPY, 0x176}, {KEY_CUT, 0x177}, {KEY_PASTE, 0x178},
    {KEY_WORDPROCESSOR, 0x17B}, {KEY_SPREADSHEET, 0x17C}, {KEY_PRESENTATION, 0x17D}, {KEY_CALENDAR, 0x17E},
};

// The modifier keys in the order of their bits in a modifier byte (0x01 Left Ctrl ...
// 0x80 Right Win).
constexpr KeyCode kModifierKeys[8] = {0x01D, 0x02A, 0x038, 0x15B, 0x11D, 0x036, 0x138, 0x15C};

bool hasText(const std::string &text) { return !text.empty() && text != shell::kMissingText; }

}  // namespace

const std::array<KeyInfo, kKeyTableRows> KeyTable = kKeyTable;
const std::array<KeyCode, kAssignKeyCount> AssignKeyList = buildAssignKeyList();
const std::array<KeyCode, 256> VirtualKeyIndex = buildVirtualKeyIndex();

const std::array<ConsumerKey, kConsumerKeyCount> ConsumerKeyTable = {{
    {0x0183, 0x16D},  // Media player
    {0x00CD, 0x122},  // Play/Pause
    {0x00B7, 0x124},  // Stop
    {0x00B6, 0x110},  // Previous track
    {0x00B5, 0x119},  // Next track
    {0x00EA, 0x12E},  // Volume down
    {0x00E9, 0x130},  // Volume up
    {0x00E2, 0x120},  // Mute
    {0x0223, 0x132},  // WWW Home
    {0x0227, 0x167},  // WWW Refresh
    {0x0226, 0x168},  // WWW Stop
    {0x0224, 0x16A},  // WWW Back
    {0x0225, 0x169},  // WWW Forward
    {0x022A, 0x166},  // WWW Favourites
    {0x0221, 0x165},  // WWW Search
    {0x0194, 0x16B},  // My computer
    {0x0192, 0x121},  // Calculator
    {0x018A, 0x16C},  // Mail
}};

const std::array<uint16_t, 32> ConsumerCodeTable = {
    0x00E9, 0x00EA, 0x0183, 0x018A, 0x0192, 0x0194, 0x0221, 0x0223, 0x0224,
    0x0225, 0x0226, 0x0227, 0x022A, 0x00E2, 0x00CD, 0x00B7, 0x00B6, 0x00B5,
};

uint16_t KeyTableIndexOf(KeyCode code) { return indexOf(code); }

KeyCode KeyCodeOfIndex(uint16_t index) { return codeOfIndex(index); }

const KeyInfo *KeyRowOf(KeyCode code) {
    if (code >= 0x180) return nullptr;
    const KeyInfo &k = KeyTable[indexOf(code)];
    if (k.vk == 0 && k.deviceCode == 0 && k.listPosition == kNotOffered && !k.langKey) return nullptr;
    return &k;
}

KeyCode KeyCodeFromRawInput(uint16_t makeCode, unsigned flags) {
    if (flags & kRawE0) return static_cast<KeyCode>(makeCode | 0x100);
    if (flags & kRawE1) return 0x045;
    if (makeCode == 0x45) return 0x145;
    return makeCode;
}

DeviceCodeClass ClassifyDeviceCode(KeyCode code) {
    const KeyInfo *row = KeyRowOf(code);
    const uint8_t d = row ? row->deviceCode : 0;
    if (d == 0 || d == 0xFF) return {DeviceClass::None, 0};
    if (d >= 0x81 && d <= 0x83) return {DeviceClass::System, d};
    if (d >= 0xF1 && d <= 0xF8) return {DeviceClass::Mouse, d};
    return {DeviceClass::Keyboard, d};
}

KeyCode KeyCodeFromDeviceCode(int cls, uint16_t value) {
    uint16_t wanted = 0;
    if (cls == DeviceClass::Keyboard) {
        wanted = value;
    } else if (cls == DeviceClass::System) {
        wanted = value >= 0x81 && value <= 0x83 ? value : 0;
    } else if (cls == DeviceClass::Consumer) {
        for (size_t i = 0; i < ConsumerCodeTable.size(); ++i)
            if (ConsumerCodeTable[i] != 0 && ConsumerCodeTable[i] == value) {
                wanted = static_cast<uint16_t>(0xC0 + i);
                break;
            }
    }
    if (wanted == 0 || wanted > 0xFF) return 0;
    return kKeyOfDeviceCode[wanted];
}

KeyCode ModifierKeyCode(uint8_t bits) {
    for (int b = 0; b < 8; ++b)
        if (bits & (1u << b)) return kModifierKeys[b];
    return 0;
}

KeyCode KeyCodeFromEvdev(uint16_t evdevCode) {
    for (const EvdevKey &k : kEvdevKeys)
        if (k.evdev == evdevCode) return k.code;
    return 0;
}

uint16_t EvdevCodeOfKey(KeyCode code) {
    if (code == 0) return 0;
    for (const EvdevKey &k : kEvdevKeys)
        if (k.code == code) return k.evdev;
    return 0;
}

std::string KeyDisplayName(KeyCode code) {
    const KeyInfo *row = KeyRowOf(code);
    if (row && row->langKey) {
        std::string text = shell::LangText(row->langKey);
        if (hasText(text)) return text;
    }
    return shell::formatWithInt(shell::LangText("UNKNOWN_KEY"), code);
}

size_t KeyDisplayName(KeyCode code, char *buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    const std::string name = KeyDisplayName(code);
    size_t n = std::min(name.size(), capacity - 1);
    // Never cut a UTF-8 sequence in two: back up over continuation bytes.
    if (n < name.size())
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return n;
}

std::string KeyListName(int listPosition) {
    const KeyCode code = KeyCodeFromListPosition(listPosition);
    const KeyInfo *row = code ? KeyRowOf(code) : nullptr;
    if (!row || !row->langKey) return {};
    return shell::LangText(row->langKey);
}

KeyCode KeyCodeFromListPosition(int listPosition) {
    if (listPosition < 0 || listPosition >= static_cast<int>(kAssignKeyCount)) return 0;
    return AssignKeyList[static_cast<size_t>(listPosition)];
}

uint8_t ListPositionOfKey(KeyCode code) {
    const KeyInfo *row = KeyRowOf(code);
    return row ? row->listPosition : kNotOffered;
}

}  // namespace t44::model
