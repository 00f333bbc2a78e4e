#include "model/LightModel.h"

#include <algorithm>
#include <cstring>

#include "storage/IniFile.h"
#include "storage/Settings.h"
#include "storage/UserPaths.h"

namespace t44::model {
namespace {

using device::ResultCode::Success;


// The whole key colour table goes out as eight requests of 54 bytes (18 positions each).
// The eighth covers positions 126..143, which no key of the picture has: it carries
// zeros, so those LEDs are always sent dark.
constexpr int kColourRequests = 8;
constexpr int kColourRequestBytes = 54;
constexpr int kColourRequestKeys = kColourRequestBytes / 3;

// One lighting batch: beginBatch now, endBatch in finish() whatever came between.
class Batch {
public:
    Batch() { note(device::beginBatch()); }
    void note(int r) {
        if (result_ == Success && r != Success) result_ = r;
    }
    LightWrite finish() {
        note(device::endBatch());
        return {true, result_, true};
    }

private:
    int result_ = Success;
};

void merge(LightWrite &into, const LightWrite &w) {
    into.sent = into.sent || w.sent;
    if (into.result == Success) into.result = w.result;
    into.fileSaved = into.fileSaved && w.fileSaved;
}

int blockOffset(int profile, int field) { return profile * kLightBlockSize + field; }

}  // namespace

LightModel::LightModel(LightViewSink *view) : view_(view ? view : &noView_) {}

int LightModel::lightProfile() {
    const int p = device::lightProfile.load();
    if (p >= 0 && p <= 2) return p;
    device::lightProfile = 0;
    return 0;
}

void LightModel::setLightProfile(int profile) { device::lightProfile = profile >= 0 && profile <= 2 ? profile : 0; }

const KeyColourTable &LightModel::keyColours(int profile) const {
    return tables_[static_cast<size_t>(profile >= 0 && profile <= 2 ? profile : 0)];
}

std::string LightModel::lightSwitchFile() { return storage::settingsIniFile(); }

// ---- Reading ----

int LightModel::loadLightSettings() { return load(false); }
int LightModel::loadLightSettingsForProfile() { return load(true); }

int LightModel::load(bool forProfile) {
    supportedModes_.fill(0);
    device::DeviceInfo info;
    deviceInfoResult_ = device::readDeviceInfo(info);
    if (deviceInfoResult_ != Success) return -1;
    std::copy_n(info.supportedModes(), kSupportedModeSlots, supportedModes_.begin());

    const int profile = lightProfile();
    Batch batch;
    if (forProfile && offers(kUserDefinedEffect)) {
        UserColourFile file(UserColourFile::pathFor(profile));
        readUserModeNames(file);
        pushUserMode(file);  // a batch of its own inside this one
    }
    // Only a block that was read replaces what is known; the reads' results do not stop
    // the batch.
    std::array<LightBlock, 3> staging{};
    std::array<int, 3> results{};
    for (int p = 0; p < 3; ++p) {
        uint8_t reply[device::kFrameData];
        results[static_cast<size_t>(p)] = device::readLightArea(reply, device::kFrameData, p * kLightBlockSize);
        if (results[static_cast<size_t>(p)] == Success)
            std::copy_n(reply, kLightBlockSize, staging[static_cast<size_t>(p)].begin());
    }
    batch.finish();
    lightReadResult_ = results[static_cast<size_t>(profile)];
    if (lightReadResult_ == Success) decodeLightBlock(staging[static_cast<size_t>(profile)].data(), settings_);

    const bool storedOn = storage::ReadDengCheck();
    if (forProfile) lightView_ = storedOn;
    else if (storedOn) lightView_ = true;
    return 0;
}

void LightModel::readUserModeNames(const UserColourFile &file) {
    for (int i = 0; i < kUserModes; ++i) userModeNames_[static_cast<size_t>(i)] = file.modeName(i);
}

void LightModel::readPresentUserMode(const UserColourFile &file) {
    presentUserMode_ = file.presentMode();
    paintTool_ = file.tool(presentUserMode_);
    baseColour_ = file.baseColour(presentUserMode_);
    paintColour_ = file.paintColour(presentUserMode_);
    // The G keys' shared position is read with the others: painting a G key stores its
    // colour in the file, and it would be lost at the next push if it were not read back.
    KeyColourTable &table = tables_[static_cast<size_t>(lightProfile())];
    for (int position : litKeyPositions()) {
        const UserKeyColour v = file.key(presentUserMode_, position);
        table.setColour(position, v.colour);
        table.followsBase[static_cast<size_t>(position)] = v.followsBase;
    }
}

void LightModel::loadUserModes() {
    UserColourFile file(UserColourFile::pathFor(lightProfile()));
    readUserModeNames(file);
    readPresentUserMode(file);
}

void LightModel::recomputeFollowsBase() {
    if (!offers(kUserDefinedEffect)) return;
    for (KeyColourTable &table : tables_)
        for (int position : litKeyPositions())
            table.followsBase[static_cast<size_t>(position)] = table.colourAt(position) == baseColour_;
}

// ---- Light block changes ----

LightWrite LightModel::writeLightField(int offset, const uint8_t *data, int length) {
    Batch batch;
    batch.note(device::writeLightArea(data, length, blockOffset(lightProfile(), offset)));
    return batch.finish();
}

LightWrite LightModel::selectEffect(int effect) {
    const EffectGroup *group = effectGroup(effect);
    if (!group) return {};
    const int profile = lightProfile();
    Batch batch;
    const auto number = static_cast<uint8_t>(effect);
    batch.note(device::writeLightArea(&number, 1, blockOffset(profile, LightByte::Effect)));
    if (group->rewritesColourful) {
        const uint8_t flag = settings_.colourful ? 1 : 0;
        batch.note(device::writeLightArea(&flag, 1, blockOffset(profile, LightByte::Colourful)));
    }
    LightWrite w = batch.finish();
    settings_.effect = effect;
    if (group->userModes) view_->keyColoursChanged();
    return w;
}

LightWrite LightModel::setBrightness(int brightness) {
    if (brightness < 0 || brightness > kMaxLevel || brightness == settings_.brightness) return {};
    settings_.brightness = brightness;
    const auto b = static_cast<uint8_t>(brightness);
    return writeLightField(LightByte::Brightness, &b, 1);
}

LightWrite LightModel::setSpeed(int speed) {
    if (speed < 0 || speed > kMaxLevel || speed == settings_.speed) return {};
    settings_.speed = speed;
    const auto s = static_cast<uint8_t>(speed);
    return writeLightField(LightByte::Speed, &s, 1);
}

LightWrite LightModel::setDirection(int direction) {
    if (direction != kDirectionFirst && direction != kDirectionSecond) return {};
    settings_.direction = direction;
    const auto d = static_cast<uint8_t>(direction);
    return writeLightField(LightByte::Direction, &d, 1);
}

LightWrite LightModel::setColourful(bool on) {
    settings_.colourful = on;
    const uint8_t flag = on ? 1 : 0;
    return writeLightField(LightByte::Colourful, &flag, 1);
}

LightWrite LightModel::setSingleColour(Colour colour) {
    colour &= 0xFFFFFF;
    const int profile = lightProfile();
    Batch batch;
    const uint8_t off = 0;
    batch.note(device::writeLightArea(&off, 1, blockOffset(profile, LightByte::Colourful)));
    const uint8_t rgb[3] = {colourRed(colour), colourGreen(colour), colourBlue(colour)};
    batch.note(device::writeLightArea(rgb, 3, blockOffset(profile, LightByte::SingleColour)));
    settings_.colour = colour;
    settings_.colourful = false;
    return batch.finish();
}

LightWrite LightModel::setColourChoice(int choice) {
    if (choice < 0 || choice >= kColourChoices) return {};
    settings_.colourChoice = choice;
    const auto c = static_cast<uint8_t>(choice);
    return writeLightField(LightByte::ColourChoice, &c, 1);
}

LightWrite LightModel::setReportRate(int index) {
    if (index < 0 || index >= kReportRates) return {};
    settings_.reportRate = index;
    const auto r = static_cast<uint8_t>(index);
    return writeLightField(LightByte::ReportRate, &r, 1);
}

// ---- User modes ----

LightWrite LightModel::sendKeyColours() {
    std::array<uint8_t, kColourRequests * kColourRequestBytes> bytes{};  // zeros beyond position 125
    const KeyColourTable &table = tables_[static_cast<size_t>(lightProfile())];
    std::copy(table.rgb.begin(), table.rgb.end(), bytes.begin());
    Batch batch;
    for (int q = 0; q < kColourRequests; ++q)
        batch.note(device::writeKeyColours(bytes.data() + q * kColourRequestBytes, kColourRequestBytes,
                                           q * kColourRequestKeys));
    return batch.finish();
}

LightWrite LightModel::pushUserMode(const UserColourFile &file) {
    readPresentUserMode(file);
    return sendKeyColours();
}

LightWrite LightModel::pushUserMode() { return pushUserMode(UserColourFile(UserColourFile::pathFor(lightProfile()))); }

LightWrite LightModel::selectUserMode(int mode) {
    if (mode < 0 || mode >= kUserModes) return {};
    UserColourFile file(UserColourFile::pathFor(lightProfile()));
    file.setPresentMode(mode);
    const bool saved = file.save();
    LightWrite w = pushUserMode(file);
    w.fileSaved = saved;
    view_->userModesChanged();
    view_->keyColoursChanged();
    return w;
}

bool LightModel::renameUserMode(const std::string &name) {
    UserColourFile file(UserColourFile::pathFor(lightProfile()));
    file.setModeName(presentUserMode_, name);
    userModeNames_[static_cast<size_t>(presentUserMode_)] = file.modeName(presentUserMode_);
    return file.save();
}

bool LightModel::saveToolAndColours() {
    UserColourFile file(UserColourFile::pathFor(lightProfile()));
    file.setToolAndColours(presentUserMode_, paintTool_, baseColour_, paintColour_);
    return file.save();
}

bool LightModel::setPaintTool(int tool) {
    if (tool != 0 && tool != 1) return false;
    paintTool_ = tool;
    return saveToolAndColours();
}

bool LightModel::setPaintColour(Colour colour) {
    paintColour_ = colour & 0xFFFFFF;
    return saveToolAndColours();
}

LightWrite LightModel::setBaseColour(Colour colour) {
    colour &= 0xFFFFFF;
    if (colour == baseColour_) return {};
    baseColour_ = colour;
    UserColourFile file(UserColourFile::pathFor(lightProfile()));
    file.setToolAndColours(presentUserMode_, paintTool_, baseColour_, paintColour_);
    KeyColourTable &table = tables_[static_cast<size_t>(lightProfile())];
    for (int position : litKeyPositions()) {
        if (!table.followsBase[static_cast<size_t>(position)]) continue;
        table.setColour(position, colour);
        file.setKey(presentUserMode_, position, {colour, true});
    }
    const bool saved = file.save();
    view_->keyColoursChanged();
    LightWrite w = sendKeyColours();
    w.fileSaved = saved;
    return w;
}

std::optional<KeyPaint> LightModel::paintKey(int position) {
    if (settings_.effect != kUserDefinedEffect || position < 0 || position >= kKeyPositions) return std::nullopt;
    KeyPaint paint;
    paint.position = position;
    if (paintTool_ == 1) {
        paint.colour = baseColour_;
        paint.followsBase = true;
    } else if (paintTool_ == 0) {
        paint.colour = paintColour_;
        paint.followsBase = false;
    } else {
        return std::nullopt;  // no tool chosen yet
    }
    Batch batch;
    const uint8_t rgb[3] = {colourRed(paint.colour), colourGreen(paint.colour), colourBlue(paint.colour)};
    batch.note(device::writeKeyColours(rgb, 3, position));
    paint.write = batch.finish();

    KeyColourTable &table = tables_[static_cast<size_t>(lightProfile())];
    table.setColour(position, paint.colour);
    table.followsBase[static_cast<size_t>(position)] = paint.followsBase;
    UserColourFile file(UserColourFile::pathFor(lightProfile()));
    file.setKey(presentUserMode_, position, {paint.colour, paint.followsBase});
    paint.write.fileSaved = file.save();
    return paint;
}

// ---- Defaults and the lighting switch ----

int LightModel::defaultEffect() const {
    const ModeTable table = modeTable();
    if (table.positionOf(1) >= 0) return 1;
    for (int i = 0; i < table.size(); ++i)
        if (effectGroup(table.effectAt(i))) return table.effectAt(i);
    return 1;  // nothing offered that we know: the factory effect
}

LightWrite LightModel::restoreDefaultLight() {
    const int profile = lightProfile();
    const int effect = defaultEffect();
    LightWrite total = selectEffect(effect);

    settings_.effect = effect;
    settings_.brightness = 4;
    settings_.speed = 2;
    settings_.direction = 0;
    settings_.colour = kWhite;
    settings_.colourful = true;
    // The default block clears the rest of the fields the program reads too.
    settings_.reportRate = 0;
    settings_.colourChoice = 0;
    settings_.extraFlag = 0;
    settings_.triggerKind = 0;
    settings_.secondColour = settings_.thirdColour = 0;
    settings_.secondColourful = settings_.thirdColourful = false;

    if (offers(kUserDefinedEffect)) {
        const bool copied = UserColourFile::restoreTemplate(profile);
        UserColourFile file(UserColourFile::pathFor(profile));
        readUserModeNames(file);
        LightWrite push = pushUserMode(file);
        push.fileSaved = copied;
        merge(total, push);
    }
    view_->userModesChanged();
    view_->settingsChanged();

    LightBlock block = defaultLightBlock();
    block[LightByte::Effect] = static_cast<uint8_t>(effect);
    merge(total, writeLightField(0, block.data(), kDefaultBlockLength));
    return total;
}

bool LightModel::setLightView(bool on) {
    if (on && !view_->reselectKeyboardProfile()) return false;
    // A failed write is lost: the switch still changes for this run.
    storage::WriteDengCheck(on);
    lightView_ = on;
    view_->lightViewChanged(on);
    return true;
}

}  // namespace t44::model
