// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The application frame around the connection list (offscreen): main menu and shortcuts,
// the maker's pages, "Software Update", the About window, the event log of the first
// activation, the notification-area icon with and without a notification area, "/minimized",
// closing, and a later start of the program bringing the window back.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/U_MainDlg.h"
#include "app/U_MsgDlg.h"
#include "app/gui_main.h"
#include "app/single_instance.h"
#include "app/tray_icon.h"
#include "main_dlg_fixture.h"
#include "platform/shell.h"
#include "support/maker_key.h"
#include "testsupport/test_support.h"
#include "update/maker_site.h"
#include "update/qt/U_about.h"

// QtGui's own entry for simulated key presses (the one Qt's test library uses): runs the
// shortcut the keys stand for in the active window, and says whether one ran.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

using namespace vanto;
using namespace vanto::testing;
namespace fs = std::filesystem;

namespace {

// Captures every shell request while it lives; nothing is launched.
class ShellCapture {
public:
    ShellCapture() {
        previous_ = platform::SetShellOpenHook([this](const platform::ShellRequest& r) {
            requests.push_back(r);
            return true;
        });
    }
    ~ShellCapture() { platform::SetShellOpenHook(previous_); }
    ShellCapture(const ShellCapture&) = delete;
    ShellCapture& operator=(const ShellCapture&) = delete;

    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const auto& r : requests) files.push_back(r.file);
        return files;
    }

    std::vector<platform::ShellRequest> requests;

private:
    platform::ShellOpenHook previous_;
};

// Counts message boxes instead of showing them.
class MsgBoxCapture {
public:
    MsgBoxCapture() {
        previous_ = SetMsgBoxHook([this](QWidget*, const QString& text, const TMsgBoxStyle&) {
            texts.push_back(text);
            return IDOK;
        });
    }
    ~MsgBoxCapture() { SetMsgBoxHook(previous_); }
    MsgBoxCapture(const MsgBoxCapture&) = delete;
    MsgBoxCapture& operator=(const MsgBoxCapture&) = delete;

    QStringList texts;

private:
    MsgBoxHook previous_;
};

// Answers "is there a notification area" for the length of a test.
class TrayAnswer {
public:
    explicit TrayAnswer(bool has_tray) { TTrayIcon::SetDesktopHasTrayForTesting(has_tray); }
    ~TrayAnswer() { TTrayIcon::SetDesktopHasTrayForTesting(std::nullopt); }
};

// The process's user hive, pointed at a file of this test for its length.
class UserHive {
public:
    UserHive() : path_(dir_.path() / "registry.reg") {
        if (const char* old = std::getenv("VANTOSCOPE_USER_HIVE")) previous_ = old;
        qputenv("VANTOSCOPE_USER_HIVE", QByteArray::fromStdString(path_.string()));
    }
    ~UserHive() {
        if (previous_)
            qputenv("VANTOSCOPE_USER_HIVE", QByteArray::fromStdString(*previous_));
        else
            qunsetenv("VANTOSCOPE_USER_HIVE");
    }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    fs::path path_;
    std::optional<std::string> previous_;
};

std::string Site(const char* path_and_query) { return std::string(kMakerSite) + path_and_query; }

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { QCoreApplication::setApplicationName(QStringLiteral("Vantoscope")); }
    void TearDown() override {
        window_.reset();
        WaitFor([] { return TConnectionRefreshThd::Running() == 0; });
        QApplication::processEvents();
    }

    // A window on the synthetic system, its timer stopped, started with `params`.
    TMaindlg& Create(QStringList params = {}) {
        TMaindlgServices services = system_.Services();
        services.params = std::move(params);
        window_ = std::make_unique<TMaindlg>(std::move(services));
        Timer()->stop();
        return *window_;
    }
    // Shown and activated as the program's window is at start.
    TMaindlg& Start(QStringList params = {}) {
        Create(std::move(params));
        window_->show();
        window_->AppEvtActivate();
        QApplication::processEvents();
        return *window_;
    }

    QTimer* Timer() const { return window_->findChild<QTimer*>(QStringLiteral("refresh_tmr")); }
    QAction* Item(const char* name) const {
        auto* a = window_->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    bool Restored() const { return window_->isVisible() && !window_->isMinimized() && !window_->HiddenInTray(); }

    SyntheticSystem system_;
    std::unique_ptr<TMaindlg> window_;
};

}  // namespace

// ---- Menus ------------------------------------------------------------------------------

