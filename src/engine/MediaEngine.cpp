#include "engine/MediaEngine_p.h"

#include <QThreadPool>

#include <algorithm>
#include <cmath>

MediaEngine::MediaEngine(QObject* parent)
    : MediaControl(parent), d(std::make_unique<Private>(this)) {}

MediaEngine::~MediaEngine() {
    if (!d->mpv)
        return;
    // After this no wakeup call is running or will come; calls already
    // posted go with this object.
    d->lib->set_wakeup_callback(d->mpv, nullptr, nullptr);
    delete d->video.data();
    // Ending mpv waits for its audio output to drain and its threads to
    // stop (some 0.4 s): that is done beside the user-interface thread. The
    // application waits for the pool's threads when it ends.
    mpv_handle* handle = d->mpv;
    d->mpv = nullptr;
    const MpvLibrary* lib = d->lib;
    QThreadPool::globalInstance()->start([lib, handle] { lib->terminate_destroy(handle); });
}

void MediaEngine::preload() {
    preloadMpv();
}

bool MediaEngine::hasPlayedVideo() const {
    return d->hasVideo;
}

QWidget* MediaEngine::createPicture(QWidget* parent) {
    if (!d->start() || !MpvVideoWidget::openGLAvailable())
        return nullptr;
    delete d->video.data();
    d->video = new MpvVideoWidget(
        d->mpv,
        [this](bool ok) {
            // The render context exists: mpv draws there from now on. A file
            // already open got the null output and has its picture set up anew.
            if (ok)
                d->setProperty("vo", "libmpv");
        },
        parent);
    return d->video;
}

bool MediaEngine::setURL(const QString& path, bool autoStart) {
    if (path.isEmpty()) {
        close();
        return true;
    }
    if (!Private::openable(path))
        return false;

    d->hasFile = true;
    if (autoStart && d->mpv && !d->queued.isEmpty() && path == d->queued && d->queuedId != 0 &&
        d->advancing) {
        // mpv has gone (or is going) over to the queued entry by itself.
        d->url = path;
        d->curId = d->queuedId;
        d->curToken = 0;
        const bool endedAlready = d->queuedEndedId == d->curId;
        d->forgetQueued();
        d->want = Private::Want::Play;
        d->loading = false;
        d->failed = false;
        d->errorReported = false;
        d->ended = false;
        d->gone = endedAlready;
        if (d->playingId != d->curId) {
            d->position = 0;
            d->duration = 0;
        }
        d->setProperty("pause", "no");
        if (!d->publish())
            return true;
        if (endedAlready) {
            // It played to its end before it was asked for.
            d->ended = true;
            d->publish();
        }
        return true;
    }

    d->url = path;
    d->want = autoStart ? Private::Want::Play : Private::Want::Stop;
    d->queued.clear();
    if (!d->start()) {
        d->failed = true;
        d->errorReported = false;
        QMetaObject::invokeMethod(
            this,
            [this, path] {
                if (d->url == path && d->failed)
                    d->reportError();
            },
            Qt::QueuedConnection);
        d->publish();
        return true;
    }
    d->loadCurrent(!autoStart);
    d->publish();
    return true;
}

QString MediaEngine::URL() const {
    return d->url;
}

bool MediaEngine::canOpen(const QString& path) const {
    return Private::openable(path);
}

void MediaEngine::play() {
    if (!d->hasFile || d->failed)
        return;
    if (d->gone) {
        // Ended, or mpv went idle: open the same file again from the start.
        d->want = Private::Want::Play;
        d->loadCurrent(false);
        d->publish();
        return;
    }
    if (d->want == Private::Want::Play)
        return;
    d->want = Private::Want::Play;
    d->setProperty("pause", "no");
    d->publish();
}

void MediaEngine::stop() {
    if (!d->hasFile || d->failed) {
        d->want = Private::Want::Stop;
        d->publish();
        return;
    }
    d->want = Private::Want::Stop;
    if (d->gone) {
        d->loadCurrent(true);
    } else {
        d->setProperty("pause", "yes");
        d->command({"seek", "0", "absolute"});
        d->position = 0;
        d->settling = true;
    }
    d->publish();
}

void MediaEngine::pause() {
    if (!d->hasFile || d->failed || d->gone)
        return;
    d->want = Private::Want::Pause;
    d->setProperty("pause", "yes");
    d->publish();
}

void MediaEngine::close() {
    // A file that has played to its end with nothing after it is left to
    // sound out: what the output still holds of it is heard whole.
    const bool queued = !d->queued.isEmpty() || d->queuedId != 0 || d->queuedToken != 0;
    const bool had = queued || (d->hasFile && !d->gone);
    d->forgetQueued();
    d->url.clear();
    d->hasFile = false;
    d->want = Private::Want::Stop;
    d->curId = 0;
    d->curToken = 0;
    d->loading = d->ended = d->failed = false;
    d->gone = true;
    d->position = 0;
    d->duration = 0;
    if (had)
        d->command({"stop"});
    d->publish();
}

int MediaEngine::playState() const {
    return d->state;
}

void MediaEngine::queueNext(const QString& path) {
    if (path == d->queued)
        return;
    const bool hadQueued = !d->queued.isEmpty() || d->queuedId != 0 || d->queuedToken != 0;
    if (d->advancing) {
        // mpv went on to the old queued file, which nobody asked for.
        d->setProperty("pause", "yes");
    }
    d->forgetQueued();
    d->queued = path;
    // A file setURL would refuse is not loaded ahead.
    const bool usable = Private::openable(path) && d->hasFile && d->start();
    // Removes every entry but the one mpv has open, so that nothing but the
    // file queued here can follow it.
    if (hadQueued || usable)
        d->command({"playlist-clear"});
    if (usable)
        d->appendQueued();
}

double MediaEngine::position() const {
    return d->shownPosition;
}

double MediaEngine::duration() const {
    return d->shownDuration;
}

void MediaEngine::seek(double seconds) {
    if (!d->hasFile || d->failed || d->gone || !std::isfinite(seconds))
        return;
    const double to = std::max(0.0, seconds);
    d->command({"seek", QByteArray::number(to, 'f', 3), "absolute"});
}

int MediaEngine::volume() const {
    return d->volume;
}

void MediaEngine::setVolume(int volume) {
    volume = std::clamp(volume, 0, 100);
    if (volume == d->volume)
        return;
    d->volume = volume;
    d->setProperty("volume", QByteArray::number(volume));
    emit volumeChanged(volume);
}
