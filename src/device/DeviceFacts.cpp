#include "device/DeviceFacts.h"

#include <atomic>

namespace t44::device {
namespace {
std::atomic<DeviceFactsSink *> gSink{nullptr};
}

void setDeviceFactsSink(DeviceFactsSink *sink) { gSink = sink; }
DeviceFactsSink *deviceFactsSink() { return gSink; }

}  // namespace t44::device