TEST_F(FrameTest, MainMenuHoldsEveryItemWithItsCaptionAndShortcut) {
    Create();
    auto* bar = window_->findChild<QMenuBar*>(QStringLiteral("MainMenu1"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(window_->menuWidget(), bar);

    struct Entry {
        const char* name;  // empty: a separator
        const char* text;
        QKeySequence shortcut;
    };
    const struct {
        const char* title;
        std::vector<Entry> items;
    } menus[] = {
        {"&File",
         {{"SaveAs1", "Save As...", QKeySequence(QStringLiteral("Ctrl+S"))}, {"", "", {}}, {"Quit1", "&Quit", {}}}},
        {"&View",
         {{"Find1", "&Find", QKeySequence(QStringLiteral("Ctrl+F"))},
          {"", "", {}},
          {"Columns1", "&Columns", {}},
          {"", "", {}},
          {"ShowIPv61", "Show IPv6", {}},
          {"ResolveAddresses1", "Resolve Addresses", {}}}},
        {"&?",
         {{"OpenLog1", "&Open Log", QKeySequence(QStringLiteral("Ctrl+L"))},
          {"", "", {}},
          {"Checkforupdate1", "Check for update", QKeySequence(QStringLiteral("Ctrl+G"))},
          {"", "", {}},
          {"ChangeLog1", "Change Log", {}},
          {"BugreportFeaturerequestKnownissues1", "Bug report, Feature request, Known issues", {}},
          {"", "", {}},
          {"About1", "&About...", {}}}},
    };
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), 3);
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(top[m]->text(), QString::fromUtf8(menus[m].title));
        QMenu* menu = top[m]->menu();
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(menus[m].items.size())) << menus[m].title;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Entry& e = menus[m].items[static_cast<std::size_t>(i)];
            if (*e.name == '\0') {
                EXPECT_TRUE(items[i]->isSeparator()) << menus[m].title << " item " << i;
                continue;
            }
            EXPECT_EQ(items[i]->objectName(), QLatin1String(e.name));
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(e.text)) << e.name;
            EXPECT_EQ(items[i]->shortcut(), e.shortcut) << e.name;
            EXPECT_TRUE(items[i]->isEnabled()) << e.name;
        }
    }

    // The notification-area menu: "Show" (the default) and "Quit".
    ASSERT_NE(window_->TrayIcon(), nullptr);
    QMenu* popup = window_->TrayIcon()->PopupMenu1();
    ASSERT_NE(popup, nullptr);
    const QList<QAction*> tray_items = popup->actions();
    ASSERT_EQ(tray_items.size(), 2);
    EXPECT_EQ(tray_items[0]->text(), QStringLiteral("Show"));
    EXPECT_EQ(tray_items[1]->text(), QStringLiteral("Quit"));
    EXPECT_EQ(popup->defaultAction(), tray_items[0]);
    EXPECT_EQ(window_->findChild<QSystemTrayIcon*>(QStringLiteral("tray")), window_->TrayIcon()->tray());
}

TEST_F(FrameTest, ShortcutsRunTheirItemsInTheActiveWindow) {
    ShellCapture shell;
    MsgBoxCapture boxes;
    Start();
    ASSERT_TRUE(WaitFor([&] { return window_->isActiveWindow(); }));
    ASSERT_NE(window_->EventLog(), nullptr);
    QObject* target = window_->focusWidget() != nullptr ? static_cast<QObject*>(window_->focusWidget())
                                                        : static_cast<QObject*>(window_->windowHandle());

    EXPECT_TRUE(qt_sendShortcutOverrideEvent(target, 0, Qt::Key_L, Qt::ControlModifier, QStringLiteral("l"), false, 1));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, window_->EventLog()->FileName()) << "Ctrl+L opens the log";

    // Ctrl+G starts a check once the start-up's own check is over; the item is disabled
    // while it runs. The service is out of reach here: nothing is asked and nothing opened.
    ASSERT_TRUE(WaitFor([&] { return Item("Checkforupdate1")->isEnabled(); }));
    EXPECT_TRUE(qt_sendShortcutOverrideEvent(target, 0, Qt::Key_G, Qt::ControlModifier, QStringLiteral("g"), false, 1));
    EXPECT_FALSE(Item("Checkforupdate1")->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return Item("Checkforupdate1")->isEnabled(); }));
    EXPECT_EQ(shell.requests.size(), 1u);
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_TRUE(Restored());
}

// ---- The maker's pages and the companion program ------------------------------------------

