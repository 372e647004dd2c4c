#include "core/settings/ScreenFit.h"

#include <algorithm>
#include <cstdint>

namespace {

// The parts of r outside cut, as up to four rectangles.
void subtract(const QRect& r, const QRect& cut, QList<QRect>& out) {
    const QRect common = r.intersected(cut);
    if (common.isEmpty()) {
        out.append(r);
        return;
    }
    if (r.top() < common.top())
        out.append(QRect(QPoint(r.left(), r.top()), QPoint(r.right(), common.top() - 1)));
    if (common.bottom() < r.bottom())
        out.append(QRect(QPoint(r.left(), common.bottom() + 1), QPoint(r.right(), r.bottom())));
    if (r.left() < common.left())
        out.append(
            QRect(QPoint(r.left(), common.top()), QPoint(common.left() - 1, common.bottom())));
    if (common.right() < r.right())
        out.append(
            QRect(QPoint(common.right() + 1, common.top()), QPoint(r.right(), common.bottom())));
}

std::int64_t area(const QRect& r) {
    return r.isEmpty() ? 0 : std::int64_t(r.width()) * r.height();
}

// Squared distance between the closest points of two rectangles.
std::int64_t gap(const QRect& a, const QRect& b) {
    const auto along = [](int lo1, int hi1, int lo2, int hi2) -> std::int64_t {
        if (hi1 < lo2)
            return std::int64_t(lo2) - hi1;
        if (hi2 < lo1)
            return std::int64_t(lo1) - hi2;
        return 0;
    };
    const std::int64_t dx = along(a.left(), a.right(), b.left(), b.right());
    const std::int64_t dy = along(a.top(), a.bottom(), b.top(), b.bottom());
    return dx * dx + dy * dy;
}

} // namespace

namespace ScreenFit {

bool onScreens(const QRect& window, const QList<QRect>& screens) {
    QList<QRect> left{window};
    for (const QRect& screen : screens) {
        QList<QRect> next;
        for (const QRect& part : left)
            subtract(part, screen, next);
        left = std::move(next);
        if (left.isEmpty())
            return true;
    }
    return false;
}

QRect fitOnScreens(const QRect& window, const QList<QRect>& screens) {
    if (screens.isEmpty() || onScreens(window, screens))
        return window;
    // The screen that holds most of the window, or the closest one.
    const QRect* best = nullptr;
    std::int64_t bestArea = 0, bestGap = 0;
    for (const QRect& screen : screens) {
        const std::int64_t a = area(window.intersected(screen));
        const std::int64_t g = gap(window, screen);
        if (!best || a > bestArea || (a == 0 && bestArea == 0 && g < bestGap)) {
            best = &screen;
            bestArea = a;
            bestGap = g;
        }
    }
    const QRect& s = *best;
    const int w = std::min(window.width(), s.width());
    const int h = std::min(window.height(), s.height());
    const int x = std::clamp(window.x(), s.x(), s.x() + s.width() - w);
    const int y = std::clamp(window.y(), s.y(), s.y() + s.height() - h);
    return QRect(x, y, w, h);
}

} // namespace ScreenFit
