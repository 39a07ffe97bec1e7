// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The main window's life (offscreen): the start-up lines of the log, "/minimized" and
// "/Minimized", the start-up on a desktop that never activates the window, the automatic and
// the requested update checks against a local HTTPS server and their answers, closing during
// a check, portable mode end to end with real files, an installed copy, and the real program
// ended by SIGTERM.
#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/U_MainDlg.h"
#include "app/U_MsgDlg.h"
#include "app/tray_icon.h"
#include "https_test_server.h"
#include "main_dlg_fixture.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "support/maker_key.h"
#include "support/text_utils.h"
#include "support/versionhelpers.h"
#include "testsupport/test_support.h"
#include "update/maker_site.h"
#include "update/qt/U_HTTP_Custo.h"
#include "update/qt/U_Orvo_Lite.h"

using namespace vanto;
using namespace vanto::testing;
namespace fs = std::filesystem;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;

namespace {

const TestCertificates& Certs() {
    static const TestCertificates certs;
    return certs;
}

// Answers every message box with `answer` and records its text.
class Boxes {
public:
    explicit Boxes(int answer) {
        previous_ = SetMsgBoxHook([this, answer](QWidget*, const QString& text, const TMsgBoxStyle&) {
            texts.push_back(text.toStdString());
            return answer;
        });
    }
    ~Boxes() { SetMsgBoxHook(previous_); }
    std::vector<std::string> texts;

private:
    MsgBoxHook previous_;
};

class Shell {
public:
    Shell() {
        previous_ = platform::SetShellOpenHook([this](const platform::ShellRequest& r) {
            files.push_back(r.file);
            return true;
        });
    }
    ~Shell() { platform::SetShellOpenHook(previous_); }
    std::vector<std::string> files;

private:
    platform::ShellOpenHook previous_;
};

// Answers "is there a notification area" for the length of a test.
class TrayAnswer {
public:
    explicit TrayAnswer(bool has_tray) { TTrayIcon::SetDesktopHasTrayForTesting(has_tray); }
    ~TrayAnswer() { TTrayIcon::SetDesktopHasTrayForTesting(std::nullopt); }
};

// The log's messages, oldest first, without level and time.
std::vector<std::string> Messages(const TKLog& log) {
    std::vector<std::string> out;
    for (auto it = log.Lines().rbegin(); it != log.Lines().rend(); ++it)
        out.push_back(it->substr(it->find('\t', it->find('\t') + 1) + 1));
    return out;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class LifeTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setApplicationName(QStringLiteral("Vantoscope"));
        ASSERT_TRUE(Certs().ok()) << Certs().error();
    }
    void TearDown() override {
        window_.reset();
        WaitFor([] { return TConnectionRefreshThd::Running() == 0; });
        QApplication::processEvents();
    }

    TMaindlg& Create(QStringList params = {}, std::optional<std::string> exe = std::nullopt) {
        TMaindlgServices services = system_.Services();
        services.params = std::move(params);
        // The running test program by default: the update check names it.
        services.exe_path = exe ? std::move(exe) : std::optional<std::string>(platform::GetExecutablePath());
        window_ = std::make_unique<TMaindlg>(std::move(services));
        window_->findChild<QTimer*>(QStringLiteral("refresh_tmr"))->stop();
        return *window_;
    }
    TMaindlg& Start(QStringList params = {}, std::optional<std::string> exe = std::nullopt) {
        Create(std::move(params), std::move(exe));
        window_->show();
        window_->AppEvtActivate();
        return *window_;
    }
    QAction* CheckItem() const { return window_->findChild<QAction*>(QStringLiteral("Checkforupdate1")); }
    bool WaitForCheckToEnd() {
        return WaitFor([&] { return CheckItem()->isEnabled() && !window_->Updater()->Busy; }, 8000);
    }

    ScopedEnv cert_file_{"SSL_CERT_FILE", Certs().TrustedAuthorityFile()};
    ScopedEnv cert_dir_{"SSL_CERT_DIR", Certs().EmptyFolder()};
    SyntheticSystem system_;
    std::unique_ptr<TMaindlg> window_;
};

