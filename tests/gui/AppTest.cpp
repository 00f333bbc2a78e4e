// halvex-t44 end to end: the program as a separate process on the offscreen platform,
// the virtual keyboard as another, observed through the program's event log and the
// keyboard's frame log.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "AppProcess.h"
#include "shell/Instance.h"
#include "shell/Language.h"
#include "shell/ProgramPaths.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<std::string> commandsOf(const std::vector<std::string> &requests) {
    std::vector<std::string> out;
    for (auto &r : requests) out.push_back(r.substr(6, 2));
    return out;
}

std::vector<std::string> tail(const std::vector<std::string> &v, size_t from) {
    return {v.begin() + static_cast<long>(std::min(from, v.size())), v.end()};
}

const std::vector<std::string> kArrivalReads = {"07", "07", "07", "07", "07", "07", "07", "03"};

class App : public ::testing::Test {
protected:
    // What the window side was asked, in order ("window: " taken off).
    std::vector<std::string> windowCalls(pid_t pid) const {
        std::vector<std::string> out;
        for (auto &t : session.texts(pid, "window: ")) out.push_back(t.substr(8));
        return out;
    }
    // Sends the lighting event until the program reports the timer: the listener opens
    // the event interface on its own schedule, and an event sent before is gone.
    bool deliverLightingEvent(const SimProcess &sim, pid_t pid) {
        return waitFor(
            [&] {
                if (session.count(pid, "window: TIMER 1051 start") > 0) return true;
                sim.ctl("event 0x0401");
                return session.waitForLine(pid, "window: TIMER 1051 start", 1, 200ms);
            },
            15s);
    }
    AppSession session;
};

}  // namespace

TEST_F(App, without_keyboard_no_window_and_a_keyboard_started_later_only_changes_the_icon) {
    const std::string kb = session.root() + "/kb";  // the keyboard's folder, there only later
    AppProcess app(session, {"--virtual", kb});
    ASSERT_TRUE(session.waitForLine(app.pid(), "presence: no keyboard at start"));

    SimProcess sim;
    fs::create_directory_symlink(sim.dir(), kb);
    const long long appeared = nowMs();
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: ICON 0 141 -> 141"));
    // A removal afterwards shows the arrival was reported once.
    ASSERT_TRUE(sim.ctl("unplug"));
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: ICON 0 128 -> 128"));
    EXPECT_EQ(windowCalls(app.pid()), (std::vector<std::string>{"REV", "PROF", "ICON 0 141 -> 141", "CLOSE_EDITORS",
                                                                "HIDE", "ICON 0 128 -> 128"}));
    auto found = session.first(app.pid(), "presence: keyboard found");
    ASSERT_TRUE(found);
    std::cout << "[ figure ] keyboard found " << found->ms - appeared << " ms after it appeared\n";
    EXPECT_EQ(app.wait(0ms), -1);  // still running
}

TEST_F(App, keyboard_at_start_gives_rev_then_reads_then_prof_and_shows_the_window_once) {
    SimProcess sim;
    AppProcess app(session, {"--virtual", sim.dir()});
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: SHOW"));
    EXPECT_EQ(windowCalls(app.pid()),
              (std::vector<std::string>{"REV", "PROF", "ICON 0 141 -> 141", "OPEN posted", "OPEN", "SHOW"}));
    // The probe reads the information once; then, between "REV" and "PROF", the default
    // matrix and the information.
    std::vector<std::string> expected = {"03"};
    expected.insert(expected.end(), kArrivalReads.begin(), kArrivalReads.end());
    EXPECT_EQ(commandsOf(sim.requests()), expected);
}

TEST_F(App, unplug_and_plug_are_reported_and_the_window_is_not_shown_again) {
    SimProcess sim;
    AppProcess app(session, {"--virtual", sim.dir()});
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: SHOW"));
    const size_t calls = windowCalls(app.pid()).size();
    const size_t frames = sim.requests().size();

    const long long unplugged = nowMs();
    ASSERT_TRUE(sim.ctl("unplug"));
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: ICON 0 128 -> 128"));
    EXPECT_EQ(tail(windowCalls(app.pid()), calls),
              (std::vector<std::string>{"CLOSE_EDITORS", "HIDE", "ICON 0 128 -> 128"}));
    auto removed = session.first(app.pid(), "presence: keyboard removed");
    ASSERT_TRUE(removed);
    std::cout << "[ figure ] removal reported " << removed->ms - unplugged << " ms after the unplug command\n";

    const long long plugged = nowMs();
    ASSERT_TRUE(sim.ctl("plug"));
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: ICON 0 141 -> 141", 2));
    EXPECT_EQ(tail(windowCalls(app.pid()), calls + 3),
              (std::vector<std::string>{"REV", "PROF", "ICON 0 141 -> 141"}));
    EXPECT_EQ(session.count(app.pid(), "window: SHOW"), 1u);
    EXPECT_EQ(tail(commandsOf(sim.requests()), frames), kArrivalReads);
    auto log = session.log();
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        if (it->text == "presence: keyboard found") {
            std::cout << "[ figure ] return found " << it->ms - plugged << " ms after the plug command\n";
            break;
        }
}

