#pragma once
// What each key does on each profile: the KeyAssignment record and the AssignmentTable
// that holds them.
//
// The AssignmentTable is 32832 bytes, the same bytes in memory and in profile files:
//   0      32     profile header (magic 0x4446, sizes, counts, checksum in byte 31)
//   32     32     device block, carried as loaded
//   64     32768  4 profile blocks x 512 KeyAssignment records x 16 bytes
// Blocks 0-2 are profiles 1-3; block 3 is carried along cleared. Record k of a block
// belongs to the key with table index k (KeyTableIndexOf): keys below 256, the G keys
// from 256 (records 256-273).
//
// The structs below are that byte layout on a little-endian host; profile files write
// them as they stand.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace t44::model {

static_assert(std::endian::native == std::endian::little,
              "the stored layouts are little-endian and written as they stand in memory");

enum class AssignmentType : uint16_t {
    Default = 0,        // the key's own function
    Disabled = 1,       // nothing
    Key = 2,            // another key, a modifier, a mouse button or the wheel (code = KeyCode)
    LaunchProgram = 3,  // a program path in the TextTable; the keyboard keeps the key's own entry
    Macro = 4,          // plays the macro whose id is code
    StopMacro = 5,      // stops the playing macro
    TextBlock = 6,      // a text in the TextTable; the keyboard sends nothing for the key
    Multimedia = 7,     // a consumer key (code = ConsumerKeyTable index)
    Function = 8,       // one of the keyboard's 11 own functions (code 0-10)
};

// One key's function on one profile: 16 bytes, little-endian.
struct KeyAssignment {
    uint16_t type = 0;      // an AssignmentType; any value may come from a file
    uint16_t aux = 0;       // GKeyLabel on G-key records; a macro's play count from the editor
    uint32_t code = 0;      // meaning by type (see AssignmentType)
    uint32_t selected = 0;  // kept as loaded; nothing sets or reads it
    uint32_t reserved = 0;

    AssignmentType kind() const { return static_cast<AssignmentType>(type); }
    // Stores a new function and keeps the selected and reserved words, as an editor does.
    void assign(AssignmentType t, uint32_t newCode, uint16_t newAux = 0) {
        type = static_cast<uint16_t>(t);
        code = newCode;
        aux = newAux;
    }
    friend bool operator==(const KeyAssignment &, const KeyAssignment &) = default;
};
static_assert(sizeof(KeyAssignment) == 16);
static_assert(offsetof(KeyAssignment, code) == 4 && offsetof(KeyAssignment, selected) == 8);

inline constexpr size_t kRecordsPerBlock = 512;
inline constexpr size_t kProfileBlocks = 4;
inline constexpr size_t kAssignmentRecords = kRecordsPerBlock * kProfileBlocks;  // 2048
inline constexpr size_t kProfileHeaderSize = 64;
inline constexpr size_t kProfileCount = 3;
inline constexpr size_t kGKeyRecord = 256;     // record of G1 in a block
inline constexpr size_t kGKeyRecordCount = 18; // two banks of G1-G9

using AssignmentBlock = std::span<KeyAssignment, kRecordsPerBlock>;
using ConstAssignmentBlock = std::span<const KeyAssignment, kRecordsPerBlock>;

// Record number of table index k on profile p: p x 512 + k. The TextTable entry of the
// same number belongs to the record.
constexpr size_t recordNumber(int profile, size_t index) {
    return static_cast<size_t>(profile) * kRecordsPerBlock + index;
}
// Byte offset of that record inside the AssignmentTable.
constexpr size_t recordOffset(int profile, size_t index) {
    return kProfileHeaderSize + recordNumber(profile, index) * sizeof(KeyAssignment);
}

struct AssignmentTable {
    std::array<uint8_t, kProfileHeaderSize> header{};
    std::array<KeyAssignment, kAssignmentRecords> records{};

    AssignmentBlock block(int profile) {
        return AssignmentBlock(records.data() + static_cast<size_t>(profile) * kRecordsPerBlock, kRecordsPerBlock);
    }
    ConstAssignmentBlock block(int profile) const {
        return ConstAssignmentBlock(records.data() + static_cast<size_t>(profile) * kRecordsPerBlock,
                                    kRecordsPerBlock);
    }
    KeyAssignment &record(int profile, size_t index) { return records[recordNumber(profile, index)]; }
    const KeyAssignment &record(int profile, size_t index) const { return records[recordNumber(profile, index)]; }

    // The table as the 32832 bytes stored in files.
    const uint8_t *bytes() const { return reinterpret_cast<const uint8_t *>(this); }
    uint8_t *bytes() { return reinterpret_cast<uint8_t *>(this); }
    static constexpr size_t size() { return kProfileHeaderSize + kAssignmentRecords * sizeof(KeyAssignment); }
};
static_assert(sizeof(AssignmentTable) == 32832);
static_assert(offsetof(AssignmentTable, records) == kProfileHeaderSize);

// The fixed label of G-key record r (256-273): 769-777 for G1-G9, 4865-4873 for the
// second bank; 0 for any other record.
uint16_t GKeyLabel(size_t record);

// Every word of the 512 records 0, then the G-key records get their label in aux.
void ResetAssignmentBlock(AssignmentBlock block);

// Profile header (the first 32 bytes; byte 31 is the low byte of the sum of bytes 0-30).
inline constexpr uint16_t kProfileMagic = 0x4446;
inline constexpr size_t kMacroRecordSizeInFile = 16512;
// The device block a profile created here carries in bytes 32-63.
extern const std::array<uint8_t, 32> kProfileDeviceBlock;
// Fills bytes 0-30 of the header (magic, header size 32, constants 3 and 1, total size
// 32832 + macros x 16512 + text size, 2048 records, macro count, text size, flag 0) and
// the checksum; the device block is left as it is.
void writeProfileHeader(AssignmentTable &table, uint16_t macroCount, uint32_t textAreaSize);
uint8_t profileHeaderChecksum(const uint8_t *header32);
// A fresh profile image: header with no macros and no text, the device block, every
// record Default, the G-key labels on block 0.
void makeEmptyAssignmentTable(AssignmentTable &table);

}  // namespace t44::model
