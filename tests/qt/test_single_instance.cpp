// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The single-instance rule between real processes: a second start hands its arguments to the
// first and ends with exit code 0; neither a clean end nor a killed first copy blocks the
// next start; simultaneous starts elect one first copy; callers that do not follow the
// protocol are dropped without an activation.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/single_instance.h"

#ifndef Q_OS_WIN
#include <signal.h>
#include <sys/stat.h>
#endif

using vanto::TSingleInstance;

namespace {

// The probe's output; Windows writes its lines with CR LF.
QString Text(const QByteArray& bytes) { return QString::fromUtf8(bytes).remove(QLatin1Char('\r')); }

int g_argc = 1;
char g_name[] = "qt_test_single_instance";
char* g_argv[] = {g_name, nullptr};

QCoreApplication& App() {
    // Never destroyed: Qt's own statics go first at exit.
    static auto* app = new QCoreApplication(g_argc, g_argv);
    return *app;
}

QString UniqueKey() {
    return QStringLiteral("vs-test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

// A probe process and everything it has printed so far.
struct Probe {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString out;

    void Start(const QStringList& args) {
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(VS_SINGLE_INSTANCE_PROBE), args);
    }
    // Waits until the output holds a line equal to or starting with `line`.
    bool WaitForLine(const QString& line, int ms = 5000) {
        QElapsedTimer t;
        t.start();
        for (;;) {
            const bool ended = process->state() == QProcess::NotRunning;
            out += Text(process->readAllStandardOutput());
            for (const QString& l : out.split(QLatin1Char('\n')))
                if (l.startsWith(line)) return true;
            const qint64 left = ms - t.elapsed();
            if (left <= 0 || ended) return false;
            process->waitForReadyRead(int(std::min<qint64>(left, 100)));
        }
    }
    bool Finish(int ms) {
        const bool done = process->state() == QProcess::NotRunning || process->waitForFinished(ms);
        out += Text(process->readAllStandardOutput());
        return done;
    }
    ~Probe() {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(2000);
        }
    }
};

void SpinEvents(int ms) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

}  // namespace

TEST(SingleInstance, SecondStartHandsOverItsArgumentsAndEndsWithZero) {
    App();
    const QString key = UniqueKey();
    Probe first;
    first.Start({QStringLiteral("--exit-after"), QStringLiteral("1"), key});
    ASSERT_TRUE(first.WaitForLine(QStringLiteral("first"))) << first.out.toStdString();

    Probe second;
    QElapsedTimer t;
    t.start();
    second.Start({key, QStringLiteral("/minimized"), QStringLiteral("two words"), QString()});
    ASSERT_TRUE(second.Finish(2000)) << "the second copy must end within two seconds";
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_EQ(second.process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process->exitCode(), 0);
    EXPECT_EQ(second.out, QStringLiteral("handed-over\n"));

    ASSERT_TRUE(first.Finish(5000));
    EXPECT_EQ(first.process->exitCode(), 0);
    EXPECT_EQ(first.out, QStringLiteral("first\nactivated [/minimized] [two words] []\n"));
}