TEST_F(FrameTest, ChangeLogAndBugTrackerOpenTheMakersPagesWithTheWindowAsOwner) {
    ShellCapture shell;
    Create();
    const struct {
        const char* item;
        std::string address;
    } cases[] = {
        {"ChangeLog1", Site("/bugs/changelog_page.php?project_id=20")},
        {"BugreportFeaturerequestKnownissues1", Site("/bugs/view_all_bug_page.php?project_id=20")},
    };
    for (const auto& c : cases) {
        shell.requests.clear();
        Item(c.item)->trigger();
        ASSERT_EQ(shell.requests.size(), 1u) << c.item;
        const platform::ShellRequest& r = shell.requests[0];
        EXPECT_EQ(r.file, c.address) << c.item;
        EXPECT_EQ(r.file.rfind("https://", 0), 0u) << c.item;
        EXPECT_EQ(r.call, platform::ShellRequest::Call::ExecuteWithOwner) << c.item;
        EXPECT_EQ(r.owner, static_cast<platform::WindowHandle>(window_->winId())) << c.item;
        EXPECT_EQ(r.show_command, 1) << c.item;
    }
}

TEST_F(FrameTest, SoftwareUpdateOpensTheCompanionWhenInstalledElseItsPage) {
    UserHive hive;
    const std::string page = Site("/?orvo");
    const std::string installed = hive.dir().write("orvo/Orvo.exe", "MZ companion").string();
    const std::string empty = hive.dir().write("orvo/Empty.exe", "").string();
    const std::string missing = (hive.dir().path() / "orvo" / "Gone.exe").string();
    const std::string folder = (hive.dir().path() / "orvo").string();

    const struct {
        const char* what;
        std::optional<std::string> registered;  // absent: no "Orvo" value
        std::string opened;
    } cases[] = {
        {"no value", std::nullopt, page}, {"empty value", std::string(), page}, {"missing file", missing, page},
        {"empty file", empty, page},      {"a folder", folder, page},           {"installed", installed, installed},
    };
    ShellCapture shell;
    Create();
    auto* button = window_->findChild<QPushButton*>(QStringLiteral("softupdate_btn"));
    ASSERT_NE(button, nullptr);
    for (const auto& c : cases) {
        if (c.registered)
            RegisterProgramPath("Orvo", *c.registered);
        else
            UnregisterProgramPath("Orvo");
        ASSERT_EQ(GetRegisteredProgramPath("Orvo"), c.registered.value_or(std::string())) << c.what;
        shell.requests.clear();
        button->click();
        ASSERT_EQ(shell.requests.size(), 1u) << c.what;
        EXPECT_EQ(shell.requests[0].file, c.opened) << c.what;
        EXPECT_EQ(shell.requests[0].call, platform::ShellRequest::Call::Execute) << c.what;
        EXPECT_FALSE(shell.requests[0].parameters.has_value() && !shell.requests[0].parameters->empty()) << c.what;
    }
    EXPECT_EQ(page.rfind("https://", 0), 0u);
}

// ---- About ------------------------------------------------------------------------------

TEST_F(FrameTest, AboutItemShowsTheAboutWindowModally) {
    ShellCapture shell;
    Create();
    // Without an About window the item does nothing rather than fail.
    Item("About1")->trigger();

    auto* about = new TAboutDlg;
    window_->SetAboutDlg(about);
    EXPECT_EQ(about->parent(), window_.get()) << "the main window owns its About window";
    QString shown_title;
    bool was_modal = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        shown_title = modal->windowTitle();
        was_modal = modal == about;
        if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("ok_btn"))) ok->click();
    });
    Item("About1")->trigger();
    EXPECT_TRUE(was_modal);
    EXPECT_EQ(shown_title, QStringLiteral("About Vantoscope"));
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(shell.requests.empty());
}

// ---- First activation: log and icon ---------------------------------------------------------

