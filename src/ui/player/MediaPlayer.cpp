#include "ui/player/MediaPlayer.h"

#include "engine/MediaEngine.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace {

QString clock(double seconds) {
    const int s = seconds > 0 && std::isfinite(seconds) ? int(seconds) : 0;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// Double-click and right-click on the picture.
class PictureEvents : public QObject {
public:
    explicit PictureEvents(std::function<void()> doubleClicked, QObject* parent)
        : QObject(parent), m_doubleClicked(std::move(doubleClicked)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_doubleClicked();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_doubleClicked;
};

// Tells when the window really leaves full screen by other means than
// setFullScreen (the desktop, the program calling showNormal).
class WindowStateWatcher : public QObject {
public:
    explicit WindowStateWatcher(std::function<void()> leftFullScreen, QObject* parent)
        : QObject(parent), m_leftFullScreen(std::move(leftFullScreen)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowStateChange && watched->isWidgetType()) {
            const auto* change = static_cast<QWindowStateChangeEvent*>(event);
            const auto* window = static_cast<QWidget*>(watched);
            if ((change->oldState() & Qt::WindowFullScreen) &&
                !(window->windowState() & Qt::WindowFullScreen))
                m_leftFullScreen();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_leftFullScreen;
};

} // namespace

struct MediaPlayer::Private {
    Private(MediaPlayer* owner, MediaEngine& e) : q(owner), engine(e) {}

    MediaPlayer* q;
    MediaEngine& engine;

    // The picture: drawn by the decoder, or a plain black one naming the file.
    QWidget* picture = nullptr;
    QLabel* note = nullptr;

    // The transport bar and the menu.
    QToolButton* playPause = nullptr;
    QToolButton* stopButton = nullptr;
    QSlider* seekSlider = nullptr;
    QLabel* elapsed = nullptr;
    QLabel* total = nullptr;
    QSlider* volumeSlider = nullptr;
    QMenu* menu = nullptr;
    QAction* playPauseAction = nullptr;
    // Made once: each icon the style makes is a new entry of the pixmap
    // cache when drawn, and the bar is updated several times a second.
    QIcon playIcon, pauseIcon;
    // What the play/pause button shows: -1 nothing yet, 0 play, 1 pause.
    int shownPlaying = -1;
    QAction* stopAction = nullptr;
    QAction* fullScreenAction = nullptr;
    QShortcut* escape = nullptr;
    WindowStateWatcher* windowWatcher = nullptr;
    QPointer<QWidget> watchedWindow;
    bool fullScreen = false;
    Qt::WindowStates windowStateBeforeFullScreen;

    // --- the bar --------------------------------------------------------

    bool playingLike() const {
        const int s = engine.playState();
        return s == MediaControl::Playing || s == MediaControl::Buffering;
    }

    void updateBar() {
        if (!playPause)
            return;
        const bool playing = playingLike();
        if (shownPlaying != int(playing)) {
            shownPlaying = int(playing);
            playPause->setIcon(playing ? pauseIcon : playIcon);
            playPause->setToolTip(playing ? MediaPlayer::tr("Pause") : MediaPlayer::tr("Play"));
            playPauseAction->setText(playing ? MediaPlayer::tr("Pause") : MediaPlayer::tr("Play"));
        }
        const int max = int(std::lround(engine.duration() * 1000));
        const QSignalBlocker block(seekSlider);
        seekSlider->setRange(0, std::max(0, max));
        // The thumb is moved when it moves by a pixel or more: a repaint for
        // each of the decoder's position reports (dozens a second) would
        // cost more than the rest of playing.
        const int value = int(std::lround(engine.position() * 1000)), old = seekSlider->value();
        if (!seekSlider->isSliderDown() &&
            (max <= 0 || value < old || qint64(value - old) * seekSlider->width() >= max))
            seekSlider->setValue(value);
        elapsed->setText(clock(engine.position()));
        total->setText(clock(engine.duration()));
        const QSignalBlocker blockVolume(volumeSlider);
        volumeSlider->setValue(engine.volume());
    }

    void build() {
        auto* layout = new QVBoxLayout(q);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);

        // Songs get a plain black picture that names the file; the decoder's
        // own picture comes with the first film or cover picture.
        picture = engine.hasPlayedVideo() ? engine.createPicture(q) : nullptr;
        if (!picture)
            picture = plainPicture();
        setUpPicture();
        layout->addWidget(picture, 1);

        auto* bar = new QWidget(q);
        bar->setObjectName(QStringLiteral("transportBar"));
        auto* row = new QHBoxLayout(bar);
        row->setContentsMargins(4, 2, 4, 2);
        playIcon = q->style()->standardIcon(QStyle::SP_MediaPlay);
        pauseIcon = q->style()->standardIcon(QStyle::SP_MediaPause);
        playPause = new QToolButton(bar);
        playPause->setObjectName(QStringLiteral("playPauseButton"));
        playPause->setAutoRaise(true);
        stopButton = new QToolButton(bar);
        stopButton->setObjectName(QStringLiteral("stopButton"));
        stopButton->setAutoRaise(true);
        stopButton->setIcon(q->style()->standardIcon(QStyle::SP_MediaStop));
        stopButton->setToolTip(MediaPlayer::tr("Stop"));
        elapsed = new QLabel(bar);
        elapsed->setObjectName(QStringLiteral("elapsedLabel"));
        seekSlider = new QSlider(Qt::Horizontal, bar);
        seekSlider->setObjectName(QStringLiteral("seekSlider"));
        seekSlider->setSingleStep(1000);
        seekSlider->setPageStep(10000);
        total = new QLabel(bar);
        total->setObjectName(QStringLiteral("totalLabel"));
        auto* volumeIcon = new QLabel(bar);
        volumeIcon->setPixmap(q->style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
        volumeSlider = new QSlider(Qt::Horizontal, bar);
        volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
        volumeSlider->setRange(0, 100);
        volumeSlider->setValue(engine.volume());
        volumeSlider->setMaximumWidth(90);
        row->addWidget(playPause);
        row->addWidget(stopButton);
        row->addWidget(elapsed);
        row->addWidget(seekSlider, 1);
        row->addWidget(total);
        row->addWidget(volumeIcon);
        row->addWidget(volumeSlider);
        layout->addWidget(bar);

        menu = new QMenu(q);
        playPauseAction = menu->addAction(MediaPlayer::tr("Play"));
        stopAction = menu->addAction(MediaPlayer::tr("Stop"));
        menu->addSeparator();
        fullScreenAction = menu->addAction(MediaPlayer::tr("Full Screen"));
        fullScreenAction->setCheckable(true);

        windowWatcher = new WindowStateWatcher(
            [this] {
                if (!fullScreen)
                    return;
                fullScreen = false;
                escape->setEnabled(false);
                fullScreenAction->setChecked(false);
            },
            q);

        escape = new QShortcut(QKeySequence(Qt::Key_Escape), q);
        escape->setContext(Qt::WindowShortcut);
        escape->setEnabled(false);

        auto togglePlay = [this] {
            if (playingLike())
                engine.pause();
            else
                engine.play();
        };
        QObject::connect(playPause, &QToolButton::clicked, q, togglePlay);
        QObject::connect(playPauseAction, &QAction::triggered, q, togglePlay);
        QObject::connect(stopButton, &QToolButton::clicked, q, [this] { engine.stop(); });
        QObject::connect(stopAction, &QAction::triggered, q, [this] { engine.stop(); });
        QObject::connect(fullScreenAction, &QAction::triggered, q,
                         [this](bool on) { q->setFullScreen(on); });
        QObject::connect(escape, &QShortcut::activated, q, [this] { q->setFullScreen(false); });
        QObject::connect(seekSlider, &QSlider::sliderReleased, q,
                         [this] { engine.seek(seekSlider->value() / 1000.0); });
        QObject::connect(seekSlider, &QSlider::actionTriggered, q, [this](int action) {
            if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
                engine.seek(seekSlider->sliderPosition() / 1000.0);
        });
        QObject::connect(volumeSlider, &QSlider::valueChanged, q,
                         [this](int v) { engine.setVolume(v); });

        updateBar();
    }

    QWidget* plainPicture() {
        auto* plain = new QWidget(q);
        plain->setAutoFillBackground(true);
        QPalette black = plain->palette();
        black.setColor(QPalette::Window, Qt::black);
        black.setColor(QPalette::WindowText, QColor(0xb0, 0xb0, 0xb0));
        plain->setPalette(black);
        auto* inner = new QVBoxLayout(plain);
        note = new QLabel(plain);
        note->setObjectName(QStringLiteral("fileNote"));
        note->setAlignment(Qt::AlignCenter);
        note->setWordWrap(true);
        inner->addWidget(note);
        return plain;
    }

    // What every picture does: a double click for full screen, a right
    // click for the menu.
    void setUpPicture() {
        picture->setObjectName(QStringLiteral("picture"));
        picture->setMinimumSize(64, 48);
        picture->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        picture->setContextMenuPolicy(Qt::CustomContextMenu);
        picture->installEventFilter(
            new PictureEvents([this] { q->setFullScreen(!fullScreen); }, picture));
        QObject::connect(picture, &QWidget::customContextMenuRequested, q, [this](QPoint at) {
            fullScreenAction->setChecked(fullScreen);
            menu->popup(picture->mapToGlobal(at));
        });
    }

    // The decoder's picture in place of the plain one, once there is one to
    // show.
    void showDecoderPicture() {
        if (!note)
            return;
        QWidget* drawn = engine.createPicture(q);
        if (!drawn)
            return;
        QWidget* plain = picture;
        q->layout()->replaceWidget(plain, drawn);
        picture = drawn;
        note = nullptr;
        setUpPicture();
        drawn->show();
        delete plain;
    }

    void showNote() {
        if (note)
            note->setText(QFileInfo(engine.URL()).fileName());
    }
};

MediaPlayer::MediaPlayer(MediaEngine& engine, QWidget* parent)
    : QWidget(parent), d(std::make_unique<Private>(this, engine)) {
    d->build();
    d->showNote();
    auto update = [this] {
        d->updateBar();
        d->showNote();
    };
    connect(&engine, &MediaControl::PlayStateChange, this, update);
    connect(&engine, &MediaControl::positionChanged, this, [this] { d->updateBar(); });
    connect(&engine, &MediaControl::durationChanged, this, [this] { d->updateBar(); });
    connect(&engine, &MediaControl::volumeChanged, this, [this] { d->updateBar(); });
    connect(&engine, &MediaEngine::videoFound, this, [this] { d->showDecoderPicture(); });
}

MediaPlayer::~MediaPlayer() = default;

MediaEngine& MediaPlayer::engine() const {
    return d->engine;
}

bool MediaPlayer::fullScreen() const {
    return d->fullScreen;
}

void MediaPlayer::setFullScreen(bool on) {
    QWidget* w = window();
    if (on && !d->fullScreen) {
        if (d->watchedWindow != w) {
            if (d->watchedWindow)
                d->watchedWindow->removeEventFilter(d->windowWatcher);
            w->installEventFilter(d->windowWatcher);
            d->watchedWindow = w;
        }
        d->windowStateBeforeFullScreen = w->windowState() & ~Qt::WindowFullScreen;
        d->fullScreen = true;
        w->showFullScreen();
    } else if (!on && d->fullScreen) {
        d->fullScreen = false;
        if (d->windowStateBeforeFullScreen & Qt::WindowMaximized)
            w->showMaximized();
        else
            w->showNormal();
    }
    d->escape->setEnabled(d->fullScreen);
    d->fullScreenAction->setChecked(d->fullScreen);
}
