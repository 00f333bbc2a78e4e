#include "Keyboard.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace t44::sim {

using device::ReportFrame;

namespace {
constexpr uint8_t kOk = 0x00, kRefused = 0xFF, kBadChecksum = 0xFE;

struct Entry {
    int position;
    uint8_t cls, sub, value;
};

// Keys sit in columns of eight positions (Esc, Grave, Tab, Caps, Left Shift, Left Ctrl
// in the first); the spare places of the columns hold the navigation block, the numeric
// pad and the G keys.
constexpr Entry kFactoryMatrix[] = {
    {0, 5, 0, 0}, {1, 5, 0, 0}, {2, 5, 0, 0}, {3, 5, 0, 0}, {4, 5, 0, 0}, {5, 5, 0, 0},
    {6, 2, 2, 0x59}, {7, 2, 2, 0x5A},                                    // Num 1, Num 2
    {8, 2, 2, 0x29}, {9, 2, 2, 0x35}, {10, 2, 2, 0x2B}, {11, 2, 2, 0x39}, {12, 2, 1, 0x02}, {13, 2, 1, 0x01},
    {14, 2, 2, 0x5B}, {15, 2, 2, 0x62},                                  // Num 3, Num 0
    {16, 2, 2, 0x3A}, {17, 2, 2, 0x1E}, {18, 2, 2, 0x14}, {19, 2, 2, 0x04}, {20, 2, 2, 0x1D}, {21, 2, 1, 0x08},
    {22, 2, 2, 0x63}, {23, 6, 0xA2, 1},                                  // Num decimal, G1
    {24, 2, 2, 0x3B}, {25, 2, 2, 0x1F}, {26, 2, 2, 0x1A}, {27, 2, 2, 0x16}, {28, 2, 2, 0x1B}, {29, 2, 1, 0x04},
    {30, 6, 0xA2, 2}, {31, 6, 0xA2, 3},
    {32, 2, 2, 0x3C}, {33, 2, 2, 0x20}, {34, 2, 2, 0x08}, {35, 2, 2, 0x07}, {36, 2, 2, 0x06}, {37, 2, 2, 0x2C},
    {38, 2, 2, 0x46}, {39, 6, 0xA2, 4},
    {40, 2, 2, 0x3D}, {41, 2, 2, 0x21}, {42, 2, 2, 0x15}, {43, 2, 2, 0x09}, {44, 2, 2, 0x19}, {45, 2, 1, 0x40},
    {46, 2, 2, 0x47}, {47, 6, 0xA2, 5},
    {48, 2, 2, 0x3E}, {49, 2, 2, 0x22}, {50, 2, 2, 0x17}, {51, 2, 2, 0x0A}, {52, 2, 2, 0x05}, {53, 5, 2, 2},  // Fn
    {54, 2, 2, 0x2E}, {55, 6, 0xA2, 6},
    {56, 2, 2, 0x3F}, {57, 2, 2, 0x23}, {58, 2, 2, 0x1C}, {59, 2, 2, 0x0B}, {60, 2, 2, 0x11}, {61, 2, 2, 0x65},
    {62, 2, 2, 0x48}, {63, 6, 0xA2, 7},
    {64, 2, 2, 0x40}, {65, 2, 2, 0x24}, {66, 2, 2, 0x18}, {67, 2, 2, 0x0D}, {68, 2, 2, 0x10}, {69, 2, 1, 0x10},
    {70, 2, 2, 0x49}, {71, 6, 0xA2, 8},
    {72, 2, 2, 0x41}, {73, 2, 2, 0x25}, {74, 2, 2, 0x0C}, {75, 2, 2, 0x0E}, {76, 2, 2, 0x36}, {77, 2, 1, 0x80},
    {78, 2, 2, 0x4A}, {79, 6, 0xA2, 9},
    {80, 2, 2, 0x42}, {81, 2, 2, 0x26}, {82, 2, 2, 0x12}, {83, 2, 2, 0x0F}, {84, 2, 2, 0x37}, {85, 2, 2, 0x50},
    {86, 2, 2, 0x4B},
    {88, 2, 2, 0x43}, {89, 2, 2, 0x27}, {90, 2, 2, 0x13}, {91, 2, 2, 0x33}, {92, 2, 2, 0x38}, {93, 2, 2, 0x51},
    {94, 2, 2, 0x4C},
    {96, 2, 2, 0x44}, {97, 2, 2, 0x2D}, {98, 2, 2, 0x2F}, {99, 2, 2, 0x34}, {100, 2, 1, 0x20}, {101, 2, 2, 0x4F},
    {102, 2, 2, 0x4D},
    {104, 2, 2, 0x45}, {105, 2, 2, 0x2A}, {106, 2, 2, 0x30}, {107, 2, 2, 0x28}, {108, 2, 2, 0x31}, {109, 2, 2, 0x52},
    {110, 2, 2, 0x4E},
    {112, 2, 2, 0x53}, {113, 2, 2, 0x54}, {114, 2, 2, 0x55}, {115, 2, 2, 0x56}, {116, 2, 2, 0x57}, {117, 2, 2, 0x58},
    {118, 2, 2, 0x64}, {119, 2, 2, 0x87},                                // K45, K56
    {120, 2, 2, 0x5F}, {121, 2, 2, 0x60}, {122, 2, 2, 0x61}, {123, 2, 2, 0x5C}, {124, 2, 2, 0x5D}, {125, 2, 2, 0x5E},
};

// Area by command: base memory and its size.
struct Area {
    uint8_t *data;
    size_t size;
};

bool inRange(size_t offset, size_t length, size_t size) {
    return length <= device::kFrameData && offset <= size && length <= size - offset;
}

}  // namespace

