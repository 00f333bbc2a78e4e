#pragma once
// CTrayIcon: the program's icon in the notification area (the system tray), with its
// tooltip and its menu of three commands. The main window creates it, picks the icon
// (128 keyboard absent, 141 present, 142 temporary), relabels the menu through a hook just
// before the menu shows, and carries out the commands it sends. A double click sends the
// open command; a single click does nothing.
//
// SetIcon and SetTooltip may be called from any thread: the calls are serialised by a
// lock and what they set is carried to the GUI thread, where the icon is changed. Where
// the desktop has no tray the icon is kept all the same and appears when a tray does.

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <mutex>

class QMenu;
class QAction;
class QWidget;

namespace t44::shell {

class CTrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kIconId = 140;          // the icon's id, also its menu's
    static constexpr int kCommandOpen = 32771;   // show the main window
    static constexpr int kCommandAbout = 32773;  // the about box
    static constexpr int kCommandExit = 32774;   // end the program
    static constexpr int kTooltipMax = 127;      // characters

    // Gives the picture of an icon id.
    using IconLoader = std::function<QIcon(int iconId)>;
    using MenuHook = std::function<void(QMenu &)>;

    explicit CTrayIcon(QObject *parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon for `window` with its tooltip (cut to 127 characters) and picture.
    // Fails, leaving the icon disabled, without a window. Run on the GUI thread.
    bool Create(QWidget *window, const QString &tooltip, int iconId);
    void SetTooltip(const QString &text);
    void SetIcon(int iconId);
    // Takes the icon away; later calls do nothing. Run at exit and on destruction.
    void Remove();
    void SetMenuHook(MenuHook hook);
    // Where icon pictures come from; by default "icon<id>.png" in the skin folder.
    void SetIconLoader(IconLoader loader);

    bool enabled() const;
    // The icon id last asked for, and the one the tray shows (set on the GUI thread).
    int requestedIconId() const;
    int shownIconId() const;
    QString tooltip() const;
    QSystemTrayIcon *systemTrayIcon() const { return tray_.get(); }
    QMenu *menu() const { return menu_.get(); }
    QAction *action(int command) const;

    // The default pictures: "icon<id>.png" from the skin folder, or a plain drawn key cap
    // when the file is missing.
    static QIcon LoadIcon(int iconId);

signals:
    // A menu command or the double click's open command.
    void command(int id);

private:
    void applyPending();        // GUI thread: show what the last calls set
    bool onGuiThreadOrQueue();  // with mutex_ held: true on the GUI thread, else queues
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    mutable std::mutex mutex_;  // guards the fields below up to shownIcon_
    bool enabled_ = false;
    int requestedIcon_ = 0;
    QString tooltip_;
    bool applyQueued_ = false;
    int shownIcon_ = 0;

    QPointer<QWidget> window_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    MenuHook hook_;
    IconLoader loader_;
};

// The menu texts of the current language: open "MENU_11", about "MENU_22", exit "MENU_33".
// The main window installs it as the menu hook.
void RelabelTrayMenu(QMenu &menu);

}  // namespace t44::shell
