// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Renders the main window with live data into a PNG: `vantoscope_screenshot OUT.png`.
// Run it offscreen (QT_QPA_PLATFORM=offscreen) or under Xvfb. So that the list is not empty
// on a machine without outside connections, it holds a few loopback connections of its own
// (to 127.0.0.x addresses, which the list does not count as local) and selects the first row.
// It shows the State and Local Port columns, sorts by Remote Port and lets one connection come
// and go every second, so the picture has a new (green) and a closed (red) row.
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/U_MainDlg.h"
#include "app/connection_list_model.h"
#include "monitor/list_columns.h"
#include "loopback_peers.h"

namespace {

void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantoscope_screenshot OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantoscope"));

    LoopbackPeers peers;
    peers.Open();
    // A connection of another program, when a Python interpreter is at hand.
    QProcess other;
    auto other_server = std::make_unique<QTcpServer>();
    // The system's own interpreter first: its desktop entry gives it an icon.
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty()) python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (!python.isEmpty() && other_server->listen(QHostAddress(QStringLiteral("127.0.0.5")), 80)) {
        other.start(python, {QStringLiteral("-c"),
                             QStringLiteral("import socket,time\n"
                                            "s=socket.create_connection(('127.0.0.5',80))\n"
                                            "time.sleep(30)\n")});
        other.waitForStarted(2000);
    }

    int code = 1;
    {
        // An executable's place of its own: no settings.ini of an earlier run is read or written.
        QTemporaryDir place;
        vanto::TMaindlgServices services;
        if (place.isValid()) services.exe_path = QDir(place.path()).filePath(QStringLiteral("vantoscope")).toStdString();
        vanto::TMaindlg window(services);
        window.show();
        window.LoadSystemImageLists();
        auto* list = window.findChild<QTableView*>(QStringLiteral("lst"));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && (window.UpdateCount() < 2 || list->model()->rowCount() < int(peers.clients.size()) + 1))
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        window.SetColumnShown(vanto::ListColumnIndex("state"), true);
        window.SetColumnShown(vanto::ListColumnIndex("local_port"), true);
        list->horizontalHeader()->setSortIndicator(vanto::ListColumnIndex("remote_port"), Qt::AscendingOrder);
        window.resize(qMax(window.width(), 820), window.height());
        if (list->model()->rowCount() > 0) list->selectRow(0);
        QTimer churn;
        if (peers.StartChurn()) {
            QObject::connect(&churn, &QTimer::timeout, [&peers] { peers.Churn(); });
            churn.start(1000);
        }
        // Until a refresh has marked a new and a closed row (or a while has passed).
        auto marked = [list](vanto::TRowMark mark) {
            for (int r = 0; r < list->model()->rowCount(); ++r)
                if (list->model()->index(r, 0).data(vanto::TConnectionListModel::kMarkRole).toInt() == int(mark)) return true;
            return false;
        };
        t.restart();
        Wait(2500);
        while (t.elapsed() < 10000 && !(marked(vanto::TRowMark::New) && marked(vanto::TRowMark::Closed)))
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QPixmap shot = window.grab();
        if (!shot.isNull() && shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) code = 0;
        else std::fprintf(stderr, "vantoscope_screenshot: cannot write %s\n", argv[1]);
        window.close();
    }
    if (other.state() != QProcess::NotRunning) {
        other.kill();
        other.waitForFinished(1000);
    }
    return code;
}
