#include "shell/qt/UiThread.h"

#include <QThread>

#include <atomic>

namespace t44::shell::qt {
namespace {
std::atomic<bool> gShuttingDown{false};
}

void sendToUi(QObject *context, const std::function<void()> &f) {
    if (QThread::currentThread() == context->thread()) {
        f();
        return;
    }
    if (gShuttingDown) return;
    QMetaObject::invokeMethod(context, f, Qt::BlockingQueuedConnection);
}

void postToUi(QObject *context, const std::function<void()> &f) {
    if (gShuttingDown) return;
    QMetaObject::invokeMethod(context, f, Qt::QueuedConnection);
}

void beginUiShutdown() { gShuttingDown = true; }
bool uiShuttingDown() { return gShuttingDown; }
void resetUiShutdown() { gShuttingDown = false; }

}  // namespace t44::shell::qt
