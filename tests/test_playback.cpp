// The player windows and the list run, with the real media component
// playing short tones the test writes.
#include "support/App.h"
#include "support/Tones.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "playback/MediaPlayer.h"
#include "playback/NextSong.h"

#include <QCheckBox>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <clocale>

namespace {

constexpr int kLong = 20000; // ms: generous, the tones last 0.3 s
const QString kMediaError = QStringLiteral("Error with Media Player");

struct Program : App {
    QStringList captions;
    QList<QList<int>> selections;

    QString tone(const QString& name, double seconds = 0.3) {
        writeBytes(env.path(name), Tones::wavBytes(seconds, 440.0, 22050));
        return env.path(name);
    }
    void tones(int n) {
        for (int i = 0; i < n; ++i)
            w->playlistModel().append(tone(QStringLiteral("t%1.wav").arg(i)));
    }
    // Records Player 1's caption each time it changes, with the selection
    // then (the window is made anew for each run).
    struct Recorder : QObject {
        Program& p;
        explicit Recorder(Program& program) : p(program) { qApp->installEventFilter(this); }
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::WindowTitleChange && o->objectName() == u"player") {
                p.captions << static_cast<QWidget*>(o)->windowTitle();
                p.selections << p.selectedRows();
            }
            return false;
        }
    } recorder{*this};
};

// With Loop set, a list whose every song fails: each is reported once and the
// run ends.
void runOfFailuresEnds(Program& p) {
    p.w->chkLoop->setCheckState(Qt::Checked);
    p.w->btnPlay_Click();
    QTRY_VERIFY_WITH_TIMEOUT(!p.state.listPlaying, kLong);
    QTRY_VERIFY(!p.w->player1());
    QCOMPARE(p.platform.messages.texts(), QStringList({kMediaError, kMediaError}));
}

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void nextSongRule();
    void listRun();
    void clickDuringRunPicksNext();
    void playSongWithAndWithoutLoop();
    void play2EndingClosesPlayer1();
    void failedFilesReportedAndRunGoesOn();
    void withoutMediaLibrary();
    void playerWindows();
};

void TestPlayback::nextSongRule() {
    const QStringList e = {"/a", "/b", "", "/d"};
    auto next = [&](int cur, int focus, bool list, bool single, int loop) {
        return expectedNextFile({e, cur, focus, list, single, loop});
    };
    QCOMPARE(next(0, 0, true, false, 0), QStringLiteral("/b"));
    QCOMPARE(next(1, 0, true, false, 0), QString()); // an empty entry ends the run
    QCOMPARE(next(1, 0, true, false, 1), QStringLiteral("/a"));
    QCOMPARE(next(3, 0, true, false, 1), QStringLiteral("/a"));
    QCOMPARE(next(3, 0, true, false, 2), QString());
    QCOMPARE(next(0, 3, true, true, 1), QStringLiteral("/d"));
    QCOMPARE(next(0, 3, true, true, 0), QString());
    QCOMPARE(next(0, 0, false, false, 1), QString());
}

void TestPlayback::listRun() {
    Program p;
    p.w->btnPlay_Click();
    QCOMPARE(p.platform.messages.texts(), QStringList({"Error! No songs in playlist."}));
    QVERIFY(!p.w->player1());
    QVERIFY(QFile::exists(p.env.settingsFile())); // saved all the same
    p.platform.messages.shown.clear();

    p.tones(3);
    QTest::mouseClick(p.w->btnPlay, Qt::LeftButton);
    QVERIFY(p.w->player1() && p.state.listPlaying);
    QTRY_VERIFY_WITH_TIMEOUT(!p.w->player1(), kLong);
    QCOMPARE(p.captions, QStringList({"Player 1: t0.wav", "Player 1: t1.wav", "Player 1: t2.wav"}));
    QCOMPARE(p.selections, QList<QList<int>>({{0}, {1}, {2}}));
    QVERIFY(p.selectedRows().isEmpty() && !p.state.listPlaying);
    QCOMPARE(p.state.currentIndex, 3);
    QVERIFY(p.platform.messages.shown.isEmpty());
    QVERIFY(readBytes(p.env.autosaveFile()).contains("t2.wav"));

    // Past the end, Play List starts at the top. With Loop the list starts
    // again at its end, and the settings are saved again before it does.
    p.captions.clear();
    p.w->chkLoop->setCheckState(Qt::Checked);
    p.w->btnPlay_Click();
    QTRY_COMPARE_WITH_TIMEOUT(p.captions.size(), 3, kLong);
    QCOMPARE(p.captions.first(), QStringLiteral("Player 1: t0.wav"));
    QFile::remove(p.env.settingsFile());
    QTRY_COMPARE_WITH_TIMEOUT(p.captions.size(), 4, kLong);
    QCOMPARE(p.captions.last(), QStringLiteral("Player 1: t0.wav"));
    QVERIFY(QFile::exists(p.env.settingsFile()));
    p.w->btnStop_Click();
    QVERIFY(!p.w->player1() && !p.state.listPlaying);
}

