// The virtual keyboard's uhid transport against a stand-in for /dev/uhid: each device it
// opens is one end of a SOCK_SEQPACKET pair, which keeps uhid's one-event-per-read/write
// framing, and the test plays the kernel on the other end. The real kernel path runs in
// the kernel test (tests/kernel).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "Control.h"
#include "Descriptors.h"
#include "Uhid.h"
#include "device/Protocol.h"
#include "support/VirtualKeyboard.h"

using namespace t44;

namespace {

class FakeKernel {
public:
    // The opener handed to the server: a new device is a new socket pair.
    int open() {
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) return -1;
        timeval limit{5, 0};
        ::setsockopt(sv[1], SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::fcntl(sv[0], F_SETFL, O_NONBLOCK);  // as the server opens /dev/uhid
        std::lock_guard lock(mutex_);
        kernelEnds_.push_back(sv[1]);
        return sv[0];
    }
    ~FakeKernel() {
        for (int fd : kernelEnds_) ::close(fd);
    }
    int device(size_t n) {
        std::lock_guard lock(mutex_);
        return n < kernelEnds_.size() ? kernelEnds_[n] : -1;
    }
    size_t opened() {
        std::lock_guard lock(mutex_);
        return kernelEnds_.size();
    }
    // The next event the server wrote to device n; type 0xFFFFFFFF when none came.
    static uhid_event next(int fd, ssize_t *size = nullptr) {
        uhid_event ev{};
        ev.type = 0xFFFFFFFF;
        ssize_t n = ::recv(fd, &ev, sizeof ev, 0);
        if (size) *size = n;
        if (n <= 0) ev.type = 0xFFFFFFFF;
        return ev;
    }
    static void send(int fd, const uhid_event &ev) { ASSERT_EQ(::send(fd, &ev, sizeof ev, 0), ssize_t(sizeof ev)); }

private:
    std::mutex mutex_;
    std::vector<int> kernelEnds_;
};

class Uhid : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.start(&error)) << error;
        loop = std::thread([this] { server.run(); });
    }
    void TearDown() override {
        server.requestStop();
        loop.join();
    }
    std::string control(const std::string &line) {
        return sim::sendControlCommand(tmp / "ctl.sock", line).value_or("no answer");
    }

    test::TempDir tmp;
    sim::Keyboard keyboard;
    FakeKernel kernel;
    sim::UhidServer server{keyboard, tmp.path(), [this] { return kernel.open(); }};
    std::thread loop;
};

}  // namespace

TEST_F(Uhid, plugging_creates_both_interfaces_as_usb_devices_with_their_descriptors) {
    ASSERT_EQ(kernel.opened(), 2u);
    const std::vector<uint8_t> *descriptors[2] = {&sim::commandReportDescriptor(), &sim::eventReportDescriptor()};
    for (size_t i = 0; i < 2; ++i) {
        uhid_event ev = FakeKernel::next(kernel.device(i));
        ASSERT_EQ(ev.type, UHID_CREATE2) << i;
        EXPECT_STREQ(reinterpret_cast<const char *>(ev.u.create2.name), sim::kInterfaceNames[i]);
        EXPECT_EQ(ev.u.create2.bus, 0x03);  // USB
        EXPECT_EQ(ev.u.create2.vendor, device::kVendorId);
        EXPECT_EQ(ev.u.create2.product, device::kProductId);
        ASSERT_EQ(ev.u.create2.rd_size, descriptors[i]->size());
        EXPECT_EQ(0, std::memcmp(ev.u.create2.rd_data, descriptors[i]->data(), descriptors[i]->size()));
    }
}

TEST_F(Uhid, output_reports_are_answered_with_input_reports_that_keep_the_report_id) {
    const int command = kernel.device(0);
    ASSERT_EQ(FakeKernel::next(command).type, UHID_CREATE2);

    // What the kernel hands on for a 64-byte write to the hidraw node: byte 0 is the id.
    auto request = device::ReportFrame::request(device::CmdReadDeviceInfo, device::kDeviceInfoSize);
    uhid_event out{};
    out.type = UHID_OUTPUT;
    out.u.output.rtype = UHID_OUTPUT_REPORT;
    out.u.output.size = 64;
    std::memcpy(out.u.output.data, request.bytes.data(), 64);
    FakeKernel::send(command, out);

    uhid_event in = FakeKernel::next(command);
    ASSERT_EQ(in.type, UHID_INPUT2);
    ASSERT_EQ(in.u.input2.size, 64);
    EXPECT_EQ(in.u.input2.data[0], 4);
    EXPECT_EQ(in.u.input2.data[3], device::CmdReadDeviceInfo);
    EXPECT_EQ(in.u.input2.data[7], 0);  // status: success
    EXPECT_EQ(0, std::memcmp(in.u.input2.data + 8, keyboard.info.data(), keyboard.info.size()));

    // The keyboard has no readable or settable reports: such requests fail at once
    // rather than leaving the kernel to time out.
    uhid_event get{};
    get.type = UHID_GET_REPORT;
    get.u.get_report.id = 77;
    get.u.get_report.rnum = 4;
    FakeKernel::send(command, get);
    uhid_event reply = FakeKernel::next(command);
    ASSERT_EQ(reply.type, UHID_GET_REPORT_REPLY);
    EXPECT_EQ(reply.u.get_report_reply.id, 77u);
    EXPECT_NE(reply.u.get_report_reply.err, 0);
}

TEST_F(Uhid, events_go_to_the_event_device_and_unplug_plug_recreate_both) {
    for (size_t i = 0; i < 2; ++i) ASSERT_EQ(FakeKernel::next(kernel.device(i)).type, UHID_CREATE2);

    ASSERT_EQ(control("event 0x1811"), "ok");
    uhid_event ev = FakeKernel::next(kernel.device(1));
    ASSERT_EQ(ev.type, UHID_INPUT2);
    ASSERT_EQ(ev.u.input2.size, 3);
    EXPECT_EQ(ev.u.input2.data[0], sim::kEventReportId);
    EXPECT_EQ(ev.u.input2.data[1], 0x11);
    EXPECT_EQ(ev.u.input2.data[2], 0x18);

    ASSERT_EQ(control("unplug"), "ok");
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(FakeKernel::next(kernel.device(i)).type, UHID_DESTROY) << i;
        ssize_t size = -1;
        FakeKernel::next(kernel.device(i), &size);
        EXPECT_EQ(size, 0) << "device " << i << " is closed after it was destroyed";
    }
    EXPECT_FALSE(server.plugged());

    ASSERT_EQ(control("plug"), "ok");
    ASSERT_EQ(kernel.opened(), 4u);
    for (size_t i = 2; i < 4; ++i) EXPECT_EQ(FakeKernel::next(kernel.device(i)).type, UHID_CREATE2) << i;
}
