// The desktop's media controls: the MPRIS interfaces on a private session
// bus of the test's own, driven from a second connection as a desktop panel
// would, over the playback rules with fake players.
#include "support/FakePlayback.h"
#include "support/TestEnv.h"

#include "desktop/MprisService.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusVariant>
#include <QEventLoop>
#include <QProcess>

#include <QThread>
#include <QUrl>
#include <QtTest>
#include <limits>

#include <memory>
#include <optional>

namespace {

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

// The desktop's side: a connection of its own to the test's bus. Its calls
// block on a thread of their own while this one goes on answering them.
struct Client {
    QDBusConnection bus =
        QDBusConnection::connectToBus(g_busAddress, QStringLiteral("desktop-panel"));

    // The reply's first value, or the error's name.
    QVariant send(const QString& interface, const QString& method, const QVariantList& args = {}) {
        std::optional<QVariant> result;
        QEventLoop loop;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            QDBusInterface i(MprisService::busName(), MprisService::objectPath(), interface, bus);
            const QDBusMessage reply = i.callWithArgumentList(QDBus::Block, method, args);
            result = reply.type() == QDBusMessage::ErrorMessage ? QVariant(reply.errorName())
                     : reply.arguments().isEmpty()              ? QVariant()
                                                                : plain(reply.arguments().first());
        }));
        QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        thread->start();
        loop.exec();
        thread->wait();
        return *result;
    }
    QVariant get(const QString& name) {
        return send(kProperties, QStringLiteral("Get"), {kPlayer, name});
    }
};

QByteArray id3Tag(const QByteArray& title, const QByteArray& artist) {
    return "TAG" + title.leftJustified(30, '\0') + artist.leftJustified(30, '\0') +
           QByteArray(125 - 60, '\0');
}

} // namespace

// The rules with their media controls on the bus, and every
// PropertiesChanged of the Player interface the desktop hears.
class Program : public QObject {
    Q_OBJECT
public:
    TestEnv env;
    FakePlayback f;
    int raised = 0, quit = 0;
    MprisService mpris{f.c, [this] { ++raised; }, [this] { ++quit; }};
    Client desktop;
    QList<QVariantMap> heard;
    QStringList files;

    explicit Program(int songs = 0) {
        // Files on disk: the first carries an ID3v1 tag.
        for (int i = 0; i < songs; ++i) {
            files << env.path(QStringLiteral("t%1.mp3").arg(i));
            writeBytes(files.last(),
                       QByteArray(500, 'x') + (i == 0 ? id3Tag("So What", "Miles Davis") : ""));
        }
        f.model.append(files);
        static int count = 0;
        m_connection = QStringLiteral("program%1").arg(++count);
        if (!mpris.start(QDBusConnection::connectToBus(g_busAddress, m_connection)))
            qFatal("no bus");
        desktop.bus.connect(QString(), MprisService::objectPath(), kProperties,
                            QStringLiteral("PropertiesChanged"), this,
                            SLOT(changed(QString, QVariantMap, QStringList)));
    }
    ~Program() override {
        QDBusConnection::disconnectFromBus(desktop.bus.name());
        QDBusConnection::disconnectFromBus(m_connection);
    }
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

    QString m_connection;

public slots:
    void changed(const QString& interface, const QVariantMap& values, const QStringList&) {
        if (interface == kPlayer)
            heard << plain(values);
    }
};

// A Player method called from the desktop; it answers without an error.
#define CALL(p, ...) QCOMPARE((p).desktop.send(kPlayer, __VA_ARGS__), QVariant())
#define STATUS(p) (p).desktop.get(QStringLiteral("PlaybackStatus")).toString()
#define TRACK(metadata) QVariant(metadata).toMap().value("mpris:trackid").value<QDBusObjectPath>()

class TestMpris : public QObject {
    Q_OBJECT
private slots:
    void interfacesOnTheBus();
    void withoutBusNothingIsSaid();
    void commands();
    void seekAndVolume();
    void whatIsShownAndAnnounced();
};

