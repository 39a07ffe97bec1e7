// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/single_instance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "platform/instance_lock.h"
#include "platform/user_session.h"

namespace vanto {

namespace {

// The running copy greets each caller with "VSI1 <its pid>\n"; the caller sends "VSI1", the
// payload length as 32-bit big-endian, then its arguments, each followed by a NUL; the running
// copy answers "OK\n" once it has them.
constexpr QByteArrayView kMagic = "VSI1";
constexpr int kHeaderSize = 8;
constexpr QByteArrayView kAck = "OK\n";
constexpr int kMaxHello = 32;
// A caller that connects and says nothing is dropped after this long.
constexpr int kCallerTimeoutMs = 5000;
constexpr int kMaxCallers = 8;

QByteArray EncodeArgs(const QStringList& args) {
    QByteArray payload;
    for (const QString& arg : args) {
        const QByteArray bytes = arg.toUtf8();
        // A command line longer than the limit loses its tail: the running copy ignores it anyway.
        if (payload.size() + bytes.size() + 1 > TSingleInstance::kMaxMessage) break;
        payload += bytes;
        payload += '\0';
    }
    QByteArray message(kMagic.data(), kMagic.size());
    char length[4];
    qToBigEndian<quint32>(quint32(payload.size()), length);
    message.append(length, 4);
    return message + payload;
}

// Reads until `wanted` bytes or a line break (when `line`) have come, or the deadline passes.
QByteArray ReadReply(QLocalSocket& socket, int wanted, bool line, const QDeadlineTimer& deadline) {
    QByteArray reply;
    while (reply.size() < wanted && !(line && reply.endsWith('\n'))) {
        if (socket.bytesAvailable() == 0 &&
            !socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1))))
            break;
        reply += line ? socket.readLine(wanted - reply.size() + 1) : socket.read(wanted - reply.size());
        if (deadline.hasExpired() && socket.bytesAvailable() == 0) break;
    }
    return reply;
}

}  // namespace

TSingleInstance::TSingleInstance(QString key, QObject* parent) : QObject(parent), key_(std::move(key)) {
#ifdef Q_OS_WIN
    // A named pipe; the lock file sits in the user's own temporary folder.
    server_name_ = key_;
    lock_path_ = QDir::tempPath() + QLatin1Char('/') + key_ + QStringLiteral(".lock");
#else
    // Only the user's private runtime folder, never a shared one such as /tmp, where another
    // user could put a socket or lock of that name in our way. Without one, Claim runs alone.
    const QString folder = PrivateRuntimeFolder();
    if (!folder.isEmpty()) {
        server_name_ = folder + QLatin1Char('/') + key_;
        lock_path_ = server_name_ + QStringLiteral(".lock");
    }
#endif
}

TSingleInstance::~TSingleInstance() {
    // Socket first, lock last: whoever takes the lock next finds no live socket.
    delete server_;
    server_ = nullptr;
    lock_.reset();
}

QString TSingleInstance::DefaultKey() {
    return QStringLiteral("Vantoscope-") + QString::fromLocal8Bit(platform::CurrentUserKey());
}

QString TSingleInstance::PrivateRuntimeFolder() {
#ifdef Q_OS_WIN
    return {};
#else
    // $XDG_RUNTIME_DIR as the session gives it: absolute, a folder (not a link to one) of
    // ours that nobody else may enter. Qt's own stand-in lives in /tmp, so it is not asked.
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !dir.startsWith('/')) return {};
    struct stat st {};
    if (::lstat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0)
        return {};
    return QString::fromLocal8Bit(dir);
#endif
}

