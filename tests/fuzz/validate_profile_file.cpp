// Any bytes as a profile file to import: validation answers valid or invalid without
// crashing or reading past the file, a valid answer means the header holds together, and a
// valid file either loads whole or is shorter than its header says.

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

    const int result = storage::ValidateProfileFile(file.path());
    check(result == storage::ProfileCheck::Valid || result == storage::ProfileCheck::Invalid);
    if (result != storage::ProfileCheck::Valid) {
        check(bytes.size() < storage::kProfileTableSize || !storage::checkProfileHeader(bytes.data()));
        return 0;
    }
    check(storage::checkProfileHeader(bytes.data()));
    const uint32_t total = bytes[8] | bytes[9] << 8 | bytes[10] << 16 | uint32_t{bytes[11]} << 24;
    model::ProfileImage image;
    check(storage::LoadProfileFile(file.path(), image) == (bytes.size() >= total));
    return 0;
}
