// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The main window's connection list and refresh cycle on synthetic snapshots (offscreen):
// reconciliation by position, column sizing, the filters and toggle buttons, and closing
// while snapshot workers run.
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "main_dlg_fixture.h"
#include "monitor/process_identity.h"
#include "platform/registry.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

const std::uint32_t kWeb = Addr(93, 184, 216, 34);

TConnectionArray Shown(int n, std::uint32_t first_pid = 100) {
    TConnectionArray a;
    for (int i = 0; i < n; ++i) a.push_back(Tcp(first_pid + static_cast<std::uint32_t>(i), kWeb, 443));
    return a;
}

}  // namespace

TEST_F(MainDlgTest, TheSelectionFollowsItsConnectionAndRowsAreUpdatedInPlace) {
    window_->SetMarkChanges(false);  // closed rows go at once
    QAbstractItemModel* m = lst_->model();
    std::vector<std::pair<int, int>> inserted, removed;
    int resets = 0, changed = 0;
    QObject::connect(m, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int a, int b) {
        inserted.push_back({a, b});
    });
    QObject::connect(m, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex&, int a, int b) {
        removed.push_back({a, b});
    });
    QObject::connect(m, &QAbstractItemModel::modelReset, [&] { ++resets; });
    QObject::connect(m, &QAbstractItemModel::dataChanged, [&] { ++changed; });
    auto pids = [&] {
        QStringList p;
        for (int r = 0; r < rows(); ++r) p << text(r, 0);
        return p.join(' ');
    };

    window_->UpdateList(Shown(5));
    ASSERT_EQ(pids(), "100 101 102 103 104");
    lst_->selectRow(3);
    ASSERT_EQ(window_->Details().pid_text, "103");
    inserted.clear();

    // Rows above the selection vanish, one comes in front of them and one at the end; a
    // filtered record in front makes data values record indexes, not row numbers.
    const TConnectionArray next = {Udp(1, 53), Tcp(300, kWeb, 80), Tcp(102, kWeb, 443), Tcp(103, kWeb, 443),
                                   Tcp(104, kWeb, 443), Tcp(301, kWeb, 8080)};
    window_->UpdateList(next);
    EXPECT_EQ(pids(), "300 102 103 104 301") << "new rows take their places in the snapshot's order";
    EXPECT_EQ(removed, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{3, 3}, {0, 0}}));
    ASSERT_EQ(lst_->selectionModel()->selectedRows().size(), 1);
    const int selected = lst_->selectionModel()->selectedRows().first().row();
    EXPECT_EQ(text(selected, 0), "103") << "the selection stays on its connection";
    EXPECT_EQ(data(selected), 3);
    EXPECT_EQ(window_->Details().pid_text, "103") << "and the panel shows it from the snapshot the list shows";
    EXPECT_EQ(text(0, 4), "80 (HTTP)");
    EXPECT_EQ(text(0, 2), "Program prog300");

    // The same connections again: not one row is touched.
    inserted.clear();
    removed.clear();
    changed = 0;
    for (int i = 0; i < 3; ++i) window_->UpdateList(next);
    EXPECT_TRUE(inserted.empty());
    EXPECT_TRUE(removed.empty());
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(window_->Connections().size(), next.size());

    // A changed state is written into its row, which stays selected.
    TConnectionArray closing = next;
    closing[3].state = 8;
    window_->UpdateList(closing);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(window_->Details().state_text, "CLOSE WAIT");
    EXPECT_EQ(resets, 0);
}

TEST_F(MainDlgTest, AnUnchangedRefreshKeepsTheScrollPosition) {
    window_->show();
    window_->UpdateList(Shown(200));
    ASSERT_TRUE(WaitFor([&] { return lst_->verticalScrollBar()->maximum() > 50; }));
    lst_->verticalScrollBar()->setValue(50);
    for (int i = 0; i < 3; ++i) window_->UpdateList(Shown(200));
    QApplication::processEvents();
    EXPECT_EQ(lst_->verticalScrollBar()->value(), 50);
}

