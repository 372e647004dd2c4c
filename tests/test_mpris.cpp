// The desktop's media controls: the MPRIS interfaces on a private session
// bus of the test's own, driven from a second connection as a desktop panel
// would, with the real main window and the real media component behind them.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "app/frmFiles.h"
#include "platform/MprisService.h"
#include "playback/MediaPlayer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QEventLoop>
#include <QListView>
#include <QProcess>
#include <QThread>
#include <QUrl>
#include <QtTest>

#include <clocale>
#include <memory>
#include <optional>

namespace {

constexpr int kLong = 20000; // ms: a wait, generous on a loaded machine
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QString g_busAddress;

// Values as they come off the bus: nested maps arrive still marshalled.
QVariant plain(const QVariant& v) {
    if (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
        return plain(v.value<QDBusVariant>().variant());
    if (v.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = v.value<QDBusArgument>();
        if (arg.currentSignature() == u"a{sv}") {
            QVariantMap m = qdbus_cast<QVariantMap>(arg);
            for (auto it = m.begin(); it != m.end(); ++it)
                it.value() = plain(it.value());
            return m;
        }
        if (arg.currentSignature() == u"as")
            return qdbus_cast<QStringList>(arg);
    }
    return v;
}

// Runs f on a thread of its own while this thread goes on dispatching
// events: the service answers from this thread, so a blocking call made
// here would wait for itself.
template <class F> auto onClientThread(F f) -> decltype(f()) {
    std::optional<decltype(f())> result;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&] { result = f(); }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    thread->start();
    loop.exec();
    thread->wait();
    return *result;
}

// The desktop's side: a connection of its own to the test's bus.
struct Client {
    QDBusConnection bus =
        QDBusConnection::connectToBus(g_busAddress, QStringLiteral("desktop-panel"));

    // Calls a method and returns the error name, empty when it went well.
    QString call(const QString& interface, const QString& method, const QVariantList& args = {}) {
        return onClientThread([&] {
            QDBusInterface i(MprisService::busName(), MprisService::objectPath(), interface, bus);
            const QDBusMessage reply = i.callWithArgumentList(QDBus::Block, method, args);
            return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
        });
    }
    QString player(const QString& method, const QVariantList& args = {}) {
        return call(kPlayer, method, args);
    }
    QVariant get(const QString& interface, const QString& name) {
        return onClientThread([&] {
            QDBusInterface i(MprisService::busName(), MprisService::objectPath(), kProperties, bus);
            const QDBusMessage reply = i.call(QDBus::Block, QStringLiteral("Get"), interface, name);
            return reply.arguments().isEmpty() ? QVariant() : plain(reply.arguments().first());
        });
    }
    QVariant get(const QString& name) { return get(kPlayer, name); }
    QString set(const QString& name, const QVariant& value) {
        return call(kProperties, QStringLiteral("Set"),
                    {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QString introspect() {
        return onClientThread([&] {
            QDBusInterface i(MprisService::busName(), MprisService::objectPath(),
                             QStringLiteral("org.freedesktop.DBus.Introspectable"), bus);
            const QDBusReply<QString> reply = i.call(QDBus::Block, QStringLiteral("Introspect"));
            return reply.isValid() ? reply.value() : QString();
        });
    }
    bool nameOnBus() {
        return onClientThread(
            [&] { return bool(bus.interface()->isServiceRegistered(MprisService::busName())); });
    }
};

QByteArray id3Tag(const QByteArray& title, const QByteArray& artist) {
    QByteArray tag("TAG");
    auto field = [&tag](const QByteArray& text, int width) {
        tag += text.left(width);
        tag += QByteArray(width - std::min<int>(width, text.size()), '\0');
    };
    field(title, 30);
    field(artist, 30);
    field("Kind of Blue", 30);
    field("1959", 4);
    field(QByteArray(), 30);
    tag += char(8);
    return tag;
}

} // namespace

// Every PropertiesChanged the desktop hears.
class Changes : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> player;

    // The values a property was announced with, in order.
    QVariantList of(const QString& name) const {
        QVariantList out;
        for (const QVariantMap& m : player)
            if (m.contains(name))
                out << m.value(name);
        return out;
    }
    QVariantMap lastMetadata() const {
        const QVariantList all = of(QStringLiteral("Metadata"));
        return all.isEmpty() ? QVariantMap() : all.last().toMap();
    }

public slots:
    void changed(const QString& interface, const QVariantMap& values, const QStringList&) {
        if (interface != kPlayer)
            return;
        QVariantMap m;
        for (auto it = values.begin(); it != values.end(); ++it)
            m.insert(it.key(), plain(it.value()));
        player << m;
    }
};

namespace {

struct Program {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    frmFiles w{state, platform.platform};
    MprisService mpris{w};
    Client desktop;
    Changes changes;
    QStringList files;

