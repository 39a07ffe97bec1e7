// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Holds a few loopback connections open for a while, so that a screenshot of the window has
// rows of another program: `vantoscope_peers SECONDS`. Listeners and accepted ends are local
// rows; the client ends (to 127.0.0.x, which the list does not count as local) are shown.
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::vector<std::unique_ptr<QTcpServer>> servers;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    const struct {
        const char* address;
        quint16 port;
    } ends[] = {{"127.0.0.2", 443}, {"127.0.0.3", 8080}, {"127.0.0.4", 5000}};
    for (const auto& e : ends) {
        auto server = std::make_unique<QTcpServer>();
        if (!server->listen(QHostAddress(QString::fromLatin1(e.address)), e.port)) continue;
        auto client = std::make_unique<QTcpSocket>();
        client->connectToHost(QHostAddress(QString::fromLatin1(e.address)), e.port);
        if (client->waitForConnected(2000)) clients.push_back(std::move(client));
        servers.push_back(std::move(server));
    }
    QTimer::singleShot(std::max(1, seconds) * 1000, &app, &QCoreApplication::quit);
    return clients.empty() ? 1 : app.exec();
}
