// SPDX-License-Identifier: MIT
// Build-time tool: renders a program icon (XPM) as the PNGs of the hicolor
// icon theme.
//   iconpng <icon.xpm> <theme-dir> <name> <size>...
// writes <theme-dir>/<size>x<size>/apps/<name>.png for each size. Whole
// multiples of the source size are scaled pixel by pixel, keeping the drawing
// crisp; other sizes are scaled smoothly.
#include <QDir>
#include <QImage>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s icon.xpm theme-dir name size...\n", argv[0]);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QImage icon = source.convertToFormat(QImage::Format_ARGB32);
    const QDir theme(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "%s: not a size: %s\n", argv[0], argv[i]);
            return 2;
        }
        const bool whole = size % icon.width() == 0 && size % icon.height() == 0;
        const QImage scaled =
            icon.scaled(size, size, Qt::IgnoreAspectRatio,
                        whole ? Qt::FastTransformation : Qt::SmoothTransformation);
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = theme.filePath(folder + QLatin1Char('/') + name + ".png");
        if (!theme.mkpath(folder) || !scaled.save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