const std::array<uint8_t, device::kMatrixSize> &factoryDefaultMatrix() {
    static const auto m = [] {
        std::array<uint8_t, device::kMatrixSize> out{};
        for (const Entry &e : kFactoryMatrix) {
            out[e.position * 3] = e.cls;
            out[e.position * 3 + 1] = e.sub;
            out[e.position * 3 + 2] = e.value;
        }
        return out;
    }();
    return m;
}

std::array<uint8_t, device::kLightBlockSize> factoryLightBlock(int profile) {
    // The first profile runs effect 1 colourful at brightness 4, speed 2 (the program's
    // own default block); the second effect 5 in one blue colour, the third the
    // user-defined per-key colours. The blocks differ so that each profile's offsets show
    // in what is read back. Report rate index 0, colour choice red, trigger kind 0.
    std::array<uint8_t, device::kLightBlockSize> block{};
    switch (profile) {
    case 1:
        block = {5, 3, 2, 0, 0, 0, 160, 255};
        break;
    case 2:
        block = {20, 5, 2, 0, 1, 255, 255, 255};
        break;
    default:
        block = {1, 4, 2, 0, 1, 255, 255, 255};
        break;
    }
    block[25] = 255;  // second colour red, third colour blue, both single-coloured
    block[32] = 255;
    return block;
}

std::array<uint8_t, device::kKeyColourStride> factoryKeyColours(int) {
    // Every LED of the key table white; the area beyond the 126 positions stays dark.
    std::array<uint8_t, device::kKeyColourStride> colours{};
    std::fill(colours.begin(), colours.begin() + device::kMatrixSize, uint8_t{255});
    return colours;
}

Keyboard::Keyboard(const KeyboardOptions &o) {
    const char tag[8] = {'T', '4', '4', 'A', 'R', 'C', 0, 1};
    std::memcpy(info.data(), tag, 8);
    info[8] = static_cast<uint8_t>(o.firmware & 0xFF);
    info[9] = static_cast<uint8_t>(o.firmware >> 8);
    info[10] = static_cast<uint8_t>(o.profile);
    info[11] = static_cast<uint8_t>(o.macroUnits);
    for (size_t i = 0; i < o.modes.size() && i < 32; ++i) info[12 + i] = o.modes[i];
    defaultMatrix = factoryDefaultMatrix();
    for (int p = 0; p < 3; ++p) {
        std::copy(defaultMatrix.begin(), defaultMatrix.end(), matrices.begin() + p * device::kMatrixSize);
        auto block = factoryLightBlock(p);
        std::copy(block.begin(), block.end(), light.begin() + p * device::kLightBlockSize);
        auto keys = factoryKeyColours(p);
        std::copy(keys.begin(), keys.end(), colours.begin() + p * device::kKeyColourStride);
    }
    macro.assign(static_cast<size_t>(o.macroUnits) * 128, 0xFF);
}

std::optional<ReportFrame> Keyboard::receive(const uint8_t *request, size_t length) {
    ReportFrame req;
    std::memcpy(req.bytes.data(), request, std::min(length, device::kFrameSize));
    logFrame('>', req.bytes.data());
    if (drop_ > 0) {
        --drop_;
        return std::nullopt;
    }
    ReportFrame reply;
    std::memcpy(reply.bytes.data(), req.bytes.data(), 8);
    uint8_t status;
    if (refuse_ > 0) {
        --refuse_;
        status = refuseStatus_;
    } else {
        status = execute(req, reply);
    }
    reply.bytes[7] = status;
    reply.seal();
    logFrame('<', reply.bytes.data());
    return reply;
}

