// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The window's IPv6 and host-name switches, the traffic columns, Close Connection and End
// Process: defaults, what the rows and the details panel show, what each action asks.
#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>

#include "app/U_MsgDlg.h"
#include "app/connection_list_model.h"
#include "main_dlg_fixture.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

int Col(const char* id) { return ListColumnIndex(id); }

TConnection Tcp6(std::uint32_t pid, unsigned last, unsigned remote_port) {
    TConnection c{kProtocolTcp, 5, 0, Port(50000 + pid % 1000), 0, Port(remote_port), pid};
    c.family = platform::kFamilyIPv6;
    c.local_addr6 = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    c.remote_addr6 = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(last)};
    return c;
}

// Answers every message box with `answer` and keeps what it said.
struct MsgBoxes {
    QStringList texts;
    int answer = IDNO;
    MsgBoxHook previous;
    MsgBoxes() {
        previous = SetMsgBoxHook([this](QWidget*, const QString& text, const TMsgBoxStyle&) {
            texts << text;
            return answer;
        });
    }
    ~MsgBoxes() { SetMsgBoxHook(previous); }
};

class ActionsTest : public MainDlgTest {
protected:
    QAction* Action(const char* name) const { return child<QAction>(name); }
    void Select(int row) {
        lst_->selectRow(row);
        QApplication::processEvents();
    }
};

}  // namespace

TEST_F(ActionsTest, DefaultsAreTheIpv4NumericListAndTheSwitchesAreRemembered) {
    EXPECT_FALSE(window_->ShowIpv6());
    EXPECT_FALSE(window_->ResolveNames());
    EXPECT_FALSE(Action("ShowIPv61")->isChecked());
    EXPECT_FALSE(Action("ResolveAddresses1")->isChecked());
    for (const char* id : {"sent", "received", "sent_rate", "received_rate"})
        EXPECT_FALSE(window_->ColumnShown(Col(id))) << id;
    EXPECT_FALSE(window_->TrafficShown());
    Action("ShowIPv61")->trigger();
    Action("ResolveAddresses1")->trigger();
    EXPECT_TRUE(window_->ShowIpv6());
    EXPECT_TRUE(window_->ResolveNames());
    window_->SaveListSettings();
    window_.reset();
    WaitFor([] { return TConnectionRefreshThd::Running() == 0; });
    window_ = std::make_unique<TMaindlg>(system_.Services());
    window_->LoadListSettings();
    EXPECT_TRUE(window_->ShowIpv6());
    EXPECT_TRUE(window_->ResolveNames());
    EXPECT_TRUE(window_->findChild<QAction*>(QStringLiteral("ShowIPv61"))->isChecked());
}

TEST_F(ActionsTest, Ipv6RowsReadAsTcpv6WithBracketedEndsInTheDetails) {
    window_->UpdateList({Tcp6(700, 9, 443)});
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(text(0, Col("protocol")), "TCPv6");
    EXPECT_EQ(text(0, Col("remote_address")), "2001:db8::9");
    Select(0);
    EXPECT_EQ(window_->Details().remote_text, "[2001:db8::9]:443");
    EXPECT_EQ(child<QLabel>("local_lbl")->text(), "Local Address/Port: [2001:db8::2]:50700");
}

TEST_F(ActionsTest, TrafficColumnsShowBytesAndRatesWithoutMarkingRows) {
    window_->SetColumnShown(Col("sent"), true);
    window_->SetColumnShown(Col("received_rate"), true);
    EXPECT_TRUE(window_->TrafficShown());
    TConnection c = Tcp(800, Addr(93, 184, 216, 34), 443);
    c.has_traffic = true;
    c.bytes_sent = 1 << 20;
    c.bytes_received = 1000;
    TConnection udp = Udp(800, 53);
    udp.remote_addr = Addr(192, 0, 2, 1);  // not local, so it is listed
    window_->UpdateList({c, udp});
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(text(0, Col("sent")), "1.0 MB");
    EXPECT_EQ(text(0, Col("received_rate")), "") << "no rate before a second snapshot";
    EXPECT_EQ(text(1, Col("sent")), "") << "UDP has no counts";
    system_.Advance(2000);
    c.bytes_received += 4096;
    window_->UpdateList({c, udp});
    EXPECT_EQ(text(0, Col("received_rate")), "2.0 KB/s");
    EXPECT_EQ(lst_->model()->index(0, 0).data(TConnectionListModel::kMarkRole).toInt(),
              static_cast<int>(TRowMark::None))
        << "moving data is no change of the connection";
    Select(0);
    QLabel* traffic = child<QLabel>("traffic_lbl");
    EXPECT_FALSE(traffic->isHidden());
    EXPECT_EQ(traffic->text(), "Process Traffic: 1.0 MB sent, 5.0 KB received");
}

