#include "ui/common/AppIcon.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap iconPixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, QColor(64, 64, 200));
    g.setColorAt(1, QColor(0, 0, 128));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2 * s, 2 * s, 60 * s, 60 * s), 12 * s, 12 * s);
    // A pair of beamed notes.
    p.setBrush(QColor(192, 192, 255));
    p.drawEllipse(QRectF(14 * s, 40 * s, 13 * s, 10 * s));
    p.drawEllipse(QRectF(36 * s, 34 * s, 13 * s, 10 * s));
    p.drawRect(QRectF(24 * s, 16 * s, 3.5 * s, 29 * s));
    p.drawRect(QRectF(46 * s, 10 * s, 3.5 * s, 29 * s));
    QPainterPath beam;
    beam.moveTo(24 * s, 16 * s);
    beam.lineTo(49.5 * s, 10 * s);
    beam.lineTo(49.5 * s, 17 * s);
    beam.lineTo(24 * s, 23 * s);
    beam.closeSubpath();
    p.drawPath(beam);
    return pm;
}

} // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(iconPixmap(size));
    return icon;
}

QPixmap bannerPixmap(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    QLinearGradient g(0, 0, width, 0);
    g.setColorAt(0, QColor(0, 0, 128));
    g.setColorAt(1, QColor(128, 128, 255));
    p.fillRect(pm.rect(), g);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(std::max(8, height - 4));
    f.setBold(true);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(pm.rect().adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("JUKORA"));
    return pm;
}