TEST_F(LifeTest, StartUpWritesItsNineLinesInOrder) {
    TrayAnswer tray(true);
    const struct {
        QStringList params;
        bool hidden;
    } cases[] = {{{QStringLiteral("/minimized")}, true}, {{QStringLiteral("/Minimized")}, false}, {{}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params.join(u' ').toStdString());
        Start(c.params);
        QApplication::processEvents();
        const std::string caption = "Vantoscope v" + std::string(VS_PROJECT_VERSION);
        EXPECT_EQ(window_->windowTitle().toStdString(), caption);
        EXPECT_EQ(window_->TrayIcon()->tray()->toolTip().toStdString(), caption);
        EXPECT_EQ(GetRegisteredProgramPath("Vantoscope"), platform::GetExecutablePath());
        ASSERT_NE(window_->EventLog(), nullptr);
        const std::vector<std::string> lines = Messages(*window_->EventLog());
        std::vector<std::string> expected = {"Starting", platform::GetExecutablePath(), caption};
        ASSERT_GE(lines.size(), 8u);
        EXPECT_TRUE(lines[3].rfind("Linux : ", 0) == 0) << lines[3];
        expected.push_back(lines[3]);
        // The system's kind: a 64-bit build runs on a 64-bit system only.
        expected.push_back(sizeof(void*) == 8 ? "64Bits : Yes" : "64Bits : " + BoolToYesNo(Is64BitSystem()));
        expected.push_back(std::string("Administrator : ") + (::geteuid() == 0 ? "Yes" : "No"));
        expected.push_back("Portable : Yes");
        if (!c.params.isEmpty()) expected.push_back(c.params.first().toStdString());
        expected.push_back("OpenSSL : " + SslVersionText());
        expected.push_back("Self update check...");
        expected.push_back("Vantoscope Update self check : Initialization");
        ASSERT_GE(lines.size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(expected.size())),
                  expected);
        EXPECT_EQ(window_->HiddenInTray(), c.hidden);
        EXPECT_EQ(window_->isVisible(), !c.hidden);
        EXPECT_TRUE(window_->StartupCheck() || CheckItem()->isEnabled());
        ASSERT_TRUE(WaitForCheckToEnd());
        window_.reset();
    }
}

TEST_F(LifeTest, StartUpRunsSoonAfterTheFirstShowWithoutAnyActivation) {
    Create();
    window_->show();
    EXPECT_EQ(window_->EventLog(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return window_->EventLog() != nullptr; }, 3000));
    TKLog* log = window_->EventLog();
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    window_->hide();
    window_->show();
    QApplication::processEvents();
    EXPECT_EQ(window_->EventLog(), log) << "once only";
    const std::vector<std::string> lines = Messages(*log);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Starting"), 1);
    ASSERT_TRUE(WaitForCheckToEnd());
}

TEST_F(LifeTest, AutomaticCheckNeverShowsTheUpToDateBoxTheMenuCheckDoes) {
    HttpsTestServer server(Certs(), "trusted",
                           [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "0.0.0.1"); });
    ScopedEnv url("VANTOSCOPE_UPDATE_URL", server.Base());
    Boxes boxes(IDOK);
    Start();
    EXPECT_TRUE(window_->StartupCheck());
    EXPECT_FALSE(CheckItem()->isEnabled());
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_FALSE(window_->StartupCheck());
    EXPECT_TRUE(Contains(Messages(*window_->EventLog()), "Vantoscope is already up to date."));

    CheckItem()->trigger();
    EXPECT_FALSE(CheckItem()->isEnabled());
    window_->Checkforupdate1Click();  // ignored while one runs
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Vantoscope is already up to date."});
    EXPECT_EQ(server.Heads().size(), 2);
}

TEST_F(LifeTest, NewerVersionAsksAndOnlyYesOpensTheDownloadPage) {
    HttpsTestServer server(Certs(), "trusted",
                           [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "999.0.0.0"); });
    ScopedEnv url("VANTOSCOPE_UPDATE_URL", server.Base());
    Shell shell;
    {
        Boxes no(IDNO);
        Start();
        ASSERT_TRUE(WaitForCheckToEnd());
        EXPECT_EQ(no.texts,
                  std::vector<std::string>{"A new version of Vantoscope is available. Do you want to download update now ?"});
        EXPECT_TRUE(shell.files.empty());
        EXPECT_TRUE(Contains(Messages(*window_->EventLog()), "New version of Vantoscope is detected"));
    }
    Boxes yes(IDYES);
    CheckItem()->trigger();
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_EQ(shell.files, std::vector<std::string>{MakerDownloadPage()});
}

TEST_F(LifeTest, FailedCheckSaysNothingAndGivesTheItemBack) {
    Boxes boxes(IDOK);
    Shell shell;
    Start();  // the fixture's service is a closed port
    ASSERT_TRUE(WaitForCheckToEnd());
    CheckItem()->trigger();
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(shell.files.empty());
    const std::vector<std::string> lines = Messages(*window_->EventLog());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Self update check..."), 2);
    EXPECT_FALSE(Contains(lines, "Vantoscope is already up to date."));
}

