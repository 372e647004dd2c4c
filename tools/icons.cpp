// Renders the program's icon (the one the windows show) as the PNG files of
// the hicolor icon theme: FOLDER/NxN/apps/jukora.png for each size given.
#include "ui/common/AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[]) {
    // No display is needed to draw into a pixmap.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: jukora-icons FOLDER SIZE...\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QIcon icon = appIcon();
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString dir = folder + QStringLiteral("/%1x%1/apps").arg(size);
        const QPixmap pm = icon.pixmap(QSize(size, size), 1.0);
        if (size <= 0 || pm.size() != QSize(size, size) || !QDir().mkpath(dir) ||
            !pm.save(dir + QStringLiteral("/jukora.png"))) {
            std::fprintf(stderr, "jukora-icons: cannot write the %s pixel icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
