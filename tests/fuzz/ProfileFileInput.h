#pragma once
// Turns a fuzzer's input into a profile file on a memory file, so that short inputs still
// reach past the 32832-byte table and the header's checksum does not stop every case:
//   byte 0          bit 0: recompute the checksum; bit 1: recompute the total size from
//                   the counts; bit 2: cut the file to 16 x (bytes after the patches)
//   bytes 1-32      XORed onto a valid header (so all zeros is a valid empty profile)
//   byte 33         number of record patches (at most 15)
//   patches         2 bytes record number (mod 2048), 16 bytes the record
//   the rest        appended after the table: macros and text area
// Every run also installs a prompter that keeps nothing and points the per-user folders
// at a private temporary folder, so language lookups never touch the user's files.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/KeyAssignment.h"
#include "shell/Prompt.h"

namespace profile_fuzz {

class Silent : public t44::shell::Prompter {
public:
    void tell(const std::string &) override {}
    bool ask(const std::string &) override { return false; }
};

inline void setUp() {
    static bool done = false;
    if (done) return;
    done = true;
    static char dir[] = "/tmp/t44-fuzz-XXXXXX";
    if (::mkdtemp(dir)) {
        ::setenv("XDG_CONFIG_HOME", dir, 1);
        ::setenv("XDG_DATA_HOME", dir, 1);
    }
    static Silent silent;
    t44::shell::setPrompter(&silent);
}

inline std::vector<uint8_t> fileFrom(const uint8_t *data, size_t size) {
    t44::model::AssignmentTable table;
    t44::model::makeEmptyAssignmentTable(table);
    std::vector<uint8_t> file(table.bytes(), table.bytes() + t44::model::AssignmentTable::size());
    size_t at = 0;
    const uint8_t flags = at < size ? data[at++] : 0;
    for (size_t i = 0; i < 32 && at < size; ++i) file[i] ^= data[at++];
    size_t patches = at < size ? data[at++] % 16 : 0;
    for (; patches > 0 && at + 18 <= size; --patches, at += 18) {
        const size_t record = (data[at] | data[at + 1] << 8) % t44::model::kAssignmentRecords;
        std::memcpy(file.data() + 64 + record * 16, data + at + 2, 16);
    }
    const size_t rest = size - at;
    file.insert(file.end(), data + at, data + size);
    if (flags & 2) {
        const uint64_t total = t44::model::AssignmentTable::size() +
                               uint64_t{static_cast<uint16_t>(file[14] | file[15] << 8)} * 16512 +
                               (file[16] | file[17] << 8 | file[18] << 16 | uint32_t{file[19]} << 24);
        for (int i = 0; i < 4; ++i) file[8 + i] = static_cast<uint8_t>(total >> (8 * i));
    }
    if (flags & 1) file[31] = t44::model::profileHeaderChecksum(file.data());
    if (flags & 4) file.resize(std::min(file.size(), rest * 16));
    return file;
}

// A memory file holding `bytes`, named by its /proc path; closed when the object goes.
class MemoryFile {
public:
    explicit MemoryFile(const std::vector<uint8_t> &bytes) {
        fd_ = ::memfd_create("profile", MFD_CLOEXEC);
        if (fd_ < 0) std::abort();
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    const std::string &path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace profile_fuzz