TEST_F(LifeTest, ClosingDuringACheckEndsAtOnceWithoutCallback) {
    HttpsTestServer silent(Certs(), "trusted", [](const QByteArray&) { return QByteArray(); });
    ScopedEnv url("VANTOSCOPE_UPDATE_URL", silent.Base());
    Boxes boxes(IDOK);
    Start();
    ASSERT_TRUE(WaitFor([&] { return !silent.Heads().isEmpty(); }));
    EXPECT_TRUE(window_->Updater()->Busy);
    QElapsedTimer t;
    t.start();
    window_->close();
    window_.reset();
    EXPECT_LT(t.elapsed(), 2000);
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(boxes.texts.empty());
}

// A portable copy in a folder of its own.
class PortableLifeTest : public LifeTest {
protected:
    TempDir dir;
    ScopedEnv hive{"VANTOSCOPE_USER_HIVE", (dir.path() / "hive" / "registry.reg").string()};
    ScopedEnv machine{"VANTOSCOPE_MACHINE_HIVE", (dir.path() / "etc" / "registry.reg").string()};
    ScopedEnv data{"XDG_DATA_HOME", (dir.path() / "data").string()};
    std::string exe = (dir.path() / "app" / "vantoscope").string();
    std::string ini = (dir.path() / "app" / "settings.ini").string();
    const std::string initial = "[Settings]\r\nLanguage=fr\r\n[Settings_DWORD]\r\nWidth=$10\r\nHeight=0x10\r\n";

    void SetUp() override {
        LifeTest::SetUp();
        dir.write("app/vantoscope", "stand-in");
        dir.write("app/settings.ini", initial);
    }
    static bool KeyExists(const std::string& path) {
        RegKey key;
        return key.Open(RegRoot::CurrentUser, path, RegAccess::Read);
    }
};

TEST_F(PortableLifeTest, SettingsComeInAtCreationAndGoBackAtClose) {
    Create({}, exe);
    {
        RegKey key;
        ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        std::uint32_t width = 0;
        ASSERT_TRUE(key.ReadDword("Width", width));
        EXPECT_EQ(width, 16u);
        ASSERT_TRUE(key.WriteString("Language", "de"));  // the program changes a setting
    }
    window_->show();
    window_->AppEvtActivate();
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_EQ(GetRegisteredProgramPath("Vantoscope"), exe);
    const fs::path folder = dir.path() / "data" / "Ombrevale" / "Vantoscope";
    ASSERT_TRUE(fs::is_directory(folder));
    dir.write("data/Ombrevale/Vantoscope/leftover.tmp", "x");
    window_->close();
    window_.reset();

    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Language", "?"), "de");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings_DWORD", "Width", "?"), "16");
    EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale\\Vantoscope"));
    EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale")) << "the emptied maker key goes too";
    EXPECT_FALSE(fs::exists(dir.path() / "data" / "Ombrevale")) << "no log survives a portable copy";
    EXPECT_TRUE(fs::exists(exe));
}

TEST_F(PortableLifeTest, UnwritableSettingsFileKeepsTheRegistry) {
    Create({}, exe);
    window_->show();
    window_->AppEvtActivate();
    ASSERT_TRUE(WaitForCheckToEnd());
    // The settings file cannot be replaced: a folder stands in its place now.
    fs::remove(ini);
    fs::create_directories(ini);
    window_->close();
    window_.reset();
    EXPECT_TRUE(KeyExists("SOFTWARE\\Ombrevale\\Vantoscope"));
    EXPECT_EQ(GetRegisteredProgramPath("Vantoscope"), exe);
}

TEST_F(PortableLifeTest, DataFolderFallingBackToTheProgramsFolderIsNotDeleted) {
    // No per-user data folder can be made: the log goes beside the program.
    dir.write("data", "a file where the folder should be");
    Create({}, exe);
    window_->show();
    window_->AppEvtActivate();
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_EQ(window_->EventLog()->FileName(), (dir.path() / "app" / "Vantoscope.log").string());
    window_->close();
    window_.reset();
    EXPECT_TRUE(fs::exists(exe));
    EXPECT_TRUE(fs::exists(ini));
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Language", "?"), "fr");
}

TEST_F(PortableLifeTest, InstalledCopyChangesNothingAtClose) {
    // The package's uninstall entry, as a drop-in beside the machine hive.
    dir.write("etc/registry.d/vantoscope.reg",
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantoscope]\r\n"
              "\"DisplayName\"=\"Ombrevale Vantoscope 1.0.0.0\"\r\n");
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Language", "it"));
    }
    Start({}, exe);
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_TRUE(Contains(Messages(*window_->EventLog()), "Portable : No"));
    window_->close();
    window_.reset();
    EXPECT_EQ(readFile(ini), initial);
    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::Read));
    std::string language;
    ASSERT_TRUE(key.ReadString("Language", language));
    EXPECT_EQ(language, "it") << "not imported over, not removed";
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "Ombrevale" / "Vantoscope" / "Vantoscope.log"));
}

