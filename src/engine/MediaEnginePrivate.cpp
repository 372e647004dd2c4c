// The engine's requests to mpv and how it follows mpv's events.
#include "engine/MediaEngine_p.h"

#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <vector>

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

} // namespace

void MediaEngine::Private::loadCurrent(bool paused) {
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

bool MediaEngine::Private::publish() {
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

void MediaEngine::Private::reportError() {
    if (errorReported)
        return;
    errorReported = true;
    const QString path = url;
    emit q->mediaError(path);
}

void MediaEngine::Private::drain() {
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

void MediaEngine::Private::handle(const mpv_event& e) {
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

void MediaEngine::Private::endFile(int64_t id, int reason) {
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
        } else if (reason == MPV_END_FILE_REASON_ERROR || reason == MPV_END_FILE_REASON_REDIRECT) {
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

void MediaEngine::Private::currentFailed() {
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

void MediaEngine::Private::propertyChanged(uint64_t which, const mpv_event_property& p) {
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

bool MediaEngine::Private::start() {
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
