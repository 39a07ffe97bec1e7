// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Shared by the main window's widget tests: connection records built from readable values,
// a synthetic system (snapshots handed to the window's workers, fixed process paths and
// names) and a window that runs on it offscreen.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/U_MainDlg.h"
#include "monitor/connection_snapshot.h"
#include "support/portable_mode.h"

#include "testsupport/test_support.h"

namespace vanto::testing {

inline std::uint32_t Addr(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    return Ipv4Field(a, b, c, d);
}
inline std::uint32_t Port(unsigned port) { return PortField(port); }

inline TConnection Tcp(std::uint32_t pid, std::uint32_t remote, unsigned remote_port, std::uint32_t state = 5) {
    return {kProtocolTcp, state, Addr(10, 0, 0, 7), Port(50000 + pid % 1000), remote, Port(remote_port), pid};
}
inline TConnection Listener(std::uint32_t pid, unsigned local_port) {
    return {kProtocolTcp, 2, 0, Port(local_port), 0, 0, pid};
}
inline TConnection Udp(std::uint32_t pid, unsigned local_port) {
    return {kProtocolUdp, 0, 0, Port(local_port), 0, 0, pid};
}

// The system the window sees: the snapshot every worker takes, and each PID's process path
// and display name. Workers read the snapshot on their own threads.
class SyntheticSystem {
public:
    void SetSnapshot(TConnectionArray snapshot) {
        std::lock_guard lock(mutex_);
        snapshot_ = std::move(snapshot);
    }
    int SnapshotsTaken() const { return taken_.load(); }
    // The window's clock, in milliseconds: marks of changed rows age only when a test moves it.
    void Advance(std::int64_t ms) { now_ += ms; }
    void Name(std::uint32_t pid, std::string path, std::string display) {
        paths_[pid] = std::move(path);
        names_[paths_[pid]] = std::move(display);
    }

    TMaindlgServices Services() {
        TMaindlgServices s;
        s.take_snapshot = [this](TConnectionArray& out) {
            std::lock_guard lock(mutex_);
            out = snapshot_;
            ++taken_;
        };
        s.process_path = [this](std::uint32_t pid) {
            const auto it = paths_.find(pid);
            return it != paths_.end() ? it->second : "/opt/synthetic/prog" + std::to_string(pid);
        };
        s.display_name = [this](const std::string& path) {
            const auto it = names_.find(path);
            return it != names_.end() ? it->second : "Program " + path.substr(path.rfind('/') + 1);
        };
        s.company = [](const std::string& path) { return "Maker of " + path.substr(path.rfind('/') + 1); };
        s.version = [](const std::string& path) { return path.find("prog1") != std::string::npos ? "10.0" : "9.1"; };
        s.now_ms = [this] { return now_.load(); };
        // A folder of its own: a portable copy's settings.ini goes beside the executable.
        if (exe_folder_.isValid()) s.exe_path = QDir(exe_folder_.path()).filePath(QStringLiteral("vantoscope")).toStdString();
        return s;
    }

private:
    mutable std::mutex mutex_;
    TConnectionArray snapshot_;
    std::atomic<int> taken_{0};
    std::atomic<std::int64_t> now_{1000000};
    QTemporaryDir exe_folder_;
    std::map<std::uint32_t, std::string> paths_;
    std::map<std::string, std::string> names_;
};

// Runs the event loop until `done` holds or `ms` pass; true when it held.
template <typename Pred>
// The bound only ends a test that would never pass; a loaded machine or Wine may need seconds.
bool WaitFor(Pred done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A window on the synthetic system with its timer stopped, so that only the test refreshes.
class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test starts from the list's defaults, whatever an earlier window remembered.
        DeleteSettingsKey(kSettingsProduct);
        window_ = std::make_unique<TMaindlg>(system_.Services());
        timer()->stop();
        lst_ = window_->findChild<QTableView*>(QStringLiteral("lst"));
        ASSERT_NE(lst_, nullptr);
    }
    void TearDown() override {
        window_.reset();
        // Let finished workers free themselves before the next test.
        WaitFor([] { return TConnectionRefreshThd::Running() == 0; });
        QApplication::processEvents();
    }

    QTimer* timer() const { return window_->findChild<QTimer*>(QStringLiteral("refresh_tmr")); }
    template <typename T = QWidget>
    T* child(const char* name) const {
        T* w = window_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    int rows() const { return lst_->model()->rowCount(); }
    QString text(int row, int column) const { return lst_->model()->index(row, column).data().toString(); }
    int data(int row) const { return lst_->model()->index(row, 0).data(Qt::UserRole).toInt(); }

    // Clicks a button whose click starts a refresh and waits until that refresh is applied.
    void ClickAndWaitForRefresh(const char* button) {
        const int before = window_->UpdateCount();
        child<QAbstractButton>(button)->click();
        ASSERT_TRUE(WaitFor([&] { return window_->UpdateCount() > before; })) << button;
    }

    SyntheticSystem system_;
    std::unique_ptr<TMaindlg> window_;
    QTableView* lst_ = nullptr;
};

}  // namespace vanto::testing

// Widget tests need a QApplication; offscreen unless the caller chose a platform (test
// discovery runs without the test's environment). A window that is shown is activated and
// starts its event log: the per-user data folder and the registry hives go to a temporary
// folder, never into the home of whoever runs the tests, and its update check to a closed port.
// On Windows the system's own platform plugin: a Windows Qt need not have the offscreen one.
#ifdef Q_OS_WIN
#define VS_QT_TEST_PLATFORM() ((void)0)
#else
#define VS_QT_TEST_PLATFORM() \
    (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ? (void)qputenv("QT_QPA_PLATFORM", "offscreen") : (void)0)
#endif
#define VS_QT_TEST_MAIN()                                                                  \
    int main(int argc, char** argv) {                                                       \
        VS_QT_TEST_PLATFORM();                                                              \
        QTemporaryDir home;                                                                 \
        if (!home.isValid()) return 1;                                                      \
        qputenv("XDG_DATA_HOME", QDir(home.path()).filePath(QStringLiteral("data")).toLocal8Bit()); \
        qputenv("VANTOSCOPE_USER_HIVE", QDir(home.path()).filePath(QStringLiteral("registry.reg")).toLocal8Bit()); \
        qputenv("VANTOSCOPE_MACHINE_HIVE", QDir(home.path()).filePath(QStringLiteral("machine.reg")).toLocal8Bit()); \
        /* Update checks go to a closed local port, never to the maker's service. */        \
        qputenv("VANTOSCOPE_UPDATE_URL", "http://127.0.0.1:1");                             \
        QApplication app(argc, argv);                                                       \
        ::testing::InitGoogleTest(&argc, argv);                                             \
        return RUN_ALL_TESTS();                                                             \
    }
