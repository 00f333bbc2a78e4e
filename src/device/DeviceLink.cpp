#include "device/DeviceLink.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace t44::device {
namespace {

constexpr size_t kMaxPath = 260;  // including the terminator

std::mutex gRootsMutex;
std::optional<HidRoots> gDefaultRoots;

std::optional<std::string> readSmallFile(const std::string &path, size_t limit = 65536) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data;
    data.resize(limit);
    in.read(data.data(), static_cast<std::streamsize>(limit));
    data.resize(static_cast<size_t>(in.gcount()));
    return data;
}

// The node number of "hidrawN", or -1 for any other name.
long nodeNumber(const char *name) {
    if (std::strncmp(name, "hidraw", 6) != 0 || !std::isdigit(static_cast<unsigned char>(name[6])))
        return -1;
    char *end = nullptr;
    long n = std::strtol(name + 6, &end, 10);
    return *end == '\0' ? n : -1;
}

// HID_ID=0003:00000C45:00005004 in a HID device's uevent.
bool parseHidId(const std::string &uevent, HidAttributes &out) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("HID_ID=", 0) != 0) continue;
        unsigned bus = 0, vendor = 0, product = 0;
        if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) != 3) return false;
        out.VendorID = static_cast<uint16_t>(vendor);
        out.ProductID = static_cast<uint16_t>(product);
        return true;
    }
    return false;
}

std::string sysfsDeviceDir(const HidRoots &roots, const std::string &node) {
    return roots.sysfs + "/class/hidraw/" + node + "/device";
}

std::string stripQuery(const std::string &path) {
    auto q = path.find('?');
    return q == std::string::npos ? path : path.substr(0, q);
}

