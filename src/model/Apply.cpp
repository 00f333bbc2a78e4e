#include "model/Apply.h"

#include <mutex>
#include <new>
#include <vector>

#include "device/Protocol.h"
#include "model/ConfigImage.h"
#include "shell/Language.h"
#include "shell/Prompt.h"

namespace t44::model {

namespace {

// Freezes the working model and encodes its macros for a macro area of `capacity` bytes:
// with names when they fit, else without; no image when even that does not fit. False
// (nothing to send) when there is no working model or no memory for the copies.
bool freezeAndEncode(ConfigImage &image, uint32_t capacity, MacroAreaSizes &sizes, bool &withNames,
                     std::vector<uint8_t> &area) {
    try {
        if (!image.takeSnapshot()) return false;
        sizes = image.snapshotMacroAreaSizes();
        withNames = sizes.full <= capacity;
        if (sizes.minimal > capacity) return true;
        area = image.encodeSnapshotMacroArea(withNames);
        return !area.empty();
    } catch (const std::bad_alloc &) {
        return false;
    }
}

}  // namespace

bool writeConfiguration(bool allProfiles) {
    using device::ResultCode::Success;
    ConfigImage &image = configImage();
    std::lock_guard model(image.modelLock());
    std::lock_guard apply(image.applyLock());

    const uint32_t capacity = image.macroCapacity();
    MacroAreaSizes sizes;
    bool withNames = true;
    std::vector<uint8_t> area;
    if (!freezeAndEncode(image, capacity, sizes, withNames, area)) return false;
    if (sizes.minimal > capacity) {
        shell::prompter().tell(shell::LangText("EXTRA_MACRO_TOO_LONG"));
        return false;
    }

    std::vector<int> profiles;
    if (allProfiles) {
        profiles = {0, 1, 2};
    } else {
        const int active = image.activeProfile();
        if (active < 0) return false;
        profiles = {active};
    }
    std::vector<KeyMatrixBlock> matrices(profiles.size());
    for (size_t i = 0; i < profiles.size(); ++i)
        if (!image.encodeSnapshotKeyMatrix(profiles[i], matrices[i])) return false;

    // Every command is sent whatever the one before it returned, so the keyboard always
    // sees the batch closed; the batch counts as written only when all of them succeeded.
    bool ok = device::beginBatch() == Success;
    ok = device::writeMacroArea(area.data(), area.size()) == Success && ok;
    for (size_t i = 0; i < profiles.size(); ++i)
        ok = device::writeKeyMatrix(matrices[i].data(), profiles[i]) == Success && ok;
    ok = device::endBatch() == Success && ok;

    if (!withNames) shell::prompter().tell(shell::LangText("EXTRA_PROFILE_SPACE_TIGHT"));
    return ok;
}

bool applyChanges(ApplyHost &host, const std::function<bool()> &saveWorking) {
    host.showProgress();
    bool done = true;
    if (host.modified()) {
        bool saved, written;
        {
            std::lock_guard model(configImage().modelLock());
            saved = saveWorking && saveWorking();
            written = writeConfiguration(false);
        }
        done = saved && written;
        if (done) host.setModified(false);
    }
    host.hideProgress();
    return done;
}

}  // namespace t44::model
