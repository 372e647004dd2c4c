// The media player component over a real libmpv, playing tones written by
// the test itself. Runs under the offscreen platform with JUKORA_AUDIO=null;
// the video case runs only on a real display (xcb, under Xvfb). How the
// main window drives it (list runs, Player 2's cue) is in test_playback.
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

// The play-state numbers of the component this one replaces.
static_assert(MediaPlayer::Stopped == 1 && MediaPlayer::Paused == 2 && MediaPlayer::Playing == 3 &&
              MediaPlayer::Buffering == 6 && MediaPlayer::MediaEnded == 8);

namespace {

constexpr int kLong = 15000; // waits for the decoder, never for speed

// The first argument of every emission the spy saw.
template <typename T = int> QList<T> values(const QSignalSpy& spy) {
    QList<T> out;
    for (const QList<QVariant>& args : spy)
        out.append(args.at(0).value<T>());
    return out;
}

bool near(double seconds, double expected) {
    return qAbs(seconds - expected) < 0.05;
}

// A player and what it reports.
struct Watched {
    MediaPlayer p;
    QSignalSpy states{&p, &MediaPlayer::PlayStateChange};
    QSignalSpy errors{&p, &MediaPlayer::mediaError};
    int ends() const { return values(states).count(MediaPlayer::MediaEnded); }
};

#define SHOW(list) qPrintable(QTest::toString(list))
#define STATE(w, s) QCOMPARE((w).p.playState(), int(MediaPlayer::s))
#define WAIT_STATE(w, s) QTRY_COMPARE_WITH_TIMEOUT((w).p.playState(), int(MediaPlayer::s), kLong)
#define WAIT_ENDS(w, n) QTRY_COMPARE_WITH_TIMEOUT((w).ends(), n, kLong)
// The n-th end, and no more for a while after it.
#define ENDS_EXACTLY(w, n, ms)                                                                     \
    do {                                                                                           \
        WAIT_ENDS(w, n);                                                                           \
        QTest::qWait(ms);                                                                          \
        QCOMPARE((w).ends(), n);                                                                   \
    } while (false)

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void newUrlAndNaturalEnd();
    void pauseStopAndPlayAgain();
    void filesThatDoNotPlay();
    void gaplessHandover();
    void queuedFileEndsUnclaimed();
    void queuedFileDropped();
    void transportBarAndFullScreen();
    void destroyedWhilePlaying();
    void videoFrameDrawn(); // xcb only

private:
    QString tone(const char* name, double seconds, double frequency = 440) {
        return m_tones->tone(QString::fromLatin1(name), seconds, frequency);
    }
    std::unique_ptr<Tones> m_tones;
};

void TestMediaPlayer::initTestCase() {
    // As main() does: libmpv reads numbers in the C locale.
    std::setlocale(LC_NUMERIC, "C");
    m_tones = std::make_unique<Tones>();
    QVERIFY(m_tones->isValid());
}

void TestMediaPlayer::newUrlAndNaturalEnd() {
    const QString a = tone("first.wav", 1.0), b = tone("second.wav", 0.3, 660);
    Watched w;
    STATE(w, Undefined);
    QVERIFY(w.p.setURL(a));
    WAIT_STATE(w, Playing);
    QTRY_VERIFY_WITH_TIMEOUT(near(w.p.duration(), 1.0), kLong);
    QSignalSpy durations(&w.p, &MediaPlayer::durationChanged);
    QVERIFY(w.p.setURL(b));
    QCOMPARE(w.p.URL(), b);
    // b ends once; a, replaced, never does, and nothing of it shows after.
    ENDS_EXACTLY(w, 1, 1500);
    STATE(w, MediaEnded);
    for (double seconds : values<double>(durations))
        QVERIFY(!near(seconds, 1.0));
    QVERIFY(!near(w.p.duration(), 1.0));
    const QList<int> seen = values(w.states);
    for (int i = 1; i < seen.size(); ++i)
        QVERIFY2(seen[i] != seen[i - 1], SHOW(seen));

    // Play after the end plays the file again, to its end.
    w.states.clear();
    w.p.play();
    QVERIFY(w.p.playState() != MediaPlayer::MediaEnded);
    WAIT_ENDS(w, 1);
    QVERIFY2(values(w.states).contains(MediaPlayer::Playing), SHOW(values(w.states)));
    QCOMPARE(w.p.URL(), b);
    QCOMPARE(w.errors.count(), 0);
}

