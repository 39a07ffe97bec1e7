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

    // Connections that come and go: each Churn() closes the oldest and opens a new one, to
    // 127.0.0.6:8443, so the window has a new and a closed row to mark at any moment.
    std::unique_ptr<QTcpServer> churn_server;
    std::vector<std::unique_ptr<QTcpSocket>> churn_clients;
    std::vector<std::unique_ptr<QTcpSocket>> accepted;
    bool StartChurn() {
        churn_server = std::make_unique<QTcpServer>();
        return churn_server->listen(QHostAddress(QStringLiteral("127.0.0.6")), 8443);
    }
    void Churn() {
        if (!churn_server) return;
        if (churn_clients.size() >= 2) churn_clients.erase(churn_clients.begin());
        auto client = std::make_unique<QTcpSocket>();
        client->connectToHost(QHostAddress(QStringLiteral("127.0.0.6")), 8443);
        if (client->waitForConnected(2000)) churn_clients.push_back(std::move(client));
        // The accepted ends are dropped by the server side too, so nothing piles up.
        while (QTcpSocket* s = churn_server->nextPendingConnection()) accepted.emplace_back(s);
        if (accepted.size() > 4) accepted.erase(accepted.begin());
    }

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
