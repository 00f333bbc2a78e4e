// halvex-t44ctl light and report-rate against the virtual keyboard as a separate process:
// each change goes out as exactly its batch, and `light` shows back what the keyboard kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "support/FrameText.h"
#include "support/VirtualKeyboard.h"

using namespace t44::test;

namespace {

std::string light(int offset, const std::string &data) { return "light@" + std::to_string(offset) + "=" + data; }
std::vector<std::string> batch(std::vector<std::string> writes) {
    writes.insert(writes.begin(), "begin");
    writes.push_back("end");
    return writes;
}
const std::vector<std::string> kLoadFrames = {"info", "begin", "read@0/56", "read@42/56", "read@84/56", "end"};

class LightCli : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    }
    // Runs halvex-t44ctl and returns what it printed; `sent` gets the requests it made.
    RunResult ctl(const SimProcess &sim, std::vector<std::string> args, std::vector<std::string> *sent = nullptr) {
        const size_t before = sim.requests().size();
        std::vector<std::string> argv = {T44_CTL_EXE, "--virtual", sim.dir()};
        argv.insert(argv.end(), args.begin(), args.end());
        RunResult r = runProgram(argv);
        if (sent) *sent = describeRequests(sim.requests(), before);
        return r;
    }
    // The requests of a change that follow the reading of the lighting.
    static std::vector<std::string> afterLoad(const std::vector<std::string> &sent) {
        if (sent.size() < kLoadFrames.size() || !std::equal(kLoadFrames.begin(), kLoadFrames.end(), sent.begin()))
            return {"(the lighting was not read first)"};
        return {sent.begin() + static_cast<long>(kLoadFrames.size()), sent.end()};
    }
    TempDir home;
};

}  // namespace

