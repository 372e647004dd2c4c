// The media player component over a real libmpv, playing tones written by
// the test itself. Runs under the offscreen platform with JUKORA_AUDIO=null;
// the video case runs only on a real display (xcb, under Xvfb).
#include "support/Tones.h"

#include "playback/MediaPlayer.h"

#include <QGuiApplication>
#include <QLabel>
#include <QOpenGLWidget>
#include <QPointer>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <clocale>
#include <memory>

namespace {

// Waits for the decoder, never for speed.
constexpr int kLong = 15000;

int countOf(const QSignalSpy& spy, int state) {
    int n = 0;
    for (const QList<QVariant>& args : spy) {
        if (args.at(0).toInt() == state)
            ++n;
    }
    return n;
}

QList<int> states(const QSignalSpy& spy) {
    QList<int> out;
    for (const QList<QVariant>& args : spy)
        out.append(args.at(0).toInt());
    return out;
}

// Every value reported by positionChanged.
struct Positions {
    QList<double> values;
    QMetaObject::Connection connection;
    explicit Positions(MediaPlayer& p) {
        connection = QObject::connect(&p, &MediaPlayer::positionChanged,
                                      [this](double s) { values.append(s); });
    }
    ~Positions() { QObject::disconnect(connection); }
};

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    // The end of a file
    void endsOnceAtNaturalEnd();
    void stopNeverReadsAsEnded();
    void newUrlMidPlayNeverReadsAsEnded();
    void playAfterEndPlaysAgain();

    // Stop, pause, play
    void stopKeepsFileAtStart();
    void loadAndHalt();
    void pauseHolds();

    // Files that do not play
    void missingFileRefused();
    void notMediaReportsErrorOnce();

    // The next file
    void gaplessHandover();
    void handoverFromEndHandler();
    void otherFileReplacesQueued();
    void droppedQueueDoesNotFollow();
    void queuedFileEndsUnclaimed();
    void stopAfterEndWithQueuedFile();

    // The widget
    void transportBarAndVolume();
    void fullScreenFlag();
    void destroyedWhilePlaying();
    void destroyedWithEventsQueued();
    void destroyedFromItsOwnSignal();

    // The picture (xcb only)
    void videoFrameDrawn();

private:
    std::unique_ptr<Tones> m_tones;
};

void TestMediaPlayer::initTestCase() {
    // As main() does: libmpv reads numbers in the C locale.
    std::setlocale(LC_NUMERIC, "C");
    m_tones = std::make_unique<Tones>();
    QVERIFY(m_tones->isValid());
}

void TestMediaPlayer::endsOnceAtNaturalEnd() {
    const QString a = m_tones->tone(QStringLiteral("short.wav"), 0.3);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QSignalSpy errors(&p, &MediaPlayer::mediaError);
    QCOMPARE(p.playState(), int(MediaPlayer::Undefined));
    QVERIFY(p.setURL(a));
    QCOMPARE(p.URL(), a);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QVERIFY2(states(spy).contains(MediaPlayer::Playing), qPrintable(QTest::toString(states(spy))));
    QTest::qWait(1500);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(errors.count(), 0);
    // Every emission is a change.
    const QList<int> seen = states(spy);
    for (int i = 1; i < seen.size(); ++i)
        QVERIFY(seen[i] != seen[i - 1]);
}

void TestMediaPlayer::stopNeverReadsAsEnded() {
    const QString a = m_tones->tone(QStringLiteral("stopme.wav"), 1.0);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    p.stop();
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    // Had the stop not halted it, the tone would have ended by now.
    QTest::qWait(2000);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 0);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
}

void TestMediaPlayer::newUrlMidPlayNeverReadsAsEnded() {
    const QString a = m_tones->tone(QStringLiteral("first.wav"), 1.0);
    const QString b = m_tones->tone(QStringLiteral("second.wav"), 0.3, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.duration() - 1.0) < 0.05, kLong);
    QSignalSpy durations(&p, &MediaPlayer::durationChanged);
    QVERIFY(p.setURL(b));
    QCOMPARE(p.URL(), b);
    // b ends once; a, replaced, never does.
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QTest::qWait(1500);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
    // Nothing of a shows after the switch (b is too short for its own length
    // to be sure to arrive).
    for (const QList<QVariant>& args : durations)
        QVERIFY(qAbs(args.at(0).toDouble() - 1.0) > 0.05);
    QVERIFY(qAbs(p.duration() - 1.0) > 0.05);
}

