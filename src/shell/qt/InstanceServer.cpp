#include "shell/qt/InstanceServer.h"

#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>

#include "shell/EventLog.h"
#include "shell/Instance.h"

namespace t44::shell::qt {
namespace {
// A connection that sends nothing is dropped after this long.
constexpr int kClientTimeoutMs = 5000;
}

InstanceServer::InstanceServer(int listenFd, MainWindowMessages &window, QObject *parent)
    : QObject(parent), window_(window), listenFd_(listenFd) {
    if (listenFd_ < 0) return;
    listenNotifier_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
    connect(listenNotifier_, &QSocketNotifier::activated, this, [this] { acceptClients(); });
}

InstanceServer::~InstanceServer() {
    stopListening();
    while (!clients_.empty()) dropClient(clients_.begin()->first);
}

void InstanceServer::stopListening() {
    if (listenNotifier_) {
        listenNotifier_->setEnabled(false);
        listenNotifier_->deleteLater();
    }
    listenNotifier_ = nullptr;
    listenFd_ = -1;
}

void InstanceServer::acceptClients() {
    for (;;) {
        AcceptedClient c = acceptInstanceClient(listenFd_);
        if (c.refused) {
            logEvent("instance: refused a message from user " + std::to_string(c.uid) + " (process " +
                     std::to_string(c.pid) + ")");
            continue;
        }
        if (c.fd < 0) return;
        auto *n = new QSocketNotifier(c.fd, QSocketNotifier::Read, this);
        clients_[c.fd] = n;
        const int fd = c.fd;
        connect(n, &QSocketNotifier::activated, this, [this, fd] { readClient(fd); });
        QTimer::singleShot(kClientTimeoutMs, this, [this, fd, n] {
            auto it = clients_.find(fd);
            if (it != clients_.end() && it->second == n) dropClient(fd);
        });
    }
}

void InstanceServer::dropClient(int fd) {
    auto it = clients_.find(fd);
    if (it == clients_.end()) return;
    // Often called from the notifier's own signal: it goes once that has returned.
    it->second->setEnabled(false);
    it->second->deleteLater();
    clients_.erase(it);
    ::close(fd);
}

void InstanceServer::readClient(int fd) {
    bool closed = false;
    auto m = readInstanceMessage(fd, &closed);
    if (!m) {
        if (closed) dropClient(fd);
        return;
    }
    if (m->message == kMsgShow && m->tag == kTagOpen) {
        logEvent("instance: OPEN received");
        answerInstance(fd, true);
        dropClient(fd);
        QTimer::singleShot(0, this, [this] { window_.showWindow(); });
    } else if (m->message == kMsgKill && m->tag == kTagKill) {
        logEvent("instance: KILL received");
        // Answered only after the exit gave the instance lock up.
        window_.orderlyExit();
        answerInstance(fd, true);
        dropClient(fd);
    } else {
        logEvent("instance: ignored message " + std::to_string(m->message) + " tag " + std::to_string(m->tag));
        answerInstance(fd, false);
        dropClient(fd);
    }
}

}  // namespace t44::shell::qt
