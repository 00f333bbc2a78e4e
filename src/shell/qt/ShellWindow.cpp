#include "shell/qt/ShellWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "device/PresenceMonitor.h"
#include "shell/EventLog.h"
#include "shell/Language.h"
#include "shell/Prompt.h"
#include "shell/qt/TrayIcon.h"
#include "shell/qt/UiThread.h"

namespace t44::shell::qt {
namespace {

// Closing the window only hides it, as the main window's Cancel does; the program goes
// on in the notification area.
class PlaceholderWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent *event) override {
        event->ignore();
        hide();
        logEvent("window: HIDE (closed by the user)");
    }
};

}  // namespace

ShellWindow::ShellWindow() : window_(std::make_unique<PlaceholderWindow>()) {
    window_->setWindowTitle(QString::fromStdString(LangText("MAIN_CAPTION")));
    auto *layout = new QVBoxLayout(window_.get());
    layout->addWidget(new QLabel(QStringLiteral("Halvex T44-ARC Keyboard")));
    window_->resize(360, 120);
    lightReloadTimer_.setSingleShot(true);
    connect(&lightReloadTimer_, &QTimer::timeout, this, &ShellWindow::onLightReloadTimer);
}

ShellWindow::~ShellWindow() = default;

void ShellWindow::initialise() {
    if (tray_) return;
    tray_ = std::make_unique<CTrayIcon>();
    tray_->Create(window_.get(), QString::fromStdString(LangText("KEYBOARD_TRAY_DESC")), trayIconId_);
    tray_->SetMenuHook(&RelabelTrayMenu);
    connect(tray_.get(), &CTrayIcon::command, this, &ShellWindow::onTrayCommand);
}

void ShellWindow::onTrayCommand(int command) {
    switch (command) {
    case CTrayIcon::kCommandOpen:
        logEvent("window: tray open");
        showWindow();
        break;
    case CTrayIcon::kCommandAbout:
        logEvent("window: tray about");  // the about box comes with the main window
        break;
    case CTrayIcon::kCommandExit:
        logEvent("window: tray exit");
        orderlyExit();
        break;
    default:
        break;
    }
}

bool ShellWindow::windowVisible() const { return window_->isVisible(); }

void ShellWindow::versionCheck() {
    sendToUi(this, [] { logEvent("window: REV"); });
}

void ShellWindow::loadProfile() {
    sendToUi(this, [] { logEvent("window: PROF"); });
}

void ShellWindow::closeEditors() {
    // The placeholder has no editors; the focus needs no moving.
    sendToUi(this, [] { logEvent("window: CLOSE_EDITORS"); });
}

void ShellWindow::hideWindow() {
    sendToUi(this, [this] {
        logEvent("window: HIDE");
        window_->hide();
    });
}

void ShellWindow::setTrayIcon(int kind, int id) {
    sendToUi(this, [this, kind, id] { applyTrayIcon(kind, id); });
}

void ShellWindow::applyTrayIcon(int kind, int id) {
    if (exiting_) return;
    int shown;
    if (kind == 1) {
        shown = kIconPlaying;
    } else if (id != 0) {
        shown = id;
        restoreIconId_ = id;
    } else {
        shown = restoreIconId_;
    }
    logEvent("window: ICON " + std::to_string(kind) + " " + std::to_string(id) + " -> " + std::to_string(shown));
    if (shown == trayIconId_) return;
    trayIconId_ = shown;
    if (tray_) tray_->SetIcon(shown);
}

void ShellWindow::postOpen() {
    logEvent("window: OPEN posted");
    postToUi(this, [this] {
        logEvent("window: OPEN");
        showWindow();
    });
}

void ShellWindow::startLightReloadTimer() {
    postToUi(this, [this] {
        logEvent("window: TIMER 1051 start");
        lightReloadTimer_.start(0);
    });
}

void ShellWindow::onLightReloadTimer() {
    lightReloadTimer_.stop();
    // The lighting model reads the keyboard's lighting here once it exists.
    logEvent("window: TIMER 1051 fired");
}

void ShellWindow::showWindow() {
    if (exiting_) return;
    if (device::lastReported) {
        logEvent("window: SHOW");
        window_->show();
        window_->raise();
        window_->activateWindow();
    } else {
        logEvent("window: NO_DEVICE");
        prompter().tell(LangText("MAIN_NO_DEVICE_PROMPT"));
    }
}

void ShellWindow::orderlyExit() {
    if (exiting_) return;
    logEvent("window: EXIT");
    window_->hide();
    closeEditors();
    exiting_ = true;
    lightReloadTimer_.stop();
    if (tray_) tray_->Remove();
    trayIconId_ = 0;
    emit exitRequested();
}

}  // namespace t44::shell::qt