TEST_F(LightCli, each_field_is_sent_as_its_batch_and_shown_back) {
    SimProcess sim;
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> writes;  // at the second profile's block, 42..83
        const char *shown;
    } cases[] = {
        {{"effect", "3"}, {light(42, "03"), light(46, "00")}, "\"effect\":3,"},
        {{"brightness", "0"}, {light(43, "00")}, "\"brightness\":0,"},
        {{"speed", "5"}, {light(44, "05")}, "\"speed\":5,"},
        {{"direction", "first"}, {light(45, "FF")}, "\"direction\":\"first\""},
        {{"colour", "1,2,3"}, {light(46, "00"), light(47, "010203")}, "\"colour\":[1,2,3]"},
        {{"colourful", "on"}, {light(46, "01")}, "\"colourful\":true"},
        {{"choice", "green"}, {light(59, "02")}, "\"colourChoice\":\"green\""},
        {{"effect", "17"}, {light(42, "11")}, "\"effect\":17,"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        std::vector<std::string> args = {"light", "--profile", "2"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<std::string> sent;
        RunResult r = ctl(sim, args, &sent);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(afterLoad(sent), batch(c.writes));
        RunResult shown = ctl(sim, {"light", "--profile", "2", "--json"});
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_NE(shown.out.find(c.shown), std::string::npos) << shown.out;
    }
    // The other profiles were not touched.
    RunResult first = ctl(sim, {"light", "--profile", "1", "--json"});
    // (The effect's name comes from the language file and is not what this checks.)
    EXPECT_NE(first.out.find("\"effect\":1,\"effectName\":"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find(",\"brightness\":4,\"speed\":2,"), std::string::npos) << first.out;
}

TEST_F(LightCli, report_rate_is_one_byte_of_the_profiles_block) {
    SimProcess sim({"--profile", "2"});
    std::vector<std::string> sent;
    RunResult r = ctl(sim, {"report-rate", "4"}, &sent);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Without --profile the keyboard's active profile (the third) is used.
    EXPECT_EQ(sent, (std::vector<std::string>{"info", "begin", light(84 + 15, "03"), "end"}));
    r = ctl(sim, {"report-rate", "--profile", "1", "2"}, &sent);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(sent, batch({light(15, "01")}));

    EXPECT_NE(ctl(sim, {"light", "--json"}).out.find("\"reportRate\":4,"), std::string::npos);
    EXPECT_NE(ctl(sim, {"light", "--profile", "1", "--json"}).out.find("\"reportRate\":2,"), std::string::npos);
}

TEST_F(LightCli, bad_arguments_are_refused_before_anything_is_sent) {
    SimProcess sim;
    const std::vector<std::vector<std::string>> cases = {
        {"light", "brightness", "6"},     {"light", "brightness"},          {"light", "speed", "x"},
        {"light", "direction", "left"},   {"light", "colour", "1,2"},       {"light", "colour", "1,2,256"},
        {"light", "colour", "1,2,3,4"},   {"light", "colourful", "yes"},    {"light", "choice", "purple"},
        {"light", "paint", "126", "1,2,3"}, {"light", "paint", "G0", "1,2,3"}, {"light", "paint", "5"},
        {"light", "user-mode", "0"},      {"light", "user-mode", "11"},     {"light", "effect", "0"},
        {"light", "sparkle", "1"},        {"light", "default", "now"},      {"light", "--profile", "4"},
        {"light", "--profile"},           {"report-rate", "0"},             {"report-rate", "5"},
        {"report-rate"},                  {"report-rate", "1", "2"},
    };
    for (const auto &args : cases) {
        std::string line;
        for (auto &a : args) line += a + " ";
        std::vector<std::string> sent;
        RunResult r = ctl(sim, args, &sent);
        EXPECT_EQ(r.exitCode, 2) << line;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << line << r.err;
        EXPECT_TRUE(sent.empty()) << line;
    }
}

TEST_F(LightCli, what_cannot_be_done_says_so_and_sends_nothing_more) {
    SimProcess sim({"--modes", "1,19,20"});
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char *message;
    } cases[] = {
        {{"light", "--profile", "1", "effect", "5"}, 1, "does not offer effect 5"},
        {{"light", "--profile", "1", "effect", "19"}, 1, "nothing was sent"},
        {{"light", "--profile", "1", "paint", "G1", "1,2,3"}, 1, "user-defined effect (20) is selected"},
        {{"light", "--profile", "1", "brightness", "4"}, 0, ""},  // unchanged: nothing to send
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[3] + " " + c.args[4]);
        std::vector<std::string> sent;
        RunResult r = ctl(sim, c.args, &sent);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(afterLoad(sent), std::vector<std::string>{});
    }

    SimProcess noUserModes({"--modes", "1,2"});
    RunResult r = ctl(noUserModes, {"light", "user-mode", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("does not offer the user-defined effect"), std::string::npos) << r.err;

    // A refused write is a failure with the keyboard's result.
    ASSERT_TRUE(sim.ctl("refuse 0xFE 3"));
    r = ctl(sim, {"report-rate", "--profile", "1", "3"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("refused it (result -103)"), std::string::npos) << r.err;
}

TEST_F(LightCli, user_modes_and_painting) {
    SimProcess sim;
    std::vector<std::string> sent;
    // The defaults bring the template's user modes into the third profile's light file.
    ASSERT_EQ(ctl(sim, {"light", "--profile", "3", "default"}).exitCode, 0);
    ASSERT_EQ(ctl(sim, {"light", "--profile", "3", "effect", "20"}).exitCode, 0);

    RunResult r = ctl(sim, {"light", "--profile", "3", "user-mode", "3"}, &sent);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> writes;
    for (auto &f : afterLoad(sent)) writes.push_back(f.substr(0, f.find('=')));
    EXPECT_EQ(writes, batch({"keys@1024", "keys@1078", "keys@1132", "keys@1186", "keys@1240", "keys@1294",
                             "keys@1348", "keys@1402"}));

    // Any G key is the one shared position 125; Fn is 116.
    for (const char *g : {"G1", "G7"}) {
        r = ctl(sim, {"light", "--profile", "3", "paint", g, "10,20,30"}, &sent);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(afterLoad(sent), batch({"keys@" + std::to_string(1024 + 375) + "=0A141E"})) << g;
    }
    r = ctl(sim, {"light", "--profile", "3", "paint", "Fn", "1,1,1"}, &sent);
    EXPECT_EQ(afterLoad(sent), batch({"keys@" + std::to_string(1024 + 348) + "=010101"}));

    r = ctl(sim, {"light", "--profile", "3", "base", "9,9,9"}, &sent);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(afterLoad(sent).size(), 10u);
    r = ctl(sim, {"light", "--profile", "3", "base", "9,9,9"}, &sent);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("nothing was sent"), std::string::npos);
    EXPECT_EQ(afterLoad(sent), std::vector<std::string>{});

    r = ctl(sim, {"light", "--profile", "3", "--json"});
    EXPECT_NE(r.out.find("\"userMode\":{\"mode\":3,\"name\":\"3\",\"tool\":0,\"baseColour\":[9,9,9],"
                         "\"paintColour\":[1,1,1]}"),
              std::string::npos)
        << r.out;
}