void TestMediaPlayer::playAfterEndPlaysAgain() {
    const QString a = m_tones->tone(QStringLiteral("again.wav"), 0.3);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    // Nothing follows a file that ends with nothing queued.
    QTest::qWait(500);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    spy.clear();
    p.play();
    QVERIFY(p.playState() != MediaPlayer::MediaEnded);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QVERIFY2(states(spy).contains(MediaPlayer::Playing), qPrintable(QTest::toString(states(spy))));
    QCOMPARE(p.URL(), a);
}

void TestMediaPlayer::stopKeepsFileAtStart() {
    const QString a = m_tones->tone(QStringLiteral("one-second.wav"), 1.0);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, kLong);
    p.stop();
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QTRY_COMPARE_WITH_TIMEOUT(p.position(), 0.0, kLong);
    QTest::qWait(700);
    QCOMPARE(p.position(), 0.0);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(p.URL(), a);
    // Still loaded: the length is known.
    QVERIFY(qAbs(p.duration() - 1.0) < 0.05);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 0);

    // Play after stop plays from the start to the end.
    Positions positions(p);
    p.play();
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QList<double> moving;
    for (double s : positions.values) {
        if (s > 0)
            moving.append(s);
    }
    QVERIFY(!moving.isEmpty());
    QVERIFY2(moving.first() < 0.3, qPrintable(QTest::toString(moving)));
}

void TestMediaPlayer::loadAndHalt() {
    // Player 2 cues a file this way: loaded, at its start, not playing.
    const QString a = m_tones->tone(QStringLiteral("cued.wav"), 1.0);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.stop();
    p.pause();
    QCOMPARE(p.playState(), int(MediaPlayer::Paused));
    QTRY_VERIFY_WITH_TIMEOUT(p.duration() > 0.9, kLong);
    QTest::qWait(1500);
    QCOMPARE(p.position(), 0.0);
    QCOMPARE(p.playState(), int(MediaPlayer::Paused));
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 0);
    QVERIFY(!states(spy).contains(MediaPlayer::Playing));
    p.stop();
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(p.position(), 0.0);

    // And it plays when asked.
    p.play();
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
}

void TestMediaPlayer::pauseHolds() {
    const QString a = m_tones->tone(QStringLiteral("pause.wav"), 1.0);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.1, kLong);
    p.pause();
    QCOMPARE(p.playState(), int(MediaPlayer::Paused));
    QTest::qWait(300); // what was on its way has arrived
    const double at = p.position();
    QTest::qWait(1500);
    QCOMPARE(p.position(), at);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 0);
    p.play();
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
}

void TestMediaPlayer::missingFileRefused() {
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QSignalSpy errors(&p, &MediaPlayer::mediaError);
    QVERIFY(!p.setURL(m_tones->path(QStringLiteral("nowhere.mp3"))));
    QVERIFY(!p.setURL(m_tones->path(QString())));
    QVERIFY(!p.setURL(QString()));
    QCOMPARE(p.playState(), int(MediaPlayer::Undefined));
    QCOMPARE(p.URL(), QString());
    QTest::qWait(300);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(errors.count(), 0);

    // A refused file leaves the playing one alone.
    const QString a = m_tones->tone(QStringLiteral("still.wav"), 1.0);
    QVERIFY(p.setURL(a));
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QVERIFY(!p.setURL(m_tones->path(QStringLiteral("nowhere.mp3"))));
    QCOMPARE(p.URL(), a);
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
}

void TestMediaPlayer::notMediaReportsErrorOnce() {
    const QString bad =
        m_tones->file(QStringLiteral("letter.mp3"),
                      QByteArray("Dear friend,\nthis is not a song at all.\n").repeated(40));
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QSignalSpy errors(&p, &MediaPlayer::mediaError);
    QVERIFY(p.setURL(bad));
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, kLong);
    QCOMPARE(errors.at(0).at(0).toString(), bad);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QTest::qWait(1000);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 0);
    QVERIFY(!states(spy).contains(MediaPlayer::Playing));
    // Play does not bring it back to life.
    p.play();
    QTest::qWait(500);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));

    // The next good file plays as usual.
    const QString a = m_tones->tone(QStringLiteral("good.wav"), 0.3);
    QVERIFY(p.setURL(a));
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QCOMPARE(errors.count(), 1);
}

