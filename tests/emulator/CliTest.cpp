// halvex-t44ctl against the virtual keyboard as a separate process.

#include <gtest/gtest.h>

#include "support/VirtualKeyboard.h"

using namespace t44::test;

namespace {
RunResult ctl(const SimProcess &sim, std::vector<std::string> args) {
    std::vector<std::string> argv = {T44_CTL_EXE, "--virtual", sim.dir()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv);
}
}  // namespace

TEST(Cli, info_reports_what_the_keyboard_says) {
    SimProcess sim({"--firmware", "0x0132", "--profile", "2", "--macro-units", "16", "--modes", "1,3,20"});
    auto r = ctl(sim, {"info", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "{\"firmware\":306,\"firmwareText\":\"1.32\",\"activeProfile\":3,"
                     "\"macroCapacity\":2048,\"modes\":[1,3,20]}\n");
    auto reqs = sim.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].substr(0, 10), "042F00032C");
}

TEST(Cli, list_shows_both_interfaces) {
    SimProcess sim;
    auto r = ctl(sim, {"list"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("0c45:5004  usage page ff1c usage 0092  input 64 bytes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0c45:5004  usage page 000c usage 0001  input 3 bytes"), std::string::npos) << r.out;
}

TEST(Cli, failures_are_one_line_and_a_distinct_exit_code) {
    SimProcess sim;
    struct Case {
        const char *fault;  // sent to the keyboard first, or "unplug"
        int exitCode;
        const char *message;
    } cases[] = {
        {"refuse 0xFF 1", 5, "refused it (result -102)"},
        {"refuse 0xFE 1", 5, "refused it (result -103)"},
        {"drop 4", 4, "did not answer (result 0)"},
        {"unplug", 3, "no keyboard found"},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(sim.ctl(c.fault));
        auto r = ctl(sim, {"info"});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.fault;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(Cli, state_file_keeps_the_keyboards_memory_across_runs) {
    TempDir tmp;
    const std::string state = tmp / "kb.state";
    {
        SimProcess sim({"--state", state, "--profile", "1"});
        EXPECT_EQ(sim.stop(), 0);
    }
    SimProcess again({"--state", state});
    auto r = ctl(again, {"info", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"activeProfile\":2"), std::string::npos) << r.out;
}