void TestMediaPlayer::pauseStopAndPlayAgain() {
    const QString a = tone("one-second.wav", 1.0);
    Watched w;
    QVERIFY(w.p.setURL(a));
    QTRY_VERIFY_WITH_TIMEOUT(w.p.position() > 0.1, kLong);
    // A pause holds the position.
    w.p.pause();
    STATE(w, Paused);
    QTest::qWait(300); // what was on its way has arrived
    const double at = w.p.position();
    QTest::qWait(1000);
    QCOMPARE(w.p.position(), at);

    // Stop keeps the file, at its start; had it not halted, the tone would
    // have ended meanwhile.
    w.p.play();
    QTRY_VERIFY_WITH_TIMEOUT(w.p.position() > at + 0.1, kLong);
    w.p.stop();
    STATE(w, Stopped);
    QTRY_COMPARE_WITH_TIMEOUT(w.p.position(), 0.0, kLong);
    QTest::qWait(1500);
    QCOMPARE(w.p.position(), 0.0);
    QVERIFY(w.p.playState() == MediaPlayer::Stopped && w.ends() == 0);
    QVERIFY(w.p.URL() == a && near(w.p.duration(), 1.0));

    // Play after stop plays from the start to the end.
    QSignalSpy positions(&w.p, &MediaPlayer::positionChanged);
    w.p.play();
    STATE(w, Playing);
    WAIT_ENDS(w, 1);
    QList<double> moving = values<double>(positions);
    moving.removeIf([](double s) { return s <= 0; });
    QVERIFY2(!moving.isEmpty() && moving.first() < 0.3, SHOW(moving));
}

void TestMediaPlayer::filesThatDoNotPlay() {
    Watched w;
    // Missing, a folder, nothing: refused at once, nothing reported later.
    const QString missing = m_tones->path(QStringLiteral("nowhere.mp3"));
    for (const QString& path : {missing, m_tones->path(QString()), QString()})
        QVERIFY2(!w.p.setURL(path), qPrintable(path));
    STATE(w, Undefined);
    QCOMPARE(w.p.URL(), QString());
    QTest::qWait(300);
    QVERIFY(w.states.isEmpty() && w.errors.isEmpty());

    // Not media: one error, never playing, never ended, and play does not
    // bring it back to life.
    const QString bad =
        m_tones->file(QStringLiteral("letter.mp3"),
                      QByteArray("Dear friend,\nthis is not a song at all.\n").repeated(40));
    QVERIFY(w.p.setURL(bad));
    QTRY_COMPARE_WITH_TIMEOUT(w.errors.count(), 1, kLong);
    QCOMPARE(w.errors.at(0).at(0).toString(), bad);
    STATE(w, Stopped);
    QTest::qWait(500);
    w.p.play();
    QTest::qWait(500);
    QCOMPARE(w.errors.count(), 1);
    STATE(w, Stopped);
    QVERIFY2(!values(w.states).contains(MediaPlayer::Playing) && w.ends() == 0,
             SHOW(values(w.states)));

    // The next good file plays as usual, and a refused one leaves it alone.
    const QString a = tone("still.wav", 1.0);
    QVERIFY(w.p.setURL(a));
    WAIT_STATE(w, Playing);
    QVERIFY(!w.p.setURL(missing));
    QCOMPARE(w.p.URL(), a);
    STATE(w, Playing);
    WAIT_ENDS(w, 1);
    QCOMPARE(w.errors.count(), 1);
}

void TestMediaPlayer::gaplessHandover() {
    const QString a = tone("gap-a.wav", 0.4), b = tone("gap-b.wav", 2.0, 660);
    Watched w;
    QVERIFY(w.p.setURL(a));
    w.p.queueNext(b);
    WAIT_ENDS(w, 1);
    // Stopped at its end, a is loaded again, at its start, halted.
    w.p.stop();
    STATE(w, Stopped);
    QCOMPARE(w.p.URL(), a);
    QTRY_VERIFY_WITH_TIMEOUT(near(w.p.duration(), 0.4), kLong);
    QTest::qWait(1000);
    QVERIFY(w.p.position() == 0.0 && w.p.playState() == MediaPlayer::Stopped && w.ends() == 1);

    // Played again, and b still follows it: mpv goes on to b by itself. Let
    // it play a while before asking for it.
    w.p.play();
    WAIT_ENDS(w, 2);
    QCOMPARE(w.p.URL(), a);
    QTRY_VERIFY_WITH_TIMEOUT(w.p.position() > 0.5, kLong);
    QCOMPARE(w.ends(), 2);
    const double before = w.p.position();
    QSignalSpy positions(&w.p, &MediaPlayer::positionChanged);
    w.states.clear();
    QVERIFY(w.p.setURL(b));
    QCOMPARE(values(w.states), QList<int>{MediaPlayer::Playing});
    QVERIFY(near(w.p.duration(), 2.0));
    // Not reloaded: the position goes on from where it was, and b ends once.
    QTRY_VERIFY_WITH_TIMEOUT(w.p.position() > before + 0.3, kLong);
    for (double s : values<double>(positions))
        QVERIFY2(s >= before - 0.01, SHOW(values<double>(positions)));
    ENDS_EXACTLY(w, 1, 1000);
    STATE(w, MediaEnded);
}

