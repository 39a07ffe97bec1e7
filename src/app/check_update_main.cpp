// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/check_update_main.h"

#include <QCoreApplication>
#include <QEvent>

#include <string>

#include "platform/files.h"
#include "support/U_Log.h"
#include "update/qt/U_Orvo_Lite.h"

namespace vanto {

int RunCheckUpdate(int& argc, char** argv, const cli::Options& options, std::ostream& out) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vantoscope"));
    const std::string title = QCoreApplication::applicationName().toStdString();

    // Verbose, so the fallback and cause lines show too; a log with no file saves nothing.
    TKLog log(std::string(), true, 1000, false);
    int code = cli::kExitCheckFailed;
    {
        TOrvoLite checker(&log, title);
        if (!options.update_url.empty()) checker.SetServiceBase(options.update_url);
        checker.Check(platform::GetExecutablePath(), &app, [&code](TOrvoLite& sender) {
            if (sender.NewVersionAvailable) code = cli::kExitNewerVersion;
            else if (sender.ReplyValid) code = cli::kExitUpToDate;
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
    }
    // The client goes before the application: its connection thread gets to tidy up.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    for (auto it = log.Lines().rbegin(); it != log.Lines().rend(); ++it) out << *it << "\n";
    switch (code) {
    case cli::kExitNewerVersion:
        out << "A new version of " << title << " is available.\n";
        break;
    case cli::kExitUpToDate:
        out << title << " is already up to date.\n";
        break;
    default:
        out << "The update check failed.\n";
        break;
    }
    out.flush();
    return code;
}

}  // namespace vanto
