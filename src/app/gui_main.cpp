// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/gui_main.h"

#include <QApplication>
#include <QFont>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/U_MainDlg.h"

namespace vanto {

int RunMainWindow(int& argc, char** argv, const cli::Options& options) {
    (void)options;  // "/minimized" is taken up by the start-up sequence of the frame
    int code = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Vantoscope"));
        // The classic dialog font where it exists; elsewhere the desktop's own font.
        if (QGuiApplication::platformName() == QLatin1String("windows")) {
            QFont font(QStringLiteral("MS Sans Serif"));
            font.setPixelSize(11);
            QApplication::setFont(font);
        }
        auto window = std::make_unique<TMaindlg>();
        window->show();
        code = QApplication::exec();
        window.reset();
        // Workers that finished while the window closed free themselves now: their
        // deleteLater calls arrive as queued calls, which then post the deletions.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A snapshot worker still inside the system's tables would meet the program's static
    // objects being torn down; end the process at once instead of waiting for it.
    if (TConnectionRefreshThd::Running() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

}  // namespace vanto
