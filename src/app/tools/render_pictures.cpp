// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Build tool: draws our SVG pictures into the PNG sizes the windows use, and into the
// executable's .ico, so that the program itself needs no SVG module (Windows has none here).
//   render_pictures png IN.svg OUT_BASE SIZE...   SIZE "16" -> OUT_BASE-16.png (square);
//                                                 "1x" -> OUT_BASE.png, "2x" -> OUT_BASE@2x.png
//                                                 at the picture's own size times 1 or 2
//   render_pictures ico IN.svg OUT.ico SIZE...    one PNG-compressed image per square size
// Always run by the build with the host's Qt, also when the program is built for Windows.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>
#include <vector>

namespace {

QImage Draw(QSvgRenderer& renderer, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
    return image;
}

bool Save(const QByteArray& bytes, const QString& path) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        std::fprintf(stderr, "render_pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void PutU16(QByteArray& b, unsigned v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void PutU32(QByteArray& b, quint32 v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

// ICONDIR, one ICONDIRENTRY per image, then the PNG streams (Windows reads PNG entries
// of any size since Vista).
QByteArray Ico(const std::vector<QByteArray>& pngs, const std::vector<int>& sizes) {
    QByteArray out;
    PutU16(out, 0);
    PutU16(out, 1);
    PutU16(out, unsigned(pngs.size()));
    quint32 offset = 6 + 16 * quint32(pngs.size());
    for (std::size_t i = 0; i < pngs.size(); ++i) {
        const int s = sizes[i] >= 256 ? 0 : sizes[i];
        out.append(char(s));
        out.append(char(s));
        out.append(char(0));  // no palette
        out.append(char(0));
        PutU16(out, 1);   // planes
        PutU16(out, 32);  // bits per pixel
        PutU32(out, quint32(pngs[i].size()));
        PutU32(out, offset);
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray& png : pngs) out.append(png);
    return out;
}

int Usage() {
    std::fprintf(stderr, "usage: render_pictures png|ico IN.svg OUT SIZE...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing text needs a GUI application; no display is needed for it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) return Usage();
    const QString mode = args[1];
    const QString out = args[3];
    QSvgRenderer renderer(args[2]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_pictures: %s is not a readable SVG picture\n", qPrintable(args[2]));
        return 1;
    }

    std::vector<QByteArray> pngs;
    std::vector<int> sizes;
    for (qsizetype i = 4; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = false;
        if (mode == QLatin1String("png") && (a == QLatin1String("1x") || a == QLatin1String("2x"))) {
            const int scale = a == QLatin1String("2x") ? 2 : 1;
            const QString path = scale == 1 ? out + QLatin1String(".png") : out + QLatin1String("@2x.png");
            if (!Save(Png(Draw(renderer, renderer.defaultSize() * scale)), path)) return 1;
            continue;
        }
        const int size = a.toInt(&ok);
        if (!ok || size < 1 || size > 256) return Usage();
        const QByteArray png = Png(Draw(renderer, QSize(size, size)));
        if (mode == QLatin1String("png")) {
            if (!Save(png, out + QLatin1Char('-') + QString::number(size) + QLatin1String(".png"))) return 1;
        } else if (mode == QLatin1String("ico")) {
            pngs.push_back(png);
            sizes.push_back(size);
        } else {
            return Usage();
        }
    }
    if (mode == QLatin1String("ico") && !Save(Ico(pngs, sizes), out)) return 1;
    return 0;
}
