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
#include <QDBusInterface>
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
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

QString g_busAddress;

// Values as they come off the bus: nested maps arrive still marshalled.
QVariantMap plain(QVariantMap m);
QVariant plain(const QVariant& v) {
    if (v.userType() == qMetaTypeId<QDBusVariant>())
        return plain(v.value<QDBusVariant>().variant());
    if (v.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = v.value<QDBusArgument>();
        if (arg.currentSignature() == u"as")
            return qdbus_cast<QStringList>(arg);
        if (arg.currentSignature() == u"a{sv}")
            return plain(qdbus_cast<QVariantMap>(arg));
    }
    return v;
}
QVariantMap plain(QVariantMap m) {
    for (auto it = m.begin(); it != m.end(); ++it)
        it.value() = plain(it.value());
    return m;
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

    // The reply's first value, or the error's name.
    QVariant send(const QString& interface, const QString& method, const QVariantList& args = {}) {
        return onClientThread([&] {
            QDBusInterface i(MprisService::busName(), MprisService::objectPath(), interface, bus);
            const QDBusMessage reply = i.callWithArgumentList(QDBus::Block, method, args);
            if (reply.type() == QDBusMessage::ErrorMessage)
                return QVariant(reply.errorName());
            return reply.arguments().isEmpty() ? QVariant() : plain(reply.arguments().first());
        });
    }
    QVariant get(const QString& interface, const QString& name) {
        return send(kProperties, QStringLiteral("Get"), {interface, name});
    }
    QVariant get(const QString& name) { return get(kPlayer, name); }
};

QByteArray id3Tag(const QByteArray& title, const QByteArray& artist) {
    return "TAG" + title.leftJustified(30, '\0') + artist.leftJustified(30, '\0') +
           QByteArray(125 - 60, '\0');
}

} // namespace

// The program with its media controls on the bus, and every
// PropertiesChanged of the Player interface the desktop hears.
class Program : public QObject {
    Q_OBJECT
public:
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    frmFiles w{state, platform.platform};
    MprisService mpris{w};
    Client desktop;
    QList<QVariantMap> heard;
    QStringList files;

    explicit Program(bool onBus = true) {
        w.Form_Load();
        if (!onBus)
            return;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(mpris.start());
        QVERIFY(desktop.bus.connect(QString(), MprisService::objectPath(), kProperties,
                                    QStringLiteral("PropertiesChanged"), this,
                                    SLOT(changed(QString, QVariantMap, QStringList))));
    }
    ~Program() override { QDBusConnection::disconnectFromBus(desktop.bus.name()); }

    // Songs of 30 s, long enough not to end while a test looks at them; the
    // first carries an ID3v1 tag after its sound.
    void songs(int n) {
        for (int i = 0; i < n; ++i) {
            files << env.path(QStringLiteral("t%1.wav").arg(i));
            writeBytes(files.last(), Tones::wavBytes(30, 440.0 + 110 * i, 8000) +
                                         (i == 0 ? id3Tag("So What", "Miles Davis") : ""));
        }
        w.playlistModel().append(files);
    }
    MediaPlayer* media() { return w.player1() ? w.player1()->MediaPlayer1 : nullptr; }
    int playState() { return media() ? media()->playState() : -1; }
    QString url(int i) const {
        return QUrl::fromLocalFile(files.at(i)).toString(QUrl::FullyEncoded);
    }
    // The values a property was announced with, in order.
    QVariantList announced(const QString& name) const {
        QVariantList out;
        for (const QVariantMap& m : heard)
            if (m.contains(name))
                out << m.value(name);
        return out;
    }
    QVariant last(const QString& name) const {
        return announced(name).value(announced(name).size() - 1);
    }

public slots:
    void changed(const QString& interface, const QVariantMap& values, const QStringList&) {
        if (interface == kPlayer)
            heard << plain(values);
    }
};

// A Player method called from the desktop; it answers without an error.
#define CALL(p, ...) QCOMPARE((p).desktop.send(kPlayer, __VA_ARGS__), QVariant())
#define WAIT_STATE(p, s) QTRY_COMPARE_WITH_TIMEOUT((p).playState(), int(MediaPlayer::s), kLong)
// Called, and Player 1 goes on with entry i of the list.
#define STEP(p, method, i)                                                                         \
    do {                                                                                           \
        CALL(p, method);                                                                           \
        QTRY_VERIFY_WITH_TIMEOUT((p).state.currentIndex == i && (p).media() &&                     \
                                     (p).media()->URL() == (p).files.at(i),                        \
                                 kLong);                                                           \
    } while (false)
