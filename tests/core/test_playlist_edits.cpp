// The playlist's editing rules and commands apart from any window: sort,
// moves, shuffle, undo and redo, and finding songs as one types.
#include "support/TestEnv.h"

#include "core/playlist/NaturalOrder.h"
#include "core/playlist/PlaylistCommands.h"
#include "core/playlist/PlaylistEdits.h"
#include "core/playlist/PlsFormat.h"
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

class TestPlaylistEdits : public QObject {
    Q_OBJECT
private slots:
    void entriesAsFoundActAsStrings() {
        // The start-up's list, appended as found in its file, reads and
        // changes as the same list of strings does.
        TestEnv env;
        const QString file = env.path("list.pls");
        const QStringList five = {"/a", QString::fromUtf8("/Müsik"), "/c", "/d", "/e"};
        QVERIFY(PlsFormat::write(file, five, false, false));
        const auto found = [&](int max = 99) { return PlsFormat::find(file, max, nullptr); };
        using Edit = std::function<void(PlaylistModel&)>;
        const std::vector<std::pair<const char*, Edit>> edits = {
            {"none", [](PlaylistModel&) {}},
            {"setText", [](PlaylistModel& m) { m.setText(1, "/x"); }},
            {"swap", [](PlaylistModel& m) { m.swapEntries(0, 4); }},
            {"removeAt", [](PlaylistModel& m) { m.removeAt(2); }},
            {"removeMarked",
             [](PlaylistModel& m) {
                 m.removeMarked({1, 0, 1});
             }},
            {"reorder",
             [](PlaylistModel& m) {
                 m.reorder({4, 3, 2, 1, 0});
             }},
            {"append one", [](PlaylistModel& m) { m.append(QStringLiteral("/n")); }},
            {"append list",
             [](PlaylistModel& m) {
                 m.append(QStringList{"/n1", "/n2"});
             }},
            {"append found", [&](PlaylistModel& m) { m.append(found(2)); }},
            {"clear", [](PlaylistModel& m) { m.clear(); }},
            {"replaceAll", [](PlaylistModel& m) { m.replaceAll({"/r"}); }},
        };
        for (const auto& [name, edit] : edits) {
            PlaylistModel strings, asFound;
            strings.append(five);
            asFound.append(found());
            QCOMPARE(asFound.count(), 5);
            for (int row = 0; row < 5; ++row)
                QCOMPARE(asFound.data(asFound.index(row)), QVariant(five.at(row)));
            edit(strings);
            edit(asFound);
            QVERIFY2(asFound.entries() == strings.entries(), name);
            QCOMPARE(asFound.count(), strings.count());
        }
        // Found entries fill the list only as far as it has room.
        PlaylistModel nearlyFull;
        nearlyFull.append(QStringList(PlaylistModel::MaxEntries - 2, "/x"));
        QCOMPARE(nearlyFull.append(found()), 2);
        QCOMPARE(nearlyFull.text(PlaylistModel::MaxEntries - 1), QString::fromUtf8("/Müsik"));
        QCOMPARE(nearlyFull.entries().mid(PlaylistModel::MaxEntries - 3),
                 QStringList({"/x", "/a", QString::fromUtf8("/Müsik")}));
    }
    void sortIgnoresCaseAndDropsEmpty() {
        // Natural order: numbers by value, accents beside their letter, equal
        // keys (case, accents, leading zeros) in list order, empty texts gone.
        QVERIFY(PlaylistEdits::sortedAToZ({}).isEmpty());
        QCOMPARE(PlaylistEdits::sortedAToZ({"/Track 10.mp3", "", "/track 2.mp3", "/Track 1.mp3",
                                            "/Zürich", "/École", "/Eagle", "/ecole", "/a01", "/a1",
                                            "/v123456789012345678901", "/v99", "/v 1", "/v-1"}),
                 QStringList({"/a01", "/a1", "/Eagle", "/École", "/ecole", "/Track 1.mp3",
                              "/track 2.mp3", "/Track 10.mp3", "/v 1", "/v-1", "/v99",
                              "/v123456789012345678901", "/Zürich"}));
        // At length, with letters beyond ASCII and U+FFFF, prefixes, duplicates.
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
    void movesStopAtEdgesAndEmptyTexts() {
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
    void shuffleKeepsEveryEntry() {
        QStringList e = {"only"}, before;
        std::vector<char> sel(1, 0);
        int cur = 5;
        std::mt19937 rng(42);
        PlaylistEdits::shuffle(e, sel, cur, rng);
        QVERIFY(e == QStringList{"only"} && cur == 0);
        for (int i = 0; i < 200; ++i)
            before << QString::number(i);
        e = before, sel.assign(200, 0), cur = 0;
        PlaylistEdits::shuffle(e, sel, cur, rng);
        QVERIFY(e != before);
        QVERIFY(cur >= 0 && cur < 200 && sel[size_t(cur)]);
        std::sort(e.begin(), e.end(), [](auto& a, auto& b) { return a.toInt() < b.toInt(); });
        QCOMPARE(e, before);
    }
    void moveRows() {
        // Rows moved, the place, the order after, where the current /c ends up.
        const struct {
            QList<int> rows;
            int target;
            QString order;
            int current;
        } cases[] = {{{0}, 3, "bcadef", 1},       {{4}, 1, "aebcdf", 3},
                     {{1, 4, 2}, 6, "adfbce", 4}, {{5, 3}, 0, "dfabce", 4},
                     {{1, 2}, 2, "abcdef", 2},    {{-1, 9}, 0, "abcdef", 2}};
        for (const auto& t : cases) {
            List l(kSix);
            l.c.setFocusedPosition(2);
            for (int r : t.rows)
                l.c.selection().setSelected(r, true);
            const QList<int> before = l.selected();
            l.c.moveRows(t.rows, t.target);
            QStringList order;
            for (QChar c : t.order)
                order << QStringLiteral("/") + c;
            QCOMPARE(l.model.entries(), order);
            QCOMPARE(int(l.state.currentIndex), t.current);
            // The moved entries stay selected, one step to undo.
            QList<int> now;
            for (int r : before)
                now << int(order.indexOf(kSix[r]));
            std::sort(now.begin(), now.end());
            QCOMPARE(l.selected(), now);
            QCOMPARE(l.c.history().canUndo(), order != kSix);
        }
    }
    void undoAndRedo() {
        List l(kSix);
        PlaylistHistory& h = l.c.history();
        QSignalSpy changed(&h, &PlaylistHistory::changed);
        QVERIFY(!h.canUndo() && !h.canRedo() && h.undoName().isEmpty());
        // Each command one step, named for it, undone with its current entry.
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
            {"Open", [&] { l.c.replace(QStringLiteral("/x /y").split(u' ')); }},
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
        // A new change drops what was undone; no change is no step.
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

        // Lists opened one after another: the texts of dropped steps go.
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
    void findSongs() {
        PlaylistModel model;
        model.append(QStringList{"/Music/École/Été.mp3", "/Music/ecole/b.flac", "/Pop/Zürich.ogg",
                                 "/Music/Track 10.mp3"});
        SongSearch s(model);
        // Words anywhere, in any order, any case or accents; in list order.
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
};

QTEST_GUILESS_MAIN(TestPlaylistEdits)
#include "test_playlist_edits.moc"
