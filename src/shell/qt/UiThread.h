#pragma once
// Getting work from worker threads onto the user-interface thread. Worker threads never
// touch widgets: what they ask of the window is run on the thread the receiving object
// lives on, either waited for (a sent message) or queued (a posted one).

#include <QObject>

#include <functional>

namespace t44::shell::qt {

// Runs `f` on the thread of `context` and returns after it ran; on that thread itself it
// runs at once. Once the user interface has shut down, `f` is dropped and the call
// returns at once, so a worker never waits for a loop that no longer runs.
void sendToUi(QObject *context, const std::function<void()> &f);
// Queues `f` for the thread of `context` and returns at once.
void postToUi(QObject *context, const std::function<void()> &f);

// Marks the user interface as shut down (see sendToUi).
void beginUiShutdown();
bool uiShuttingDown();
// Undoes beginUiShutdown (tests that run several windows in one process).
void resetUiShutdown();

}  // namespace t44::shell::qt