#define STATUS(p) (p).desktop.get(QStringLiteral("PlaybackStatus")).toString()
#define TRACK(metadata) QVariant(metadata).toMap().value("mpris:trackid").value<QDBusObjectPath>()

class TestMpris : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void interfacesOnTheBus();
    void withoutBusNothingIsSaid();
    void playPauseAndStop();
    void nextAndPrevious();
    void seekAndVolume();
    void metadataAndStatusAnnounced();
    void whatCanBeDone();
    void raiseAndQuit();
};

void TestMpris::interfacesOnTheBus() {
    Program p;
    QCOMPARE(p.mpris.registeredName(), MprisService::busName());
    const QString xml =
        p.desktop.send(QStringLiteral("org.freedesktop.DBus.Introspectable"), "Introspect")
            .toString();
    for (const QString& interface : {kRoot, kPlayer})
        QVERIFY2(xml.contains("<interface name=\"" + interface + "\">"), qPrintable(xml));
    for (const char* member : {"\"Raise\"", "\"PlayPause\"", "\"SetPosition\"", "\"Seeked\""})
        QVERIFY2(xml.contains(QLatin1String(member)), member);
    const QVariantMap root{{"CanQuit", true},
                           {"CanRaise", true},
                           {"HasTrackList", false},
                           {"Identity", "Jukora"},
                           {"DesktopEntry", "jukora"},
                           {"SupportedUriSchemes", QStringList()},
                           {"SupportedMimeTypes", QStringList()}};
    QCOMPARE(p.desktop.send(kProperties, QStringLiteral("GetAll"), {kRoot}), QVariant(root));
    QCOMPARE(STATUS(p), QStringLiteral("Stopped"));
    QCOMPARE(p.desktop.get("CanControl"), QVariant(true));

    // A second copy of the program takes a name of its own.
    {
        MprisService second(p.w);
        QVERIFY(second.start(QDBusConnection::connectToBus(g_busAddress, "second copy")));
        QCOMPARE(second.registeredName(), MprisService::busName() + ".instance" +
                                              QString::number(QCoreApplication::applicationPid()));
    }
    QDBusConnection::disconnectFromBus("second copy");
}

