// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/gui_main.h"

#include <QApplication>
#include <QFont>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/U_MainDlg.h"
#include "app/single_instance.h"
#include "monitor/naming_service.h"
#include "platform/termination.h"
#include "update/qt/U_about.h"

namespace vanto {

void ShowOnActivation(TSingleInstance& instance, TMaindlg& window) {
    QObject::connect(&instance, &TSingleInstance::activationRequested, &window, [&window](const QStringList&) {
        window.Show1Click();
    });
}

void CloseOnTerminationRequests(TMaindlg& window) {
    // A signal (SIGTERM, SIGINT, SIGHUP) or the session's end closes the window as Quit
    // does, so a portable copy still writes its settings back and cleans up.
    if (const int fd = platform::TerminationRequestDescriptor(); fd >= 0) {
        auto* notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [fd, &window] {
            platform::ClearTerminationRequests(fd);
            window.Quit1Click();
        });
    }
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.Quit1Click(); });
}

int RunMainWindow(int& argc, char** argv, const cli::Options& options) {
    (void)options;  // the window reads its parameter itself, as the first one given
    // Before anything slow (the one-copy check, a hive lock held by another program, the
    // window itself): a request to end that comes during start-up is kept and answered as
    // Quit once the event loop runs, instead of ending the program on the spot.
    platform::TerminationRequestDescriptor();
    int code = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Vantoscope"));

        // One copy per user. A later copy hands over to the running one and ends here,
        // before it has shown anything.
        TSingleInstance instance;
        switch (instance.Claim(QCoreApplication::arguments().mid(1))) {
        case TSingleInstance::Outcome::HandedOver:
        case TSingleInstance::Outcome::AlreadyRunning:
            return 0;
        case TSingleInstance::Outcome::First:
        case TSingleInstance::Outcome::Alone:  // nowhere to hold the rule: run all the same
            break;
        }

        // The classic dialog font where it exists; elsewhere the desktop's own font.
        if (QGuiApplication::platformName() == QLatin1String("windows")) {
            QFont font(QStringLiteral("MS Sans Serif"));
            font.setPixelSize(11);
            QApplication::setFont(font);
        }
        // The program ends with its main window, not with its last visible window: hidden in
        // the notification area, closing a message box must not end it.
        QApplication::setQuitOnLastWindowClosed(false);

        auto window = std::make_unique<TMaindlg>();
        QApplication::setWindowIcon(window->windowIcon());
        window->SetAboutDlg(new TAboutDlg(window.get()));
        ShowOnActivation(instance, *window);
        CloseOnTerminationRequests(*window);
        QObject::connect(window.get(), &TMaindlg::closed, &app, [] { QCoreApplication::exit(0); });
        window->show();
        code = QApplication::exec();
        window.reset();
        // Workers that finished while the window closed free themselves now: their
        // deleteLater calls arrive as queued calls, which then post the deletions.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A snapshot worker still inside the system's tables (or a naming worker inside a hung
    // file) would meet the program's static
    // objects being torn down; end the process at once instead of waiting for it.
    if (TConnectionRefreshThd::Running() > 0 || NamingService::Running() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

}  // namespace vanto
