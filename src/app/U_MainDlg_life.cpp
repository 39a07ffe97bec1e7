// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The main window's life: portable settings loaded at creation, the one-time start-up
// sequence (caption with version, notification-area icon, event log with the system facts,
// "/minimized", the debug privilege, the image lists, the automatic update check), update
// checks and their answers, and the close sequence with its portable clean-up.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>

#include "app/U_MainDlg.h"
#include "app/U_MsgDlg.h"
#include "app/tray_icon.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/safe_files.h"
#include "platform/system_facts.h"
#include "support/U_UnicodeUtils.h"
#include "support/maker_key.h"
#include "support/portable_mode.h"
#include "support/shell_utils.h"
#include "support/text_utils.h"
#include "support/uninstall_entries.h"
#include "support/versionhelpers.h"
#include "update/maker_site.h"
#include "update/qt/U_HTTP_Custo.h"
#include "update/qt/U_Orvo_Lite.h"

namespace vanto {

namespace {

// The program's event log keeps the current run only, saved when opened and at the end.
constexpr std::int32_t kLogMaxLines = 10000;
// The one command-line parameter the window acts on, compared exactly.
constexpr const char* kMinimizedParam = "/minimized";
// A desktop that never activates a new window still gets its start-up this soon after the
// window is first shown.
constexpr int kStartupAfterShowMs = 500;
// Replaces the update service's base (a mirror, a test server) for the window's checks.
constexpr const char* kUpdateUrlVariable = "VANTOSCOPE_UPDATE_URL";
constexpr int kNtPlatform = 2;
// A temporary file younger than this may still be another copy's write under way.
constexpr std::uint32_t kLeftoverMinAgeSeconds = 60;

std::string Title() { return QCoreApplication::applicationName().toLocal8Bit().toStdString(); }

QString Local8(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

std::string SettingsFile(const std::string& exe_folder) { return exe_folder + kSettingsFileName; }

// The system line of the start-up log: ReactOS when it is that, the Linux facts line on
// Linux, the Windows name otherwise.
std::string SystemLine() {
    const std::string reactos = GetReactOSVersionText();
    if (!reactos.empty()) return "ReactOS : " + reactos;
    const std::string linux_text = GetLinuxVersionText();
    if (!linux_text.empty()) return "Linux : " + linux_text;
    return "Windows : " + GetWindowsVersionText();
}

}  // namespace

std::string TMaindlg::ExePath() const {
    return services_.exe_path ? *services_.exe_path : platform::GetExecutablePath();
}

std::string TMaindlg::ExeFolder() const {
    const std::string exe = ExePath();
    const auto slash = exe.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

void TMaindlg::FormCreate() {
    // Writes cut short by a crash leave their temporary files; ours (by their naming, plain
    // files only, old enough that no write of another copy can still be under way) go now.
    platform::RemoveLeftoverRegistryTemporaryFiles(kLeftoverMinAgeSeconds);
    if (IsInstalled(kInstalledDisplayNamePrefix, ExePath())) return;
    platform::RemoveLeftoverTemporaryFiles(ExeFolder(), {kSettingsFileName}, kLeftoverMinAgeSeconds);
    ImportSettings(kSettingsProduct, SettingsFile(ExeFolder()));
}

void TMaindlg::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activated_ && !startup_tmr->isActive()) startup_tmr->start(kStartupAfterShowMs);
}

void TMaindlg::AppEvtActivate() {
    // Closed before its start-up ran (a request to end during start-up): nothing to start.
    if (activated_ || form_closed_) return;
    activated_ = true;
    disconnect(activation_);
    startup_tmr->stop();

    const std::string exe = ExePath();
    const std::string title = Title();
    RegisterProgramPath(title, exe);
    setWindowTitle(Local8(title + " v" + GetFileVersionText(exe)));
    tray_icon->SetHint(windowTitle());
    tray_icon->SetVisible(true);

    const std::string data_folder = GetUserDataFolder(exe, title);
    platform::RemoveLeftoverTemporaryFiles(data_folder, {title + ".log"}, kLeftoverMinAgeSeconds);
    log = std::make_unique<TKLog>(data_folder + title + ".log", false, kLogMaxLines, false);
    log->Log("Starting", 1);
    log->Log(exe, 1);
    log->Log(windowTitle().toLocal8Bit().toStdString(), 1);
    log->Log(SystemLine(), 1);
    log->Log("64Bits : " + BoolToYesNo(Is64BitSystem()), 1);  // the system, whatever this build is
    log->Log("Administrator : " + BoolToYesNo(IsUserAdmin()), 1);
    log->Log("Portable : " + BoolToYesNo(!IsInstalled(kInstalledDisplayNamePrefix, ExePath())), 1);
    if (!services_.params->isEmpty()) log->Log(services_.params->first().toLocal8Bit().toStdString(), 1);
    log->Log("OpenSSL : " + SslVersionText(), 1);

    if (!services_.params->isEmpty() && services_.params->first() == QLatin1String(kMinimizedParam)) {
        // Hidden only where the icon can bring it back; elsewhere it waits on the taskbar.
        if (CanHideToTray()) HideToTray();
        else showMinimized();
    }

    SetPrivilege("SeDebugPrivilege", true);
    LoadSystemImageLists();
    // The filters as the last run left them (both off on a first run).
    const bool refilter = show_system != remembered_system_ || show_local != remembered_local_;
    show_system = remembered_system_;
    show_local = remembered_local_;
    system_btn->setChecked(show_system);
    local_btn->setChecked(show_local);
    if (refilter) {
        mark_next_ = false;
        StartRefresh();
    }

    updater = std::make_unique<TOrvoLite>(log.get(), title);
    if (std::string base = qgetenv(kUpdateUrlVariable).toStdString(); !base.empty()) {
        while (base.size() > 1 && base.back() == '/') base.pop_back();  // the path brings its own
        updater->SetServiceBase(base);
    }
    startup_check = true;
    Checkforupdate1Click();
}

void TMaindlg::SetPrivilege(const std::string& name, bool enable) {
    platform::ClassicVersion version;
    if (!platform::QueryClassicVersion(version) || version.platform_id != kNtPlatform) return;
    (void)platform::AdjustProcessPrivilege(name, enable);
}

void TMaindlg::Checkforupdate1Click() {
    // Before the start-up there is no checker; while one check runs a second is not started.
    if (!updater || updater->Busy) return;
    Checkforupdate1->setEnabled(false);
    LogTo(log.get(), "Self update check...", 1);
    updater->Check(ExePath(), this, [this](TOrvoLite&) { UpdateCheckDone(); });
}

void TMaindlg::UpdateCheckDone() {
    const std::string title = Title();
    // The menu item stays disabled while a question is up, so no second check starts under it.
    if (updater->NewVersionAvailable) {
        LogTo(log.get(), "New version of " + title + " is detected", 1);
        if (AskYesNo(this, Local8("A new version of " + title + " is available. Do you want to download update now ?")) ==
            IDYES)
            ShellOpen(MakerDownloadPage());
    } else if (updater->ReplyValid) {
        const std::string text = title + " is already up to date.";
        LogTo(log.get(), text, 1);
        if (!startup_check) ShowMsg(this, Local8(text), kButtonsOk, kMsgPlain);
    }
    Checkforupdate1->setEnabled(true);
    startup_check = false;
}

void TMaindlg::FormClose() {
    if (form_closed_) return;
    form_closed_ = true;
    const std::string exe = ExePath();
    const std::string exe_folder = ExeFolder();
    const std::string title = Title();
    const std::string cleaned = CleanVirtualStore(exe_folder);
    if (!cleaned.empty()) LogTo(log.get(), "Cleaning VirtualStore : " + cleaned, 0);
    LogTo(log.get(), "Closing " + title, 1);
    // Before the settings go back into settings.ini, so that a portable copy carries them.
    SaveListSettings();
    if (IsInstalled(kInstalledDisplayNamePrefix, ExePath())) return;
    // The data folder goes unless it fell back to the executable's folder, which the
    // deletion refuses (settings.ini lives there).
    DeleteFolderFiles(GetUserDataFolder(exe, title), "*", exe);
    RemoveMakerDataFolder();
    std::vector<std::string> dropped;
    const bool exported = ExportSettings(kSettingsProduct, SettingsFile(exe_folder), &dropped);
    for (const std::string& name : dropped)
        LogTo(log.get(), "Setting not saved to " + std::string(kSettingsFileName) + " : " + name, 2);
    if (exported) {
        DeleteSettingsKey(kSettingsProduct);
        UnregisterProgramPath(title);
        DeleteMakerKeyIfEmpty();
    }
    // What the registry said during the close (a hive another program holds locked) goes into
    // the log too; no refresh will take it any more.
    for (const std::string& text : platform::TakeRegistryNotices()) LogTo(log.get(), text, 2);
}

void TMaindlg::FormDestroy() {
    updater.reset();
    log.reset();
}

void TMaindlg::closeEvent(QCloseEvent* event) {
    FormClose();
    StopRefresh();
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

}  // namespace vanto