TEST_F(App, keyboard_events_reload_the_lighting_and_flash_the_play_icon) {
    SimProcess sim;
    AppProcess app(session, {"/Start", "--virtual", sim.dir()});
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: ICON 0 141 -> 141"));
    ASSERT_TRUE(deliverLightingEvent(sim, app.pid()));
    EXPECT_TRUE(session.waitForLine(app.pid(), "window: TIMER 1051 fired"));
    ASSERT_TRUE(sim.ctl("event 0x1811"));
    ASSERT_TRUE(sim.ctl("event 0x1810"));
    ASSERT_TRUE(session.waitForLine(app.pid(), "window: ICON 0 0 -> 141"));
    std::vector<std::string> icons;
    for (auto &c : windowCalls(app.pid()))
        if (c.rfind("ICON", 0) == 0) icons.push_back(c);
    EXPECT_EQ(icons, (std::vector<std::string>{"ICON 0 141 -> 141", "ICON 1 0 -> 142", "ICON 0 0 -> 141"}));
    EXPECT_EQ(session.count(app.pid(), "window: SHOW"), 0u);  // "/Start": never shown on arrival
}

TEST_F(App, second_start_shows_the_first_window_and_ends_with_zero) {
    SimProcess sim;
    AppProcess first(session, {"/start", "--virtual", sim.dir()});
    ASSERT_TRUE(session.waitForLine(first.pid(), "window: ICON 0 141 -> 141"));
    AppProcess second(session, {"--virtual", sim.dir()});
    EXPECT_EQ(second.wait(), 0);
    ASSERT_TRUE(session.waitForLine(first.pid(), "window: SHOW"));
    EXPECT_EQ(session.texts(second.pid()),
              (std::vector<std::string>{"instance: OPEN sent to " + std::to_string(first.pid())}));
    EXPECT_EQ(session.texts(first.pid(), "instance: "),
              (std::vector<std::string>{"instance: only instance", "instance: OPEN received"}));
}

TEST_F(App, second_start_without_keyboard_tells_the_no_device_text) {
    ::setenv("XDG_CONFIG_HOME", session.configDir().c_str(), 1);
    shell::setProgramDir(T44_BINARY_DIR);  // where halvex-t44 finds its language files
    const std::string text = shell::LangText("MAIN_NO_DEVICE_PROMPT");

    AppProcess first(session, {"--virtual", session.root() + "/none"});
    ASSERT_TRUE(session.waitForLine(first.pid(), "presence: no keyboard at start"));
    EXPECT_EQ(runApp(session, {}), 0);
    ASSERT_TRUE(session.waitForLine(first.pid(), "prompt: " + text));
    EXPECT_EQ(tail(windowCalls(first.pid()), 0), (std::vector<std::string>{"NO_DEVICE"}));
    // The program goes on with the message box up, and still ends the orderly way.
    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(), 0);
    EXPECT_TRUE(session.waitForLine(first.pid(), "app: ended"));
}

TEST_F(App, kill_ends_the_running_instance_the_orderly_way_and_then_itself) {
    const std::vector<std::vector<std::string>> cases = {{"/Kill"}, {"/kill", "/Start"}, {"--KILL"}, {"/Start", "/KILL"}};
    for (const auto &args : cases) {
        AppSession s;
        AppProcess first(s, {});
        ASSERT_TRUE(s.waitForLine(first.pid(), "app: running"));
        AppProcess second(s, args);
        EXPECT_EQ(second.wait(), 0) << args[0];
        // The first has given up its lock before the second ends.
        EXPECT_EQ(s.count(first.pid(), "instance: lock released"), 1u) << args[0];
        EXPECT_EQ(first.wait(), 0) << args[0];
        const auto firstLog = s.texts(first.pid());
        for (const char *line : {"instance: KILL received", "window: EXIT", "app: ended"})
            EXPECT_NE(std::find(firstLog.begin(), firstLog.end(), line), firstLog.end()) << line;
        EXPECT_EQ(s.texts(second.pid()),
                  (std::vector<std::string>{"instance: KILL sent to " + std::to_string(first.pid())}))
            << args[0];
    }
}

