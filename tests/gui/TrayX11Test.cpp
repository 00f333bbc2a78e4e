// The tray icon and a shaped window on a real X server: Xvfb, with the trayer panel as the
// tray where one is wanted. Each case runs this test program again as a child on that
// display (a process has one Qt platform); the child cases skip unless started that way,
// and the parents skip where Xvfb or trayer is not installed.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "SkinTestSupport.h"
#include "shell/SkinKeys.h"
#include "shell/qt/TrayIcon.h"
#include "support/VirtualKeyboard.h"
#include "ui/controls/BaseDialog.h"

extern char **environ;

using namespace t44;
using namespace std::chrono_literals;
using shell::CTrayIcon;

namespace {

bool onPath(const std::string &program) {
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

// This environment with some variables set and some removed (an empty value removes).
std::vector<std::string> environment(const std::vector<std::pair<std::string, std::string>> &changes) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool changed = false;
        for (const auto &c : changes) changed |= c.first == name;
        if (!changed) env.push_back(entry);
    }
    for (const auto &[name, value] : changes)
        if (!value.empty()) env.push_back(name + "=" + value);
    return env;
}

// An X server and the programs started on it; everything is ended when it goes.
class XSession {
public:
    ~XSession() {
        for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
            ::kill(*it, SIGTERM);
            ::waitpid(*it, nullptr, 0);
        }
    }

    bool startServer() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 3);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        const pid_t pid = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                                environment({}), &fa);
        posix_spawn_file_actions_destroy(&fa);
        ::close(fds[1]);
        if (pid <= 0) {
            ::close(fds[0]);
            return false;
        }
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && ::poll(&p, 1, 20000) > 0) {
            char buf[16];
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            number.append(buf, static_cast<size_t>(n));
        }
        ::close(fds[0]);
        if (number.empty() || number.find('\n') == std::string::npos) return false;
        display_ = ":" + number.substr(0, number.find('\n'));
        return true;
    }

    bool startTray() {
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        const pid_t pid = spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                 "32", "--SetDockType", "true"},
                                environment({{"DISPLAY", display_}}), &fa);
        posix_spawn_file_actions_destroy(&fa);
        return pid > 0;
    }

    // Runs the child cases matching `filter` of this test program on the display.
    test::RunResult runChild(const std::string &filter) {
        test::TempDir out;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, (out / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&fa, 2, (out / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const pid_t pid = spawn({self, "--gtest_filter=" + filter},
                                environment({{"DISPLAY", display_},
                                             {"QT_QPA_PLATFORM", "xcb"},
                                             {"T44_X11_CHILD", "1"},
                                             {"DBUS_SESSION_BUS_ADDRESS", ""},
                                             {"WAYLAND_DISPLAY", ""}}),
                                &fa, false);
        posix_spawn_file_actions_destroy(&fa);
        test::RunResult r;
        int status = 0;
        if (pid > 0 && !test::waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 120s)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        r.exitCode = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        auto read = [](const std::string &p) {
            std::ifstream in(p);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        r.out = read(out / "out");
        r.err = read(out / "err");
        return r;
    }

private:
    pid_t spawn(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                posix_spawn_file_actions_t *fa, bool keep = true) {
        std::vector<char *> a, e;
        for (const auto &s : argv) a.push_back(const_cast<char *>(s.c_str()));
        a.push_back(nullptr);
        for (const auto &s : env) e.push_back(const_cast<char *>(s.c_str()));
        e.push_back(nullptr);
        pid_t pid = -1;
        if (::posix_spawnp(&pid, a[0], fa, nullptr, a.data(), e.data()) != 0) return -1;
        if (keep) pids_.push_back(pid);
        return pid;
    }

    std::string display_;
    std::vector<pid_t> pids_;
};

bool inChild() { return std::getenv("T44_X11_CHILD") != nullptr; }

void expectChildPassed(const test::RunResult &r) {
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[  PASSED  ] 1 test."), std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.out.find("[  SKIPPED ]"), std::string::npos) << r.out;
}

// The widget Qt shows in an X tray for a tray icon.
QWidget *trayWidget(QWidget *except) {
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w == except || qobject_cast<QMenu *>(w)) continue;
        if (QByteArray(w->metaObject()->className()) == "QSystemTrayIconSys" || w->isVisible()) return w;
    }
    return nullptr;
}

QIcon solid(QRgb c) {
    QPixmap p(32, 32);
    p.fill(QColor::fromRgb(c));
    return QIcon(p);
}

const QRgb kColours[] = {qRgb(200, 40, 40), qRgb(40, 200, 90), qRgb(40, 90, 200)};

QRgb colourOf(int id) { return id == 128 ? kColours[0] : id == 141 ? kColours[1] : kColours[2]; }

