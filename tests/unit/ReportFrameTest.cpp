// Golden bytes of the frame format and the commands that need no keyboard.

#include <gtest/gtest.h>

#include "device/Protocol.h"

using namespace t44::device;

TEST(ReportFrame, golden_request_headers) {
    struct Case {
        ReportFrame frame;
        std::vector<uint8_t> head;
    } cases[] = {
        {ReportFrame::request(CmdBeginBatch), {0x04, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}},
        {ReportFrame::request(CmdReadDeviceInfo, 44), {0x04, 0x2F, 0x00, 0x03, 0x2C, 0x00, 0x00, 0x00}},
        // profile 2, position 336 of a key matrix: offset 2 * 378 + 336 = 0x0444
        {ReportFrame::request(CmdWriteKeyMatrix, 42, 2 * 378 + 336), {0x04, 0x7A, 0x00, 0x08, 0x2A, 0x44, 0x04, 0x00}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(std::vector<uint8_t>(c.frame.bytes.begin(), c.frame.bytes.begin() + 8), c.head);
}

TEST(ReportFrame, checksum_wraps_at_sixteen_bits_and_zero_fills) {
    std::vector<uint8_t> data(56, 0xFF);
    ReportFrame f = ReportFrame::request(CmdWriteMacroArea, 56, 0, data.data(), data.size());
    // 10 + 56 + 56 * 255 = 14346 = 0x380A
    EXPECT_EQ(f.bytes[1], 0x0A);
    EXPECT_EQ(f.bytes[2], 0x38);
    ReportFrame g = ReportFrame::request(CmdWriteLightArea, 3, 84, data.data(), 3);
    for (size_t i = 11; i < 64; ++i) EXPECT_EQ(g.bytes[i], 0) << i;
}

TEST(Commands, without_a_keyboard_return_zero_and_send_nothing) {
    connected = false;
    uint8_t buf[kMatrixSize];
    DeviceInfo info;
    EXPECT_EQ(beginBatch(), ResultCode::NoKeyboard);
    EXPECT_EQ(readDeviceInfo(info), ResultCode::NoKeyboard);
    EXPECT_EQ(readDefaultMatrix(buf), ResultCode::NoKeyboard);
    EXPECT_EQ(writeKeyColours(buf, 3, 0), ResultCode::NoKeyboard);
    // count 0 and bad profiles are decided before the connection matters
    EXPECT_EQ(readMacroArea(buf, 0), ResultCode::Success);
    EXPECT_EQ(writeMacroArea(buf, 0), ResultCode::Success);
    EXPECT_EQ(writeKeyMatrix(buf, 3), ResultCode::BadProfile);
    EXPECT_EQ(readKeyMatrix(buf, 3), ResultCode::BadProfile);
}
