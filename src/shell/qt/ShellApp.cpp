#include "shell/qt/ShellApp.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "device/DeviceFacts.h"
#include "device/DeviceLink.h"
#include "device/EventListener.h"
#include "device/PresenceMonitor.h"
#include "device/Protocol.h"
#include "model/ConfigImage.h"
#include "shell/EventLog.h"
#include "shell/ProgramPaths.h"
#include "shell/Startup.h"
#include "shell/qt/InstanceServer.h"
#include "shell/qt/MessageBoxPrompter.h"
#include "shell/qt/ShellWindow.h"
#include "shell/qt/UiThread.h"
#include "storage/UserPaths.h"

namespace t44::shell::qt {
namespace {

int gSignalFd = -1;

void onTerminate(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(gSignalFd, &c, 1);
}

// SIGTERM and SIGINT (a session ending, Ctrl+C) end the program the orderly way, as the
// tray's exit does.
class TerminationWatch {
public:
    explicit TerminationWatch(MainWindowMessages &window) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) return;
        gSignalFd = fds_[1];
        notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, &window] {
            char buf[16];
            while (::read(fds_[0], buf, sizeof buf) > 0) {
            }
            logEvent("app: termination signal");
            window.orderlyExit();
        });
        struct sigaction sa {};
        sa.sa_handler = onTerminate;
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
    }
    ~TerminationWatch() {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        notifier_.reset();
        gSignalFd = -1;
        if (fds_[0] >= 0) ::close(fds_[0]);
        if (fds_[1] >= 0) ::close(fds_[1]);
    }

private:
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The companion program beside the executable, started without a shell and not waited
// for. Its absence, or a failure to start it, is no concern of this program.
void startBackgroundProgram() {
    const std::string path = programPaths().program("Tapwatch");
    if (::access(path.c_str(), X_OK) != 0) {
        logEvent("app: no background program");
        return;
    }
    const bool ok = QProcess::startDetached(QString::fromStdString(path), {});
    logEvent(ok ? "app: background program started" : "app: background program did not start");
}

// Ends both worker threads. They may be waiting for this thread to handle a message they
// sent, so the joins run elsewhere while this thread goes on serving them.
void stopWorkers(device::PresenceMonitor &monitor, device::EventListener &listener) {
    QEventLoop loop;
    std::thread joiner([&] {
        monitor.stop();
        listener.stop();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    joiner.join();
}

}  // namespace

int runApplication(int argc, char **argv) {
    auto line = parseCommandLine(argc, argv);
    if (!line) {
        std::fprintf(stderr, "usage: halvex-t44 [/Start] [/Kill] [--virtual DIR]\n");
        return 2;
    }
    if (line->virtualDir) device::setDefaultHidRoots(device::HidRoots::virtualDir(*line->virtualDir));
    // The process-wide objects, before anything else runs: the command link (on the
    // roots chosen above) and the transaction lock.
    device::commandLink();
    device::transactionLock();
    if (const char *log = std::getenv("HALVEX_T44_LOG"); log && *log && !openEventLog(log))
        std::fprintf(stderr, "halvex-t44: cannot open the log %s\n", log);
    std::signal(SIGPIPE, SIG_IGN);

    initProgramPaths(argv[0]);
    // The per-user settings live in the configuration folder; make sure it exists.
    storage::ensureFolder(storage::configHome());

    // The single-instance rule needs no windows: a second start or "/Kill" hands over
    // and ends before the window system is touched, so it works without a display.
    InstanceLock lock;
    const InstanceDecision decision =
        applyInstanceRules(line->args, programPaths().exeName, instanceFolder(), lock);
    if (decision.endNow) return 0;
    device::startHidden = decision.startHidden;
    startBackgroundProgram();

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    MessageBoxPrompter prompter;
    setPrompter(&prompter);
    ShellWindow window;

    window.initialise();
    InstanceServer server(lock.listenFd(), window);
    QObject::connect(&window, &ShellWindow::exitRequested, &app, [&] {
        server.stopListening();
        lock.release();
        logEvent("instance: lock released");
        QCoreApplication::quit();
    });
    TerminationWatch termination(window);

    // The configuration image (with the model and apply locks) receives what the presence
    // monitor reads from an arriving keyboard.
    model::configImage();
    model::installDeviceFactsSink();
    // The window's initialisation brings the device side up: the active profile is not
    // known yet, then the event listener, then the presence monitor.
    if (device::DeviceFactsSink *sink = device::deviceFactsSink()) sink->activeProfileUnknown();
    device::EventListener listener(window);
    device::PresenceMonitor monitor(window);
    listener.start();
    monitor.start();
    logEvent("app: running");

    const int code = app.exec();

    beginUiShutdown();
    stopWorkers(monitor, listener);
    setPrompter(nullptr);
    lock.release();
    logEvent("app: ended");
    return code;
}

}  // namespace t44::shell::qt
