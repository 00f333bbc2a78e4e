#pragma once
// The keyboard's two HID interfaces as the virtual keyboard presents them: the
// vendor collection that carries the 64-byte command reports and the consumer
// collection whose input reports carry the keyboard's own events.

#include <cstdint>
#include <string>
#include <vector>

namespace t44::sim {

// Vendor page 0xFF1C usage 0x92, report id 4: 63 bytes in each direction.
const std::vector<uint8_t> &commandReportDescriptor();
// Consumer page usage 1, report id 3: one 16-bit consumer usage (array, 0 = none).
const std::vector<uint8_t> &eventReportDescriptor();
inline constexpr uint8_t kEventReportId = 3;
// The names the two interfaces carry (HID_NAME), command interface first.
inline constexpr const char *kInterfaceNames[2] = {"Halvex T44-ARC Keyboard",
                                                   "Halvex T44-ARC Keyboard Consumer Control"};

// The sysfs entry of one hidraw node: <sysfsRoot>/class/hidraw/<node>/device/{uevent,
// report_descriptor}, as the kernel lays it out.
bool writeSysfsEntry(const std::string &sysfsRoot, const std::string &node,
                     const std::vector<uint8_t> &descriptor, const std::string &name);
void removeSysfsEntry(const std::string &sysfsRoot, const std::string &node);

}  // namespace t44::sim
