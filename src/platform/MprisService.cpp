#include "MprisService.h"

#include "app/frmFiles.h"
#include "playback/MediaPlayer.h"
#include "playback/NextSong.h"
#include "playback/PlayerWindow.h"
#include "playlist/PathNames.h"
#include "tags/ID3.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QItemSelectionModel>
#include <QListView>
#include <QSlider>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

constexpr double kMicro = 1e6;

// A tag field as far as its first NUL, without the blanks that pad it.
QString tagText(const QString& field) {
    const qsizetype nul = field.indexOf(QChar(0));
    return (nul < 0 ? field : field.left(nul)).trimmed();
}

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

MprisService::MprisService(frmFiles& main, QObject* parent)
    : QObject(parent), m_main(main), m_bus(QString()) {
    new MprisRoot(this);
    new MprisPlayer(this);

    connect(&main, &frmFiles::player1Changed, this, &MprisService::followPlayer1);
    // Whatever changes what Next, Previous and Play can do.
    PlaylistModel* model = &main.playlistModel();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, &MprisService::scheduleRefresh);
    connect(model, &QAbstractItemModel::modelReset, this, &MprisService::scheduleRefresh);
    connect(model, &QAbstractItemModel::dataChanged, this, &MprisService::scheduleRefresh);
    connect(main.playlist->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MprisService::scheduleRefresh);
    connect(main.chkLoop, &QCheckBox::stateChanged, this, &MprisService::scheduleRefresh);
    followPlayer1();
    m_shown = snapshot();
}

