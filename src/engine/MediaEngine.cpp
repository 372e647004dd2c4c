#include "engine/MediaEngine.h"

#include "engine/MpvLibrary.h"
#include "engine/MpvVideoWidget.h"

#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

// How the engine follows the decoder
// ----------------------------------
// Every request goes to mpv asynchronously; mpv carries out the requests of
// one client in the order they were made. Its events are drained on the
// user-interface thread, posted there by the wakeup callback.
//
// mpv's playlist holds at most the current file and the one queued after it.
// Each entry has an id (returned by loadfile, and carried by the start-file
// and end-file events), so events of a file that was replaced meanwhile are
// recognised and ignored. The visible state follows what was asked (play,
// pause, stop) and what became of the current entry (loading, ended at its
// end, failed). MediaEnded is raised from the end-file event of the current
// entry with reason EOF, which mpv sends once per entry, and only while
// playing was asked for.
//
// When the current entry ends and a queued entry was already in mpv's
// playlistView, mpv goes over to it by itself, with the ended file's last
// samples still in the audio output. The engine still shows MediaEnded for
// the ended file, and when setURL then names the queued file, that entry
// simply becomes the current one. Any other file loaded at that moment
// would replace the output's contents and cut the ended song short: the
// queue has to be right before the song ends.

namespace {

const char* const kTimePos = "time-pos";
const char* const kDuration = "duration";
const char* const kPausedForCache = "paused-for-cache";
const char* const kVideoTrack = "vid";

enum Observed : uint64_t { ObsTimePos = 1, ObsDuration, ObsPausedForCache, ObsVideoTrack };

int64_t entryId(const mpv_node& result) {
    if (result.format != MPV_FORMAT_NODE_MAP || !result.u.list)
        return 0;
    const mpv_node_list* map = result.u.list;
    for (int i = 0; i < map->num; ++i) {
        if (qstrcmp(map->keys[i], "playlist_entry_id") == 0 &&
            map->values[i].format == MPV_FORMAT_INT64)
            return map->values[i].u.int64;
    }
    return 0;
}

// A regular file with something in it: anything else cannot play.
bool openable(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.size() > 0;
}

} // namespace

struct MediaEngine::Private {
    enum class Want { Play, Pause, Stop };

    explicit Private(MediaEngine* owner) : q(owner) {}

    MediaEngine* q;
    const MpvLibrary* lib = nullptr; // the loaded library, there whenever mpv is
    mpv_handle* mpv = nullptr;
    bool started = false;
    std::atomic<bool> drainPosted{false};
    QPointer<MpvVideoWidget> video;
    bool hasVideo = false; // a file with a picture has played

    // The current file and the queued one.
    QString url;
    QString queued;
    uint64_t nextToken = 1;
    uint64_t curToken = 0; // loadfile of the current file, awaiting its reply
    int64_t curId = 0;     // its playlist entry, once known
    uint64_t queuedToken = 0;
    int64_t queuedId = 0;
    int64_t queuedEndedId = 0;  // the queued entry played to its end unclaimed
    int64_t playingId = 0;      // the entry mpv has open now
    uint64_t durationToken = 0; // asked for the length of this entry:
    int64_t durationFor = 0;
    bool advancing = false; // the current entry ended; mpv goes on to the queued one

    // What was asked, and what became of the current entry.
    Want want = Want::Stop;
    bool hasFile = false;
    bool loading = false; // opened, not yet loaded
    bool ended = false;   // played to its natural end: MediaEnded
    bool gone = false;    // mpv no longer holds it (ended, failed, stopped)
    bool failed = false;
    bool errorReported = false;
    bool waitingForCache = false;
    bool settling = false; // stopped: positions from before the seek to 0 are stale

    // Shown values.
    int state = Undefined;
    double position = 0;
    double duration = 0;
    double shownPosition = 0;
    double shownDuration = 0;
    int volume = 50;

    // --- requests -------------------------------------------------------

    void command(const QList<QByteArray>& args, uint64_t token = 0) {
        if (!mpv)
            return;
        std::vector<const char*> argv;
        argv.reserve(size_t(args.size()) + 1);
        for (const QByteArray& a : args)
            argv.push_back(a.constData());
        argv.push_back(nullptr);
        lib->command_async(mpv, token, argv.data());
    }

    void setProperty(const char* name, const QByteArray& value) {
        if (!mpv)
            return;
        const char* data = value.constData();
        lib->set_property_async(mpv, 0, name, MPV_FORMAT_STRING, &data);
    }

    static QByteArray local(const QString& path) {
        // An absolute path: mpv never takes it for a URL or an option.
        return QFileInfo(path).absoluteFilePath().toUtf8();
    }

    void loadCurrent(bool paused) {
        setProperty("pause", paused ? "yes" : "no");
        curToken = nextToken++;
        curId = 0;
        command({"loadfile", local(url), "replace"}, curToken);
        loading = true;
        gone = false;
        ended = false;
        failed = false;
        errorReported = false;
        waitingForCache = false;
        settling = false;
        advancing = false;
        queuedEndedId = 0;
        // The replace dropped the queued entry: queue it again.
        queuedId = 0;
        queuedToken = 0;
        if (openable(queued))
            appendQueued();
        position = 0;
        duration = 0;
    }