// Reads `bitSize` bits at `bitOffset` of the report's data (after the id byte).
bool extractBits(const uint8_t *data, size_t dataLen, uint32_t bitOffset, uint32_t bitSize,
                 uint32_t &out) {
    if (bitSize == 0 || bitSize > 32) return false;
    if (uint64_t(bitOffset) + bitSize > uint64_t(dataLen) * 8) return false;
    uint64_t v = 0;
    for (uint32_t b = 0; b < bitSize; ++b) {
        uint32_t bit = bitOffset + b;
        if (data[bit / 8] & (1u << (bit % 8))) v |= uint64_t(1) << b;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

int32_t toLogical(uint32_t raw, uint32_t bitSize, int32_t logicalMin) {
    if (logicalMin < 0 && bitSize < 32 && (raw & (1u << (bitSize - 1))))
        return static_cast<int32_t>(raw | ~((1u << bitSize) - 1));
    return static_cast<int32_t>(raw);
}

}  // namespace

HidRoots HidRoots::fromEnvironment() {
    const char *dir = std::getenv("HALVEX_T44_VIRTUAL");
    if (dir && *dir) return virtualDir(dir);
    return HidRoots{};
}

HidRoots HidRoots::virtualDir(const std::string &dir) {
    return HidRoots{dir + "/sys", dir + "/dev"};
}

void setDefaultHidRoots(const HidRoots &roots) {
    std::lock_guard lock(gRootsMutex);
    gDefaultRoots = roots;
}

HidRoots defaultHidRoots() {
    std::lock_guard lock(gRootsMutex);
    if (!gDefaultRoots) gDefaultRoots = HidRoots::fromEnvironment();
    return *gDefaultRoots;
}

DeviceLink::DeviceLink() : DeviceLink(defaultHidRoots()) {}

DeviceLink::DeviceLink(HidRoots roots) : roots_(std::move(roots)) {
    abortFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

DeviceLink::~DeviceLink() {
    close();
    if (abortFd_ >= 0) ::close(abortFd_);
}

void DeviceLink::setRoots(const HidRoots &roots) {
    close();
    freePaths();
    roots_ = roots;
}

std::string DeviceLink::nodeName(const std::string &path) {
    std::string p = stripQuery(path);
    auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool DeviceLink::enumerate() {
    paths_.clear();
    pathCursor_ = 0;
    std::string classDir = roots_.sysfs + "/class/hidraw";
    DIR *dir = ::opendir(classDir.c_str());
    if (!dir) {
        // No hidraw class at all (no HID devices, or the virtual keyboard is not
        // running): an empty list, not a failure.
        return errno == ENOENT || errno == ENOTDIR;
    }
    std::vector<std::pair<long, std::string>> nodes;
    while (dirent *e = ::readdir(dir)) {
        long n = nodeNumber(e->d_name);
        if (n >= 0) nodes.emplace_back(n, e->d_name);
    }
    ::closedir(dir);
    std::sort(nodes.begin(), nodes.end());
    for (auto &[n, name] : nodes) {
        HidAttributes attrs;
        auto uevent = readSmallFile(sysfsDeviceDir(roots_, name) + "/uevent");
        // A node that went away while we listed it is skipped, like an interface
        // whose entry could not be read.
        if (!uevent || !parseHidId(*uevent, attrs)) continue;
        char ids[32];
        std::snprintf(ids, sizeof ids, "?vid_%04x&pid_%04x", attrs.VendorID, attrs.ProductID);
        paths_.push_back(roots_.dev + "/" + name + ids);
    }
    return true;
}

std::optional<std::string> DeviceLink::nextPath() {
    if (pathCursor_ >= paths_.size()) return std::nullopt;
    return paths_[pathCursor_++];
}

void DeviceLink::freePaths() {
    paths_.clear();
    paths_.shrink_to_fit();
    pathCursor_ = 0;
}

bool DeviceLink::isOpen() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

bool DeviceLink::open(const std::string &path, bool wantRead, bool wantWrite, bool overlapped,
                      bool shareReadOnly) {
    std::unique_lock lock(mutex_);
    closeLocked(lock);
    wantRead_ = wantRead;
    wantWrite_ = wantWrite;
    overlapped_ = overlapped;
    shareReadOnly_ = shareReadOnly;
    if (path.size() + 1 > kMaxPath) return false;
    devicePath_ = path;

    std::string node = stripQuery(path);
    std::string name = nodeName(path);
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0) return false;

    int fd = -1;
    bool isSocket = S_ISSOCK(st.st_mode);
    if (isSocket) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (node.size() >= sizeof addr.sun_path) return false;
        std::memcpy(addr.sun_path, node.c_str(), node.size() + 1);
        fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return false;
        }
    } else {
        int access = wantRead && wantWrite ? O_RDWR : wantWrite ? O_WRONLY : O_RDONLY;
        fd = ::open(node.c_str(), access | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
    }

    // Attributes and capabilities come from the node's sysfs entry, for both transports.
    HidAttributes attrs;
    auto uevent = readSmallFile(sysfsDeviceDir(roots_, name) + "/uevent");
    auto descriptor = readSmallFile(sysfsDeviceDir(roots_, name) + "/report_descriptor", 4096);
    std::optional<HidCollectionInfo> info;
    if (descriptor) {
        info = parseReportDescriptor(std::span(
            reinterpret_cast<const uint8_t *>(descriptor->data()), descriptor->size()));
    }
    if (!uevent || !parseHidId(*uevent, attrs) || !info) {
        ::close(fd);
        return false;
    }
    attributes_ = attrs;
    caps_ = HidCaps{info->usage, info->usagePage, info->inputReportByteLength,
                    info->outputReportByteLength, info->featureReportByteLength};

    // The input side: one item per button field, then one per value usage.
    inputReport_.assign(caps_.InputReportByteLength, 0);
    std::map<uint16_t, uint32_t> buttonsPerPage;
    for (const HidField &f : info->inputs)
        if (f.isButton()) buttonsPerPage[f.usagePage] += f.count;
    for (const HidField &f : info->inputs) {
        if (!f.isButton()) continue;
        HidItem item;
        item.isButton = true;
        item.usagePage = f.usagePage;
        item.reportId = f.reportId;
        item.usageMin = f.usageMin;
        item.usageMax = f.usageMax;
        item.maxUsages = buttonsPerPage[f.usagePage];
        item.usages.assign(item.maxUsages, 0);
        item.field = f;
        inputItems_.push_back(std::move(item));
    }
    for (const HidField &f : info->inputs) {
        if (f.isButton()) continue;
        auto addValue = [&](uint16_t usage, uint32_t index) {
            HidItem item;
            item.usagePage = f.usagePage;
            item.reportId = f.reportId;
            item.usage = usage;
            item.field = f;
            item.fieldIndex = index;
            inputItems_.push_back(std::move(item));
        };
        if (f.isRange) {
            uint32_t n = 0;
            for (uint32_t u = f.usageMin; u <= f.usageMax && n < f.count; ++u, ++n)
                addValue(static_cast<uint16_t>(u), n);
        } else {
            // One item per listed usage; a field with no usage still gives one item.
            const size_t n = std::max<size_t>(1, std::min<size_t>(f.count, f.usages.size()));
            for (size_t k = 0; k < n; ++k)
                addValue(k < f.usages.size() ? f.usages[k] : 0, static_cast<uint32_t>(k));
        }
    }

    // Forget an abort signalled for the previous device.
    uint64_t drained;
    while (::read(abortFd_, &drained, sizeof drained) > 0) {
    }
    fd_ = fd;
    isSocket_ = isSocket;
    return true;
}

void DeviceLink::closeLocked(std::unique_lock<std::mutex> &lock) {
    if (fd_ < 0) return;
    closing_ = true;
    if (active_ > 0) {
        // Wake every waiting transfer and wait until none touches the descriptor.
        uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(abortFd_, &one, sizeof one);
        idle_.wait(lock, [this] { return active_ == 0; });
    }
    uint64_t drained;
    while (::read(abortFd_, &drained, sizeof drained) > 0) {
    }
    ::close(fd_);
    fd_ = -1;
    closing_ = false;
    inputReport_.clear();
    inputItems_.clear();
}

bool DeviceLink::close() {
    std::unique_lock lock(mutex_);
    if (fd_ < 0) return false;
    closeLocked(lock);
    return true;
}

bool DeviceLink::devicePresent() const {
    std::string node;
    {
        std::lock_guard lock(mutex_);
        node = stripQuery(devicePath_);
        // A keyboard pulled out and plugged in again between two checks comes back under
        // a node of the same name, but an open link still belongs to the device that
        // went away, and its descriptor says so: a hidraw node of a removed device, like
        // a socket whose peer left, polls as hung up.
        if (fd_ >= 0) {
            pollfd p{fd_, 0, 0};
            if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
        }
    }
    struct stat st {};
    return !node.empty() && ::stat(node.c_str(), &st) == 0;
}

bool DeviceLink::read(uint8_t *buffer, size_t length, size_t *transferred, int timeoutMs) {
    return transfer(true, buffer, length, transferred, timeoutMs);
}

bool DeviceLink::write(const uint8_t *buffer, size_t length, size_t *transferred, int timeoutMs) {
    return transfer(false, const_cast<uint8_t *>(buffer), length, transferred, timeoutMs);
}

bool DeviceLink::transfer(bool isRead, uint8_t *buffer, size_t length, size_t *transferred,
                          int timeoutMs) {
    if (transferred) *transferred = 0;
    int fd;
    bool isSocket;
    {
        std::lock_guard lock(mutex_);
        if (fd_ < 0 || closing_ || !buffer || length == 0) return false;
        if (isRead ? !wantRead_ : !wantWrite_) return false;
        fd = fd_;
        isSocket = isSocket_;
        ++active_;
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    ssize_t n = -1;
    // A write is tried at once: the device almost always takes it, and a poll first
    // would cost a system call per report. A read waits in poll, where close() can
    // cut it short.
    bool ready = !isRead;
    for (;;) {
        if (ready) {
            if (isRead)
                n = isSocket ? ::recv(fd, buffer, length, 0) : ::read(fd, buffer, length);
            else
                n = isSocket ? ::send(fd, buffer, length, MSG_NOSIGNAL) : ::write(fd, buffer, length);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                ready = false;
                continue;
            }
            // A socket whose peer went away reads as 0 bytes: the device is gone.
            if (n == 0) n = -1;
            break;
        }
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<int64_t>(0, left.count()));
        }
        pollfd fds[2] = {{fd, static_cast<short>(isRead ? POLLIN : POLLOUT), 0},
                         {abortFd_, POLLIN, 0}};
        int r = ::poll(fds, 2, wait);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;                      // time-out or poll failure
        if (fds[1].revents & POLLIN) break;      // closed from another thread
        if (fds[0].revents & (isRead ? POLLIN : POLLOUT)) {
            ready = true;
            continue;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) break;  // unplugged
    }

    {
        std::lock_guard lock(mutex_);
        if (--active_ == 0) idle_.notify_all();
    }
    if (n <= 0) return false;
    if (transferred) *transferred = static_cast<size_t>(n);
    return true;
}