MprisService::~MprisService() {
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

player* MprisService::player1() const {
    return m_main.player1();
}

bool MprisService::listRun() const {
    const AppState& s = m_main.state();
    return player1() && s.listPlaying && !s.singleSong;
}

QString MprisService::playbackStatus() const {
    player* p = player1();
    if (!p)
        return QStringLiteral("Stopped");
    switch (p->MediaPlayer1->playState()) {
    case MediaPlayer::Playing:
    case MediaPlayer::Buffering:
        return QStringLiteral("Playing");
    case MediaPlayer::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QString MprisService::loopStatus() const {
    if (m_main.loopValue() != 1)
        return QStringLiteral("None");
    return m_main.state().singleSong ? QStringLiteral("Track") : QStringLiteral("Playlist");
}

void MprisService::noteTrack() const {
    player* p = player1();
    const QString path = p ? p->MediaPlayer1->URL() : QString();
    if (path == m_trackPath)
        return;
    m_trackPath = path;
    m_title.clear();
    m_artist.clear();
    if (path.isEmpty())
        return;
    ++m_track;
    ID3::TagRecord tag;
    if (ID3::ReadID3Tag(path, tag)) {
        m_title = tagText(tag.Title);
        m_artist = tagText(tag.Artist);
    }
    if (m_title.isEmpty())
        m_title = PathNames::fileName(path);
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
    const double duration = player1()->MediaPlayer1->duration();
    if (duration > 0)
        m.insert(QStringLiteral("mpris:length"), qlonglong(std::llround(duration * kMicro)));
    return m;
}

double MprisService::volume() const {
    if (player* p = player1())
        return p->MediaPlayer1->volume() / 100.0;
    return m_lastVolume;
}

qlonglong MprisService::position() const {
    if (player* p = player1())
        return qlonglong(std::llround(p->MediaPlayer1->position() * kMicro));
    return 0;
}

bool MprisService::canGoNext() const {
    const AppState& s = m_main.state();
    const PlaylistModel& model = m_main.playlistModel();
    if (listRun())
        return !expectedNextFile({model.entries(), s.currentIndex, m_main.focusedPosition(),
                                  s.listPlaying, s.singleSong, m_main.loopValue()})
                    .isEmpty();
    return !model.text(s.currentIndex + 1).isEmpty();
}

bool MprisService::canGoPrevious() const {
    return !m_main.playlistModel().text(m_main.state().currentIndex - 1).isEmpty();
}

bool MprisService::canPlay() const {
    return player1() || m_main.playlistModel().count() > 0;
}

bool MprisService::canPause() const {
    return player1() != nullptr;
}

bool MprisService::canSeek() const {
    player* p = player1();
    return p && p->MediaPlayer1->duration() > 0;
}

// ---------------------------------------------------------------------------
// Commands

void MprisService::raise() {
    if (m_main.isMinimized())
        m_main.showNormal();
    else
        m_main.show();
    m_main.raise();
    m_main.activateWindow();
}

void MprisService::quit() {
    m_main.close();
}

void MprisService::play() {
    if (player* p = player1()) {
        const int state = p->MediaPlayer1->playState();
        if (state != MediaPlayer::Playing && state != MediaPlayer::Buffering)
            p->MediaPlayer1->play();
        return;
    }
    // An empty playlist would only bring up Play List's message.
    if (m_main.playlistModel().count() > 0)
        m_main.btnPlay_Click();
}

void MprisService::pause() {
    if (player* p = player1())
        p->MediaPlayer1->pause();
}

void MprisService::playPause() {
    if (playbackStatus() == u"Playing")
        pause();
    else
        play();
}

void MprisService::stop() {
    m_main.btnStop_Click();
}

void MprisService::next() {
    if (!canGoNext())
        return;
    AppState& s = m_main.state();
    if (listRun()) {
        // Exactly what the end of the song does.
        s.loadPending = true;
        m_main.remote();
        return;
    }
    m_main.setFocusedPosition(s.currentIndex + 1);
    m_main.btnPlaysong_Click();
}

void MprisService::previous() {
    if (!canGoPrevious())
        return;
    AppState& s = m_main.state();
    const int target = s.currentIndex - 1;
    if (listRun()) {
        // The end of the song as seen from the entry before the one wanted:
        // it deselects the playing entry and steps on to the target. The
        // entry before keeps the selection it had.
        m_main.setSelected(s.currentIndex, false);
        const int before = target - 1;
        const bool keep = m_main.isSelected(before);
        s.currentIndex = before;
        s.loadPending = true;
        m_main.remote();
        if (keep)
            m_main.playlist->selectionModel()->select(m_main.playlistModel().index(before),
                                                      QItemSelectionModel::Select);
        return;
    }
    m_main.setFocusedPosition(target);
    m_main.btnPlaysong_Click();
}

void MprisService::seek(qlonglong offset) {
    if (!canSeek())
        return;
    MediaPlayer* m = player1()->MediaPlayer1;
    const qlonglong length = qlonglong(std::llround(m->duration() * kMicro));
    const qlonglong to = std::max<qlonglong>(0, position() + offset);
    if (to > length) {
        // Past the end: on to the next song, as when this one ends.
        next();
        return;
    }
    m->seek(to / kMicro);
    emit seeked(to);
}

void MprisService::setPosition(const QDBusObjectPath& track, qlonglong to) {
    if (!canSeek() || track != trackId())
        return;
    MediaPlayer* m = player1()->MediaPlayer1;
    if (to < 0 || to > qlonglong(std::llround(m->duration() * kMicro)))
        return;
    m->seek(to / kMicro);
    emit seeked(to);
}

void MprisService::setVolume(double v) {
    player* p = player1();
    if (!p || !std::isfinite(v))
        return;
    p->MediaPlayer1->setVolume(int(std::lround(std::clamp(v, 0.0, 1.0) * 100)));
    scheduleRefresh();
}

// ---------------------------------------------------------------------------
// Keeping the desktop up to date

void MprisService::followPlayer1() {
    player* p = player1();
    if (p != m_player) {
        for (const QMetaObject::Connection& c : m_playerConnections)
            disconnect(c);
        m_playerConnections.clear();
        m_player = p;
        if (p) {
            MediaPlayer* m = p->MediaPlayer1;
            m_playerConnections
                << connect(m, &MediaPlayer::PlayStateChange, this, &MprisService::scheduleRefresh)
                << connect(m, &MediaPlayer::durationChanged, this, &MprisService::scheduleRefresh)
                // Also catches volume changes while playing.
                << connect(m, &MediaPlayer::positionChanged, this, &MprisService::scheduleRefresh);
            // The transport bar's volume slider, for changes while halted.
            if (auto* slider = m->findChild<QSlider*>(QStringLiteral("volumeSlider")))
                m_playerConnections << connect(slider, &QSlider::valueChanged, this,
                                               &MprisService::scheduleRefresh);
        }
    }
    scheduleRefresh();
}

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
    s.length = s.path.isEmpty() ? 0 : metadata().value(QStringLiteral("mpris:length")).toLongLong();
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
    if (player* p = player1())
        m_lastVolume = p->MediaPlayer1->volume() / 100.0;
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
