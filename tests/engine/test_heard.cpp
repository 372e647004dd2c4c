// What a listener hears of a list run: the real rules and decoder playing
// tones into a private sound server, recorded. Every song is heard whole and
// the next follows without a gap, whatever the user does meanwhile.
#include "support/FakePlayback.h"
#include "support/Listener.h"
#include "support/Tones.h"

#include "core/playlist/PlaylistCommands.h"
#include "engine/MediaEngine.h"

#include <QtTest>

#include <clocale>

namespace {

constexpr double kSong = 0.8;       // seconds, each tone
constexpr double kTolerance = 0.02; // what may be missing or silent, seconds
// The last: the output closes with the server's latency (10-30 ms) in it.
constexpr double kLastTolerance = 0.045;

QString show(const QList<Listener::Tone>& heard) {
    QString out;
    for (const auto& t : heard)
        out += QStringLiteral("%1 Hz %2-%3; ").arg(t.frequency).arg(t.start).arg(t.end);
    return out;
}

} // namespace

class TestHeard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void everySongWhole_data() {
        QTest::addColumn<QString>("during"); // what the user does in the first song
        QTest::addColumn<QList<double>>("heard");
        QTest::newRow("a plain run") << QString() << QList<double>{440, 660, 880, 1100};
        QTest::newRow("another entry clicked") << "click" << QList<double>{440, 1100};
        // The queued next song follows the list as it now stands.
        QTest::newRow("the last entry dragged up") << "drag" << QList<double>{440, 1100, 660, 880};
        // Player 2's song ends and the run goes on.
        QTest::newRow("a song in Player 2") << "player 2" << QList<double>{440, 660, 880, 1100};
    }
    void everySongWhole() {
        QFETCH(QString, during);
        QFETCH(QList<double>, heard);
        Listener listener;
        if (!listener.error().isEmpty())
            QSKIP(qPrintable(listener.error()));
        qputenv("JUKORA_AUDIO", "pulse");
        Tones tones;
        QStringList songs;
        for (double f : {440, 660, 880, 1100})
            songs << tones.tone(QStringLiteral("%1.wav").arg(f), kSong, f);
        Playback<MediaEngine> p(songs);
        PlaylistCommands commands(p.state, p.model, p.selection,
                                  [] { return SettingsStore::SaveResult(); });

        listener.startRecording();
        p.c.playList();
        if (!during.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(p.p1.position() > 0.1, 10000);
            if (during == "click")
                p.selection.setCurrentIndex(p.model.index(2), QItemSelectionModel::ClearAndSelect);
            else if (during == "drag")
                commands.moveRows({3}, 1);
            else
                p.p2.setURL(tones.tone(QStringLiteral("cue.wav"), 0.2, 1320));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!p.host.open[0], 20000);
        QTest::qWait(300); // what the server still holds
        const QList<Listener::Tone> got = Listener::tones(listener.stopRecording(), heard);

        QVERIFY2(got.size() == heard.size(), qPrintable(show(got)));
        for (qsizetype i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].frequency, heard[i]);
            const double missing = i + 1 < got.size() ? kTolerance : kLastTolerance;
            QVERIFY2(got[i].length() > kSong - missing, qPrintable(show(got)));
            if (i > 0)
                QVERIFY2(got[i].start - got[i - 1].end < kTolerance, qPrintable(show(got)));
        }
        QVERIFY(p.host.messages.isEmpty());
    }
};

QTEST_MAIN(TestHeard)
#include "test_heard.moc"