void TestMediaPlayer::gaplessHandover() {
    const QString a = m_tones->tone(QStringLiteral("gap-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("gap-b.wav"), 2.0, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    QCOMPARE(p.queuedNext(), b);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(p.URL(), a);

    // mpv went on to b by itself: let it play a while before asking for it.
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.5, kLong);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
    const double before = p.position();
    Positions positions(p);
    spy.clear();
    QVERIFY(p.setURL(b));
    QCOMPARE(p.URL(), b);
    QCOMPARE(p.queuedNext(), QString());
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    QCOMPARE(states(spy), QList<int>{MediaPlayer::Playing});
    QVERIFY(qAbs(p.duration() - 2.0) < 0.05);

    // Not reloaded: the position goes on from where it was.
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > before + 0.3, kLong);
    for (double s : positions.values)
        QVERIFY2(s >= before - 0.01, qPrintable(QTest::toString(positions.values)));

    // And b ends once.
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QTest::qWait(1000);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
}

void TestMediaPlayer::handoverFromEndHandler() {
    // As the main window does: the next file is named from the end's signal.
    const QString a = m_tones->tone(QStringLiteral("list-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("list-b.wav"), 0.6, 550);
    const QString c = m_tones->tone(QStringLiteral("list-c.wav"), 1.0, 660);
    const QStringList list{a, b, c};
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QSignalSpy errors(&p, &MediaPlayer::mediaError);
    QStringList started;
    int index = 0;
    connect(&p, &MediaPlayer::PlayStateChange, this, [&](int state) {
        if (state != MediaPlayer::MediaEnded || index + 1 >= list.size())
            return;
        ++index;
        QVERIFY(p.setURL(list[index]));
        started.append(list[index]);
        p.play();
        // The one after, once this step is done.
        QMetaObject::invokeMethod(
            &p, [&] { p.queueNext(index + 1 < list.size() ? list[index + 1] : QString()); },
            Qt::QueuedConnection);
    });
    QVERIFY(p.setURL(a));
    p.play();
    p.queueNext(b);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 3, kLong);
    QTest::qWait(1000);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 3);
    QCOMPARE(started, (QStringList{b, c}));
    QCOMPARE(p.URL(), c);
    QCOMPARE(errors.count(), 0);
    QVERIFY(qAbs(p.duration() - 1.0) < 0.05);
    // Before each end, its file was seen playing.
    bool playing = false;
    for (int state : states(spy)) {
        if (state == MediaPlayer::Playing)
            playing = true;
        if (state == MediaPlayer::MediaEnded) {
            QVERIFY2(playing, qPrintable(QTest::toString(states(spy))));
            playing = false;
        }
    }
}

