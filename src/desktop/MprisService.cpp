#include "desktop/MprisService.h"

#include "core/playback/PlaybackController.h"
#include "core/playlist/PathNames.h"
#include "core/playlist/PlaylistModel.h"
#include "core/tags/SongTags.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

constexpr double kMicro = 1e6;

} // namespace

// ---------------------------------------------------------------------------
// The two interfaces. Property and method names are the bus's own.

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit MprisRoot(MprisService* service) : QDBusAbstractAdaptor(service), m_s(service) {}

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Jukora"); }
    QString desktopEntry() const { return QStringLiteral("jukora"); }
    // Nothing is opened from the bus (OpenUri is not offered).
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public slots:
    void Raise() {
        m_s->defer([s = m_s] { s->raise(); });
    }
    void Quit() {
        m_s->defer([s = m_s] { s->quit(); });
    }

private:
    MprisService* m_s;
};

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(bool Shuffle READ shuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayer(MprisService* service) : QDBusAbstractAdaptor(service), m_s(service) {
        connect(service, &MprisService::seeked, this, &MprisPlayer::Seeked);
    }

    QString playbackStatus() const { return m_s->playbackStatus(); }
    QString loopStatus() const { return m_s->loopStatus(); }
    double rate() const { return 1.0; }
    bool shuffle() const { return false; }
    QVariantMap metadata() const { return m_s->metadata(); }
    double volume() const { return m_s->volume(); }
    void setVolume(double v) { m_s->setVolume(v); }
    qlonglong position() const { return m_s->position(); }
    bool canGoNext() const { return m_s->canGoNext(); }
    bool canGoPrevious() const { return m_s->canGoPrevious(); }
    bool canPlay() const { return m_s->canPlay(); }
    bool canPause() const { return m_s->canPause(); }
    bool canSeek() const { return m_s->canSeek(); }
    bool canControl() const { return true; }

public slots:
    void Next() {
        m_s->defer([s = m_s] { s->next(); });
    }
    void Previous() {
        m_s->defer([s = m_s] { s->previous(); });
    }
    void Pause() {
        m_s->defer([s = m_s] { s->pause(); });
    }
    void PlayPause() {
        m_s->defer([s = m_s] { s->playPause(); });
    }
    void Stop() {
        m_s->defer([s = m_s] { s->stop(); });
    }
    void Play() {
        m_s->defer([s = m_s] { s->play(); });
    }
    void Seek(qlonglong Offset) {
        m_s->defer([s = m_s, Offset] { s->seek(Offset); });
    }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
        m_s->defer([s = m_s, TrackId, Position] { s->setPosition(TrackId, Position); });
    }
    // Required by the interface; nothing is opened from the bus.
    void OpenUri(const QString& Uri) { Q_UNUSED(Uri) }

signals:
    void Seeked(qlonglong Position);

private:
    MprisService* m_s;
};

// ---------------------------------------------------------------------------
// The service

MprisService::MprisService(PlaybackController& playback, std::function<void()> raise,
                           std::function<void()> quit, QObject* parent)
    : QObject(parent), m_playback(playback), m_raise(std::move(raise)), m_quit(std::move(quit)),
      m_bus(QString()) {
    new MprisRoot(this);
    new MprisPlayer(this);

    // Whatever changes what the desktop shows or can do.
    connect(&playback, &PlaybackController::changed, this, &MprisService::scheduleRefresh);
    connect(&playback, &PlaybackController::loopChanged, this, &MprisService::scheduleRefresh);
    connect(&playback, &PlaybackController::volumeChanged, this, &MprisService::scheduleRefresh);
    MediaControl* m = &engine();
    connect(m, &MediaControl::PlayStateChange, this, &MprisService::scheduleRefresh);
    connect(m, &MediaControl::durationChanged, this, &MprisService::scheduleRefresh);
    m_shown = snapshot();
}

MprisService::~MprisService() {
    if (!m_artFile.isEmpty())
        QFile::remove(m_artFile);
    if (m_name.isEmpty())
        return;
    m_bus.unregisterObject(objectPath());
    m_bus.unregisterService(m_name);
}

