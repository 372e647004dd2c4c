// The File Browser and Export Media windows through their real widgets, on
// real folders (a temporary one standing for the device).
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"
#include "support/Volumes.h"

#include "ui/browser/FileBrowserWindow.h"
#include "ui/common/WindowGeometry.h"
#include "ui/export/ExportMediaHost.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <array>
#include <functional>
#include <type_traits>

namespace {

QPoint at(QAbstractItemView* list, int row) {
    return list->visualRect(list->model()->index(row, 0)).center();
}

// The folder both lists show, or both folders when they differ.
template <typename Window> QString lists(const Window* w) {
    const QString dir = w->folderList->path(), files = w->fileList->path();
    return dir == files ? dir : dir + QStringLiteral(" | ") + files;
}

// The main window as the browsing windows see it.
class BrowsingHost : public FileBrowserHost, public ExportMediaHost {
public:
    void addToPlaylist(const QStringList& paths) override { added << paths; }
    const QStringList& playlistEntries() const override { return entries; }
    void showTagWindow(const QString& path) override { tagPaths << path; }
    QRectF mainWindowTwips() const override { return {3000, 2500, 9150, 3885}; }
    QStringList entries, tagPaths;
    QList<QStringList> added;
};

// A home with a music folder, a stick (a removable drive beside "/"), the person, the host.
template <typename Window> struct BrowsingWorld {
    static constexpr bool isBrowser = std::is_same_v<Window, FileBrowserWindow>;
    TestEnv env;
    ScriptedPlatform platform;
    ScriptedMessages& messages = platform.messages;
    AppState state;
    BrowsingHost host;
    QString home = env.path("home"), music = home + "/Music", stick = env.path("stick");
    QString stickDrive = stickAt(stick).text();
    FixedVolumes volumes;
    QByteArray oldHome = qgetenv("HOME");
    QPointer<Window> w;
    BrowsingWorld() {
        QDir().mkpath(music);
        QDir().mkpath(stick);
        qputenv("HOME", QFile::encodeName(home));
        volumes.list = {volume("/"), stickAt(stick)};
    }
    ~BrowsingWorld() {
        delete w.data();
        qputenv("HOME", oldHome);
    }
    // Shows it as the main window does (the File Browser loads once more).
    Window* open() {
        w = new Window(state, platform.platform, host);
        w->setVolumeSource(&volumes);
        w->show();
        if constexpr (isBrowser)
            w->load();
        if (!QTest::qWaitForWindowExposed(w.data()))
            qWarning("window not shown");
        return w.data();
    }
    // The saved drive, folder list's folder and file list's folder.
    std::array<QString*, 3> saved() {
        AppSettings& s = state.settings;
        if constexpr (isBrowser)
            return {&s.browserDrive, &s.browseFolder, &s.browserFileFolder};
        return {&s.exportDrive, &s.exportFolder, &s.exportFileFolder};
    }
    QStringList places() { return {*saved()[0], *saved()[1], *saved()[2]}; }
    void setPlaces(const QString& drive, const QString& folder, const QString& files) {
        *saved()[0] = drive, *saved()[1] = folder, *saved()[2] = files;
    }
    // Opens the window with both lists on a folder, every file listed.
    Window* openOn(const QString& folder) {
        setPlaces(!isBrowser && folder.startsWith(stick) ? stickDrive : QString(), folder, folder);
        state.settings.browserPattern = QStringLiteral("*.*");
        return open();
    }
    void close() {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void click(QAbstractItemView* list, int row, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, at(list, row));
    }
    void doubleClick(QAbstractItemView* list, int row) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at(list, row));
    }
    QStringList listed() const { return w->fileList->names(); }
    QString onStick(const QString& name) const { return stick + u'/' + name; }
};

// The right button on a row shows the menu, if any; selection and current row stay.
void checkMenuKeepsSelection(QAbstractItemView* list, int row, QMenu* menu) {
    const QModelIndexList selected = list->selectionModel()->selectedIndexes();
    const QModelIndex current = list->currentIndex();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at(list, row));
    if (menu) {
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
    }
    QCOMPARE(list->selectionModel()->selectedIndexes(), selected);
    QCOMPARE(list->currentIndex(), current);
}

