#pragma once
// The lighting model: the offered effects, the decoded settings of the profile the window
// shows (lightProfile), the per-key colours of the user-defined effect with its ten user
// modes, and every lighting change. Changes go to the keyboard at once, each as its own
// batch: beginBatch, the writes of the change, endBatch. endBatch follows whatever the
// writes answered; the in-memory values keep what the user chose either way.
//
// Runs on the user-interface thread. The lighting panel and the key picture are views
// over it (LightViewSink).

#include <array>
#include <optional>
#include <string>

#include "device/Protocol.h"
#include "model/LightData.h"
#include "model/LightUserFile.h"

namespace t44::model {

// What the lighting panel and the key picture implement. Every call has a do-nothing
// default so the model also runs without a window (the command-line tool, tests).
class LightViewSink {
public:
    virtual ~LightViewSink() = default;
    // The key colours of lightProfile changed: tint the key picture again.
    virtual void keyColoursChanged() {}
    // The user-mode names, the present user mode, its tool or its colours changed.
    virtual void userModesChanged() {}
    // The decoded settings changed without a reload (restoring the defaults).
    virtual void settingsChanged() {}
    // The lighting switch changed: on shows the lighting controls; off hides them and
    // returns the key picture to showing key functions.
    virtual void lightViewChanged(bool /*on*/) {}
    // Turning the switch on first re-selects the keyboard's current profile, which may ask
    // about unapplied changes or refuse; false keeps the switch off.
    virtual bool reselectKeyboardProfile() { return true; }
};

// What one change did on the keyboard and on disk.
struct LightWrite {
    bool sent = false;                         // a batch went to the keyboard
    int result = device::ResultCode::Success;  // the first command of the batch that failed
    bool fileSaved = true;                     // the light or settings file was written
    bool ok() const { return result == device::ResultCode::Success && fileSaved; }
};

// A painted key: what the view tints, and how the keyboard took it.
struct KeyPaint {
    int position = 0;
    Colour colour = 0;
    bool followsBase = false;
    LightWrite write;
};

class LightModel {
public:
    explicit LightModel(LightViewSink *view = nullptr);
    LightModel(const LightModel &) = delete;
    LightModel &operator=(const LightModel &) = delete;
    void setView(LightViewSink *view) { view_ = view ? view : &noView_; }

    // The profile whose lighting is shown and edited (device::lightProfile, which the
    // key colour writes address too). A value outside 0..2 counts as 0.
    static int lightProfile();
    static void setLightProfile(int profile);

    // Reading the keyboard. Both return 0, or -1 when the device information cannot be
    // read (the effect list is then empty). They clear and refill supportedModes, read the
    // three light blocks in one batch and decode the block of lightProfile; a light block
    // that cannot be read leaves the decoded settings as they were.
    // loadLightSettings turns the lighting switch on when it is stored on, never off.
    int loadLightSettings();
    // After a profile change: as loadLightSettings, and when effect 20 is offered, first
    // rereads the user-mode names and pushes the present user mode (inside the batch);
    // the lighting switch becomes exactly what is stored.
    int loadLightSettingsForProfile();
    // Sets each lit key's followsBase flag, in all three tables, to whether its colour is
    // the current base colour. Only when effect 20 is offered.
    void recomputeFollowsBase();
    // Reads the user-mode names and the present user mode of lightProfile from its light
    // file into memory, sending nothing.
    void loadUserModes();

    const std::array<uint8_t, kSupportedModeSlots> &supportedModes() const { return supportedModes_; }
    ModeTable modeTable() const { return ModeTable(supportedModes_.data()); }
    bool offers(int effect) const { return modeTable().positionOf(effect) >= 0; }
    const LightSettings &settings() const { return settings_; }
    const KeyColourTable &keyColours(int profile) const;
    const std::array<std::string, kUserModes> &userModeNames() const { return userModeNames_; }
    int presentUserMode() const { return presentUserMode_; }
    int paintTool() const { return paintTool_; }
    Colour baseColour() const { return baseColour_; }
    Colour paintColour() const { return paintColour_; }
    bool lightView() const { return lightView_; }
    // Result of the last device information read, and of the last read of lightProfile's
    // light block.
    int deviceInfoResult() const { return deviceInfoResult_; }
    int lightReadResult() const { return lightReadResult_; }

    // One batch writing `length` bytes at `offset` within lightProfile's light block.
    LightWrite writeLightField(int offset, const uint8_t *data, int length);

    // The changes of the lighting panel. Arguments outside their range send nothing.
    // An effect without a parameter group (19, above 20) sends nothing and leaves the
    // current effect as the keyboard has it.
    LightWrite selectEffect(int effect);
    LightWrite setBrightness(int brightness);  // 0..5; nothing when unchanged
    LightWrite setSpeed(int speed);            // 0..5; nothing when unchanged
    LightWrite setDirection(int direction);    // kDirectionFirst or kDirectionSecond
    LightWrite setColourful(bool on);
    LightWrite toggleColourful() { return setColourful(!settings_.colourful); }
    LightWrite setSingleColour(Colour colour);  // colourful off and the colour: two writes
    LightWrite setColourChoice(int choice);     // 0..3
    LightWrite setReportRate(int index);        // 0..3

    // User modes of the user-defined effect.
    LightWrite pushUserMode();
    LightWrite selectUserMode(int mode);  // 0..9
    bool renameUserMode(const std::string &name);
    bool setPaintTool(int tool);  // 0 pen (paint colour), 1 base colour
    bool setPaintColour(Colour colour);
    LightWrite setBaseColour(Colour colour);  // nothing when unchanged
    // Paints the key at a position (0..125) with the current tool's colour, while effect
    // 20 is the current effect and the tool is 0 or 1; otherwise does nothing.
    std::optional<KeyPaint> paintKey(int position);

    // The default light block of lightProfile, with the light file reset to the template
    // when effect 20 is offered. A keyboard that does not offer effect 1 gets the first
    // offered effect that has settings instead.
    LightWrite restoreDefaultLight();
    // The effect restoreDefaultLight selects.
    int defaultEffect() const;

    // The lighting switch, stored as KEYCOLOR/DengCheck in wskb.ini. Turning it on first
    // asks the view to re-select the keyboard's profile; false when that refused (the
    // switch then stays off and nothing is stored).
    bool setLightView(bool on);
    static std::string lightSwitchFile();

private:
    void readUserModeNames(const UserColourFile &file);
    void readPresentUserMode(const UserColourFile &file);
    LightWrite pushUserMode(const UserColourFile &file);
    LightWrite sendKeyColours();
    bool saveToolAndColours();
    int load(bool forProfile);

    LightViewSink noView_;
    LightViewSink *view_;
    std::array<uint8_t, kSupportedModeSlots> supportedModes_{};
    LightSettings settings_;
    std::array<KeyColourTable, 3> tables_{};
    std::array<std::string, kUserModes> userModeNames_{};
    int presentUserMode_ = 0;
    int paintTool_ = 0;
    Colour baseColour_ = 0;
    Colour paintColour_ = 0;
    bool lightView_ = false;
    int deviceInfoResult_ = device::ResultCode::NoKeyboard;
    int lightReadResult_ = device::ResultCode::NoKeyboard;
};

}  // namespace t44::model
