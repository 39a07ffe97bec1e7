// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The main window on the real system (offscreen): a loopback connection that this test
// holds to 127.0.0.2:8080 shows up in the list within three seconds, with our own PID.
#include <QHostAddress>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>

#include <unistd.h>

#include "main_dlg_fixture.h"
#include "monitor/display_name.h"
#include "monitor/naming_service.h"
#include "monitor/process_identity.h"

using namespace vanto;
using namespace vanto::testing;

TEST(MainDlgLive, HeldLoopbackConnectionAppearsWithinThreeSeconds) {
    QTcpServer server;
    if (!server.listen(QHostAddress(QStringLiteral("127.0.0.2")), 8080))
        GTEST_SKIP() << "127.0.0.2:8080 cannot be bound (" << server.errorString().toStdString() << "); port taken?";
    QTcpSocket client;
    client.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), 8080);
    ASSERT_TRUE(client.waitForConnected(2000));
    ASSERT_TRUE(server.waitForNewConnection(2000));
    QTcpSocket* accepted = server.nextPendingConnection();
    ASSERT_NE(accepted, nullptr);

    const QString pid = QString::number(::getpid());
    const std::string path = GetProcessPath(static_cast<std::uint32_t>(::getpid()));
    const QString name = QString::fromLocal8Bit(DisplayName(path));
    ASSERT_NE(path, "?");
    ASSERT_FALSE(name.isEmpty());

    TMaindlg window;  // the real snapshot worker and timer
    auto* lst = window.findChild<QTableView*>(QStringLiteral("lst"));
    const QAbstractItemModel* m = lst->model();
    auto cell = [m](int row, int column) { return m->index(row, column).data().toString(); };
    int found = -1;
    WaitFor(
        [&] {
            for (int r = 0; r < m->rowCount(); ++r)
                if (cell(r, 0) == pid && cell(r, 3) == "127.0.0.2" && cell(r, 4) == "8080 (HTTP)") found = r;
            return found >= 0;
        },
        3000);
    ASSERT_GE(found, 0) << "no row for our connection after three seconds";
    EXPECT_EQ(cell(found, 1), "TCP");
    // Named off the window's thread: the file name first, the name from a later refresh on.
    const QString file_name = QString::fromLocal8Bit(NamingService::FileNameOf(path));
    EXPECT_TRUE(cell(found, 2) == name || cell(found, 2) == file_name) << cell(found, 2).toStdString();
    // The rows may move when the name sorts elsewhere: look for ours again each time.
    WaitFor(
        [&] {
            for (int r = 0; r < m->rowCount(); ++r)
                if (cell(r, 0) == pid && cell(r, 3) == "127.0.0.2" && cell(r, 2) == name) found = r;
            return cell(found, 2) == name;
        },
        3000);
    EXPECT_EQ(cell(found, 2), name);

    lst->selectRow(found);
    EXPECT_EQ(window.Details().state_text, "ESTABLISHED");
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("protocol_lbl"))->text(), "Protocol: TCP [ESTABLISHED]");
    EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("openweb_btn"))->isEnabled());
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("remote_lbl"))->text(), "Remote Address/Port: 127.0.0.2:8080");
}

VS_QT_TEST_MAIN()
