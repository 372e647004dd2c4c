// The File Browser through its real widgets, on real files and folders in
// temporary places.
#include "support/BrowsingWindows.h"
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "browser/DriveList.h"
#include "browser/FileList.h"
#include "browser/FolderList.h"
#include "browser/frmFileList.h"
#include "platform/VolumeList.h"
#include "playlist/M3uFormat.h"
#include "playlist/PathNames.h"
#include "playlist/PlaylistModel.h"
#include "playlist/PlsFormat.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The main window as the browser sees it: a real playlist, the PLS and M3U
// readers for names ending in "pls" and "m3u".
class Host : public FileBrowserHost {
public:
    void addToPlaylist(const QStringList& paths) override {
        calls << paths;
        for (const QString& p : paths) {
            if (PathNames::endsWith(p, "pls"))
                model.append(PlsFormat::read(p));
            else if (PathNames::endsWith(p, "m3u"))
                model.append(M3uFormat::read(p));
            else
                model.append(p);
        }
    }
    void ShowID3Info(const QString& path) override { tagPaths << path; }
    QRectF mainWindowTwips() const override { return mainWindow; }

    PlaylistModel model;
    QList<QStringList> calls;
    QStringList tagPaths;
    QRectF mainWindow{3000, 2500, 9150, 3885};
};

QRect px(int l, int t, int w, int h) {
    return QRect(Twips::toPx(l), Twips::toPx(t), Twips::toPx(w), Twips::toPx(h));
}

// One test's world: a temporary profile, a home folder of its own, a music
// folder, the scripted person and the main window's stand-in.
struct Browser {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    Host host;
    QString home = env.path("home");
    QString music = env.path("home/Music");
    QString stick = env.path("stick");
    QString stickDrive = stick + QStringLiteral(" [STICK]");
    FixedVolumes volumes;
    QByteArray oldHome = qgetenv("HOME");
    QPointer<frmFileList> w;

    Browser() {
        QDir().mkpath(music);
        qputenv("HOME", home.toLocal8Bit());
        volumes.list = {volume(QStringLiteral("/")), stickAt(stick)};
    }
    ~Browser() {
        delete w.data();
        qputenv("HOME", oldHome);
    }
    // Shows the window as the main window does: the showing loads it, and
    // the load runs once more right after.
    frmFileList* open(const VolumeSource* source = nullptr) {
        w = new frmFileList(state, platform.platform, host);
        if (source)
            w->setVolumeSource(source);
        w->show();
        w->Form_Load();
        if (!QTest::qWaitForWindowExposed(w.data()))
            qWarning("browser not shown");
        return w.data();
    }
    void close() {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    frmFileList* openOn(const QString& folder) {
        state.settings.Directory = state.settings.File = folder;
        state.settings.Mask = QStringLiteral("*.*");
        return open();
    }
    QPoint fileRow(int row) {
        return w->File1->visualRect(w->File1->model()->index(row, 0)).center();
    }
    void clickFile(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(w->File1->viewport(), Qt::LeftButton, mods, fileRow(row));
    }
    void doubleClickFile(int row) {
        QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, Qt::NoModifier, fileRow(row));
    }
    QPoint folderRow(int row) {
        return w->Dir1->visualRect(w->Dir1->model()->index(row, 0)).center();
    }
    QStringList entries() const { return host.model.entries(); }
    QString inMusic(const QString& name) const { return music + u'/' + name; }
    QStringList inMusic(const QStringList& names) const {
        QStringList paths;
        for (const QString& name : names)
            paths << inMusic(name);
        return paths;
    }
};

QStringList folderLabels(const FolderList* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->model()->index(i, 0).data().toString();
    return out;
}

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT
private slots:
    void layoutMenuAndResize();
    void placementAndSavedGeometry_data();
    void placementAndSavedGeometry();
    void addSelectedAllAndDoubleClick();
    void addAllStopsAtPlaylistLimit();
    void patternAndSettingsReturn();
    void fileListPatternsAndSorting();
    void folderListAncestorsAndHiddenFolders();
    void loadOnSavedPlacesOrHome();
    void refreshKeepsPosition();
    void driveListRules();
    void drivesChosenAndUnplugged();
    void exploreAndTagMenu();
};