void TestPlayback::clickDuringRunPicksNext() {
    Program p;
    for (int i = 0; i < 7; ++i)
        p.w->playlistModel().append(p.tone(QStringLiteral("c%1.wav").arg(i), i == 2 ? 1.5 : 0.3));
    p.state.currentIndex = 2;
    p.w->btnPlay_Click();
    QTRY_COMPARE(p.captions.size(), 1);
    p.click(5); // while entry 2 plays
    QCOMPARE(p.state.currentIndex, 5);
    QTRY_COMPARE_WITH_TIMEOUT(p.captions.size(), 2, kLong);
    QCOMPARE(p.captions.at(1), QStringLiteral("Player 1: c6.wav"));
    QTRY_VERIFY_WITH_TIMEOUT(!p.w->player1(), kLong);
}

void TestPlayback::playSongWithAndWithoutLoop() {
    Program p;
    p.tones(3);
    p.w->setFocusedPosition(1);
    // Without Loop: one song, then Player 1 stays open, halted. Enter in the
    // list is Play Song.
    p.w->playlist->setFocus();
    QTest::keyClick(p.w->playlist, Qt::Key_Return);
    QVERIFY(p.state.singleSong);
    QTRY_VERIFY_WITH_TIMEOUT(!p.state.listPlaying, kLong);
    QVERIFY(!p.state.singleSong && p.w->player1());
    QCOMPARE(p.captions, QStringList({"Player 1: t1.wav"}));
    // Played again with the transport bar, its end closes Player 1.
    p.w->player1()->MediaPlayer1->play();
    QTRY_VERIFY_WITH_TIMEOUT(!p.w->player1(), kLong);

    // With Loop: the same song again and again until Stop All.
    p.w->chkLoop->setCheckState(Qt::Checked);
    int ends = 0;
    QTest::keyClick(p.w->playlist, Qt::Key_Enter, Qt::KeypadModifier);
    QObject::connect(p.w->player1()->MediaPlayer1, &MediaPlayer::PlayStateChange,
                     [&](int s) { ends += s == MediaPlayer::MediaEnded; });
    QTRY_VERIFY_WITH_TIMEOUT(ends >= 2, kLong);
    QVERIFY(p.state.listPlaying);
    QCOMPARE(p.w->player1()->windowTitle(), QStringLiteral("Player 1: t1.wav"));
    p.w->btnStop_Click();
    QVERIFY(!p.w->player1());
}

void TestPlayback::play2EndingClosesPlayer1() {
    Program p;
    p.w->playlistModel().append(
        QStringList({p.tone("long.wav", 3.0), p.tone("long2.wav", 3.0), p.tone("mix.wav")}));
    p.w->btnPlay_Click();
    p.w->showMinimized();
    p.w->setFocusedPosition(2);
    p.w->btnPlay2_Click();
    QCOMPARE(p.w->player2Window()->windowTitle(), QStringLiteral("Player 2: mix.wav"));
    // When Player 2's song ends, the main window's remote closes Player 1 and
    // restores the main window.
    p.w->player2Window()->MediaPlayer1->play();
    QTRY_VERIFY_WITH_TIMEOUT(!p.w->player1(), kLong);
    QTRY_VERIFY(p.w->isNormalState());
    QVERIFY(p.w->player2Window());
    p.w->btnStop_Click();
}