// The width is held, the height stops at the least; the controls keep to the bottom.
template <typename Window>
void checkHeightRule(Window* w, double width, double least, const QList<QWidget*>& atBottom) {
    const auto gaps = [&] {
        QList<int> fromBottom;
        for (const QWidget* c : atBottom)
            fromBottom << w->height() - c->geometry().bottom();
        return fromBottom;
    };
    const QList<int> designed = gaps();
    for (const double asked : {least + 1500, 750.0}) {
        WindowGeometry::setOuterWidth(w, width + 3000);
        WindowGeometry::setOuterHeight(w, asked);
        QCOMPARE(QList<double>({WindowGeometry::outerWidth(w), WindowGeometry::outerHeight(w)}),
                 QList<double>({width, std::max(asked, least)}));
        QCOMPARE(gaps(), designed);
    }
}

// What both windows do with their linked drive, folder and file lists.
template <typename Window> void checkLinkedLists() {
    BrowsingWorld<Window> t;
    makeFiles(t.music, {"a.mp3", "b.wav", "c.MP3", "d.mp3", "jazz/take5.mp3", "Rock/r.mp3"});
    makeFiles(t.stick, {"track.mp3", "Albums/inner.mp3"});
    Window* w = t.openOn(t.music);
    // The pattern box: the list follows every keystroke.
    w->patternEdit->selectAll();
    QTest::keyClicks(w->patternEdit, QStringLiteral("*.m"));
    QCOMPARE(w->fileList->count(), 0);
    QTest::keyClicks(w->patternEdit, QStringLiteral("p3"));
    QCOMPARE(t.listed(), QStringList({"a.mp3", "c.MP3", "d.mp3"}));
    // A click highlights a folder, a double click or Enter opens it; a missing one, nothing.
    const int open = w->folderList->openRow();
    QCOMPARE(w->folderList->highlighted(), open);
    t.click(w->folderList, open + 1);
    QCOMPARE(w->folderList->highlightedPath(), t.music + "/jazz");
    QCOMPARE(lists(w), t.music);
    t.doubleClick(w->folderList, open + 1);
    QCOMPARE(t.listed(), QStringList({"take5.mp3"}));
    w->folderList->setFocus();
    w->folderList->setHighlighted(w->folderList->openRow() - 1);
    QTest::keyClick(w->folderList, Qt::Key_Return);
    QVERIFY(!w->folderList->setPath(t.music + "/nowhere") &&
            !w->fileList->setPath(t.music + "/nowhere"));
    QVERIFY(w->fileList->setPath(t.music + "/"));
    QCOMPARE(lists(w), t.music);
    // The tag of the first selected file, in the file list's folder; none, nothing.
    w->tagAction->trigger();
    QVERIFY(w->fileList->setPath(t.music + "/Rock"));
    t.click(w->fileList, 0);
    w->tagAction->trigger();
    QVERIFY(w->fileList->setPath(t.music));
    t.click(w->fileList, 2);
    t.click(w->fileList, 1, Qt::ControlModifier);
    w->tagAction->trigger();
    QCOMPARE(t.host.tagPaths, QStringList({t.music + "/Rock/r.mp3", t.music + "/c.MP3"}));
    // A refresh keeps the highlighted folder's and the focused file's positions.
    makeFile(t.music + "/0-first.mp3");
    QDir().mkpath(t.music + "/aaa");
    t.click(w->folderList, open + 2);
    w->refreshButton->click();
    QCOMPARE(t.listed(), QStringList({"0-first.mp3", "a.mp3", "c.MP3", "d.mp3"}));
    QCOMPARE(w->fileList->selectedRows(), QList<int>({1}));
    QCOMPARE(w->folderList->highlightedPath(), t.music + "/jazz");
    // A drive chosen opens its root in both lists.
    QCOMPARE(w->driveList->drives(), QStringList({"/", t.home, t.stickDrive}));
    QCOMPARE(w->driveList->drive(), t.home);
    w->driveList->setCurrentIndex(2);
    QVERIFY(lists(w) == t.stick && t.listed() == QStringList({"track.mp3"}));
    w->driveList->setCurrentIndex(0);
    QCOMPARE(lists(w), QStringLiteral("/"));
    QVERIFY(t.messages.shown.isEmpty());
    // Unplugged or not ready: the message; a refresh drops it quietly.
    QVERIFY(w->folderList->setPath(t.music + "/Rock"));
    t.volumes.list.removeLast();
    w->driveList->setCurrentIndex(2);
    QCOMPARE(w->driveList->drive(), t.stickDrive);
    QCOMPARE(lists(w), t.music + "/Rock");
    t.volumes.list.append(stickAt(t.stick, QStringLiteral("STICK"), false));
    w->driveList->setCurrentIndex(0);
    w->driveList->setCurrentIndex(2);
    QCOMPARE(t.messages.shown, QStringList(2, "Drive is not responding. Check Disk"));
    QCOMPARE(lists(w), QStringLiteral("/"));
    w->refreshButton->click();
    QCOMPARE(w->driveList->drives().indexOf(t.stickDrive), -1);
    QVERIFY(w->folderList->setPath(t.music + "/Rock") &&
            QDir(t.music + "/Rock").removeRecursively());
    w->refreshButton->click();
    QCOMPARE(w->folderList->path(), t.music + "/Rock");
    QCOMPARE(t.messages.shown.size(), 2);
}

