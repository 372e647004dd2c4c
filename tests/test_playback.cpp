// The player windows and the list run, with the real media component
// playing short tones the test writes.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "app/frmFiles.h"
#include "playback/MediaPlayer.h"
#include "playback/NextSong.h"

#include <QCheckBox>
#include <QFile>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

#include <clocale>

namespace {

constexpr int kLong = 20000; // ms: generous, the tones last 0.3 s

struct Program {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    frmFiles w{state, platform.platform};
    // Player 1's caption each time it changed, with the selection then.
    QStringList captions;
    QList<QList<int>> selections;

    Program() {
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    QString tone(const QString& name, double seconds = 0.3) {
        const QString path = env.path(name);
        writeBytes(path, Tones::wavBytes(seconds, 440.0, 22050));
        return path;
    }
    QStringList tones(int n) {
        QStringList out;
        for (int i = 0; i < n; ++i)
            out << tone(QStringLiteral("t%1.wav").arg(i));
        w.playlistModel().append(out);
        return out;
    }
    QList<int> selectedRows() {
        QList<int> rows;
        for (int i = 0; i < w.playlistModel().count(); ++i)
            if (w.isSelected(i))
                rows << i;
        return rows;
    }
    // Records Player 1's captions from now on, as they change (the window
    // is made anew for each run).
    void watchPlayer1() { qApp->installEventFilter(&recorder); }
    struct Recorder : QObject {
        Program* program;
        explicit Recorder(Program* p) : program(p) {}
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::WindowTitleChange && o->objectName() == u"player") {
                program->captions << static_cast<QWidget*>(o)->windowTitle();
                program->selections << program->selectedRows();
            }
            return false;
        }
    } recorder{this};
};

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void nextSongRule();
    void playListEmpty();
    void listRunWithoutLoop();
    void listRunWithLoop();
    void clickDuringRunPicksNext();
    void playSongWithAndWithoutLoop();
    void play2EndingClosesPlayer1();
    void stopAllWithOnlyPlayer2();
    void player2LoadsAndHalts();
    void emptyEntryEndsRun();
    void missingFileReportedAndRunGoesOn();
    void onlyUnplayableFilesEndTheRun();
    void withoutMediaLibrary();
    void savedGeometry();
    void dropOnPlayer1LoadsFirst();
    void shutdownStoresPlayerGeometry();
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

void TestPlayback::playListEmpty() {
    Program p;
    p.w.btnPlay_Click();
    QCOMPARE(p.platform.messages.texts(), QStringList({"Error! No songs in playlist."}));
    QVERIFY(!p.w.player1());
    // The settings were saved all the same.
    QVERIFY(QFile::exists(p.env.settingsFile()));
}

void TestPlayback::listRunWithoutLoop() {
    Program p;
    const QStringList files = p.tones(3);
    p.watchPlayer1();
    QTest::mouseClick(static_cast<QWidget*>(p.w.btnPlay), Qt::LeftButton);
    QVERIFY(p.w.player1());
    QVERIFY(p.state.listPlaying);
    QTRY_VERIFY_WITH_TIMEOUT(!p.w.player1(), kLong);
    QCOMPARE(p.captions, QStringList({"Player 1: t0.wav", "Player 1: t1.wav", "Player 1: t2.wav"}));
    QCOMPARE(p.selections, QList<QList<int>>({{0}, {1}, {2}}));
    QVERIFY(p.selectedRows().isEmpty());
    QVERIFY(!p.state.listPlaying);
    QCOMPARE(p.state.currentIndex, 3);
    QVERIFY(p.platform.messages.shown.isEmpty());
    // The autosave holds the list as it was at Play List.
    QVERIFY(readBytes(p.env.autosaveFile()).contains("t2.wav"));

    // A second Play List with currentIndex past the end starts at the top.
    p.captions.clear();
    p.w.btnPlay_Click();
    QTRY_VERIFY(!p.captions.isEmpty());
    QCOMPARE(p.captions.first(), QStringLiteral("Player 1: t0.wav"));
    p.w.btnStop_Click();
}

void TestPlayback::listRunWithLoop() {
    Program p;
    p.tones(3);
    p.w.chkLoop->setCheckState(Qt::Checked);
    p.watchPlayer1();
    p.w.btnPlay_Click();
    QTRY_COMPARE_WITH_TIMEOUT(p.captions.size(), 3, kLong);
    // Before the list starts again, the settings are saved again.
    QFile::remove(p.env.settingsFile());
    QTRY_COMPARE_WITH_TIMEOUT(p.captions.size(), 4, kLong);
    QCOMPARE(p.captions.last(), QStringLiteral("Player 1: t0.wav"));
    QVERIFY(QFile::exists(p.env.settingsFile()));
    QVERIFY(p.w.player1());
    p.w.btnStop_Click();
    QVERIFY(!p.w.player1());
    QVERIFY(!p.state.listPlaying);
}

