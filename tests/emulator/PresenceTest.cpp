// The presence monitor and the event listener against the virtual keyboard running as a
// separate process: what each reports to the window and in which order, what it reads
// from the keyboard on the way, and how both threads live through unplugging, failing
// enumerations and stopping.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "Keyboard.h"
#include "device/DeviceFacts.h"
#include "device/EventListener.h"
#include "device/PresenceMonitor.h"
#include "device/Protocol.h"
#include "shell/Language.h"
#include "shell/Prompt.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::device;
using test::SimProcess;
using test::TempDir;
using test::waitFor;
using namespace std::chrono_literals;

namespace {

// The window side as the core sees it: every call in order, with an optional hook run on
// the calling thread before the call returns (as a sent message would).
class RecordingWindow : public shell::MainWindowMessages {
public:
    std::function<void(const std::string &)> hook;
    std::chrono::milliseconds iconDelay{0};  // a slow window, for icon ordering

    void versionCheck() override { record("REV"); }
    void loadProfile() override { record("PROF"); }
    void closeEditors() override { record("CLOSE_EDITORS"); }
    void hideWindow() override { record("HIDE"); }
    void setTrayIcon(int kind, int id) override {
        if (iconDelay.count()) std::this_thread::sleep_for(iconDelay);
        record("ICON " + std::to_string(kind) + " " + std::to_string(id));
    }
    void postOpen() override { record("OPEN"); }
    void startLightReloadTimer() override { record("TIMER"); }
    void showWindow() override { record("SHOW"); }
    void orderlyExit() override { record("EXIT"); }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    size_t count(const std::string &call) const {
        auto c = calls();
        return static_cast<size_t>(std::count(c.begin(), c.end(), call));
    }
    // The calls from index `from` on.
    std::vector<std::string> callsFrom(size_t from) const {
        auto c = calls();
        return {c.begin() + static_cast<long>(std::min(from, c.size())), c.end()};
    }

private:
    void record(const std::string &call) {
        if (hook) hook(call);
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

class RecordingSink : public DeviceFactsSink {
public:
    void defaultMatrixRead(const uint8_t *m) override {
        std::lock_guard lock(mutex);
        matrices.emplace_back(m, m + kMatrixSize);
    }
    void macroCapacityRead(uint32_t bytes) override {
        std::lock_guard lock(mutex);
        capacities.push_back(bytes);
    }
    void activeProfileUnknown() override {
        std::lock_guard lock(mutex);
        ++unknown;
    }
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> matrices;
    std::vector<uint32_t> capacities;
    int unknown = 0;
};

class RecordingPrompter : public shell::Prompter {
public:
    void tell(const std::string &text) override {
        std::lock_guard lock(mutex);
        told.push_back(text);
    }
    bool ask(const std::string &) override { return false; }
    std::mutex mutex;
    std::vector<std::string> told;
};

// Command bytes (hex) of the requests in a frame log.
std::vector<std::string> commandsOf(const std::vector<std::string> &requests) {
    std::vector<std::string> out;
    for (auto &r : requests) out.push_back(r.substr(6, 2));
    return out;
}

std::vector<std::string> repeat(const std::string &s, size_t n) { return std::vector<std::string>(n, s); }

std::vector<std::string> join(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::string> kArrivalReads = join(repeat("07", 7), {"03"});

class Presence : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        resetPresenceState();
        connected = false;
        setDeviceFactsSink(&sink);
        shell::setPrompter(&prompts);
    }
    void TearDown() override {
        monitor.stop();
        if (listener) listener->stop();
        test::disconnectCommandLink();
        setDeviceFactsSink(nullptr);
        shell::setPrompter(nullptr);
    }
    void startListener(const std::string &dir) {
        listener.emplace(window, 50ms, HidRoots::virtualDir(dir));
        listener->start();
    }
    void startMonitor(const std::string &dir) {
        commandLink().setRoots(HidRoots::virtualDir(dir));
        monitor.start();
    }
    bool waitForCall(const std::string &call, size_t times = 1, std::chrono::milliseconds limit = 10s) {
        return waitFor([&] { return window.count(call) >= times; }, limit);
    }
    // Sends an event until the window has seen `times` timer starts: the listener may not
    // have its interface open yet, and an event sent before that is gone.
    bool deliverLightingEvent(const SimProcess &sim, size_t times) {
        return waitFor(
            [&] {
                if (window.count("TIMER") >= times) return true;
                sim.ctl("event 0x0401");
                return waitFor([&] { return window.count("TIMER") >= times; }, 100ms);
            },
            10s);
    }

    TempDir config;
    RecordingWindow window;
    RecordingSink sink;
    RecordingPrompter prompts;
    PresenceMonitor monitor{window, PresencePeriods{1ms, 10ms, 50ms}};
    std::optional<EventListener> listener;
};

// The event listener's cases share the fixture.
class PresenceEvents : public Presence {};

}  // namespace

TEST_F(Presence, arrival_sends_rev_then_reads_then_prof_then_icon_then_opens_once) {
    SimProcess sim({"--macro-units", "16"});
    std::vector<std::string> atRev, atProf;
    window.hook = [&](const std::string &call) {
        if (call == "REV") atRev = commandsOf(sim.requests());
        if (call == "PROF") atProf = commandsOf(sim.requests());
    };
    startMonitor(sim.dir());
    ASSERT_TRUE(waitForCall("OPEN"));

    EXPECT_EQ(window.calls(), (std::vector<std::string>{"REV", "PROF", "ICON 0 141", "OPEN"}));
    // The probe's one information read comes before "REV"; the default matrix and the
    // information are read between "REV" and "PROF".
    EXPECT_EQ(atRev, (std::vector<std::string>{"03"}));
    EXPECT_EQ(atProf, join({"03"}, kArrivalReads));
    {
        std::lock_guard lock(sink.mutex);
        ASSERT_EQ(sink.matrices.size(), 1u);
        EXPECT_TRUE(std::equal(sink.matrices[0].begin(), sink.matrices[0].end(),
                               sim::factoryDefaultMatrix().begin()));
        EXPECT_EQ(sink.capacities, (std::vector<uint32_t>{16 * 128}));
        EXPECT_EQ(sink.unknown, 0);
    }
    EXPECT_TRUE(connected);
    EXPECT_TRUE(lastReported);
    EXPECT_TRUE(startHidden);
    EXPECT_EQ(connectionIcon, shell::kIconConnected);
    EXPECT_FALSE(reportBusy);
    DeviceInfo info;
    EXPECT_EQ(readDeviceInfo(info), ResultCode::Success);  // the link stays open for commands
}

TEST_F(Presence, started_hidden_never_opens_the_window) {
    SimProcess sim;
    startHidden = true;
    startMonitor(sim.dir());
    ASSERT_TRUE(waitForCall("ICON 0 141"));
    ASSERT_TRUE(sim.ctl("unplug"));
    ASSERT_TRUE(waitForCall("ICON 0 128"));
    ASSERT_TRUE(sim.ctl("plug"));
    ASSERT_TRUE(waitForCall("ICON 0 141", 2));
    EXPECT_EQ(window.count("OPEN"), 0u);
}

TEST_F(Presence, keyboard_arriving_later_is_reported_once_and_not_opened) {
    SimProcess sim;
    ASSERT_TRUE(sim.ctl("unplug"));
    startMonitor(sim.dir());
    // The first search found nothing: from now on an arrival must not pop the window up.
    ASSERT_TRUE(waitFor([] { return startHidden.load(); }));
    EXPECT_TRUE(window.calls().empty());  // "not connected" equals the state at start
    EXPECT_TRUE(sim.requests().empty());

    ASSERT_TRUE(sim.ctl("plug"));
    ASSERT_TRUE(waitForCall("ICON 0 141"));
    // A removal afterwards shows nothing was reported twice in between.
    ASSERT_TRUE(sim.ctl("unplug"));
    ASSERT_TRUE(waitForCall("ICON 0 128"));
    EXPECT_EQ(window.calls(), (std::vector<std::string>{"REV", "PROF", "ICON 0 141", "CLOSE_EDITORS", "HIDE",
                                                        "ICON 0 128"}));
    EXPECT_EQ(commandsOf(sim.requests()), kArrivalReads);  // no probe read: it found nothing
}

TEST_F(Presence, unplug_is_reported_and_commands_give_zero_until_plugged_again) {
    SimProcess sim;
    startMonitor(sim.dir());
    ASSERT_TRUE(waitForCall("OPEN"));
    const size_t before = window.calls().size();
    const size_t framesBefore = sim.requests().size();

    ASSERT_TRUE(sim.ctl("unplug"));
    ASSERT_TRUE(waitForCall("ICON 0 128"));
    EXPECT_EQ(window.callsFrom(before), (std::vector<std::string>{"CLOSE_EDITORS", "HIDE", "ICON 0 128"}));
    EXPECT_FALSE(connected);
    EXPECT_FALSE(lastReported);
    EXPECT_EQ(connectionIcon, shell::kIconDisconnected);
    {
        std::lock_guard lock(sink.mutex);
        EXPECT_EQ(sink.unknown, 1);
    }
    DeviceInfo info;
    uint8_t matrix[kMatrixSize];
    EXPECT_EQ(readDeviceInfo(info), ResultCode::NoKeyboard);
    EXPECT_EQ(readDefaultMatrix(matrix), ResultCode::NoKeyboard);
    EXPECT_EQ(beginBatch(), ResultCode::NoKeyboard);

    const size_t beforePlug = window.calls().size();
    ASSERT_TRUE(sim.ctl("plug"));
    ASSERT_TRUE(waitForCall("ICON 0 141", 2));
    EXPECT_EQ(window.callsFrom(beforePlug), (std::vector<std::string>{"REV", "PROF", "ICON 0 141"}));
    EXPECT_EQ(window.count("OPEN"), 1u);
    // Nothing went to the keyboard while it was away; on its return the reads repeat.
    auto frames = commandsOf(sim.requests());
    EXPECT_EQ(std::vector<std::string>(frames.begin() + static_cast<long>(framesBefore), frames.end()),
              kArrivalReads);
    {
        std::lock_guard lock(sink.mutex);
        EXPECT_EQ(sink.matrices.size(), 2u);
        EXPECT_EQ(sink.capacities.size(), 2u);
    }
    EXPECT_EQ(readDeviceInfo(info), ResultCode::Success);
}

TEST_F(Presence, failed_default_matrix_read_tells_the_user_and_goes_on) {
    SimProcess sim;
    // Right after "REV" the keyboard refuses the first default-matrix frame.
    window.hook = [&](const std::string &call) {
        if (call == "REV") sim.ctl("refuse 0xFF 1");
    };
    startMonitor(sim.dir());
    ASSERT_TRUE(waitForCall("OPEN"));
    EXPECT_EQ(window.calls(), (std::vector<std::string>{"REV", "PROF", "ICON 0 141", "OPEN"}));
    {
        std::lock_guard lock(prompts.mutex);
        EXPECT_EQ(prompts.told, (std::vector<std::string>{shell::LangText("MAIN_DEFAULT_MATRIX_PROMPT")}));
    }
    std::lock_guard lock(sink.mutex);
    EXPECT_TRUE(sink.matrices.empty());  // the old matrix is kept
    EXPECT_EQ(sink.capacities.size(), 1u);
}

TEST_F(Presence, no_sink_reads_and_drops_the_facts) {
    setDeviceFactsSink(nullptr);
    SimProcess sim;
    startMonitor(sim.dir());
    ASSERT_TRUE(waitForCall("OPEN"));
    EXPECT_EQ(commandsOf(sim.requests()), join({"03"}, kArrivalReads));
    ASSERT_TRUE(sim.ctl("unplug"));
    ASSERT_TRUE(waitForCall("ICON 0 128"));
}

// A sysfs tree whose hidraw class cannot be listed (a symbolic link loop) makes every
// enumeration fail; once it is fixed both threads must find the keyboard.
TEST_F(Presence, monitor_and_listener_keep_going_after_enumeration_failures) {
    SimProcess sim;
    TempDir tmp;
    namespace fs = std::filesystem;
    fs::create_directories(tmp / "broken/sys/class");
    fs::create_directory_symlink(tmp / "broken/sys/class/hidraw", tmp / "broken/sys/class/hidraw");
    fs::create_directories(tmp / "broken/dev");
    fs::create_directory_symlink(tmp / "broken", tmp / "root");
    const HidRoots roots = HidRoots::virtualDir(tmp / "root");
    {
        DeviceLink probe(roots);
        ASSERT_FALSE(probe.enumerate()) << "the fixture must make enumeration fail";
    }
    EventListener events(window, 20ms, roots);
    events.start();
    startMonitor(tmp / "root");
    ASSERT_TRUE(waitFor([] { return startHidden.load(); }));  // the first search failed

    // Point the tree at the keyboard (rename is atomic: no pass sees a missing tree).
    fs::create_directory_symlink(sim.dir(), tmp / "next");
    fs::rename(tmp / "next", tmp / "root");
    EXPECT_TRUE(waitForCall("ICON 0 141"));
    EXPECT_TRUE(deliverLightingEvent(sim, 1));
    events.stop();
}

TEST_F(PresenceEvents, maps_event_codes_to_the_timer_and_icon_changes) {
    SimProcess sim;
    startListener(sim.dir());
    ASSERT_TRUE(deliverLightingEvent(sim, 1));
    const size_t before = window.calls().size();
    for (const char *code : {"0x1801", "0x1802", "0x1803", "0x1804", "0x0402", "0x1234", "0x1811", "0x1810"})
        ASSERT_TRUE(sim.ctl(std::string("event ") + code));
    ASSERT_TRUE(sim.ctl("event 0x0401"));
    ASSERT_TRUE(waitForCall("TIMER", 2));
    ASSERT_TRUE(waitForCall("ICON 0 0"));
    // Icon changes run on threads of their own: the timer may come before them.
    auto calls = window.callsFrom(before);
    calls.erase(std::remove(calls.begin(), calls.end(), "TIMER"), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{"ICON 1 0", "ICON 0 0"}));
    EXPECT_EQ(window.count("TIMER"), 2u);
    EXPECT_FALSE(indicatorBusy);
}

