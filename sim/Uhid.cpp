#include "Uhid.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "Descriptors.h"

namespace t44::sim {
namespace {

constexpr uint16_t kBusUsb = 0x03;  // BUS_USB of linux/input.h
constexpr uint32_t kDeviceVersion = 0x0100;

const char *const kPhys[2] = {"halvex-t44-sim/input0", "halvex-t44-sim/input1"};

const std::vector<uint8_t> &descriptorOf(int which) {
    return which == 0 ? commandReportDescriptor() : eventReportDescriptor();
}

// One whole event per write, as the uhid device expects.
bool writeEvent(int fd, const uhid_event &ev) {
    for (;;) {
        ssize_t n = ::write(fd, &ev, sizeof ev);
        if (n == static_cast<ssize_t>(sizeof ev)) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n >= 0) errno = EIO;
        return false;
    }
}

int openUhid() { return ::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK); }

}  // namespace

UhidServer::UhidServer(Keyboard &keyboard, std::string controlDir, DeviceOpener openDevice)
    : keyboard_(keyboard), controlDir_(std::move(controlDir)),
      openDevice_(openDevice ? std::move(openDevice) : DeviceOpener(openUhid)) {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

UhidServer::~UhidServer() {
    unplug();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool UhidServer::start(std::string *error) {
    if (!controlDir_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(controlDir_, ec);
        if (!control_.listen(controlDir_ + "/ctl.sock")) {
            if (error) *error = "cannot create the control socket in " + controlDir_ + ": " + std::strerror(errno);
            return false;
        }
    }
    return plugIn(error);
}

bool UhidServer::create(int which, std::string *error) {
    int fd = openDevice_();
    if (fd < 0) {
        if (error)
            *error = std::string("cannot open /dev/uhid: ") + std::strerror(errno) +
                     " (is the uhid module loaded, and may this user open it?)";
        return false;
    }
    const std::vector<uint8_t> &descriptor = descriptorOf(which);
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    std::strncpy(reinterpret_cast<char *>(ev.u.create2.name), kInterfaceNames[which], sizeof ev.u.create2.name - 1);
    std::strncpy(reinterpret_cast<char *>(ev.u.create2.phys), kPhys[which], sizeof ev.u.create2.phys - 1);
    ev.u.create2.rd_size = static_cast<uint16_t>(descriptor.size());
    ev.u.create2.bus = kBusUsb;
    ev.u.create2.vendor = device::kVendorId;
    ev.u.create2.product = device::kProductId;
    ev.u.create2.version = kDeviceVersion;
    ev.u.create2.country = 0;
    std::memcpy(ev.u.create2.rd_data, descriptor.data(), descriptor.size());
    if (!writeEvent(fd, ev)) {
        if (error) *error = std::string("the kernel refused to create the HID device: ") + std::strerror(errno);
        ::close(fd);
        return false;
    }
    fds_[which] = fd;
    return true;
}

void UhidServer::destroy(int which) {
    if (fds_[which] < 0) return;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    // Closing the device destroys it as well; the explicit event makes the removal
    // complete before the caller answers "ok".
    writeEvent(fds_[which], ev);
    ::close(fds_[which]);
    fds_[which] = -1;
}

bool UhidServer::plug() { return plugIn(nullptr); }

bool UhidServer::plugIn(std::string *error) {
    if (plugged_) return true;
    for (int i = 0; i < 2; ++i) {
        if (!create(i, error)) {
            unplug();
            return false;
        }
    }
    plugged_ = true;
    return true;
}

void UhidServer::unplug() {
    destroy(0);
    destroy(1);
    pending_.clear();
    plugged_ = false;
}

bool UhidServer::sendInput(int which, const uint8_t *report, size_t length) {
    if (fds_[which] < 0 || length > UHID_DATA_MAX) return false;
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    ev.u.input2.size = static_cast<uint16_t>(length);
    std::memcpy(ev.u.input2.data, report, length);
    // Fails (EINVAL) while the kernel has not started the device yet; like a report a
    // real keyboard sends before the host listens, it is lost.
    return writeEvent(fds_[which], ev);
}

void UhidServer::sendEvent(uint16_t code) {
    const uint8_t report[3] = {kEventReportId, static_cast<uint8_t>(code & 0xFF), static_cast<uint8_t>(code >> 8)};
    sendInput(1, report, sizeof report);
}

std::string UhidServer::execute(const std::string &line) {
    return runControlCommand(line, keyboard_, keyboardMutex_, *this);
}

void UhidServer::requestStop() {
    stopping_ = true;
    wake();
}

void UhidServer::wake() {
    uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

bool UhidServer::serviceDevice(int which) {
    for (;;) {
        uhid_event ev{};
        ssize_t n = ::read(fds_[which], &ev, sizeof ev);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
        if (n < static_cast<ssize_t>(sizeof ev.type)) return false;
        switch (ev.type) {
        case UHID_OUTPUT: {
            // An output report as the host wrote it to the hidraw node: byte 0 is the
            // report id, 4 for the command reports.
            const size_t size = std::min<size_t>(ev.u.output.size, UHID_DATA_MAX);
            if (which != 0 || ev.u.output.rtype != UHID_OUTPUT_REPORT) break;  // the event interface takes nothing
            std::optional<device::ReportFrame> reply;
            {
                std::lock_guard lock(keyboardMutex_);
                reply = keyboard_.receive(ev.u.output.data, size);
            }
            if (!reply) break;
            if (delayMs_ > 0)
                pending_.add(delayMs_, {fds_[0], *reply});
            else
                sendInput(0, reply->bytes.data(), reply->bytes.size());
            break;
        }
        case UHID_GET_REPORT: {
            // The keyboard has no feature or readable reports: the request fails at
            // once instead of waiting for the kernel's time-out.
            uhid_event answer{};
            answer.type = UHID_GET_REPORT_REPLY;
            answer.u.get_report_reply.id = ev.u.get_report.id;
            answer.u.get_report_reply.err = EIO;
            writeEvent(fds_[which], answer);
            break;
        }
        case UHID_SET_REPORT: {
            uhid_event answer{};
            answer.type = UHID_SET_REPORT_REPLY;
            answer.u.set_report_reply.id = ev.u.set_report.id;
            answer.u.set_report_reply.err = EIO;
            writeEvent(fds_[which], answer);
            break;
        }
        default:  // UHID_START, UHID_STOP, UHID_OPEN, UHID_CLOSE: nothing to do
            break;
        }
    }
}

void UhidServer::run() {
    while (!stopping_) {
        pending_.sendDue([this](const DelayedReplies::Reply &r) {
            sendInput(0, r.frame.bytes.data(), r.frame.bytes.size());
        });

        std::vector<pollfd> fds;
        fds.push_back({wakeFd_, POLLIN, 0});
        int polled[2] = {-1, -1};
        for (int i = 0; i < 2; ++i) {
            if (fds_[i] < 0) continue;
            polled[i] = static_cast<int>(fds.size());
            fds.push_back({fds_[i], POLLIN, 0});
        }
        const size_t firstControl = fds.size();
        control_.addTo(fds);

        int r = ::poll(fds.data(), fds.size(), pending_.pollTimeoutMs());
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;

        if (fds[0].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] auto n = ::read(wakeFd_, &v, sizeof v);
        }
        for (int i = 0; i < 2; ++i) {
            if (polled[i] < 0 || !fds[static_cast<size_t>(polled[i])].revents) continue;
            if (!serviceDevice(i)) {
                // The uhid device failed under us: treat it as pulled out.
                ::close(fds_[i]);
                fds_[i] = -1;
            }
        }
        std::vector<pollfd> controlFds(fds.begin() + static_cast<std::ptrdiff_t>(firstControl), fds.end());
        control_.service(controlFds, [this](const std::string &line) { return execute(line); });
    }
}

}  // namespace t44::sim
