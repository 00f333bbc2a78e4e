// Start-up without windows: the switches, the message tags on the instance channel, the
// instance lock, the instance search and the channel's credential checks, with real
// sockets, real lock files and real second processes (fork).

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "Descriptors.h"
#include "device/EventListener.h"
#include "shell/Instance.h"
#include "shell/MainWindowMessages.h"
#include "shell/ProgramPaths.h"
#include "shell/Startup.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using namespace t44::shell;
using test::TempDir;
using namespace std::chrono_literals;

namespace {

const std::string kFixture = std::string(T44_SOURCE_DIR) + "/tests/fixtures/hidraw";

std::string ownExeName() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string path(buf, static_cast<size_t>(n > 0 ? n : 0));
    return path.substr(path.rfind('/') + 1);
}

// A second process of this program holding the instance lock in `dir` and serving its
// channel: it reports the first message it gets through a pipe, answers `answer` and
// ends. `uid`, when given, is the user the channel's listening end belongs to.
class ChildInstance {
public:
    explicit ChildInstance(const std::string &dir, uint8_t answer = 1, uid_t uid = ::getuid()) {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(report_) != 0) return;
        // Posing as another user: the socket is bound here (the folder is this user's) and
        // listened on by the child once it runs as that user, so the listener's
        // credentials are that user's.
        int bound = -1;
        if (uid != ::getuid()) {
            bound = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            const std::string path = instanceSocketPath(dir);
            std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
            if (::bind(bound, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            int fd = -1;
            InstanceLock lock;
            if (bound >= 0) {
                if (::setuid(uid) != 0 || ::listen(bound, 4) != 0) ::_exit(3);
                fd = bound;
            } else if (!lock.acquire(dir) || (fd = lock.listen()) < 0) {
                ::_exit(3);
            }
            [[maybe_unused]] auto w = ::write(ready[1], "r", 1);
            for (;;) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 10000) <= 0) ::_exit(2);
                int c = ::accept(fd, nullptr, nullptr);
                if (c < 0) continue;
                pollfd q{c, POLLIN, 0};
                uint8_t buf[16];
                ssize_t n = ::poll(&q, 1, 5000) > 0 ? ::recv(c, buf, sizeof buf, 0) : 0;
                if (n > 0) {
                    [[maybe_unused]] auto r = ::write(report_[1], buf, static_cast<size_t>(n));
                    ::send(c, &answer, 1, MSG_NOSIGNAL);
                    ::_exit(0);
                }
                ::close(c);  // a search: connected and went without a message
            }
        }
        if (bound >= 0) ::close(bound);
        ::close(ready[1]);
        char r;
        ok_ = pid_ > 0 && ::read(ready[0], &r, 1) == 1;
        ::close(ready[0]);
        ::close(report_[1]);
        report_[1] = -1;
    }
    ~ChildInstance() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (report_[0] >= 0) ::close(report_[0]);
    }
    bool ok() const { return ok_; }
    pid_t pid() const { return pid_; }
    // The bytes of the message the child got, or "" when it got none within the bound.
    std::vector<uint8_t> message() {
        pollfd p{report_[0], POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) return {};
        uint8_t buf[16];
        ssize_t n = ::read(report_[0], buf, sizeof buf);
        return {buf, buf + (n > 0 ? n : 0)};
    }

private:
    pid_t pid_ = -1;
    int report_[2] = {-1, -1};
    bool ok_ = false;
};

}  // namespace

TEST(StartupSwitches, match_in_any_letter_case_and_nothing_else_matches) {
    struct Case {
        const char *arg;
        Switch expected;
    } cases[] = {
        {"/Start", Switch::Start}, {"/start", Switch::Start}, {"/START", Switch::Start},
        {"/sTaRt", Switch::Start}, {"--start", Switch::Start}, {"--START", Switch::Start},
        {"/Kill", Switch::Kill},   {"/kill", Switch::Kill},   {"/kILL", Switch::Kill},
        {"--kill", Switch::Kill},  {"--Kill", Switch::Kill},  {"/Starts", Switch::None},
        {"Start", Switch::None},   {"/Kil", Switch::None},    {"-start", Switch::None},
        {"/", Switch::None},       {"", Switch::None},        {"/Kill ", Switch::None},
    };
    for (const auto &c : cases) EXPECT_EQ(parseSwitch(c.arg), c.expected) << '"' << c.arg << '"';
}

