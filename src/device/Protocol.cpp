#include "device/Protocol.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace t44::device {

std::atomic<bool> connected{false};
std::atomic<int> lightProfile{0};

namespace {
std::mutex gTimeoutsMutex;
ExchangeTimeouts gTimeouts;

int statusResult(const ReportFrame &reply) {
    if (reply.status() == 0xFF) return ResultCode::RefusedFF;
    if (reply.status() == 0xFE) return ResultCode::RefusedFE;
    return ResultCode::Success;
}

// One exchange of a built request; the reply's status decides the result.
int exchange(const ReportFrame &request, ReportFrame &reply) {
    int r = transact(request.bytes.data(), kFrameSize, reply.bytes.data(), kFrameSize, nullptr);
    return r == ResultCode::Success ? statusResult(reply) : r;
}

int simple(uint8_t command) {
    ReportFrame reply;
    return exchange(ReportFrame::request(command), reply);
}

// Moves `count` bytes of an area in 56-byte pieces, in ascending order. Offsets are
// 16 bits on the wire; only the low 16 bits of an address are sent.
int chunked(uint8_t command, uint32_t base, uint8_t *readInto, const uint8_t *writeFrom,
            size_t count) {
    for (size_t pos = 0; pos < count; pos += kFrameData) {
        const size_t piece = std::min(kFrameData, count - pos);
        const auto offset = static_cast<uint16_t>(base + pos);
        ReportFrame reply;
        ReportFrame req = ReportFrame::request(command, static_cast<uint8_t>(piece), offset,
                                               writeFrom ? writeFrom + pos : nullptr,
                                               writeFrom ? piece : 0);
        int r = exchange(req, reply);
        if (r != ResultCode::Success) return r;
        if (readInto) std::memcpy(readInto + pos, reply.data(), piece);
    }
    return ResultCode::Success;
}

}  // namespace

uint16_t frameChecksum(const uint8_t *frame) {
    uint16_t sum = 0;
    for (size_t i = 3; i < kFrameSize; ++i) sum = static_cast<uint16_t>(sum + frame[i]);
    return sum;
}

void ReportFrame::seal() {
    uint16_t sum = frameChecksum(bytes.data());
    bytes[1] = static_cast<uint8_t>(sum & 0xFF);
    bytes[2] = static_cast<uint8_t>(sum >> 8);
}

ReportFrame ReportFrame::request(uint8_t command, uint8_t length, uint16_t offset,
                                 const uint8_t *data, size_t dataLen) {
    ReportFrame f;
    f.bytes[0] = 4;
    f.bytes[3] = command;
    f.bytes[4] = length;
    f.bytes[5] = static_cast<uint8_t>(offset & 0xFF);
    f.bytes[6] = static_cast<uint8_t>(offset >> 8);
    if (data && dataLen) std::memcpy(f.data(), data, std::min(dataLen, kFrameData));
    f.seal();
    return f;
}

DeviceLink &commandLink() {
    static DeviceLink link;
    return link;
}

std::recursive_mutex &transactionLock() {
    static std::recursive_mutex lock;
    return lock;
}

void setExchangeTimeouts(const ExchangeTimeouts &t) {
    std::lock_guard lock(gTimeoutsMutex);
    gTimeouts = t;
}

ExchangeTimeouts exchangeTimeouts() {
    std::lock_guard lock(gTimeoutsMutex);
    return gTimeouts;
}

