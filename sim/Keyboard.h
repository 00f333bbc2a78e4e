#pragma once
// The virtual keyboard's firmware: its memory areas and its side of every command,
// independent of how frames reach it (Unix sockets here, uhid in a virtual machine).

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Protocol.h"

namespace t44::sim {

inline constexpr size_t kLightAreaSize = 168;  // answers 56-byte reads at 0, 42 and 84
inline constexpr size_t kLightUsed = 3 * device::kLightBlockSize;
inline constexpr size_t kColourAreaSize = 3 * device::kKeyColourStride;
inline constexpr size_t kMatricesSize = 3 * device::kMatrixSize;

struct KeyboardOptions {
    uint16_t firmware = 0x0201;
    int profile = 0;
    int macroUnits = 255;                      // device information byte 11
    std::vector<uint8_t> modes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20};
};

// The factory key matrix: every key of the keyboard picture, the G keys and Fn.
const std::array<uint8_t, device::kMatrixSize> &factoryDefaultMatrix();
// The factory lighting of one profile (a 42-byte light block) and its key colours.
std::array<uint8_t, device::kLightBlockSize> factoryLightBlock(int profile);
std::array<uint8_t, device::kKeyColourStride> factoryKeyColours(int profile);

class Keyboard {
public:
    explicit Keyboard(const KeyboardOptions &options = {});

    // Memory, as the commands address it.
    std::array<uint8_t, device::kDeviceInfoSize> info{};
    std::array<uint8_t, device::kMatrixSize> defaultMatrix{};
    std::array<uint8_t, kMatricesSize> matrices{};
    std::array<uint8_t, kLightAreaSize> light{};
    std::array<uint8_t, kColourAreaSize> colours{};
    std::vector<uint8_t> macro;

    size_t macroCapacity() const { return macro.size(); }

    // The keyboard's reply to one request, or none when the request goes unanswered
    // (an injected drop). Refused requests change nothing.
    std::optional<device::ReportFrame> receive(const uint8_t *request, size_t length);

    // Faults for the next requests.
    void dropNext(int n) { drop_ = n; }
    void refuseNext(uint8_t status, int n) { refuseStatus_ = status; refuse_ = n; }

    // Every frame in and out, "> " / "< " and 128 hex digits a line, flushed per line.
    bool openFrameLog(const std::string &path);
    void closeFrameLog();

    // State file: info, default matrix, three key matrices, three light blocks, three key
    // colour areas, macro area.
    bool loadState(const std::string &path);
    bool saveState(const std::string &path) const;

    // Writes bytes into an area by name (info, default, matrix, light, colours, macro),
    // as the keyboard itself would change them; false when out of range.
    bool poke(const std::string &area, size_t offset, const std::vector<uint8_t> &bytes);

    // Called after each executed write (for tests and the batch counter).
    int batchesOpen() const { return batchDepth_; }

private:
    uint8_t execute(const device::ReportFrame &req, device::ReportFrame &reply);
    void logFrame(char dir, const uint8_t *frame);

    int drop_ = 0;
    int refuse_ = 0;
    uint8_t refuseStatus_ = 0xFF;
    int batchDepth_ = 0;
    std::FILE *log_ = nullptr;
};

}  // namespace t44::sim
