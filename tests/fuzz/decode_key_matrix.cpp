// Key matrices and default matrices as the keyboard might return them, whatever they
// hold: decoding fills only the profile block it is given, with assignments of known
// types, and encoding the result leaves every position that names no key as it was.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/KeyMatrix.h"

using namespace t44::model;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < kKeyMatrixSize) return 0;
    KeyMatrixBlock matrix, defaults = kInitialDefaultMatrix;
    std::memcpy(matrix.data(), data, kKeyMatrixSize);
    if (size >= 2 * kKeyMatrixSize) std::memcpy(defaults.data(), data + kKeyMatrixSize, kKeyMatrixSize);

    // The neighbouring blocks carry a pattern that decoding block 1 must not touch.
    static AssignmentTable table;
    std::memset(table.bytes(), 0xA5, AssignmentTable::size());
    DecodeKeyMatrix(matrix, defaults, table.block(1));
    for (size_t i = 0; i < kRecordsPerBlock; ++i) {
        for (int other : {0, 2}) {
            const KeyAssignment &r = table.block(other)[i];
            check(r.type == 0xA5A5 && r.code == 0xA5A5A5A5u);
        }
        const KeyAssignment &r = table.block(1)[i];
        check(r.type <= static_cast<uint16_t>(AssignmentType::Function));
        check(r.aux == GKeyLabel(i) && r.selected == 0 && r.reserved == 0);
        switch (r.kind()) {
        case AssignmentType::Macro: check(r.code >= 1 && r.code <= 256); break;
        case AssignmentType::Multimedia: check(r.code < kConsumerKeyCount); break;
        case AssignmentType::Function: check(r.code <= 0xFF); break;
        case AssignmentType::Key: check(r.code <= 0xFFFF); break;
        default: check(r.code == 0); break;
        }
    }

    const KeyMatrixBlock out = EncodeKeyMatrix(table.block(1), defaults, {});
    for (size_t p = 0; p < kMatrixPositions; ++p)
        if (KeyCodeOfEntry(entryAt(defaults, p)) == 0) check(entryAt(out, p) == entryAt(defaults, p));
    return 0;
}