TEST_F(MainDlgTest, FirstFillSizesTheColumnsEvenWithoutRows) {
    QHeaderView* header = lst_->horizontalHeader();
    constexpr int kWide = 500;
    auto widen = [&] {
        for (int c = 0; c < 4; ++c) header->resizeSection(c, kWide);
    };
    widen();
    window_->UpdateList({Udp(10, 53), Listener(11, 22)});  // nothing shown
    ASSERT_EQ(rows(), 0);
    for (int c = 0; c < 4; ++c) {
        EXPECT_LT(header->sectionSize(c), kWide) << "column " << c << " fits its header";
        EXPECT_GE(header->sectionSize(c),
                  lst_->fontMetrics().horizontalAdvance(lst_->model()->headerData(c, Qt::Horizontal).toString()));
    }

    widen();
    window_->UpdateList(Shown(2));  // the list was empty: a first fill again
    for (int c = 0; c < 4; ++c) EXPECT_LT(header->sectionSize(c), kWide) << "column " << c;
    EXPECT_GE(header->sectionSize(2), lst_->fontMetrics().horizontalAdvance(QStringLiteral("Program prog100")));

    widen();
    window_->UpdateList(Shown(3));  // not a first fill: the user's widths stay
    for (int c = 0; c < 4; ++c) EXPECT_EQ(header->sectionSize(c), kWide) << "column " << c;
}

// The widths that count are the ones on screen once the view has placed its viewport.
TEST_F(MainDlgTest, ResizingTheWindowFitsTheColumnsToTheNewWidth) {
    QHeaderView* header = lst_->horizontalHeader();
    window_->show();
    ASSERT_TRUE(WaitFor([&] { return lst_->viewport()->width() > 0; }));
    // A few rows, and more rows than the list can show, which brings the vertical scroll bar.
    for (const int shown : {3, 80}) {
        window_->UpdateList({});
        window_->UpdateList(Shown(shown));
        for (const int width : {900, 600, 1100}) {
            window_->resize(width, window_->height());
            ASSERT_TRUE(WaitFor([&] { return window_->width() == width; })) << width;
            QApplication::processEvents();
            int total = 0;
            for (int c = 0; c < lst_->model()->columnCount(); ++c) total += header->sectionSize(c);
            EXPECT_EQ(total, lst_->viewport()->width()) << shown << " rows, window " << width << " px: no gap, no overflow";
            EXPECT_FALSE(lst_->horizontalScrollBar()->isVisible()) << shown << " rows, window " << width << " px";
            EXPECT_GE(header->sectionSize(2), lst_->fontMetrics().horizontalAdvance(QStringLiteral("Program prog100")))
                << "window " << width << " px: fitted to its contents";
        }
        EXPECT_EQ(lst_->verticalScrollBar()->isVisible(), shown > 10) << shown << " rows";
    }
}

// A filter click fits the columns at once, before its refresh arrives; that refresh is no
// first fill, so it would leave any width as it is.
TEST_F(MainDlgTest, FilterClickFitsTheColumns) {
    QHeaderView* header = lst_->horizontalHeader();
    const TConnectionArray snapshot = Shown(3);
    system_.SetSnapshot(snapshot);
    window_->UpdateList(snapshot);
    constexpr int kWide = 500;
    for (const char* button : {"system_btn", "local_btn"}) {
        for (int c = 0; c < 4; ++c) header->resizeSection(c, kWide);
        ClickAndWaitForRefresh(button);
        ASSERT_GT(rows(), 0);
        for (int c = 0; c < 4; ++c) EXPECT_LT(header->sectionSize(c), kWide) << button << ": column " << c;
        EXPECT_GE(header->sectionSize(2), lst_->fontMetrics().horizontalAdvance(QStringLiteral("Program prog100")))
            << button;
    }
}

TEST_F(MainDlgTest, StartStateHidesUdpListenersAndLoopback) {
    const TConnectionArray local_only = {Udp(10, 5353), Listener(11, 22), Tcp(12, Addr(127, 0, 0, 1), 631),
                                         Tcp(13, 0, 0, 5 /* a half-open row without remote */)};
    system_.SetSnapshot(local_only);
    window_->UpdateList(local_only);
    EXPECT_EQ(rows(), 0);
    ClickAndWaitForRefresh("local_btn");
    EXPECT_EQ(rows(), 4);
}