// The drive and both folders come back; gone (or empty) ones give the home folder.
template <typename Window>
void checkPlacesKept(BrowsingWorld<Window>& t, const std::function<void(Window*)>& choose,
                     const std::function<void(Window*)>& check) {
    const QString pop = t.stick + "/Pop";
    makeFile(pop + "/e.mp3");
    Window* w = t.openOn(t.music);
    QVERIFY(w->driveList->setDrive(t.stickDrive) && w->folderList->setPath(pop));
    choose(w);
    t.close();
    QCOMPARE(t.places(), QStringList({t.stickDrive, pop, pop}));
    w = t.open();
    QCOMPARE(QStringList({w->driveList->drive(), lists(w)}), QStringList({t.stickDrive, pop}));
    check(w);
    for (const QString& gone : {QString(), t.stick + "/gone"}) {
        t.close();
        t.setPlaces(gone.isEmpty() ? gone : QStringLiteral("/media/unplugged [GONE]"), gone, gone);
        QCOMPARE(lists(t.open()), t.home);
    }
    QVERIFY(t.messages.shown.isEmpty());
}

using Browser = BrowsingWorld<FileBrowserWindow>;
using Device = BrowsingWorld<ExportMediaWindow>;

const QString kComplete = QStringLiteral("Export Complete!");

int folderRow(const ExportMediaWindow* w, const QString& path) {
    int row = w->folderList->count() - 1;
    while (row >= 0 && w->folderList->entryPath(row) != path)
        --row;
    return row;
}

} // namespace