    void appendQueued() {
        queuedToken = nextToken++;
        queuedId = 0;
        command({"loadfile", local(queued), "append"}, queuedToken);
    }

    void forgetQueued() {
        queued.clear();
        queuedId = 0;
        queuedToken = 0;
        queuedEndedId = 0;
        advancing = false;
    }

    // --- state ----------------------------------------------------------

    int computeState() const {
        if (!hasFile)
            return state == Undefined ? Undefined : Stopped;
        if (failed)
            return Stopped;
        if (ended)
            return MediaEnded;
        switch (want) {
        case Want::Stop:
            return Stopped;
        case Want::Pause:
            return Paused;
        case Want::Play:
            break;
        }
        return loading || waitingForCache ? Buffering : Playing;
    }

    // Emits what changed: the state first, then position and duration.
    // Returns false when the engine went away meanwhile.
    bool publish() {
        QPointer<MediaEngine> self(q);
        const int s = computeState();
        if (s != state) {
            state = s;
            emit q->PlayStateChange(s);
            if (!self)
                return false;
        }
        if (position != shownPosition) {
            shownPosition = position;
            emit q->positionChanged(shownPosition);
            if (!self)
                return false;
        }
        if (duration != shownDuration) {
            shownDuration = duration;
            emit q->durationChanged(shownDuration);
            if (!self)
                return false;
        }
        return true;
    }

    void reportError() {
        if (errorReported)
            return;
        errorReported = true;
        const QString path = url;
        emit q->mediaError(path);
    }

    // --- events ---------------------------------------------------------

    static void onWakeup(void* self) {
        auto* d = static_cast<Private*>(self);
        if (!d->drainPosted.exchange(true))
            QMetaObject::invokeMethod(
                d->q, [d] { d->drain(); }, Qt::QueuedConnection);
    }

    void drain() {
        drainPosted = false;
        QPointer<MediaEngine> self(q);
        // A handler may start a nested event loop that drains further events,
        // or delete the engine: each event is handled before anything is
        // emitted, and the engine is checked after.
        while (self && mpv) {
            mpv_event* e = lib->wait_event(mpv, 0);
            if (!e || e->event_id == MPV_EVENT_NONE)
                break;
            handle(*e);
        }
    }