TSingleInstance::Outcome TSingleInstance::Claim(const QStringList& args, int wait_ms) {
    if (lock_path_.isEmpty()) {
        std::fprintf(stderr, "vantoscope: no private runtime folder ($XDG_RUNTIME_DIR); "
                             "running without the one-copy check\n");
        return Outcome::Alone;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    lock_ = std::make_unique<platform::InstanceLock>();
#ifdef Q_OS_WIN
    const std::filesystem::path lock_file(lock_path_.toStdWString());
#else
    const std::filesystem::path lock_file(QFile::encodeName(lock_path_).toStdString());
#endif
    Outcome outcome = Outcome::Alone;
    for (;;) {
        const platform::InstanceLock::State state = lock_->TryLock(lock_file);
        if (state == platform::InstanceLock::State::Held) {
            if (Listen()) return Outcome::First;
            // Holding a lock nobody can reach through the socket would make every later
            // start end silently: give it up and run alone.
            lock_.reset();
            return Outcome::Alone;
        }
        if (state == platform::InstanceLock::State::Unusable) {
            std::fprintf(stderr, "vantoscope: cannot lock %s; running without the one-copy check\n",
                         qPrintable(QDir::toNativeSeparators(lock_path_)));
            break;
        }
        // The system holds the lock for a live copy only, so someone is there.
        outcome = Outcome::AlreadyRunning;
        const int left = int(std::max<qint64>(wait_ms - elapsed.elapsed(), 200));
        if (TryHandOver(args, left)) {
            outcome = Outcome::HandedOver;
            break;
        }
        if (elapsed.elapsed() >= wait_ms) break;
        // Not listening yet, or just ending: look again.
        QThread::msleep(50);
    }
    if (outcome == Outcome::AlreadyRunning) {
        // Stopped or hung: ending without a word would look like a start that did nothing.
        std::fprintf(stderr,
                     "vantoscope: another copy holds the program but did not answer within %d ms; "
                     "handed over to nobody\n",
                     wait_ms);
    }
    lock_.reset();
    return outcome;
}

bool TSingleInstance::TryHandOver(const QStringList& args, int wait_ms) {
    const QDeadlineTimer deadline(wait_ms);
    QLocalSocket socket;
    socket.connectToServer(server_name_);
    if (!socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 1)))) return false;

    const QByteArray hello = ReadReply(socket, kMaxHello, true, deadline);
    const QByteArray prefix = kMagic.toByteArray() + ' ';
    if (!hello.startsWith(prefix) || !hello.endsWith('\n')) return false;
    bool ok = false;
    const quint32 pid = hello.mid(prefix.size()).trimmed().toUInt(&ok);
    // Our start was the user's own action, so we may pass the foreground on to that copy.
    if (ok) platform::AllowForegroundActivation(pid);

    socket.write(EncodeArgs(args));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 1)))) return false;
    }
    return ReadReply(socket, int(kAck.size()), false, deadline) == kAck;
}

bool TSingleInstance::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, any socket file there is a crashed copy's leftover.
    QLocalServer::removeServer(server_name_);
    if (!server_->listen(server_name_)) {
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
    return true;
}

void TSingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (pending_.size() >= kMaxCallers) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(kHeaderSize + kMaxMessage);
        pending_.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, this, [this, socket] {
            pending_.remove(socket);
            socket->abort();
            socket->deleteLater();
        });
        timeout->start(kCallerTimeoutMs);
        socket->write(kMagic.toByteArray() + ' ' + QByteArray::number(QCoreApplication::applicationPid()) + '\n');
    }
}

void TSingleInstance::ReadFrom(QLocalSocket* socket) {
    const auto it = pending_.find(socket);
    if (it == pending_.end()) return;
    QByteArray& message = *it;
    message += socket->read(kHeaderSize + kMaxMessage - message.size());

    auto drop = [this, socket] {
        pending_.remove(socket);
        socket->abort();
        socket->deleteLater();
    };
    if (!message.startsWith(kMagic.first(std::min<qsizetype>(message.size(), kMagic.size())))) return drop();
    if (message.size() < kHeaderSize) return;
    const quint32 length = qFromBigEndian<quint32>(message.constData() + kMagic.size());
    if (length > quint32(kMaxMessage)) return drop();
    if (message.size() < kHeaderSize + qsizetype(length)) return;
    if (socket->bytesAvailable() > 0 || message.size() > kHeaderSize + qsizetype(length)) return drop();

    const QByteArray payload = message.mid(kHeaderSize);
    if (!payload.isEmpty() && !payload.endsWith('\0')) return drop();
    QStringList args;
    if (!payload.isEmpty()) {
        args = QString::fromUtf8(payload.chopped(1)).split(QChar(0));
    }
    pending_.remove(socket);
    socket->write(kAck.data(), kAck.size());
    socket->flush();
    socket->disconnectFromServer();
    emit activationRequested(args);
}

}  // namespace vanto