uint8_t Keyboard::execute(const ReportFrame &req, ReportFrame &reply) {
    if (req.bytes[0] != 4) return kRefused;
    if (req.storedChecksum() != device::frameChecksum(req.bytes.data())) return kBadChecksum;
    const size_t len = req.length(), off = req.offset();
    auto readArea = [&](const uint8_t *base, size_t size) {
        if (!inRange(off, len, size)) return kRefused;
        std::memcpy(reply.data(), base + off, len);
        return kOk;
    };
    auto writeArea = [&](uint8_t *base, size_t size) {
        if (!inRange(off, len, size)) return kRefused;
        std::memcpy(base + off, req.data(), len);
        return kOk;
    };
    switch (req.command()) {
    case device::CmdBeginBatch:
        ++batchDepth_;
        return kOk;
    case device::CmdEndBatch:
        batchDepth_ = std::max(0, batchDepth_ - 1);
        return kOk;
    case device::CmdReadDeviceInfo:
        std::memcpy(reply.data(), info.data(), info.size());
        return kOk;
    case device::CmdWriteDeviceInfo:
        // The host may change the active profile; version, capacity and the offered
        // effects are the keyboard's own.
        if (req.data()[10] > 2) return kRefused;
        std::memcpy(info.data(), req.data(), 8);
        info[10] = req.data()[10];
        return kOk;
    case device::CmdReadLightArea: {
        // A light read always answers 56 bytes from the offset, whatever was asked.
        if (off >= light.size()) return kRefused;
        std::memcpy(reply.data(), light.data() + off, std::min(device::kFrameData, light.size() - off));
        return kOk;
    }
    case device::CmdWriteLightArea:
        return writeArea(light.data(), kLightUsed);
    case device::CmdReadDefaultMatrix:
        return readArea(defaultMatrix.data(), defaultMatrix.size());
    case device::CmdWriteKeyMatrix:
        return writeArea(matrices.data(), matrices.size());
    case device::CmdReadMacroArea:
        return readArea(macro.data(), macro.size());
    case device::CmdWriteMacroArea:
        return writeArea(macro.data(), macro.size());
    case device::CmdReadKeyMatrix:
        return readArea(matrices.data(), matrices.size());
    case device::CmdWriteKeyColours:
        return writeArea(colours.data(), colours.size());
    default:
        return kRefused;
    }
}

bool Keyboard::poke(const std::string &area, size_t offset, const std::vector<uint8_t> &bytes) {
    Area a{nullptr, 0};
    if (area == "info") a = {info.data(), info.size()};
    else if (area == "default") a = {defaultMatrix.data(), defaultMatrix.size()};
    else if (area == "matrix") a = {matrices.data(), matrices.size()};
    else if (area == "light") a = {light.data(), light.size()};
    else if (area == "colours") a = {colours.data(), colours.size()};
    else if (area == "macro") a = {macro.data(), macro.size()};
    if (!a.data || offset > a.size || bytes.size() > a.size - offset) return false;
    std::copy(bytes.begin(), bytes.end(), a.data + offset);
    return true;
}

bool Keyboard::openFrameLog(const std::string &path) {
    closeFrameLog();
    log_ = std::fopen(path.c_str(), "a");
    return log_ != nullptr;
}

void Keyboard::closeFrameLog() {
    if (log_) std::fclose(log_);
    log_ = nullptr;
}

void Keyboard::logFrame(char dir, const uint8_t *frame) {
    if (!log_) return;
    char line[2 + 2 * device::kFrameSize + 2];
    line[0] = dir;
    line[1] = ' ';
    static const char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < device::kFrameSize; ++i) {
        line[2 + 2 * i] = hex[frame[i] >> 4];
        line[3 + 2 * i] = hex[frame[i] & 15];
    }
    line[2 + 2 * device::kFrameSize] = '\n';
    std::fwrite(line, 1, sizeof line - 1, log_);
    std::fflush(log_);
}

bool Keyboard::loadState(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t fixed = info.size() + defaultMatrix.size() + matrices.size() + kLightUsed + colours.size();
    if (data.size() < fixed) return false;
    const uint8_t *p = data.data();
    auto take = [&](uint8_t *dst, size_t n) {
        std::memcpy(dst, p, n);
        p += n;
    };
    take(info.data(), info.size());
    take(defaultMatrix.data(), defaultMatrix.size());
    take(matrices.data(), matrices.size());
    take(light.data(), kLightUsed);
    take(colours.data(), colours.size());
    macro.assign(p, static_cast<const uint8_t *>(data.data() + data.size()));
    macro.resize(static_cast<size_t>(info[11]) * 128, 0xFF);
    return true;
}

bool Keyboard::saveState(const std::string &path) const {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        auto put = [&](const uint8_t *d, size_t n) {
            out.write(reinterpret_cast<const char *>(d), static_cast<std::streamsize>(n));
        };
        put(info.data(), info.size());
        put(defaultMatrix.data(), defaultMatrix.size());
        put(matrices.data(), matrices.size());
        put(light.data(), kLightUsed);
        put(colours.data(), colours.size());
        put(macro.data(), macro.size());
        if (!out.flush()) return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace t44::sim
