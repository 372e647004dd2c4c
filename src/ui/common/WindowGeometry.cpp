#include "ui/common/WindowGeometry.h"

#include "core/settings/ScreenFit.h"
#include "ui/common/Twips.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <array>

namespace {

enum Measure { Left, Top, Width, Height };
using Measures = std::array<std::optional<int>, 4>;

const QString kPlacerName = QStringLiteral("WindowGeometry");

// Kept by each window that is placed or follows its resizes: what was set on
// it before its frame was known, to be set again once it is, and its resize
// rule.
class Placer : public QObject {
public:
    explicit Placer(QWidget* window) : QObject(window), m_window(window) {
        setObjectName(kPlacerName);
        window->installEventFilter(this);
    }

    static Placer* of(const QWidget* w) {
        return w->findChild<Placer*>(kPlacerName, Qt::FindDirectChildrenOnly);
    }
    static Placer* make(QWidget* w) {
        Placer* p = of(w);
        return p ? p : new Placer(w);
    }

    // The window's frame: its own once it is on the screen or once the window
    // system gives it one; before, the frame of another window of the
    // program that is on the screen.
    static QMargins frame(const QWidget* w) {
        const QWindow* own = w->windowHandle();
        if (own && (own->isExposed() || !own->frameMargins().isNull()))
            return own->frameMargins();
        for (const QWidget* other : QApplication::topLevelWidgets()) {
            const QWindow* handle = other->windowHandle();
            if (other != w && handle && handle->isExposed() && !handle->frameMargins().isNull())
                return handle->frameMargins();
        }
        return QMargins();
    }

    // The whole window. Before the window is made its position is the
    // frame's; after, the inner area's, around which the frame lies.
    static QRect outer(const QWidget* w) {
        const QMargins f = frame(w);
        if (!w->windowHandle())
            return QRect(w->geometry().topLeft(), w->size().grownBy(f));
        return w->geometry().marginsAdded(f);
    }

    // Puts the frame's top left corner at p. The widget keeps its own record
    // of the frame, which may lag behind the window system's: the inner area
    // is put where the frame above says.
    static void moveFrame(QWidget* w, const QPoint& p) {
        if (!w->windowHandle()) {
            w->move(p);
            return;
        }
        const QMargins f = frame(w);
        const QPoint inner = p + QPoint(f.left(), f.top());
        const QPoint counted = w->geometry().topLeft() - w->frameGeometry().topLeft();
        w->move(inner - counted);
    }

    // Sets the measures given, in pixels of the outer rectangle.
    void set(const Measures& m) {
        for (size_t i = 0; i < m.size(); ++i) {
            if (m[i] && !m_settled)
                m_wanted[i] = m[i];
        }
        apply(m);
    }
    void set(Measure m, int px) {
        Measures one;
        one[m] = px;
        set(one);
    }

    void fitLater() { m_keepOnScreen = !m_settled; }

    // Moves the window onto the nearest screen when it is not on one.
    void fit() {
        QList<QRect> screens;
        for (const QScreen* s : QGuiApplication::screens())
            screens << s->availableGeometry();
        const QRect now = outer(m_window);
        const QRect fitted = ScreenFit::fitOnScreens(now, screens);
        if (fitted != now)
            apply({fitted.x(), fitted.y(), fitted.width(), fitted.height()});
    }

    std::function<void()> rule;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == m_window) {
            if (type == QEvent::Show && !m_settled && m_window->windowHandle())
                m_window->windowHandle()->installEventFilter(this);
            if ((type == QEvent::Resize || type == QEvent::WindowStateChange) && rule)
                rule();
            if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)
                settle();
        } else if (type == QEvent::Expose) {
            settle();
        }
        return false;
    }

private:
    void apply(const Measures& m) {
        const QMargins f = frame(m_window);
        QSize inner = m_window->size();
        if (m[Width])
            inner.setWidth(std::max(1, *m[Width] - f.left() - f.right()));
        if (m[Height])
            inner.setHeight(std::max(1, *m[Height] - f.top() - f.bottom()));
        if (inner != m_window->size())
            m_window->resize(inner);
        if (m[Left] || m[Top]) {
            const QPoint at = outer(m_window).topLeft();
            moveFrame(m_window, QPoint(m[Left].value_or(at.x()), m[Top].value_or(at.y())));
        }
    }

    // Once the window is on the screen in its frame (the window manager
    // frames it after the window is shown, sometimes after its first
    // showing), what was set before is set again with that frame.
    void settle() {
        QWindow* handle = m_window->windowHandle();
        if (m_settled || !handle || !handle->isExposed() || handle->frameMargins().isNull())
            return;
        m_settled = true;
        handle->removeEventFilter(this);
        if (rule)
            rule();
        apply(m_wanted);
        m_wanted = {};
        if (m_keepOnScreen)
            fit();
        m_keepOnScreen = false;
    }

    QWidget* m_window;
    bool m_settled = false;
    bool m_keepOnScreen = false;
    Measures m_wanted;
};

} // namespace

namespace WindowGeometry {

double outerWidth(const QWidget* w) {
    return Twips::fromPx(Placer::outer(w).width());
}
double outerHeight(const QWidget* w) {
    return Twips::fromPx(Placer::outer(w).height());
}
double left(const QWidget* w) {
    return Twips::fromPx(Placer::outer(w).x());
}
double top(const QWidget* w) {
    return Twips::fromPx(Placer::outer(w).y());
}

void setOuterWidth(QWidget* w, double twips) {
    Placer::make(w)->set(Width, Twips::toPx(twips));
}
void setOuterHeight(QWidget* w, double twips) {
    Placer::make(w)->set(Height, Twips::toPx(twips));
}
void setLeft(QWidget* w, double twips) {
    Placer::make(w)->set(Left, Twips::toPx(twips));
}
void setTop(QWidget* w, double twips) {
    Placer::make(w)->set(Top, Twips::toPx(twips));
}

void place(QWidget* w, const Place& p) {
    const auto px = [](const std::optional<double>& twips) -> std::optional<int> {
        if (!twips)
            return std::nullopt;
        return Twips::toPx(*twips);
    };
    Placer* placer = Placer::make(w);
    placer->set({px(p.left), px(p.top), px(p.width), px(p.height)});
    placer->fit();
    placer->fitLater();
}

void holdWidth(QWidget* w, double widthTwips, double minHeightTwips) {
    const QMargins frame = Placer::frame(w);
    const int innerWidth = std::max(1, Twips::toPx(widthTwips) - frame.left() - frame.right());
    const int minInnerHeight =
        std::max(1, Twips::toPx(minHeightTwips) - frame.top() - frame.bottom());
    if (w->minimumWidth() != innerWidth || w->maximumWidth() != innerWidth)
        w->setFixedWidth(innerWidth);
    if (w->minimumHeight() != minInnerHeight)
        w->setMinimumHeight(minInnerHeight);
    if (w->height() < minInnerHeight)
        w->resize(innerWidth, minInnerHeight);
}

void followResizes(QWidget* w, std::function<void()> rule) {
    Placer::make(w)->rule = std::move(rule);
}

} // namespace WindowGeometry