void TestMpris::withoutBusNothingIsSaid() {
    static QStringList said;
    const QtMessageHandler old = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { said << text; });
    {
        Program p(false);
        QVERIFY(!p.mpris.start(QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/jukora-bus"), QStringLiteral("nowhere"))));
        QVERIFY(p.mpris.registeredName().isEmpty());
        QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
        // Changes made while no bus listens go nowhere, quietly.
        p.w.playlistModel().append(QStringLiteral("/music/a.wav"));
        QCoreApplication::processEvents();
    }
    qInstallMessageHandler(old);
    QCOMPARE(said, QStringList());
}

void TestMpris::playPauseAndStop() {
    Program p;
    p.songs(2);
    // Nothing open: Play is "Play List".
    STEP(p, "Play", 0);
    QVERIFY(p.state.listPlaying && !p.state.singleSong);
    QTRY_COMPARE_WITH_TIMEOUT(STATUS(p), QStringLiteral("Playing"), kLong);
    CALL(p, "Pause");
    WAIT_STATE(p, Paused);
    QTRY_COMPARE(STATUS(p), QStringLiteral("Paused"));
    // Player 1 is open and halted: Play goes on with the same song.
    STEP(p, "Play", 0);
    WAIT_STATE(p, Playing);
    CALL(p, "PlayPause");
    WAIT_STATE(p, Paused);
    CALL(p, "PlayPause");
    WAIT_STATE(p, Playing);

    // Stop is "Stop All": Player 2 closes too.
    p.w.setFocusedPosition(1);
    p.w.btnPlay2_Click();
    QVERIFY(p.w.player2Window());
    CALL(p, "Stop");
    QTRY_VERIFY(!p.w.player1());
    QVERIFY(!p.w.player2Window() && !p.state.listPlaying);
    QCOMPARE(STATUS(p), QStringLiteral("Stopped"));
    QVERIFY(p.platform.messages.shown.isEmpty());
}

void TestMpris::nextAndPrevious() {
    Program p;
    p.songs(3);
    p.w.btnPlay_Click();
    WAIT_STATE(p, Playing);
    STEP(p, "Next", 1);
    QVERIFY(!p.w.isSelected(0) && p.w.isSelected(1) && !p.w.isSelected(2));
    QVERIFY(p.state.listPlaying && !p.state.singleSong);
    WAIT_STATE(p, Playing);

    // Previous steps back; an entry the user selected before it keeps its
    // selection. At the top, Previous does nothing.
    p.w.playlist->selectionModel()->select(p.w.playlistModel().index(0),
                                           QItemSelectionModel::Select);
    STEP(p, "Next", 2);
    STEP(p, "Previous", 1);
    QVERIFY(p.w.isSelected(0) && p.w.isSelected(1) && !p.w.isSelected(2));
    WAIT_STATE(p, Playing);
    STEP(p, "Previous", 0);
    CALL(p, "Previous");
    STEP(p, "Next", 1);

    // At the last entry without Loop, Next does nothing; with Loop the list
    // goes on from the top, as at a song's end.
    STEP(p, "Next", 2);
    QTRY_VERIFY(!p.desktop.get("CanGoNext").toBool());
    CALL(p, "Next");
    QCOMPARE(STATUS(p), QStringLiteral("Playing"));
    QCOMPARE(p.state.currentIndex, 2);
    p.w.chkLoop->setCheckState(Qt::Checked);
    QTRY_VERIFY(p.desktop.get("CanGoNext").toBool());
    STEP(p, "Next", 0);
    QVERIFY(p.state.listPlaying);

    // With nothing playing, Next and Previous play the entry beside the
    // current one, as Play Song does.
    p.w.btnStop_Click();
    STEP(p, "Next", 1);
    QVERIFY(p.state.singleSong);
    QCOMPARE(p.w.focusedPosition(), 1);
    STEP(p, "Next", 2);
    STEP(p, "Previous", 1);
    QVERIFY(p.state.singleSong);
    p.w.btnStop_Click();
}

void TestMpris::seekAndVolume() {
    Program p;
    p.songs(2);
    QSignalSpy seeked(&p.mpris, &MprisService::seeked);
    p.w.btnPlay_Click();
    QTRY_VERIFY(p.desktop.get("CanSeek").toBool());
    CALL(p, "Seek", {qlonglong(10'000'000)});
    QTRY_VERIFY_WITH_TIMEOUT(p.media()->position() >= 10.0, kLong);
    QCOMPARE(seeked.size(), 1);
    QVERIFY(seeked.first().first().toLongLong() >= 10'000'000);
    QTRY_VERIFY(p.desktop.get("Position").toLongLong() >= 10'000'000);
    // Back, to before the start: the start.
    CALL(p, "Seek", {qlonglong(-60'000'000)});
    QTRY_VERIFY_WITH_TIMEOUT(p.media()->position() < 10.0, kLong);
    QCOMPARE(seeked.last().first().toLongLong(), 0);
    // SetPosition for the track playing now; another track's id is ignored.
    const QVariant track = p.desktop.get("Metadata").toMap().value("mpris:trackid");
    CALL(p, "SetPosition", {QVariant::fromValue(QDBusObjectPath("/org/x/1")), 20'000'000LL});
    CALL(p, "SetPosition", {track, qlonglong(25'000'000)});
    QTRY_VERIFY_WITH_TIMEOUT(p.media()->position() >= 25.0, kLong);
    QCOMPARE(seeked.last().first().toLongLong(), 25'000'000);

    // The volume both ways, held to its ends.
    const auto setVolume = [&p](double v) {
        return p.desktop.send(kProperties, QStringLiteral("Set"),
                              {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(v))});
    };
    QCOMPARE(p.desktop.get("Volume").toDouble(), 0.5);
    QCOMPARE(setVolume(0.25), QVariant());
    QTRY_COMPARE(p.media()->volume(), 25);
    QTRY_VERIFY(p.announced("Volume").contains(0.25));
    QCOMPARE(setVolume(1.7), QVariant());
    QTRY_COMPARE(p.media()->volume(), 100);
    p.media()->setVolume(40); // the transport bar's
    QTRY_VERIFY(p.announced("Volume").contains(0.4));

    // Past the end: on to the next song.
    CALL(p, "Seek", {qlonglong(60'000'000)});
    QTRY_COMPARE(p.state.currentIndex, 1);
    QCOMPARE(p.media()->URL(), p.files.at(1));
    p.w.btnStop_Click();
}

