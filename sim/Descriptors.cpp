#include "Descriptors.h"

#include <filesystem>
#include <fstream>

namespace t44::sim {

const std::vector<uint8_t> &commandReportDescriptor() {
    static const std::vector<uint8_t> d = {
        0x06, 0x1C, 0xFF,  // Usage Page (Vendor 0xFF1C)
        0x09, 0x92,        // Usage (0x92)
        0xA1, 0x01,        // Collection (Application)
        0x85, 0x04,        //   Report ID (4)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x3F,        //   Report Count (63)
        0x09, 0x01,        //   Usage (1)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0x09, 0x01,        //   Usage (1)
        0x91, 0x02,        //   Output (Data, Variable, Absolute)
        0xC0,              // End Collection
    };
    return d;
}

const std::vector<uint8_t> &eventReportDescriptor() {
    static const std::vector<uint8_t> d = {
        0x05, 0x0C,        // Usage Page (Consumer)
        0x09, 0x01,        // Usage (Consumer Control)
        0xA1, 0x01,        // Collection (Application)
        0x85, 0x03,        //   Report ID (3)
        0x15, 0x01,        //   Logical Minimum (1)
        0x26, 0xFF, 0x1F,  //   Logical Maximum (0x1FFF)
        0x19, 0x01,        //   Usage Minimum (1)
        0x2A, 0xFF, 0x1F,  //   Usage Maximum (0x1FFF)
        0x75, 0x10,        //   Report Size (16)
        0x95, 0x01,        //   Report Count (1)
        0x81, 0x00,        //   Input (Data, Array, Absolute)
        0xC0,              // End Collection
    };
    return d;
}

bool writeSysfsEntry(const std::string &sysfsRoot, const std::string &node,
                     const std::vector<uint8_t> &descriptor, const std::string &name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::path(sysfsRoot) / "class" / "hidraw" / node / "device";
    fs::create_directories(dir, ec);
    if (ec) return false;
    // Each file appears whole (written aside, then renamed), the uevent last: a reader
    // that sees the uevent finds both complete, as it would in the kernel's sysfs.
    auto put = [&](const char *file, const std::string &bytes) {
        const fs::path tmp = dir / (std::string(".") + file + ".tmp");
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (!out.flush()) return false;
        }
        fs::rename(tmp, dir / file, ec);
        return !ec;
    };
    const std::string uevent = "DRIVER=hid-generic\nHID_ID=0003:00000C45:00005004\nHID_NAME=" + name +
                               "\nHID_PHYS=virtual\nMODALIAS=hid:b0003g0001v00000C45p00005004\n";
    return put("report_descriptor", std::string(descriptor.begin(), descriptor.end())) &&
           put("uevent", uevent);
}

void removeSysfsEntry(const std::string &sysfsRoot, const std::string &node) {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(sysfsRoot) / "class" / "hidraw" / node, ec);
}

}  // namespace t44::sim
