// Any bytes as a profile file to load: loading succeeds exactly when the file holds the
// macros and text area its header names, never reads past the file, keeps the texts'
// sizes and total consistent, and what it loads saves and loads again to the same bytes.

#include <cstdint>
#include <cstdlib>

#include "ProfileFileInput.h"
#include "storage/ProfileStore.h"

using namespace t44;

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    profile_fuzz::setUp();
    const std::vector<uint8_t> bytes = profile_fuzz::fileFrom(data, size);
    const profile_fuzz::MemoryFile file(bytes);

    model::ProfileImage image;
    const bool loaded = storage::LoadProfileFile(file.path(), image);
    bool fits = bytes.size() >= storage::kProfileTableSize;
    if (fits) {
        const uint64_t count = bytes[14] | bytes[15] << 8;
        const uint64_t text = bytes[16] | bytes[17] << 8 | bytes[18] << 16 | uint64_t{bytes[19]} << 24;
        fits = count <= model::kMaxMacros && storage::kProfileTableSize + count * 16512 + text <= bytes.size();
    }
    check(loaded == fits);
    if (!loaded) return 0;

    check(image.assignments && image.macros.size() <= model::kMaxMacros);
    uint64_t total = 0;
    for (size_t n = 0; n < model::kAssignmentRecords; ++n) {
        const auto &entry = image.texts[n];
        check(entry.size == 0 ? entry.text.empty() : entry.size == (entry.text.size() + 1) * 2);
        total += entry.size;
    }
    check(total == image.texts.totalSize());

    std::vector<uint8_t> saved = storage::encodeProfileFile(image);
    check(storage::checkProfileHeader(saved.data()));
    model::ProfileImage again;
    check(storage::decodeProfileFile(saved, again));
    check(storage::encodeProfileFile(again) == saved);
    return 0;
}