void TestFileBrowser::layoutMenuAndResize() {
    Browser b;
    frmFileList* w = b.openOn(b.music);
    QCOMPARE(w->windowTitle(), QStringLiteral("Jukora - File Browser"));
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(w->Label4->geometry(), px(105, 30, 675, 315));
    QCOMPARE(w->btnAddAll->geometry(), px(7740, 0, 1185, 255));
    QCOMPARE(w->File1->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->File1->selectionMode(), QAbstractItemView::ExtendedSelection);
    QStringList texts = {w->Label4->text(), w->Label3->text()};
    for (QPushButton* button : {w->btnRefresh, w->cmdExplore, w->btnAddSel, w->btnAddAll})
        texts << button->text();
    texts << captions(w->mnuFiles);
    QCOMPARE(texts,
             QStringList({"Files", "Format:", "Refresh", "Explore", "Add", "Add All",
                          "Add Selected Files", "Add All Files", "-", "Get MP3 ID3 Information"}));

    // The width is fixed; the height follows, down to 4800 twips, and the
    // lists with it; their left, top and width stay.
    const auto expectSize = [w](double height) {
        QCOMPARE(WindowGeometry::outerWidth(w), 9150.0);
        QCOMPARE(WindowGeometry::outerHeight(w), height);
        const int inner = int(Twips::fromPx(w->height()));
        QCOMPARE(w->Dir1->height(), Twips::toPx(inner - 155));
        QCOMPARE(w->File1->height(), Twips::toPx(inner - 110));
        QCOMPARE(w->File1->geometry().topLeft(), px(3795, 255, 1, 1).topLeft());
    };
    expectSize(4800);
    WindowGeometry::setOuterWidth(w, 12000);
    WindowGeometry::setOuterHeight(w, 6000);
    expectSize(6000);
    w->resize(Twips::toPx(5000), Twips::toPx(1500));
    expectSize(4800);
}

void TestFileBrowser::placementAndSavedGeometry_data() {
    // Left, top and outer height in twips, saved and shown; with no saved
    // place, the left edge on the main window's, the top on its bottom edge.
    QTest::addColumn<QList<double>>("saved");
    QTest::addColumn<QList<double>>("shown");
    QTest::newRow("nothing saved") << QList<double>{0, 0, 0} << QList<double>{3000, 6390, 4800};
    QTest::newRow("all saved") << QList<double>{1500, 900, 7200} << QList<double>{1500, 900, 7200};
    QTest::newRow("only the top") << QList<double>{0, 900, 0} << QList<double>{3000, 900, 4800};
    QTest::newRow("below the least height")
        << QList<double>{0, 0, 3000} << QList<double>{3000, 6390, 4800};
}

void TestFileBrowser::placementAndSavedGeometry() {
    QFETCH(QList<double>, saved);
    QFETCH(QList<double>, shown);
    Browser b;
    b.host.mainWindow = QRectF(3000, 2505, 9150, 3885);
    b.state.settings.FilesListX = saved[0];
    b.state.settings.FilesListY = saved[1];
    b.state.settings.FilesListH = saved[2];
    frmFileList* w = b.openOn(b.music);
    QCOMPARE(placeOf(w), shown);
    QCOMPARE(w->File1->height(), Twips::toPx(Twips::fromPx(w->height()) - 110));
}

