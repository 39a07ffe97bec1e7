// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A few loopback connections for the screenshot tools: listeners on 127.0.0.2-4 and a client
// of each. Listeners and accepted ends are local rows; the client ends (to 127.0.0.x, which the
// list does not count as local) are shown.
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

struct LoopbackPeers {
    std::vector<std::unique_ptr<QTcpServer>> servers;
    std::vector<std::unique_ptr<QTcpSocket>> clients;

    // Opens them; ends that cannot be had (a port taken) are left out.
    void Open() {
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
    }
};