TEST(StartupSwitches, virtual_folder_is_taken_out_of_the_arguments) {
    const char *a[] = {"halvex-t44", "/Start", "--virtual", "/tmp/kb", "x", "/Kill"};
    auto line = parseCommandLine(6, a);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->virtualDir, "/tmp/kb");
    EXPECT_EQ(line->args, (std::vector<std::string>{"/Start", "x", "/Kill"}));

    const char *b[] = {"halvex-t44", "--virtual=/tmp/kb2"};
    line = parseCommandLine(2, b);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->virtualDir, "/tmp/kb2");
    EXPECT_TRUE(line->args.empty());

    const char *c[] = {"halvex-t44", "--virtual"};
    EXPECT_FALSE(parseCommandLine(2, c));
    const char *d[] = {"halvex-t44", "--virtual="};
    EXPECT_FALSE(parseCommandLine(2, d));
}

TEST(InstanceChannel, messages_carry_the_number_and_the_tag_little_endian) {
    EXPECT_EQ(kTagOpen, 0x4F50454Eu);
    EXPECT_EQ(kTagKill, 0x4C4C494Bu);
    EXPECT_EQ(kTagRev, 0x00564552u);
    EXPECT_EQ(kTagProf, 0x50524F46u);
    EXPECT_EQ(kTagInit, 0x494E4954u);
    EXPECT_EQ(kTagLanguage, 0x4C414E47u);

    const auto open = encodeInstanceMessage(messageFor(InstanceRequest::Open));
    EXPECT_EQ(std::vector<uint8_t>(open.begin(), open.end()),
              (std::vector<uint8_t>{0x50, 0x53, 0, 0, 0x4E, 0x45, 0x50, 0x4F}));
    const auto kill = encodeInstanceMessage(messageFor(InstanceRequest::Kill));
    EXPECT_EQ(std::vector<uint8_t>(kill.begin(), kill.end()),
              (std::vector<uint8_t>{0x4B, 0x4D, 0, 0, 0x4B, 0x49, 0x4C, 0x4C}));

    auto back = decodeInstanceMessage(kill.data(), kill.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (InstanceMessage{kMsgKill, kTagKill}));
    EXPECT_FALSE(decodeInstanceMessage(kill.data(), 7));
    EXPECT_FALSE(decodeInstanceMessage(kill.data(), 0));
    const uint8_t nine[9] = {};
    EXPECT_FALSE(decodeInstanceMessage(nine, 9));
}

TEST(InstanceChannel, only_a_private_folder_of_this_user_is_used) {
    TempDir tmp;
    namespace fs = std::filesystem;
    const std::string priv = tmp / "private", open = tmp / "open", group = tmp / "group";
    for (auto &d : {priv, open, group}) fs::create_directory(d);
    ::chmod(priv.c_str(), 0700);
    ::chmod(open.c_str(), 0777);
    ::chmod(group.c_str(), 0770);
    fs::create_directory_symlink(priv, tmp / "link");
    std::ofstream(tmp / "file") << "x";
    struct Case {
        std::string dir;
        bool usable;
    } cases[] = {{priv, true}, {open, false}, {group, false}, {tmp / "link", false},
                 {tmp / "file", false}, {tmp / "missing", false}, {"", false}};
    for (const auto &c : cases) EXPECT_EQ(isPrivateFolder(c.dir), c.usable) << c.dir;

    if (::getuid() == 0) {  // a folder of another user
        const std::string theirs = tmp / "theirs";
        fs::create_directory(theirs);
        ::chmod(theirs.c_str(), 0700);
        ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(isPrivateFolder(theirs));
    }
}