void TestFileBrowser::addSelectedAllAndDoubleClick() {
    Browser b;
    makeFiles(b.music, {"1.mp3", "2.mp3", "4.mp3", "5.mp3"});
    PlsFormat::write(b.inMusic("3.pls"), {"/songs/b1.mp3", "/songs/b2.ogg"}, false, false);
    // An upper-case ending is no playlist: the file itself is the entry.
    makeFile(b.inMusic("6.PLS"), "[playlist]\r\nFile1=/songs/never.mp3\r\n");
    makeFile(b.inMusic("7.m3u"), "#EXTM3U\n/songs/x.mp3\n/songs/y.mp3\n");
    frmFileList* w = b.openOn(b.music);
    const QStringList all =
        b.inMusic({"1.mp3", "2.mp3", "3.pls", "4.mp3", "5.mp3", "6.PLS", "7.m3u"});
    QCOMPARE(w->File1->count(), 7);

    // Nothing selected adds nothing.
    QTest::mouseClick(w->btnAddSel, Qt::LeftButton);
    QVERIFY(b.host.calls.isEmpty());

    // Picked out of order: added in list order; the menu item does the
    // same, and the same files again give duplicates.
    b.clickFile(3);
    b.clickFile(0, Qt::ControlModifier);
    b.clickFile(1, Qt::ControlModifier);
    QCOMPARE(w->File1->selectedRows(), QList<int>({0, 1, 3}));
    QTest::mouseClick(w->btnAddSel, Qt::LeftButton);
    const QStringList picked = b.inMusic({"1.mp3", "2.mp3", "4.mp3"});
    QCOMPARE(b.entries(), picked);
    w->mnuaddsel->trigger();
    QCOMPARE(b.entries(), picked + picked);

    // Add All: one call with every listed file, in list order, the
    // playlist files read in their places; every entry is left selected.
    const QStringList added = {all[0], all[1], "/songs/b1.mp3", "/songs/b2.ogg", all[3],
                               all[4], all[5], "/songs/x.mp3",  "/songs/y.mp3"};
    for (const bool viaMenu : {false, true}) {
        b.host.model.clear();
        b.host.calls.clear();
        w->File1->clearSelection();
        if (viaMenu)
            w->mnuaddall->trigger();
        else
            QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
        QCOMPARE(b.entries(), added);
        QCOMPARE(b.host.calls, QList<QStringList>({all}));
        QCOMPARE(w->File1->selectedRows(), QList<int>({0, 1, 2, 3, 4, 5, 6}));
    }

    // A double click adds the file, or reads the playlist file; beside the
    // entries it adds nothing.
    b.host.model.clear();
    b.host.calls.clear();
    b.doubleClickFile(4);
    QCOMPARE(b.entries(), QStringList({all[4]}));
    QCOMPARE(w->File1->focused(), 4);
    b.doubleClickFile(6);
    QCOMPARE(b.entries(), QStringList({all[4], "/songs/x.mp3", "/songs/y.mp3"}));
    QCOMPARE(b.host.calls, QList<QStringList>({QStringList{all[4]}, QStringList{all[6]}}));
    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(5, w->File1->viewport()->height() - 5));
    QCOMPARE(b.host.calls.size(), 2);

    // An empty folder adds nothing and calls nothing.
    QDir().mkpath(b.inMusic("empty"));
    QVERIFY(w->Dir1->setPath(b.inMusic("empty")));
    QCOMPARE(w->File1->path(), b.inMusic("empty"));
    QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
    QCOMPARE(b.host.calls.size(), 2);
}

void TestFileBrowser::addAllStopsAtPlaylistLimit() {
    Browser b;
    makeFiles(b.music, {"s0.mp3", "s1.mp3", "s2.mp3", "s3.mp3", "s4.mp3"});
    QStringList filler;
    for (int i = 0; i < PlaylistModel::MaxEntries - 3; ++i)
        filler << QStringLiteral("/old/%1.mp3").arg(i);
    b.host.model.append(filler);
    frmFileList* w = b.openOn(b.music);
    QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
    // The list fills up to its limit with the first files, and keeps all it
    // had.
    QCOMPARE(b.host.model.count(), PlaylistModel::MaxEntries);
    QCOMPARE(b.entries().first(), QStringLiteral("/old/0.mp3"));
    QCOMPARE(b.entries().mid(PlaylistModel::MaxEntries - 3),
             b.inMusic({"s0.mp3", "s1.mp3", "s2.mp3"}));
    QCOMPARE(b.host.calls.first().size(), 5);
}

void TestFileBrowser::patternAndSettingsReturn() {
    Browser b;
    makeFiles(b.music, {"a.mp3", "b.wav", "c.MP3", "d.txt", "Pop/e.mp3", "Pop/f.ogg"});
    frmFileList* w = b.openOn(b.music);
    QSignalSpy unloaded(w, &frmFileList::unloaded);
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.*"));
    QCOMPARE(w->File1->count(), 4);

    // Typed into the box, the list follows every keystroke.
    w->txtMask->selectAll();
    QTest::keyClicks(w->txtMask, QStringLiteral("*.m"));
    QCOMPARE(w->File1->count(), 0);
    QTest::keyClicks(w->txtMask, QStringLiteral("p3"));
    QCOMPARE(w->File1->pattern(), QStringLiteral("*.mp3"));
    QCOMPARE(w->File1->names(), QStringList({"a.mp3", "c.MP3"}));
    QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
    QCOMPARE(b.entries(), b.inMusic({"a.mp3", "c.MP3"}));

    // Stored when the window closes, and all of it back at the next opening.
    WindowGeometry::setLeft(w, 2250);
    WindowGeometry::setTop(w, 1800);
    WindowGeometry::setOuterHeight(w, 5400);
    QVERIFY(w->Dir1->setPath(b.inMusic("Pop")));
    b.close();
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(b.w.isNull());
    const AppSettings& s = b.state.settings;
    QCOMPARE(QList<double>({s.FilesListX, s.FilesListY, s.FilesListH}),
             QList<double>({2250, 1800, 5400}));
    QCOMPARE(s.Directory, b.inMusic("Pop"));
    QCOMPARE(s.File, b.inMusic("Pop"));
    QCOMPARE(s.Drive, b.home);
    QCOMPARE(s.Mask, QStringLiteral("*.mp3"));
    w = b.open();
    QCOMPARE(placeOf(w), QList<double>({2250.0, 1800.0, 5400.0}));
    QCOMPARE(w->Dir1->path(), b.inMusic("Pop"));
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.mp3"));
    QCOMPARE(w->File1->names(), QStringList({"e.mp3"}));
}

