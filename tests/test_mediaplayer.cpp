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

// The first argument of every emission the spy saw.
template <typename T = int> QList<T> values(const QSignalSpy& spy) {
    QList<T> out;
    for (const QList<QVariant>& args : spy)
        out.append(args.at(0).value<T>());
    return out;
}

int ends(const QSignalSpy& spy) {
    return values(spy).count(MediaPlayer::MediaEnded);
}

bool near(double seconds, double expected) {
    return qAbs(seconds - expected) < 0.05;
}

#define WAIT_ENDS(spy, n) QTRY_COMPARE_WITH_TIMEOUT(ends(spy), n, kLong)
#define SHOW(list) qPrintable(QTest::toString(list))

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void endsOnceAtNaturalEndAndPlaysAgain();
    void stopKeepsFileAtStartAndNeverEnds();
    void newUrlMidPlayNeverReadsAsEnded();
    void loadAndHaltThenPause();
    void filesThatDoNotPlay();
    void gaplessHandover();
    void handoverFromEndHandler();
    void queuedFileDropped();
    void queuedFileEndsUnclaimed();
    void stopAfterEndWithQueuedFile();
    void transportBarAndVolume();
    void fullScreenFlag();
    void destroyedWhilePlaying();
    void videoFrameDrawn(); // xcb only

private:
    std::unique_ptr<Tones> m_tones;
};

void TestMediaPlayer::initTestCase() {
    // As main() does: libmpv reads numbers in the C locale.
    std::setlocale(LC_NUMERIC, "C");
    m_tones = std::make_unique<Tones>();
    QVERIFY(m_tones->isValid());
}

void TestMediaPlayer::endsOnceAtNaturalEndAndPlaysAgain() {
    const QString a = m_tones->tone(QStringLiteral("short.wav"), 0.3);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QSignalSpy errors(&p, &MediaPlayer::mediaError);
    QCOMPARE(p.playState(), int(MediaPlayer::Undefined));
    QVERIFY(p.setURL(a));
    QCOMPARE(p.URL(), a);
    WAIT_ENDS(spy, 1);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QVERIFY2(values(spy).contains(MediaPlayer::Playing), SHOW(values(spy)));
    // Nothing follows a file that ends with nothing queued.
    QTest::qWait(1500);
    QCOMPARE(ends(spy), 1);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(errors.count(), 0);
    // Every emission is a change.
    const QList<int> seen = values(spy);
    for (int i = 1; i < seen.size(); ++i)
        QVERIFY(seen[i] != seen[i - 1]);

    spy.clear();
    p.play();
    QVERIFY(p.playState() != MediaPlayer::MediaEnded);
    WAIT_ENDS(spy, 1);
    QVERIFY2(values(spy).contains(MediaPlayer::Playing), SHOW(values(spy)));
    QCOMPARE(p.URL(), a);
}

void TestMediaPlayer::stopKeepsFileAtStartAndNeverEnds() {
    const QString a = m_tones->tone(QStringLiteral("one-second.wav"), 1.0);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, kLong);
    p.stop();
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QTRY_COMPARE_WITH_TIMEOUT(p.position(), 0.0, kLong);
    // Had the stop not halted it, the tone would have ended by now.
    QTest::qWait(2000);
    QCOMPARE(p.position(), 0.0);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(ends(spy), 0);
    // Still loaded: the length is known.
    QCOMPARE(p.URL(), a);
    QVERIFY(near(p.duration(), 1.0));

    // Play after stop plays from the start to the end.
    QSignalSpy positions(&p, &MediaPlayer::positionChanged);
    p.play();
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    WAIT_ENDS(spy, 1);
    QList<double> moving = values<double>(positions);
    moving.removeIf([](double s) { return s <= 0; });
    QVERIFY(!moving.isEmpty());
    QVERIFY2(moving.first() < 0.3, SHOW(moving));
}