void TestMpris::metadataAndStatusAnnounced() {
    Program p;
    p.songs(2);
    CALL(p, "Play");
    QTRY_VERIFY_WITH_TIMEOUT(p.announced("PlaybackStatus").contains("Playing"), kLong);
    QTRY_VERIFY_WITH_TIMEOUT(p.last("Metadata").toMap().contains("mpris:length"), kLong);
    QVariantMap m = p.last("Metadata").toMap();
    QCOMPARE(m.value("xesam:url").toString(), p.url(0));
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("So What"));
    QCOMPARE(m.value("xesam:artist").toStringList(), QStringList({"Miles Davis"}));
    QVERIFY(qAbs(m.value("mpris:length").toLongLong() - 30'000'000) < 100'000);
    QVERIFY(TRACK(m).path().startsWith(u"/org/jukora/Track/"));
    QCOMPARE(p.desktop.get("Metadata").toMap(), m);
    CALL(p, "Pause");
    QTRY_COMPARE_WITH_TIMEOUT(p.last("PlaybackStatus"), QVariant("Paused"), kLong);

    // The next song: a file without a tag is shown by its name.
    CALL(p, "Next");
    QTRY_COMPARE_WITH_TIMEOUT(p.last("Metadata").toMap().value("xesam:url").toString(), p.url(1),
                              kLong);
    const QVariantMap next = p.last("Metadata").toMap();
    QCOMPARE(next.value("xesam:title").toString(), QStringLiteral("t1.wav"));
    QVERIFY(!next.contains("xesam:artist"));
    QVERIFY(TRACK(next) != TRACK(m));
    QTRY_COMPARE_WITH_TIMEOUT(p.last("PlaybackStatus"), QVariant("Playing"), kLong);

    // Stop All: no track, stopped.
    CALL(p, "Stop");
    QTRY_COMPARE(p.last("PlaybackStatus"), QVariant("Stopped"));
    QTRY_COMPARE(TRACK(p.last("Metadata")).path(), kNoTrack);
    QCOMPARE(TRACK(p.desktop.get("Metadata")).path(), kNoTrack);
}

void TestMpris::whatCanBeDone() {
    Program p;
    // An empty playlist: nothing to play, and Play brings up no message.
    for (const char* can : {"CanPlay", "CanGoNext", "CanPause", "CanSeek"})
        QVERIFY2(p.desktop.get(can) == QVariant(false), can);
    CALL(p, "Play");
    QCOMPARE(p.desktop.get("CanPlay"), QVariant(false));
    QVERIFY(!p.w.player1() && p.platform.messages.shown.isEmpty());

    p.songs(3);
    QTRY_VERIFY(p.announced("CanPlay").contains(true));
    QCOMPARE(p.desktop.get("CanGoNext"), QVariant(true));
    QCOMPARE(p.desktop.get("CanGoPrevious"), QVariant(false));
    QCOMPARE(p.desktop.get("CanPause"), QVariant(false));
    // A click on the list moves the current entry.
    p.w.setFocusedPosition(2);
    QTRY_VERIFY(p.announced("CanGoPrevious").contains(true));
    QCOMPARE(p.desktop.get("CanGoNext"), QVariant(false));

    p.w.btnPlay_Click();
    QTRY_VERIFY(p.announced("CanPause").contains(true));
    QCOMPARE(p.desktop.get("LoopStatus"), QVariant("None"));
    p.w.chkLoop->setCheckState(Qt::Checked);
    QTRY_VERIFY(p.announced("LoopStatus").contains("Playlist"));
    QTRY_VERIFY(p.announced("CanGoNext").contains(true));
    p.w.btnStop_Click();
    QTRY_COMPARE(p.last("CanPause"), QVariant(false));
}

void TestMpris::raiseAndQuit() {
    Program p;
    p.songs(1);
    p.w.showMinimized();
    QTRY_VERIFY(p.w.isMinimized());
    QCOMPARE(p.desktop.send(kRoot, "Raise"), QVariant());
    QTRY_VERIFY(!p.w.isMinimized() && p.w.isVisible());
    p.w.btnPlay_Click();
    QVERIFY(p.w.player1());
    QCOMPARE(p.desktop.send(kRoot, "Quit"), QVariant());
    QTRY_VERIFY(!p.w.isVisible());
    QVERIFY(!p.w.player1());
    // The normal shutdown saved the playlist.
    QVERIFY(readBytes(p.env.autosaveFile()).contains("t0.wav"));
}

// The bus of the test's own is started before anything in the program can
// reach for a session bus, and ended with the test.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false); // Quit closes the window; the tests go on
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
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
