// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The main window: the header band, the connection list refreshed once a second by
// snapshot workers, the details panel with its four actions and the three toggle buttons,
// and the application frame around them: main menu, notification-area icon, event log and
// About window. Every component carries its role name as object name (lst, refresh_tmr,
// freeze_btn, MainMenu1, Quit1, ...) so that tests and people find it.
//
// U_MainDlg.cpp holds the list window (components, refresh cycle, details panel, icons),
// U_MainDlg_frame.cpp the frame (menus, tray, About), U_MainDlg_life.cpp the start-up and
// shut-down (portable settings, start-up log, update checks, the close sequence).
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "monitor/connection_actions.h"
#include "monitor/connection_snapshot.h"
#include "monitor/details_panel.h"
#include "monitor/list_columns.h"
#include "monitor/name_resolver.h"
#include "monitor/qt/U_ConnectionRefreshThd.h"
#include "platform/shell_icons.h"
#include "support/U_Log.h"

class QAction;
class QShowEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;
class QTimer;

namespace vanto {

class TAboutDlg;
class TConnectionListModel;
class TConnectionListProxy;
class TConnectionListView;
class TOrvoLite;
class TTrayIcon;

// What the window asks of the system. The program leaves every member empty and gets the
// real thing; tests put synthetic snapshots and fixed process names in.
struct TMaindlgServices {
    // Builds one snapshot; runs on a worker thread. Empty: TakeSnapshot.
    TConnectionRefreshThd::SnapshotSource take_snapshot;
    // Empty: GetProcessPath.
    std::function<std::string(std::uint32_t pid)> process_path;
    // Empty: DisplayName.
    std::function<std::string(const std::string& process_path)> display_name;
    // Whether display_name has only the file name for now (its name is being worked out in
    // the background). Empty: the naming service's when display_name is empty too, else never.
    std::function<bool(const std::string& process_path)> name_pending;
    // The Company and Version columns. Empty: the product cache's.
    std::function<std::string(const std::string& process_path)> company;
    std::function<std::string(const std::string& process_path)> version;
    // Reverse lookups of remote addresses, on the resolver's threads. Empty: the system's.
    NameResolver::Lookup name_lookup;
    // Milliseconds of a steady clock; the marks of new, closed and changed rows age by it.
    std::function<std::int64_t()> now_ms;
    // The program's parameters, without its name. Absent: the application's own.
    std::optional<QStringList> params;
    // The executable's path, which places settings.ini and is recorded under the maker key.
    // Absent: the running program's own.
    std::optional<std::string> exe_path;
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

    // The list as the user arranges it: shown columns (indexes into ListColumns()), search,
    // marking of changes.
    void SetColumnShown(int column, bool shown);
    bool ColumnShown(int column) const;
    void SetSearch(const QString& text);
    void SetMarkChanges(bool on);
    bool MarkChanges() const { return mark_changes_; }
    // "12 of 340 connections shown".
    QString CountText() const;
    // The selected row with every shown column, tab-separated, under a header line; empty
    // without a selection. Ctrl+C puts it on the clipboard.
    QString CopyText() const;
    // Writes the rows as shown (columns, order, search) through the writers of --list;
    // false when the file could not be written.
    bool SaveRows(const QString& path, int format) const;
    // Window place and size, filters, columns, sort and marking, under the settings key.
    void LoadListSettings();
    void SaveListSettings() const;

    // IPv6 rows and host names, each one switch; remembered under the settings key.
    void SetShowIpv6(bool on);
    bool ShowIpv6() const { return show_ipv6_; }
    void SetResolveNames(bool on);
    bool ResolveNames() const { return resolve_names_; }
    // Whether a traffic column is shown (the snapshots then read the counts).
    bool TrafficShown() const;

    // The About window the program entry created for this window; the window owns it.
    void SetAboutDlg(TAboutDlg* about);
    // The event log, from the first activation on (null before).
    TKLog* EventLog() const { return log.get(); }
    TTrayIcon* TrayIcon() const { return tray_icon; }
    // True while the window is hidden in the notification area.
    bool HiddenInTray() const { return hidden_in_tray_; }

signals:
    // The window has accepted its close: the program ends.
    void closed();

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
    void SaveAs1Click();
    void Copy1Click();
    // Row menu: close the selected TCP connection, end the selected row's process; each asks first.
    void CloseConnection1Click();
    void EndProcess1Click();

    // Application frame: menu, tray and header button.
    void Quit1Click();
    void Show1Click();
    void OpenLog1Click();
    void Checkforupdate1Click();
    void ChangeLog1Click();
    void BugreportFeaturerequestKnownissues1Click();
    void About1Click();
    void softupdate_btnClick();

    // Runs once, at the first activation of the application or shortly after the window is
    // first shown, whichever comes first; later calls do nothing.
    void AppEvtActivate();

    // Start-up and shut-down (U_MainDlg_life.cpp).
    // Portable mode: settings.ini into the registry settings key.
    void FormCreate();
    // The close sequence: VirtualStore clean-up, log line and, in portable mode, the data
    // folder removed and the settings written back. Runs once, however the program ends.
    void FormClose();
    // Frees the update checker, then the log (which saves itself).
    void FormDestroy();
    // The update checker's callback.
    void UpdateCheckDone();
    // Adjusts a privilege of the process on the NT family; the outcome is not used.
    static void SetPrivilege(const std::string& name, bool enable);

