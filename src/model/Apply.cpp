#include "model/Apply.h"

#include <mutex>
#include <vector>

#include "device/Protocol.h"
#include "model/ConfigImage.h"
#include "shell/Language.h"
#include "shell/Prompt.h"

namespace t44::model {

bool writeConfiguration(bool allProfiles) {
    using device::ResultCode::Success;
    ConfigImage &image = configImage();
    std::lock_guard model(image.modelLock());
    std::lock_guard apply(image.applyLock());

    if (!image.takeSnapshot()) return false;

    const MacroAreaSizes sizes = image.snapshotMacroAreaSizes();
    const uint32_t capacity = image.macroCapacity();
    if (sizes.minimal > capacity) {
        shell::prompter().tell(shell::LangText("EXTRA_MACRO_TOO_LONG"));
        return false;
    }
    const bool withNames = sizes.full <= capacity;
    const std::vector<uint8_t> area = image.encodeSnapshotMacroArea(withNames);
    if (area.empty()) return false;

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
