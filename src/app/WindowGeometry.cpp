#include "WindowGeometry.h"

#include "Twips.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

// Watches a window's own events for its resize rule.
class ResizeFollower : public QObject {
public:
    ResizeFollower(QWidget* window, std::function<void()> rule, std::function<void()> frameKnown)
        : QObject(window), m_window(window), m_rule(std::move(rule)),
          m_frameKnownRule(std::move(frameKnown)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_window)
            return false;
        const QEvent::Type type = event->type();
        const bool geometry = type == QEvent::Resize || type == QEvent::Move ||
                              type == QEvent::Show || type == QEvent::WindowStateChange;
        if (!geometry)
            return false;
        const bool frameNow = !m_frameKnown && m_window->isVisible() &&
                              !(m_window->frameGeometry().size() - m_window->size()).isNull();
        m_frameKnown = m_frameKnown || frameNow;
        if (frameNow && m_frameKnownRule)
            m_frameKnownRule();
        else if (frameNow || type == QEvent::Resize || type == QEvent::WindowStateChange)
            m_rule();
        return false;
    }

private:
    QWidget* m_window;
    std::function<void()> m_rule;
    std::function<void()> m_frameKnownRule;
    bool m_frameKnown = false;
};

} // namespace

namespace WindowGeometry {

void followResizes(QWidget* w, std::function<void()> rule, std::function<void()> frameKnown) {
    new ResizeFollower(w, std::move(rule), std::move(frameKnown));
}

QSize frameExtra(const QWidget* w) {
    const QSize own = w->frameGeometry().size() - w->size();
    if (w->isVisible() || !own.isNull())
        return own;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != w && other->isVisible() && !other->isMinimized()) {
            const QSize s = other->frameGeometry().size() - other->size();
            if (!s.isNull())
                return s;
        }
    }
    return QSize(0, 0);
}

void holdWidth(QWidget* w, double widthTwips, double minHeightTwips) {
    const QSize frame = frameExtra(w);
    const int innerWidth = std::max(1, Twips::toPx(widthTwips) - frame.width());
    const int minInnerHeight = std::max(1, Twips::toPx(minHeightTwips) - frame.height());
    if (w->minimumWidth() != innerWidth || w->maximumWidth() != innerWidth)
        w->setFixedWidth(innerWidth);
    if (w->minimumHeight() != minInnerHeight)
        w->setMinimumHeight(minInnerHeight);
    if (w->height() < minInnerHeight)
        w->resize(innerWidth, minInnerHeight);
}

double outerWidth(const QWidget* w) {
    return Twips::fromPx(w->width() + frameExtra(w).width());
}
double outerHeight(const QWidget* w) {
    return Twips::fromPx(w->height() + frameExtra(w).height());
}
double left(const QWidget* w) {
    return Twips::fromPx(w->frameGeometry().x());
}
double top(const QWidget* w) {
    return Twips::fromPx(w->frameGeometry().y());
}

void setOuterWidth(QWidget* w, double twips) {
    w->resize(std::max(1, Twips::toPx(twips) - frameExtra(w).width()), w->height());
}

void setOuterHeight(QWidget* w, double twips) {
    w->resize(w->width(), std::max(1, Twips::toPx(twips) - frameExtra(w).height()));
}

void setLeft(QWidget* w, double twips) {
    w->move(Twips::toPx(twips), w->frameGeometry().y());
}
void setTop(QWidget* w, double twips) {
    w->move(w->frameGeometry().x(), Twips::toPx(twips));
}

} // namespace WindowGeometry