bool DeviceLink::parseInputReport(size_t length) {
    if (inputReport_.empty()) return false;
    length = std::min(length, inputReport_.size());
    if (length == 0) return true;
    const uint8_t id = inputReport_[0];
    const uint8_t *data = inputReport_.data() + 1;
    const size_t dataLen = length - 1;
    for (HidItem &item : inputItems_) {
        if (item.reportId != id) continue;
        const HidField &f = item.field;
        if (item.isButton) {
            std::vector<uint16_t> on;
            for (uint32_t k = 0; k < f.count; ++k) {
                uint32_t raw = 0;
                if (!extractBits(data, dataLen, f.bitOffset + k * f.bitSize, f.bitSize, raw)) break;
                uint32_t usage = 0;
                if (f.isArray) {
                    int32_t v = toLogical(raw, f.bitSize, f.logicalMin);
                    if (v < f.logicalMin || v > f.logicalMax) continue;  // the null value
                    uint32_t index = static_cast<uint32_t>(v - f.logicalMin);
                    if (f.isRange) usage = f.usageMin + index;
                    else if (index < f.usages.size()) usage = f.usages[index];
                } else if (raw) {
                    usage = f.isRange ? f.usageMin + k
                                      : (k < f.usages.size() ? f.usages[k] : f.usages.empty() ? 0 : f.usages.back());
                }
                if (usage != 0) on.push_back(static_cast<uint16_t>(usage));
            }
            // Keep the usages inside the item's range, packed to the front, then a 0.
            std::fill(item.usages.begin(), item.usages.end(), 0);
            size_t out = 0;
            for (uint16_t u : on)
                if (u >= item.usageMin && u <= item.usageMax && out < item.usages.size())
                    item.usages[out++] = u;
            item.status = 0;
        } else {
            uint32_t raw = 0;
            if (!extractBits(data, dataLen, f.bitOffset + item.fieldIndex * f.bitSize, f.bitSize, raw)) {
                item.status = -1;
                return false;
            }
            item.value = raw;
            int32_t logical = toLogical(raw, f.bitSize, f.logicalMin);
            if (f.logicalMax > f.logicalMin && f.physicalMax > f.physicalMin &&
                logical >= f.logicalMin && logical <= f.logicalMax) {
                int64_t span = int64_t(f.logicalMax) - f.logicalMin;
                item.scaledValue = static_cast<int32_t>(
                    f.physicalMin + (int64_t(logical) - f.logicalMin) *
                                        (int64_t(f.physicalMax) - f.physicalMin) / span);
            }
            item.status = 0;
        }
        item.isSet = true;
    }
    return true;
}

