// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// One running copy per user. The first copy holds a lock file and listens on a local
// socket; a later copy hands its arguments to it and ends with exit code 0, and the first
// copy brings its window back (activationRequested). The lock is one the system releases when
// its holder ends (platform::InstanceLock), so a crashed copy leaves no lock that counts; its
// socket file is removed by the next owner of the lock. A copy that holds the lock but does
// not answer (stopped, hung) is told apart on standard error.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace vanto {

namespace platform {
class InstanceLock;
}

class TSingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        First,           // this copy runs and receives later starts
        HandedOver,      // another copy runs and has taken the arguments: end with exit code 0
        AlreadyRunning,  // another copy holds the program but did not answer in time (busy
                         // starting or hung): end with exit code 0 all the same
        Alone,           // no private folder, or no lock or socket can be made there: run
                         // without the rule (the lock is not kept), as the first copy would
    };

    // `key` names the lock and the socket; the program uses DefaultKey().
    explicit TSingleInstance(QString key = DefaultKey(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    // How long a later start keeps trying to reach the running copy: long enough for a copy
    // that is still starting (its window built, its event loop not yet running) or busy for
    // a moment, short enough that a hung copy does not keep the new start waiting long.
    static constexpr int kHandOverWaitMs = 5000;

    // Claims the program for this process or hands `args` to the copy that has it, trying for
    // about `wait_ms` at most. Blocks; call it once, before any window is shown. A
    // QCoreApplication must exist.
    Outcome Claim(const QStringList& args, int wait_ms = kHandOverWaitMs);

    // "Vantoscope-" and the current user's key.
    static QString DefaultKey();
    // Where the first copy listens (a socket path, or a pipe name on Windows); empty on
    // Linux without a private runtime folder.
    QString ServerName() const { return server_name_; }
    // The lock file (beside the socket on Linux, in the temporary folder on Windows).
    QString LockPath() const { return lock_path_; }
    // $XDG_RUNTIME_DIR when it is a private folder of ours, else empty (always on Windows).
    static QString PrivateRuntimeFolder();

    // Longest argument message accepted from another copy, in bytes.
    static constexpr int kMaxMessage = 64 * 1024;

signals:
    // Another copy was started with `args` (its arguments without the program name).
    void activationRequested(QStringList args);

private:
    bool TryHandOver(const QStringList& args, int wait_ms);
    bool Listen();
    void Accept();
    void ReadFrom(QLocalSocket* socket);

    QString key_;
    QString server_name_;
    QString lock_path_;
    std::unique_ptr<platform::InstanceLock> lock_;
    QLocalServer* server_ = nullptr;
    QHash<QLocalSocket*, QByteArray> pending_;
};

}  // namespace vanto