void TestFileBrowser::fileListPatternsAndSorting() {
    // The matcher alone, for what the folder below does not show.
    const struct {
        QString pattern;
        QString name;
        bool matches;
    } alone[] = {{"*.mp3", "song.mp3x", false}, {"*.mp3", "mp3", false},
                 {"?.mp3", "ab.mp3", false},    {"a*b*c", "aXXbYYbZc", true},
                 {"a*b*c", "aXXbYYbZ", false},  {"[1].mp3", "[1].mp3", true},
                 {"*.ÄPS", "x.äps", true},      {"", "anything", true}};
    for (const auto& c : alone)
        QVERIFY2(FilePattern(c.pattern).matches(c.name) == c.matches,
                 qPrintable(c.pattern + u' ' + c.name));
    QVERIFY(FilePattern(QStringLiteral(" ; ")).matchesAll());

    // Through the list, on a real folder: sorted without regard to case,
    // hidden files and folders left out.
    TestEnv env;
    const QString dir = env.path("pat");
    makeFiles(dir, {"Song.MP3", "b.mp3", "c.wav", "README", "notes.txt", "A.Mp3", ".hidden.mp3"});
    QDir().mkpath(dir + QStringLiteral("/folder.mp3"));
    FileList list;
    QVERIFY(list.setPath(dir + u'/'));
    QCOMPARE(list.path(), dir);
    const QStringList every = {"A.Mp3", "b.mp3", "c.wav", "notes.txt", "README", "Song.MP3"};
    const QList<QPair<QString, QStringList>> cases = {
        {"*.mp3", {"A.Mp3", "b.mp3", "Song.MP3"}},
        {"*.mp3;*.wav", {"A.Mp3", "b.mp3", "c.wav", "Song.MP3"}},
        {"*.wav; *.TXT", {"c.wav", "notes.txt"}},
        {"*", every},
        {"*.*", every},
        {"", every},
        {"*.ogg", {}},
        {"s*", {"Song.MP3"}},
        {"?.mp3", {"A.Mp3", "b.mp3"}},
        {"readme", {"README"}}};
    for (const auto& [pattern, expected] : cases) {
        list.setPattern(pattern);
        QVERIFY2(list.names() == expected, qPrintable(pattern));
    }
    // A folder that does not exist leaves the list as it was.
    QVERIFY(!list.setPath(dir + QStringLiteral("/none")));
    QCOMPARE(list.path(), dir);
    QCOMPARE(list.names(), QStringList({"README"}));
}

