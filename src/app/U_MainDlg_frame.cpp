// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The application frame around the connection list: the main menu and its items, the
// notification-area icon with minimising to it, the header's "Software Update" and the About
// window.
#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "app/U_MainDlg.h"
#include "app/connection_list_model.h"
#include "app/tray_icon.h"
#include "platform/files.h"
#include "support/U_UnicodeUtils.h"
#include "support/maker_key.h"
#include "support/shell_utils.h"
#include "update/maker_site.h"
#include "update/qt/U_about.h"

namespace vanto {

namespace {

// The maker's companion update monitor, as it records itself under the maker key.
constexpr const char* kCompanionName = "Orvo";

}  // namespace

void TMaindlg::CreateMainMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto item = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& shortcut,
                       void (TMaindlg::*handler)()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QMenu* file = MainMenu1->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    SaveAs1 = item(file, "SaveAs1", QStringLiteral("Save As..."), QKeySequence(Qt::CTRL | Qt::Key_S),
                   &TMaindlg::SaveAs1Click);
    file->addSeparator();
    Quit1 = item(file, "Quit1", QStringLiteral("&Quit"), {}, &TMaindlg::Quit1Click);

    QMenu* view = MainMenu1->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    Find1 = view->addAction(QStringLiteral("&Find"));
    Find1->setObjectName(QStringLiteral("Find1"));
    Find1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(Find1, &QAction::triggered, this, [this] {
        search_edt->setFocus(Qt::ShortcutFocusReason);
        search_edt->selectAll();
    });
    view->addSeparator();
    // The header's context menu: the columns and the marking switch.
    view->addMenu(columns_mnu);
    CreateActionItems(view);

    QMenu* help = MainMenu1->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("Help1"));
    OpenLog1 = item(help, "OpenLog1", QStringLiteral("&Open Log"), QKeySequence(Qt::CTRL | Qt::Key_L),
                    &TMaindlg::OpenLog1Click);
    help->addSeparator();
    Checkforupdate1 = item(help, "Checkforupdate1", QStringLiteral("Check for update"),
                           QKeySequence(Qt::CTRL | Qt::Key_G), &TMaindlg::Checkforupdate1Click);
    help->addSeparator();
    ChangeLog1 = item(help, "ChangeLog1", QStringLiteral("Change Log"), {}, &TMaindlg::ChangeLog1Click);
    BugreportFeaturerequestKnownissues1 =
        item(help, "BugreportFeaturerequestKnownissues1", QStringLiteral("Bug report, Feature request, Known issues"),
             {}, &TMaindlg::BugreportFeaturerequestKnownissues1Click);
    help->addSeparator();
    About1 = item(help, "About1", QStringLiteral("&About..."), {}, &TMaindlg::About1Click);
    setMenuBar(MainMenu1);
}

void TMaindlg::SetAboutDlg(TAboutDlg* about) {
    if (about != nullptr && about->parent() != this) about->setParent(this, about->windowFlags());
    AboutDlg = about;
}

void TMaindlg::Quit1Click() { close(); }

void TMaindlg::Show1Click() {
    hidden_in_tray_ = false;
    // Back as it was before minimising (maximised stays maximised), in front.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TMaindlg::OpenLog1Click() {
    if (log) log->OpenLog();
}

void TMaindlg::ChangeLog1Click() {
    (void)ShellOpenWnd(static_cast<platform::WindowHandle>(winId()), "", MakerChangeLogPage(), "", "", 1);
}

void TMaindlg::BugreportFeaturerequestKnownissues1Click() {
    (void)ShellOpenWnd(static_cast<platform::WindowHandle>(winId()), "", MakerBugTrackerPage(), "", "", 1);
}

void TMaindlg::About1Click() {
    if (AboutDlg) AboutDlg->Execute();
}

void TMaindlg::softupdate_btnClick() {
    // The companion monitor when it is installed here, else the page that offers it.
    const std::string path = GetRegisteredProgramPath(kCompanionName);
    if (!path.empty() && FileExistsNotEmpty(platform::AnsiToWide(path))) ShellOpen(path);
    else ShellOpen(MakerCompanionPage());
}

bool TMaindlg::CanHideToTray() const {
    return tray_icon != nullptr && tray_icon->tray()->isVisible() && TTrayIcon::DesktopHasTray();
}

void TMaindlg::HideToTray() {
    hidden_in_tray_ = true;
    hide();
}

void TMaindlg::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Hidden once the minimising is through: some window managers lose a window hidden in
    // the middle of its state change. Without a notification area it stays on the taskbar.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && CanHideToTray()) tray_tmr->start();
    // The marks' tints follow a switch between a light and a dark palette.
    if (event->type() == QEvent::PaletteChange && lst_model != nullptr)
        lst_model->SetDarkPalette(palette().color(QPalette::Base).lightness() < 128);
}

}  // namespace vanto
