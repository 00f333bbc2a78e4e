#pragma once
// DeviceLink: one open HID top-level collection with timed whole-report transfers.
//
// Two transports stand behind the same fd-level I/O:
//  - hidraw: /sys/class/hidraw/<node>/device/{uevent,report_descriptor} describe the
//    collection and /dev/<node> carries its reports;
//  - the virtual keyboard: halvex-t44-sim lays out the same tree under a directory of
//    its own (DIR/sys/... and DIR/dev/<node>), where each node is a SOCK_SEQPACKET
//    Unix socket carrying one report per packet.
// A path returned by nextPath() is the device node followed by "?vid_XXXX&pid_XXXX",
// so users can filter on the ids before opening, as the keyboard search does.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/HidDescriptor.h"

namespace t44::device {

// Where the link looks for HID devices.
struct HidRoots {
    std::string sysfs = "/sys";
    std::string dev = "/dev";

    // The virtual keyboard's directory when HALVEX_T44_VIRTUAL is set, else the system's.
    static HidRoots fromEnvironment();
    static HidRoots virtualDir(const std::string &dir);
};

// Process-wide roots used by links constructed without explicit roots.
void setDefaultHidRoots(const HidRoots &roots);
HidRoots defaultHidRoots();

struct HidAttributes {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

struct HidCaps {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
};

// One input data item of the open collection; receives its value when a report is parsed.
struct HidItem {
    bool isButton = false;
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
    int32_t status = 0;  // 0 success, else the reason the last parse of it failed
    bool isSet = false;
    uint16_t usageMin = 0, usageMax = 0;
    uint32_t maxUsages = 0;
    std::vector<uint16_t> usages;  // button items: usages on in the last report, then 0
    uint16_t usage = 0;
    uint32_t value = 0;
    int32_t scaledValue = 0;
    // Where the item lives in the report (from the descriptor).
    HidField field;
    uint32_t fieldIndex = 0;  // value items: which field of a multi-count main item
};

class DeviceLink {
public:
    DeviceLink();
    explicit DeviceLink(HidRoots roots);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Lists every HID node present, in node-number order; the cursor goes to 0.
    bool enumerate();
    std::optional<std::string> nextPath();
    void freePaths();
    size_t pathCount() const { return paths_.size(); }

    bool open(const std::string &path, bool wantRead, bool wantWrite, bool overlapped,
              bool shareReadOnly);
    bool close();
    bool isOpen() const;

    // One whole report. timeoutMs -1 waits without limit. A call cut short by close()
    // from another thread returns false at once.
    bool read(uint8_t *buffer, size_t length, size_t *transferred, int timeoutMs);
    bool write(const uint8_t *buffer, size_t length, size_t *transferred, int timeoutMs);

    // Parses the report held in inputReport (length bytes) into inputItems.
    bool parseInputReport(size_t length);

    // Whether the device node of the open (or last opened) path still exists and, while
    // the link is open, whether it is still open on that device (a device removed and
    // added again may get the same node back): the check the presence monitor makes
    // without disturbing the open link.
    bool devicePresent() const;

    const HidAttributes &attributes() const { return attributes_; }
    const HidCaps &caps() const { return caps_; }
    const std::string &devicePath() const { return devicePath_; }
    std::vector<uint8_t> &inputReport() { return inputReport_; }
    std::vector<HidItem> &inputItems() { return inputItems_; }
    const HidRoots &roots() const { return roots_; }
    // Points a closed link at another HID tree (the virtual keyboard's, a fixture).
    void setRoots(const HidRoots &roots);

    // The node ("hidraw3") of a path from nextPath() or of a device node path.
    static std::string nodeName(const std::string &path);

private:
    bool transfer(bool isRead, uint8_t *buffer, size_t length, size_t *transferred,
                  int timeoutMs);
    void closeLocked(std::unique_lock<std::mutex> &lock);

    HidRoots roots_;
    std::vector<std::string> paths_;
    size_t pathCursor_ = 0;

    bool wantRead_ = false, wantWrite_ = false, overlapped_ = false, shareReadOnly_ = false;
    std::string devicePath_;
    HidAttributes attributes_;
    HidCaps caps_;
    std::vector<uint8_t> inputReport_;
    std::vector<HidItem> inputItems_;

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    int fd_ = -1;
    bool isSocket_ = false;
    int abortFd_ = -1;  // eventfd that ends every waiting transfer
    int active_ = 0;    // transfers in progress
    bool closing_ = false;
};

// Vendor and product of the keyboard and the two collections the program uses.
inline constexpr uint16_t kVendorId = 0x0C45;
inline constexpr uint16_t kProductId = 0x5004;

enum class KeyboardInterface { Command, Event };

// Searches the HID nodes for one of the keyboard's interfaces and leaves `link` open
// on it. Returns false when it is not present, or when enumeration failed (then
// *enumerationFailed is set when given).
bool findKeyboardInterface(DeviceLink &link, KeyboardInterface which,
                           bool *enumerationFailed = nullptr);

// The hexadecimal number after `tag` ("vid_", "pid_") in `path`, ignoring case; 0 when
// the tag is absent.
uint32_t hexAfterTag(const std::string &path, const std::string &tag);

}  // namespace t44::device
