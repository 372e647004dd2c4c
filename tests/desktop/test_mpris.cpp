// MPRIS on a private bus, driven as a desktop panel would, over fake players.
#include "support/FakePlayback.h"
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "desktop/MprisService.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QProcess>
#include <QUrl>
#include <QtTest>

#include <limits>

namespace {

const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QString g_busAddress;
const QByteArray kCover = "\x89PNG\r\n\x1a\n a picture";

// Values as they come off the bus: nested maps arrive still marshalled.
QVariant plain(const QVariant& v) {
    if (v.userType() == qMetaTypeId<QDBusVariant>())
        return plain(v.value<QDBusVariant>().variant());
    if (v.userType() != qMetaTypeId<QDBusArgument>())
        return v;
    const QDBusArgument arg = v.value<QDBusArgument>();
    if (arg.currentSignature() == u"as")
        return qdbus_cast<QStringList>(arg);
    QVariantMap m = qdbus_cast<QVariantMap>(arg);
    for (auto it = m.begin(); it != m.end(); ++it)
        it.value() = plain(it.value());
    return m;
}

// An ID3v2.3 tag holding one picture, the front cover.
QByteArray coverTag(const QByteArray& picture) {
    const QByteArray body = QByteArray("\0image/png\0\x03\0", 13) + picture;
    QByteArray tag = QByteArray("ID3\x03\0\0", 6) + QByteArray(4, '\0') + "APIC" +
                     QByteArray(4, '\0') + QByteArray(2, '\0') + body;
    const qsizetype frame = tag.size() - 10;
    for (int i = 0; i < 4; ++i) {
        tag[6 + i] = char((frame >> (21 - 7 * i)) & 0x7f);
        tag[14 + i] = char((body.size() >> (24 - 8 * i)) & 0xff);
    }
    return tag;
}

} // namespace

// The controls on the bus, and a desktop connection recording PropertiesChanged.
class Program : public QObject {
    Q_OBJECT
public:
    TestEnv env;
    FakePlayback f;
    int raised = 0, quit = 0;
    MprisService mpris{f.c, [this] { ++raised; }, [this] { ++quit; }};
    QDBusConnection desktop = QDBusConnection::connectToBus(g_busAddress, "desktop-panel");
    QHash<QString, QVariantList> heard; // each property's announced values
    QStringList files;
    explicit Program(int songs = 0) {
        // The first file carries a cover and an ID3v1 tag around its sound.
        for (int i = 0; i < songs; ++i) {
            files << env.path(QStringLiteral("t%1.mp3").arg(i));
            writeBytes(files.last(), QByteArray(500, 'x'));
        }
        if (songs && Tones::encode(files[0], {"-id3v2_version", "0", "-write_xing", "0"}))
            writeBytes(files[0],
                       coverTag(kCover) + readBytes(files[0]) + id3v1Tag("So What", "Miles Davis"));
        f.model.append(files);
        if (!mpris.start(QDBusConnection::connectToBus(g_busAddress, name())))
            qFatal("no bus");
        desktop.connect(QString(), MprisService::objectPath(), kProperties,
                        QStringLiteral("PropertiesChanged"), this,
                        SLOT(changed(QString, QVariantMap, QStringList)));
    }
    ~Program() override {
        QDBusConnection::disconnectFromBus(desktop.name());
        QDBusConnection::disconnectFromBus(name());
    }
    QString name() const { return QStringLiteral("program%1").arg(quintptr(this)); }
    // A call from the desktop: the reply's first value, or the error's name.
    QVariant send(const QString& interface, const QString& method, const QVariantList& args = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            MprisService::busName(), MprisService::objectPath(), interface, method);
        call.setArguments(args);
        QDBusPendingCallWatcher watcher(desktop.asyncCall(call));
        QEventLoop loop;
        connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const QDBusMessage reply = watcher.reply();
        return reply.type() == QDBusMessage::ErrorMessage ? QVariant(reply.errorName())
               : reply.arguments().isEmpty()              ? QVariant()
                                                          : plain(reply.arguments().first());
    }
    QVariant get(const QString& name) { return send(kProperties, "Get", {kPlayer, name}); }
    QVariant last(const QString& name) const {
        return heard.value(name).value(heard.value(name).size() - 1);
    }

