#pragma once
// The presence monitor: a thread that finds the keyboard's command interface, keeps
// commandLink() open on it, notices the keyboard going and coming back, and reports each
// change through reportConnection. On arrival that reads what the program needs from the
// keyboard (the default key matrix and the device information, handed to
// deviceFactsSink()) and drives the main window: "REV", then "PROF", then the connected
// icon, and on the first arrival the posted "OPEN" unless the program started hidden.
//
// States: probing, then searching (not connected, every `searching` period) and watching
// (connected, every `connected` period). Reports alternate strictly: a report equal to
// the last one does nothing.

#include <atomic>
#include <chrono>
#include <thread>

#include "device/StopSignal.h"
#include "shell/MainWindowMessages.h"

namespace t44::device {

// Process-wide state the monitor keeps (device::connected lives in Protocol.h).
extern std::atomic<bool> lastReported;   // the connection state reportConnection last acted on
extern std::atomic<bool> reportBusy;     // set while reportConnection runs
extern std::atomic<bool> startHidden;    // "/Start"; set by the monitor once the first state is known
extern std::atomic<int> connectionIcon;  // 141 connected, 128 not

// The state at program start: nothing reported, not hidden, the disconnected icon.
void resetPresenceState();

struct PresencePeriods {
    std::chrono::milliseconds startHiddenDelay{10};  // before the probe when started hidden
    std::chrono::milliseconds connected{100};        // presence checks while connected
    std::chrono::milliseconds searching{1000};       // searches while not connected
};

class PresenceMonitor {
public:
    explicit PresenceMonitor(shell::MainWindowMessages &window, PresencePeriods periods = {});
    ~PresenceMonitor();
    PresenceMonitor(const PresenceMonitor &) = delete;
    PresenceMonitor &operator=(const PresenceMonitor &) = delete;

    // Starts the thread (once). The program lets it run until the process ends; tests
    // and the orderly exit stop it.
    void start();
    // Asks the thread to end and wakes its wait; does not wait for it.
    void requestStop();
    // requestStop, then waits until the thread has ended. The window must keep handling
    // sent messages meanwhile, since the thread may be inside a report.
    void stop();
    bool running() const { return worker_.running(); }

private:
    void run();
    void probe();
    bool search();
    void reportConnection(bool isConnected);

    shell::MainWindowMessages &window_;
    PresencePeriods periods_;
    WorkerThread worker_;
    StopSignal &stop_ = worker_.stopSignal();
};

}  // namespace t44::device
