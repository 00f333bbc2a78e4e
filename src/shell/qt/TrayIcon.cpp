#include "shell/qt/TrayIcon.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <QWidget>

#include "shell/Language.h"
#include "shell/ProgramPaths.h"
#include "shell/SkinKeys.h"

namespace t44::shell {

CTrayIcon::CTrayIcon(QObject *parent) : QObject(parent), loader_(&CTrayIcon::LoadIcon) {}

CTrayIcon::~CTrayIcon() { Remove(); }

QIcon CTrayIcon::LoadIcon(int iconId) {
    const QString path = QString::fromStdString(programPaths().data("Skins/" + TrayIconPicture(iconId)));
    if (QFile::exists(path)) {
        QIcon icon(path);
        if (!icon.isNull()) return icon;
    }
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(iconId == 141 ? QColor(0x2E, 0xC4, 0xB6) : iconId == 142 ? QColor(0xFF, 0xB0, 0x20) : QColor(0x70, 0x78, 0x88));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(3, 6, 26, 20), 5, 5);
    p.end();
    return QIcon(pixmap);
}

bool CTrayIcon::Create(QWidget *window, const QString &tooltip, int iconId) {
    if (!window) return false;
    window_ = window;
    menu_ = std::make_unique<QMenu>();
    // The menu's own texts; the menu hook replaces them with the current language's.
    const std::pair<int, const char *> items[] = {
        {kCommandOpen, "\u6253\u5f00(&O)"}, {kCommandAbout, "\u5173\u4e8e(&A)"}, {kCommandExit, "\u9000\u51fa(&x)"}};
    for (const auto &[id, text] : items) {
        QAction *a = menu_->addAction(QString::fromUtf8(text));
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id = id] { emit command(id); });
    }
    menu_->setDefaultAction(action(kCommandOpen));
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] {
        if (hook_) hook_(*menu_);
    });
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setContextMenu(menu_.get());
    connect(tray_.get(), &QSystemTrayIcon::activated, this, &CTrayIcon::onActivated);
    {
        std::lock_guard lock(mutex_);
        enabled_ = true;
        requestedIcon_ = iconId;
        tooltip_ = tooltip.left(kTooltipMax);
        shownIcon_ = iconId;
    }
    tray_->setIcon(loader_(iconId));
    tray_->setToolTip(tooltip.left(kTooltipMax));
    tray_->show();
    return true;
}

void CTrayIcon::SetTooltip(const QString &text) {
    {
        std::lock_guard lock(mutex_);
        if (!enabled_) return;
        tooltip_ = text.left(kTooltipMax);
        if (!onGuiThreadOrQueue()) return;
    }
    applyPending();
}

void CTrayIcon::SetIcon(int iconId) {
    {
        std::lock_guard lock(mutex_);
        if (!enabled_) return;
        requestedIcon_ = iconId;
        if (!onGuiThreadOrQueue()) return;
    }
    applyPending();
}

bool CTrayIcon::onGuiThreadOrQueue() {
    if (QThread::currentThread() == thread()) return true;
    // Worker threads never touch the tray: the GUI thread shows what was asked for last
    // when it gets to it.
    if (!applyQueued_) {
        applyQueued_ = true;
        QMetaObject::invokeMethod(this, &CTrayIcon::applyPending, Qt::QueuedConnection);
    }
    return false;
}

void CTrayIcon::applyPending() {
    int icon = 0;
    QString tip;
    {
        std::lock_guard lock(mutex_);
        applyQueued_ = false;
        if (!enabled_ || !tray_) return;
        icon = requestedIcon_;
        tip = tooltip_;
    }
    if (icon != shownIconId()) tray_->setIcon(loader_(icon));
    if (tray_->toolTip() != tip) tray_->setToolTip(tip);
    std::lock_guard lock(mutex_);
    shownIcon_ = icon;
}

void CTrayIcon::Remove() {
    {
        std::lock_guard lock(mutex_);
        if (!enabled_) return;
        enabled_ = false;
    }
    if (tray_) tray_->hide();
    tray_.reset();
    menu_.reset();
}

void CTrayIcon::SetMenuHook(MenuHook hook) { hook_ = std::move(hook); }

void CTrayIcon::SetIconLoader(IconLoader loader) { loader_ = std::move(loader); }

bool CTrayIcon::enabled() const {
    std::lock_guard lock(mutex_);
    return enabled_;
}

int CTrayIcon::requestedIconId() const {
    std::lock_guard lock(mutex_);
    return requestedIcon_;
}

int CTrayIcon::shownIconId() const {
    std::lock_guard lock(mutex_);
    return shownIcon_;
}

QString CTrayIcon::tooltip() const {
    std::lock_guard lock(mutex_);
    return tooltip_;
}

QAction *CTrayIcon::action(int command) const {
    if (!menu_) return nullptr;
    for (QAction *a : menu_->actions())
        if (a->data().toInt() == command) return a;
    return nullptr;
}

void CTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    // The menu opens on the context request by itself; a single click does nothing.
    if (reason == QSystemTrayIcon::DoubleClick) emit command(kCommandOpen);
}

void RelabelTrayMenu(QMenu &menu) {
    const std::pair<int, const char *> texts[] = {
        {CTrayIcon::kCommandOpen, "MENU_11"}, {CTrayIcon::kCommandAbout, "MENU_22"}, {CTrayIcon::kCommandExit, "MENU_33"}};
    for (QAction *a : menu.actions())
        for (const auto &[id, key] : texts)
            if (a->data().toInt() == id) a->setText(QString::fromStdString(LangText(key)));
}

}  // namespace t44::shell