// With a window slow to change the icon several changes wait at once; they must still
// reach it in the order the keyboard sent the events, so the play symbol never stays on.
TEST_F(PresenceEvents, icon_changes_keep_the_order_of_the_events) {
    SimProcess sim;
    window.iconDelay = 40ms;
    startListener(sim.dir());
    ASSERT_TRUE(deliverLightingEvent(sim, 1));
    constexpr int kPairs = 8;
    for (int i = 0; i < kPairs; ++i) {
        ASSERT_TRUE(sim.ctl("event 0x1811"));
        ASSERT_TRUE(sim.ctl("event 0x1810"));
    }
    ASSERT_TRUE(waitFor([&] { return window.count("ICON 0 0") == kPairs; }));
    std::vector<std::string> icons;
    for (auto &c : window.calls())
        if (c.rfind("ICON", 0) == 0) icons.push_back(c);
    std::vector<std::string> expected;
    for (int i = 0; i < kPairs; ++i) expected = join(expected, {"ICON 1 0", "ICON 0 0"});
    EXPECT_EQ(icons, expected);
}

TEST_F(PresenceEvents, unplug_ends_the_read_and_plug_opens_the_interface_again) {
    SimProcess sim;
    startListener(sim.dir());
    ASSERT_TRUE(deliverLightingEvent(sim, 1));
    ASSERT_TRUE(sim.ctl("unplug"));
    ASSERT_TRUE(sim.ctl("plug"));
    EXPECT_TRUE(deliverLightingEvent(sim, 2));
}

// The program runs both threads for its whole life with the real periods; a stop must
// still end them at once, the listener out of a read that has no time-out.
TEST(PresenceThreads, both_stop_promptly_from_their_waits_with_the_real_periods) {
    TempDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    resetPresenceState();
    SimProcess sim;
    RecordingWindow window;
    commandLink().setRoots(HidRoots::virtualDir(sim.dir()));
    PresenceMonitor monitor(window);
    EventListener listener(window, 1000ms, HidRoots::virtualDir(sim.dir()));
    listener.start();
    monitor.start();
    ASSERT_TRUE(waitFor([&] { return window.count("OPEN") == 1; }));
    // The listener is blocked in its read once the event interface is open: an event
    // gets through.
    ASSERT_TRUE(waitFor(
        [&] {
            sim.ctl("event 0x0401");
            return waitFor([&] { return window.count("TIMER") > 0; }, 100ms);
        },
        10s));
    listener.stop();
    monitor.stop();
    EXPECT_FALSE(listener.running());
    EXPECT_FALSE(monitor.running());
    test::disconnectCommandLink();
}
