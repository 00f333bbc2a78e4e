#pragma once
// The application shell's side of MainWindowMessages until the main window exists: it
// logs every call, keeps the notification icon's state and shows it through CTrayIcon,
// runs the light reload timer and shows or hides a placeholder window. Calls from worker threads are carried onto the user-interface
// thread: waited for where the window's message is sent, queued where it is posted.

#include <QObject>
#include <QTimer>

#include <memory>

#include "shell/MainWindowMessages.h"

class QWidget;

namespace t44::shell {
class CTrayIcon;
}

namespace t44::shell::qt {

class ShellWindow : public QObject, public MainWindowMessages {
    Q_OBJECT
public:
    ShellWindow();
    ~ShellWindow() override;

    // Creates the notification icon. Start-up calls it once this process is known to be
    // the running instance.
    void initialise();

    void versionCheck() override;
    void loadProfile() override;
    void closeEditors() override;
    void hideWindow() override;
    void setTrayIcon(int kind, int id) override;
    void postOpen() override;
    void startLightReloadTimer() override;
    void showWindow() override;
    void orderlyExit() override;

    // State for tests and the tray: the icon shown (0 after exit) and the icon to return to.
    int trayIconId() const { return trayIconId_; }
    int restoreIconId() const { return restoreIconId_; }
    bool windowVisible() const;

signals:
    // The orderly exit has closed the window side; the application releases the instance
    // lock and ends its loop.
    void exitRequested();

private:
    void applyTrayIcon(int kind, int id);
    void onLightReloadTimer();
    void onTrayCommand(int command);

    std::unique_ptr<QWidget> window_;
    std::unique_ptr<CTrayIcon> tray_;
    QTimer lightReloadTimer_;
    int trayIconId_ = kIconDisconnected;
    int restoreIconId_ = kIconDisconnected;
    bool exiting_ = false;
};

}  // namespace t44::shell::qt