TEST(InstanceLock, is_exclusive_and_a_stale_lock_file_or_socket_does_not_block) {
    TempDir dir;
    // Left behind by a process that was killed: the lock file and a socket nobody
    // listens on.
    std::ofstream(instanceLockPath(dir.path())) << "";
    {
        int s = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, instanceSocketPath(dir.path()).c_str());
        ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ::close(s);
    }
    InstanceLock first;
    ASSERT_TRUE(first.acquire(dir.path()));
    ASSERT_GE(first.listen(), 0);
    struct stat st {};
    ASSERT_EQ(::stat(instanceSocketPath(dir.path()).c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    InstanceLock second;
    EXPECT_FALSE(second.acquire(dir.path()));
    EXPECT_EQ(second.listen(), -1);  // no channel without the lock

    first.release();
    EXPECT_FALSE(std::filesystem::exists(instanceSocketPath(dir.path())));
    EXPECT_TRUE(second.acquire(dir.path()));
}

TEST(InstanceSearch, skips_this_process_and_finds_the_other_one) {
    TempDir dir;
    {
        InstanceLock own;
        ASSERT_TRUE(own.acquire(dir.path()));
        ASSERT_GE(own.listen(), 0);
        // This process itself listens on the channel, under the same program name.
        EXPECT_EQ(findOtherInstance(ownExeName(), dir.path()), 0);
        EXPECT_FALSE(signalInstance(::getpid(), InstanceRequest::Open, dir.path(), 100ms));
    }
    ChildInstance other(dir.path());
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(findOtherInstance("some-other-program", dir.path()), 0);
    EXPECT_EQ(findOtherInstance(ownExeName(), dir.path()), other.pid());
    // Names compare ignoring case.
    std::string upper = ownExeName();
    for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(findOtherInstance(upper, dir.path()), other.pid());
    EXPECT_EQ(findOtherInstance(ownExeName(), (dir / "elsewhere")), 0);
}

TEST(InstanceSearch, signal_goes_only_to_the_process_found) {
    TempDir dir;
    ChildInstance other(dir.path());
    ASSERT_TRUE(other.ok());
    EXPECT_FALSE(signalInstance(other.pid() + 100000, InstanceRequest::Kill, dir.path(), 200ms));
    EXPECT_TRUE(signalInstance(other.pid(), InstanceRequest::Kill, dir.path()));
    EXPECT_EQ(other.message(), (std::vector<uint8_t>{0x4B, 0x4D, 0, 0, 0x4B, 0x49, 0x4C, 0x4C}));
}

TEST(InstanceSearch, an_answer_of_zero_is_no_hand_over) {
    TempDir dir;
    ChildInstance other(dir.path(), 0);
    ASSERT_TRUE(other.ok());
    EXPECT_FALSE(signalInstance(other.pid(), InstanceRequest::Open, dir.path()));
    EXPECT_EQ(other.message().size(), 8u);
}

// Another user's process may neither send to the channel nor pose as the instance.
TEST(InstanceSearch, other_users_are_refused_on_both_ends) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to run a process as another user";
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);  // reachable by the other user, still private
    {
        // The instance's end: a connection from user 65534 is closed unread.
        InstanceLock lock;
        ASSERT_TRUE(lock.acquire(dir.path()));
        const int listenFd = lock.listen();
        ASSERT_GE(listenFd, 0);
        ::chmod(instanceSocketPath(dir.path()).c_str(), 0777);
        pid_t child = ::fork();
        if (child == 0) {
            if (::setuid(65534) != 0) ::_exit(3);
            int s = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::strcpy(addr.sun_path, instanceSocketPath(dir.path()).c_str());
            if (::connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) ::_exit(4);
            const auto kill = encodeInstanceMessage(messageFor(InstanceRequest::Kill));
            ::send(s, kill.data(), kill.size(), MSG_NOSIGNAL);
            uint8_t answer = 0xEE;
            pollfd q{s, POLLIN, 0};
            if (::poll(&q, 1, 5000) != 1) ::_exit(5);  // left hanging: not refused
            ssize_t n = ::recv(s, &answer, 1, 0);
            ::_exit(n <= 0 ? 0 : 6);  // closed (or reset) without an answer
        }
        pollfd p{listenFd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 5000), 1);
        AcceptedClient c = acceptInstanceClient(listenFd);
        if (c.fd >= 0) ::close(c.fd);
        EXPECT_TRUE(c.refused);
        EXPECT_EQ(c.fd, -1);
        EXPECT_EQ(c.uid, 65534u);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    // The searching end: a listener of user 65534 on the channel is not the instance.
    ChildInstance impostor(dir.path(), 1, 65534);
    ASSERT_TRUE(impostor.ok());
    EXPECT_EQ(findOtherInstance(ownExeName(), dir.path()), 0);
    EXPECT_FALSE(signalInstance(impostor.pid(), InstanceRequest::Open, dir.path(), 200ms));
}

