#pragma once
// The keyboard's command protocol: 64-byte frames on the command interface.
//
// Frame layout (requests and replies alike, multi-byte fields little-endian):
//   byte 0      report id, always 4
//   bytes 1-2   16-bit sum of bytes 3..63
//   byte 3      command
//   byte 4      length of the data carried or asked for
//   bytes 5-6   offset inside the area the command addresses
//   byte 7      status: 0 in requests; in replies 0xFF and 0xFE are refusals
//   bytes 8-63  data
//
// Every command returns a result code (ResultCode). Commands that fill an out buffer
// leave it untouched unless the result is Success.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "device/DeviceLink.h"

namespace t44::device {

inline constexpr size_t kFrameSize = 64;
inline constexpr size_t kFrameData = 56;
inline constexpr size_t kMatrixSize = 378;       // one key matrix: 126 entries of 3 bytes
inline constexpr size_t kDeviceInfoSize = 44;
inline constexpr int kLightBlockSize = 42;       // light area bytes per profile
inline constexpr int kKeyColourStride = 512;     // key colour area bytes per profile

namespace ResultCode {
inline constexpr int Success = 1;
inline constexpr int NoKeyboard = 0;  // not connected, or no reply after four tries
inline constexpr int WriteFailed = -1;
inline constexpr int RefusedFF = -102;
inline constexpr int RefusedFE = -103;
inline constexpr int BadProfile = -201;
}  // namespace ResultCode

enum Command : uint8_t {
    CmdBeginBatch = 1,
    CmdEndBatch = 2,
    CmdReadDeviceInfo = 3,
    CmdWriteDeviceInfo = 4,
    CmdReadLightArea = 5,
    CmdWriteLightArea = 6,
    CmdReadDefaultMatrix = 7,
    CmdWriteKeyMatrix = 8,
    CmdReadMacroArea = 9,
    CmdWriteMacroArea = 10,
    CmdReadKeyMatrix = 15,
    CmdWriteKeyColours = 17,
};

struct ReportFrame {
    std::array<uint8_t, kFrameSize> bytes{};

    static ReportFrame request(uint8_t command, uint8_t length = 0, uint16_t offset = 0,
                               const uint8_t *data = nullptr, size_t dataLen = 0);
    uint8_t command() const { return bytes[3]; }
    uint8_t length() const { return bytes[4]; }
    uint16_t offset() const { return static_cast<uint16_t>(bytes[5] | (bytes[6] << 8)); }
    uint8_t status() const { return bytes[7]; }
    const uint8_t *data() const { return bytes.data() + 8; }
    uint8_t *data() { return bytes.data() + 8; }
    uint16_t storedChecksum() const { return static_cast<uint16_t>(bytes[1] | (bytes[2] << 8)); }
    void seal();  // computes and stores the checksum
};

uint16_t frameChecksum(const uint8_t *frame64);

// The keyboard's 44-byte information block.
struct DeviceInfo {
    std::array<uint8_t, kDeviceInfoSize> bytes{};
    uint16_t firmwareVersion() const { return static_cast<uint16_t>(bytes[8] | (bytes[9] << 8)); }
    uint8_t activeProfile() const { return bytes[10]; }
    uint8_t macroUnits() const { return bytes[11]; }
    const uint8_t *supportedModes() const { return bytes.data() + 12; }  // 32 bytes
};

// The link every command uses, and the state the presence monitor keeps for it.
DeviceLink &commandLink();
extern std::atomic<bool> connected;
std::recursive_mutex &transactionLock();
// The profile whose lighting the window shows; writeKeyColours addresses it.
extern std::atomic<int> lightProfile;

// Time-outs of one try of an exchange; tests shorten them.
struct ExchangeTimeouts {
    int writeMs = 1000;
    int readMs = 300;
    int tries = 4;
};
void setExchangeTimeouts(const ExchangeTimeouts &t);
ExchangeTimeouts exchangeTimeouts();

// One request/reply exchange on commandLink. The request is padded with zeros (or cut)
// to 64 bytes. A reply shorter than replyLength counts as lost.
int transact(const uint8_t *request, size_t requestLength, uint8_t *reply, size_t replyLength,
             size_t *transferred);

int beginBatch();
int endBatch();
int readDeviceInfo(DeviceInfo &out);
int writeDeviceInfo(const DeviceInfo &info);
int readLightArea(uint8_t *out56, int length, int offset);
int writeLightArea(const uint8_t *data, int length, int offset);
int readDefaultMatrix(uint8_t *out378);
int writeKeyMatrix(const uint8_t *matrix378, int profile);
int readMacroArea(uint8_t *out, size_t count);
int writeMacroArea(const uint8_t *data, size_t count);
int readKeyMatrix(uint8_t *out378, int profile);
int writeKeyColours(const uint8_t *data, int length, int key);

}  // namespace t44::device
