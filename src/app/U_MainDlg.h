// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The main window: the header band, the connection list refreshed once a second by
// snapshot workers, the details panel with its four actions and the three toggle buttons.
// Every component carries its role name as object name (lst, refresh_tmr, freeze_btn, ...)
// so that tests and people find it.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>

#include "monitor/connection_snapshot.h"
#include "monitor/details_panel.h"
#include "monitor/qt/U_ConnectionRefreshThd.h"
#include "platform/shell_icons.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class QTimer;

namespace vanto {

class TConnectionListModel;
class TConnectionListView;

// What the window asks of the system. The program leaves every member empty and gets the
// real thing; tests put synthetic snapshots and fixed process names in.
struct TMaindlgServices {
    // Builds one snapshot; runs on a worker thread. Empty: TakeSnapshot.
    TConnectionRefreshThd::SnapshotSource take_snapshot;
    // Empty: GetProcessPath.
    std::function<std::string(std::uint32_t pid)> process_path;
    // Empty: DisplayName.
    std::function<std::string(const std::string& process_path)> display_name;
};

class TMaindlg : public QMainWindow {
    Q_OBJECT

public:
    explicit TMaindlg(TMaindlgServices services = {}, QWidget* parent = nullptr);
    ~TMaindlg() override;

    // Connection list and refresh cycle.
    void StartRefresh();
    // Applies one finished snapshot: rows rewritten by position, surplus rows deleted from
    // the end, columns sized on a first fill. Public so that tests can feed snapshots.
    void UpdateList(const vanto::TConnectionArray& snapshot);
    void AutoSizeColumns();

    // Details panel.
    void UpdateDetails();

    // Icons: the index of a path's icon in the system image list, and attaching that list
    // to the connection list (once, at the first activation).
    int GetIconIndex(const std::string& path);
    void LoadSystemImageLists();

    const TConnectionArray& Connections() const { return connections; }
    const TDetailsTexts& Details() const { return details; }
    bool ShowSystem() const { return show_system; }
    bool ShowLocal() const { return show_local; }
    // Snapshots applied so far (each UpdateList that ran to its end).
    int UpdateCount() const { return update_count_; }

public slots:
    void refresh_tmrTimer();
    void freeze_btnClick();
    void system_btnClick();
    void local_btnClick();
    void lstSelectItem();
    void openweb_btnClick();
    void whois_btnClick();
    void search_btnClick();
    void openfolder_btnClick();
    void rightclick_mnuPopup();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;  // the list's resize: FormResize

private:
    void CreateComponents();
    QWidget* CreateHeader();
    QGroupBox* CreateDetailsPanel();
    void FormResize();
    void ShareColumnWidths();
    void AppEvtActivate();
    // Stops the timer and refuses snapshots from then on; the window is going away.
    void StopRefresh();
    QIcon ImageAt(int index);

    TMaindlgServices services_;

    // Components, by their role names.
    QWidget* top_pnl = nullptr;
    QPushButton* softupdate_btn = nullptr;
    TConnectionListView* lst = nullptr;
    TConnectionListModel* lst_model = nullptr;
    QTimer* refresh_tmr = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* pid_lbl = nullptr;
    QLabel* protocol_lbl = nullptr;
    QLabel* local_lbl = nullptr;
    QLabel* remote_lbl = nullptr;
    QLabel* process_lbl = nullptr;
    QToolButton* whois_btn = nullptr;
    QToolButton* search_btn = nullptr;
    QToolButton* openweb_btn = nullptr;
    QToolButton* openfolder_btn = nullptr;
    QMenu* rightclick_mnu = nullptr;
    QAction* Whois1 = nullptr;
    QAction* Search1 = nullptr;
    QAction* Webpage1 = nullptr;
    QAction* Opencontainingfolder1 = nullptr;
    QToolButton* freeze_btn = nullptr;
    QToolButton* system_btn = nullptr;
    QToolButton* local_btn = nullptr;

    bool show_system = false;
    bool show_local = false;
    TDetailsTexts details;
    TConnectionArray connections;

    // The small system image list the rows draw from, and the pictures drawn so far.
    platform::ImageListHandle image_list_handle = 0;
    platform::ImageListHandle large_image_list_handle = 0;
    QList<QIcon> images;

    QList<QPointer<TConnectionRefreshThd>> workers_;
    bool closing_ = false;
    bool activated_ = false;
    int update_count_ = 0;
};

}  // namespace vanto