TEST_F(MainDlgTest, SystemAndLocalFiltersCombine) {
    const TConnectionArray snapshot = {Tcp(0, kWeb, 443), Tcp(4, kWeb, 445), Tcp(4, Addr(127, 0, 0, 1), 80),
                                       Tcp(500, Addr(127, 0, 0, 2), 80), Tcp(501, Addr(127, 0, 0, 1), 80)};
    system_.SetSnapshot(snapshot);
    auto shown_pids = [&] {
        QStringList pids;
        for (int r = 0; r < rows(); ++r) pids << text(r, 3) + "/" + text(r, 0);
        return pids.join(' ');
    };
    window_->UpdateList(snapshot);
    EXPECT_EQ(shown_pids(), "127.0.0.2/500") << "127.0.0.2 is not local";
    ClickAndWaitForRefresh("system_btn");
    EXPECT_EQ(shown_pids(), "93.184.216.34/0 93.184.216.34/4 127.0.0.2/500");
    ClickAndWaitForRefresh("local_btn");
    EXPECT_EQ(shown_pids(), "93.184.216.34/0 93.184.216.34/4 127.0.0.1/4 127.0.0.2/500 127.0.0.1/501");
    ClickAndWaitForRefresh("system_btn");
    EXPECT_EQ(shown_pids(), "127.0.0.2/500 127.0.0.1/501") << "PID 4 to 127.0.0.1 needs both filters";
}

TEST_F(MainDlgTest, RemotePortShowsItsLabelOnlyForKnownPorts) {
    window_->UpdateList({Tcp(20, kWeb, 53), Tcp(21, kWeb, 443), Tcp(22, kWeb, 5000), Tcp(23, kWeb, 65535)});
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(text(0, 4), "53");
    EXPECT_EQ(text(1, 4), "443 (HTTPS)");
    EXPECT_EQ(text(2, 4), "5000 (Mozilla Sync)");
    EXPECT_EQ(text(3, 4), "65535");
    EXPECT_EQ(text(1, 1), "TCP");
}

TEST_F(MainDlgTest, SystemButtonTwiceReturnsToTheStartStateAfterTwoRefreshes) {
    auto* button = child<QAbstractButton>("system_btn");
    const TConnectionArray snapshot = {Tcp(4, kWeb, 445), Tcp(600, kWeb, 443)};
    system_.SetSnapshot(snapshot);
    window_->UpdateList(snapshot);
    ASSERT_EQ(rows(), 1);

    ClickAndWaitForRefresh("system_btn");
    EXPECT_TRUE(window_->ShowSystem());
    EXPECT_TRUE(button->isChecked()) << "pressed while system processes are shown";
    EXPECT_EQ(rows(), 2);

    ClickAndWaitForRefresh("system_btn");
    EXPECT_FALSE(window_->ShowSystem());
    EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(text(0, 0), "600");
    EXPECT_EQ(system_.SnapshotsTaken(), 2);
}

TEST_F(MainDlgTest, FreezeStopsOnlyTheTimerAndAFilterClickStillRefreshesOnce) {
    auto* freeze = child<QAbstractButton>("freeze_btn");
    timer()->start();
    freeze->click();
    EXPECT_FALSE(timer()->isActive());
    EXPECT_TRUE(freeze->isChecked());

    system_.SetSnapshot({Udp(30, 53), Tcp(31, kWeb, 443)});
    ClickAndWaitForRefresh("local_btn");
    EXPECT_EQ(rows(), 2) << "rebuilt under the new filter";
    EXPECT_EQ(system_.SnapshotsTaken(), 1);
    EXPECT_FALSE(timer()->isActive()) << "and still frozen";

    // Selecting still fills the panel from the frozen connections.
    lst_->selectRow(1);
    EXPECT_EQ(window_->Details().pid_text, "31");

    freeze->click();
    EXPECT_TRUE(timer()->isActive());
    EXPECT_FALSE(freeze->isChecked());
    EXPECT_EQ(timer()->interval(), 1000);
}