void TestMpris::interfacesOnTheBus() {
    Program p;
    QCOMPARE(p.mpris.registeredName(), MprisService::busName());
    const QVariantMap root{{"CanQuit", true},
                           {"CanRaise", true},
                           {"HasTrackList", false},
                           {"Identity", "Jukora"},
                           {"DesktopEntry", "jukora"},
                           {"SupportedUriSchemes", QStringList()},
                           {"SupportedMimeTypes", QStringList()}};
    QCOMPARE(p.desktop.send(kProperties, QStringLiteral("GetAll"), {kRoot}), QVariant(root));
    QCOMPARE(p.desktop.get("CanControl"), QVariant(true));
    // Raise and Quit act on the main window.
    QCOMPARE(p.desktop.send(kRoot, "Raise"), QVariant());
    QCOMPARE(p.desktop.send(kRoot, "Quit"), QVariant());
    QTRY_VERIFY(p.raised == 1 && p.quit == 1);

    // A second copy of the program takes a name of its own.
    {
        MprisService second(
            p.f.c, [] {}, [] {});
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
        FakePlayback f;
        MprisService mpris(
            f.c, [] {}, [] {});
        QVERIFY(!mpris.start(QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/jukora-bus"), QStringLiteral("nowhere"))));
        QVERIFY(mpris.registeredName().isEmpty());
        QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
        // Changes made while no bus listens go nowhere, quietly.
        f.model.append(QStringLiteral("/music/a.wav"));
        QCoreApplication::processEvents();
    }
    qInstallMessageHandler(old);
    QCOMPARE(said, QStringList());
}

void TestMpris::commands() {
    {
        Program empty;
        // An empty playlist: Play brings up no message.
        CALL(empty, "Play");
        QVERIFY(!empty.f.host.open[0] && empty.f.host.messages.isEmpty());
    }
    Program p(3);
    // Nothing open: Play is "Play List".
    CALL(p, "Play");
    QVERIFY(p.f.host.open[0] && p.f.state.listPlaying && p.f.p1.url == p.files[0]);
    CALL(p, "Pause");
    QCOMPARE(p.f.p1.state, int(MediaControl::Paused));
    CALL(p, "PlayPause");
    QCOMPARE(p.f.p1.state, int(MediaControl::Playing));
    // Next and Previous step through the list as the rules do.
    CALL(p, "Next");
    QCOMPARE(p.f.p1.url, p.files[1]);
    CALL(p, "Previous");
    QCOMPARE(p.f.p1.url, p.files[0]);
    // Stop is "Stop All": Player 2 closes too.
    p.f.focus(1);
    p.f.c.play2Song();
    CALL(p, "Stop");
    QVERIFY(!p.f.host.open[0] && !p.f.host.open[1] && !p.f.state.listPlaying);
}

void TestMpris::seekAndVolume() {
    Program p(3);
    QSignalSpy seeked(&p.mpris, &MprisService::seeked);
    p.f.c.playList();
    p.f.p1.dur = 30;
    emit p.f.p1.durationChanged(30);
    QTRY_VERIFY(p.desktop.get("CanSeek").toBool());
    CALL(p, "Seek", {qlonglong(10'000'000)});
    QCOMPARE(p.f.p1.pos, 10.0);
    QCOMPARE(seeked.last().first().toLongLong(), 10'000'000);
    QCOMPARE(p.desktop.get("Position").toLongLong(), 10'000'000);
    // Back, to before the start: the start, also from as far as the type
    // allows.
    CALL(p, "Seek", {qlonglong(-60'000'000)});
    QCOMPARE(p.f.p1.pos, 0.0);
    p.f.p1.pos = 5;
    CALL(p, "Seek", {std::numeric_limits<qlonglong>::min()});
    QCOMPARE(p.f.p1.pos, 0.0);
    // SetPosition for the track playing now; another track's id is ignored.
    const QVariant track = p.desktop.get("Metadata").toMap().value("mpris:trackid");
    CALL(p, "SetPosition", {QVariant::fromValue(QDBusObjectPath("/org/x/1")), 20'000'000LL});
    QCOMPARE(p.f.p1.pos, 0.0);
    CALL(p, "SetPosition", {track, qlonglong(25'000'000)});
    QCOMPARE(p.f.p1.pos, 25.0);
    // Past the end: on to the next song.
    CALL(p, "Seek", {qlonglong(60'000'000)});
    QCOMPARE(p.f.p1.url, p.files[1]);
    CALL(p, "Seek", {std::numeric_limits<qlonglong>::max()});
    QCOMPARE(p.f.p1.url, p.files[2]);

    // One volume, both ways, held to its ends.
    const auto setVolume = [&p](double v) {
        return p.desktop.send(kProperties, QStringLiteral("Set"),
                              {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(v))});
    };
    QCOMPARE(p.desktop.get("Volume").toDouble(), 0.5);
    QCOMPARE(setVolume(0.25), QVariant());
    QVERIFY(p.f.p1.vol == 25 && p.f.p2.vol == 25);
    QTRY_VERIFY(p.announced("Volume").contains(0.25));
    QCOMPARE(setVolume(1.7), QVariant());
    QCOMPARE(p.f.state.volume, 100);
    p.f.p2.setVolume(40); // Player 2's slider
    QTRY_VERIFY(p.announced("Volume").contains(0.4));
}

void TestMpris::whatIsShownAndAnnounced() {
    Program p(3);
    QCOMPARE(STATUS(p), QStringLiteral("Stopped"));
    QCOMPARE(p.desktop.get("CanPlay"), QVariant(true));
    QCOMPARE(p.desktop.get("CanGoNext"), QVariant(true));
    QCOMPARE(p.desktop.get("CanGoPrevious"), QVariant(false));
    QCOMPARE(p.desktop.get("CanPause"), QVariant(false));
    // A click on the list moves the current entry.
    p.f.focus(2);
    QTRY_VERIFY(p.announced("CanGoPrevious").contains(true));
    QCOMPARE(p.desktop.get("CanGoNext"), QVariant(false));

    p.f.state.currentIndex = 0;
    CALL(p, "Play");
    QTRY_VERIFY(p.announced("PlaybackStatus").contains("Playing"));
    QTRY_VERIFY(p.announced("CanPause").contains(true));
    QVariantMap m = p.desktop.get("Metadata").toMap();
    QCOMPARE(m.value("xesam:url").toString(),
             QUrl::fromLocalFile(p.files[0]).toString(QUrl::FullyEncoded));
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("So What"));
    QCOMPARE(m.value("xesam:artist").toStringList(), QStringList({"Miles Davis"}));
    QVERIFY(TRACK(m).path().startsWith(u"/org/jukora/Track/"));
    QCOMPARE(p.desktop.get("LoopStatus"), QVariant("None"));
    p.f.c.setLoop(1);
    QTRY_VERIFY(p.announced("LoopStatus").contains("Playlist"));

    // The next song: a file without a tag is shown by its name.
    p.f.p1.finish();
    QTRY_COMPARE(p.last("Metadata").toMap().value("xesam:title").toString(),
                 QStringLiteral("t1.mp3"));
    const QVariantMap next = p.last("Metadata").toMap();
    QVERIFY(!next.contains("xesam:artist") && TRACK(next) != TRACK(m));

    // Stop All: no track, stopped.
    CALL(p, "Stop");
    QTRY_COMPARE(p.last("PlaybackStatus"), QVariant("Stopped"));
    QTRY_COMPARE(TRACK(p.last("Metadata")).path(), kNoTrack);
    QCOMPARE(p.last("CanPause"), QVariant(false));
}

// The bus of the test's own is started before anything in the program can
// reach for a session bus, and ended with the test.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
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
    daemon.kill();
    daemon.waitForFinished();
    return result;
}

#include "test_mpris.moc"