TEST_F(FrameTest, FirstActivationCreatesTheLogAndSwitchesTheIconOn) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the log's place here is the Linux data folder (XDG_DATA_HOME)";
#endif
    ShellCapture shell;
    TrayAnswer tray(true);
    Create();
    EXPECT_EQ(window_->EventLog(), nullptr);
    EXPECT_FALSE(window_->TrayIcon()->tray()->isVisible());
    // Before the log exists "Open Log" has nothing to open.
    Item("OpenLog1")->trigger();
    EXPECT_TRUE(shell.requests.empty());

    // The application's activation runs the sequence, once; other state changes do not.
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(window_->EventLog(), nullptr);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    ASSERT_NE(window_->EventLog(), nullptr);
    TKLog* log = window_->EventLog();
    const fs::path data = qEnvironmentVariable("XDG_DATA_HOME").toStdString();
    const fs::path file = data / "Ombrevale" / "Vantoscope" / "Vantoscope.log";
    EXPECT_EQ(log->FileName(), file.string());
    EXPECT_FALSE(log->Verbose());
    ASSERT_FALSE(log->Lines().empty());
    EXPECT_NE(log->Lines().back().find("\tStarting"), std::string::npos) << "an earlier run's file is not loaded";
    EXPECT_TRUE(window_->TrayIcon()->tray()->isVisible());
    EXPECT_EQ(window_->TrayIcon()->tray()->toolTip(), window_->windowTitle());
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    window_->AppEvtActivate();
    EXPECT_EQ(window_->EventLog(), log) << "the start-up sequence runs only once";

    // At most 10000 lines, newest first.
    for (int i = 0; i <= 10000; ++i) log->Log("line " + std::to_string(i), 1);
    ASSERT_EQ(log->Lines().size(), 10000u);
    EXPECT_NE(log->Lines().front().find("line 10000"), std::string::npos);

    Item("OpenLog1")->trigger();
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, file.string());
    ASSERT_TRUE(fs::exists(file)) << "saved before it is opened";

    // Destroying the window saves the log once more.
    log->Log("last words", 2);
    window_.reset();
    const std::string text = readFile(file);
    EXPECT_EQ(text.rfind("Error\t[", 0), 0u);
    EXPECT_NE(text.find("last words\r\n"), std::string::npos);
    fs::remove(file);
}

// ---- Notification area, minimising, "/minimized" --------------------------------------------

TEST_F(FrameTest, MinimisingHidesToTheTrayWhereThereIsOneAndTheRefreshGoesOn) {
    TrayAnswer tray(true);
    system_.SetSnapshot({Tcp(100, Addr(93, 184, 216, 34), 443)});
    Start();
    window_->showMinimized();
    ASSERT_TRUE(WaitFor([&] { return !window_->isVisible(); })) << "only the icon remains";
    EXPECT_TRUE(window_->HiddenInTray());

    Timer()->start(10);
    const int before = window_->UpdateCount();
    EXPECT_TRUE(WaitFor([&] { return window_->UpdateCount() >= before + 2; })) << "the list refreshes while hidden";
    Timer()->stop();

    // Every way back: the menu's "Show" and a double click on the icon.
    const struct {
        const char* what;
        std::function<void()> act;
    } ways[] = {
        {"Show", [&] { window_->TrayIcon()->Show1()->trigger(); }},
        {"double click", [&] { emit window_->TrayIcon()->tray()->activated(QSystemTrayIcon::DoubleClick); }},
    };
    for (const auto& w : ways) {
        if (window_->isVisible()) {
            window_->showMinimized();
            ASSERT_TRUE(WaitFor([&] { return !window_->isVisible(); })) << w.what;
        }
        w.act();
        QApplication::processEvents();
        EXPECT_TRUE(Restored()) << w.what;
    }
}

TEST_F(FrameTest, WithoutATrayMinimisingKeepsTheTaskbarButton) {
    TrayAnswer tray(false);
    Start();
    window_->showMinimized();
    WaitFor([] { return false; }, 100);
    EXPECT_TRUE(window_->isVisible()) << "nothing could bring a hidden window back";
    EXPECT_TRUE(window_->isMinimized());
    EXPECT_FALSE(window_->HiddenInTray());
    window_->Show1Click();
    QApplication::processEvents();
    EXPECT_TRUE(Restored());
}

TEST_F(FrameTest, MinimizedParameterStartsHiddenOnlyWithATray) {
    const struct {
        const char* what;
        QStringList params;
        bool has_tray;
        bool visible;
        bool minimized;
    } cases[] = {
        {"tray", {"/minimized"}, true, false, false},
        {"no tray", {"/minimized"}, false, true, true},
        {"capital M", {"/Minimized"}, true, true, false},
        {"not the first parameter", {"x", "/minimized"}, true, true, false},
        {"no parameter", {}, true, true, false},
    };
    for (const auto& c : cases) {
        TrayAnswer tray(c.has_tray);
        Start(c.params);
        WaitFor([] { return false; }, 50);
        EXPECT_EQ(window_->isVisible(), c.visible) << c.what;
        EXPECT_EQ(window_->HiddenInTray(), !c.visible) << c.what;
        if (c.visible) {
            EXPECT_EQ(window_->isMinimized(), c.minimized) << c.what;
        }
        // Whichever way it started, "Show" brings it back.
        window_->Show1Click();
        QApplication::processEvents();
        EXPECT_TRUE(Restored()) << c.what;
        TearDown();
    }
}

