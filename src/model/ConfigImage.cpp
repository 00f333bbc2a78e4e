#include "model/ConfigImage.h"

#include <cstring>

#include "device/DeviceFacts.h"
#include "device/Protocol.h"

namespace t44::model {

void TextTable::set(size_t n, std::u16string text) {
    TextEntry &e = entries_[n];
    total_ -= e.size;
    e.size = static_cast<uint32_t>((text.size() + 1) * 2);
    e.text = std::move(text);
    total_ += e.size;
}

void TextTable::clear(size_t n) {
    TextEntry &e = entries_[n];
    total_ -= e.size;
    e = TextEntry{};
}

void TextTable::clearAll() {
    for (TextEntry &e : entries_) e = TextEntry{};
    total_ = 0;
}

ProfileImage ProfileImage::copy() const {
    ProfileImage out;
    if (assignments) out.assignments = std::make_unique<AssignmentTable>(*assignments);
    out.macros = macros;
    out.texts = texts;
    return out;
}

void freeAssignmentTable(ProfileImage &image) { image.assignments.reset(); }

void freeMacroList(ProfileImage &image) { MacroList().swap(image.macros); }

void freeTextTable(ProfileImage &image) { image.texts.clearAll(); }

ConfigImage::ConfigImage() : defaultMatrix_(kInitialDefaultMatrix) {}

KeyMatrixBlock ConfigImage::defaultMatrix() const {
    std::lock_guard lock(factsLock_);
    return defaultMatrix_;
}

void ConfigImage::setDefaultMatrix(const KeyMatrixBlock &matrix) {
    std::lock_guard lock(factsLock_);
    defaultMatrix_ = matrix;
}

int ConfigImage::activeProfile() {
    const int32_t cached = activeProfileCache_;
    if (cached != -1) return cached;
    device::DeviceInfo info;
    if (device::readDeviceInfo(info) != device::ResultCode::Success) return -1;
    activeProfileCache_ = info.activeProfile();
    return info.activeProfile();
}

int ConfigImage::setActiveProfile(int profile) {
    if (profile < 0 || profile >= static_cast<int>(kProfileCount)) return device::ResultCode::BadProfile;
    device::DeviceInfo info;
    int r = device::readDeviceInfo(info);
    if (r != device::ResultCode::Success) return r;
    info.bytes[10] = static_cast<uint8_t>(profile);
    r = device::writeDeviceInfo(info);
    activeProfileCache_ = r == device::ResultCode::Success ? profile : -1;
    return r;
}

uint16_t ConfigImage::macroPositionOfId(uint32_t id) {
    std::lock_guard lock(modelLock_);
    return macroPositionIn(working_.macros, id);
}

uint16_t ConfigImage::macroIdAt(int position) {
    std::lock_guard lock(modelLock_);
    if (position < 0 || static_cast<size_t>(position) >= working_.macros.size()) return 0;
    return working_.macros[static_cast<size_t>(position)].id;
}

void ConfigImage::replaceWorking(ProfileImage &&image) {
    std::lock_guard lock(modelLock_);
    model::freeTextTable(working_);
    model::freeMacroList(working_);
    model::freeAssignmentTable(working_);
    working_ = std::move(image);
}

void ConfigImage::resetWorkingToEmptyProfile() {
    ProfileImage empty;
    empty.assignments = std::make_unique<AssignmentTable>();
    makeEmptyAssignmentTable(*empty.assignments);
    replaceWorking(std::move(empty));
}

bool ConfigImage::takeSnapshot() {
    std::lock_guard model(modelLock_);
    std::lock_guard apply(applyLock_);
    model::freeMacroList(snapshot_);
    model::freeAssignmentTable(snapshot_);
    model::freeTextTable(snapshot_);
    if (!working_.assignments) return false;
    snapshot_ = working_.copy();
    writeProfileHeader(*snapshot_.assignments, snapshot_.macroCount(), working_.texts.totalSize());
    return true;
}

MacroAreaSizes ConfigImage::snapshotMacroAreaSizes() {
    std::lock_guard lock(applyLock_);
    return macroAreaSizes(snapshot_.macros);
}

std::vector<uint8_t> ConfigImage::encodeSnapshotMacroArea(bool withNames) {
    std::lock_guard lock(applyLock_);
    return encodeMacroArea(snapshot_.macros, withNames);
}

bool ConfigImage::encodeSnapshotKeyMatrix(int profile, KeyMatrixBlock &out) {
    std::lock_guard lock(applyLock_);
    if (!snapshot_.assignments || profile < 0 || profile >= static_cast<int>(kProfileCount)) return false;
    out = EncodeKeyMatrix(snapshot_.assignments->block(profile), defaultMatrix(), snapshot_.macros);
    return true;
}

void ConfigImage::freeMacroList(Layer layer) {
    if (layer == Layer::Working) {
        std::lock_guard lock(modelLock_);
        model::freeMacroList(working_);
    } else {
        std::lock_guard lock(applyLock_);
        model::freeMacroList(snapshot_);
    }
}

void ConfigImage::freeTextTable(Layer layer) {
    if (layer == Layer::Working) {
        std::lock_guard lock(modelLock_);
        model::freeTextTable(working_);
    } else {
        std::lock_guard lock(applyLock_);
        model::freeTextTable(snapshot_);
    }
}

void ConfigImage::freeAssignmentTable(Layer layer) {
    if (layer == Layer::Working) {
        std::lock_guard lock(modelLock_);
        model::freeAssignmentTable(working_);
    } else {
        std::lock_guard lock(applyLock_);
        model::freeAssignmentTable(snapshot_);
    }
}

void ConfigImage::reset() {
    {
        std::lock_guard model(modelLock_);
        std::lock_guard apply(applyLock_);
        working_ = ProfileImage{};
        snapshot_ = ProfileImage{};
    }
    setDefaultMatrix(kInitialDefaultMatrix);
    macroCapacity_ = 0;
    activeProfileCache_ = -1;
}

ConfigImage &configImage() {
    static ConfigImage image;
    return image;
}

namespace {

class ImageFactsSink : public device::DeviceFactsSink {
public:
    void defaultMatrixRead(const uint8_t *matrix378) override {
        // Copied whole before it is swapped in under the facts lock.
        KeyMatrixBlock m;
        std::memcpy(m.data(), matrix378, m.size());
        configImage().setDefaultMatrix(m);
    }
    void macroCapacityRead(uint32_t bytes) override { configImage().setMacroCapacity(bytes); }
    void activeProfileUnknown() override { configImage().setActiveProfileCache(-1); }
};

uint16_t get16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

void installDeviceFactsSink() {
    static ImageFactsSink sink;
    device::setDeviceFactsSink(&sink);
}

int readKeyboardProfiles(ProfileImage &out) {
    using device::ResultCode::Success;
    const int active = configImage().activeProfile();
    if (active < 0 || active > 3) return device::ResultCode::NoKeyboard;

    std::array<KeyMatrixBlock, kProfileCount> matrices;
    for (size_t p = 0; p < kProfileCount; ++p) {
        const int r = device::readKeyMatrix(matrices[p].data(), static_cast<int>(p));
        if (r != Success) return r;
    }
    // The area's first 16 bytes say whether it holds macros and how long it is; a
    // keyboard whose area was never written has no magic there.
    std::vector<uint8_t> area(kMacroAreaHeaderSize);
    int r = device::readMacroArea(area.data(), area.size());
    if (r != Success) return r;
    if (get16(area.data()) == kMacroAreaMagic && get16(area.data() + 2) > kMacroAreaHeaderSize) {
        area.resize(get16(area.data() + 2));
        r = device::readMacroArea(area.data(), area.size());
        if (r != Success) return r;
    }

    ProfileImage image;
    image.assignments = std::make_unique<AssignmentTable>();
    AssignmentTable &table = *image.assignments;
    std::memcpy(table.header.data() + 32, kProfileDeviceBlock.data(), kProfileDeviceBlock.size());
    const KeyMatrixBlock defaults = configImage().defaultMatrix();
    for (size_t p = 0; p < kProfileCount; ++p) DecodeKeyMatrix(matrices[p], defaults, table.block(static_cast<int>(p)));
    image.macros = decodeMacroArea(area);
    writeProfileHeader(table, image.macroCount(), 0);
    out = std::move(image);
    return Success;
}

bool loadWorkingModelFromKeyboard() {
    ProfileImage image;
    const bool read = readKeyboardProfiles(image) == device::ResultCode::Success;
    if (read) configImage().replaceWorking(std::move(image));
    else configImage().resetWorkingToEmptyProfile();
    return read;
}

}  // namespace t44::model
