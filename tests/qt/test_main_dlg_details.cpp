// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The details panel of the main window (offscreen): label texts and button states for the
// selected row, the context menu following the buttons, and the exact address each action
// hands to the shell (captured through the shell's test hook, nothing is launched).
#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include <filesystem>
#include <vector>

#include "main_dlg_fixture.h"
#include "platform/shell.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

class DetailsTest : public MainDlgTest {
protected:
    void SetUp() override {
        MainDlgTest::SetUp();
        previous_hook_ = platform::SetShellOpenHook([this](const platform::ShellRequest& r) {
            opened_.push_back(r.file);
            return true;
        });
        system_.Name(1001, "/usr/lib/browser/browser-bin", "Browser");
        system_.Name(1002, "sshd", "sshd");  // the full path could not be read
        system_.Name(1003, "/opt/app/bin/app", "Caf\xC3\xA9 Player 2");
    }
    void TearDown() override {
        platform::SetShellOpenHook(previous_hook_);
        MainDlgTest::TearDown();
    }

    // Shows `snapshot` with every filter off and selects the row of record `record`.
    void Select(const TConnectionArray& snapshot, int record) {
        system_.SetSnapshot(snapshot);
        if (!window_->ShowLocal()) ClickAndWaitForRefresh("local_btn");
        if (!window_->ShowSystem()) ClickAndWaitForRefresh("system_btn");
        window_->UpdateList(snapshot);
        for (int r = 0; r < rows(); ++r)
            if (data(r) == record) return lst_->selectRow(r);
        FAIL() << "record " << record << " not shown";
    }
    QString label(const char* name) const { return child<QLabel>(name)->text(); }
    bool enabled(const char* name) const { return child<QWidget>(name)->isEnabled(); }
    // The context menu's items as they are when it opens.
    std::vector<bool> menu() const {
        auto* m = child<QMenu>("rightclick_mnu");
        emit m->aboutToShow();
        std::vector<bool> states;
        for (const char* item : {"Whois1", "Search1", "Webpage1", "Opencontainingfolder1"})
            states.push_back(window_->findChild<QAction*>(QLatin1String(item))->isEnabled());
        return states;
    }
    std::vector<std::string> Click(const char* button) {
        opened_.clear();
        child<QAbstractButton>(button)->click();
        return opened_;
    }

    std::vector<std::string> opened_;
    platform::ShellOpenHook previous_hook_;
};

using Strings = std::vector<std::string>;
const std::uint32_t kRemote = Addr(203, 0, 113, 5);

}  // namespace