    TOrvoLite* Updater() const { return updater.get(); }
    bool StartupCheck() const { return startup_check; }
    // The executable's path and folder (with its trailing separator).
    std::string ExePath() const;
    std::string ExeFolder() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;  // the start-up also runs shortly after it
    void changeEvent(QEvent* event) override;  // minimising hides to the notification area
    bool eventFilter(QObject* watched, QEvent* event) override;  // Esc in the search field

private:
    void CreateComponents();
    QWidget* CreateHeader();
    QGroupBox* CreateDetailsPanel();
    void FormResize();
    void ShareColumnWidths();
    void CreateMainMenu();
    // Hides the window and its taskbar button, leaving the notification-area icon; only
    // where that icon can be seen, so the window is never out of reach.
    bool CanHideToTray() const;
    void HideToTray();
    // Stops the timer and refuses snapshots from then on; the window is going away.
    void StopRefresh();
    QIcon ImageAt(int index);
    // The one place where the list asks what a process is: path, name, icon and, while a
    // shown column reads them, company and version.
    std::shared_ptr<const TProcessFacts> NameProcess(std::uint32_t pid);
    void ColumnsChanged();
    // Clears a selection that no longer stands on the connection the user selected.
    void KeepSelection();
    void ShowCount();
    std::int64_t NowMs() const;
    void MarksTick();
    // The row menu's Close Connection and End Process, the View menu's two switches
    // (U_MainDlg_actions.cpp).
    void CreateActionItems(QMenu* view);
    // The snapshot's rates from the one before.
    void ApplyRates(TConnectionArray& snapshot);
    // The traffic headers' tooltips say why the cells are empty, where they must be.
    void ShowTrafficTips();
    // The name the Remote Address column and the details panel show, or empty.
    std::string RemoteName(const TConnection& c);
    // Shows, once, that some owners are unknown for lack of rights and how to see them all.
    void NoteUnknownOwners();
    // Shows and logs what the settings store had to tell (a settings file moved aside).
    void NoteSettingsNotices();

    TMaindlgServices services_;

    // Components, by their role names.
    QWidget* top_pnl = nullptr;
    QPushButton* softupdate_btn = nullptr;
    TConnectionListView* lst = nullptr;
    TConnectionListModel* lst_model = nullptr;
    TConnectionListProxy* lst_proxy = nullptr;
    QLineEdit* search_edt = nullptr;
    QLabel* count_lbl = nullptr;
    QLabel* frozen_lbl = nullptr;
    QMenu* columns_mnu = nullptr;
    QList<QAction*> column_actions;
    QAction* SaveAs1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Find1 = nullptr;
    QAction* MarkChanges1 = nullptr;
    QTimer* marks_tmr = nullptr;
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
    QAction* CloseConnection1 = nullptr;
    QAction* EndProcess1 = nullptr;
    QAction* ShowIPv61 = nullptr;
    QAction* ResolveAddresses1 = nullptr;
    QLabel* traffic_lbl = nullptr;  // the selected process's bytes, when counted
    QTimer* names_tmr = nullptr;    // writes arrived names into the rows, a few at a time
    bool show_ipv6_ = false;
    bool resolve_names_ = false;
    bool can_close_ = false;        // the selected row is a TCP connection
    bool can_end_ = false;          // the selected row's process may be ended
    std::unique_ptr<NameResolver> resolver_;
    TTrafficRates traffic_rates_;
    std::int64_t last_snapshot_ms_ = -1;
    // How the last snapshot's traffic read went (platform::TrafficAvailability), from the worker.
    std::shared_ptr<std::atomic<int>> traffic_state_ = std::make_shared<std::atomic<int>>(0);
    QAction* Whois1 = nullptr;
    QAction* Search1 = nullptr;
    QAction* Webpage1 = nullptr;
    QAction* Opencontainingfolder1 = nullptr;
    QToolButton* freeze_btn = nullptr;
    QToolButton* system_btn = nullptr;
    QToolButton* local_btn = nullptr;
    QLabel* owner_lbl = nullptr;     // the unknown-owner notice, made when first needed
    QLabel* settings_lbl = nullptr;  // the settings store's notices, made when first needed

    QMenuBar* MainMenu1 = nullptr;
    QAction* Quit1 = nullptr;
    QAction* OpenLog1 = nullptr;
    QAction* Checkforupdate1 = nullptr;
    QAction* ChangeLog1 = nullptr;
    QAction* BugreportFeaturerequestKnownissues1 = nullptr;
    QAction* About1 = nullptr;
    TTrayIcon* tray_icon = nullptr;
    QTimer* tray_tmr = nullptr;  // hides a minimised window right after its state change
    QPointer<TAboutDlg> AboutDlg;

    bool show_system = false;
    bool show_local = false;
    // The filters remembered from the last run, applied at the first activation.
    bool remembered_system_ = false;
    bool remembered_local_ = false;
    bool mark_changes_ = true;
    // False until a snapshot has been applied under the current filters: the first fill
    // and a filter change mark nothing.
    bool mark_next_ = false;
    std::uint8_t process_needs_ = 0;
    // Column widths from the settings hold until the user changes the window's size or a filter.
    bool keep_widths_ = false;
    // The connection the user selected, and whether the list is checking it.
    std::optional<TConnection> selected_;
    bool keeping_selection_ = false;  // TProcessNeed bits of the shown columns
    TDetailsTexts details;
    std::unique_ptr<TKLog> log;
    std::unique_ptr<TOrvoLite> updater;
    bool startup_check = false;
    TConnectionArray connections;

    // The small system image list the rows draw from, and the pictures drawn so far.
    platform::ImageListHandle image_list_handle = 0;
    platform::ImageListHandle large_image_list_handle = 0;
    QList<QIcon> images;

    QList<QPointer<TConnectionRefreshThd>> workers_;
    bool closing_ = false;
    bool activated_ = false;
    QMetaObject::Connection activation_;
    QTimer* startup_tmr = nullptr;  // runs the start-up shortly after the first show
    bool form_closed_ = false;
    bool hidden_in_tray_ = false;
    int update_count_ = 0;
};

}  // namespace vanto