TEST_F(MainDlgTest, EveryTickStartsASnapshotAndThePanelFollowsTheSnapshotShown) {
    window_->SetMarkChanges(false);
    system_.SetSnapshot({Tcp(40, kWeb, 443)});
    window_->UpdateList({Tcp(41, kWeb, 80)});
    lst_->selectRow(0);
    ASSERT_EQ(window_->Details().pid_text, "41");
    const int before = window_->UpdateCount();
    window_->refresh_tmrTimer();
    EXPECT_EQ(window_->Details().pid_text, "41") << "the new snapshot has not arrived yet";
    ASSERT_TRUE(WaitFor([&] { return window_->UpdateCount() > before; }));
    EXPECT_EQ(text(0, 0), "40");
    // The selected connection closed with that snapshot: nothing is selected, the panel is empty.
    EXPECT_TRUE(lst_->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(window_->Details().pid_text, "");
}

TEST_F(MainDlgTest, AtMostOneSnapshotIsInFlightAndTicksMeanwhileAreSkipped) {
    std::mutex m;
    std::condition_variable cv;
    bool may_finish = false;
    std::atomic<int> started{0};
    // Never leaves a worker waiting on this test's locals, even when an assertion ends it.
    struct OpenGate {
        std::mutex& m;
        std::condition_variable& cv;
        bool& open;
        ~OpenGate() {
            {
                std::lock_guard lock(m);
                open = true;
            }
            cv.notify_all();
            WaitFor([] { return TConnectionRefreshThd::Running() == 0; });
        }
    } gate{m, cv, may_finish};
    TMaindlgServices s = system_.Services();
    s.take_snapshot = [&](TConnectionArray& out) {
        const int n = started++;
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return may_finish; });
        out = {Tcp(static_cast<std::uint32_t>(700 + n), kWeb, 443)};
    };
    window_ = std::make_unique<TMaindlg>(s);
    timer()->stop();
    lst_ = window_->findChild<QTableView*>(QStringLiteral("lst"));

    window_->refresh_tmrTimer();
    ASSERT_TRUE(WaitFor([&] { return started.load() == 1; }));
    // Ticks and a filter click while it runs start nothing more.
    window_->refresh_tmrTimer();
    window_->refresh_tmrTimer();
    child<QAbstractButton>("local_btn")->click();
    EXPECT_EQ(TConnectionRefreshThd::Running(), 1);
    {
        std::lock_guard lock(m);
        may_finish = true;
    }
    cv.notify_all();
    ASSERT_TRUE(WaitFor([&] { return window_->UpdateCount() == 1; }));
    EXPECT_EQ(started.load(), 1);
    EXPECT_EQ(text(0, 0), "700");
    ASSERT_TRUE(WaitFor([] { return TConnectionRefreshThd::Running() == 0; }));

    // Once it is in, the next tick takes a new one.
    window_->refresh_tmrTimer();
    ASSERT_TRUE(WaitFor([&] { return window_->UpdateCount() == 2; }));
    EXPECT_EQ(started.load(), 2);
    EXPECT_EQ(text(0, 0), "701");
}

// The window starts no new snapshot while one is in flight; one already handed over must not
// count, or a filter click in the moment before its thread ends would start nothing.
TEST(RefreshWorker, IsNoLongerInFlightOnceItsSnapshotIsHandedOver) {
    bool in_flight_at_delivery = true;
    auto* worker = new TConnectionRefreshThd([](TConnectionArray& out) { out = {}; });
    EXPECT_TRUE(worker->InFlight());
    QObject::connect(
        worker, &TConnectionRefreshThd::SnapshotTaken, worker,
        [&, worker](const TConnectionArray&) { in_flight_at_delivery = worker->InFlight(); }, Qt::DirectConnection);
    worker->start();
    ASSERT_TRUE(WaitFor([] { return TConnectionRefreshThd::Running() == 0; }));
    EXPECT_FALSE(in_flight_at_delivery);
}