void TestPlayback::clickDuringRunPicksNext() {
    Program p;
    QStringList files;
    for (int i = 0; i < 7; ++i)
        files << p.tone(QStringLiteral("c%1.wav").arg(i), i == 2 ? 1.5 : 0.3);
    p.w.playlistModel().append(files);
    p.watchPlayer1();
    p.state.currentIndex = 2;
    p.w.btnPlay_Click();
    QTRY_COMPARE(p.captions.size(), 1);
    // While entry 2 plays, the user clicks entry 5.
    const QRect r = p.w.playlist->visualRect(p.w.playlistModel().index(5));
    QTest::mouseClick(p.w.playlist->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QCOMPARE(p.state.currentIndex, 5);
    QTRY_COMPARE_WITH_TIMEOUT(p.captions.size(), 2, kLong);
    QCOMPARE(p.captions.at(1), QStringLiteral("Player 1: c6.wav"));
    QTRY_VERIFY_WITH_TIMEOUT(!p.w.player1(), kLong);
}

void TestPlayback::playSongWithAndWithoutLoop() {
    Program p;
    p.tones(3);
    p.w.setFocusedPosition(1);
    p.watchPlayer1();
    // Without Loop: one song, then Player 1 stays open, halted.
    p.w.btnPlaysong_Click();
    QVERIFY(p.state.singleSong);
    QTRY_VERIFY_WITH_TIMEOUT(!p.state.listPlaying, kLong);
    QVERIFY(!p.state.singleSong);
    QVERIFY(p.w.player1());
    QCOMPARE(p.captions, QStringList({"Player 1: t1.wav"}));
    // The user plays it again with the transport bar: its end closes Player 1.
    p.w.player1()->MediaPlayer1->play();
    QTRY_VERIFY_WITH_TIMEOUT(!p.w.player1(), kLong);

    // With Loop: the same song again and again until Stop All.
    p.w.chkLoop->setCheckState(Qt::Checked);
    int ends = 0;
    p.w.btnPlaysong_Click();
    QObject::connect(p.w.player1()->MediaPlayer1, &MediaPlayer::PlayStateChange,
                     [&](int s) { ends += s == MediaPlayer::MediaEnded; });
    QTRY_VERIFY_WITH_TIMEOUT(ends >= 2, kLong);
    QVERIFY(p.w.player1());
    QVERIFY(p.state.listPlaying);
    QCOMPARE(p.w.player1()->windowTitle(), QStringLiteral("Player 1: t1.wav"));
    p.w.btnStop_Click();
    QVERIFY(!p.w.player1());
}

void TestPlayback::play2EndingClosesPlayer1() {
    Program p;
    QStringList files = {p.tone("long.wav", 3.0), p.tone("long2.wav", 3.0), p.tone("mix.wav")};
    p.w.playlistModel().append(files);
    p.w.btnPlay_Click();
    QVERIFY(p.w.player1());
    p.w.showMinimized();
    p.w.setFocusedPosition(2);
    p.w.btnPlay2_Click();
    QVERIFY(p.w.player2Window());
    QCOMPARE(p.w.player2Window()->windowTitle(), QStringLiteral("Player 2: mix.wav"));
    // The user starts Player 2; when its song ends, loadPending is clear and
    // the main window's remote closes Player 1 and restores the main window.
    p.w.player2Window()->MediaPlayer1->play();
    QTRY_VERIFY_WITH_TIMEOUT(!p.w.player1(), kLong);
    QTRY_VERIFY(p.w.isNormalState());
    QVERIFY(p.w.player2Window());
    p.w.btnStop_Click();
}

void TestPlayback::stopAllWithOnlyPlayer2() {
    Program p;
    p.tones(2);
    p.w.setFocusedPosition(1);
    p.w.btnPlay2_Click();
    QVERIFY(p.state.mixerCued);
    p.state.listPlaying = true; // as a run might have left it
    p.w.btnStop_Click();
    QVERIFY(!p.w.player2Window());
    QVERIFY(!p.state.mixerCued);
    QVERIFY(p.state.listPlaying);
}

void TestPlayback::player2LoadsAndHalts() {
    Program p;
    p.tones(2);
    p.w.setFocusedPosition(0);
    p.w.btnPlay2_Click();
    MediaPlayer* m = p.w.player2Window()->MediaPlayer1;
    QTest::qWait(800);
    QCOMPARE(m->position(), 0.0);
    QVERIFY(m->playState() == MediaPlayer::Paused || m->playState() == MediaPlayer::Stopped);
    QCOMPARE(p.state.currentIndex, 0);
    // Again with the same file: loaded again, still halted.
    p.w.btnPlay2_Click();
    QTest::qWait(500);
    QCOMPARE(m->position(), 0.0);
    QVERIFY(m->playState() != MediaPlayer::Playing);
    p.w.btnStop_Click();
}

void TestPlayback::emptyEntryEndsRun() {
    Program p;
    p.w.playlistModel().append(QStringList({p.tone("e0.wav"), QString(), p.tone("e2.wav")}));
    p.watchPlayer1();
    p.w.btnPlay_Click();
    QTRY_VERIFY_WITH_TIMEOUT(!p.w.player1(), kLong);
    QCOMPARE(p.captions, QStringList({"Player 1: e0.wav"}));
    QVERIFY(!p.state.listPlaying);
}

void TestPlayback::missingFileReportedAndRunGoesOn() {
    Program p;
    const QString bogus = p.env.path("not-audio.mp3");
    writeBytes(bogus, QByteArray(4000, 'x'));
    p.w.playlistModel().append(
        QStringList({p.tone("m0.wav"), p.env.path("missing.wav"), bogus, p.tone("m3.wav")}));
    p.watchPlayer1();
    p.w.btnPlay_Click();
    QTRY_VERIFY_WITH_TIMEOUT(!p.w.player1(), kLong);
    QCOMPARE(p.platform.messages.texts(),
             QStringList({"Error with Media Player", "Error with Media Player"}));
    QCOMPARE(p.captions.last(), QStringLiteral("Player 1: m3.wav"));
    QVERIFY(!p.state.listPlaying);
}

void TestPlayback::onlyUnplayableFilesEndTheRun() {
    Program p;
    p.w.playlistModel().append(QStringList({p.env.path("a.wav"), p.env.path("b.wav")}));
    p.w.chkLoop->setCheckState(Qt::Checked);
    p.w.btnPlay_Click();
    QTRY_VERIFY_WITH_TIMEOUT(!p.state.listPlaying, kLong);
    QTRY_VERIFY(!p.w.player1());
    QCOMPARE(p.platform.messages.texts().size(), 2);
}

// Without the decoder library (run with JUKORA_MPV_LIBRARY naming a missing
// file) every song fails as an unplayable one does: each is reported once and
// the run ends, Loop or not.
void TestPlayback::withoutMediaLibrary() {
    if (qEnvironmentVariable("JUKORA_MPV_LIBRARY") != u"/nonexistent/libmpv.so")
        QSKIP("needs JUKORA_MPV_LIBRARY=/nonexistent/libmpv.so");
    Program p;
    p.tones(2);
    p.w.chkLoop->setCheckState(Qt::Checked);
    p.w.btnPlay_Click();
    QTRY_VERIFY_WITH_TIMEOUT(!p.state.listPlaying, kLong);
    QTRY_VERIFY(!p.w.player1());
    QCOMPARE(p.platform.messages.texts(),
             QStringList({"Error with Media Player", "Error with Media Player"}));
}

void TestPlayback::savedGeometry() {
    Program p;
    p.tones(1);
    p.state.settings.PlayW = 0;
    p.state.settings.PlayH = -60;
    p.state.settings.PlayX = 1500;
    p.state.settings.PlayY = 0;
    p.w.setFocusedPosition(0);
    p.w.btnPlaysong_Click();
    player* p1 = p.w.player1();
    QVERIFY(QTest::qWaitForWindowExposed(p1));
    // Only the value above 0 was applied; the design size stays.
    QCOMPARE(p1->width(), Twips::toPx(6765));
    QCOMPARE(p1->height(), Twips::toPx(6495));
    QCOMPARE(WindowGeometry::left(p1), 1500.0);
    p.w.btnStop_Click();

    // Player 2 applies its four values without further condition.
    p.state.settings.Play2W = 7500;
    p.state.settings.Play2H = 4500;
    p.state.settings.Play2X = 3000;
    p.state.settings.Play2Y = 1500;
    p.w.btnPlay2_Click();
    player2* p2 = p.w.player2Window();
    QVERIFY(QTest::qWaitForWindowExposed(p2));
    QCOMPARE(WindowGeometry::outerWidth(p2), 7500.0);
    QCOMPARE(WindowGeometry::outerHeight(p2), 4500.0);
    QCOMPARE(WindowGeometry::left(p2), 3000.0);
    QCOMPARE(WindowGeometry::top(p2), 1500.0);
    p.w.btnStop_Click();
}

void TestPlayback::dropOnPlayer1LoadsFirst() {
    Program p;
    const QStringList files = {p.tone("d0.wav"), p.tone("d1.wav"), p.tone("d2.wav")};
    p.w.playlistModel().append(files.first());
    p.w.setFocusedPosition(0);
    p.w.btnPlaysong_Click();
    player* p1 = p.w.player1();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(files[1]), QUrl::fromLocalFile(files[2]),
                  QUrl::fromLocalFile(files[0])});
    p1->Form_OLEDragDrop(&data);
    QCOMPARE(p.state.playerFile, files[1]);
    QCOMPARE(p1->windowTitle(), QStringLiteral("Player 1: d1.wav"));
    QCOMPARE(p1->MediaPlayer1->URL(), files[1]);
    p.w.btnStop_Click();
}

void TestPlayback::shutdownStoresPlayerGeometry() {
    Program p;
    p.tones(1);
    p.w.setFocusedPosition(0);
    p.w.btnPlay2_Click();
    QVERIFY(QTest::qWaitForWindowExposed(p.w.player2Window()));
    p.w.close();
    QVERIFY(!p.w.player2Window());
    QVERIFY(p.state.settings.Play2W > 0);
    QVERIFY(readBytes(p.env.settingsFile())
                .contains("Play2W=" + QByteArray::number(qint64(p.state.settings.Play2W))));
}

QTEST_MAIN(TestPlayback)
#include "test_playback.moc"
