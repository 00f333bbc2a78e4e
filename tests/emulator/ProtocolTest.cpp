// The command protocol against the virtual keyboard running in this process: the
// frames each command sends, every result code, and the link's transfer rules.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "device/Protocol.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::device;
using test::InProcessKeyboard;

namespace {

// Header of a logged request: command, length, offset low, offset high (hex text).
std::string header(const std::string &request) { return request.substr(6, 8); }

class Protocol : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kb.connect());
        kb.clearFrameLog();
    }
    void TearDown() override { setExchangeTimeouts({}); }
    InProcessKeyboard kb;
};

}  // namespace

TEST_F(Protocol, chunked_transfers_send_pieces_at_their_offsets) {
    std::vector<uint8_t> data(57, 0xA5);
    ASSERT_EQ(writeMacroArea(data.data(), data.size()), ResultCode::Success);
    auto reqs = kb.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(header(reqs[0]), "0A380000");  // 56 bytes at 0
    EXPECT_EQ(header(reqs[1]), "0A013800");  // 1 byte at 56

    uint8_t matrix[kMatrixSize] = {};
    struct Case {
        int profile;
        std::vector<std::string> headers;
    } cases[] = {
        {1, {"08387A01", "0838B201", "0838EA01", "08382202", "08385A02", "08389202", "082ACA02"}},
        {2, {"0838F402", "08382C03", "08386403", "08389C03", "0838D403", "08380C04", "082A4404"}},
    };
    for (const auto &c : cases) {
        kb.clearFrameLog();
        ASSERT_EQ(writeKeyMatrix(matrix, c.profile), ResultCode::Success);
        std::vector<std::string> got;
        for (auto &r : kb.requests()) got.push_back(header(r));
        EXPECT_EQ(got, c.headers) << "profile " << c.profile;
    }
}

TEST_F(Protocol, reads_copy_what_the_keyboard_holds) {
    uint8_t matrix[kMatrixSize];
    ASSERT_EQ(readDefaultMatrix(matrix), ResultCode::Success);
    EXPECT_EQ(0, std::memcmp(matrix, sim::factoryDefaultMatrix().data(), kMatrixSize));

    std::vector<uint8_t> written(kMatrixSize);
    for (size_t i = 0; i < written.size(); ++i) written[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(writeKeyMatrix(written.data(), 2), ResultCode::Success);
    ASSERT_EQ(readKeyMatrix(matrix, 2), ResultCode::Success);
    EXPECT_EQ(std::vector<uint8_t>(matrix, matrix + kMatrixSize), written);

    DeviceInfo info;
    ASSERT_EQ(readDeviceInfo(info), ResultCode::Success);
    EXPECT_EQ(info.firmwareVersion(), 0x0201);
    EXPECT_EQ(info.macroUnits(), 255);
}

TEST_F(Protocol, refusals_give_their_codes_and_leave_out_buffers_untouched) {
    struct Case {
        const char *fault;
        int result;
    } cases[] = {{"refuse 0xFF 1", ResultCode::RefusedFF}, {"refuse 0xFE 1", ResultCode::RefusedFE}};
    for (const auto &c : cases) {
        ASSERT_EQ(kb.control(c.fault), "ok");
        DeviceInfo info;
        info.bytes.fill(0xEE);
        EXPECT_EQ(readDeviceInfo(info), c.result) << c.fault;
        for (uint8_t b : info.bytes) ASSERT_EQ(b, 0xEE) << c.fault;

        ASSERT_EQ(kb.control(c.fault), "ok");
        uint8_t light[56];
        std::memset(light, 0xEE, sizeof light);
        EXPECT_EQ(readLightArea(light, 56, 0), c.result) << c.fault;
        for (uint8_t b : light) ASSERT_EQ(b, 0xEE) << c.fault;
    }
}

TEST_F(Protocol, refused_write_changes_nothing_on_the_keyboard) {
    uint8_t before[kMatrixSize], after[kMatrixSize];
    ASSERT_EQ(readKeyMatrix(before, 0), ResultCode::Success);
    std::vector<uint8_t> other(kMatrixSize, 0x11);
    ASSERT_EQ(kb.control("refuse 0xFF 1"), "ok");
    EXPECT_EQ(writeKeyMatrix(other.data(), 0), ResultCode::RefusedFF);  // stops at the first frame
    ASSERT_EQ(readKeyMatrix(after, 0), ResultCode::Success);
    EXPECT_EQ(0, std::memcmp(before, after, kMatrixSize));
}

TEST_F(Protocol, out_of_range_requests_are_refused_not_crashed) {
    uint8_t big[56] = {};
    EXPECT_EQ(writeLightArea(big, 56, 126), ResultCode::RefusedFF);
    EXPECT_EQ(writeKeyColours(big, 3, 600), ResultCode::RefusedFF);
    ReportFrame bogus = ReportFrame::request(0x7E, 10, 0);
    ReportFrame reply;
    ASSERT_EQ(transact(bogus.bytes.data(), 64, reply.bytes.data(), 64, nullptr), ResultCode::Success);
    EXPECT_EQ(reply.status(), 0xFF);
}

TEST_F(Protocol, unanswered_request_is_written_four_times_then_gives_zero) {
    setExchangeTimeouts({1000, 50, 4});
    ASSERT_EQ(kb.control("drop 4"), "ok");
    DeviceInfo info;
    EXPECT_EQ(readDeviceInfo(info), ResultCode::NoKeyboard);
    auto reqs = kb.requests();
    ASSERT_EQ(reqs.size(), 4u);
    for (auto &r : reqs) EXPECT_EQ(r, reqs[0]);
    // the link works again afterwards
    EXPECT_EQ(readDeviceInfo(info), ResultCode::Success);
}

TEST_F(Protocol, lost_reply_is_retried_and_succeeds) {
    setExchangeTimeouts({1000, 50, 4});
    ASSERT_EQ(kb.control("drop 3"), "ok");
    EXPECT_EQ(beginBatch(), ResultCode::Success);
    EXPECT_EQ(kb.requests().size(), 4u);
}

TEST_F(Protocol, short_request_goes_out_zero_filled) {
    const uint8_t req[5] = {4, 0x06, 0x00, 0x02, 0x00};
    uint8_t reply[64];
    size_t got = 0;
    ASSERT_EQ(transact(req, sizeof req, reply, 64, &got), ResultCode::Success);
    EXPECT_EQ(got, 64u);
    auto reqs = kb.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0], "0406000200" + std::string(118, '0'));
}

