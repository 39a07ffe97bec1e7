// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Build tool for make windows-screenshot: saves what an X display shows into a PNG, cut to
// the part that differs from the desktop's background (the windows on it), with a margin.
//   grab_screen OUT.png [SKIP_BOTTOM]   SKIP_BOTTOM: rows at the bottom left out (a taskbar)
// Runs with the host's Qt on the display in DISPLAY.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: grab_screen OUT.png [SKIP_BOTTOM]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "grab_screen: no screen\n");
        return 1;
    }
    const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    if (shot.isNull()) {
        std::fprintf(stderr, "grab_screen: the screen could not be read\n");
        return 1;
    }
    const int skip = argc == 3 ? std::max(0, std::atoi(argv[2])) : 0;
    const int bottom = std::max(1, shot.height() - skip);
    // The bottom right corner is desktop: windows open at the top left.
    const QRgb background = shot.pixel(shot.width() - 1, bottom - 1);
    int left = shot.width(), top = bottom, right = -1, low = -1;
    for (int y = 0; y < bottom; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x) {
            if (line[x] == background) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            low = std::max(low, y);
        }
    }
    QImage out = shot;
    if (right >= 0) {
        constexpr int kMargin = 8;
        const QRect box = QRect(QPoint(left, top), QPoint(right, low))
                              .adjusted(-kMargin, -kMargin, kMargin, kMargin)
                              .intersected(shot.rect());
        out = shot.copy(box);
    }
    if (!out.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "grab_screen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