TEST_F(DetailsTest, EstablishedConnectionFillsEveryLineAndAction) {
    Select({Udp(1, 53), Tcp(1001, kRemote, 8080)}, 1);
    EXPECT_EQ(label("pid_lbl"), "Process ID: 1001");
    EXPECT_EQ(label("protocol_lbl"), "Protocol: TCP [ESTABLISHED]");
    EXPECT_EQ(label("local_lbl"), "Local Address/Port: 10.0.0.7:50001");
    EXPECT_EQ(label("remote_lbl"), "Remote Address/Port: 203.0.113.5:8080");
    EXPECT_EQ(label("process_lbl"), "Process: Browser");
    EXPECT_EQ(menu(), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(Click("openweb_btn"), Strings{"http://203.0.113.5:8080"});
    EXPECT_EQ(Click("whois_btn"), Strings{"https://whois.domaintools.com/203.0.113.5"});
    EXPECT_EQ(Click("search_btn"), Strings{"https://www.google.com/search?q=Browser"});
}

TEST_F(DetailsTest, HttpsPortOpensHttps) {
    Select({Tcp(1001, kRemote, 443)}, 0);
    EXPECT_EQ(Click("openweb_btn"), Strings{"https://203.0.113.5:443"});
    // The menu item runs the same action.
    opened_.clear();
    window_->findChild<QAction*>(QStringLiteral("Webpage1"))->trigger();
    EXPECT_EQ(opened_, Strings{"https://203.0.113.5:443"});
}

TEST_F(DetailsTest, UdpRowHasNoStateAndNothingToLookUp) {
    Select({Udp(1001, 5353)}, 0);
    EXPECT_EQ(label("protocol_lbl"), "Protocol: UDP");
    EXPECT_EQ(label("remote_lbl"), "Remote Address/Port: 0.0.0.0:0");
    EXPECT_FALSE(enabled("whois_btn"));
    EXPECT_FALSE(enabled("openweb_btn"));
    EXPECT_TRUE(enabled("search_btn"));
    EXPECT_EQ(menu(), (std::vector<bool>{false, true, false, true}));
}

TEST_F(DetailsTest, ListenerShowsListeningAndNoWhois) {
    Select({Listener(1001, 8080)}, 0);
    EXPECT_EQ(label("protocol_lbl"), "Protocol: TCP [LISTENING]");
    EXPECT_EQ(label("remote_lbl"), "Remote Address/Port: 0.0.0.0:0");
    EXPECT_FALSE(enabled("whois_btn"));
    EXPECT_TRUE(Click("whois_btn").empty());
}

TEST_F(DetailsTest, MozillaSyncPortIsLabelledButNotAWebSite) {
    Select({Tcp(1001, kRemote, 5000)}, 0);
    EXPECT_EQ(text(0, 4), "5000 (Mozilla Sync)");
    EXPECT_FALSE(enabled("openweb_btn"));
    EXPECT_TRUE(enabled("whois_btn"));
}

TEST_F(DetailsTest, BareProcessNameDisablesFolderButNotSearch) {
    Select({Tcp(1002, kRemote, 22)}, 0);
    EXPECT_EQ(label("process_lbl"), "Process: sshd");
    EXPECT_FALSE(enabled("openfolder_btn"));
    EXPECT_TRUE(enabled("search_btn"));
    EXPECT_EQ(menu(), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(Click("search_btn"), Strings{"https://www.google.com/search?q=sshd"});
    EXPECT_TRUE(Click("openfolder_btn").empty());
}

TEST_F(DetailsTest, SearchTextWithBlanksAndNonAsciiBytesIsEncoded) {
    Select({Tcp(1003, kRemote, 443)}, 0);
    EXPECT_EQ(Click("search_btn"), Strings{"https://www.google.com/search?q=Caf%C3%A9%20Player%202"});
}

TEST_F(DetailsTest, FolderOpensOnlyWhenItExists) {
    TempDir dir;
    const std::string exe = dir.write("bin/tool", "x").string();
    system_.Name(1004, exe, "Tool");
    system_.Name(1005, "/no/such/folder/tool", "Tool");
    system_.Name(1006, "C:\\Program Files\\Tool\\tool.exe", "Tool");
    Select({Tcp(1004, kRemote, 443), Tcp(1005, kRemote, 443), Tcp(1006, kRemote, 443)}, 0);
    EXPECT_EQ(Click("openfolder_btn"), Strings{(dir.path() / "bin").string() + "/"});
    lst_->selectRow(1);
    EXPECT_TRUE(enabled("openfolder_btn"));
    EXPECT_TRUE(Click("openfolder_btn").empty());
    lst_->selectRow(2);
    EXPECT_TRUE(enabled("openfolder_btn")) << "a Windows path has a folder part here too";
    EXPECT_TRUE(Click("openfolder_btn").empty());
}

TEST_F(DetailsTest, ClickIntoEmptySpaceEmptiesThePanel) {
    window_->show();
    Select({Tcp(1001, kRemote, 443)}, 0);
    ASSERT_EQ(label("pid_lbl"), "Process ID: 1001");
    ASSERT_TRUE(WaitFor([&] { return lst_->viewport()->height() > 3 * lst_->rowHeight(0); }));

    const QPoint below(lst_->viewport()->width() / 2, lst_->viewport()->height() - 2);
    ASSERT_FALSE(lst_->indexAt(below).isValid());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(below), QPointF(lst_->viewport()->mapToGlobal(below)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(lst_->viewport(), &press);

    EXPECT_EQ(label("pid_lbl"), "Process ID: ");
    EXPECT_EQ(label("protocol_lbl"), "Protocol: ");
    EXPECT_EQ(label("local_lbl"), "Local Address/Port: ");
    EXPECT_EQ(label("remote_lbl"), "Remote Address/Port: ");
    EXPECT_EQ(label("process_lbl"), "Process: ");
    for (const char* b : {"whois_btn", "search_btn", "openweb_btn", "openfolder_btn"}) EXPECT_FALSE(enabled(b)) << b;
    EXPECT_EQ(menu(), (std::vector<bool>{false, false, false, false}));
    for (const char* b : {"whois_btn", "search_btn", "openweb_btn", "openfolder_btn"})
        EXPECT_TRUE(Click(b).empty()) << b;
}

// The closed connection stays on show (red) for its two seconds, then its row goes and the
// panel empties.
TEST_F(DetailsTest, ClosedSelectedRowIsKeptThenEmptiesThePanel) {
    Select({Tcp(1001, kRemote, 443), Tcp(1002, kRemote, 80)}, 1);
    ASSERT_EQ(label("pid_lbl"), "Process ID: 1002");
    window_->UpdateList({Tcp(1001, kRemote, 443)});
    ASSERT_EQ(rows(), 2) << "kept as a closed row";
    EXPECT_EQ(label("pid_lbl"), "Process ID: 1002");
    system_.Advance(2001);
    ASSERT_TRUE(WaitFor([&] { return rows() == 1; }));
    EXPECT_EQ(label("pid_lbl"), "Process ID: ");
    EXPECT_FALSE(enabled("search_btn"));
    EXPECT_TRUE(lst_->selectionModel()->selectedRows().isEmpty());
}

TEST_F(DetailsTest, DisappearingSelectedRowEmptiesThePanelAtOnceWithoutMarking) {
    window_->SetMarkChanges(false);
    Select({Tcp(1001, kRemote, 443), Tcp(1002, kRemote, 80)}, 1);
    ASSERT_EQ(label("pid_lbl"), "Process ID: 1002");
    window_->UpdateList({Tcp(1001, kRemote, 443)});
    EXPECT_EQ(label("pid_lbl"), "Process ID: ");
    EXPECT_FALSE(enabled("search_btn"));
}

VS_QT_TEST_MAIN()