TEST_F(Protocol, unplugged_keyboard_fails_the_write) {
    ASSERT_EQ(kb.control("unplug"), "ok");
    EXPECT_EQ(beginBatch(), ResultCode::WriteFailed);
    EXPECT_FALSE(commandLink().devicePresent());
    ASSERT_EQ(kb.control("plug"), "ok");
    // The node is back, but the link is still open on the keyboard that went away.
    EXPECT_FALSE(commandLink().devicePresent());
    ASSERT_TRUE(kb.connect());
    EXPECT_TRUE(commandLink().devicePresent());
    EXPECT_EQ(beginBatch(), ResultCode::Success);
}

TEST_F(Protocol, threads_never_interleave_exchanges) {
    // Two threads hammer the keyboard with different reads; with delayed replies an
    // interleaved write/read pair would hand one thread the other's answer.
    ASSERT_EQ(kb.control("delay 1"), "ok");
    std::atomic<int> wrong{0};
    auto worker = [&](int profile) {
        uint8_t m[kMatrixSize];
        for (int i = 0; i < 10; ++i) {
            if (readKeyMatrix(m, profile) != ResultCode::Success) ++wrong;
            else if (m[0] != static_cast<uint8_t>(profile + 1)) ++wrong;
        }
    };
    std::vector<uint8_t> a(kMatrixSize, 1), b(kMatrixSize, 2);
    ASSERT_EQ(writeKeyMatrix(a.data(), 0), ResultCode::Success);
    ASSERT_EQ(writeKeyMatrix(b.data(), 1), ResultCode::Success);
    std::thread t1(worker, 0), t2(worker, 1);
    t1.join();
    t2.join();
    EXPECT_EQ(wrong, 0);
}

TEST(DeviceLinkTransfers, close_from_another_thread_ends_an_unlimited_read) {
    InProcessKeyboard kb;
    DeviceLink link(kb.roots());
    ASSERT_TRUE(findKeyboardInterface(link, KeyboardInterface::Event));
    std::atomic<bool> returned{false}, result{true};
    std::thread reader([&] {
        uint8_t buf[3];
        size_t got = 99;
        result = link.read(buf, sizeof buf, &got, -1);
        EXPECT_EQ(got, 0u);
        returned = true;
    });
    std::this_thread::yield();
    EXPECT_FALSE(returned);
    EXPECT_TRUE(link.close());
    reader.join();
    EXPECT_TRUE(returned);
    EXPECT_FALSE(result);
}

TEST(DeviceLinkTransfers, timed_out_read_gives_zero_bytes_and_the_next_read_works) {
    InProcessKeyboard kb;
    DeviceLink link(kb.roots());
    ASSERT_TRUE(findKeyboardInterface(link, KeyboardInterface::Event));
    uint8_t buf[3];
    size_t got = 99;
    EXPECT_FALSE(link.read(buf, sizeof buf, &got, 20));
    EXPECT_EQ(got, 0u);
    ASSERT_EQ(kb.control("event 0x0401"), "ok");
    ASSERT_TRUE(link.read(buf, sizeof buf, &got, 2000));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buf[1], 0x01);
    EXPECT_EQ(buf[2], 0x04);
}

TEST(DeviceLinkTransfers, read_only_link_refuses_to_write) {
    InProcessKeyboard kb;
    DeviceLink link(kb.roots());
    ASSERT_TRUE(findKeyboardInterface(link, KeyboardInterface::Event));
    uint8_t buf[3] = {};
    EXPECT_FALSE(link.write(buf, sizeof buf, nullptr, 100));
}
