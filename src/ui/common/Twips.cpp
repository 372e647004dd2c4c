#include "ui/common/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

// Far beyond any desktop, and far from the ends of an int for the sums the
// windows make with it.
constexpr double kFarPx = 1 << 24;

} // namespace

namespace Twips {

double perPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int toPx(double twips) {
    const double px = twips / perPixel();
    if (std::isnan(px))
        return 0;
    return int(std::lround(std::clamp(px, -kFarPx, kFarPx)));
}

double fromPx(int px) {
    return std::round(px * perPixel());
}

} // namespace Twips
