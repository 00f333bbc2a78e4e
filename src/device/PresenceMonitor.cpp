#include "device/PresenceMonitor.h"

#include <array>
#include <mutex>

#include "device/DeviceFacts.h"
#include "device/Protocol.h"
#include "shell/EventLog.h"
#include "shell/Language.h"
#include "shell/Prompt.h"

namespace t44::device {

std::atomic<bool> lastReported{false};
std::atomic<bool> reportBusy{false};
std::atomic<bool> startHidden{false};
std::atomic<int> connectionIcon{shell::kIconDisconnected};

void resetPresenceState() {
    lastReported = false;
    reportBusy = false;
    startHidden = false;
    connectionIcon = shell::kIconDisconnected;
}

PresenceMonitor::PresenceMonitor(shell::MainWindowMessages &window, PresencePeriods periods)
    : window_(window), periods_(periods) {}

PresenceMonitor::~PresenceMonitor() { stop(); }

void PresenceMonitor::start() {
    worker_.start([this] { run(); });
}

void PresenceMonitor::requestStop() { worker_.requestStop(); }

void PresenceMonitor::stop() {
    requestStop();
    worker_.join();
}

// Searches for the command interface and leaves commandLink() open on it. The
// transaction lock keeps the link from being reopened under a command of another thread
// that is still finishing its exchange with the keyboard that went away.
bool PresenceMonitor::search() {
    bool enumerationFailed = false;
    bool found;
    {
        std::lock_guard lock(transactionLock());
        found = findKeyboardInterface(commandLink(), KeyboardInterface::Command, &enumerationFailed);
    }
    // A failed enumeration is taken as "not found this time": the next period tries
    // again, so a passing failure cannot stop the program from ever seeing the keyboard.
    if (enumerationFailed) shell::logEvent("presence: enumeration failed, trying again");
    return found;
}

// One look at the keyboard before monitoring starts: the device information is read once
// and dropped, and the link is closed again so the first search reports the arrival.
void PresenceMonitor::probe() {
    if (search()) {
        connected = true;
        DeviceInfo info;
        readDeviceInfo(info);
        std::lock_guard lock(transactionLock());
        commandLink().close();
    }
    connected = false;
}

void PresenceMonitor::run() {
    if (startHidden) stop_.sleepFor(periods_.startHiddenDelay);
    if (stop_.requested()) return;
    probe();
    bool firstSearch = true;
    while (!stop_.requested()) {
        if (connected) {
            // The device node still being there is enough; the open link is left alone.
            if (!commandLink().devicePresent()) {
                connected = false;
                shell::logEvent("presence: keyboard removed");
                reportConnection(false);
            }
        }
        if (!connected) {
            if (search()) {
                connected = true;
                shell::logEvent("presence: keyboard found");
                reportConnection(true);
            }
            if (firstSearch) {
                firstSearch = false;
                reportConnection(connected);
                // Without a keyboard now, a keyboard plugged in later must not pop the
                // window up.
                if (!connected) {
                    startHidden = true;
                    shell::logEvent("presence: no keyboard at start");
                }
            }
        }
        if (!stop_.sleepFor(connected ? periods_.connected : periods_.searching)) break;
    }
}

void PresenceMonitor::reportConnection(bool isConnected) {
    reportBusy = true;
    if (isConnected == lastReported) {
        reportBusy = false;
        return;
    }
    DeviceFactsSink *sink = deviceFactsSink();
    if (isConnected) {
        window_.versionCheck();
        std::array<uint8_t, kMatrixSize> matrix{};
        if (readDefaultMatrix(matrix.data()) == ResultCode::Success) {
            if (sink) sink->defaultMatrixRead(matrix.data());
        } else {
            // Blocks this thread until the user answers, not the window.
            shell::prompter().tell(shell::LangText("MAIN_DEFAULT_MATRIX_PROMPT"));
        }
        DeviceInfo info;
        if (readDeviceInfo(info) == ResultCode::Success && sink)
            sink->macroCapacityRead(static_cast<uint32_t>(info.macroUnits()) * 128u);
        window_.loadProfile();
        connectionIcon = shell::kIconConnected;
        window_.setTrayIcon(0, shell::kIconConnected);
    } else {
        if (sink) sink->activeProfileUnknown();
        window_.closeEditors();
        window_.hideWindow();
        connectionIcon = shell::kIconDisconnected;
        window_.setTrayIcon(0, shell::kIconDisconnected);
    }
    lastReported = isConnected;
    if (!startHidden) {
        if (isConnected) window_.postOpen();
        startHidden = true;
    }
    reportBusy = false;
}

}  // namespace t44::device
