// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Renders the About window into a PNG: `vantoscope_about_screenshot OUT.png`. Run it
// offscreen (QT_QPA_PLATFORM=offscreen) or under Xvfb; it shows its own version, which is
// the program's.
#include <QApplication>
#include <QPixmap>

#include <cstdio>

#include "update/qt/U_about.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantoscope_about_screenshot OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantoscope"));
    vanto::TAboutDlg dlg;
    dlg.UpdateTexts();
    dlg.show();
    QApplication::processEvents();
    if (!dlg.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
