#pragma once

#include "ScriptedPlatform.h"
#include "TestEnv.h"
#include "Volumes.h"

#include "core/files/VolumeList.h"
#include "ui/browser/FileBrowserWindow.h"
#include "ui/common/WindowGeometry.h"
#include "ui/export/ExportMediaHost.h"
#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"

#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <type_traits>

// What the tests of the File Browser and Export Media windows look at.

// The centre of a list's row.
inline QPoint at(QAbstractItemView* list, int row) {
    return list->visualRect(list->model()->index(row, 0)).center();
}

// The folder both lists of a browsing window show, or both folders when they
// differ.
template <typename Window> QString lists(const Window* w) {
    const QString dir = w->folderList->path(), files = w->fileList->path();
    return dir == files ? dir : dir + QStringLiteral(" | ") + files;
}

// The main window as the browsing windows see it: a playlist, and what they
// asked of it.
class BrowsingHost : public FileBrowserHost, public ExportMediaHost {
public:
    void addToPlaylist(const QStringList& paths) override { added << paths; }
    const QStringList& playlistEntries() const override { return entries; }
    void showTagWindow(const QString& path) override { tagPaths << path; }
    QRectF mainWindowTwips() const override { return mainWindow; }

    QStringList entries, tagPaths;
    QList<QStringList> added;
    QRectF mainWindow{3000, 2500, 9150, 3885};
};

// One test's world for a browsing window: a temporary profile, a home folder
// of its own with a music folder, a stick (a folder listed as a removable
// drive beside "/"), the scripted person and the main window's stand-in.
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
    // Shows the window as the main window does: the showing loads it, and
    // the File Browser's load runs once more right after.
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
    QStringList places() const {
        const AppSettings& s = state.settings;
        if constexpr (isBrowser)
            return {s.browserDrive, s.browseFolder, s.browserFileFolder};
        return {s.exportDrive, s.exportFolder, s.exportFileFolder};
    }
    void setPlaces(const QString& drive, const QString& folder, const QString& files) {
        AppSettings& s = state.settings;
        (isBrowser ? s.browserDrive : s.exportDrive) = drive;
        (isBrowser ? s.browseFolder : s.exportFolder) = folder;
        (isBrowser ? s.browserFileFolder : s.exportFileFolder) = files;
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

// The right button on a list's row shows the list's menu (where it has one)
// and leaves its selection and its current row as they were.
inline void checkMenuKeepsSelection(QAbstractItemView* list, int row, QMenu* menu) {
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

// The width is held, the height follows the user down to the least one, and
// the controls given keep their distance to the bottom edge.
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

// What both windows do with their linked drive, folder and file lists,
// checked the same way for each.
template <typename Window> void checkLinkedLists(BrowsingWorld<Window>& t) {
    makeFiles(t.music, {"a.mp3", "b.wav", "c.MP3", "d.mp3", "jazz/take5.mp3", "Rock/r.mp3"});
    makeFiles(t.stick, {"track.mp3", "Albums/inner.mp3"});
    Window* w = t.openOn(t.music);

    // The pattern box: the list follows every keystroke.
    w->patternEdit->selectAll();
    QTest::keyClicks(w->patternEdit, QStringLiteral("*.m"));
    QCOMPARE(w->fileList->count(), 0);
    QTest::keyClicks(w->patternEdit, QStringLiteral("p3"));
    QCOMPARE(t.listed(), QStringList({"a.mp3", "c.MP3", "d.mp3"}));

    // A single click only highlights a folder; a double click opens it, and
    // the file list follows; Enter opens the highlighted folder. A folder
    // that is not there leaves the lists as they were.
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

    // The tag of the first selected file, in the folder the file list shows
    // (which after a failed change is not the folder list's); none
    // selected, nothing.
    w->tagAction->trigger();
    QVERIFY(w->fileList->setPath(t.music + "/Rock"));
    t.click(w->fileList, 0);
    w->tagAction->trigger();
    QVERIFY(w->fileList->setPath(t.music));
    t.click(w->fileList, 2);
    t.click(w->fileList, 1, Qt::ControlModifier);
    w->tagAction->trigger();
    QCOMPARE(t.host.tagPaths, QStringList({t.music + "/Rock/r.mp3", t.music + "/c.MP3"}));

    // A refresh shows what is new on disk and keeps the positions by
    // number: the highlighted folder, and the focused file, alone selected.
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

    // Unplugged after the list was read, or listed but not ready: chosen,
    // the message; the drive list keeps the new drive, the other lists
    // stay. A refresh drops it quietly, and ends quietly where the open
    // folder is gone.
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

// The drive and both folders are stored when the window closes and come back
// at the next opening, on another drive than the home folder's too; saved
// places that are gone (as those of the first run, which are empty) are
// passed over quietly: the home folder. What the window keeps beside them
// the caller chooses before the closing and checks after the opening.
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
