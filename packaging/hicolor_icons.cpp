// Writes a program's icon into a hicolor icon tree at the sizes given:
//   quillfen-hicolor-icons OUTDIR NAME SOURCE SIZE...
// makes OUTDIR/<size>x<size>/apps/NAME.png. SOURCE is "pictavo-artwork" for
// Pictavo's drawn icon (drawn at each size, so small sizes stay sharp) or a PNG
// file, which is scaled down smoothly.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cstdio>

#include "pictavo/resources/artwork.h"

namespace {

QImage IconAt(const QString& source, int side) {
    if (source == "pictavo-artwork") return pictavo::artwork::ProgramIconPixmap(side).toImage();
    QImage image(source);
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_ARGB32)
        .scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool WriteIcon(const QString& outDir, const QString& name, const QString& source, int side) {
    QString folder = QString("%1/%2x%2/apps").arg(outDir).arg(side);
    QImage icon = IconAt(source, side);
    return !icon.isNull() && QDir().mkpath(folder) && icon.save(folder + "/" + name + ".png");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // builds run without a display
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: quillfen-hicolor-icons OUTDIR NAME SOURCE SIZE...\n");
        return 2;
    }
    for (qsizetype i = 4; i < args.size(); ++i) {
        bool number = false;
        int side = args[i].toInt(&number);
        if (!number || side <= 0 || !WriteIcon(args[1], args[2], args[3], side)) {
            std::fprintf(stderr, "quillfen-hicolor-icons: cannot write %s at size %s\n",
                         qPrintable(args[2]), qPrintable(args[i]));
            return 1;
        }
    }
    return 0;
}
