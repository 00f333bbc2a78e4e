#include "storage/ProfileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <new>

#include "device/Protocol.h"
#include "model/LightUserFile.h"
#include "shell/Language.h"
#include "shell/Prompt.h"
#include "storage/AtomicFile.h"
#include "storage/UserPaths.h"

namespace t44::storage {

using model::AssignmentTable;
using model::AssignmentType;
using model::ProfileImage;

namespace {

constexpr size_t kMacroSize = model::kMacroRecordSizeInFile;
// No profile file this system writes comes near this: 100 macros are 1.6 MiB and the
// texts are paths and short texts. A larger file is not read.
constexpr size_t kLargestProfileFile = 64u << 20;

uint16_t get16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t *p) { return static_cast<uint32_t>(get16(p) | (get16(p + 2) << 16)); }

bool carriesText(const model::KeyAssignment &r) {
    return r.kind() == AssignmentType::LaunchProgram || r.kind() == AssignmentType::TextBlock;
}

// What the header says the file holds after the table; computed wide so no field can
// wrap it round to a small number.
uint64_t sizeNamedByHeader(const uint8_t *header) {
    return kProfileTableSize + uint64_t{get16(header + 14)} * kMacroSize + get32(header + 16);
}

bool writeProfile(const std::string &path, ProfileImage &image) {
    const std::vector<uint8_t> bytes = encodeProfileFile(image);
    return !bytes.empty() && writeFileAtomically(path, bytes);
}

bool fileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::vector<uint8_t> encodeProfileFile(ProfileImage &image) {
    if (!image.assignments) return {};
    AssignmentTable &table = *image.assignments;
    const uint32_t textSize = image.texts.totalSize();
    model::writeProfileHeader(table, image.macroCount(), textSize);

    std::vector<uint8_t> out(kProfileTableSize + image.macros.size() * kMacroSize + textSize, 0);
    uint8_t *text = out.data() + kProfileTableSize + image.macros.size() * kMacroSize;
    uint32_t offset = 0;
    for (size_t n = 0; n < model::kAssignmentRecords; ++n) {
        model::KeyAssignment &record = table.records[n];
        if (!carriesText(record) || !image.texts.hasText(n)) continue;
        const model::TextEntry &entry = image.texts[n];
        if (uint64_t{offset} + entry.size > textSize) continue;
        for (size_t c = 0; c < entry.text.size(); ++c) {
            text[offset + 2 * c] = static_cast<uint8_t>(entry.text[c]);
            text[offset + 2 * c + 1] = static_cast<uint8_t>(entry.text[c] >> 8);
        }
        record.code = offset;  // the terminator is already zero
        offset += entry.size;
    }

    std::memcpy(out.data(), table.bytes(), kProfileTableSize);
    for (size_t i = 0; i < image.macros.size(); ++i)
        std::memcpy(out.data() + kProfileTableSize + i * kMacroSize, &image.macros[i], kMacroSize);
    return out;
}

bool decodeProfileFile(std::span<const uint8_t> bytes, ProfileImage &out) {
    // The counts of the header are trusted only as far as the bytes really go.
    if (bytes.size() < kProfileTableSize) return false;
    const uint8_t *header = bytes.data();
    const size_t macroCount = get16(header + 14);
    const uint32_t textSize = get32(header + 16);
    if (macroCount > model::kMaxMacros || sizeNamedByHeader(header) > bytes.size()) return false;

    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    std::memcpy(image.assignments->bytes(), bytes.data(), kProfileTableSize);
    image.macros.resize(macroCount);
    for (size_t i = 0; i < macroCount; ++i)
        std::memcpy(&image.macros[i], bytes.data() + kProfileTableSize + i * kMacroSize, kMacroSize);

    const uint8_t *area = bytes.data() + kProfileTableSize + macroCount * kMacroSize;
    for (size_t n = 0; n < model::kAssignmentRecords; ++n) {
        const model::KeyAssignment &record = image.assignments->records[n];
        if (!carriesText(record)) continue;
        // Offsets are even; a text runs to its terminator or to the end of the area.
        size_t at = record.code & ~uint32_t{1};
        if (at >= textSize) continue;
        std::u16string text;
        for (; at + 2 <= textSize; at += 2) {
            const char16_t c = get16(area + at);
            if (c == 0) break;
            text += c;
        }
        image.texts.set(n, std::move(text));
    }
    out = std::move(image);
    return true;
}

bool checkProfileHeader(const uint8_t *h) {
    return get16(h) == model::kProfileMagic && get16(h + 2) == 32 && get16(h + 4) == 3 && get16(h + 6) == 1 &&
           get32(h + 8) > kProfileTableSize - 1 && get16(h + 12) == model::kAssignmentRecords &&
           get16(h + 14) <= model::kMaxMacros && h[30] < 2 && get32(h + 8) == sizeNamedByHeader(h) &&
           h[31] == model::profileHeaderChecksum(h);
}

bool EnsureProfileFolder() {
    const std::string folder = profileFolder();
    std::error_code ec;
    if (std::filesystem::exists(folder, ec)) return std::filesystem::is_directory(folder, ec);
    if (!ensureFolder(folder)) return false;
    for (int profile = 0; profile < static_cast<int>(model::kProfileCount); ++profile)
        model::UserColourFile::restoreTemplate(profile);
    return true;
}

std::string WorkingProfilePath() {
    EnsureProfileFolder();
    return profileFolder() + "/" + kWorkingProfileName;
}

bool CreateEmptyProfile(const std::string &path) {
    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    model::makeEmptyAssignmentTable(*image.assignments);
    return writeProfile(path, image);
}

void CreateEmptyProfileInMemory() { model::configImage().resetWorkingToEmptyProfile(); }

bool SaveProfileFile(const std::string &path) {
    auto working = model::configImage().model();
    try {
        return writeProfile(path, *working);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

bool SaveWorkingProfile() {
    std::lock_guard lock(model::configImage().modelLock());
    const std::string path = WorkingProfilePath();
    return fileExists(path) && SaveProfileFile(path);
}

bool LoadProfileFile(const std::string &path, ProfileImage &out) {
    try {
        const auto bytes = readWholeFile(path, kLargestProfileFile);
        if (!bytes) return false;
        return decodeProfileFile(std::span(reinterpret_cast<const uint8_t *>(bytes->data()), bytes->size()), out);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

bool LoadProfileFile(const std::string &path) {
    ProfileImage image;
    if (!LoadProfileFile(path, image)) return false;
    model::configImage().replaceWorking(std::move(image));
    return true;
}

int ValidateProfileFile(const std::string &path) {
    if (!fileExists(path)) return ProfileCheck::Invalid;
    // Opened for reading and writing, as an import file must be.
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return ProfileCheck::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kProfileTableSize) ||
        static_cast<uint64_t>(st.st_size) > std::numeric_limits<uint32_t>::max()) {
        ::close(fd);
        return ProfileCheck::Invalid;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc &) {
        ::close(fd);
        return ProfileCheck::NoMemory;
    }
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got < kProfileTableSize) return ProfileCheck::Invalid;  // shrank while being read

    if (!checkProfileHeader(bytes.data())) {
        shell::prompter().tell(shell::LangFormatString("PROFILE_FORMAT_ERROR", path));
        return ProfileCheck::Invalid;
    }
    return ProfileCheck::Valid;
}

int DumpKeyboardToProfile(const std::string &path, int *readResult) {
    ProfileImage image;
    const int r = model::readKeyboardProfiles(image);
    if (readResult) *readResult = r;
    return r == device::ResultCode::Success && writeProfile(path, image) ? 1 : 0;
}

bool LoadFromKeyboard(model::ApplyHost &host, bool keepModified) {
    model::ConfigImage &config = model::configImage();
    EnsureProfileFolder();
    // The keyboard is read before the model lock is taken. What was read becomes the
    // working model even when the working file cannot be written: an all-Default model
    // in its place would be written over the keyboard's keys by the next Apply.
    ProfileImage image;
    const bool read = config.activeProfile() >= 0 && model::readKeyboardProfiles(image) == device::ResultCode::Success;
    if (read) writeProfile(WorkingProfilePath(), image);
    {
        std::lock_guard lock(config.modelLock());
        if (read) config.replaceWorking(std::move(image));
        else CreateEmptyProfileInMemory();
        host.refreshKeys();
    }
    if (!keepModified) host.setModified(false);
    return read;
}

bool ImportProfile(const std::string &path, model::ApplyHost &host) {
    // The file is read whole into an image of its own first; the working model is
    // replaced only by a file that loaded completely.
    ProfileImage image;
    if (ValidateProfileFile(path) != ProfileCheck::Valid || !LoadProfileFile(path, image)) {
        shell::prompter().tell(shell::LangText("MAIN_PROMPT_INPORT"));
        return false;
    }
    model::ConfigImage &config = model::configImage();
    bool saved, written;
    {
        std::lock_guard lock(config.modelLock());
        config.replaceWorking(std::move(image));
        saved = SaveWorkingProfile();
        written = model::writeConfiguration(true);
        host.refreshKeys();
    }
    host.setModified(!(saved && written));
    return saved && written;
}

bool ExportProfile(const std::string &path) { return SaveProfileFile(path); }

bool ApplyWorkingModel(model::ApplyHost &host) {
    return model::applyChanges(host, [] { return SaveWorkingProfile(); });
}

}  // namespace t44::storage