bool MprisService::start(const QDBusConnection& bus) {
    if (!m_name.isEmpty() || !bus.isConnected())
        return false;
    m_bus = bus;
    if (!m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors))
        return false;
    QString name = busName();
    if (!m_bus.registerService(name)) {
        name += QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
        if (!m_bus.registerService(name)) {
            m_bus.unregisterObject(objectPath());
            return false;
        }
    }
    m_name = name;
    m_shown = snapshot();
    return true;
}

// ---------------------------------------------------------------------------
// What the bus sees

bool MprisService::player1Open() const {
    return m_playback.host().isPlayerOpen(1);
}

MediaControl& MprisService::engine() const {
    return m_playback.engine(1);
}

QString MprisService::playbackStatus() const {
    if (!player1Open())
        return QStringLiteral("Stopped");
    switch (engine().playState()) {
    case MediaControl::Playing:
    case MediaControl::Buffering:
        return QStringLiteral("Playing");
    case MediaControl::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QString MprisService::loopStatus() const {
    if (m_playback.loop() != 1)
        return QStringLiteral("None");
    return m_playback.state().singleSong ? QStringLiteral("Track") : QStringLiteral("Playlist");
}

void MprisService::noteTrack() const {
    const QString path = player1Open() ? engine().URL() : QString();
    if (path == m_trackPath)
        return;
    m_trackPath = path;
    m_title.clear();
    m_artist.clear();
    m_album.clear();
    if (!m_artFile.isEmpty())
        QFile::remove(m_artFile);
    m_artFile.clear();
    if (path.isEmpty())
        return;
    ++m_track;
    const Tags::SongTags tags = Tags::readSongTags(path);
    m_title = tags.title.trimmed();
    m_artist = tags.artist.trimmed();
    m_album = tags.album.trimmed();
    if (m_title.isEmpty())
        m_title = PathNames::fileName(path);
    writeCover(Tags::readCoverPicture(path));
}

void MprisService::writeCover(const QByteArray& picture) const {
    if (picture.isEmpty())
        return;
    // A name of its own for each track: the desktop keeps pictures by their
    // address.
    const QString ending = picture.startsWith("\x89PNG") ? QStringLiteral("png")
                           : picture.startsWith("GIF8")  ? QStringLiteral("gif")
                                                         : QStringLiteral("jpg");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString file = folder + QStringLiteral("/jukora-cover-%1-%2.%3")
                                      .arg(QCoreApplication::applicationPid())
                                      .arg(m_track)
                                      .arg(ending);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (out.write(picture) == picture.size() && out.flush())
        m_artFile = file;
    else
        out.remove();
}

QDBusObjectPath MprisService::trackId() const {
    noteTrack();
    if (m_trackPath.isEmpty())
        return QDBusObjectPath(kNoTrack);
    return QDBusObjectPath(QStringLiteral("/org/jukora/Track/%1").arg(m_track));
}

QVariantMap MprisService::metadata() const {
    noteTrack();
    if (m_trackPath.isEmpty())
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId())}};
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()));
    m.insert(QStringLiteral("xesam:url"),
             QUrl::fromLocalFile(m_trackPath).toString(QUrl::FullyEncoded));
    m.insert(QStringLiteral("xesam:title"), m_title);
    if (!m_artist.isEmpty())
        m.insert(QStringLiteral("xesam:artist"), QStringList{m_artist});
    if (!m_album.isEmpty())
        m.insert(QStringLiteral("xesam:album"), m_album);
    if (const qlonglong length = lengthMicro(); length > 0)
        m.insert(QStringLiteral("mpris:length"), length);
    if (!m_artFile.isEmpty())
        m.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(m_artFile).toString());
    return m;
}

double MprisService::volume() const {
    return m_playback.volume() / 100.0;
}

qlonglong MprisService::lengthMicro() const {
    return qlonglong(std::llround(engine().duration() * kMicro));
}

qlonglong MprisService::position() const {
    return player1Open() ? qlonglong(std::llround(engine().position() * kMicro)) : 0;
}

bool MprisService::canGoNext() const {
    return m_playback.canGoNext();
}

bool MprisService::canGoPrevious() const {
    return m_playback.canGoPrevious();
}