public slots:
    void changed(const QString& interface, const QVariantMap& values, const QStringList&) {
        for (auto it = values.begin(); interface == kPlayer && it != values.end(); ++it)
            heard[it.key()] << plain(it.value());
    }
};

// A Player method called from the desktop; it answers without an error.
#define CALL(p, ...) QCOMPARE((p).send(kPlayer, __VA_ARGS__), QVariant())
#define TRACK(metadata) QVariant(metadata).toMap().value("mpris:trackid").value<QDBusObjectPath>()

class TestMpris : public QObject {
    Q_OBJECT
    QProcess m_bus;

private slots:
    // Started before anything can reach for a session bus.
    void initTestCase() {
        m_bus.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
        QVERIFY2(m_bus.waitForStarted() && m_bus.waitForReadyRead(), "no dbus-daemon");
        g_busAddress = QString::fromLocal8Bit(m_bus.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", g_busAddress.toLocal8Bit());
    }
    void cleanupTestCase() {
        m_bus.kill();
        m_bus.waitForFinished();
    }
    void interfacesOnTheBus() {
        Program p;
        QCOMPARE(p.mpris.registeredName(), MprisService::busName());
        QVariantMap root = p.send(kProperties, "GetAll", {kRoot}).toMap();
        QCOMPARE(QVariantList({root["CanQuit"], root["CanRaise"], root["HasTrackList"],
                               root["Identity"], root["DesktopEntry"], p.get("CanControl")}),
                 QVariantList({true, true, false, "Jukora", "jukora", true}));
        QVERIFY(p.send(kRoot, "Raise").isNull() && p.send(kRoot, "Quit").isNull());
        QTRY_VERIFY(p.raised == 1 && p.quit == 1);
        // An empty playlist: Play brings up no message.
        CALL(p, "Play");
        QVERIFY(!p.f.host.open[0] && p.f.host.messages.isEmpty());
        // A second copy of the program takes a name of its own.
        {
            MprisService second(p.f.c, {}, {});
            QVERIFY(second.start(QDBusConnection::connectToBus(g_busAddress, "second copy")));
            QCOMPARE(second.registeredName(),
                     MprisService::busName() + ".instance" +
                         QString::number(QCoreApplication::applicationPid()));
        }
        QDBusConnection::disconnectFromBus("second copy");
        // Without a bus, changes go nowhere, quietly.
        static QStringList said;
        const QtMessageHandler old = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { said << text; });
        FakePlayback f;
        MprisService mpris(f.c, {}, {});
        QVERIFY(!mpris.start(QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none")));
        f.model.append(QStringLiteral("/music/a.wav"));
        QCoreApplication::processEvents();
        qInstallMessageHandler(old);
        QCOMPARE(said, QStringList());
    }
    void commands() {
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
    void seekAndVolume() {
        Program p(3);
        QSignalSpy seeked(&p.mpris, &MprisService::seeked);
        p.f.c.playList();
        p.f.p1.dur = 30;
        emit p.f.p1.durationChanged(30);
        QTRY_VERIFY(p.get("CanSeek").toBool());
        CALL(p, "Seek", {qlonglong(10'000'000)});
        QVERIFY(p.f.p1.pos == 10.0 && seeked.last().first().toLongLong() == 10'000'000);
        QCOMPARE(p.get("Position").toLongLong(), 10'000'000);
        // Back to before the start, also as far as the type allows: the start.
        CALL(p, "Seek", {qlonglong(-60'000'000)});
        QCOMPARE(p.f.p1.pos, 0.0);
        p.f.p1.pos = 5;
        CALL(p, "Seek", {std::numeric_limits<qlonglong>::min()});
        QCOMPARE(p.f.p1.pos, 0.0);
        // SetPosition for the track playing now; another track's id is ignored.
        const QVariantMap meta = p.get("Metadata").toMap();
        QCOMPARE(meta.value("mpris:length").toLongLong(), 30'000'000);
        const QVariant track = meta.value("mpris:trackid");
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
        QCOMPARE(p.get("Volume").toDouble(), 0.5);
        const QVariant quarter = QVariant::fromValue(QDBusVariant(0.25));
        QCOMPARE(p.send(kProperties, "Set", {kPlayer, "Volume", quarter}), QVariant());
        QVERIFY(p.f.p1.vol == 25 && p.f.p2.vol == 25);
        QTRY_VERIFY(p.heard["Volume"].contains(0.25));
        const QVariant tooLoud = QVariant::fromValue(QDBusVariant(1.7));
        QCOMPARE(p.send(kProperties, "Set", {kPlayer, "Volume", tooLoud}), QVariant());
        QCOMPARE(p.f.state.volume, 100);
        p.f.p2.setVolume(40); // Player 2's slider
        QTRY_VERIFY(p.heard["Volume"].contains(0.4));
    }
    void whatIsShownAndAnnounced() {
        Program p(3);
        QCOMPARE(QVariantList({p.get("PlaybackStatus"), p.get("LoopStatus"), p.get("CanPlay"),
                               p.get("CanGoNext"), p.get("CanGoPrevious"), p.get("CanPause")}),
                 QVariantList({"Stopped", "None", true, true, false, false}));
        // A click on the list moves the current entry.
        p.f.focus(2);
        QTRY_VERIFY(p.heard["CanGoPrevious"].contains(true));
        QCOMPARE(p.get("CanGoNext"), QVariant(false));
        p.f.state.currentIndex = 0;
        CALL(p, "Play");
        QTRY_VERIFY(p.heard["PlaybackStatus"].contains("Playing") &&
                    p.heard["CanPause"].contains(true));
        QVariantMap m = p.get("Metadata").toMap();
        QCOMPARE(QVariantList({m["xesam:url"], m["xesam:title"], m["xesam:artist"]}),
                 QVariantList({QUrl::fromLocalFile(p.files[0]).toString(QUrl::FullyEncoded),
                               "So What", QStringList({"Miles Davis"})}));
        // No length while none is known.
        QVERIFY(TRACK(m).path().startsWith(u"/org/jukora/Track/") && !m.contains("mpris:length"));
        // The cover, where the desktop can read it, for as long as its track plays.
        const QString cover = QUrl(m["mpris:artUrl"].toString()).toLocalFile();
        QVERIFY2(cover.endsWith(".png") && readBytes(cover) == kCover, qPrintable(cover));
        p.f.c.setLoop(1);
        QTRY_VERIFY(p.heard["LoopStatus"].contains("Playlist"));
        // The next song: a file without a tag is shown by its name.
        p.f.p1.finish();
        QTRY_COMPARE(p.last("Metadata").toMap().value("xesam:title").toString(),
                     QStringLiteral("t1.mp3"));
        const QVariantMap next = p.last("Metadata").toMap();
        QVERIFY(!next.contains("xesam:artist") && TRACK(next) != TRACK(m));
        QVERIFY(!next.contains("mpris:artUrl") && !QFile::exists(cover));
        // Stop All: no track, stopped.
        CALL(p, "Stop");
        QTRY_COMPARE(p.last("PlaybackStatus"), QVariant("Stopped"));
        QTRY_COMPARE(TRACK(p.last("Metadata")).path(),
                     QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
        QCOMPARE(p.last("CanPause"), QVariant(false));
    }
};

QTEST_GUILESS_MAIN(TestMpris)
#include "test_mpris.moc"
