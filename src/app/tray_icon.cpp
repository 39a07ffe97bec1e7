// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/tray_icon.h"

#include <QAction>
#include <QMenu>

namespace vanto {

namespace {

std::optional<bool>& TrayAnswer() {
    static std::optional<bool> answer;
    return answer;
}

}  // namespace

TTrayIcon::TTrayIcon(const QIcon& icon, QObject* parent) : QObject(parent), PopupMenu1_(std::make_unique<QMenu>()) {
    PopupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    Show1_ = PopupMenu1_->addAction(QStringLiteral("Show"));
    Show1_->setObjectName(QStringLiteral("Show1"));
    Quit2_ = PopupMenu1_->addAction(QStringLiteral("Quit"));
    Quit2_->setObjectName(QStringLiteral("Quit2"));
    // The default item is drawn in bold and is what a double click runs.
    PopupMenu1_->setDefaultAction(Show1_);

    tray_ = new QSystemTrayIcon(icon, this);
    tray_->setObjectName(QStringLiteral("tray"));
    tray_->setContextMenu(PopupMenu1_.get());

    connect(Show1_, &QAction::triggered, this, &TTrayIcon::showRequested);
    connect(Quit2_, &QAction::triggered, this, &TTrayIcon::quitRequested);
    connect(tray_, &QSystemTrayIcon::activated, this, &TTrayIcon::trayActivated);
}

TTrayIcon::~TTrayIcon() {
    // The icon refers to the menu; let it go first.
    delete tray_;
    tray_ = nullptr;
}

void TTrayIcon::SetHint(const QString& hint) { tray_->setToolTip(hint); }

void TTrayIcon::SetVisible(bool visible) { tray_->setVisible(visible); }

bool TTrayIcon::DesktopHasTray() {
    if (TrayAnswer()) return *TrayAnswer();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::SetDesktopHasTrayForTesting(std::optional<bool> answer) { TrayAnswer() = answer; }

void TTrayIcon::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) PopupMenu1_->defaultAction()->trigger();
}

}  // namespace vanto
