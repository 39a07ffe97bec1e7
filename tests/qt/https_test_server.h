// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A small HTTPS server for the update check's tests, on 127.0.0.1 with certificates made at
// test time with the openssl tool: a certificate authority the test trusts (through
// SSL_CERT_FILE) and one it does not. Each request's head is recorded and answered by the
// test's handler; an empty answer leaves the connection open and silent.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QPointer>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStringList>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "testsupport/test_support.h"

namespace vanto::testing {

// Runs the event loop until `done` holds or `ms` pass; true when it held.
template <typename Pred>
bool PumpUntil(Pred done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Two certificate authorities and a server certificate for 127.0.0.1 from each, made by
// make_test_certificates.sh; under Wine, which runs no Linux tool, the runner has made them
// already and VS_TEST_CERTIFICATES names their folder.
class TestCertificates {
public:
    TestCertificates() {
        const char* made = std::getenv("VS_TEST_CERTIFICATES");
        if (made != nullptr && *made != '\0') {
            folder_ = made;
        } else {
            folder_ = dir_.path().string();
            Make();
        }
        for (const char* ca : {"trusted", "untrusted"}) {
            if (error_.empty() && !(QFile::exists(QString::fromStdString(ServerCert(ca))) &&
                                    QFile::exists(QString::fromStdString(ServerKey(ca)))))
                error_ = "no " + std::string(ca) + " server certificate in " + folder_;
        }
        ok_ = error_.empty();
    }
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    std::string TrustedAuthorityFile() const { return Path("trusted-ca.pem"); }
    std::string EmptyFolder() const { return dir_.write("empty/.keep", "").parent_path().string(); }
    std::string ServerCert(const std::string& ca) const { return Path(ca + "-server.pem"); }
    std::string ServerKey(const std::string& ca) const { return Path(ca + "-server.key"); }

private:
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    void Make() {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("bash"), {QStringLiteral(VS_TEST_CERTIFICATE_SCRIPT), QString::fromStdString(folder_)});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            error_ = "make_test_certificates.sh: " + p.readAll().toStdString();
    }

    TempDir dir_;
    std::string folder_;
    bool ok_ = false;
    std::string error_;
};

class HttpsTestServer {
public:
    // Answers one request head with the whole response; empty: never answer.
    using Handler = std::function<QByteArray(const QByteArray& head)>;

    HttpsTestServer(const TestCertificates& certs, const std::string& ca, Handler handler)
        : handler_(std::move(handler)) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        QFile cert(QString::fromStdString(certs.ServerCert(ca)));
        QFile key(QString::fromStdString(certs.ServerKey(ca)));
        if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) return;
        config.setLocalCertificate(QSslCertificate(&cert, QSsl::Pem));
        config.setPrivateKey(QSslKey(&key, QSsl::Ec, QSsl::Pem));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        server_.setSslConfiguration(config);
        QObject::connect(&server_, &QSslServer::pendingConnectionAvailable, &server_, [this] { Accept(); });
        listening_ = server_.listen(QHostAddress::LocalHost, 0);
    }

    bool listening() const { return listening_; }
    std::string Base() const { return "https://127.0.0.1:" + std::to_string(server_.serverPort()); }
    std::string Host() const { return "127.0.0.1:" + std::to_string(server_.serverPort()); }
    const QList<QByteArray>& Heads() const { return heads_; }
    // The connections that are still open.
    QList<QSslSocket*> Sockets() const {
        QList<QSslSocket*> out;
        for (const auto& s : sockets_)
            if (s) out.append(s);
        return out;
    }

    static QByteArray Response(const QByteArray& status_line, const QByteArray& body,
                               const QByteArray& extra_headers = {}) {
        return "HTTP/1.1 " + status_line + "\r\nContent-Type: text/html\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + extra_headers + "\r\n" + body;
    }

private:
    void Accept() {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            QPointer<QTcpSocket> socket(s);
            if (auto* ssl = qobject_cast<QSslSocket*>(s)) sockets_.append(ssl);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, socket, buffer] {
                if (!socket) return;
                *buffer += socket->readAll();
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0) return;
                const QByteArray head = buffer->left(end);
                buffer->clear();
                heads_.append(head);
                const QByteArray answer = handler_(head);
                if (answer.isEmpty()) return;
                socket->write(answer);
                socket->disconnectFromHost();
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    }

    Handler handler_;
    QSslServer server_;
    bool listening_ = false;
    QList<QByteArray> heads_;
    QList<QPointer<QSslSocket>> sockets_;
};

// The request target of a recorded head ("GET /path?query HTTP/1.1" gives "/path?query").
inline QByteArray RequestTarget(const QByteArray& head) {
    const QByteArray line = head.left(head.indexOf("\r\n"));
    const QList<QByteArray> parts = line.split(' ');
    return parts.size() == 3 ? parts[1] : QByteArray();
}

// The value of one header of a recorded head (name compared case-insensitively).
inline QByteArray HeaderValue(const QByteArray& head, const QByteArray& name) {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) return line.mid(colon + 1).trimmed();
    }
    return {};
}

}  // namespace vanto::testing