TEST(MainDlgNaming, ANameThatFailsEndsTheUpdateWhereItStands) {
    SyntheticSystem system;
    TMaindlgServices s = system.Services();
    auto name = s.display_name;
    std::atomic<bool> fail{false};
    s.display_name = [&](const std::string& path) {
        if (fail && path.find("prog902") != std::string::npos) throw std::runtime_error("unreadable sibling file");
        return name(path);
    };
    TMaindlg window(s);
    window.findChild<QTimer*>(QStringLiteral("refresh_tmr"))->stop();
    window.SetMarkChanges(false);
    auto* lst = window.findChild<QTableView*>(QStringLiteral("lst"));
    auto* m = lst->model();
    window.UpdateList(Shown(4, 800));
    ASSERT_EQ(m->rowCount(), 4);
    const int applied = window.UpdateCount();
    constexpr int kWide = 500;
    for (int c = 0; c < 4; ++c) lst->horizontalHeader()->resizeSection(c, kWide);

    fail = true;
    window.UpdateList({Tcp(900, kWeb, 443), Tcp(901, kWeb, 443), Tcp(902, kWeb, 443)});
    // The update ends before it changes anything: no row is added, rewritten or deleted.
    ASSERT_EQ(m->rowCount(), 4) << "no row deleted";
    for (int r = 0; r < 4; ++r) EXPECT_EQ(m->index(r, 0).data().toString(), QString::number(800 + r));
    EXPECT_EQ(window.Connections().size(), 4u) << "the list's snapshot stays the one it shows";
    EXPECT_EQ(window.UpdateCount(), applied);

    fail = false;
    window.UpdateList({Tcp(900, kWeb, 443)});
    EXPECT_EQ(m->rowCount(), 1) << "the next refresh starts afresh";
    EXPECT_EQ(lst->horizontalHeader()->sectionSize(0), kWide) << "and is no first fill";
}

// ---- Closing ----------------------------------------------------------------------------

TEST(MainDlgClosing, DestroyingTheWindowWhileWorkersRunIsSafe) {
    SyntheticSystem system;
    system.SetSnapshot(Shown(50));
    TMaindlgServices s = system.Services();
    auto inner = s.take_snapshot;
    s.take_snapshot = [inner](TConnectionArray& out) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        inner(out);
    };
    for (int round = 0; round < 5; ++round) {
        auto window = std::make_unique<TMaindlg>(s);
        for (int i = 0; i < 8; ++i) window->StartRefresh();
        window.reset();  // waits for the workers, which finish well inside the limit
        EXPECT_EQ(TConnectionRefreshThd::Running(), 0);
        // Deliveries already queued for the window must go nowhere (a sanitizer build
        // would catch them touching freed memory).
        QApplication::processEvents();
    }
}

TEST(MainDlgClosing, AWorkerStuckPastTheLimitDoesNotHoldTheWindow) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    std::atomic<bool> entered{false};
    struct Release {  // also when an assertion ends the test early
        std::mutex& m;
        std::condition_variable& cv;
        bool& release;
        ~Release() {
            {
                std::lock_guard lock(m);
                release = true;
            }
            cv.notify_all();
            WaitFor([] { return TConnectionRefreshThd::Running() == 0; });
        }
    } guard{m, cv, release};
    TMaindlgServices s;
    s.take_snapshot = [&](TConnectionArray& out) {
        entered = true;
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
        out = Shown(3);
    };
    {
        auto window = std::make_unique<TMaindlg>(s);
        window->StartRefresh();
        ASSERT_TRUE(WaitFor([&] { return entered.load(); }));
        window.reset();  // returns although the worker cannot finish until we say so
        EXPECT_EQ(TConnectionRefreshThd::Running(), 1);
    }
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    // The orphan ends on its own; its snapshot has no window to go to.
    EXPECT_TRUE(WaitFor([] { return TConnectionRefreshThd::Running() == 0; }));
    QApplication::processEvents();
}

TEST(MainDlgClosing, AClosedWindowStopsRefreshingAndIgnoresLateSnapshots) {
    SyntheticSystem system;
    system.SetSnapshot(Shown(2));
    TMaindlgServices s = system.Services();
    auto inner = s.take_snapshot;
    s.take_snapshot = [inner](TConnectionArray& out) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        inner(out);
    };
    TMaindlg window(s);
    window.show();
    window.StartRefresh();
    window.close();
    EXPECT_FALSE(window.findChild<QTimer*>(QStringLiteral("refresh_tmr"))->isActive());
    EXPECT_TRUE(WaitFor([] { return TConnectionRefreshThd::Running() == 0; }));
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(window.UpdateCount(), 0);
    EXPECT_EQ(window.findChild<QTableView*>(QStringLiteral("lst"))->model()->rowCount(), 0);
}

// ---- Layout -----------------------------------------------------------------------------

