// The decoder engine over a real libmpv (null audio output), playing tones the
// test writes: the contract the playback rules and their fake player rely on.
#include "support/Tones.h"

#include "engine/MediaEngine.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <clocale>

namespace {

constexpr int kLong = 15000; // waits for the decoder, never for speed
constexpr int kSettle = 300; // what is on its way has arrived

template <typename T = int> QList<T> values(const QSignalSpy& spy) {
    QList<T> out;
    for (const QList<QVariant>& args : spy)
        out.append(args.at(0).value<T>());
    return out;
}

bool near(double seconds, double expected) {
    return qAbs(seconds - expected) < 0.05;
}

// An engine and what it reports.
struct Watched {
    MediaEngine e;
    QSignalSpy states{&e, &MediaControl::PlayStateChange};
    QSignalSpy errors{&e, &MediaControl::mediaError};
    int ends() const { return values(states).count(MediaControl::MediaEnded); }
};

#define SHOW(list) qPrintable(QTest::toString(list))
#define STATE(w, s) QCOMPARE((w).e.playState(), int(MediaControl::s))
#define WAIT_STATE(w, s) QTRY_COMPARE_WITH_TIMEOUT((w).e.playState(), int(MediaControl::s), kLong)
// The n-th end, and no more after it.
#define ENDS_EXACTLY(w, n)                                                                         \
    do {                                                                                           \
        QTRY_COMPARE_WITH_TIMEOUT((w).ends(), n, kLong);                                           \
        QTest::qWait(kSettle);                                                                     \
        QCOMPARE((w).ends(), n);                                                                   \
    } while (false)

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C"); // as main() does, for libmpv
        QVERIFY(m_tones.isValid());
    }
    void endsOncePerFile() {
        const QString a = tone("first.wav", 1.0), b = tone("second.wav", 0.3, 660);
        Watched w;
        STATE(w, Undefined);
        QVERIFY(w.e.setURL(a));
        WAIT_STATE(w, Playing);
        QTRY_VERIFY_WITH_TIMEOUT(near(w.e.duration(), 1.0), kLong);
        // Replaced before its end: a never ends, b ends once.
        QVERIFY(w.e.setURL(b));
        QCOMPARE(w.e.URL(), b);
        ENDS_EXACTLY(w, 1);
        STATE(w, MediaEnded);
        QVERIFY(!near(w.e.duration(), 1.0)); // nothing of a shows after
        const QList<int> seen = values(w.states);
        for (int i = 1; i < seen.size(); ++i)
            QVERIFY2(seen[i] != seen[i - 1], SHOW(seen));
        // Play after the end plays the file again, to its end.
        w.e.play();
        ENDS_EXACTLY(w, 2);
        QCOMPARE(w.errors.count(), 0);
    }
    void stopPauseAndCue() {
        const QString a = tone("one-second.wav", 1.0);
        Watched w;
        QVERIFY(w.e.setURL(a));
        QTRY_VERIFY_WITH_TIMEOUT(w.e.position() > 0.1, kLong);
        // A pause holds the position.
        w.e.pause();
        STATE(w, Paused);
        QTest::qWait(kSettle);
        const double at = w.e.position();
        QTest::qWait(kSettle);
        QCOMPARE(w.e.position(), at);
        // A seek moves it.
        w.e.seek(0.1);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(w.e.position() - 0.1) < 0.02, kLong);
        // Stop keeps the file, at its start.
        w.e.stop();
        STATE(w, Stopped);
        QTRY_COMPARE_WITH_TIMEOUT(w.e.position(), 0.0, kLong);
        QVERIFY(w.e.URL() == a && w.ends() == 0);

        // Cued: halted at the start, never playing, until play plays it whole.
        Watched cued;
        QVERIFY(cued.e.setURL(a, false));
        QTest::qWait(2 * kSettle);
        QCOMPARE(cued.e.position(), 0.0);
        QVERIFY2(!values(cued.states).contains(MediaControl::Playing), SHOW(values(cued.states)));
        cued.e.play();
        ENDS_EXACTLY(cued, 1);
    }
    void filesThatDoNotPlay() {
        Watched w;
        // Missing, a folder, an empty file: refused at once, nothing later.
        const QString missing = m_tones.path(QStringLiteral("nowhere.mp3"));
        const QString empty = m_tones.file(QStringLiteral("empty.mp3"), QByteArray());
        for (const QString& path : {missing, m_tones.path(QString()), empty}) {
            QVERIFY2(!w.e.canOpen(path), qPrintable(path));
            QVERIFY2(!w.e.setURL(path), qPrintable(path));
        }
        STATE(w, Undefined);
        QVERIFY(w.e.URL().isEmpty() && w.states.isEmpty());

        // Not media: one error, never playing or ended, also after play.
        const QString bad =
            m_tones.file(QStringLiteral("letter.mp3"),
                         QByteArray("Dear friend,\nthis is not a song at all.\n").repeated(40));
        QVERIFY(w.e.canOpen(bad) && w.e.setURL(bad));
        QTRY_COMPARE_WITH_TIMEOUT(w.errors.count(), 1, kLong);
        QCOMPARE(w.errors.at(0).at(0).toString(), bad);
        STATE(w, Stopped);
        w.e.play();
        QTest::qWait(kSettle);
        QCOMPARE(w.errors.count(), 1);
        QVERIFY2(!values(w.states).contains(MediaControl::Playing) && w.ends() == 0,
                 SHOW(values(w.states)));

        // The next good file plays as usual, and a refused one leaves it alone.
        const QString a = tone("still.wav", 0.5);
        QVERIFY(w.e.setURL(a));
        WAIT_STATE(w, Playing);
        QVERIFY(!w.e.setURL(missing));
        QCOMPARE(w.e.URL(), a);
        ENDS_EXACTLY(w, 1);
        QCOMPARE(w.errors.count(), 1);
        // Queued behind a good file, it fails only once it is named.
        QVERIFY(w.e.setURL(a));
        w.e.queueNext(bad);
        ENDS_EXACTLY(w, 2);
        QCOMPARE(w.errors.count(), 1);
        QVERIFY(w.e.setURL(bad));
        QTRY_COMPARE_WITH_TIMEOUT(w.errors.count(), 2, kLong);
        STATE(w, Stopped);
        QCOMPARE(w.ends(), 2);
    }
    void queuedFileFollows() {
        const QString a = tone("gap-a.wav", 0.3), b = tone("gap-b.wav", 2.0, 660);
        Watched w;
        QVERIFY(w.e.setURL(a));
        w.e.queueNext(b);
        ENDS_EXACTLY(w, 1);
        QCOMPARE(w.e.URL(), a);
        // mpv went on to b by itself; named now, it is not reloaded.
        QTRY_VERIFY_WITH_TIMEOUT(w.e.position() > 0.3, kLong);
        const double before = w.e.position();
        QSignalSpy positions(&w.e, &MediaControl::positionChanged);
        w.states.clear();
        QVERIFY(w.e.setURL(b));
        QCOMPARE(values(w.states), QList<int>{MediaControl::Playing});
        QTRY_VERIFY_WITH_TIMEOUT(w.e.position() > before + 0.2, kLong);
        for (double s : values<double>(positions))
            QVERIFY2(s >= before - 0.01, SHOW(values<double>(positions)));
        w.e.stop();

        // c played to its end before it was named: then reported as ended.
        const QString c = tone("uc-c.wav", 0.3, 880);
        Watched u;
        QVERIFY(u.e.setURL(a));
        u.e.queueNext(c);
        ENDS_EXACTLY(u, 1);
        QTest::qWait(2 * kSettle);
        u.states.clear();
        QVERIFY(u.e.setURL(c));
        QCOMPARE(values(u.states), (QList<int>{MediaControl::Playing, MediaControl::MediaEnded}));
    }
    void queuedFileChanged() {
        const QString a = tone("rq-a.wav", 0.3), b = tone("rq-b.wav", 2.0, 550),
                      c = tone("rq-c.wav", 0.6, 660);
        // Another file named at the end: c plays, from its start, not b.
        Watched w;
        connect(&w.e, &MediaControl::PlayStateChange, this, [&](int state) {
            if (state == MediaControl::MediaEnded && w.e.URL() == a)
                QVERIFY(w.e.setURL(c));
        });
        QVERIFY(w.e.setURL(a));
        w.e.queueNext(b);
        QTRY_COMPARE_WITH_TIMEOUT(w.e.URL(), c, kLong);
        QTRY_VERIFY_WITH_TIMEOUT(near(w.e.duration(), 0.6), kLong);
        ENDS_EXACTLY(w, 2);

        // Only what is queued at the end follows.
        Watched v;
        QVERIFY(v.e.setURL(a));
        v.e.queueNext(b);
        v.e.queueNext(c);
        ENDS_EXACTLY(v, 1);
        QVERIFY(v.e.setURL(c));
        QTRY_VERIFY_WITH_TIMEOUT(near(v.e.duration(), 0.6), kLong);
        v.e.queueNext(b);
        v.e.queueNext(QString());
        ENDS_EXACTLY(v, 2);
        QSignalSpy positions(&v.e, &MediaControl::positionChanged);
        QVERIFY(v.e.setURL(b)); // opened afresh, from the start
        STATE(v, Buffering);
        QTRY_VERIFY_WITH_TIMEOUT(v.e.position() > 0.1, kLong);
        QVERIFY2(values<double>(positions).first() < 0.2, SHOW(values<double>(positions)));
    }
    void closeAndDestroy() {
        const QString longer = tone("long.wav", 3.0), brief = tone("brief.wav", 0.3);
        // Closed: nothing loaded, nothing follows, nothing more reported.
        Watched w;
        QVERIFY(w.e.setURL(longer));
        w.e.queueNext(brief);
        WAIT_STATE(w, Playing);
        w.e.close();
        STATE(w, Stopped);
        QVERIFY(w.e.URL().isEmpty());
        QTest::qWait(2 * kSettle);
        QVERIFY(w.ends() == 0 && w.e.position() == 0);
        // An empty name unloads as close does.
        QVERIFY(w.e.setURL(brief));
        QVERIFY(w.e.setURL(QString()));
        QVERIFY(w.e.URL().isEmpty() && w.e.playState() == MediaControl::Stopped);

        // Gone with commands on their way, and from its own end signal: what
        // mpv says arrives after the engine is gone.
        for (int i = 0; i < 3; ++i) {
            auto e = std::make_unique<MediaEngine>();
            QVERIFY(e->setURL(longer));
            e->queueNext(brief);
            e->seek(0.1);
            e->setVolume(20 + i);
            QTest::qWait(i * 50);
        }
        QPointer<MediaEngine> own(new MediaEngine);
        connect(own.data(), &MediaControl::PlayStateChange, this, [&own](int state) {
            if (state == MediaControl::MediaEnded)
                delete own.data();
        });
        QVERIFY(own->setURL(brief));
        QTRY_VERIFY_WITH_TIMEOUT(own.isNull(), kLong);
        QTest::qWait(kSettle);
    }
    // Without libmpv every file fails as an unplayable one does.
    void withoutMediaLibrary() {
        if (qEnvironmentVariable("JUKORA_MPV_LIBRARY") != u"/nonexistent/libmpv.so")
            QSKIP("needs JUKORA_MPV_LIBRARY=/nonexistent/libmpv.so");
        Watched w;
        const QString a = tone("nodecoder.wav", 0.3);
        QVERIFY(w.e.setURL(a));
        QTRY_COMPARE(w.errors.count(), 1);
        QCOMPARE(w.errors.at(0).at(0).toString(), a);
        STATE(w, Stopped);
    }

private:
    QString tone(const char* name, double seconds, double frequency = 440) {
        return m_tones.tone(QString::fromLatin1(name), seconds, frequency);
    }
    Tones m_tones;
};

QTEST_MAIN(TestEngine)
#include "test_engine.moc"
