// The tray icon on the test platform, which has no tray: the icon object, its menu and
// commands, relabelling through the hook, and icon changes from worker threads carried
// to the GUI thread. The same icon in a real tray is TrayX11Test.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "SkinTestSupport.h"
#include "shell/Language.h"
#include "shell/ProgramPaths.h"
#include "shell/SkinKeys.h"
#include "shell/qt/TrayIcon.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using shell::CTrayIcon;

namespace {

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        // Settings and language files of this test only.
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        shell::setProgramDir(dir.path());
        for (int i = 0; i < 2; ++i)
            test::writeFile(shell::LanguageFilePath(i), "[TEXT]\nMENU_11=Open\nMENU_22=About\nMENU_33=Exit\n");
        tray.SetIconLoader([this](int id) {
            if (QThread::currentThread() != qApp->thread()) ++offGuiThreadLoads;
            loads.push_back(id);
            QPixmap p(16, 16);
            p.fill(QColor(id & 0xFF, 0, 0));
            return QIcon(p);
        });
        QObject::connect(&tray, &CTrayIcon::command, [this](int id) { commands.push_back(id); });
    }

    bool app_ = (test::qtApp(), true);  // before any widget member
    test::TempDir dir;
    QWidget window;
    CTrayIcon tray;
    std::vector<int> loads, commands;
    std::atomic<int> offGuiThreadLoads{0};
};

}  // namespace

TEST_F(TrayIconTest, without_a_window_the_icon_stays_disabled_and_calls_do_nothing) {
    EXPECT_FALSE(tray.Create(nullptr, "tip", 128));
    EXPECT_FALSE(tray.enabled());
    tray.SetIcon(141);
    tray.SetTooltip("other");
    EXPECT_EQ(tray.requestedIconId(), 0);
    EXPECT_EQ(tray.systemTrayIcon(), nullptr);
    tray.Remove();
}

TEST_F(TrayIconTest, menu_has_three_commands_with_open_as_default_and_the_hook_relabels_it) {
    ASSERT_TRUE(tray.Create(&window, QString(200, QChar('x')), 128));
    EXPECT_TRUE(tray.enabled());
    EXPECT_EQ(tray.tooltip().size(), CTrayIcon::kTooltipMax);
    EXPECT_EQ(tray.systemTrayIcon()->toolTip().size(), CTrayIcon::kTooltipMax);
    EXPECT_EQ(loads, std::vector<int>{128});
    QMenu *menu = tray.menu();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->defaultAction(), tray.action(CTrayIcon::kCommandOpen));
    EXPECT_EQ(tray.systemTrayIcon()->contextMenu(), menu);

    int hookCalls = 0;
    tray.SetMenuHook([&](QMenu &m) {
        ++hookCalls;
        shell::RelabelTrayMenu(m);
    });
    emit menu->aboutToShow();
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(tray.action(CTrayIcon::kCommandOpen)->text(), "Open");
    EXPECT_EQ(tray.action(CTrayIcon::kCommandAbout)->text(), "About");
    EXPECT_EQ(tray.action(CTrayIcon::kCommandExit)->text(), "Exit");

    for (int id : {CTrayIcon::kCommandExit, CTrayIcon::kCommandAbout, CTrayIcon::kCommandOpen})
        tray.action(id)->trigger();
    EXPECT_EQ(commands, (std::vector<int>{32774, 32773, 32771}));
}

TEST_F(TrayIconTest, a_double_click_sends_open_and_a_single_click_nothing) {
    ASSERT_TRUE(tray.Create(&window, "tip", 128));
    emit tray.systemTrayIcon()->activated(QSystemTrayIcon::Trigger);
    emit tray.systemTrayIcon()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_TRUE(commands.empty());
    emit tray.systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(commands, std::vector<int>{CTrayIcon::kCommandOpen});
}

TEST_F(TrayIconTest, icon_changes_from_worker_threads_reach_the_gui_thread_in_order) {
    ASSERT_TRUE(tray.Create(&window, "tip", 141));
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([this, t] {
            for (int i = 0; i < 200; ++i) {
                tray.SetIcon((i + t) % 2 ? 141 : 142);
                tray.SetTooltip(QStringLiteral("tip %1").arg(i));
            }
        });
    for (auto &w : workers) w.join();
    std::thread last([this] { tray.SetIcon(128); });
    last.join();
    EXPECT_EQ(tray.requestedIconId(), 128);
    EXPECT_EQ(tray.shownIconId(), 141);  // nothing is shown until the GUI thread runs
    ASSERT_TRUE(test::qtWaitFor([&] { return tray.shownIconId() == 128; }));
    EXPECT_EQ(loads.back(), 128);
    EXPECT_EQ(offGuiThreadLoads.load(), 0);
    EXPECT_EQ(tray.systemTrayIcon()->icon().pixmap(16).toImage().pixel(8, 8), qRgb(128, 0, 0));
    EXPECT_EQ(tray.systemTrayIcon()->toolTip(), "tip 199");

    // On the GUI thread the change is made at once.
    tray.SetIcon(142);
    EXPECT_EQ(tray.shownIconId(), 142);
    EXPECT_EQ(loads.back(), 142);
}

TEST_F(TrayIconTest, after_remove_every_call_does_nothing) {
    ASSERT_TRUE(tray.Create(&window, "tip", 128));
    tray.Remove();
    EXPECT_FALSE(tray.enabled());
    EXPECT_EQ(tray.systemTrayIcon(), nullptr);
    tray.SetIcon(142);
    tray.SetTooltip("gone");
    EXPECT_EQ(tray.requestedIconId(), 128);
    tray.Remove();
}

TEST_F(TrayIconTest, the_shipped_icons_load_from_the_skin_folder) {
    shell::setProgramDir(T44_BINARY_DIR);
    for (int id : shell::TrayIconIds) {
        const QIcon icon = CTrayIcon::LoadIcon(id);
        EXPECT_FALSE(icon.isNull()) << id;
        EXPECT_EQ(icon.pixmap(64).size(), QSize(64, 64)) << id;
    }
    // Without the file a drawn stand-in keeps the tray usable.
    shell::setProgramDir(dir.path());
    EXPECT_FALSE(CTrayIcon::LoadIcon(141).isNull());
}