void send(QWidget *w, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(TrayX11, in_a_real_tray_the_icon_appears_changes_and_its_menu_commands_arrive) {
    if (inChild()) GTEST_SKIP() << "the parent case";
    if (!onPath("Xvfb") || !onPath("trayer")) GTEST_SKIP() << "Xvfb or trayer is not installed";
    XSession x;
    ASSERT_TRUE(x.startServer());
    ASSERT_TRUE(x.startTray());
    expectChildPassed(x.runChild("TrayX11Child.with_a_tray*"));
}

TEST(TrayX11, without_a_tray_the_icon_still_works_and_shaped_windows_let_clicks_through) {
    if (inChild()) GTEST_SKIP() << "the parent case";
    if (!onPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    XSession x;
    ASSERT_TRUE(x.startServer());
    expectChildPassed(x.runChild("TrayX11Child.without_a_tray*"));
}

TEST(TrayX11Child, with_a_tray_the_icon_shows_changes_and_sends_its_commands) {
    if (!inChild()) GTEST_SKIP() << "runs on the X server of TrayX11";
    test::qtApp();
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    ASSERT_TRUE(test::qtWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 30s));
    QWidget window;
    CTrayIcon tray;
    tray.SetIconLoader([](int id) { return solid(colourOf(id)); });
    std::vector<int> commands;
    QObject::connect(&tray, &CTrayIcon::command, [&](int id) { commands.push_back(id); });
    int hookCalls = 0;
    tray.SetMenuHook([&](QMenu &) { ++hookCalls; });
    ASSERT_TRUE(tray.Create(&window, "Halvex T44-ARC", 128));

    // The tray takes the icon in and shows it.
    QWidget *icon = nullptr;
    ASSERT_TRUE(test::qtWaitFor([&] {
        icon = trayWidget(&window);
        return icon && icon->isVisible() && icon->windowHandle() && icon->windowHandle()->isExposed();
    }, 30s));
    auto shown = [&] { return icon->grab().toImage().pixel(icon->width() / 2, icon->height() / 2); };
    EXPECT_TRUE(test::qtWaitFor([&] { return shown() == colourOf(128); })) << std::hex << shown();
    for (int id : {141, 142, 128, 141}) {
        std::thread worker([&] { tray.SetIcon(id); });  // as the presence monitor does
        worker.join();
        EXPECT_TRUE(test::qtWaitFor([&] { return shown() == colourOf(id); })) << id;
    }

    // A right click opens the relabelled menu; its command arrives.
    send(icon, QEvent::MouseButtonPress, Qt::RightButton, QPoint(2, 2));
    send(icon, QEvent::MouseButtonRelease, Qt::RightButton, QPoint(2, 2));
    ASSERT_TRUE(test::qtWaitFor([&] { return tray.menu()->isVisible(); }));
    EXPECT_EQ(hookCalls, 1);
    QMenu *menu = tray.menu();
    const QPoint about = menu->actionGeometry(tray.action(CTrayIcon::kCommandAbout)).center();
    send(menu, QEvent::MouseButtonPress, Qt::LeftButton, about);
    send(menu, QEvent::MouseButtonRelease, Qt::LeftButton, about);
    EXPECT_TRUE(test::qtWaitFor([&] { return !commands.empty(); }));
    EXPECT_EQ(commands, std::vector<int>{CTrayIcon::kCommandAbout});

    // A double click is the open command; a single click does nothing.
    commands.clear();
    send(icon, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(2, 2));
    send(icon, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(2, 2));
    send(icon, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(2, 2));
    send(icon, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(2, 2));
    EXPECT_EQ(commands, std::vector<int>{CTrayIcon::kCommandOpen});
    tray.Remove();
}

TEST(TrayX11Child, without_a_tray_the_icon_still_works_and_shaped_windows_let_clicks_through) {
    if (!inChild()) GTEST_SKIP() << "runs on the X server of TrayX11";
    test::qtApp();
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    EXPECT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    QWidget window;
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create(&window, "Halvex T44-ARC", 128));
    std::thread worker([&] { tray.SetIcon(141); });
    worker.join();
    EXPECT_TRUE(test::qtWaitFor([&] { return tray.shownIconId() == 141; }));
    tray.SetTooltip("still here");
    tray.Remove();

    // A window below and the rounded profile manager over it: a click on the cut-away
    // corner reaches the window below.
    QWidget below;
    below.setWindowFlags(Qt::FramelessWindowHint);
    below.setGeometry(0, 0, 800, 600);
    below.show();
    const auto &skin = shell::ProfileSkin();
    ui::CBaseDialog d(std::string(T44_BINARY_DIR) + "/" + skin.iniFile, std::string(T44_BINARY_DIR) + "/Skins/");
    d.SetupSkin();
    d.move(100, 100);
    d.show();
    const QPoint corner = d.mapToGlobal(QPoint(1, 1));
    const QPoint centre = d.mapToGlobal(QPoint(d.width() / 2, d.height() / 2));
    ASSERT_TRUE(test::qtWaitFor([&] { return QApplication::widgetAt(centre) == &d; }, 30s));
    EXPECT_EQ(QApplication::widgetAt(corner), &below);
    EXPECT_EQ(QApplication::widgetAt(d.mapToGlobal(QPoint(d.width() - 2, d.height() - 2))), &below);
    EXPECT_EQ(QApplication::widgetAt(d.mapToGlobal(QPoint(20, 1))), &d);
}