void TestFileBrowser::folderListAncestorsAndHiddenFolders() {
    Browser b;
    for (const char* name : {"Rock", "jazz", ".cache", "Blues"})
        QDir().mkpath(b.inMusic(QLatin1String(name)));
    makeFiles(b.music, {"top.mp3", "jazz/take5.mp3"});
    frmFileList* w = b.openOn(b.music);

    // Ancestors from the root down, the open folder, then its subfolders by
    // name; the hidden one is not there.
    const QStringList chain = b.music.split(u'/', Qt::SkipEmptyParts);
    QCOMPARE(folderLabels(w->Dir1),
             QStringList({"/"}) + chain + QStringList({"Blues", "jazz", "Rock"}));
    const int open = w->Dir1->openRow();
    QCOMPARE(open, chain.size());
    QCOMPARE(w->Dir1->entryPath(open), b.music);
    QCOMPARE(w->Dir1->highlighted(), open);

    // A single click only highlights; a double click opens, and the file
    // list follows.
    QTest::mouseClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, b.folderRow(open + 2));
    QCOMPARE(w->Dir1->highlightedPath(), b.inMusic("jazz"));
    QCOMPARE(lists(w), b.music);
    QTest::mouseDClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, b.folderRow(open + 2));
    QCOMPARE(lists(w), b.inMusic("jazz"));
    QCOMPARE(w->File1->names(), QStringList({"take5.mp3"}));

    // Enter on a highlighted ancestor opens it.
    w->Dir1->setFocus();
    w->Dir1->setHighlighted(w->Dir1->openRow() - 1);
    QTest::keyClick(w->Dir1, Qt::Key_Return);
    QCOMPARE(lists(w), b.music);
    QCOMPARE(w->File1->names(), QStringList({"top.mp3"}));

    // A folder that does not exist leaves the list as it was.
    QVERIFY(!w->Dir1->setPath(b.inMusic("nowhere")));
    QCOMPARE(w->Dir1->path(), b.music);

    // A right click leaves the highlight alone.
    w->Dir1->setHighlighted(open + 1);
    QTest::mouseClick(w->Dir1->viewport(), Qt::RightButton, Qt::NoModifier, b.folderRow(open + 3));
    QCOMPARE(w->Dir1->highlighted(), open + 1);
}

void TestFileBrowser::loadOnSavedPlacesOrHome() {
    {
        // A saved drive and folder that are gone: the home folder, quietly.
        Browser b;
        const QString gone = b.stick + QStringLiteral("/Music");
        makeFiles(b.home, {"h.mp3"});
        b.state.settings.Directory = b.state.settings.File = gone;
        b.state.settings.Drive = QStringLiteral("/media/stick [STICK]");
        b.state.settings.Mask = QStringLiteral("*.mp3");
        frmFileList* w = b.open();
        QCOMPARE(lists(w), b.home);
        QCOMPARE(w->Drive1->drive(), b.home);
        QCOMPARE(w->File1->names(), QStringList({"h.mp3"}));
        QVERIFY(b.platform.messages.shown.isEmpty());
    }
    {
        // No settings at all (a first start): the home folder, every file.
        Browser b;
        makeFile(b.home + QStringLiteral("/notes"));
        frmFileList* w = b.open();
        QCOMPARE(lists(w), b.home);
        QCOMPARE(w->txtMask->text(), QString());
        QCOMPARE(w->File1->names(), QStringList({"notes"}));
    }
    // Saved places on another drive. The first load alone: the drive change
    // moves the folder list to the drive's root, while the file list gets
    // the saved folder; the second load opens the saved folder.
    Browser b;
    makeFiles(b.stick, {"root.mp3", "music/deep.mp3"});
    b.state.settings.Drive = b.stickDrive;
    b.state.settings.Directory = b.state.settings.File = b.stick + QStringLiteral("/music");
    frmFileList* w = new frmFileList(b.state, b.platform.platform, b.host);
    b.w = w;
    w->setVolumeSource(&b.volumes);
    w->Form_Load();
    QCOMPARE(w->Drive1->drive(), b.stickDrive);
    QCOMPARE(lists(w), b.stick + " | " + b.stick + "/music");
    w->Form_Load();
    QCOMPARE(w->Drive1->drive(), b.stickDrive);
    QCOMPARE(lists(w), b.stick + "/music");
    QCOMPARE(w->File1->names(), QStringList({"deep.mp3"}));
    // Showing it does not load a third time over the user's choices.
    w->Dir1->setPath(b.stick);
    w->show();
    QCOMPARE(w->Dir1->path(), b.stick);
    QVERIFY(b.platform.messages.shown.isEmpty());
}

