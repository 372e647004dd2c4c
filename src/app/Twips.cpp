#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace Twips {

double perPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int toPx(double twips) {
    return int(std::lround(twips / perPixel()));
}

double fromPx(int px) {
    return std::round(px * perPixel());
}

} // namespace Twips