void TestMediaPlayer::newUrlMidPlayNeverReadsAsEnded() {
    const QString a = m_tones->tone(QStringLiteral("first.wav"), 1.0);
    const QString b = m_tones->tone(QStringLiteral("second.wav"), 0.3, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QTRY_VERIFY_WITH_TIMEOUT(near(p.duration(), 1.0), kLong);
    QSignalSpy durations(&p, &MediaPlayer::durationChanged);
    QVERIFY(p.setURL(b));
    QCOMPARE(p.URL(), b);
    // b ends once; a, replaced, never does.
    WAIT_ENDS(spy, 1);
    QTest::qWait(1500);
    QCOMPARE(ends(spy), 1);
    // Nothing of a shows after the switch.
    for (double seconds : values<double>(durations))
        QVERIFY(!near(seconds, 1.0));
    QVERIFY(!near(p.duration(), 1.0));
}

void TestMediaPlayer::loadAndHaltThenPause() {
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
    QVERIFY(!values(spy).contains(MediaPlayer::Playing));
    p.stop();
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(p.position(), 0.0);

    // It plays when asked; a pause holds the position.
    p.play();
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.1, kLong);
    p.pause();
    QCOMPARE(p.playState(), int(MediaPlayer::Paused));
    QTest::qWait(300); // what was on its way has arrived
    const double at = p.position();
    QTest::qWait(1500);
    QCOMPARE(p.position(), at);
    QCOMPARE(ends(spy), 0);
    p.play();
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    WAIT_ENDS(spy, 1);
}

void TestMediaPlayer::filesThatDoNotPlay() {
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QSignalSpy errors(&p, &MediaPlayer::mediaError);
    // Missing: refused at once, nothing reported later.
    const QString missing = m_tones->path(QStringLiteral("nowhere.mp3"));
    QVERIFY(!p.setURL(missing));
    QVERIFY(!p.setURL(m_tones->path(QString())));
    QVERIFY(!p.setURL(QString()));
    QCOMPARE(p.playState(), int(MediaPlayer::Undefined));
    QCOMPARE(p.URL(), QString());
    QTest::qWait(300);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(errors.count(), 0);

    // Not media: one error, never playing, never ended, and play does not
    // bring it back to life.
    const QString bad =
        m_tones->file(QStringLiteral("letter.mp3"),
                      QByteArray("Dear friend,\nthis is not a song at all.\n").repeated(40));
    QVERIFY(p.setURL(bad));
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, kLong);
    QCOMPARE(errors.at(0).at(0).toString(), bad);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QTest::qWait(1000);
    p.play();
    QTest::qWait(500);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(ends(spy), 0);
    QVERIFY(!values(spy).contains(MediaPlayer::Playing));

    // The next good file plays as usual, and a refused one leaves it alone.
    const QString a = m_tones->tone(QStringLiteral("still.wav"), 1.0);
    QVERIFY(p.setURL(a));
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), int(MediaPlayer::Playing), kLong);
    QVERIFY(!p.setURL(missing));
    QCOMPARE(p.URL(), a);
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    WAIT_ENDS(spy, 1);
    QCOMPARE(errors.count(), 1);
}

void TestMediaPlayer::gaplessHandover() {
    const QString a = m_tones->tone(QStringLiteral("gap-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("gap-b.wav"), 2.0, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    WAIT_ENDS(spy, 1);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(p.URL(), a);

    // mpv went on to b by itself: let it play a while before asking for it.
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.5, kLong);
    QCOMPARE(ends(spy), 1);
    const double before = p.position();
    QSignalSpy positions(&p, &MediaPlayer::positionChanged);
    spy.clear();
    QVERIFY(p.setURL(b));
    QCOMPARE(p.URL(), b);
    QCOMPARE(p.playState(), int(MediaPlayer::Playing));
    QCOMPARE(values(spy), QList<int>{MediaPlayer::Playing});
    QVERIFY(near(p.duration(), 2.0));

    // Not reloaded: the position goes on from where it was.
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > before + 0.3, kLong);
    for (double s : values<double>(positions))
        QVERIFY2(s >= before - 0.01, SHOW(values<double>(positions)));

    // And b ends once.
    WAIT_ENDS(spy, 1);
    QTest::qWait(1000);
    QCOMPARE(ends(spy), 1);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
}

void TestMediaPlayer::handoverFromEndHandler() {
    // As the main window does: the next file is named from the end's signal.
    const QStringList list{m_tones->tone(QStringLiteral("list-a.wav"), 0.4),
                           m_tones->tone(QStringLiteral("list-b.wav"), 0.6, 550),
                           m_tones->tone(QStringLiteral("list-c.wav"), 1.0, 660)};
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
    QVERIFY(p.setURL(list[0]));
    p.play();
    p.queueNext(list[1]);
    WAIT_ENDS(spy, 3);
    QTest::qWait(1000);
    QCOMPARE(ends(spy), 3);
    QCOMPARE(started, list.mid(1));
    QCOMPARE(p.URL(), list[2]);
    QCOMPARE(errors.count(), 0);
    QVERIFY(near(p.duration(), 1.0));
    // Before each end, its file was seen playing.
    bool playing = false;
    for (int state : values(spy)) {
        if (state == MediaPlayer::Playing)
            playing = true;
        if (state == MediaPlayer::MediaEnded) {
            QVERIFY2(playing, SHOW(values(spy)));
            playing = false;
        }
    }
}