uint32_t hexAfterTag(const std::string &path, const std::string &tag) {
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto at = lower.find(tag);
    if (at == std::string::npos) return 0;
    uint32_t v = 0;
    for (size_t i = at + tag.size(); i < lower.size() && std::isxdigit(static_cast<unsigned char>(lower[i])); ++i)
        v = v * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(lower[i])) ? lower[i] - '0' : lower[i] - 'a' + 10);
    return v;
}

bool findKeyboardInterface(DeviceLink &link, KeyboardInterface which, bool *enumerationFailed) {
    if (enumerationFailed) *enumerationFailed = false;
    const bool command = which == KeyboardInterface::Command;
    const uint16_t page = command ? 0xFF1C : 0x000C;
    const uint16_t usage = command ? 0x0092 : 0x0001;
    if (!link.enumerate()) {
        if (enumerationFailed) *enumerationFailed = true;
        return false;
    }
    bool found = false;
    while (auto path = link.nextPath()) {
        if ((hexAfterTag(*path, "vid_") & 0xFFFF) != kVendorId) continue;
        if ((hexAfterTag(*path, "pid_") & 0xFFFF) != kProductId) continue;
        if (!link.open(*path, true, command, true, false)) continue;
        const auto &a = link.attributes();
        const auto &c = link.caps();
        if (a.VendorID == kVendorId && a.ProductID == kProductId && c.UsagePage == page &&
            c.Usage == usage) {
            found = true;
            break;
        }
        link.close();
    }
    link.freePaths();
    return found;
}

}  // namespace t44::device