TEST(InstanceRules, switches_take_effect_in_order_and_kill_without_instance_starts_normally) {
    TempDir dir;
    {
        InstanceLock lock;
        auto d = applyInstanceRules({"/kill", "x", "/START"}, ownExeName(), dir.path(), lock);
        EXPECT_FALSE(d.endNow);
        EXPECT_TRUE(d.startHidden);
        EXPECT_TRUE(lock.held());
        EXPECT_GE(lock.listenFd(), 0);
    }
    struct Case {
        std::vector<std::string> args;
        uint32_t message;  // what the running instance gets
    } cases[] = {
        {{}, kMsgShow},
        {{"/Start"}, kMsgShow},
        {{"/Kill", "/Start"}, kMsgKill},
        {{"/Start", "--KILL"}, kMsgKill},
    };
    for (const auto &c : cases) {
        ChildInstance other(dir.path());
        ASSERT_TRUE(other.ok());
        InstanceLock lock;
        auto d = applyInstanceRules(c.args, ownExeName(), dir.path(), lock);
        EXPECT_TRUE(d.endNow);
        EXPECT_FALSE(lock.held());
        auto m = other.message();
        ASSERT_EQ(m.size(), 8u);
        EXPECT_EQ(decodeInstanceMessage(m.data(), m.size())->message, c.message);
    }
}

TEST(InstanceRules, lock_held_without_an_answering_instance_goes_on_after_a_while) {
    TempDir dir;
    InstanceLock holder;  // holds the lock, serves no channel
    ASSERT_TRUE(holder.acquire(dir.path()));
    InstanceLock lock;
    auto d = applyInstanceRules({}, ownExeName(), dir.path(), lock, 60ms);
    EXPECT_FALSE(d.endNow);
    EXPECT_FALSE(lock.held());
}

// Event reports: only a report that carries the event item gives a code, so a report of
// another id cannot replay the previous event.
TEST(EventReports, event_code_is_the_first_usage_of_this_report_only) {
    device::DeviceLink link({kFixture + "/sys", kFixture + "/dev"});
    ASSERT_TRUE(device::findKeyboardInterface(link, device::KeyboardInterface::Event));
    auto &report = link.inputReport();
    struct Case {
        std::vector<uint8_t> bytes;
        size_t length;
        uint16_t code;
    } cases[] = {
        {{3, 0x01, 0x04}, 3, 0x0401}, {{7, 0x01, 0x04}, 3, 0},      {{3, 0x11, 0x18}, 3, 0x1811},
        {{3, 0x00, 0x00}, 3, 0},      {{3, 0x10, 0x18}, 3, 0x1810}, {{3, 0x11, 0x18}, 1, 0},
        {{3, 0x11, 0x18}, 0, 0},
    };
    for (const auto &c : cases) {
        report = c.bytes;
        EXPECT_EQ(device::eventCodeOf(link, c.length), c.code)
            << std::hex << int(c.bytes[0]) << " " << int(c.bytes[1]) << " " << int(c.bytes[2]) << " len " << c.length;
    }
}
