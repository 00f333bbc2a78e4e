#include "model/KeyAssignment.h"

#include <cstring>

namespace t44::model {
namespace {

void put16(uint8_t *p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t *p, uint32_t v) {
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace

const std::array<uint8_t, 32> kProfileDeviceBlock = {
    0x4B, 0x48, 0x20, 0x00, 0x20, 0x80, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,
    0x45, 0x0C, 0x04, 0x50, 0x4F, 0x1C, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

uint16_t GKeyLabel(size_t record) {
    if (record >= kGKeyRecord && record < kGKeyRecord + 9) return static_cast<uint16_t>(769 + (record - kGKeyRecord));
    if (record >= kGKeyRecord + 9 && record < kGKeyRecord + kGKeyRecordCount)
        return static_cast<uint16_t>(4865 + (record - kGKeyRecord - 9));
    return 0;
}

void ResetAssignmentBlock(AssignmentBlock block) {
    for (KeyAssignment &r : block) r = KeyAssignment{};
    for (size_t i = kGKeyRecord; i < kGKeyRecord + kGKeyRecordCount; ++i) block[i].aux = GKeyLabel(i);
}

uint8_t profileHeaderChecksum(const uint8_t *header32) {
    unsigned sum = 0;
    for (int i = 0; i < 31; ++i) sum += header32[i];
    return static_cast<uint8_t>(sum);
}

void writeProfileHeader(AssignmentTable &table, uint16_t macroCount, uint32_t textAreaSize) {
    uint8_t *h = table.header.data();
    std::memset(h, 0, 32);
    put16(h + 0, kProfileMagic);
    put16(h + 2, 32);
    put16(h + 4, 3);
    put16(h + 6, 1);
    put32(h + 8, static_cast<uint32_t>(AssignmentTable::size() + macroCount * kMacroRecordSizeInFile + textAreaSize));
    put16(h + 12, static_cast<uint16_t>(kAssignmentRecords));
    put16(h + 14, macroCount);
    put32(h + 16, textAreaSize);
    h[30] = 0;  // flag: every writer here writes 0
    h[31] = profileHeaderChecksum(h);
}

void makeEmptyAssignmentTable(AssignmentTable &table) {
    table.records.fill(KeyAssignment{});
    std::memcpy(table.header.data() + 32, kProfileDeviceBlock.data(), kProfileDeviceBlock.size());
    writeProfileHeader(table, 0, 0);
    AssignmentBlock first = table.block(0);
    for (size_t i = kGKeyRecord; i < kGKeyRecord + kGKeyRecordCount; ++i) first[i].aux = GKeyLabel(i);
}

}  // namespace t44::model