TEST_F(App, kill_with_no_running_instance_starts_normally) {
    AppProcess app(session, {"/KILL", "--virtual", session.root() + "/none"});
    ASSERT_TRUE(session.waitForLine(app.pid(), "app: running"));
    EXPECT_EQ(session.texts(app.pid(), "instance: "),
              (std::vector<std::string>{"instance: KILL with no other instance", "instance: only instance"}));
    EXPECT_EQ(session.count(app.pid(), "app: no background program"), 1u);
    // Plain termination is the orderly exit too.
    app.signal(SIGTERM);
    EXPECT_EQ(app.wait(), 0);
    EXPECT_EQ(session.count(app.pid(), "window: EXIT"), 1u);
    EXPECT_TRUE(windowCalls(app.pid()) == (std::vector<std::string>{"EXIT", "CLOSE_EDITORS"}));
}

TEST_F(App, lock_left_by_a_killed_instance_does_not_block_start_up) {
    AppProcess killed(session, {});
    ASSERT_TRUE(session.waitForLine(killed.pid(), "app: running"));
    killed.signal(SIGKILL);
    EXPECT_EQ(killed.wait(), -1);
    EXPECT_TRUE(fs::exists(shell::instanceLockPath(session.runtimeDir())));
    EXPECT_TRUE(fs::exists(shell::instanceSocketPath(session.runtimeDir())));

    AppProcess next(session, {});
    ASSERT_TRUE(session.waitForLine(next.pid(), "app: running"));
    EXPECT_EQ(session.count(next.pid(), "instance: only instance"), 1u);
    // It holds the channel now: a further start hands over to it.
    EXPECT_EQ(runApp(session, {}), 0);
    EXPECT_TRUE(session.waitForLine(next.pid(), "instance: OPEN received"));
}

TEST_F(App, messages_from_another_user_are_refused) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to run a process as another user";
    AppProcess app(session, {});
    ASSERT_TRUE(session.waitForLine(app.pid(), "app: running"));
    // Open the way for the other user, as a careless setup might; the program must still
    // refuse the message by its sender's credentials.
    ::chmod(session.root().c_str(), 0755);
    ::chmod(session.runtimeDir().c_str(), 0755);
    const std::string sock = shell::instanceSocketPath(session.runtimeDir());
    ::chmod(sock.c_str(), 0777);
    pid_t child = ::fork();
    if (child == 0) {
        if (::setuid(65534) != 0) ::_exit(3);
        int s = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, sock.c_str());
        if (::connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) ::_exit(4);
        const auto kill = shell::encodeInstanceMessage(shell::messageFor(shell::InstanceRequest::Kill));
        ::send(s, kill.data(), kill.size(), MSG_NOSIGNAL);
        pollfd p{s, POLLIN, 0};
        uint8_t answer = 0;
        ::_exit(::poll(&p, 1, 5000) == 1 && ::recv(s, &answer, 1, 0) <= 0 ? 0 : 5);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(session.waitForLine(app.pid(), "instance: refused a message from user 65534 (process " +
                                                   std::to_string(child) + ")"));
    EXPECT_EQ(session.count(app.pid(), "window: EXIT"), 0u);
    // The user's own /Kill still works.
    ::chmod(session.runtimeDir().c_str(), 0700);
    EXPECT_EQ(runApp(session, {"/Kill"}), 0);
    EXPECT_EQ(app.wait(), 0);
}

TEST_F(App, background_program_beside_the_executable_is_started) {
    TempDir prog;
    const std::string exe = prog / "halvex-t44";
    fs::copy_file(T44_APP_EXE, exe);
    const std::string marker = session.root() + "/tapwatch-ran";
    {
        std::ofstream script(prog / "Tapwatch");
        script << "#!/bin/sh\necho \"$@\" > '" << marker << "'\n";
    }
    fs::permissions(prog / "Tapwatch", fs::perms::owner_all);
    AppProcess app(session, {}, exe);
    ASSERT_TRUE(session.waitForLine(app.pid(), "app: running"));
    EXPECT_EQ(session.count(app.pid(), "app: background program started"), 1u);
    EXPECT_TRUE(waitFor([&] { return fs::exists(marker); }, 10s));
    std::ifstream in(marker);
    std::string args;
    std::getline(in, args);
    EXPECT_EQ(args, "");  // started with no parameters
}
