// The protocol checks that the kernel test runs against real hidraw, run here against
// the virtual keyboard's socket transport: one table of cases, two transports.

#include <gtest/gtest.h>

#include "support/VirtualKeyboard.h"

using namespace t44::test;

TEST(ProtocolChecks, every_check_passes_over_the_socket_transport) {
    SimProcess sim;
    auto r = runProgram({T44_PROTOCOL_CHECKS_EXE, "--sysfs", sim.dir() + "/sys", "--dev", sim.dir() + "/dev",
                         "--control", sim.dir() + "/ctl.sock", "--frame-log", sim.frameLog()},
                        std::chrono::seconds(120));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(" passed, 0 failed\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
}