void TestMediaPlayer::queuedFileEndsUnclaimed() {
    const QString a = tone("uc-a.wav", 0.3), b = tone("uc-b.wav", 0.5, 660);
    Watched w;
    QVERIFY(w.p.setURL(a));
    w.p.queueNext(b);
    // b plays on by itself and ends; it is not the component's file yet.
    ENDS_EXACTLY(w, 1, 2000);
    QCOMPARE(w.p.URL(), a);
    // Named now, it is reported as played to its end, not played again.
    w.states.clear();
    QVERIFY(w.p.setURL(b));
    QCOMPARE(values(w.states), (QList<int>{MediaPlayer::Playing, MediaPlayer::MediaEnded}));
    QTest::qWait(1000);
    QCOMPARE(w.states.count(), 2);
    w.p.play();
    WAIT_ENDS(w, 2);
    QCOMPARE(w.p.URL(), b);
}

void TestMediaPlayer::queuedFileDropped() {
    const QString a = tone("rq-a.wav", 0.4), b = tone("rq-b.wav", 2.0, 550),
                  c = tone("rq-c.wav", 0.8, 660);
    Watched w;
    // Another file named at the end: c plays, not the queued b.
    auto other = connect(&w.p, &MediaPlayer::PlayStateChange, this, [&](int state) {
        if (state == MediaPlayer::MediaEnded && w.p.URL() == a)
            QVERIFY(w.p.setURL(c));
    });
    QVERIFY(w.p.setURL(a));
    w.p.queueNext(b);
    WAIT_ENDS(w, 1);
    QCOMPARE(w.p.URL(), c);
    QTRY_VERIFY_WITH_TIMEOUT(near(w.p.duration(), 0.8), kLong);
    ENDS_EXACTLY(w, 2, 1500);
    disconnect(other);

    // Queued, then replaced before the end: the queued file never plays.
    w.states.clear();
    QVERIFY(w.p.setURL(a));
    w.p.queueNext(b);
    QVERIFY(w.p.setURL(c));
    ENDS_EXACTLY(w, 1, 1000);
    QVERIFY(near(w.p.duration(), 0.8));
    STATE(w, MediaEnded);

    // Queued, then dropped: nothing follows, and naming b later opens it
    // afresh, from the start.
    w.states.clear();
    QVERIFY(w.p.setURL(a));
    w.p.queueNext(b);
    w.p.queueNext(QString());
    ENDS_EXACTLY(w, 1, 1000);
    STATE(w, MediaEnded);
    QSignalSpy positions(&w.p, &MediaPlayer::positionChanged);
    QVERIFY(w.p.setURL(b));
    STATE(w, Buffering);
    QTRY_VERIFY_WITH_TIMEOUT(w.p.position() > 0.2, kLong);
    QVERIFY(near(w.p.duration(), 2.0));
    QVERIFY2(values<double>(positions).first() < 0.3, SHOW(values<double>(positions)));
}