    Program() {
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(mpris.start());
        QVERIFY(desktop.bus.isConnected());
        QVERIFY(desktop.bus.connect(QString(), MprisService::objectPath(), kProperties,
                                    QStringLiteral("PropertiesChanged"), &changes,
                                    SLOT(changed(QString, QVariantMap, QStringList))));
    }
    ~Program() { QDBusConnection::disconnectFromBus(desktop.bus.name()); }

    // Songs long enough not to end while a test looks at them; the first
    // carries an ID3v1 tag after its sound.
    void songs(int n, double seconds = 30) {
        for (int i = 0; i < n; ++i) {
            const QString path = env.path(QStringLiteral("t%1.wav").arg(i));
            QByteArray bytes = Tones::wavBytes(seconds, 440.0 + 110 * i, 8000);
            if (i == 0)
                bytes += id3Tag("So What", "Miles Davis");
            writeBytes(path, bytes);
            files << path;
        }
        w.playlistModel().append(files);
    }
    MediaPlayer* media() { return w.player1() ? w.player1()->MediaPlayer1 : nullptr; }
    int playState() { return media() ? media()->playState() : -1; }
    QList<int> selectedRows() {
        QList<int> rows;
        for (int i = 0; i < w.playlistModel().count(); ++i)
            if (w.isSelected(i))
                rows << i;
        return rows;
    }
};

} // namespace

class TestMpris : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void interfacesOnTheBus();
    void withoutBusNothingIsSaid();
    void playPauseAndStop();
    void nextAndPreviousInAListRun();
    void nextAndPreviousAfterPlaySong();
    void seekAndPosition();
    void volume();
    void metadataAndStatusAnnounced();
    void whatCanBeDone();
    void raiseAndQuit();
};

void TestMpris::interfacesOnTheBus() {
    Program p;
    QVERIFY(p.desktop.nameOnBus());
    QCOMPARE(p.mpris.registeredName(), MprisService::busName());
    const QString xml = p.desktop.introspect();
    QVERIFY2(xml.contains(QStringLiteral("<interface name=\"org.mpris.MediaPlayer2\">")),
             qPrintable(xml));
    QVERIFY(xml.contains(QStringLiteral("<interface name=\"org.mpris.MediaPlayer2.Player\">")));
    for (const char* member : {"\"Raise\"", "\"Quit\"", "\"PlayPause\"", "\"Next\"",
                               "\"SetPosition\"", "\"Seeked\"", "\"Metadata\"", "\"Volume\""})
        QVERIFY2(xml.contains(QLatin1String(member)), member);

    QCOMPARE(p.desktop.get(kRoot, "Identity").toString(), QStringLiteral("Jukora"));
    QCOMPARE(p.desktop.get(kRoot, "DesktopEntry").toString(), QStringLiteral("jukora"));
    QCOMPARE(p.desktop.get(kRoot, "CanQuit").toBool(), true);
    QCOMPARE(p.desktop.get(kRoot, "CanRaise").toBool(), true);
    QCOMPARE(p.desktop.get(kRoot, "HasTrackList").toBool(), false);
    QCOMPARE(p.desktop.get("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    QCOMPARE(p.desktop.get("Rate").toDouble(), 1.0);
    QCOMPARE(p.desktop.get("Shuffle").toBool(), false);
    QCOMPARE(p.desktop.get("CanControl").toBool(), true);
    const QVariantMap none = p.desktop.get("Metadata").toMap();
    QCOMPARE(none.value("mpris:trackid").value<QDBusObjectPath>().path(),
             QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

    // A second copy of the program takes a name of its own.
    {
        MprisService second(p.w);
        QVERIFY(second.start(QDBusConnection::connectToBus(g_busAddress, "second copy")));
        QCOMPARE(second.registeredName(), MprisService::busName() + ".instance" +
                                              QString::number(QCoreApplication::applicationPid()));
        QCOMPARE(p.mpris.registeredName(), MprisService::busName());
    }
    QDBusConnection::disconnectFromBus("second copy");
}

void TestMpris::withoutBusNothingIsSaid() {
    static QStringList said;
    said.clear();
    const QtMessageHandler old = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { said << text; });
    {
        TestEnv env;
        ScriptedPlatform platform;
        AppState state;
        frmFiles w{state, platform.platform};
        w.Form_Load();
        MprisService mpris(w);
        const QDBusConnection nowhere = QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/jukora-bus"), QStringLiteral("nowhere"));
        QVERIFY(!mpris.start(nowhere));
        QVERIFY(mpris.registeredName().isEmpty());
        QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
        // Changes made while no bus listens go nowhere, quietly.
        w.playlistModel().append(QStringLiteral("/music/a.wav"));
        QCoreApplication::processEvents();
    }
    qInstallMessageHandler(old);
    QCOMPARE(said, QStringList());
}

void TestMpris::playPauseAndStop() {
    Program p;
    p.songs(2);
    // Nothing open: Play is "Play List".
    QCOMPARE(p.desktop.player("Play"), QString());
    QTRY_VERIFY(p.w.player1());
    QVERIFY(p.state.listPlaying);
    QVERIFY(!p.state.singleSong);
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QCOMPARE(p.media()->URL(), p.files.at(0));
    QTRY_COMPARE(p.desktop.get("PlaybackStatus").toString(), QStringLiteral("Playing"));

    QCOMPARE(p.desktop.player("Pause"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Paused), kLong);
    QTRY_COMPARE(p.desktop.get("PlaybackStatus").toString(), QStringLiteral("Paused"));
    // Player 1 is open and halted: Play goes on with the same song.
    QCOMPARE(p.desktop.player("Play"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QCOMPARE(p.media()->URL(), p.files.at(0));
    QCOMPARE(p.desktop.player("PlayPause"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Paused), kLong);
    QCOMPARE(p.desktop.player("PlayPause"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);

    // Stop is "Stop All": Player 2 closes too.
    p.w.setFocusedPosition(1);
    p.w.btnPlay2_Click();
    QVERIFY(p.w.player2Window());
    QCOMPARE(p.desktop.player("Stop"), QString());
    QTRY_VERIFY(!p.w.player1());
    QVERIFY(!p.w.player2Window());
    QVERIFY(!p.state.listPlaying);
    QCOMPARE(p.desktop.get("PlaybackStatus").toString(), QStringLiteral("Stopped"));
    QVERIFY(p.platform.messages.shown.isEmpty());
}

void TestMpris::nextAndPreviousInAListRun() {
    Program p;
    p.songs(3);
    p.w.btnPlay_Click();
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);

    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_COMPARE(p.state.currentIndex, 1);
    QCOMPARE(p.media()->URL(), p.files.at(1));
    QCOMPARE(p.state.playerFile, p.files.at(1));
    QCOMPARE(p.selectedRows(), QList<int>({1}));
    QVERIFY(p.state.listPlaying);
    QVERIFY(!p.state.singleSong);
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QCOMPARE(p.w.player1()->windowTitle(), QStringLiteral("Player 1: t1.wav"));

    // Previous steps back; an entry the user selected before it keeps its
    // selection.
    p.w.playlist->selectionModel()->select(p.w.playlistModel().index(0),
                                           QItemSelectionModel::Select);
    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_COMPARE(p.state.currentIndex, 2);
    QCOMPARE(p.desktop.player("Previous"), QString());
    QTRY_COMPARE(p.state.currentIndex, 1);
    QCOMPARE(p.media()->URL(), p.files.at(1));
    QCOMPARE(p.selectedRows(), QList<int>({0, 1}));
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);

    // At the top, Previous does nothing.
    QCOMPARE(p.desktop.player("Previous"), QString());
    QTRY_COMPARE(p.state.currentIndex, 0);
    QCOMPARE(p.desktop.get("CanGoPrevious").toBool(), false);
    QCOMPARE(p.desktop.player("Previous"), QString());
    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_COMPARE(p.state.currentIndex, 1);

    // At the last entry without Loop there is no next song and Next does
    // nothing; with Loop the list goes on from the top, as at a song's end.
    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_COMPARE(p.state.currentIndex, 2);
    QTRY_COMPARE(p.desktop.get("CanGoNext").toBool(), false);
    QCOMPARE(p.desktop.player("Next"), QString());
    QCOMPARE(p.desktop.get("PlaybackStatus").toString(), QStringLiteral("Playing"));
    QCOMPARE(p.state.currentIndex, 2);
    QVERIFY(p.w.player1());
    p.w.chkLoop->setCheckState(Qt::Checked);
    QTRY_COMPARE(p.desktop.get("CanGoNext").toBool(), true);
    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_COMPARE(p.state.currentIndex, 0);
    QCOMPARE(p.media()->URL(), p.files.at(0));
    QVERIFY(p.state.listPlaying);
    p.w.btnStop_Click();
}

void TestMpris::nextAndPreviousAfterPlaySong() {
    Program p;
    p.songs(3);
    p.w.setFocusedPosition(1);
    p.w.btnPlaysong_Click();
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    // A single song steps as "Play Song" of the next entry does.
    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_COMPARE(p.state.currentIndex, 2);
    QCOMPARE(p.w.focusedPosition(), 2);
    QCOMPARE(p.media()->URL(), p.files.at(2));
    QVERIFY(p.state.singleSong);
    QCOMPARE(p.desktop.get("CanGoNext").toBool(), false);
    QCOMPARE(p.desktop.player("Previous"), QString());
    QTRY_COMPARE(p.state.currentIndex, 1);
    QCOMPARE(p.media()->URL(), p.files.at(1));
    QVERIFY(p.state.singleSong);

    // With nothing playing, Next plays the entry after the current one.
    p.w.btnStop_Click();
    QVERIFY(!p.w.player1());
    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_VERIFY(p.w.player1());
    QCOMPARE(p.state.currentIndex, 2);
    QCOMPARE(p.media()->URL(), p.files.at(2));
    p.w.btnStop_Click();
}

void TestMpris::seekAndPosition() {
    Program p;
    p.songs(2);
    QSignalSpy seeked(&p.mpris, &MprisService::seeked);
    QCOMPARE(p.desktop.get("CanSeek").toBool(), false);
    p.w.btnPlay_Click();
    QTRY_VERIFY_WITH_TIMEOUT(p.media()->duration() > 0, kLong);
    QTRY_COMPARE(p.desktop.get("CanSeek").toBool(), true);

    QCOMPARE(p.desktop.player("Seek", {qlonglong(10'000'000)}), QString());
    QTRY_VERIFY_WITH_TIMEOUT(p.media()->position() >= 10.0, kLong);
    QCOMPARE(seeked.size(), 1);
    QVERIFY(seeked.first().first().toLongLong() >= 10'000'000);
    QTRY_VERIFY(p.desktop.get("Position").toLongLong() >= 10'000'000);

    // Back, to before the start: the start.
    QCOMPARE(p.desktop.player("Seek", {qlonglong(-60'000'000)}), QString());
    QTRY_VERIFY_WITH_TIMEOUT(p.media()->position() < 10.0, kLong);
    QCOMPARE(seeked.last().first().toLongLong(), 0);

    // SetPosition for the track playing now; another track's id is ignored.
    const QDBusObjectPath track =
        p.desktop.get("Metadata").toMap().value("mpris:trackid").value<QDBusObjectPath>();
    QCOMPARE(p.desktop.player("SetPosition", {QVariant::fromValue(QDBusObjectPath("/org/x/1")),
                                              qlonglong(20'000'000)}),
             QString());
    QCOMPARE(p.desktop.player("SetPosition", {QVariant::fromValue(track), qlonglong(25'000'000)}),
             QString());
    QTRY_VERIFY_WITH_TIMEOUT(p.media()->position() >= 25.0, kLong);
    QCOMPARE(seeked.last().first().toLongLong(), 25'000'000);

    // Past the end: on to the next song.
    QCOMPARE(p.desktop.player("Seek", {qlonglong(60'000'000)}), QString());
    QTRY_COMPARE(p.state.currentIndex, 1);
    QCOMPARE(p.media()->URL(), p.files.at(1));
    p.w.btnStop_Click();
}

void TestMpris::volume() {
    Program p;
    p.songs(1);
    p.w.btnPlay_Click();
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QCOMPARE(p.desktop.get("Volume").toDouble(), p.media()->volume() / 100.0);
    QCOMPARE(p.desktop.set("Volume", 0.25), QString());
    QTRY_COMPARE(p.media()->volume(), 25);
    QTRY_VERIFY(p.changes.of("Volume").contains(0.25));
    QCOMPARE(p.desktop.get("Volume").toDouble(), 0.25);
    // Out of range: held to the ends.
    QCOMPARE(p.desktop.set("Volume", 1.7), QString());
    QTRY_COMPARE(p.media()->volume(), 100);
    // The transport bar's own volume reaches the desktop too.
    p.media()->setVolume(40);
    QTRY_VERIFY(p.changes.of("Volume").contains(0.4));
    p.w.btnStop_Click();
}

void TestMpris::metadataAndStatusAnnounced() {
    Program p;
    p.songs(2);
    QCOMPARE(p.desktop.player("Play"), QString());
    QTRY_VERIFY_WITH_TIMEOUT(p.changes.of("PlaybackStatus").contains("Playing"), kLong);
    QTRY_VERIFY_WITH_TIMEOUT(p.changes.lastMetadata().contains("mpris:length"), kLong);
    QVariantMap m = p.changes.lastMetadata();
    QCOMPARE(m.value("xesam:url").toString(),
             QUrl::fromLocalFile(p.files.at(0)).toString(QUrl::FullyEncoded));
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("So What"));
    QCOMPARE(m.value("xesam:artist").toStringList(), QStringList({"Miles Davis"}));
    QVERIFY(qAbs(m.value("mpris:length").toLongLong() - 30'000'000) < 100'000);
    const QDBusObjectPath first = m.value("mpris:trackid").value<QDBusObjectPath>();
    QVERIFY(first.path().startsWith(u"/org/jukora/Track/"));
    QCOMPARE(p.desktop.get("Metadata").toMap(), m);

    QCOMPARE(p.desktop.player("Pause"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(p.changes.of("PlaybackStatus").last().toString(),
                              QStringLiteral("Paused"), kLong);

    // The next song: a file without a tag is shown by its name.
    QCOMPARE(p.desktop.player("Next"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(p.changes.lastMetadata().value("xesam:url").toString(),
                              QUrl::fromLocalFile(p.files.at(1)).toString(QUrl::FullyEncoded),
                              kLong);
    m = p.changes.lastMetadata();
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("t1.wav"));
    QVERIFY(!m.contains("xesam:artist"));
    QVERIFY(m.value("mpris:trackid").value<QDBusObjectPath>() != first);
    QTRY_COMPARE_WITH_TIMEOUT(p.changes.of("PlaybackStatus").last().toString(),
                              QStringLiteral("Playing"), kLong);

    // Stop All: no track, stopped.
    QCOMPARE(p.desktop.player("Stop"), QString());
    QTRY_COMPARE(p.changes.of("PlaybackStatus").last().toString(), QStringLiteral("Stopped"));
    QTRY_COMPARE(p.changes.lastMetadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
                 QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
}

void TestMpris::whatCanBeDone() {
    Program p;
    // An empty playlist: nothing to play, and Play brings up no message.
    QCOMPARE(p.desktop.get("CanPlay").toBool(), false);
    QCOMPARE(p.desktop.get("CanGoNext").toBool(), false);
    QCOMPARE(p.desktop.player("Play"), QString());
    QCOMPARE(p.desktop.get("CanPlay").toBool(), false);
    QVERIFY(!p.w.player1());
    QVERIFY(p.platform.messages.shown.isEmpty());

    p.songs(3);
    QTRY_VERIFY(p.changes.of("CanPlay").contains(true));
    QCOMPARE(p.desktop.get("CanGoNext").toBool(), true);
    QCOMPARE(p.desktop.get("CanGoPrevious").toBool(), false);
    QCOMPARE(p.desktop.get("CanPause").toBool(), false);
    // A click on the list moves the current entry.
    p.w.setFocusedPosition(2);
    QTRY_VERIFY(p.changes.of("CanGoPrevious").contains(true));
    QCOMPARE(p.desktop.get("CanGoNext").toBool(), false);

    p.w.btnPlay_Click();
    QTRY_VERIFY(p.changes.of("CanPause").contains(true));
    QCOMPARE(p.desktop.get("LoopStatus").toString(), QStringLiteral("None"));
    p.w.chkLoop->setCheckState(Qt::Checked);
    QTRY_VERIFY(p.changes.of("LoopStatus").contains("Playlist"));
    QTRY_VERIFY(p.changes.of("CanGoNext").contains(true));
    p.w.btnStop_Click();
    QTRY_COMPARE(p.changes.of("CanPause").last().toBool(), false);
}

void TestMpris::raiseAndQuit() {
    Program p;
    p.songs(1);
    p.w.showMinimized();
    QTRY_VERIFY(p.w.isMinimized());
    QCOMPARE(p.desktop.call(kRoot, "Raise"), QString());
    QTRY_VERIFY(!p.w.isMinimized());
    QVERIFY(p.w.isVisible());

    p.w.btnPlay_Click();
    QVERIFY(p.w.player1());
    QCOMPARE(p.desktop.call(kRoot, "Quit"), QString());
    QTRY_VERIFY(!p.w.isVisible());
    QVERIFY(!p.w.player1());
    // The normal shutdown saved the playlist.
    QVERIFY(readBytes(p.env.autosaveFile()).contains("t0.wav"));
}

// The bus of the test's own is started before anything in the program can
// reach for a session bus, and ended with the test.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Quit closes the last window; the tests go on after it.
    app.setQuitOnLastWindowClosed(false);
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--print-address"),
                  QStringLiteral("--nofork")});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead()) {
        qCritical("dbus-daemon could not be started");
        return 1;
    }
    g_busAddress = QString::fromLocal8Bit(daemon.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", g_busAddress.toLocal8Bit());
    int result = 0;
    {
        TestMpris tests;
        result = QTest::qExec(&tests, argc, argv);
    }
    QDBusConnection::disconnectFromBus(QDBusConnection::sessionBus().name());
    daemon.kill();
    daemon.waitForFinished();
    return result;
}

#include "test_mpris.moc"
