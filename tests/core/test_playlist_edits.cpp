// The editing rules on plain data: sort, moves and shuffle.
#include "support/TestEnv.h"

#include "core/playlist/NaturalOrder.h"
#include "core/playlist/PlaylistEdits.h"

#include <QtTest>

class TestPlaylistEdits : public QObject {
    Q_OBJECT
private slots:
    void sortIgnoresCaseAndDropsEmpty();
    void movesStopAtEdgesAndEmptyTexts();
    void shuffleKeepsEveryEntry();
    void shuffleOfOneEntry();
};

void TestPlaylistEdits::sortIgnoresCaseAndDropsEmpty() {
    const QStringList in = {"/b.mp3", "/A.mp3", "", "/a.mp3", "/B/z.mp3", "/b.mp3"};
    // Equal texts keep their order: /A.mp3 stood before /a.mp3.
    QCOMPARE(PlaylistEdits::sortedAToZ(in),
             QStringList({"/A.mp3", "/a.mp3", "/b.mp3", "/b.mp3", "/B/z.mp3"}));
    QVERIFY(PlaylistEdits::sortedAToZ({}).isEmpty());
    // Natural order: numbers by value, accents beside their letter, equal
    // keys (case, accents, leading zeros) in list order.
    QCOMPARE(PlaylistEdits::sortedAToZ({"/Track 10.mp3", "/track 2.mp3", "/Track 1.mp3",
                                        "/Zürich", "/École", "/Eagle", "/ecole", "/a01", "/a1",
                                        "/v123456789012345678901", "/v99", "/v 1", "/v-1"}),
             QStringList({"/a01", "/a1", "/Eagle", "/École", "/ecole", "/Track 1.mp3",
                          "/track 2.mp3", "/Track 10.mp3", "/v 1", "/v-1", "/v99",
                          "/v123456789012345678901", "/Zürich"}));
    // At length: the natural keys' code points, equal ones in list order;
    // letters beyond ASCII, beyond U+FFFF, names that start others,
    // duplicates.
    QStringList many = samplePaths(3000);
    for (const char* odd : {"/B", "/b", "/b/", "/bé", "/BÉ", "/b", "/ß", "/ss", "/\xEF\xBF\xBD",
                            "/\xF0\x9F\x8E\xB5", "/Ärger", "/ärger", "/Zebra", "/zebra"})
        many << QString::fromUtf8(odd);
    std::shuffle(many.begin(), many.end(), std::mt19937(3));
    QStringList expected = many;
    std::stable_sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        return NaturalOrder::key(a).toUcs4() < NaturalOrder::key(b).toUcs4();
    });
    QCOMPARE(PlaylistEdits::sortedAToZ(many), expected);
}

void TestPlaylistEdits::movesStopAtEdgesAndEmptyTexts() {
    QStringList e = {"a", "b", "", "d"};
    std::vector<char> sel(4, 0);
    int cur = 0;
    QVERIFY(!PlaylistEdits::moveEntry(e, sel, cur, -1));
    QVERIFY(PlaylistEdits::moveEntry(e, sel, cur, +1));
    QCOMPARE(e, QStringList({"b", "a", "", "d"}));
    QCOMPARE(cur, 1);
    QCOMPARE(sel, std::vector<char>({0, 1, 0, 0}));
    // The entry below has an empty text.
    QVERIFY(!PlaylistEdits::moveEntry(e, sel, cur, +1));
    cur = 3;
    QVERIFY(!PlaylistEdits::moveEntry(e, sel, cur, +1));
    QVERIFY(!PlaylistEdits::moveEntry(e, sel, cur, -1)); // the one above is empty
    cur = 7;
    QVERIFY(!PlaylistEdits::moveEntry(e, sel, cur, -1));
    cur = -1;
    QVERIFY(!PlaylistEdits::moveEntry(e, sel, cur, +1));
}

void TestPlaylistEdits::shuffleKeepsEveryEntry() {
    QStringList e;
    for (int i = 0; i < 200; ++i)
        e << QString::number(i);
    const QStringList before = e;
    std::vector<char> sel(200, 0);
    int cur = 0;
    std::mt19937 rng(42);
    PlaylistEdits::shuffle(e, sel, cur, rng);
    QVERIFY(e != before);
    QStringList sorted = e;
    std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.toInt() < b.toInt(); });
    QCOMPARE(sorted, before);
    QVERIFY(cur >= 0 && cur < 200);
    QVERIFY(sel[size_t(cur)]);
}

void TestPlaylistEdits::shuffleOfOneEntry() {
    QStringList e = {"only"};
    std::vector<char> sel(1, 0);
    int cur = 5;
    std::mt19937 rng(1);
    PlaylistEdits::shuffle(e, sel, cur, rng);
    QCOMPARE(e, QStringList({"only"}));
    QCOMPARE(cur, 0);
}

QTEST_GUILESS_MAIN(TestPlaylistEdits)
#include "test_playlist_edits.moc"
