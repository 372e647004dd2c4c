// The playlist's commands apart from any window: moving many entries at once,
// undo and redo of every change, and finding songs as one types.
#include "core/playlist/PlaylistCommands.h"
#include "core/playlist/SongSearch.h"

#include <QtTest>

namespace {

struct List {
    AppState state;
    PlaylistModel model;
    QItemSelectionModel selection{&model};
    int saves = 0;
    PlaylistCommands c{state, model, selection, [this] {
                           ++saves;
                           return SettingsStore::SaveResult{true, true, model.entries()};
                       }};
    explicit List(const QStringList& entries) { model.append(entries); }
    QList<int> selected() const {
        QList<int> rows;
        for (int i = 0; i < model.count(); ++i)
            if (c.selection().isSelected(i))
                rows << i;
        return rows;
    }
};

const QStringList kSix = {"/a", "/b", "/c", "/d", "/e", "/f"};

} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void moveRows_data();
    void moveRows();
    void undoAndRedo();
    void findSongs();
};

void TestCommands::moveRows_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("target");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("current"); // where the current entry (/c) ends up
    QTest::newRow("one down") << QList<int>{0} << 3
                              << QStringList{"/b", "/c", "/a", "/d", "/e", "/f"} << 1;
    QTest::newRow("one up") << QList<int>{4} << 1 << QStringList{"/a", "/e", "/b", "/c", "/d", "/f"}
                            << 3;
    QTest::newRow("apart, to the end")
        << QList<int>{1, 4, 2} << 6 << QStringList{"/a", "/d", "/f", "/b", "/c", "/e"} << 4;
    QTest::newRow("apart, to the top")
        << QList<int>{5, 3} << 0 << QStringList{"/d", "/f", "/a", "/b", "/c", "/e"} << 4;
    QTest::newRow("onto themselves") << QList<int>{1, 2} << 2 << kSix << 2;
    QTest::newRow("out of the list") << QList<int>{-1, 9} << 0 << kSix << 2;
}

void TestCommands::moveRows() {
    QFETCH(QList<int>, rows);
    QFETCH(int, target);
    QFETCH(QStringList, order);
    QFETCH(int, current);
    List l(kSix);
    l.c.setFocusedPosition(2);
    for (int r : rows)
        l.c.selection().setSelected(r, true);
    const QList<int> before = l.selected();
    l.c.moveRows(rows, target);
    QCOMPARE(l.model.entries(), order);
    QCOMPARE(int(l.state.currentIndex), current);
    // The moved entries stay selected, one step to undo.
    QList<int> now;
    for (int r : before)
        now << int(order.indexOf(kSix[r]));
    std::sort(now.begin(), now.end());
    QCOMPARE(l.selected(), now);
    QCOMPARE(l.c.history().canUndo(), order != kSix);
}

void TestCommands::undoAndRedo() {
    List l(kSix);
    PlaylistHistory& h = l.c.history();
    QSignalSpy changed(&h, &PlaylistHistory::changed);
    QVERIFY(!h.canUndo() && !h.canRedo() && h.undoName().isEmpty());
    // Each command one step, named for it; its undo gives back the list and
    // the current entry, its redo the change.
    struct Step {
        const char* name;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"Add", [&] { l.c.add({"/g"}); }},
        {"Move Down", [&] { l.c.setFocusedPosition(0), l.c.moveCurrent(+1); }},
        {"Remove", [&] { l.c.selection().setSelected(3, true), l.c.removeSelected(); }},
        {"A - Z", [&] { l.c.sortAToZ(); }},
        {"Shuffle", [&] { l.c.shuffleNumbers().seed(4), l.c.shuffle(); }},
        {"Remove All", [&] { l.c.removeAll(); }},
        {"Open",
         [&] {
             l.c.replace({"/x", "/y"});
         }},
    };
    QList<QStringList> lists = {l.model.entries()};
    QList<int> currents = {l.state.currentIndex};
    for (const Step& s : steps) {
        s.run();
        QCOMPARE(h.undoName(), QString::fromLatin1(s.name));
        lists << l.model.entries();
        currents << l.state.currentIndex;
    }
    QCOMPARE(l.saves, 1);
    for (int k = int(std::size(steps)); k > 0; --k) {
        QCOMPARE(h.redoName(),
                 k < int(std::size(steps)) ? QString::fromLatin1(steps[k].name) : QString());
        h.undo();
        QCOMPARE(l.model.entries(), lists[k - 1]);
        QCOMPARE(int(l.state.currentIndex), currents[k - 1]);
    }
    QVERIFY(!h.canUndo());
    h.redo();
    h.redo();
    QCOMPARE(l.model.entries(), lists[2]);
    // A new change drops what was undone; a command that changes nothing is
    // no step.
    l.c.sortAToZ();
    QVERIFY(!h.canRedo());
    l.c.sortAToZ();
    l.c.moveRows({0}, 0);
    QCOMPARE(h.undoName(), QStringLiteral("A - Z"));
    QVERIFY(changed.count() > 10);
    // At most kLimit steps: the oldest go.
    for (int i = 0; i < PlaylistHistory::kLimit + 5; ++i)
        l.c.add({"/n"});
    int undone = 0;
    while (h.canUndo())
        h.undo(), ++undone;
    QCOMPARE(undone, PlaylistHistory::kLimit);

    // Lists of new texts opened one after another: the texts only dropped
    // steps held are let go, and every list kept reads back whole.
    h.clear();
    QList<QStringList> opened;
    for (int i = 0; i < 300; ++i) {
        QStringList list;
        for (int k = 0; k < 50; ++k)
            list << QStringLiteral("/%1/%2").arg(i).arg(k);
        l.c.replace(list);
        opened << l.model.entries();
    }
    QVERIFY2(h.extraBytes() < 400000, qPrintable(QString::number(h.extraBytes())));
    for (int i = 298; h.canUndo(); --i) {
        h.undo();
        QCOMPARE(l.model.entries(), opened[i]);
    }
}

void TestCommands::findSongs() {
    PlaylistModel model;
    model.append(QStringList{"/Music/École/Été.mp3", "/Music/ecole/b.flac", "/Pop/Zürich.ogg",
                             "/Music/Track 10.mp3"});
    SongSearch s(model);
    // Words anywhere, in any order, without regard to case or accents; the
    // matches in list order, also when the query grows or shrinks.
    QCOMPARE(s.matches("ecole"), QList<int>({0, 1}));
    QCOMPARE(s.matches("ecole ete"), QList<int>({0}));
    QCOMPARE(s.matches("ÉTÉ ECOLE"), QList<int>({0}));
    QCOMPARE(s.matches("music"), QList<int>({0, 1, 3}));
    QCOMPARE(s.matches("zur"), QList<int>({2}));
    QCOMPARE(s.matches(""), QList<int>({0, 1, 2, 3}));
    QCOMPARE(s.matches("track 1"), QList<int>({3}));
    // The list changes: the next search sees it.
    model.append(QStringLiteral("/new/ecole.wav"));
    QCOMPARE(s.matches("ecole"), QList<int>({0, 1, 4}));
}

QTEST_GUILESS_MAIN(TestCommands)
#include "test_commands.moc"