void TestFileBrowser::refreshKeepsPosition() {
    Browser b;
    makeFiles(b.music, {"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    QDir().mkpath(b.inMusic("one"));
    QDir().mkpath(b.inMusic("two"));
    frmFileList* w = b.openOn(b.music);
    const QString drive = w->Drive1->drive();
    const int open = w->Dir1->openRow();
    QTest::mouseClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, b.folderRow(open + 2));
    b.clickFile(0);
    b.clickFile(2, Qt::ControlModifier);
    QCOMPARE(w->File1->focused(), 2);

    // New things on disk appear; the positions are kept by number, and no
    // list reports a change.
    makeFile(b.inMusic("0-first.mp3"));
    QDir().mkpath(b.inMusic("aaa"));
    QSignalSpy dirChanges(w->Dir1, &FolderList::changed);
    QSignalSpy driveChanges(w->Drive1, &DriveList::changed);
    QTest::mouseClick(w->btnRefresh, Qt::LeftButton);
    QCOMPARE(w->File1->names(), QStringList({"0-first.mp3", "a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
    QCOMPARE(w->File1->focused(), 2);
    QCOMPARE(w->File1->selectedRows(), QList<int>({2}));
    QCOMPARE(w->Dir1->path(), b.music);
    QCOMPARE(w->Dir1->highlighted(), open + 2);
    QCOMPARE(w->Dir1->count(), open + 4);
    QCOMPARE(w->Drive1->drive(), drive);
    QCOMPARE(dirChanges.count() + driveChanges.count(), 0);

    // The open folder deleted: the refresh ends quietly.
    QVERIFY(w->Dir1->setPath(b.inMusic("one")));
    QVERIFY(QDir(b.inMusic("one")).removeRecursively());
    w->btnRefresh_Click();
    QVERIFY(b.platform.messages.shown.isEmpty());
    QCOMPARE(w->Dir1->path(), b.inMusic("one"));
}

void TestFileBrowser::driveListRules() {
    const QList<Volume> raw = {volume("/data", "Data"),
                               volume("/media/u/STICK", "STICK", "vfat", true),
                               volume("/proc", QString(), "proc"),
                               volume("/sys", QString(), "sysfs"),
                               volume("/mnt/backup"),
                               volume("/"),
                               volume("/mnt/ram", QString(), "tmpfs"),
                               volume("/mnt/cd", QString(), "iso9660", true, false),
                               volume("/var/lib/docker/overlay2/x/merged", QString(), "overlay"),
                               volume("/snap/core/1", QString(), "squashfs"),
                               volume("/boot/efi", QString(), "vfat"),
                               volume("/run/media/u/CARD", QString(), "exfat", true),
                               volume("/data", "Again"),
                               volume("/home/u")};
    QStringList texts;
    for (const Volume& v : VolumeList::entries(raw, QStringLiteral("/home/u/")))
        texts << v.text();
    QCOMPARE(texts, QStringList({"/", "/home/u", "/media/u/STICK [STICK]", "/run/media/u/CARD",
                                 "/data [Data]", "/mnt/backup"}));
    // The system root on an overlay (as in a container) is kept.
    QCOMPARE(VolumeList::entries({volume("/", QString(), "overlay")}, QString()).size(), 1);

    // This machine's drives: "/" first, then the home folder, each once,
    // none of the system's own trees.
    DriveList list;
    const QStringList drives = list.drives();
    QVERIFY(!drives.isEmpty());
    QVERIFY2(drives.first() == QLatin1String("/") || drives.first().startsWith("/ ["),
             qPrintable(drives.join(u',')));
    const QString home = QDir::homePath();
    if (home != QLatin1String("/"))
        QCOMPARE(QStringList({drives.value(1), list.drive(), list.folderOf(home)}),
                 QStringList(3, home));
    for (const QString& d : drives) {
        for (const char* tree : {"/proc", "/sys", "/dev", "/run/user"})
            QVERIFY2(!d.startsWith(QLatin1String(tree)), qPrintable(d));
        QCOMPARE(drives.count(d), 1);
    }

    // Choosing "/" in the window opens the root in both lists.
    Browser b;
    frmFileList* w = b.openOn(b.music);
    w->Drive1->setCurrentIndex(0);
    QCOMPARE(lists(w), QStringLiteral("/"));
    QCOMPARE(w->Dir1->openRow(), 0);
    QVERIFY(b.platform.messages.shown.isEmpty());
}

void TestFileBrowser::drivesChosenAndUnplugged() {
    Browser b;
    makeFiles(b.stick, {"track.mp3", "Albums/inner.mp3"});
    makeFile(b.inMusic("song.mp3"));
    frmFileList* w = b.openOn(b.music);
    w->setVolumeSource(&b.volumes);
    QCOMPARE(w->Drive1->drives(), QStringList({"/", b.home, b.stickDrive}));
    QCOMPARE(w->Drive1->drive(), b.home);
    QCOMPARE(w->Drive1->driveOf(b.stick + QStringLiteral("/Albums")), b.stickDrive);
    auto& shown = b.platform.messages.shown;

    // A removable volume chosen opens its root in both lists.
    w->Drive1->setCurrentIndex(2);
    QCOMPARE(w->Drive1->drive(), b.stickDrive);
    QCOMPARE(lists(w), b.stick);
    QCOMPARE(w->File1->names(), QStringList({"track.mp3"}));
    QCOMPARE(folderLabels(w->Dir1).last(), QStringLiteral("Albums"));
    QVERIFY(!w->Drive1->setDrive(QStringLiteral("/nowhere")));
    QCOMPARE(w->Drive1->drive(), b.stickDrive);
    w->Drive1->setCurrentIndex(1);
    QCOMPARE(lists(w), b.home);
    w->Dir1->setPath(b.music);
    QVERIFY(shown.isEmpty());

    // Unplugged after the list was read; then chosen. The drive list keeps
    // the new drive; the other lists stay.
    b.volumes.list.removeLast();
    w->Drive1->setCurrentIndex(2);
    QCOMPARE(shown.size(), 1);
    expectOkMessage(shown.first(), QStringLiteral("Drive is not responding. Check Disk"),
                    MsgIcon::Critical);
    QCOMPARE(w->Drive1->drive(), b.stickDrive);
    QCOMPARE(lists(w), b.music);
    QCOMPARE(w->File1->names(), QStringList({"song.mp3"}));

    // A volume that is listed but not ready gives the same message; the
    // refresh drops it from the list and ends quietly.
    b.volumes.list.append(stickAt(b.stick, QStringLiteral("STICK"), false));
    w->Drive1->setCurrentIndex(0);
    w->Drive1->setCurrentIndex(2);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(w->Dir1->path(), QStringLiteral("/"));
    w->btnRefresh_Click();
    QCOMPARE(w->Drive1->drives().indexOf(b.stickDrive), -1);
    QCOMPARE(shown.size(), 2);

    // Plugged in again, chosen and saved as the entry's text.
    b.volumes.list.last().ready = true;
    w->btnRefresh_Click();
    QVERIFY(w->Drive1->setDrive(b.stickDrive));
    b.close();
    QCOMPARE(b.state.settings.Drive, b.stickDrive);
    QCOMPARE(b.state.settings.Directory, b.stick);
}

void TestFileBrowser::exploreAndTagMenu() {
    Browser b;
    QDir().mkpath(b.inMusic("Live"));
    makeFiles(b.music, {"a.mp3", "b.mp3", "c.wma", "d.mp3"});
    frmFileList* w = b.openOn(b.music);
    auto& shell = b.platform.shell;

    // Explore: the open folder when nothing else is highlighted, else the
    // highlighted one; the shell's failure is the message.
    QTest::mouseClick(w->cmdExplore, Qt::LeftButton);
    QCOMPARE(shell.opened, QStringList({b.music}));
    QTest::mouseClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier,
                      b.folderRow(w->Dir1->openRow() + 1));
    shell.result = false;
    QTest::mouseClick(w->cmdExplore, Qt::LeftButton);
    QCOMPARE(shell.opened.last(), b.inMusic("Live"));
    QCOMPARE(b.platform.messages.shown.size(), 1);
    expectOkMessage(b.platform.messages.shown.first(), QStringLiteral("Folder not found."),
                    MsgIcon::None);
    QCOMPARE(w->Dir1->path(), b.music);

    // The tag of the first selected file, by position; none selected,
    // nothing. The right button shows the menu and leaves the selection.
    w->mnuID3file->trigger();
    QVERIFY(b.host.tagPaths.isEmpty());
    b.clickFile(3);
    b.clickFile(1, Qt::ControlModifier);
    QTest::mouseClick(w->File1->viewport(), Qt::RightButton, Qt::NoModifier, b.fileRow(2));
    QTRY_VERIFY(w->mnuFiles->isVisible());
    QCOMPARE(w->File1->selectedRows(), QList<int>({1, 3}));
    w->mnuFiles->hide();
    w->mnuID3file->trigger();
    QCOMPARE(b.host.tagPaths, QStringList({b.inMusic("b.mp3")}));
    QVERIFY(b.host.calls.isEmpty());
}

QTEST_MAIN(TestFileBrowser)
#include "test_filebrowser.moc"