void TestMediaPlayer::queuedFileDropped() {
    const QString a = m_tones->tone(QStringLiteral("rq-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("rq-b.wav"), 2.0, 550);
    const QString c = m_tones->tone(QStringLiteral("rq-c.wav"), 0.8, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    // Another file named at the end: c plays, not the queued b.
    auto other = connect(&p, &MediaPlayer::PlayStateChange, this, [&](int state) {
        if (state == MediaPlayer::MediaEnded && p.URL() == a)
            QVERIFY(p.setURL(c));
    });
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    WAIT_ENDS(spy, 1);
    QCOMPARE(p.URL(), c);
    QTRY_VERIFY_WITH_TIMEOUT(near(p.duration(), 0.8), kLong);
    WAIT_ENDS(spy, 2);
    QTest::qWait(1500);
    QCOMPARE(ends(spy), 2);
    disconnect(other);

    // Queued, then replaced before the end: the queued file never plays.
    spy.clear();
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    QVERIFY(p.setURL(c));
    WAIT_ENDS(spy, 1);
    QVERIFY(near(p.duration(), 0.8));
    QTest::qWait(1000);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(ends(spy), 1);

    // Queued, then dropped: nothing follows, and naming b later opens it
    // afresh, from the start.
    spy.clear();
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    p.queueNext(QString());
    WAIT_ENDS(spy, 1);
    QTest::qWait(1000);
    QCOMPARE(p.playState(), int(MediaPlayer::MediaEnded));
    QCOMPARE(ends(spy), 1);
    QSignalSpy positions(&p, &MediaPlayer::positionChanged);
    QVERIFY(p.setURL(b));
    QCOMPARE(p.playState(), int(MediaPlayer::Buffering));
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, kLong);
    QVERIFY(near(p.duration(), 2.0));
    QVERIFY(!positions.isEmpty());
    QVERIFY2(values<double>(positions).first() < 0.3, SHOW(values<double>(positions)));
}

void TestMediaPlayer::queuedFileEndsUnclaimed() {
    const QString a = m_tones->tone(QStringLiteral("uc-a.wav"), 0.3);
    const QString b = m_tones->tone(QStringLiteral("uc-b.wav"), 0.5, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    WAIT_ENDS(spy, 1);
    // b plays on by itself and ends; it is not the component's file yet.
    QTest::qWait(2000);
    QCOMPARE(ends(spy), 1);
    QCOMPARE(p.URL(), a);
    // Named now, it is reported as played to its end, not played again.
    spy.clear();
    QVERIFY(p.setURL(b));
    QCOMPARE(values(spy), (QList<int>{MediaPlayer::Playing, MediaPlayer::MediaEnded}));
    QTest::qWait(1000);
    QCOMPARE(spy.count(), 2);
    p.play();
    WAIT_ENDS(spy, 2);
    QCOMPARE(p.URL(), b);
}

void TestMediaPlayer::stopAfterEndWithQueuedFile() {
    const QString a = m_tones->tone(QStringLiteral("sq-a.wav"), 0.4);
    const QString b = m_tones->tone(QStringLiteral("sq-b.wav"), 2.0, 660);
    MediaPlayer p;
    QSignalSpy spy(&p, &MediaPlayer::PlayStateChange);
    QVERIFY(p.setURL(a));
    p.queueNext(b);
    WAIT_ENDS(spy, 1);
    p.stop();
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(p.URL(), a);
    // a is loaded again, at its start, halted.
    QTRY_VERIFY_WITH_TIMEOUT(near(p.duration(), 0.4), kLong);
    QTest::qWait(1000);
    QCOMPARE(p.position(), 0.0);
    QCOMPARE(p.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(ends(spy), 1);
    // Play plays a again, and b still follows it.
    p.play();
    WAIT_ENDS(spy, 2);
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
    QVERIFY(p.findChild<QWidget*>(QStringLiteral("playPauseButton")) &&
            p.findChild<QWidget*>(QStringLiteral("stopButton")));
    QCOMPARE(p.volume(), 50);
    QCOMPARE(volume->value(), 50);
    // Under the offscreen platform there is no OpenGL widget at all.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QVERIFY(!p.findChild<QOpenGLWidget*>());

    QVERIFY(p.setURL(a));
    QTRY_VERIFY_WITH_TIMEOUT(near(p.duration(), 1.5), kLong);
    QCOMPARE(total->text(), QStringLiteral("0:01"));
    QCOMPARE(seek->maximum(), 1500);
    QTRY_VERIFY_WITH_TIMEOUT(seek->value() > 0, kLong);

    p.setVolume(30);
    QCOMPARE(volume->value(), 30);
    volume->setValue(70);
    QCOMPARE(p.volume(), 70);
    p.setVolume(150);
    QCOMPARE(p.volume(), 100);
    // mpv reports back what it was given.
    QTest::qWait(300);
    QCOMPARE(p.volume(), 100);

    p.pause();
    p.seek(0.1);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.position() - 0.1) < 0.02, kLong);
    QCOMPARE(elapsed->text(), QStringLiteral("0:00"));
}

void TestMediaPlayer::fullScreenFlag() {
    MediaPlayer p;
    p.show();
    QVERIFY(!p.fullScreen());
    // Double-click on the picture toggles it; Escape leaves it.
    QWidget* picture = p.findChild<QWidget*>(QStringLiteral("picture"));
    QVERIFY(picture);
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(p.fullScreen());
    QVERIFY(p.windowState() & Qt::WindowFullScreen);
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(!p.fullScreen());
    QVERIFY(!(p.windowState() & Qt::WindowFullScreen));
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
    // Playing with a file queued.
    const QString a = m_tones->tone(QStringLiteral("long.wav"), 3.0);
    auto p = std::make_unique<MediaPlayer>();
    p->show();
    QVERIFY(p->setURL(a));
    p->queueNext(m_tones->tone(QStringLiteral("long-b.wav"), 3.0, 660));
    QTRY_VERIFY_WITH_TIMEOUT(p->position() > 0.2, kLong);
    p.reset();
    QTest::qWait(300);

    // With commands on their way: what mpv has to say arrives after the
    // player is gone.
    const QString brief = m_tones->tone(QStringLiteral("brief.wav"), 0.3);
    for (int i = 0; i < 3; ++i) {
        p = std::make_unique<MediaPlayer>();
        QVERIFY(p->setURL(brief));
        p->play();
        p->seek(0.1);
        p->setVolume(20 + i);
        QTest::qWait(i * 50);
        p.reset();
    }
    QTest::qWait(500);

    // From its own end signal.
    auto* own = new MediaPlayer;
    QPointer<MediaPlayer> watch(own);
    connect(own, &MediaPlayer::PlayStateChange, this, [own](int state) {
        if (state == MediaPlayer::MediaEnded)
            delete own;
    });
    QVERIFY(own->setURL(brief));
    QTRY_VERIFY_WITH_TIMEOUT(watch.isNull(), kLong);
    QTest::qWait(300);
}

void TestMediaPlayer::videoFrameDrawn() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("The picture is drawn only on a real display (run as test_video under Xvfb).");
    const auto centre = [](QOpenGLWidget* gl) {
        const QImage frame = gl->grabFramebuffer();
        return frame.isNull() ? QColor() : frame.pixelColor(frame.width() / 2, frame.height() / 2);
    };
    const QColor colour(255, 0, 255);
    const auto close = [&colour](const QColor& c) {
        return c.isValid() && qAbs(c.red() - colour.red()) < 40 &&
               qAbs(c.green() - colour.green()) < 40 && qAbs(c.blue() - colour.blue()) < 40;
    };
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
    QTRY_VERIFY2_WITH_TIMEOUT(close(centre(gl)), qPrintable(centre(gl).name()), kLong);
    // The picture fills the area (stretched): a corner shows it too.
    QVERIFY(close(gl->grabFramebuffer().pixelColor(3, 3)));
    QCOMPARE(errors.count(), 0);

    // Given the file while still hidden, shown a moment later: the picture
    // is there all the same.
    const QString w = m_tones->video(QStringLiteral("green.avi"), QColor(0, 255, 0), 60, 10);
    MediaPlayer later;
    later.resize(200, 180);
    QVERIFY(later.setURL(w));
    QTest::qWait(300);
    later.show();
    auto* laterGl = later.findChild<QOpenGLWidget*>();
    QVERIFY(laterGl);
    QTRY_VERIFY2_WITH_TIMEOUT(centre(laterGl).green() > 215 && centre(laterGl).red() < 40,
                              qPrintable(centre(laterGl).name()), kLong);
}

QTEST_MAIN(TestMediaPlayer)
#include "test_mediaplayer.moc"