int transact(const uint8_t *request, size_t requestLength, uint8_t *reply, size_t replyLength,
             size_t *transferred) {
    if (transferred) *transferred = 0;
    if (!connected.load()) return ResultCode::NoKeyboard;

    uint8_t frame[kFrameSize] = {};
    std::memcpy(frame, request, std::min(requestLength, kFrameSize));
    const ExchangeTimeouts t = exchangeTimeouts();
    DeviceLink &link = commandLink();

    // The reply is read into a private buffer and copied out only when it is whole, so
    // a short or lost reply never reaches the caller's buffer.
    uint8_t small[kFrameSize];
    std::vector<uint8_t> large(replyLength > kFrameSize ? replyLength : 0);
    uint8_t *in = replyLength > kFrameSize ? large.data() : small;
    for (int attempt = 0; attempt < t.tries; ++attempt) {
        // A reply names nothing that ties it to its request, so the lock covers the
        // whole try: no other thread's frame may fall between our write and read.
        std::lock_guard lock(transactionLock());
        if (!link.write(frame, kFrameSize, nullptr, t.writeMs)) return ResultCode::WriteFailed;
        size_t got = 0;
        if (link.read(in, replyLength, &got, t.readMs) && got >= replyLength) {
            std::memcpy(reply, in, replyLength);
            if (transferred) *transferred = got;
            return ResultCode::Success;
        }
    }
    return ResultCode::NoKeyboard;
}

int beginBatch() { return simple(CmdBeginBatch); }

int endBatch() {
    // The keyboard needs a moment after the last frame of a batch.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return simple(CmdEndBatch);
}

int readDeviceInfo(DeviceInfo &out) {
    ReportFrame reply;
    int r = exchange(ReportFrame::request(CmdReadDeviceInfo, kDeviceInfoSize), reply);
    if (r == ResultCode::Success) std::memcpy(out.bytes.data(), reply.data(), kDeviceInfoSize);
    return r;
}

int writeDeviceInfo(const DeviceInfo &info) {
    ReportFrame reply;
    return exchange(ReportFrame::request(CmdWriteDeviceInfo, kDeviceInfoSize, 0, info.bytes.data(),
                                         kDeviceInfoSize),
                    reply);
}

int readLightArea(uint8_t *out56, int length, int offset) {
    ReportFrame reply;
    int r = exchange(ReportFrame::request(CmdReadLightArea, static_cast<uint8_t>(length),
                                          static_cast<uint16_t>(offset)),
                     reply);
    if (r == ResultCode::Success) std::memcpy(out56, reply.data(), kFrameData);
    return r;
}

int writeLightArea(const uint8_t *data, int length, int offset) {
    ReportFrame reply;
    size_t n = length > 0 ? std::min<size_t>(static_cast<size_t>(length), kFrameData) : 0;
    return exchange(ReportFrame::request(CmdWriteLightArea, static_cast<uint8_t>(length),
                                         static_cast<uint16_t>(offset), data, n),
                    reply);
}

int readDefaultMatrix(uint8_t *out378) {
    return chunked(CmdReadDefaultMatrix, 0, out378, nullptr, kMatrixSize);
}

int writeKeyMatrix(const uint8_t *matrix378, int profile) {
    if (profile < 0 || profile > 2) return ResultCode::BadProfile;  // nothing is sent
    return chunked(CmdWriteKeyMatrix, static_cast<uint32_t>(profile * kMatrixSize), nullptr,
                   matrix378, kMatrixSize);
}

int readMacroArea(uint8_t *out, size_t count) {
    if (count == 0) return ResultCode::Success;
    return chunked(CmdReadMacroArea, 0, out, nullptr, count);
}

int writeMacroArea(const uint8_t *data, size_t count) {
    if (count == 0) return ResultCode::Success;
    return chunked(CmdWriteMacroArea, 0, nullptr, data, count);
}

int readKeyMatrix(uint8_t *out378, int profile) {
    if (profile < 0 || profile > 2) return ResultCode::BadProfile;  // nothing is sent
    return chunked(CmdReadKeyMatrix, static_cast<uint32_t>(profile * kMatrixSize), out378, nullptr,
                   kMatrixSize);
}

int writeKeyColours(const uint8_t *data, int length, int key) {
    ReportFrame reply;
    const int offset = lightProfile.load() * kKeyColourStride + key * 3;
    size_t n = length > 0 ? std::min<size_t>(static_cast<size_t>(length), kFrameData) : 0;
    return exchange(ReportFrame::request(CmdWriteKeyColours, static_cast<uint8_t>(length),
                                         static_cast<uint16_t>(offset), data, n),
                    reply);
}

}  // namespace t44::device
