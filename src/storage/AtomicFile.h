#pragma once
// Whole-file writes that never leave a half-written file: the bytes go to a temporary
// file beside the target, are flushed to disk, and the temporary is renamed over it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace t44::storage {

bool writeFileAtomically(const std::string &path, std::string_view bytes);
bool writeFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes);

// The whole file, or nullopt when it cannot be read or is larger than `limit`.
std::optional<std::string> readWholeFile(const std::string &path, size_t limit = 64u << 20);

}  // namespace t44::storage