TEST(SingleInstance, StartAfterTheFirstEndedRunsNormally) {
    App();
    const QString key = UniqueKey();
    {
        Probe first;
        first.Start({QStringLiteral("--exit-after"), QStringLiteral("1"), key});
        ASSERT_TRUE(first.WaitForLine(QStringLiteral("first")));
        Probe second;
        second.Start({key});
        ASSERT_TRUE(second.Finish(2000));
        ASSERT_TRUE(first.Finish(5000));
        ASSERT_EQ(first.process->exitCode(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(TSingleInstance(key).ServerName())) << "a clean end removes its socket";

    Probe again;
    again.Start({QStringLiteral("--exit-after"), QStringLiteral("1"), key});
    ASSERT_TRUE(again.WaitForLine(QStringLiteral("first"))) << again.out.toStdString();
    Probe caller;
    caller.Start({key, QStringLiteral("x")});
    ASSERT_TRUE(caller.Finish(2000));
    EXPECT_EQ(caller.process->exitCode(), 0);
    ASSERT_TRUE(again.Finish(5000));
    EXPECT_EQ(again.out, QStringLiteral("first\nactivated [x]\n"));
}

TEST(SingleInstance, KilledFirstCopyDoesNotBlockTheNextStart) {
    App();
    const QString key = UniqueKey();
    const QString socket_path = TSingleInstance(key).ServerName();
    {
        Probe crashed;
        crashed.Start({key});
        ASSERT_TRUE(crashed.WaitForLine(QStringLiteral("first")));
        crashed.process->kill();  // SIGKILL: nothing is cleaned up
        ASSERT_TRUE(crashed.Finish(5000));
        ASSERT_EQ(crashed.process->exitStatus(), QProcess::CrashExit);
    }
#ifndef Q_OS_WIN
    ASSERT_TRUE(QFileInfo::exists(socket_path)) << "the killed copy should have left its socket file behind";
    ASSERT_TRUE(QFileInfo::exists(socket_path + QStringLiteral(".lock"))) << "and its lock file";
#endif

    Probe next;
    QElapsedTimer t;
    t.start();
    next.Start({QStringLiteral("--exit-after"), QStringLiteral("1"), key});
    ASSERT_TRUE(next.WaitForLine(QStringLiteral("first"))) << next.out.toStdString();
    EXPECT_LT(t.elapsed(), 2000) << "no waiting for a dead copy";

    // The new first copy really listens.
    Probe caller;
    caller.Start({key, QStringLiteral("after-crash")});
    ASSERT_TRUE(caller.Finish(2000));
    EXPECT_EQ(caller.process->exitCode(), 0);
    EXPECT_EQ(caller.out, QStringLiteral("handed-over\n"));
    ASSERT_TRUE(next.Finish(5000));
    EXPECT_EQ(next.out, QStringLiteral("first\nactivated [after-crash]\n"));
}

// Whatever a crash (or anyone) left where the lock belongs, the next start is the first copy,
// at once: only a live holder counts.
TEST(SingleInstance, ALeftoverLockOfAnyKindDoesNotStopTheNextStart) {
    App();
    struct Case {
        const char* what;
        std::function<void(const QString&)> make;
    };
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const std::vector<Case> cases = {
        {"an empty lock (killed as it appeared)", [&](const QString& p) { write(p, {}); }},
        {"random bytes", [&](const QString& p) { write(p, QByteArray("\x01\xfe\x00zz\n", 6)); }},
        {"a lock naming a live process", [&](const QString& p) {
             write(p, QByteArray::number(QCoreApplication::applicationPid()) + "\nqt_test\nhost\n");
         }},
        {"a folder", [](const QString& p) { ASSERT_TRUE(QDir().mkpath(p)); }},
#ifndef Q_OS_WIN
        {"a dangling link", [](const QString& p) { ASSERT_TRUE(QFile::link(p + QStringLiteral(".gone"), p)); }},
        {"an unreadable file", [&](const QString& p) {
             write(p, "1");
             ::chmod(QFile::encodeName(p).constData(), 0);
         }},
#endif
    };
    for (const Case& c : cases) {
        const QString key = UniqueKey();
        const QString lock = TSingleInstance(key).LockPath();
        c.make(lock);
        Probe next;
        QElapsedTimer t;
        t.start();
        next.Start({QStringLiteral("--exit-after"), QStringLiteral("1"), key});
        ASSERT_TRUE(next.WaitForLine(QStringLiteral("first"), 3000)) << c.what << ": " << next.out.toStdString();
        EXPECT_LT(t.elapsed(), 2000) << c.what;
        Probe caller;
        caller.Start({key, QStringLiteral("x")});
        ASSERT_TRUE(caller.Finish(3000)) << c.what;
        EXPECT_EQ(caller.out, QStringLiteral("handed-over\n")) << c.what;
        ASSERT_TRUE(next.Finish(5000)) << c.what;
        QFile::remove(lock);
        QDir().rmdir(lock);
    }
}

#ifndef Q_OS_WIN
// A stopped first copy holds the lock but answers nobody: the second start ends, and says so.
TEST(SingleInstance, ASecondStartThatReachesNobodySaysSoOnStandardError) {
    App();
    const QString key = UniqueKey();
    Probe stopped;
    stopped.Start({key});
    ASSERT_TRUE(stopped.WaitForLine(QStringLiteral("first")));
    ::kill(pid_t(stopped.process->processId()), SIGSTOP);

    QProcess second;
    second.setProcessChannelMode(QProcess::SeparateChannels);
    second.start(QStringLiteral(VS_SINGLE_INSTANCE_PROBE), {key});
    const bool ended = second.waitForFinished(TSingleInstance::kHandOverWaitMs + 5000);
    ::kill(pid_t(stopped.process->processId()), SIGCONT);
    ASSERT_TRUE(ended);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(Text(second.readAllStandardOutput()), QStringLiteral("already-running\n"));
    EXPECT_TRUE(Text(second.readAllStandardError()).contains(QStringLiteral("handed over to nobody")));
}
#endif

// A first copy that is still starting answers late: the second start waits for it.
TEST(SingleInstance, AFirstCopyThatAnswersTwoSecondsLateIsStillReached) {
    App();
    const QString key = UniqueKey();
    Probe slow;
    slow.Start({QStringLiteral("--stall"), QStringLiteral("2000"), QStringLiteral("--exit-after"), QStringLiteral("1"), key});
    ASSERT_TRUE(slow.WaitForLine(QStringLiteral("first")));

    Probe second;
    second.Start({key, QStringLiteral("late")});
    ASSERT_TRUE(second.Finish(TSingleInstance::kHandOverWaitMs + 3000));
    EXPECT_EQ(second.process->exitCode(), 0);
    EXPECT_EQ(second.out, QStringLiteral("handed-over\n"));
    ASSERT_TRUE(slow.Finish(5000));
    EXPECT_EQ(slow.out, QStringLiteral("first\nactivated [late]\n")) << "the first copy is brought back";
}

TEST(SingleInstance, SecondStartEndsWithZeroEvenWhenTheFirstDoesNotAnswer) {
    App();
    const QString key = UniqueKey();
    Probe hung;
    hung.Start({QStringLiteral("--stall"), QString::number(TSingleInstance::kHandOverWaitMs + 5000), key});
    ASSERT_TRUE(hung.WaitForLine(QStringLiteral("first")));

    Probe second;
    QElapsedTimer t;
    t.start();
    second.Start({key});
    ASSERT_TRUE(second.Finish(TSingleInstance::kHandOverWaitMs + 3000)) << "the second copy gives up in the end";
    EXPECT_GE(t.elapsed(), TSingleInstance::kHandOverWaitMs - 500) << "after trying for a few seconds";
    EXPECT_EQ(second.process->exitCode(), 0);
    EXPECT_EQ(second.out, QStringLiteral("already-running\n")) << "it never runs as a second copy";
}

TEST(SingleInstance, SimultaneousStartsElectOneFirstCopy) {
    App();
    const QString key = UniqueKey();
    constexpr int kCopies = 4;
    std::vector<Probe> probes(kCopies);
    for (auto& p : probes) p.Start({QStringLiteral("--exit-after"), QString::number(kCopies - 1), key});

    int firsts = 0;
    int handed = 0;
    Probe* first = nullptr;
    for (auto& p : probes) {
        // The first copy runs until it has heard from all the others.
        if (p.WaitForLine(QStringLiteral("first"), 3000)) {
            ++firsts;
            first = &p;
        }
    }
    for (auto& p : probes) {
        if (&p == first) continue;
        ASSERT_TRUE(p.Finish(5000));
        if (p.process->exitCode() == 0 && p.out == QStringLiteral("handed-over\n")) ++handed;
    }
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(handed, kCopies - 1);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->Finish(5000));
    EXPECT_EQ(first->out.count(QStringLiteral("activated")), kCopies - 1);
}

TEST(SingleInstance, CallersOutsideTheProtocolAreDroppedWithoutActivation) {
    App();
    const QString key = UniqueKey();
    TSingleInstance instance(key);
    ASSERT_EQ(instance.Claim({}), TSingleInstance::Outcome::First);
    QList<QStringList> activations;
    QObject::connect(&instance, &TSingleInstance::activationRequested,
                     [&](const QStringList& args) { activations.append(args); });

    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const QByteArray too_long("VSI1\x00\x01\x00\x01", 8);                           // 65537 bytes announced
    const QByteArray unterminated = QByteArray("VSI1\x00\x00\x00\x03", 8) + "abc";  // no NUL after the argument
    const QByteArray trailing = QByteArray("VSI1\x00\x00\x00\x02", 8) + QByteArray("a\0junk", 6);
    const std::vector<Case> cases = {
        {"wrong magic", QByteArray("HELLO WORLD")},
        {"length above the limit", too_long},
        {"argument without terminator", unterminated},
        {"bytes after the message", trailing},
    };
    // A caller that connects and stays silent must not hold up the others.
    QLocalSocket silent;
    silent.connectToServer(instance.ServerName());
    ASSERT_TRUE(silent.waitForConnected(2000));

    for (const Case& c : cases) {
        QLocalSocket socket;
        socket.connectToServer(instance.ServerName());
        ASSERT_TRUE(socket.waitForConnected(2000)) << c.what;
        socket.write(c.bytes);
        socket.flush();
        QElapsedTimer t;
        t.start();
        while (socket.state() != QLocalSocket::UnconnectedState && t.elapsed() < 3000) SpinEvents(20);
        EXPECT_EQ(socket.state(), QLocalSocket::UnconnectedState) << c.what << ": the caller is dropped";
        EXPECT_FALSE(socket.readAll().contains("OK")) << c.what;
    }
    EXPECT_TRUE(activations.isEmpty());

    // A real second start still gets through.
    Probe caller;
    caller.Start({key, QStringLiteral("ok")});
    QElapsedTimer t;
    t.start();
    while (caller.process->state() != QProcess::NotRunning && t.elapsed() < 3000) SpinEvents(20);
    ASSERT_TRUE(caller.Finish(1000));
    EXPECT_EQ(caller.process->exitCode(), 0);
    ASSERT_EQ(activations.size(), 1);
    EXPECT_EQ(activations[0], QStringList{QStringLiteral("ok")});
}