    void handle(const mpv_event& e) {
        switch (e.event_id) {
        case MPV_EVENT_COMMAND_REPLY: {
            const auto* reply = static_cast<const mpv_event_command*>(e.data);
            const int64_t id = e.error >= 0 && reply ? entryId(reply->result) : 0;
            if (e.reply_userdata == 0)
                return;
            if (e.reply_userdata == curToken) {
                curToken = 0;
                curId = id;
                if (id == 0)
                    currentFailed();
            } else if (e.reply_userdata == queuedToken) {
                queuedToken = 0;
                queuedId = id;
            }
            return;
        }
        case MPV_EVENT_START_FILE: {
            const auto* start = static_cast<const mpv_event_start_file*>(e.data);
            playingId = start ? start->playlist_entry_id : 0;
            return;
        }
        case MPV_EVENT_FILE_LOADED:
            // The observed length may never be reported for a very short
            // file: ask for it.
            if (relevantToPosition()) {
                durationToken = nextToken++;
                durationFor = playingId;
                lib->get_property_async(mpv, durationToken, kDuration, MPV_FORMAT_DOUBLE);
            }
            if (playingId != 0 && playingId == curId && loading) {
                loading = false;
                // Stopped while opening: make sure it rests at the start.
                if (want == Want::Stop)
                    command({"seek", "0", "absolute"});
                publish();
            }
            return;
        case MPV_EVENT_PLAYBACK_RESTART:
            // A seek (or the start) is done: the position is current again.
            settling = false;
            return;
        case MPV_EVENT_GET_PROPERTY_REPLY: {
            const auto* p = static_cast<const mpv_event_property*>(e.data);
            if (e.reply_userdata != durationToken || e.error < 0 || !p ||
                p->format != MPV_FORMAT_DOUBLE)
                return;
            durationToken = 0;
            if (durationFor != 0 && (durationFor == curId || durationFor == queuedId)) {
                duration = std::max(0.0, *static_cast<const double*>(p->data));
                publish();
            }
            return;
        }
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<const mpv_event_end_file*>(e.data);
            if (end)
                endFile(end->playlist_entry_id, end->reason);
            return;
        }
        case MPV_EVENT_PROPERTY_CHANGE: {
            const auto* p = static_cast<const mpv_event_property*>(e.data);
            if (p)
                propertyChanged(e.reply_userdata, *p);
            return;
        }
        default:
            return;
        }
    }

    void endFile(int64_t id, int reason) {
        if (id == playingId)
            playingId = 0;
        if (id == 0)
            return;
        if (id == curId) {
            loading = false;
            gone = true;
            if (reason == MPV_END_FILE_REASON_EOF) {
                // mpv goes over to the queued entry only if it was in the
                // playlist before this end.
                advancing = queuedId != 0;
                if (want == Want::Play) {
                    ended = true;
                    publish();
                } else {
                    // Paused or stopped just as it ended: keep it loaded.
                    loadCurrent(true);
                    publish();
                }
            } else if (reason == MPV_END_FILE_REASON_ERROR ||
                       reason == MPV_END_FILE_REASON_REDIRECT) {
                advancing = queuedId != 0;
                currentFailed();
            } else {
                // Stopped by mpv itself (quit): nothing is loaded any more.
                if (want == Want::Play)
                    want = Want::Stop;
                publish();
            }
            return;
        }
        if (id == queuedId) {
            if (reason == MPV_END_FILE_REASON_EOF)
                queuedEndedId = id;
            else if (reason == MPV_END_FILE_REASON_ERROR || reason == MPV_END_FILE_REASON_REDIRECT)
                queuedId = 0; // setURL will open it anew and report the error
        }
    }

    void currentFailed() {
        loading = false;
        gone = true;
        failed = true;
        want = Want::Stop;
        // mpv may have gone on to the queued file: keep it halted until it is
        // asked for.
        if (advancing)
            setProperty("pause", "yes");
        QPointer<MediaEngine> self(q);
        if (!publish() || !self)
            return;
        reportError();
    }

    bool relevantToPosition() const {
        return playingId != 0 && (playingId == curId || playingId == queuedId);
    }

    void propertyChanged(uint64_t which, const mpv_event_property& p) {
        switch (which) {
        case ObsTimePos:
            if (p.format == MPV_FORMAT_DOUBLE && relevantToPosition() && !settling)
                position = std::max(0.0, *static_cast<const double*>(p.data));
            break;
        case ObsDuration:
            if (p.format == MPV_FORMAT_DOUBLE && relevantToPosition())
                duration = std::max(0.0, *static_cast<const double*>(p.data));
            break;
        case ObsPausedForCache:
            if (p.format == MPV_FORMAT_FLAG)
                waitingForCache = *static_cast<const int*>(p.data) != 0;
            break;
        case ObsVideoTrack:
            // A number while a video track (a film, a cover picture) plays;
            // no value for "no".
            if (p.format == MPV_FORMAT_INT64 && !hasVideo) {
                hasVideo = true;
                emit q->videoFound();
            }
            return;
        default:
            return;
        }
        publish();
    }

    // --- set-up ---------------------------------------------------------

    void setOption(const char* name, const char* value) { setProperty(name, QByteArray(value)); }

    // Opens the library and makes the handle, once. False when there is no
    // decoder: every file then fails as an unplayable one.
    bool start() {
        if (started)
            return mpv != nullptr;
        started = true;
        lib = mpvLibrary();
        if (!lib)
            return false;
        mpv = lib->create();
        if (!mpv)
            return false;
        // None of mpv's own scripts (its on-screen controller, console,
        // statistics, profiles): each is a Lua interpreter on a thread of its
        // own that takes every event, and its heap grows as songs go by.
        for (const char* option : {"load-scripts", "osc", "ytdl", "load-stats-overlay",
                                   "load-osd-console", "load-auto-profiles"})
            lib->set_option_string(mpv, option, "no");
        if (lib->initialize(mpv) < 0) {
            lib->terminate_destroy(mpv);
            mpv = nullptr;
            return false;
        }
        lib->set_wakeup_callback(mpv, &Private::onWakeup, this);
        // JUKORA_AUDIO names the audio output to use (null: none, for tests).
        const QByteArray output = qgetenv("JUKORA_AUDIO");
        // Carried out before any file opens, in this order. The picture
        // switches to the render interface once its widget has a context.
        setOption("vo", "null");
        setOption("hwdec", "no");
        setOption("gpu-hwdec-interop", "no");
        if (!output.isEmpty())
            setProperty("ao", output);
        if (output == "null")
            setOption("audio-buffer", "0.05");
        setOption("audio-fallback-to-null", "yes");
        setOption("audio-client-name", "Jukora");
        setOption("idle", "yes");
        setOption("keep-open", "no");
        setOption("loop-file", "no");
        setOption("loop-playlist", "no");
        setOption("prefetch-playlist", "yes");
        setOption("gapless-audio", "weak");
        setOption("input-default-bindings", "no");
        setOption("input-vo-keyboard", "no");
        setOption("input-cursor", "no");
        setOption("osd-level", "0");
        setOption("keepaspect", "no");
        setOption("volume-max", "100");
        setProperty("volume", QByteArray::number(volume));
        setOption("speed", "1");
        setOption("pause", "no");

        lib->observe_property(mpv, ObsTimePos, kTimePos, MPV_FORMAT_DOUBLE);
        lib->observe_property(mpv, ObsDuration, kDuration, MPV_FORMAT_DOUBLE);
        lib->observe_property(mpv, ObsPausedForCache, kPausedForCache, MPV_FORMAT_FLAG);
        lib->observe_property(mpv, ObsVideoTrack, kVideoTrack, MPV_FORMAT_INT64);
        return true;
    }
};

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
    if (!openable(path))
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
    return openable(path);
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
    const bool usable = openable(path) && d->hasFile && d->start();
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