void TestMediaPlayer::otherFileReplacesQueued() {
    const QString a = m_tones->tone(QStringLiteral("rq-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("rq-b.wav"), 2.0, 550);
    const QString c = m_tones->tone(QStringLiteral("rq-c.wav"), 0.8, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    connect(&p, &MediaPlayer::PlayStateChange, this, [&](int state) {
        if (state == MediaPlayer::MediaEnded && p.URL() == a)
            QVERIFY(p.setURL(c));
    });
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QCOMPARE(p.URL(), c);
    QCOMPARE(p.queuedNext(), QString());
    // c, not b: its length shows, and it ends.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.duration() - 0.8) < 0.05, kLong);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 2, kLong);
    QTest::qWait(1500);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 2);

    // Queued, then replaced before the end: the queued file never plays.
    spy.clear();
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    QVERIFY(p.setURL(c));
    QCOMPARE(p.queuedNext(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QVERIFY(qAbs(p.duration() - 0.8) < 0.05);
    QTest::qWait(1000);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
}

void TestMediaPlayer::droppedQueueDoesNotFollow() {
    const QString a = m_tones->tone(QStringLiteral("dq-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("dq-b.wav"), 2.0, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    p.queueNext(QString());
    QCOMPARE(p.queuedNext(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    QTest::qWait(1000);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
    // b was dropped: naming it now opens it afresh, from the start.
    Positions positions(p);
    QVERIFY(p.setURL(b));
    QCOMPARE(p.playState(), int(MediaPlayer::Buffering));
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, kLong);
    QVERIFY(qAbs(p.duration() - 2.0) < 0.05);
    QVERIFY2(positions.values.first() < 0.3, qPrintable(QTest::toString(positions.values)));
}

void TestMediaPlayer::queuedFileEndsUnclaimed() {
    const QString a = m_tones->tone(QStringLiteral("uc-a.wav"), 0.3);
    const QString b = m_tones->tone(QStringLiteral("uc-b.wav"), 0.5, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    // b plays on by itself and ends; it is not the component's file yet.
    QTest::qWait(2000);
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
    QCOMPARE(p.URL(), a);
    // Named now, it is reported as played to its end, not played again.
    spy.clear();
    QVERIFY(p.setURL(b));
    QCOMPARE(states(spy), (QList<int>{MediaPlayer::Playing, MediaPlayer::MediaEnded}));
    QTest::qWait(1000);
    QCOMPARE(spy.count(), 2);
    // Play starts it again.
    p.play();
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 2, kLong);
    QCOMPARE(p.URL(), b);
}

void TestMediaPlayer::stopAfterEndWithQueuedFile() {
    const QString a = m_tones->tone(QStringLiteral("sq-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("sq-b.wav"), 2.0, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 1, kLong);
    p.stop();
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(p.URL(), a);
    QCOMPARE(p.queuedNext(), b);
    // a is loaded again, at its start, halted.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.duration() - 0.4) < 0.05, kLong);
    QTest::qWait(1000);
    QCOMPARE(p.position(), 0.0);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(countOf(spy, MediaPlayer::MediaEnded), 1);
    // Play plays a again, and b still follows it.
    p.play();
    QTRY_COMPARE_WITH_TIMEOUT(countOf(spy, MediaPlayer::MediaEnded), 2, kLong);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, kLong);
    QVERIFY(p.setURL(b));
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    QVERIFY(p.position() > 0.3);
}

void TestMediaPlayer::transportBarAndVolume() {
    const QString a = m_tones->tone(QStringLiteral("bar.wav"), 1.5);
    MediaPlayer p;
    p.resize(400, 300);
    p.show();
    auto* volume = p.findChild<QSlider*>(QStringLiteral("volumeSlider"));
    auto* seek = p.findChild<QSlider*>(QStringLiteral("seekSlider"));
    auto* total = p.findChild<QLabel*>(QStringLiteral("totalLabel"));
    auto* elapsed = p.findChild<QLabel*>(QStringLiteral("elapsedLabel"));
    QVERIFY(volume && seek && total && elapsed);
    QVERIFY(p.findChild<QWidget*>(QStringLiteral("playPauseButton")));
    QVERIFY(p.findChild<QWidget*>(QStringLiteral("stopButton")));
    QCOMPARE(p.volume(), 50);
    QCOMPARE(volume->value(), 50);
    QCOMPARE(volume->maximum(), 100);
    // Under the offscreen platform there is no OpenGL widget at all.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QVERIFY(!p.findChild<QOpenGLWidget*>());

    QSignalSpy durations(&p, &MediaPlayer::durationChanged);
    QVERIFY(p.setURL(a));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.duration() - 1.5) < 0.05, kLong);
    QVERIFY(durations.count() >= 1);
    QCOMPARE(total->text(), QStringLiteral("0:01"));
    QCOMPARE(seek->maximum(), 1500);
    QTRY_VERIFY_WITH_TIMEOUT(seek->value() > 0, kLong);

    p.setVolume(30);
    QCOMPARE(p.volume(), 30);
    QCOMPARE(volume->value(), 30);
    volume->setValue(70);
    QCOMPARE(p.volume(), 70);
    p.setVolume(150);
    QCOMPARE(p.volume(), 100);
    // mpv reports back what it was given.
    QTest::qWait(300);
    QCOMPARE(p.volume(), 100);

    // Seeking far back shows in the position.
    p.pause();
    p.seek(0.1);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.position() - 0.1) < 0.02, kLong);
    QCOMPARE(elapsed->text(), QStringLiteral("0:00"));
}

void TestMediaPlayer::fullScreenFlag() {
    MediaPlayer p;
    p.show();
    QVERIFY(!p.fullScreen());
    p.setFullScreen(true);
    QVERIFY(p.fullScreen());
    QVERIFY(p.window()->windowState() & Qt::WindowFullScreen);
    p.setFullScreen(false);
    QVERIFY(!p.fullScreen());
    QVERIFY(!(p.window()->windowState() & Qt::WindowFullScreen));

    // Double-click on the picture toggles it; Escape leaves it.
    QWidget* picture = p.findChild<QWidget*>(QStringLiteral("picture"));
    QVERIFY(picture);
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(p.fullScreen());
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(!p.fullScreen());
    p.setFullScreen(true);
    p.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p));
    QTest::keyClick(p.window(), Qt::Key_Escape);
    QVERIFY(!p.fullScreen());

    // Left by other means, the flag follows.
    p.setFullScreen(true);
    QVERIFY(p.fullScreen());
    p.showNormal();
    QVERIFY(!p.fullScreen());

    // Inside a window, the window goes full screen.
    QWidget window;
    auto* inner = new MediaPlayer(&window);
    inner->setFullScreen(true);
    QVERIFY(inner->fullScreen());
    QVERIFY(window.windowState() & Qt::WindowFullScreen);
    inner->setFullScreen(false);
    QVERIFY(!(window.windowState() & Qt::WindowFullScreen));
}

void TestMediaPlayer::destroyedWhilePlaying() {
    const QString a = m_tones->tone(QStringLiteral("long.wav"), 3.0);
    const QString b = m_tones->tone(QStringLiteral("long-b.wav"), 3.0, 660);
    auto p = std::make_unique<MediaPlayer>();
    p->show();
    QVERIFY(p->setURL(a));
    p->queueNext(b);
    QTRY_VERIFY_WITH_TIMEOUT(p->position() > 0.2, kLong);
    p.reset();
    QTest::qWait(300);
}

void TestMediaPlayer::destroyedWithEventsQueued() {
    const QString a = m_tones->tone(QStringLiteral("brief.wav"), 0.3);
    for (int i = 0; i < 3; ++i) {
        auto p = std::make_unique<MediaPlayer>();
        QVERIFY(p->setURL(a));
        p->play();
        p->seek(0.1);
        p->setVolume(20 + i);
        // Whatever mpv has to say arrives after the player is gone.
        QTest::qWait(i * 50);
        p.reset();
    }
    QTest::qWait(500);
}

void TestMediaPlayer::destroyedFromItsOwnSignal() {
    const QString a = m_tones->tone(QStringLiteral("selfend.wav"), 0.3);
    auto* p = new MediaPlayer;
    QPointer<MediaPlayer> watch(p);
    connect(p, &MediaPlayer::PlayStateChange, this, [p](int state) {
        if (state == MediaPlayer::MediaEnded)
            delete p;
    });
    QVERIFY(p->setURL(a));
    QTRY_VERIFY_WITH_TIMEOUT(watch.isNull(), kLong);
    QTest::qWait(300);
}

void TestMediaPlayer::videoFrameDrawn() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("The picture is drawn only on a real display (run as test_video under Xvfb).");
    const QColor colour(255, 0, 255);
    const QString v = m_tones->video(QStringLiteral("magenta.avi"), colour, 60, 10);
    QVERIFY(!v.isEmpty());
    MediaPlayer p;
    p.resize(320, 280);
    QSignalSpy errors(&p, &MediaPlayer::mediaError);
    // As the player windows do: shown, and the file given at once, before
    // the picture has had a chance to set up OpenGL.
    p.show();
    QVERIFY(p.setURL(v));
    auto* gl = p.findChild<QOpenGLWidget*>();
    QVERIFY2(gl, "no OpenGL picture on this display");
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    auto centre = [gl] {
        const QImage frame = gl->grabFramebuffer();
        return frame.isNull() ? QColor() : frame.pixelColor(frame.width() / 2, frame.height() / 2);
    };
    auto close = [&colour](const QColor& c) {
        return c.isValid() && qAbs(c.red() - colour.red()) < 40 &&
               qAbs(c.green() - colour.green()) < 40 && qAbs(c.blue() - colour.blue()) < 40;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(close(centre()), qPrintable(centre().name()), kLong);
    // The picture fills the area (stretched): a corner shows it too.
    const QImage frame = gl->grabFramebuffer();
    QVERIFY(close(frame.pixelColor(3, 3)));
    QCOMPARE(errors.count(), 0);

    // Given the file while still hidden, shown a moment later: the picture
    // is there all the same.
    const QColor green(0, 255, 0);
    const QString w = m_tones->video(QStringLiteral("green.avi"), green, 60, 10);
    MediaPlayer later;
    later.resize(200, 180);
    QVERIFY(later.setURL(w));
    QTest::qWait(300);
    later.show();
    auto* laterGl = later.findChild<QOpenGLWidget*>();
    QVERIFY(laterGl);
    auto laterCentre = [laterGl] {
        const QImage frame = laterGl->grabFramebuffer();
        return frame.isNull() ? QColor() : frame.pixelColor(frame.width() / 2, frame.height() / 2);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(laterCentre().green() > 215 && laterCentre().red() < 40,
                              qPrintable(laterCentre().name()), kLong);
}

QTEST_MAIN(TestMediaPlayer)
#include "test_mediaplayer.moc"
