// The playback rules over two fake players: no window, no decoder, no waiting.
#include "support/FakePlayback.h"

#include "core/playback/NextSong.h"

#include <QtTest>

#include <functional>

using Change = std::function<void(FakePlayback&)>;
Q_DECLARE_METATYPE(Change)

namespace {

QStringList songs(int n) {
    QStringList s;
    for (int i = 0; i < n; ++i)
        s << QStringLiteral("/m/s%1.mp3").arg(i);
    return s;
}

// Files in /m/ by name; "_" is an empty entry.
QStringList paths(const char* names) {
    QStringList out;
    for (const QString& n : QString::fromLatin1(names).split(u' ', Qt::SkipEmptyParts))
        out << (n == u"_" ? QString() : "/m/" + n);
    return out;
}

QString failedText(const QString& file) {
    return PlaybackController::mediaErrorText() + QStringLiteral("\n\n") + file;
}

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void listRun() {
        FakePlayback empty;
        empty.c.playList();
        QCOMPARE(empty.host.messages, QStringList{"Error! No songs in playlist."});
        QVERIFY(!empty.host.open[0] && empty.host.saves == 1); // saved all the same
        for (int loop : {0, 1}) {
            FakePlayback f(songs(3));
            f.c.setLoop(loop);
            f.state.currentIndex = 7; // past the end: the run starts at the top
            f.c.playList();
            QCOMPARE(f.host.saves, 1);
            for (int i = 0; i < 3; ++i, f.p1.finish()) {
                QCOMPARE(f.host.captions[0], QStringLiteral("Player 1: s%1.mp3").arg(i));
                QCOMPARE(f.selectedRows(), QList<int>{i}); // each selected while it plays
                QVERIFY(f.host.open[0] && f.state.listPlaying);
            }
            QCOMPARE(f.p1.cuts, 0);
            QVERIFY(f.host.messages.isEmpty());
            if (loop) { // again from the top, the settings saved again
                QVERIFY(f.p1.url == u"/m/s0.mp3" && f.host.saves == 2);
                QVERIFY(f.state.listPlaying && f.host.open[0]);
            } else {
                QVERIFY(!f.host.open[0] && !f.state.listPlaying && f.selectedRows().isEmpty());
                QVERIFY(f.state.currentIndex == 3 && f.host.restores == 1);
            }
        }
    }
    // Whatever changes during a song, the queued file is the one the rule
    // plays at its end: the song ends whole and the next follows.
    void songHeardWhole_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("next"); // empty: the run ends
        const auto row = [](const char* name, int start, const char* next, Change change) {
            QTest::newRow(name) << start << change << QString::fromLatin1(next);
        };
        row("nothing", 1, "/m/s2.mp3", [](FakePlayback&) {});
        row("click on another entry", 1, "/m/s5.mp3", [](FakePlayback& f) { f.focus(4); });
        row("Play2 Song", 1, "/m/s4.mp3", [](FakePlayback& f) { f.focus(3), f.c.play2Song(); });
        row("playing entry moved down", 1, "/m/s3.mp3",
            [](FakePlayback& f) { f.model.swapEntries(1, 2), f.state.currentIndex = 2; });
        row("next entry removed", 1, "/m/s3.mp3", [](FakePlayback& f) { f.model.removeAt(2); });
        row("Loop set on the last entry", 6, "/m/s0.mp3", [](FakePlayback& f) { f.c.setLoop(1); });
        row("entry added after the last", 6, "/m/new.mp3",
            [](FakePlayback& f) { f.model.append("/m/new.mp3"); });
        row("list sorted", 1, "/m/x", [](FakePlayback& f) {
            f.model.replaceAll({"/m/z", "/m/y", "/m/x"});
        });
        row("next entry missing", 1, "/m/s3.mp3",
            [](FakePlayback& f) { f.model.setText(2, "/m/missing.mp3"); });
        row("next entry empty", 1, "", [](FakePlayback& f) { f.model.setText(2, ""); });
        row("list cleared", 1, "", [](FakePlayback& f) { f.model.clear(); });
    }
    void songHeardWhole() {
        QFETCH(int, start);
        QFETCH(Change, change);
        QFETCH(QString, next);
        FakePlayback f(songs(7));
        f.state.currentIndex = start;
        f.c.playList();
        change(f);
        QCOMPARE(f.p1.queued, next);
        QCOMPARE(f.c.expectedNext(), next);
        f.p1.finish();
        QCOMPARE(f.p1.cuts, 0);
        if (next.isEmpty())
            QVERIFY(!f.host.open[0] && !f.state.listPlaying);
        else
            QVERIFY(f.p1.url == next && f.host.captions[0] == "Player 1: " + next.mid(3));
    }
    void singleSong() {
        FakePlayback f(songs(3));
        f.c.playSong(); // nothing focused: the file is empty, and no message
        QCoreApplication::processEvents();
        QVERIFY(f.host.captions[0] == u"Player 1: " && f.host.messages.isEmpty());
        f.focus(1);
        // Without Loop: one song, then Player 1 stays open, halted.
        f.c.playSong();
        QVERIFY(f.state.singleSong && f.p1.queued.isEmpty());
        f.p1.finish();
        QVERIFY(!f.state.listPlaying && !f.state.singleSong && f.host.open[0]);
        // Played again with the transport bar, its end closes Player 1.
        f.p1.play();
        f.p1.finish();
        QVERIFY(!f.host.open[0] && f.host.restores == 1);
        // With Loop: the same song again and again, without a gap, until Stop All.
        f.c.setLoop(1);
        f.c.playSong();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(f.p1.queued, QStringLiteral("/m/s1.mp3"));
            f.p1.finish();
            QCOMPARE(f.p1.url, QStringLiteral("/m/s1.mp3"));
        }
        QCOMPARE(f.p1.cuts, 0);
        f.c.stopAll();
        QVERIFY(!f.host.open[0] && !f.state.listPlaying);
    }
    // A file that cannot be played is reported once, the run goes on with
    // the next entry, and a run that could only fail ends.
    void failures() {
        // Entries ("_" an empty one), Play Song on entry 1 (else Play List),
        // Loop, songs that end, songs loaded, the file reported, the run on,
        // the entry it is at: a run of failures ends after one try of each.
        const char* bad = "missing0 missing1 missing2 missing3 missing4 missing5";
        const struct {
            const char* entries;
            bool song;
            int loop, laps;
            const char *played, *reported;
            bool runOn;
            int at;
        } cases[] = {
            {bad, true, 1, 0, "", "missing1", false, 1},
            {bad, false, 1, 0, "", "missing0", false, 5},
            {"a missing c _ e", false, 0, 2, "a c", "missing", false, 3},
            {"a missing c", false, 1, 6, "a c a c a c a", "missing", true, 0}, // three laps
        };
        for (const auto& t : cases) {
            FakePlayback f(paths(t.entries));
            f.c.setLoop(t.loop);
            t.song ? (f.focus(1), f.c.playSong()) : f.c.playList();
            for (int i = 0; i < t.laps; ++i)
                f.p1.finish();
            QCoreApplication::processEvents(); // the messages come after the command
            QStringList loads = f.p1.log.filter(QRegularExpression("^load "));
            QCOMPARE(loads.replaceInStrings("load ", ""), paths(t.played));
            QCOMPARE(f.host.messages, QStringList{failedText("/m/" + QLatin1String(t.reported))});
            QCOMPARE(f.state.listPlaying.get(), t.runOn);
            QCOMPARE(f.state.currentIndex.get(), t.at);
            QCOMPARE(f.p1.cuts, 0);
        }
        // Found while it plays: the next song starts at once, then one message.
        FakePlayback f({"/m/a", "/m/bad1", "/m/bad2", "/m/d"});
        QStringList playingWhileOpen;
        f.host.whileMessageOpen = [&] {
            playingWhileOpen << f.p1.url;
            if (f.p1.url == u"/m/bad2")
                f.p1.fail(); // another failure while the box is open
        };
        f.c.playList();
        f.p1.finish();
        f.p1.fail(); // /m/bad1 turns out not to be media
        QCOMPARE(f.p1.url, QStringLiteral("/m/bad2"));
        QCoreApplication::processEvents();
        QCOMPARE(f.host.messages, QStringList{failedText("/m/bad1")});
        QCOMPARE(playingWhileOpen, QStringList{"/m/bad2"});
        QVERIFY(f.p1.url == u"/m/d" && f.state.listPlaying);
    }
    void player2AndStopAll() {
        FakePlayback f(songs(3));
        f.c.playList();
        f.focus(2);
        f.c.play2Song();
        QVERIFY(f.state.player2Cued && f.host.open[1] && f.state.currentIndex == 2);
        QCOMPARE(f.host.captions[1], QStringLiteral("Player 2: s2.mp3"));
        // Player 2's song ends: Player 1 and its run go on as they were.
        f.p2.play();
        f.p2.finish();
        QVERIFY(f.host.open[0] && f.state.listPlaying && f.host.open[1] && f.host.restores == 0);
        QCOMPARE(f.state.player1File, QStringLiteral("/m/s0.mp3"));
        // Stop All with only Player 2 open leaves the run's flag as it was.
        f.host.open[0] = false;
        f.c.stopAll();
        QVERIFY(!f.host.open[1] && !f.state.player2Cued && f.state.listPlaying);
        // Player 2 is only ever cued, halted, also at Stop All.
        QCOMPARE(f.p2.log, QStringList({"cue /m/s2.mp3", "stop", "pause", "play", "cue /m/s2.mp3",
                                        "stop", "pause", "stop", "close"}));
        // Stop All after a single song ended: Player 1 loads halted and closes.
        f.state.listPlaying = false;
        f.focus(0);
        f.c.playSong();
        f.p1.finish();
        f.p1.log.clear();
        f.c.stopAll();
        QCOMPARE(f.p1.log, QStringList({"cue /m/s0.mp3", "stop", "close"}));
    }
    void dropsAndVolume() {
        FakePlayback f(songs(2));
        f.host.open[0] = f.host.open[1] = true;
        // Dropped while no run is on: loaded halted; if it cannot be played,
        // that is said and nothing else starts.
        f.c.dropOnPlayer(1, "/d/x.mp3");
        f.p1.fail();
        QCoreApplication::processEvents();
        QCOMPARE(f.p1.log, QStringList({"stop", "cue /d/x.mp3", "stop"}));
        QCOMPARE(f.host.messages, QStringList{failedText("/d/x.mp3")});
        QCOMPARE(f.host.captions[0], QStringLiteral("Player 1: x.mp3"));
        f.c.dropOnPlayer(2, "/d/y.mp3");
        QCOMPARE(f.state.player2File, QStringLiteral("/d/y.mp3"));
        // One volume for both players, the desktop and the next start.
        QSignalSpy spy(&f.c, &PlaybackController::volumeChanged);
        f.p1.setVolume(30); // Player 1's slider
        QVERIFY(f.p2.vol == 30 && f.state.volume == 30 && spy.count() == 1);
        f.c.setVolume(180);
        QVERIFY(f.p1.vol == 100 && f.p2.vol == 100 && f.state.volume == 100);
    }
    void nextAndPrevious() {
        FakePlayback f(songs(4));
        f.state.currentIndex = 1;
        f.c.playList();
        QVERIFY(f.c.canGoNext() && f.c.canGoPrevious());
        f.c.next();
        QCOMPARE(f.p1.url, QStringLiteral("/m/s2.mp3"));
        f.c.previous();
        f.c.previous();
        QVERIFY(f.p1.url == u"/m/s0.mp3" && f.selectedRows() == QList<int>{0});
        QVERIFY(!f.c.canGoPrevious());
        f.p1.finish(); // the run goes on from there
        QCOMPARE(f.p1.url, QStringLiteral("/m/s1.mp3"));
        // Outside a list run: the entry after the current one, as Play Song.
        f.c.stopAll();
        f.c.next();
        QVERIFY(f.state.singleSong && f.p1.url == u"/m/s2.mp3");
    }
};

QTEST_MAIN(TestPlayback)
#include "test_playback.moc"