class TestBrowsingWindows : public QObject {
    Q_OBJECT
private slots:
    void linkedLists() {
        checkLinkedLists<FileBrowserWindow>();
        checkLinkedLists<ExportMediaWindow>();
    }
    void browserAdds() {
        Browser b;
        const auto names = {"a.mp3", "b.pls", "c.mp3", "d.m3u", "e.mp3"};
        makeFiles(b.music, names);
        QStringList all;
        for (const char* name : names)
            all << b.music + '/' + name;
        FileBrowserWindow* w = b.openOn(b.music);
        const QStringList picked = {all[0], all[1], all[3]};
        // Nothing selected adds nothing; picked out of order, added in list order.
        QTest::mouseClick(w->addButton, Qt::LeftButton);
        b.click(w->fileList, 3);
        b.click(w->fileList, 0, Qt::ControlModifier);
        b.click(w->fileList, 1, Qt::ControlModifier);
        QTest::mouseClick(w->addButton, Qt::LeftButton);
        // Add All: every file in one call, each left selected.
        w->fileList->clearSelection();
        QTest::mouseClick(w->addAllButton, Qt::LeftButton);
        QCOMPARE(w->fileList->selectedRows(), QList<int>({0, 1, 2, 3, 4}));
        // A double click adds the file under it; beside the entries, nothing.
        b.doubleClick(w->fileList, 4);
        QTest::mouseDClick(w->fileList->viewport(), Qt::LeftButton, {},
                           QPoint(5, w->fileList->viewport()->height() - 5));
        QCOMPARE(b.host.added, QList<QStringList>({picked, all, {all[4]}}));
    }
    void browserExploreMenuAndSettings() {
        Browser b;
        QDir().mkpath(b.music + "/Live");
        makeFiles(b.music, {"a.mp3", "b.mp3", "c.wma"});
        makeFiles(b.home, {"h.mp3", "notes"});
        makeFile(b.stick + "/Pop/f.ogg");
        FileBrowserWindow* w = b.openOn(b.music);
        // Explore: the open folder, else the highlighted one; failing, the message.
        b.platform.shell.result = false;
        w->exploreButton->click();
        b.click(w->folderList, w->folderList->openRow() + 1);
        w->exploreButton->click();
        QCOMPARE(b.platform.shell.opened, QStringList({b.music, b.music + "/Live"}));
        QCOMPARE(b.messages.shown, QStringList(2, "Folder not found."));
        // The menu acts on the selection the right button leaves.
        b.click(w->fileList, 2);
        b.click(w->fileList, 0, Qt::ControlModifier);
        checkMenuKeepsSelection(w->fileList, 1, w->fileMenu);
        checkHeightRule(w, 9150, 4800, {w->folderList, w->fileList});
        b.close();
        b.messages.shown.clear();
        // The pattern is kept; shown again, the window keeps the user's folder.
        checkPlacesKept<FileBrowserWindow>(
            b, [](FileBrowserWindow* w) { w->patternEdit->setText(QStringLiteral("*.mp3")); },
            [&](FileBrowserWindow* w) {
                QCOMPARE(b.state.settings.browserPattern, QStringLiteral("*.mp3"));
                QCOMPARE(b.listed(), QStringList({"e.mp3"}));
                QVERIFY(w->folderList->setPath(b.stick));
                w->hide();
                w->show();
                QCOMPARE(w->folderList->path(), b.stick);
            });
        // The first run's pattern, none, lists every file.
        b.close();
        b.state.settings.browserPattern.clear();
        b.open();
        QCOMPARE(b.listed(), QStringList({"h.mp3", "notes"}));
    }
    void exportCopy_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("sequence");
        QTest::addColumn<bool>("gone"); // the device was pulled out
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("message");
        const QStringList songs = {"a.mp3", "missing.mp3", "c?.mp3"};
        // The stick is a FAT volume: "c?.mp3" cannot keep its name there.
        QTest::newRow("M3U numbered")
            << "M3U" << true << false << songs
            << QStringList{"0001-a.mp3", "0003-c_.mp3", "playlist.m3u"} << kComplete;
        QTest::newRow("device gone") << "PLS" << true << true << songs << QStringList()
                                     << "An error has occurred.  The drive may be full.  All "
                                        "files may not have been copied.";
        // A later entry of the same name replaces the earlier copy, counted.
        QTest::newRow("a name twice, PLS")
            << "PLS" << false << false << QStringList{"x/song.mp3", "y/song.mp3"}
            << QStringList{"playlist.pls", "song.mp3"}
            << kComplete + "\r\n1 copy was replaced by a later entry of the same name.";
    }
    void exportCopy() {
        QFETCH(bool, gone);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, files);
        Device d;
        const QString folder = d.onStick("Music");
        QDir().mkpath(folder);
        ExportMediaWindow* w = d.openOn(d.stick);
        // Into the folder opened in the folder list.
        w->folderList->openEntry(folderRow(w, folder));
        for (const QString& name : entries) {
            d.host.entries << d.music + u'/' + name;
            if (!name.startsWith("missing"))
                makeFile(d.host.entries.last(), QByteArray(2000, 'm'));
        }
        QFETCH(bool, sequence);
        w->sequenceBox->setChecked(sequence);
        QFETCH(QString, kind);
        w->playlistTypeBox->setCurrentText(kind);
        if (gone)
            QDir(d.stick).removeRecursively();
        w->copyButton->click();
        QCOMPARE(filesIn(folder), files);
        QCOMPARE(d.listed(), files);
        QFETCH(QString, message);
        QCOMPARE(d.messages.shown, QStringList{message});
    }
    void exportCancelAndCloseWhileCopying() {
        Device d;
        ExportMediaWindow* w = d.openOn(d.stick);
        for (int i = 1; i <= 4; ++i) {
            d.host.entries << d.music + QStringLiteral("/song%1.mp3").arg(i);
            makeFile(d.host.entries.last(), QByteArray(50 * 1024, 'm'));
        }
        w->sequenceBox->click();
        w->playlistTypeBox->setCurrentText("M3U");
        // After the first copy: the modal dialog's text, and its Cancel pressed.
        QString seen;
        const auto pressCancel = connect(w, &ExportMediaWindow::fileCopied, this, [&](int entry) {
            QProgressDialog* progress = w->copyProgress;
            QVERIFY(progress && progress->isModal() && progress->isVisible() && seen.isEmpty());
            seen = QStringLiteral("%1: %2").arg(entry).arg(progress->labelText());
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
        w->copyPlaylist();
        QVERIFY2(seen.startsWith("1: Copying file 1 of 4\n0001-song1.mp3\n"), qPrintable(seen));
        QVERIFY2(seen.endsWith(" of 200.0 kB"), qPrintable(seen));
        QCOMPARE(d.listed(), QStringList({"0001-song1.mp3"}));
        QCOMPARE(d.messages.shown, QStringList({"Copy cancelled."}));
        disconnect(pressCancel);
        // Closed while copying: the copy stops, the window closes once it ends.
        bool unloaded = false;
        connect(w, &ExportMediaWindow::unloaded, this, [&] { unloaded = true; });
        connect(w, &ExportMediaWindow::fileCopied, this, [&](int entry) {
            if (entry == 2)
                w->close();
            QVERIFY(!unloaded);
        });
        const QString later = d.onStick("later");
        QDir().mkpath(later);
        w->folderList->setPath(later);
        w->copyPlaylist();
        QVERIFY(unloaded);
        QCOMPARE(filesIn(later), QStringList({"0001-song1.mp3", "0002-song2.mp3"}));
        QCOMPARE(d.messages.shown, QStringList(2, "Copy cancelled."));
        QCOMPARE(d.state.settings.exportFileFolder, later);
    }
    void exportFoldersExploreAndSettings() {
        Device d;
        const QString album = d.onStick("Album");
        makeFile(album + "/Disc 2/two.mp3");
        ExportMediaWindow* w = d.openOn(d.stick);
        auto& messages = d.messages;
        const QString hint = QStringLiteral("New Folder Name");
        // With the hint in the box the name is asked for, else typed after a
        // click; a name that cannot be made stays in the box.
        w->addFolder();
        messages.textAnswers = {QStringLiteral("Asked")};
        w->addFolder();
        QTest::mouseClick(w->folderNameEdit, Qt::LeftButton);
        QTest::keyClicks(w->folderNameEdit, "Typed");
        w->addFolderButton->click();
        QVERIFY(folderRow(w, d.onStick("Asked")) >= 0 && folderRow(w, d.onStick("Typed")) >= 0);
        QCOMPARE(w->folderNameEdit->text(), hint);
        QVERIFY(messages.prompts == QStringList(2, hint) && messages.shown.isEmpty());
        messages.textAnswers = {QStringLiteral("Asked")};
        w->addFolder();
        QCOMPARE(w->folderNameEdit->text(), QStringLiteral("Asked"));
        QCOMPARE(messages.shown, QStringList({"Could not create new folder!"}));
        // Remove Folder: No, Yes (the lists go to the drive's folder), the root never.
        messages.shown.clear();
        const QString question =
            QStringLiteral("Are you sure you want to delete this folder? \r\n");
        w->folderList->setHighlighted(folderRow(w, album));
        messages.answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Yes};
        w->removeFolder();
        w->folderList->openEntry(folderRow(w, album));
        w->removeFolderAction->trigger();
        QVERIFY(lists(w) == d.stick && folderRow(w, album) == -1);
        w->removeFolderButton->click();
        QCOMPARE(messages.shown, QStringList({question + album, question + album,
                                              question + d.stick, "Cannot Delete Folder."}));
        QCOMPARE(lists(w), d.stick);
        // Explore, by the button and the menu, where the shell cannot.
        d.platform.shell.result = false;
        w->exploreButton->click();
        w->exploreFolderAction->trigger();
        QCOMPARE(messages.shown.mid(4), QStringList(2, "Error launching Windows Explorer."));
        messages.shown.clear();
        // The folder list's menu leaves its selection as it was.
        checkMenuKeepsSelection(w->folderList, w->folderList->openRow() + 1, w->folderMenu);
        // The lists grow with the height, stored at once.
        checkHeightRule(w, 7560, 3465,
                        {w->fileList, w->folderList, w->folderNameEdit, w->addFolderButton,
                         w->deleteAllButton, w->copyButton});
        QCOMPARE(d.state.settings.exportMediaHeight, 3465.0);
        d.close();
        // The kind is kept with the Sequence box; the pattern is not.
        checkPlacesKept<ExportMediaWindow>(
            d,
            [&](ExportMediaWindow* w) {
                w->sequenceBox->click();
                w->playlistTypeBox->setCurrentText("PLS");
                w->patternEdit->setText(QStringLiteral("*.mp3"));
            },
            [](ExportMediaWindow* w) {
                QCOMPARE(QStringList({w->playlistTypeBox->currentText(), w->patternEdit->text()}),
                         QStringList({"PLS", "*.*"}));
                QVERIFY(w->sequenceBox->isChecked());
            });
        // A kind in another case selects nothing.
        d.close();
        d.state.settings.devicePlaylistType = QStringLiteral("pls");
        QCOMPARE(d.open()->playlistTypeBox->currentIndex(), -1);
    }
    void exportRemoveFiles() {
        Device d;
        makeFiles(d.stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "notes.txt", "Sub/inner.mp3"});
        ExportMediaWindow* w = d.openOn(d.stick);
        auto& messages = d.messages;
        // A question per selected file, No skipping it; the focused row stays selected.
        w->removeSelectedFiles();
        for (int row : {0, 1, 2})
            w->fileList->setSelected(row, true);
        w->fileList->setFocused(1);
        messages.answers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Yes};
        w->deleteButton->click();
        QCOMPARE(d.listed(), QStringList({"b.mp3", "d.mp3", "notes.txt"}));
        QCOMPARE(w->fileList->selectedRows(), QList<int>({1}));
        w->fileList->clearSelection();
        d.doubleClick(w->fileList, 1);
        QCOMPARE(d.listed(), QStringList({"b.mp3", "notes.txt"}));
        QStringList asked;
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
            asked << "Are you sure you want to delete this file?\r\n" + d.onStick(name);
        QCOMPARE(messages.shown, asked);
        // Remove All asks once; subfolders and files the pattern hides stay.
        messages.shown.clear();
        w->patternEdit->setText(QStringLiteral("*.mp3"));
        messages.answers = {MsgAnswer::No};
        w->deleteAllButton->click();
        QCOMPARE(d.listed(), QStringList({"b.mp3"}));
        messages.answers = {MsgAnswer::Yes};
        w->removeAllFilesAction->trigger();
        QCOMPARE(messages.shown,
                 QStringList(2, "Are you sure you want to delete all of these files? "));
        QCOMPARE(filesIn(d.stick) + filesIn(d.onStick("Sub")),
                 QStringList({"notes.txt", "inner.mp3"}));
    }
};

QTEST_MAIN(TestBrowsingWindows)
#include "test_browsingwindows.moc"
