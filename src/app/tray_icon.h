// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The notification-area icon and its menu, as an adapter that only reports what the user
// asked for; the main window decides what showing and quitting mean. The window asks
// DesktopHasTray() before hiding itself, so it never hides where nobody could bring it back.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

class QAction;
class QMenu;

namespace vanto {

class TTrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TTrayIcon(const QIcon& icon, QObject* parent = nullptr);
    ~TTrayIcon() override;

    // The icon's hint text and its presence in the notification area.
    void SetHint(const QString& hint);
    void SetVisible(bool visible);

    // Whether the desktop has a notification area to put the icon in.
    static bool DesktopHasTray();
    // Test seam: answers DesktopHasTray() with `answer` until reset with nullopt.
    static void SetDesktopHasTrayForTesting(std::optional<bool> answer);

    QSystemTrayIcon* tray() const { return tray_; }
    QMenu* PopupMenu1() const { return PopupMenu1_.get(); }
    QAction* Show1() const { return Show1_; }
    QAction* Quit2() const { return Quit2_; }

signals:
    // "Show" chosen, or the icon double-clicked.
    void showRequested();
    // "Quit" chosen.
    void quitRequested();

private:
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon* tray_ = nullptr;
    // A menu with no parent widget; the adapter owns it.
    std::unique_ptr<QMenu> PopupMenu1_;
    QAction* Show1_ = nullptr;
    QAction* Quit2_ = nullptr;
};

}  // namespace vanto
