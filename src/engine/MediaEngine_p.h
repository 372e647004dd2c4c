#pragma once

#include "engine/MediaEngine.h"
#include "engine/MpvLibrary.h"
#include "engine/MpvVideoWidget.h"

#include <QFileInfo>
#include <QPointer>

#include <atomic>
#include <cstdint>

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
// playlist, mpv goes over to it by itself, with the ended file's last
// samples still in the audio output. The engine still shows MediaEnded for
// the ended file, and when setURL then names the queued file, that entry
// simply becomes the current one. Any other file loaded at that moment
// would replace the output's contents and cut the ended song short: the
// queue has to be right before the song ends.

struct MediaEngine::Private {
    enum class Want { Play, Pause, Stop };

    explicit Private(MediaEngine* owner) : q(owner) {}

    // A regular file with something in it: anything else cannot play.
    static bool openable(const QString& path) {
        const QFileInfo info(path);
        return !path.isEmpty() && info.isFile() && info.size() > 0;
    }

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

    void loadCurrent(bool paused);

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
    bool publish();

    void reportError();

    // --- events ---------------------------------------------------------

    static void onWakeup(void* self) {
        auto* d = static_cast<Private*>(self);
        if (!d->drainPosted.exchange(true))
            QMetaObject::invokeMethod(
                d->q, [d] { d->drain(); }, Qt::QueuedConnection);
    }

    void drain();

    void handle(const mpv_event& e);

    void endFile(int64_t id, int reason);

    void currentFailed();

    bool relevantToPosition() const {
        return playingId != 0 && (playingId == curId || playingId == queuedId);
    }

    void propertyChanged(uint64_t which, const mpv_event_property& p);

    // --- set-up ---------------------------------------------------------

    void setOption(const char* name, const char* value) { setProperty(name, QByteArray(value)); }

    // Opens the library and makes the handle, once. False when there is no
    // decoder: every file then fails as an unplayable one.
    bool start();
};
