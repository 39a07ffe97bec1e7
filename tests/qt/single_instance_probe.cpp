// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A process that follows the single-instance rule under a chosen key and says on standard
// output what happened: "first", "handed-over", "already-running" or "alone", then one "activated" line per later
// start with its arguments in brackets.
//   single_instance_probe [--exit-after N] [--stall MS] KEY [ARGS...]
// --exit-after N ends the first copy normally after N activations; without it, it runs until
// it is killed (or 60 s have passed, so that a failed test leaves nothing behind).
// --stall MS makes the first copy sleep before its event loop starts.
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cstdio>

#include "app/single_instance.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int exit_after = 0;
    int stall_ms = 0;
    while (args.size() >= 2 && args[0].startsWith(QLatin1String("--"))) {
        if (args[0] == QLatin1String("--exit-after")) {
            exit_after = args[1].toInt();
        } else if (args[0] == QLatin1String("--stall")) {
            stall_ms = args[1].toInt();
        } else {
            break;
        }
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: single_instance_probe [--exit-after N] [--stall MS] KEY [ARGS...]\n");
        return 2;
    }
    vanto::TSingleInstance instance(args.takeFirst());
    switch (instance.Claim(args)) {
        case vanto::TSingleInstance::Outcome::HandedOver:
            std::printf("handed-over\n");
            return 0;
        case vanto::TSingleInstance::Outcome::AlreadyRunning:
            std::printf("already-running\n");
            return 0;
        case vanto::TSingleInstance::Outcome::Alone:
            std::printf("alone\n");
            return 3;
        case vanto::TSingleInstance::Outcome::First:
            break;
    }
    std::printf("first\n");
    std::fflush(stdout);
    // A copy that is busy (or hung) before its event loop runs: it holds the program but
    // answers nobody for a while.
    if (stall_ms > 0) QThread::msleep(stall_ms);

    int activations = 0;
    QObject::connect(&instance, &vanto::TSingleInstance::activationRequested, [&](const QStringList& passed) {
        QString line = QStringLiteral("activated");
        for (const QString& a : passed) line += QStringLiteral(" [") + a + QLatin1Char(']');
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        if (exit_after > 0 && ++activations >= exit_after) QCoreApplication::exit(0);
    });
    QTimer give_up;
    give_up.setSingleShot(true);
    QObject::connect(&give_up, &QTimer::timeout, [] { QCoreApplication::exit(4); });
    give_up.start(60000);
    return QCoreApplication::exec();
}