void TestMediaPlayer::transportBarAndFullScreen() {
    MediaPlayer p;
    p.show();
    auto* volume = p.findChild<QSlider*>(QStringLiteral("volumeSlider"));
    auto* seek = p.findChild<QSlider*>(QStringLiteral("seekSlider"));
    auto* total = p.findChild<QLabel*>(QStringLiteral("totalLabel"));
    auto* elapsed = p.findChild<QLabel*>(QStringLiteral("elapsedLabel"));
    auto* picture = p.findChild<QWidget*>(QStringLiteral("picture"));
    QVERIFY(volume && seek && total && elapsed && picture);
    QVERIFY(p.volume() == 50 && volume->value() == 50);
    // Under the offscreen platform there is no OpenGL widget at all.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QVERIFY(!p.findChild<QOpenGLWidget*>());

    QVERIFY(p.setURL(tone("bar.wav", 1.5)));
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
    QTest::qWait(300); // mpv reports back what it was given
    QCOMPARE(p.volume(), 100);
    p.pause();
    p.seek(0.1);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.position() - 0.1) < 0.02, kLong);
    QCOMPARE(elapsed->text(), QStringLiteral("0:00"));

    // A double-click on the picture toggles full screen; Escape leaves it,
    // and so does any other means.
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(p.fullScreen() && (p.windowState() & Qt::WindowFullScreen));
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(!p.fullScreen() && !(p.windowState() & Qt::WindowFullScreen));
    p.setFullScreen(true);
    p.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p));
    QTest::keyClick(p.window(), Qt::Key_Escape);
    QVERIFY(!p.fullScreen());
    p.setFullScreen(true);
    p.showNormal();
    QVERIFY(!p.fullScreen());
    // Inside a window, the window goes full screen.
    QWidget window;
    auto* inner = new MediaPlayer(&window);
    inner->setFullScreen(true);
    QVERIFY(inner->fullScreen() && (window.windowState() & Qt::WindowFullScreen));
    inner->setFullScreen(false);
    QVERIFY(!(window.windowState() & Qt::WindowFullScreen));
}

void TestMediaPlayer::destroyedWhilePlaying() {
    // Gone with commands on their way, at last while playing with a file
    // queued: what mpv has to say arrives after the player is gone.
    const QString longer = tone("long.wav", 3.0), brief = tone("brief.wav", 0.3);
    for (int i = 0; i < 4; ++i) {
        auto p = std::make_unique<MediaPlayer>();
        p->show();
        QVERIFY(p->setURL(longer));
        p->queueNext(brief);
        p->seek(0.1);
        p->setVolume(20 + i);
        QTest::qWait(i * 50);
        if (i == 3)
            QTRY_VERIFY_WITH_TIMEOUT(p->position() > 0.2, kLong);
    }
    QTest::qWait(500);

    // From its own end signal.
    QPointer<MediaPlayer> own(new MediaPlayer);
    connect(own.data(), &MediaPlayer::PlayStateChange, this, [&own](int state) {
        if (state == MediaPlayer::MediaEnded)
            delete own.data();
    });
    QVERIFY(own->setURL(brief));
    QTRY_VERIFY_WITH_TIMEOUT(own.isNull(), kLong);
    QTest::qWait(300);
}

void TestMediaPlayer::videoFrameDrawn() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("The picture is drawn only on a real display (run as test_video under Xvfb).");
    // The picture shows the colour in its centre, or in a corner.
    const auto shows = [](MediaPlayer& p, const QColor& colour, bool corner = false) {
        auto* gl = p.findChild<QOpenGLWidget*>();
        const QImage frame = gl ? gl->grabFramebuffer() : QImage();
        if (frame.isNull())
            return false;
        const QColor c = frame.pixelColor(corner ? QPoint(3, 3) : frame.rect().center());
        return qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40 &&
               qAbs(c.blue() - colour.blue()) < 40;
    };
    const QColor magenta(255, 0, 255), green(0, 255, 0);
    Watched w;
    w.p.resize(320, 280);
    // As the player windows do: shown, and the file given at once, before
    // the picture has had a chance to set up OpenGL.
    w.p.show();
    QVERIFY(w.p.setURL(m_tones->video(QStringLiteral("magenta.avi"), magenta, 60, 10)));
    QVERIFY2(w.p.findChild<QOpenGLWidget*>(), "no OpenGL picture on this display");
    WAIT_STATE(w, Playing);
    QTRY_VERIFY_WITH_TIMEOUT(shows(w.p, magenta), kLong);
    // The picture fills the area (stretched): a corner shows it too.
    QVERIFY(shows(w.p, magenta, true));
    QCOMPARE(w.errors.count(), 0);

    // Given the file while still hidden, shown a moment later: the picture
    // is there all the same.
    MediaPlayer later;
    later.resize(200, 180);
    QVERIFY(later.setURL(m_tones->video(QStringLiteral("green.avi"), green, 60, 10)));
    QTest::qWait(300);
    later.show();
    QTRY_VERIFY_WITH_TIMEOUT(shows(later, green), kLong);
}

QTEST_MAIN(TestMediaPlayer)
#include "test_mediaplayer.moc"
