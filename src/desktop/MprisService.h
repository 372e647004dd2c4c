#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class MediaControl;
class PlaybackController;

// The desktop's media controls (the panel's player widget, the keyboard's
// media keys, playerctl) over D-Bus, as the MPRIS 2 interfaces
// org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at
// /org/mpris/MediaPlayer2. They show and drive Player 1 through the playback
// controller: Play starts "Play List", Stop is "Stop All", Next and Previous
// step through the playlist as a song's end and "Play Song" do.
//
// Commands from the bus run on the next turn of the event loop, so that the
// caller has its answer at once even when a command opens a message box.
class MprisService : public QObject {
    Q_OBJECT
public:
    static QString objectPath() { return QStringLiteral("/org/mpris/MediaPlayer2"); }
    static QString busName() { return QStringLiteral("org.mpris.MediaPlayer2.jukora"); }

    // raise and quit act on the main window.
    MprisService(PlaybackController& playback, std::function<void()> raise,
                 std::function<void()> quit, QObject* parent = nullptr);
    ~MprisService() override;

    // Puts the interfaces on the bus under busName(), or under a name with
    // ".instance" and the process id when another copy holds that one.
    // False, with nothing printed, when there is no bus to talk to.
    bool start(const QDBusConnection& bus = QDBusConnection::sessionBus());
    // The name taken by start(); empty before.
    QString registeredName() const { return m_name; }

    // The Player interface's view of the program.
    QString playbackStatus() const;
    QString loopStatus() const;
    QVariantMap metadata() const;
    QDBusObjectPath trackId() const;
    double volume() const;
    qlonglong position() const; // microseconds
    qlonglong lengthMicro() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;

    // The commands; each runs at once (the bus defers them, see above).
    void raise();
    void quit();
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qlonglong offset);
    void setPosition(const QDBusObjectPath& track, qlonglong position);
    void setVolume(double volume);

    // Runs a command on the next turn of the event loop.
    template <class F> void defer(F f) { QMetaObject::invokeMethod(this, f, Qt::QueuedConnection); }

signals:
    // A seek moved the position (microseconds) other than by playing on.
    void seeked(qlonglong position);

private:
    struct Snapshot {
        QString status;
        QString loop;
        QString path;
        quint64 track = 0;
        qlonglong length = 0;
        double volume = 0;
        bool canGoNext = false;
        bool canGoPrevious = false;
        bool canPlay = false;
        bool canPause = false;
        bool canSeek = false;
    };

    bool player1Open() const;
    MediaControl& engine() const;
    // Notes the file Player 1 holds; a new one gets a new track number.
    void noteTrack() const;
    void scheduleRefresh();
    void refresh();
    Snapshot snapshot() const;
    void emitChanged(const QString& interface, const QVariantMap& changed);
    void writeCover(const QByteArray& picture) const;

    PlaybackController& m_playback;
    std::function<void()> m_raise;
    std::function<void()> m_quit;
    QDBusConnection m_bus;
    QString m_name;
    bool m_refreshQueued = false;
    Snapshot m_shown;
    // The file Player 1 holds, numbered anew each time it changes, and what
    // its tags say.
    mutable QString m_trackPath;
    mutable quint64 m_track = 0;
    mutable QString m_title;
    mutable QString m_artist;
    mutable QString m_album;
    // The track's cover picture, written where the desktop can read it;
    // empty when it has none.
    mutable QString m_artFile;
};