TEST_F(ActionsTest, ResolvedNamesReplaceTheNumberAndTheDetailsShowBoth) {
    DeleteSettingsKey(kSettingsProduct);
    TMaindlgServices s = system_.Services();
    s.name_lookup = [](const TIpAddress& a) -> std::optional<std::string> {
        if (a.bytes[3] == 34) return std::string("web.example\x1b[31m");
        return std::nullopt;
    };
    window_ = std::make_unique<TMaindlg>(s);
    window_->findChild<QTimer*>(QStringLiteral("refresh_tmr"))->stop();
    lst_ = window_->findChild<QTableView*>(QStringLiteral("lst"));
    window_->UpdateList({Tcp(900, Addr(93, 184, 216, 34), 443), Tcp(901, Addr(192, 0, 2, 7), 80)});
    EXPECT_EQ(text(0, Col("remote_address")), "93.184.216.34") << "numbers until switched on";
    window_->SetResolveNames(true);
    ASSERT_TRUE(WaitFor([&] { return text(0, Col("remote_address")) == "web.example\\x1b[31m"; }))
        << text(0, Col("remote_address")).toStdString();
    EXPECT_EQ(text(1, Col("remote_address")), "192.0.2.7") << "no name: the number stays";
    Select(0);
    EXPECT_EQ(child<QLabel>("remote_lbl")->text(), "Remote Address/Port: 93.184.216.34:443 (web.example\\x1b[31m)");
    EXPECT_EQ(window_->Details().remote_addr_text, "93.184.216.34") << "Whois still gets the number";
    window_->SetResolveNames(false);
    EXPECT_EQ(text(0, Col("remote_address")), "93.184.216.34");
}

TEST_F(ActionsTest, CloseConnectionAsksFirstAndOnlyForTcpConnections) {
    TConnection udp = Udp(1000, 5353);
    udp.remote_addr = Addr(192, 0, 2, 1);
    window_->UpdateList({Tcp(1000, Addr(93, 184, 216, 34), 443), udp});
    Select(1);
    window_->rightclick_mnuPopup();
    EXPECT_FALSE(Action("CloseConnection1")->isEnabled()) << "UDP";
    EXPECT_TRUE(Action("EndProcess1")->isEnabled());
    Select(0);
    window_->rightclick_mnuPopup();
    EXPECT_TRUE(Action("CloseConnection1")->isEnabled());
    EXPECT_EQ(Action("CloseConnection1")->shortcut(), QKeySequence(QKeySequence::Delete));
    MsgBoxes boxes;  // answers No
    lst_->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(lst_, &press);
    QApplication::sendEvent(lst_, &release);
    QApplication::processEvents();
    if (boxes.texts.isEmpty()) Action("CloseConnection1")->trigger();  // no shortcut map offscreen
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("Close the connection from 10.0.0.7:50000 to 93.184.216.34:443"))
        << boxes.texts[0].toStdString();
}

TEST_F(ActionsTest, EndProcessRefusesSystemPidsAndEndsAConfirmedChild) {
    window_->system_btnClick();
    window_->UpdateList({Tcp(4, Addr(93, 184, 216, 34), 443)});
    ASSERT_EQ(rows(), 1);
    Select(0);
    window_->rightclick_mnuPopup();
    EXPECT_FALSE(Action("EndProcess1")->isEnabled()) << "PID 4";
    {
        MsgBoxes boxes;
        window_->EndProcess1Click();
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(boxes.texts[0], QString::fromStdString(*EndProcessRefusal(4)));
    }
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the child is a POSIX sleep";
#else
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    const auto pid = static_cast<std::uint32_t>(child.processId());
    system_.Name(pid, "/usr/bin/sleep", "Sleeper");
    window_->UpdateList({Tcp(pid, Addr(93, 184, 216, 34), 443)});
    Select(0);
    MsgBoxes boxes;
    boxes.answer = IDYES;
    window_->EndProcess1Click();
    ASSERT_GE(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts[0], QStringLiteral("End the process \"Sleeper\" (PID %1, /usr/bin/sleep)? Anything it has "
                                             "not saved is lost.")
                                  .arg(pid));
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << "ended by a signal";
    EXPECT_EQ(boxes.texts.size(), 1) << "no message when it went as asked";
#endif
}

VS_QT_TEST_MAIN()
