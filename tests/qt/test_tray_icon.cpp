// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The notification-area adapter: its menu, what each way of asking emits, and the question
// whether the desktop has a notification area at all.
#include <QAction>
#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <functional>

#include "app/tray_icon.h"

using vanto::TTrayIcon;

namespace {

int g_argc = 1;
char g_name[] = "qt_test_tray_icon";
char* g_argv[] = {g_name, nullptr};

QApplication& App() {
    // Never destroyed: Qt's own statics go first at exit.
    static auto* app = new QApplication(g_argc, g_argv);
    return *app;
}

}  // namespace

TEST(TrayIcon, MenuHoldsShowAsDefaultThenQuit) {
    App();
    TTrayIcon tray(QIcon{});
    ASSERT_NE(tray.tray(), nullptr);
    EXPECT_EQ(tray.tray()->objectName(), QStringLiteral("tray"));
    QMenu* menu = tray.PopupMenu1();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("PopupMenu1"));
    EXPECT_EQ(tray.tray()->contextMenu(), menu);

    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->objectName(), QStringLiteral("Show1"));
    EXPECT_EQ(items[0]->text(), QStringLiteral("Show"));
    EXPECT_EQ(items[1]->objectName(), QStringLiteral("Quit2"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Quit"));
    EXPECT_EQ(menu->defaultAction(), items[0]);
}

TEST(TrayIcon, EachWayOfAskingEmitsOneRequest) {
    App();
    TTrayIcon tray(QIcon{});
    int show = 0;
    int quit = 0;
    QObject::connect(&tray, &TTrayIcon::showRequested, [&] { ++show; });
    QObject::connect(&tray, &TTrayIcon::quitRequested, [&] { ++quit; });

    const struct {
        const char* what;
        std::function<void()> act;
        int show;
        int quit;
    } cases[] = {
        {"menu Show", [&] { tray.Show1()->trigger(); }, 1, 0},
        {"menu Quit", [&] { tray.Quit2()->trigger(); }, 0, 1},
        {"double click", [&] { emit tray.tray()->activated(QSystemTrayIcon::DoubleClick); }, 1, 0},
        // A single click, the middle button or the context request do nothing by themselves.
        {"single click", [&] { emit tray.tray()->activated(QSystemTrayIcon::Trigger); }, 0, 0},
        {"middle click", [&] { emit tray.tray()->activated(QSystemTrayIcon::MiddleClick); }, 0, 0},
        {"context", [&] { emit tray.tray()->activated(QSystemTrayIcon::Context); }, 0, 0},
    };
    for (const auto& c : cases) {
        show = quit = 0;
        c.act();
        EXPECT_EQ(show, c.show) << c.what;
        EXPECT_EQ(quit, c.quit) << c.what;
    }
}

TEST(TrayIcon, HintAndVisibility) {
    App();
    TTrayIcon tray(QIcon{});
    EXPECT_FALSE(tray.tray()->isVisible()) << "switched on at first activation, not at creation";
    tray.SetHint(QStringLiteral("Vantoscope v1.8.4.23"));
    EXPECT_EQ(tray.tray()->toolTip(), QStringLiteral("Vantoscope v1.8.4.23"));
}

TEST(TrayIcon, DesktopHasTrayFollowsThePlatformUnlessOverridden) {
    App();
    EXPECT_EQ(TTrayIcon::DesktopHasTray(), QSystemTrayIcon::isSystemTrayAvailable());
    TTrayIcon::SetDesktopHasTrayForTesting(true);
    EXPECT_TRUE(TTrayIcon::DesktopHasTray());
    TTrayIcon::SetDesktopHasTrayForTesting(false);
    EXPECT_FALSE(TTrayIcon::DesktopHasTray());
    TTrayIcon::SetDesktopHasTrayForTesting(std::nullopt);
    EXPECT_EQ(TTrayIcon::DesktopHasTray(), QSystemTrayIcon::isSystemTrayAvailable());
}
