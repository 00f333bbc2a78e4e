#pragma once
// Where the presence monitor delivers what it reads from a keyboard that arrives, and
// what it resets when the keyboard goes. The configuration model implements it; with
// no sink installed the facts are read and dropped.

#include <cstdint>

namespace t44::device {

class DeviceFactsSink {
public:
    virtual ~DeviceFactsSink() = default;
    // A successful readDefaultMatrix on arrival: the keyboard's 378-byte factory matrix.
    virtual void defaultMatrixRead(const uint8_t *matrix378) = 0;
    // A successful readDeviceInfo on arrival: the macro area size in bytes (byte 11 x 128).
    virtual void macroCapacityRead(uint32_t bytes) = 0;
    // The keyboard was removed: the cached active profile must be read again.
    virtual void activeProfileUnknown() = 0;
};

void setDeviceFactsSink(DeviceFactsSink *sink);
DeviceFactsSink *deviceFactsSink();

}  // namespace t44::device