// The package is installed, but this copy lies elsewhere: it is portable all the same.
TEST_F(PortableLifeTest, CopyOutsideTheInstallLocationIsPortable) {
    dir.write("usr/bin/vantoscope", "the installed copy");
    dir.write(
        "etc/registry.d/vantoscope.reg",
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantoscope]\r\n"
        "\"DisplayName\"=\"Ombrevale Vantoscope 1.0.0.0\"\r\n\"InstallLocation\"=\"" +
            (dir.path() / "usr" / "bin").string() + "\"\r\n");
    Start({}, exe);
    ASSERT_TRUE(WaitForCheckToEnd());
    EXPECT_TRUE(Contains(Messages(*window_->EventLog()), "Portable : Yes"));
    {
        RegKey key;
        ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Language", "pt"));
    }
    window_->close();
    window_.reset();
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Language", "?"), "pt") << "settings.ini is written back";
    EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale\\Vantoscope"));
}

// The real program with a display that cannot be opened: the table instead of Qt's abort.
TEST(ProgramWithoutDisplay, UnreachableDisplayPrintsTheTableAndSaysWhy) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":57015"));  // no server there
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VS_PROGRAM), {});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("PID"));
    EXPECT_TRUE(p.readAllStandardError().contains(
        "vantoscope: the display :57015 cannot be opened; printing the connection table instead"));
}

// The real program, copied into a folder of its own, ended by a signal.
TEST_F(PortableLifeTest, SigtermClosesTheProgramAsQuitDoes) {
    fs::copy_file(VS_PROGRAM, exe, fs::copy_options::overwrite_existing);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((dir.path() / "run").string()));
    fs::create_directories(dir.path() / "run");
    ::chmod((dir.path() / "run").c_str(), 0700);
    p.setProcessEnvironment(env);  // this process's hives, data folder and update address
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QString::fromStdString(exe), {});
    ASSERT_TRUE(p.waitForStarted());
    // Started: the start-up records the program under the maker key.
    ASSERT_TRUE(WaitFor([&] { return GetRegisteredProgramPath("Vantoscope") == exe; }, 10000)) << p.readAll().toStdString();
    {
        RegKey key;
        ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Language", "es"));
    }
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Language", "?"), "es");
    EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale"));
    EXPECT_FALSE(fs::exists(dir.path() / "data" / "Ombrevale"));
}

// What writes cut short by a crash left beside the settings file and the hive goes at start:
// our own naming, old enough; a young one (a write under way) and other files stay.
TEST_F(PortableLifeTest, LeftoverTemporaryFilesOfInterruptedWritesGoAtStart) {
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    const fs::path ini_left = dir.write("app/.settings.ini.tmp-Ab12Cd", "[Settings]\r\nLanguage=xx\r\n");
    const fs::path hive_left = dir.write("hive/.registry.reg.tmp-Zz9876", "REGEDIT4\n");
    const fs::path young = dir.write("app/.settings.ini.tmp-young0", "being written");
    const fs::path other = dir.write("app/notes.txt.tmp-Ab12Cd", "not ours");
    for (const fs::path& p : {ini_left, hive_left, other}) fs::last_write_time(p, old);
    Create({}, exe);
    EXPECT_FALSE(fs::exists(ini_left));
    EXPECT_FALSE(fs::exists(hive_left));
    EXPECT_TRUE(fs::exists(young));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_EQ(readFile(dir.path() / "app" / "settings.ini"), initial);
}

// A request to end that comes while the start-up is still busy (here: waiting for a hive lock
// another program holds) is answered once the window runs, as Quit, not by dying.
TEST_F(PortableLifeTest, SigtermDuringALongStartUpStillClosesAsQuitDoes) {
    fs::copy_file(VS_PROGRAM, exe, fs::copy_options::overwrite_existing);
    const fs::path hive_lock = dir.path() / "hive" / "registry.reg.lock";
    fs::create_directories(hive_lock.parent_path());
    const int held = ::open(hive_lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((dir.path() / "run").string()));
    fs::create_directories(dir.path() / "run");
    ::chmod((dir.path() / "run").c_str(), 0700);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QString::fromStdString(exe), {});
    ASSERT_TRUE(p.waitForStarted());
    // Long enough for the program to be inside its start-up, short of the lock's wait.
    QThread::msleep(700);
    ASSERT_EQ(p.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    QThread::msleep(300);
    ::close(held);
    ASSERT_TRUE(p.waitForFinished(20000));
    const std::string out = p.readAll().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << out;
    EXPECT_EQ(p.exitCode(), 0) << out;
    EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale")) << "the portable clean-up ran\n" << out << readFile(dir.path() / "hive" / "registry.reg");
}

}  // namespace

VS_QT_TEST_MAIN()
