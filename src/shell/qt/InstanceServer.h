#pragma once
// The running instance's end of the instance channel on the user-interface thread: it
// takes connections from later starts, refuses those of other users, and carries "OPEN"
// and "KILL" to the window. A message with another number or tag is answered 0 and does
// nothing.
//
// "OPEN" is answered before the window acts on it, so a second start never waits for
// the user to close a message box; "KILL" is answered after the orderly exit has given
// up the instance lock, so the program can be started again the moment the second
// start ends.

#include <QObject>

#include <map>

#include "shell/MainWindowMessages.h"

class QSocketNotifier;

namespace t44::shell::qt {

class InstanceServer : public QObject {
    Q_OBJECT
public:
    // `listenFd` stays owned by the caller (the instance lock); stopListening() must come
    // before it is closed.
    InstanceServer(int listenFd, MainWindowMessages &window, QObject *parent = nullptr);
    ~InstanceServer() override;

    void stopListening();

private:
    void acceptClients();
    void readClient(int fd);
    void dropClient(int fd);

    MainWindowMessages &window_;
    int listenFd_;
    QSocketNotifier *listenNotifier_ = nullptr;
    std::map<int, QSocketNotifier *> clients_;
};

}  // namespace t44::shell::qt
