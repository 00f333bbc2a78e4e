#pragma once
// Apply: the moment the working model reaches the keyboard.
//
// writeConfiguration freezes the working model into the apply snapshot, encodes its
// macros into one macro area image and the key assignments of the profiles to write into
// key matrices, and sends them as one batch:
//   beginBatch, writeMacroArea (the whole image), writeKeyMatrix per profile in ascending
//   order, endBatch
// A batch of an n-byte image and k profiles costs 2 + ceil(n / 56) + 7k exchanges.
//
// The macro image carries the macros' names when it fits the keyboard's macro area with
// them; otherwise it goes without names and the user is told "EXTRA_PROFILE_SPACE_TIGHT".
// When it does not fit even without names the user is told "EXTRA_MACRO_TOO_LONG" and
// nothing is sent.

#include <functional>

namespace t44::model {

// What the main window lends Apply, import and the reading of the keyboard: its
// `modified` flag (setModified also enables or disables the Apply button), its progress
// picture (shown while a batch is sent; the picture animates on its own, so both calls
// return at once), and the redraw of the key buttons after the working model changed.
class ApplyHost {
public:
    virtual ~ApplyHost() = default;
    virtual bool modified() const = 0;
    virtual void setModified(bool modified) = 0;
    virtual void showProgress() {}
    virtual void hideProgress() {}
    virtual void refreshKeys() {}
};

// A host with nothing to show: just the flag (the command-line tool, tests).
class PlainApplyHost : public ApplyHost {
public:
    explicit PlainApplyHost(bool modified = false) : modified_(modified) {}
    bool modified() const override { return modified_; }
    void setModified(bool modified) override { modified_ = modified; }

private:
    bool modified_;
};

// Writes the working model to the keyboard: the macro image and the key matrix of the
// active profile, or of profiles 0, 1 and 2 when `allProfiles`. True only when every
// command of the batch succeeded; false when the macros do not fit, the active profile
// cannot be read, there is no working model, or any command of the batch failed (the
// batch still runs to its end, so the keyboard is never left inside an open batch).
// Takes the model lock, then the apply lock.
bool writeConfiguration(bool allProfiles);

// The user-level Apply. With `modified` clear it only shows and hides the progress.
// Otherwise, under the model lock, it stores the working model with `saveWorking` (the
// profile store's SaveWorkingProfile) and writes the active profile with
// writeConfiguration; `modified` is cleared only when both succeeded. Returns whether
// the keyboard and the working file now hold the working model.
bool applyChanges(ApplyHost &host, const std::function<bool()> &saveWorking);

}  // namespace t44::model
