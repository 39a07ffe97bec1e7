// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Holds a few loopback connections open for a while, so that a screenshot of the window has
// rows of another program: `vantoscope_peers SECONDS`. One more connection comes and goes every
// second, so the window marks a new and a closed row. Listeners and accepted ends are local
// rows; the client ends (to 127.0.0.x, which the list does not count as local) are shown.
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "loopback_peers.h"

#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    LoopbackPeers peers;
    peers.Open();
    QTimer churn;
    if (peers.StartChurn()) {
        QObject::connect(&churn, &QTimer::timeout, [&peers] { peers.Churn(); });
        churn.start(1000);
    }
    QTimer::singleShot(std::max(1, seconds) * 1000, &app, &QCoreApplication::quit);
    return peers.clients.empty() ? 1 : app.exec();
}