void TestPlayback::failedFilesReportedAndRunGoesOn() {
    Program p;
    const QString bogus = p.env.path("not-audio.mp3");
    writeBytes(bogus, QByteArray(4000, 'x'));
    // A missing file and one that is no audio are each reported once; an
    // empty entry ends the run.
    p.w->playlistModel().append(QStringList({p.tone("m0.wav"), p.env.path("missing.wav"), bogus,
                                             p.tone("m3.wav"), "", p.tone("m5.wav")}));
    p.w->btnPlay_Click();
    QTRY_VERIFY_WITH_TIMEOUT(!p.w->player1(), kLong);
    QCOMPARE(p.platform.messages.texts(), QStringList({kMediaError, kMediaError}));
    QCOMPARE(p.captions.first(), QStringLiteral("Player 1: m0.wav"));
    QCOMPARE(p.captions.last(), QStringLiteral("Player 1: m3.wav"));
    QVERIFY(!p.state.listPlaying);

    // Only unplayable files, with Loop: the run ends all the same.
    p.w->btnClear_Click();
    p.platform.messages.shown.clear();
    p.w->playlistModel().append(QStringList({p.env.path("a.wav"), p.env.path("b.wav")}));
    runOfFailuresEnds(p);
}

// Run with JUKORA_MPV_LIBRARY naming a missing file: every song fails as an
// unplayable one does.
void TestPlayback::withoutMediaLibrary() {
    if (qEnvironmentVariable("JUKORA_MPV_LIBRARY") != u"/nonexistent/libmpv.so")
        QSKIP("needs JUKORA_MPV_LIBRARY=/nonexistent/libmpv.so");
    Program p;
    p.tones(2);
    runOfFailuresEnds(p);
}

void TestPlayback::playerWindows() {
    Program p;
    p.tones(1);
    p.state.settings.PlayW = 0;
    p.state.settings.PlayH = -60;
    p.state.settings.PlayX = 1500;
    p.w->setFocusedPosition(0);
    p.w->btnPlaysong_Click();
    player* p1 = p.w->player1();
    QVERIFY(QTest::qWaitForWindowExposed(p1));
    // Player 1 applies only the values above 0; the design size stays.
    QCOMPARE(p1->size(), QSize(Twips::toPx(6765), Twips::toPx(6495)));
    QCOMPARE(WindowGeometry::left(p1), 1500.0);
    // Of the files dropped on it, it plays the first at once.
    const QStringList dropped = {p.tone("d1.wav"), p.tone("d2.wav"), p.env.path("t0.wav")};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped[0]), QUrl::fromLocalFile(dropped[1]),
                  QUrl::fromLocalFile(dropped[2])});
    p1->Form_OLEDragDrop(&data);
    QCOMPARE(p.state.playerFile, dropped[0]);
    QCOMPARE(p1->windowTitle(), QStringLiteral("Player 1: d1.wav"));
    QCOMPARE(p1->MediaPlayer1->URL(), dropped[0]);
    p.w->btnStop_Click();

    // Player 2 applies its four values without further condition, and
    // loads the song halted, again so with the same file.
    p.state.settings.Play2W = 7500;
    p.state.settings.Play2H = 4500;
    p.state.settings.Play2X = 3000;
    p.state.settings.Play2Y = 1500;
    for (int wait : {800, 500}) {
        p.w->btnPlay2_Click();
        QVERIFY(p.state.mixerCued);
        MediaPlayer* m = p.w->player2Window()->MediaPlayer1;
        QTest::qWait(wait);
        QCOMPARE(m->position(), 0.0);
        QVERIFY(m->playState() == MediaPlayer::Paused || m->playState() == MediaPlayer::Stopped);
    }
    player2* p2 = p.w->player2Window();
    QCOMPARE(QRectF(WindowGeometry::left(p2), WindowGeometry::top(p2),
                    WindowGeometry::outerWidth(p2), WindowGeometry::outerHeight(p2)),
             QRectF(3000, 1500, 7500, 4500));
    // Stop All with only Player 2 open leaves the run's flag alone.
    p.state.listPlaying = true;
    p.w->btnStop_Click();
    QVERIFY(!p.w->player2Window() && !p.state.mixerCued && p.state.listPlaying);

    // The shutdown closes Player 2 and writes its place.
    p.w->btnPlay2_Click();
    QVERIFY(QTest::qWaitForWindowExposed(p.w->player2Window()));
    WindowGeometry::setLeft(p.w->player2Window(), 4500);
    p.w->close();
    QVERIFY(!p.w->player2Window());
    const QByteArray ini = readBytes(p.env.settingsFile());
    QVERIFY(ini.contains("Play2W=7500") && ini.contains("Play2X=4500"));
}

QTEST_MAIN(TestPlayback)
#include "test_playback.moc"