bool MprisService::canPlay() const {
    return player1Open() || m_playback.entryCount() > 0;
}

bool MprisService::canPause() const {
    return player1Open();
}

bool MprisService::canSeek() const {
    return player1Open() && engine().duration() > 0;
}

// ---------------------------------------------------------------------------
// Commands

void MprisService::raise() {
    m_raise();
}

void MprisService::quit() {
    m_quit();
}

void MprisService::play() {
    if (player1Open()) {
        const int state = engine().playState();
        if (state != MediaControl::Playing && state != MediaControl::Buffering)
            engine().play();
        return;
    }
    // An empty playlist would only bring up Play List's message.
    if (canPlay())
        m_playback.playList();
}

void MprisService::pause() {
    if (player1Open())
        engine().pause();
}

void MprisService::playPause() {
    if (playbackStatus() == u"Playing")
        pause();
    else
        play();
}

void MprisService::stop() {
    m_playback.stopAll();
}

void MprisService::next() {
    m_playback.next();
}

void MprisService::previous() {
    m_playback.previous();
}

void MprisService::seek(qlonglong offset) {
    if (!canSeek())
        return;
    // Compared before it is added: an offset as large as the type allows
    // does not wrap around to a place in the song.
    const qlonglong here = position();
    if (offset > lengthMicro() - here) {
        // Past the end: on to the next song, as when this one ends.
        next();
        return;
    }
    const qlonglong to = std::max<qlonglong>(0, here + offset);
    engine().seek(to / kMicro);
    emit seeked(to);
}

void MprisService::setPosition(const QDBusObjectPath& track, qlonglong to) {
    if (!canSeek() || track != trackId())
        return;
    if (to < 0 || to > lengthMicro())
        return;
    engine().seek(to / kMicro);
    emit seeked(to);
}

void MprisService::setVolume(double v) {
    if (std::isfinite(v))
        m_playback.setVolume(int(std::lround(std::clamp(v, 0.0, 1.0) * 100)));
}

// ---------------------------------------------------------------------------
// Keeping the desktop up to date

void MprisService::scheduleRefresh() {
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    // Once the command that caused it is done, so that a run of changes
    // reaches the desktop as one.
    QMetaObject::invokeMethod(this, &MprisService::refresh, Qt::QueuedConnection);
}

MprisService::Snapshot MprisService::snapshot() const {
    Snapshot s;
    s.status = playbackStatus();
    s.loop = loopStatus();
    noteTrack();
    s.path = m_trackPath;
    s.track = m_track;
    s.length = s.path.isEmpty() ? 0 : lengthMicro();
    s.volume = volume();
    s.canGoNext = canGoNext();
    s.canGoPrevious = canGoPrevious();
    s.canPlay = canPlay();
    s.canPause = canPause();
    s.canSeek = canSeek();
    return s;
}

void MprisService::refresh() {
    m_refreshQueued = false;
    const Snapshot now = snapshot();
    QVariantMap changed;
    if (now.status != m_shown.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.loop != m_shown.loop)
        changed.insert(QStringLiteral("LoopStatus"), now.loop);
    if (now.path != m_shown.path || now.track != m_shown.track || now.length != m_shown.length)
        changed.insert(QStringLiteral("Metadata"), metadata());
    if (now.volume != m_shown.volume)
        changed.insert(QStringLiteral("Volume"), now.volume);
    const std::pair<const char*, bool Snapshot::*> flags[] = {
        {"CanGoNext", &Snapshot::canGoNext}, {"CanGoPrevious", &Snapshot::canGoPrevious},
        {"CanPlay", &Snapshot::canPlay},     {"CanPause", &Snapshot::canPause},
        {"CanSeek", &Snapshot::canSeek},
    };
    for (const auto& [name, flag] : flags) {
        if (now.*flag != m_shown.*flag)
            changed.insert(QLatin1String(name), now.*flag);
    }
    m_shown = now;
    if (!changed.isEmpty())
        emitChanged(kPlayerInterface, changed);
}

void MprisService::emitChanged(const QString& interface, const QVariantMap& changed) {
    if (m_name.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(objectPath(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    m_bus.send(signal);
}

#include "MprisService.moc"