// ---- Closing -----------------------------------------------------------------------------

TEST_F(FrameTest, QuitFromMenuOrTrayAndTheCloseBoxAllCloseTheWindow) {
    const struct {
        const char* what;
        bool hidden;
        std::function<void(TMaindlg&)> act;
    } cases[] = {
        {"File > Quit", false, [](TMaindlg& w) { w.findChild<QAction*>(QStringLiteral("Quit1"))->trigger(); }},
        {"tray Quit", false, [](TMaindlg& w) { w.TrayIcon()->Quit2()->trigger(); }},
        {"tray Quit while hidden", true, [](TMaindlg& w) { w.TrayIcon()->Quit2()->trigger(); }},
        {"close box", false, [](TMaindlg& w) { w.close(); }},
    };
    for (const auto& c : cases) {
        TrayAnswer tray(true);
        Start();
        Timer()->start();
        if (c.hidden) {
            window_->showMinimized();
            ASSERT_TRUE(WaitFor([&] { return !window_->isVisible(); })) << c.what;
        }
        int closed = 0;
        QObject::connect(window_.get(), &TMaindlg::closed, [&] { ++closed; });
        c.act(*window_);
        EXPECT_EQ(closed, 1) << c.what;
        EXPECT_FALSE(window_->isVisible()) << c.what;
        EXPECT_FALSE(Timer()->isActive()) << c.what;
        TearDown();
    }
}

// ---- A later start of the program --------------------------------------------------------

TEST_F(FrameTest, ASecondStartBringsTheWindowBack) {
    const QString key = QStringLiteral("vs-frame-test-%1-%2")
                            .arg(QCoreApplication::applicationPid())
                            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    TSingleInstance instance(key);
    ASSERT_EQ(instance.Claim({}), TSingleInstance::Outcome::First);

    const struct {
        const char* what;
        bool has_tray;
    } cases[] = {{"hidden in the tray", true}, {"minimised on the taskbar", false}};
    for (const auto& c : cases) {
        TrayAnswer tray(c.has_tray);
        Start();
        ShowOnActivation(instance, *window_);
        window_->showMinimized();
        WaitFor([&] { return c.has_tray ? !window_->isVisible() : false; }, c.has_tray ? 3000 : 100);
        ASSERT_FALSE(Restored()) << c.what;

        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.start(QStringLiteral(VS_SINGLE_INSTANCE_PROBE), {key, QStringLiteral("/minimized")});
        // The event loop must run for the hand-over, so wait here rather than in QProcess.
        ASSERT_TRUE(WaitFor([&] { return second.state() == QProcess::NotRunning; }, 5000)) << c.what;
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit) << c.what;
        EXPECT_EQ(second.exitCode(), 0) << c.what;
        EXPECT_TRUE(QString::fromUtf8(second.readAllStandardOutput()).startsWith(QStringLiteral("handed-over")))
            << c.what;
        EXPECT_TRUE(WaitFor([&] { return Restored(); })) << c.what << ": the passed \"/minimized\" is ignored";
        TearDown();
    }
}

// The program itself: a second start ends with exit code 0 within two seconds, whatever its
// parameters, and leaves the first copy running.
TEST(Program, SecondStartEndsWithZeroAndTheFirstRunsOn) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "waits for the Linux runtime folder's socket file; Windows uses a named pipe";
#endif
    QTemporaryDir home;  // private (0700), as a runtime folder must be
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VANTOSCOPE_USER_HIVE"), home.filePath(QStringLiteral("registry.reg")));
    const QString socket = home.filePath(TSingleInstance::DefaultKey());

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start(QStringLiteral(VS_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(socket) || first.state() == QProcess::NotRunning; }, 10000));
    ASSERT_EQ(first.state(), QProcess::Running) << "the first copy runs its window";

    // Whatever the parameters: the running copy ignores them.
    for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("/minimized")},
                                    QStringList{QStringLiteral("foo")},
                                    QStringList{QStringLiteral("-x"), QStringLiteral("C:\\notes.txt")}}) {
        QProcess second;
        second.setProcessEnvironment(env);
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        second.start(QStringLiteral(VS_PROGRAM), args);
        ASSERT_TRUE(second.waitForFinished(5000)) << args.join(' ').toStdString();
        EXPECT_LT(t.elapsed(), 2000) << args.join(' ').toStdString();
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        // Neither a window nor the headless table: it handed over and ended.
        EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
        EXPECT_EQ(first.state(), QProcess::Running);
    }
    first.kill();
    first.waitForFinished(5000);
}

VS_QT_TEST_MAIN()