TEST_F(MainDlgTest, ComponentsCarryTheirNamesAndCaptions) {
    for (const char* name : {"top_pnl", "softupdate_btn", "lst", "GroupBox1", "pid_lbl", "protocol_lbl", "local_lbl",
                             "remote_lbl", "process_lbl", "whois_btn", "search_btn", "openweb_btn", "openfolder_btn",
                             "rightclick_mnu", "freeze_btn", "system_btn", "local_btn"})
        EXPECT_NE(window_->findChild<QObject*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(child<QAbstractButton>("freeze_btn")->text(), "Freeze Time");
    EXPECT_EQ(child<QAbstractButton>("system_btn")->text(), "Show System Processes");
    EXPECT_EQ(child<QAbstractButton>("local_btn")->text(), "Show Local Connections");
    EXPECT_EQ(child<QAbstractButton>("softupdate_btn")->text(), "Software Update");
    EXPECT_EQ(child<QWidget>("top_pnl")->height(), 57);
    QStringList headers;
    for (int c = 0; c < lst_->model()->columnCount(); ++c)
        if (!lst_->horizontalHeader()->isSectionHidden(c)) headers << lst_->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers.join('|'), "PID|Protocol|Process|Remote Address|Remote Port") << "the five shown by default";
    // The client area; the menu bar comes on top of it.
    ASSERT_NE(window_->menuWidget(), nullptr);
    EXPECT_EQ(window_->height() - window_->menuWidget()->sizeHint().height(), 549);
    EXPECT_GE(window_->width(), 423);
    for (const char* name : {"whois_btn", "search_btn", "openweb_btn", "openfolder_btn"})
        EXPECT_FALSE(child<QWidget>(name)->isEnabled()) << name;
}

VS_QT_TEST_MAIN()

TEST_F(MainDlgTest, UnknownOwnersAreShownByDefaultAndNoticedOnce) {
    window_->UpdateList(Shown(1));
    EXPECT_EQ(window_->findChild<QLabel*>(QStringLiteral("owner_lbl")), nullptr);  // nothing to say yet

    TConnectionArray snap = Shown(1);
    snap.push_back(Tcp(platform::kUnknownOwnerPid, kWeb, 80));
    window_->UpdateList(snap);
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(text(1, 0), QStringLiteral("?"));
    const auto* notice = window_->findChild<QLabel*>(QStringLiteral("owner_lbl"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), QString::fromLocal8Bit(UnknownOwnerNotice().c_str()));
    EXPECT_FALSE(notice->isHidden());

    window_->UpdateList(snap);
    window_->UpdateList(Shown(1));
    EXPECT_EQ(window_->findChildren<QLabel*>(QStringLiteral("owner_lbl")).size(), 1);
}

TEST(MainDlgSettings, AHiveMovedAsideIsToldInTheWindow) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps its own registry: no hive file of ours to move aside";
#endif
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString hive = dir.filePath(QStringLiteral("registry.reg"));
    {
        QFile f(hive);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is no hive\n");
    }
    vanto::testing::ScopedEnv env("VANTOSCOPE_USER_HIVE", hive.toStdString());
    SyntheticSystem system;
    TMaindlg window(system.Services());
    window.findChild<QTimer*>(QStringLiteral("refresh_tmr"))->stop();
    // The window's own start (the installed test, a portable copy's settings) may be what
    // reads the hive first; either way the next refresh tells the user.
    platform::RegKey key;
    ASSERT_TRUE(key.Open(platform::RegRoot::CurrentUser, "", platform::RegAccess::Read));
    window.refresh_tmrTimer();
    const auto* notice = window.findChild<QLabel*>(QStringLiteral("settings_lbl"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains(hive + QStringLiteral(".unparsable-"))) << notice->text().toStdString();
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("registry.reg.unparsable-*")});
    ASSERT_EQ(aside.size(), 1) << "moved aside once";
    QFile moved(dir.filePath(aside.front()));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), QByteArray("this is no hive\n")) << "moved whole";
    QFile fresh(hive);
    if (fresh.open(QIODevice::ReadOnly)) {
        EXPECT_FALSE(fresh.readAll().contains("this is no hive")) << "a fresh hive";
    }
    WaitFor([] { return TConnectionRefreshThd::Running() == 0; });
}
