// The File Browser through its real widgets on real files and folders in
// temporary places: the linked drive, folder and file lists, the pattern,
// the add commands, the load and unload with their settings, the layout.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "browser/DriveList.h"
#include "browser/FileList.h"
#include "browser/FolderList.h"
#include "browser/frmFileList.h"
#include "platform/VolumeList.h"
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

// The main window as the browser sees it: a real playlist, the PLS reader
// for names ending in "pls", the M3U lines for names ending in "m3u".
class Host : public FileBrowserHost {
public:
    void addToPlaylist(const QStringList& paths) override {
        calls << paths;
        for (const QString& p : paths) {
            if (PathNames::endsWith(p, "pls"))
                model.append(PlsFormat::read(p));
            else if (PathNames::endsWith(p, "m3u"))
                model.append(m3uLines(p));
            else
                model.append(p);
        }
    }
    void ShowID3Info(const QString& path) override { tagPaths << path; }
    QRectF mainWindowTwips() const override { return mainWindow; }

    static QStringList m3uLines(const QString& path) {
        QStringList out;
        for (const QByteArray& line : readBytes(path).split('\n')) {
            const QString text = QString::fromUtf8(line).trimmed();
            if (!text.isEmpty() && !text.startsWith(u'#'))
                out << text;
        }
        return out;
    }

    PlaylistModel model;
    QList<QStringList> calls;
    QStringList tagPaths;
    QRectF mainWindow{3000, 2500, 9150, 3885};
};

QRect px(int l, int t, int w, int h) {
    return QRect(Twips::toPx(l), Twips::toPx(t), Twips::toPx(w), Twips::toPx(h));
}

void makeFile(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    writeBytes(path, bytes);
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
    QByteArray oldHome = qgetenv("HOME");
    QPointer<frmFileList> w;

    Browser() {
        QDir().mkpath(music);
        qputenv("HOME", home.toLocal8Bit());
    }
    ~Browser() {
        delete w.data();
        qputenv("HOME", oldHome);
    }
    // Shows the window as the main window does: the showing loads it, and
    // the load runs once more right after.
    frmFileList* open(const VolumeSource* volumes = nullptr) {
        w = new frmFileList(state, platform.platform, host);
        if (volumes)
            w->setVolumeSource(volumes);
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
        state.settings.Directory = folder;
        state.settings.File = folder;
        state.settings.Mask = QStringLiteral("*.*");
        return open();
    }
    QPoint fileRow(int row) {
        return w->File1->visualRect(w->File1->model()->index(row, 0)).center();
    }
    void clickFile(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(w->File1->viewport(), Qt::LeftButton, mods, fileRow(row));
    }
    QPoint folderRow(int row) {
        return w->Dir1->visualRect(w->Dir1->model()->index(row, 0)).center();
    }
    QStringList entries() const { return host.model.entries(); }
    QString inMusic(const QString& name) const { return music + u'/' + name; }
};

QStringList folderLabels(const FolderList* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->model()->index(i, 0).data().toString();
    return out;
}

Volume volume(const QString& root, const QString& name = QString(),
              const QString& fs = QStringLiteral("ext4"), bool removable = false,
              bool ready = true) {
    Volume v;
    v.root = root;
    v.name = name;
    v.fileSystem = fs;
    v.removable = removable;
    v.ready = ready;
    return v;
}

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT
private slots:
    void layoutColoursAndMenu();
    void resizeRules();
    void placementAndSavedGeometry();
    void addSelectedInListOrder();
    void addAllImportsPlaylistsInPlace();
    void addAllStopsAtPlaylistLimit();
    void doubleClickAddsOrImports();
    void patternMp3AndItsReturn();
    void patternRules();
    void fileListSortingAndSelection();
    void folderListLinksAndHiddenFolders();
    void savedPlacesThatAreGone();
    void doubleLoadEndsOnSavedPlaces();
    void refreshKeepsPosition();
    void driveListOnThisMachine();
    void driveListFromSuppliedVolumes();
    void driveThatDisappears();
    void exploreAndItsFailure();
    void tagMenuAndPopup();
    void unloadStoresSettings();
};

void TestFileBrowser::layoutColoursAndMenu() {
    Browser b;
    frmFileList* w = b.openOn(b.music);
    QCOMPARE(Twips::perPixel(), 15.0);
    QCOMPARE(w->windowTitle(), QStringLiteral("Jukora - File Browser"));
    QVERIFY(w->isWindow());
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 0, 128));

    QCOMPARE(w->Label4->text(), QStringLiteral("Files"));
    QCOMPARE(w->Label4->geometry(), px(105, 30, 675, 315));
    QCOMPARE(w->Label4->font().family(), QStringLiteral("Arial"));
    QCOMPARE(w->Label4->font().pointSizeF(), 9.75);
    QVERIFY(w->Label4->font().bold());
    QCOMPARE(w->Label4->palette().color(QPalette::WindowText), QColor(192, 192, 255));
    QCOMPARE(w->Label3->text(), QStringLiteral("Format:"));
    QCOMPARE(w->Label3->geometry(), px(2490, 30, 1215, 255));
    QCOMPARE(w->Label3->font().pointSizeF(), 9.0);
    QVERIFY(w->Label3->font().bold());

    QCOMPARE(w->Drive1->geometry(), px(690, 0, 1695, 315));
    QCOMPARE(w->Drive1->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->txtMask->geometry(), px(3210, 0, 495, 285));
    QCOMPARE(w->txtMask->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->txtMask->palette().color(QPalette::Text), QColor(0, 0, 192));
    QCOMPARE(w->txtMask->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(w->txtMask->font().pointSizeF(), 8.25);
    QVERIFY(w->txtMask->font().bold());

    struct ButtonDesign {
        QPushButton* button;
        const char* caption;
        QRect place;
        QColor tint;
    };
    const ButtonDesign buttons[] = {
        {w->btnRefresh, "Refresh", px(3810, 0, 1215, 255), QColor(128, 128, 255)},
        {w->cmdExplore, "Explore", px(5030, 0, 1215, 255), QColor(128, 128, 255)},
        {w->btnAddSel, "Add", px(6540, 0, 1215, 255), QColor(192, 192, 255)},
        {w->btnAddAll, "Add All", px(7740, 0, 1185, 255), QColor(192, 192, 255)},
    };
    for (const ButtonDesign& d : buttons) {
        QCOMPARE(d.button->text(), QString::fromLatin1(d.caption));
        QCOMPARE(d.button->geometry(), d.place);
        QCOMPARE(d.button->palette().color(QPalette::Button), d.tint);
        QCOMPARE(d.button->font().family(), QStringLiteral("Arial"));
        QCOMPARE(d.button->font().pointSizeF(), 8.25);
    }

    QCOMPARE(w->Dir1->pos(), px(0, 300, 3800, 3690).topLeft());
    QCOMPARE(w->Dir1->width(), Twips::toPx(3800));
    QCOMPARE(w->File1->pos(), px(3795, 255, 5145, 3735).topLeft());
    QCOMPARE(w->File1->width(), Twips::toPx(5145));
    QCOMPARE(w->Dir1->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->File1->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->File1->selectionMode(), QAbstractItemView::ExtendedSelection);

    QCOMPARE(w->mnuFiles->title(), QStringLiteral("Files"));
    QStringList items;
    for (QAction* a : w->mnuFiles->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items,
             QStringList({"Add Selected Files", "Add All Files", "-", "Get MP3 ID3 Information"}));
    QCOMPARE(w->mnuaddsel->objectName(), QStringLiteral("mnuaddsel"));
    QCOMPARE(w->mnuaddall->objectName(), QStringLiteral("mnuaddall"));
    QCOMPARE(w->mnuID3file->objectName(), QStringLiteral("mnuID3file"));
}

void TestFileBrowser::resizeRules() {
    Browser b;
    frmFileList* w = b.openOn(b.music);
    QCOMPARE(WindowGeometry::outerWidth(w), 9150.0);
    QCOMPARE(WindowGeometry::outerHeight(w), 4800.0);

    // The width cannot change; the height can, down to 4800 twips. The
    // lists follow the inner height.
    const auto innerTwips = [w] { return int(Twips::fromPx(w->height())); };
    WindowGeometry::setOuterWidth(w, 12000);
    WindowGeometry::setOuterHeight(w, 6000);
    QCOMPARE(WindowGeometry::outerWidth(w), 9150.0);
    QCOMPARE(WindowGeometry::outerHeight(w), 6000.0);
    QCOMPARE(w->Dir1->height(), Twips::toPx(innerTwips() - 155));
    QCOMPARE(w->File1->height(), Twips::toPx(innerTwips() - 110));
    // Left, top and width of the lists stay as designed.
    QCOMPARE(w->Dir1->geometry().topLeft(), px(0, 300, 1, 1).topLeft());
    QCOMPARE(w->File1->width(), Twips::toPx(5145));

    w->resize(Twips::toPx(5000), Twips::toPx(1500));
    QCOMPARE(WindowGeometry::outerWidth(w), 9150.0);
    QCOMPARE(WindowGeometry::outerHeight(w), 4800.0);
    QCOMPARE(w->Dir1->height(), Twips::toPx(innerTwips() - 155));
    QCOMPARE(w->File1->height(), Twips::toPx(innerTwips() - 110));
    QVERIFY(w->File1->height() > w->Dir1->height());
}

void TestFileBrowser::placementAndSavedGeometry() {
    // No saved place: left edge on the main window's left edge, top on its
    // bottom edge.
    {
        Browser b;
        b.host.mainWindow = QRectF(3000, 2505, 9150, 3885);
        frmFileList* w = b.openOn(b.music);
        QCOMPARE(w->frameGeometry().topLeft(), QPoint(Twips::toPx(3000), Twips::toPx(6390)));
    }
    // A saved place and height are applied.
    {
        Browser b;
        b.state.settings.FilesListX = 1500;
        b.state.settings.FilesListY = 900;
        b.state.settings.FilesListH = 7200;
        frmFileList* w = b.openOn(b.music);
        QCOMPARE(WindowGeometry::left(w), 1500.0);
        QCOMPARE(WindowGeometry::top(w), 900.0);
        QCOMPARE(WindowGeometry::outerHeight(w), 7200.0);
        QCOMPARE(w->File1->height(), Twips::toPx(Twips::fromPx(w->height()) - 110));
    }
    // Only the top saved: the left edge still follows the main window.
    {
        Browser b;
        b.state.settings.FilesListY = 900;
        frmFileList* w = b.openOn(b.music);
        QCOMPARE(WindowGeometry::left(w), 3000.0);
        QCOMPARE(WindowGeometry::top(w), 900.0);
    }
    // A saved height below the least one is raised to 4800 twips.
    {
        Browser b;
        b.state.settings.FilesListH = 3000;
        frmFileList* w = b.openOn(b.music);
        QCOMPARE(WindowGeometry::outerHeight(w), 4800.0);
    }
    // Closed at another height, reopened at that height.
    {
        Browser b;
        frmFileList* w = b.openOn(b.music);
        WindowGeometry::setOuterHeight(w, 6600);
        b.close();
        QCOMPARE(b.state.settings.FilesListH, 6600.0);
        w = b.open();
        QCOMPARE(WindowGeometry::outerHeight(w), 6600.0);
    }
}

void TestFileBrowser::addSelectedInListOrder() {
    Browser b;
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"})
        makeFile(b.inMusic(QLatin1String(name)));
    frmFileList* w = b.openOn(b.music);
    QCOMPARE(w->File1->count(), 5);

    // Nothing selected adds nothing.
    QTest::mouseClick(w->btnAddSel, Qt::LeftButton);
    QVERIFY(b.entries().isEmpty());
    QVERIFY(b.host.calls.isEmpty());

    // Three of five, picked out of order: added in list order.
    b.clickFile(3);
    b.clickFile(0, Qt::ControlModifier);
    b.clickFile(2, Qt::ControlModifier);
    QCOMPARE(w->File1->selectedRows(), QList<int>({0, 2, 3}));
    QTest::mouseClick(w->btnAddSel, Qt::LeftButton);
    QCOMPARE(b.entries(),
             QStringList({b.inMusic("1.mp3"), b.inMusic("3.mp3"), b.inMusic("4.mp3")}));

    // The menu item does the same; the same files again give duplicates.
    w->mnuaddsel->trigger();
    QCOMPARE(b.entries().size(), 6);
    QCOMPARE(b.entries().mid(3), b.entries().mid(0, 3));

    // Shift-click selects a range.
    b.clickFile(1);
    b.clickFile(4, Qt::ShiftModifier);
    QCOMPARE(w->File1->selectedRows(), QList<int>({1, 2, 3, 4}));
}

void TestFileBrowser::addAllImportsPlaylistsInPlace() {
    Browser b;
    makeFile(b.inMusic("a.mp3"));
    PlsFormat::write(b.inMusic("b.pls"), {"/songs/b1.mp3", "/songs/b2.ogg"}, false, false);
    makeFile(b.inMusic("c.mp3"));
    // An upper-case ending is no playlist: the file itself is the entry.
    makeFile(b.inMusic("D.PLS"), "[playlist]\r\nFile1=/songs/never.mp3\r\n");
    frmFileList* w = b.openOn(b.music);
    QCOMPARE(w->File1->names(), QStringList({"a.mp3", "b.pls", "c.mp3", "D.PLS"}));

    QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
    QCOMPARE(b.entries(), QStringList({b.inMusic("a.mp3"), "/songs/b1.mp3", "/songs/b2.ogg",
                                       b.inMusic("c.mp3"), b.inMusic("D.PLS")}));
    // One call with every listed file, in list order.
    QCOMPARE(b.host.calls.size(), 1);
    QCOMPARE(b.host.calls.first(), QStringList({b.inMusic("a.mp3"), b.inMusic("b.pls"),
                                                b.inMusic("c.mp3"), b.inMusic("D.PLS")}));
    // Every entry is left selected.
    QCOMPARE(w->File1->selectedRows(), QList<int>({0, 1, 2, 3}));

    // The menu item does the same.
    b.host.model.clear();
    w->File1->clearSelection();
    w->mnuaddall->trigger();
    QCOMPARE(b.entries().size(), 5);
    QCOMPARE(b.entries()[1], QStringLiteral("/songs/b1.mp3"));

    // An empty folder adds nothing and calls nothing.
    QDir().mkpath(b.inMusic("empty"));
    QVERIFY(w->Dir1->setPath(b.inMusic("empty")));
    QCOMPARE(w->File1->path(), b.inMusic("empty"));
    b.host.calls.clear();
    QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
    QVERIFY(b.host.calls.isEmpty());
}

void TestFileBrowser::addAllStopsAtPlaylistLimit() {
    Browser b;
    for (int i = 0; i < 5; ++i)
        makeFile(b.inMusic(QStringLiteral("s%1.mp3").arg(i)));
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
             QStringList({b.inMusic("s0.mp3"), b.inMusic("s1.mp3"), b.inMusic("s2.mp3")}));
    QCOMPARE(b.host.calls.first().size(), 5);
}

void TestFileBrowser::doubleClickAddsOrImports() {
    Browser b;
    makeFile(b.inMusic("one.mp3"));
    makeFile(b.inMusic("songs.m3u"), "#EXTM3U\n/songs/x.mp3\n/songs/y.mp3\n");
    makeFile(b.inMusic("two.mp3"));
    frmFileList* w = b.openOn(b.music);
    QCOMPARE(w->File1->names(), QStringList({"one.mp3", "songs.m3u", "two.mp3"}));

    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, Qt::NoModifier, b.fileRow(2));
    QCOMPARE(b.entries(), QStringList({b.inMusic("two.mp3")}));
    QCOMPARE(w->File1->focused(), 2);

    // A playlist file is read, not added.
    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, Qt::NoModifier, b.fileRow(1));
    QCOMPARE(b.entries(), QStringList({b.inMusic("two.mp3"), "/songs/x.mp3", "/songs/y.mp3"}));
    QCOMPARE(b.host.calls.last(), QStringList({b.inMusic("songs.m3u")}));

    // A double click beside the entries adds nothing.
    b.host.calls.clear();
    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(5, w->File1->viewport()->height() - 5));
    QVERIFY(b.host.calls.isEmpty());
}

void TestFileBrowser::patternMp3AndItsReturn() {
    Browser b;
    for (const char* name : {"a.mp3", "b.wav", "c.MP3", "d.txt"})
        makeFile(b.inMusic(QLatin1String(name)));
    frmFileList* w = b.openOn(b.music);
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
    QCOMPARE(b.entries(), QStringList({b.inMusic("a.mp3"), b.inMusic("c.MP3")}));

    // The pattern comes back at the next opening.
    b.close();
    QCOMPARE(b.state.settings.Mask, QStringLiteral("*.mp3"));
    w = b.open();
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.mp3"));
    QCOMPARE(w->File1->names(), QStringList({"a.mp3", "c.MP3"}));
}

void TestFileBrowser::patternRules() {
    // The matcher alone.
    QVERIFY(FilePattern(QStringLiteral("*.mp3")).matches(u"Song.MP3"));
    QVERIFY(!FilePattern(QStringLiteral("*.mp3")).matches(u"song.mp3x"));
    QVERIFY(!FilePattern(QStringLiteral("*.mp3")).matches(u"mp3"));
    QVERIFY(FilePattern(QStringLiteral("*.*")).matches(u"README"));
    QVERIFY(FilePattern(QStringLiteral("*")).matches(u"README"));
    QVERIFY(FilePattern(QString()).matches(u"anything"));
    QVERIFY(FilePattern(QStringLiteral(" ; ")).matchesAll());
    QVERIFY(FilePattern(QStringLiteral("?.mp3")).matches(u"a.mp3"));
    QVERIFY(!FilePattern(QStringLiteral("?.mp3")).matches(u"ab.mp3"));
    QVERIFY(FilePattern(QStringLiteral("a*b*c")).matches(u"aXXbYYbZc"));
    QVERIFY(!FilePattern(QStringLiteral("a*b*c")).matches(u"aXXbYYbZ"));
    QVERIFY(FilePattern(QStringLiteral("[1].mp3")).matches(u"[1].mp3"));
    QVERIFY(FilePattern(QStringLiteral("*.ÄPS")).matches(u"x.äps"));

    // Through the list, on a real folder.
    TestEnv env;
    const QString dir = env.path("pat");
    for (const char* name :
         {"Song.MP3", "b.mp3", "c.wav", "README", "notes.txt", "A.Mp3", ".hidden.mp3"})
        makeFile(dir + u'/' + QLatin1String(name));
    QDir().mkpath(dir + QStringLiteral("/folder.mp3"));
    FileList list;
    QVERIFY(list.setPath(dir));
    const QStringList every = {"A.Mp3", "b.mp3", "c.wav", "notes.txt", "README", "Song.MP3"};
    QCOMPARE(list.names(), every);
    const QList<QPair<QString, QStringList>> cases = {
        {"*.mp3", {"A.Mp3", "b.mp3", "Song.MP3"}},
        {"*.MP3", {"A.Mp3", "b.mp3", "Song.MP3"}},
        {"*.mp3;*.wav", {"A.Mp3", "b.mp3", "c.wav", "Song.MP3"}},
        {"*.wav; *.TXT", {"c.wav", "notes.txt"}},
        {"*", every},
        {"*.*", every},
        {"", every},
        {"*.ogg", {}},
        {"s*", {"Song.MP3"}},
        {"?.mp3", {"A.Mp3", "b.mp3"}},
        {"readme", {"README"}},
    };
    for (const auto& [pattern, expected] : cases) {
        list.setPattern(pattern);
        QVERIFY2(list.names() == expected, qPrintable(pattern));
    }
    // A folder that does not exist leaves the list as it was.
    QVERIFY(!list.setPath(dir + QStringLiteral("/none")));
    QCOMPARE(list.path(), dir);
    QCOMPARE(list.names(), QStringList({"README"}));
}

void TestFileBrowser::fileListSortingAndSelection() {
    TestEnv env;
    const QString dir = env.path("sort");
    for (const char* name : {"beta.mp3", "Alpha.mp3", "alpha2.mp3", "Gamma.mp3", "delta.mp3"})
        makeFile(dir + u'/' + QLatin1String(name));
    FileList list;
    QVERIFY(list.setPath(dir + QStringLiteral("/")));
    QCOMPARE(list.path(), dir);
    QCOMPARE(list.names(),
             QStringList({"Alpha.mp3", "alpha2.mp3", "beta.mp3", "delta.mp3", "Gamma.mp3"}));
    QCOMPARE(list.fullPath(2), dir + QStringLiteral("/beta.mp3"));
    QCOMPARE(list.fullPath(7), QString());
    QCOMPARE(list.focused(), -1);

    list.setSelected(4, true);
    list.setSelected(1, true);
    QCOMPARE(list.selectedRows(), QList<int>({1, 4}));
    QVERIFY(list.isSelected(4));
    QVERIFY(!list.isSelected(0));
    list.setFocused(3);
    QCOMPARE(list.focused(), 3);
    QCOMPARE(list.selectedRows(), QList<int>({1, 4}));
    list.selectEverything();
    QCOMPARE(list.selectedRows().size(), 5);

    // A re-read clears the selection; a root folder joins with one "/".
    QVERIFY(list.refresh());
    QVERIFY(list.selectedRows().isEmpty());
    FileList root;
    QVERIFY(root.setPath(QStringLiteral("/")));
    if (root.count() > 0)
        QCOMPARE(root.fullPath(0), u'/' + root.name(0));
}

void TestFileBrowser::folderListLinksAndHiddenFolders() {
    Browser b;
    QDir().mkpath(b.inMusic("Rock"));
    QDir().mkpath(b.inMusic("jazz"));
    QDir().mkpath(b.inMusic(".cache"));
    QDir().mkpath(b.inMusic("Blues"));
    makeFile(b.inMusic("top.mp3"));
    makeFile(b.inMusic("jazz/take5.mp3"));
    frmFileList* w = b.openOn(b.music);

    // Ancestors from the root down, the open folder, then its subfolders by
    // name; the hidden one is not there.
    const QStringList chain = b.music.split(u'/', Qt::SkipEmptyParts);
    QStringList expected = QStringList({"/"}) + chain + QStringList({"Blues", "jazz", "Rock"});
    QCOMPARE(folderLabels(w->Dir1), expected);
    const int open = w->Dir1->openRow();
    QCOMPARE(open, chain.size());
    QCOMPARE(w->Dir1->entryPath(open), b.music);
    QCOMPARE(w->Dir1->entryPath(0), QStringLiteral("/"));
    QCOMPARE(w->Dir1->highlighted(), open);
    QCOMPARE(w->Dir1->highlightedPath(), b.music);

    // A single click only highlights.
    QSignalSpy changes(w->Dir1, &FolderList::changed);
    QTest::mouseClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, b.folderRow(open + 2));
    QCOMPARE(w->Dir1->highlighted(), open + 2);
    QCOMPARE(w->Dir1->highlightedPath(), b.inMusic("jazz"));
    QCOMPARE(w->Dir1->path(), b.music);
    QCOMPARE(w->File1->path(), b.music);
    QCOMPARE(changes.count(), 0);

    // A double click opens, and the file list follows.
    QTest::mouseDClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, b.folderRow(open + 2));
    QCOMPARE(w->Dir1->path(), b.inMusic("jazz"));
    QCOMPARE(w->File1->path(), b.inMusic("jazz"));
    QCOMPARE(w->File1->names(), QStringList({"take5.mp3"}));
    QCOMPARE(changes.count(), 1);

    // Enter on a highlighted ancestor opens it.
    w->Dir1->setFocus();
    w->Dir1->setHighlighted(w->Dir1->openRow() - 1);
    QTest::keyClick(w->Dir1, Qt::Key_Return);
    QCOMPARE(w->Dir1->path(), b.music);
    QCOMPARE(w->File1->names(), QStringList({"top.mp3"}));
    QCOMPARE(changes.count(), 2);

    // Setting the open folder again is no change.
    QVERIFY(w->Dir1->setPath(b.music));
    QCOMPARE(changes.count(), 2);
    // A folder that does not exist leaves the list as it was.
    QVERIFY(!w->Dir1->setPath(b.inMusic("nowhere")));
    QCOMPARE(w->Dir1->path(), b.music);
    QCOMPARE(changes.count(), 2);

    // A right click leaves the highlight alone.
    w->Dir1->setHighlighted(open + 1);
    QTest::mouseClick(w->Dir1->viewport(), Qt::RightButton, Qt::NoModifier, b.folderRow(open + 3));
    QCOMPARE(w->Dir1->highlighted(), open + 1);
}

void TestFileBrowser::savedPlacesThatAreGone() {
    Browser b;
    const QString gone = b.env.path("stick/Music");
    QDir().mkpath(gone);
    makeFile(gone + QStringLiteral("/x.mp3"));
    makeFile(b.home + QStringLiteral("/h.mp3"));
    b.state.settings.Directory = gone;
    b.state.settings.File = gone;
    b.state.settings.Drive = QStringLiteral("/media/stick [STICK]");
    b.state.settings.Mask = QStringLiteral("*.mp3");
    QVERIFY(QDir(b.env.path("stick")).removeRecursively());

    frmFileList* w = b.open();
    // The window opens on the home folder and goes on.
    QVERIFY(w->isVisible());
    QCOMPARE(w->Dir1->path(), b.home);
    QCOMPARE(w->File1->path(), b.home);
    QCOMPARE(w->Drive1->drive(), w->Drive1->homeDrive());
    QCOMPARE(w->Drive1->drive(), b.home);
    QCOMPARE(w->File1->names(), QStringList({"h.mp3"}));
    QVERIFY(b.platform.messages.shown.isEmpty());

    // With no settings at all (a first start): the home folder, every file.
    Browser fresh;
    makeFile(fresh.home + QStringLiteral("/notes"));
    w = fresh.open();
    QCOMPARE(w->Dir1->path(), fresh.home);
    QCOMPARE(w->File1->path(), fresh.home);
    QCOMPARE(w->txtMask->text(), QString());
    QCOMPARE(w->File1->names(), QStringList({"notes"}));
}

void TestFileBrowser::doubleLoadEndsOnSavedPlaces() {
    Browser b;
    const QString stick = b.env.path("stick");
    QDir().mkpath(stick + QStringLiteral("/music"));
    makeFile(stick + QStringLiteral("/root.mp3"));
    makeFile(stick + QStringLiteral("/music/deep.mp3"));
    FixedVolumes volumes;
    volumes.list = {volume(QStringLiteral("/")),
                    volume(stick, QStringLiteral("STICK"), QStringLiteral("vfat"), true)};
    const QString drive = stick + QStringLiteral(" [STICK]");
    b.state.settings.Drive = drive;
    b.state.settings.Directory = stick + QStringLiteral("/music");
    b.state.settings.File = stick + QStringLiteral("/music");

    // The first load alone: the drive change moves the folder list to the
    // drive's root, while the file list gets the saved folder.
    frmFileList* w = new frmFileList(b.state, b.platform.platform, b.host);
    b.w = w;
    w->setVolumeSource(&volumes);
    w->Form_Load();
    QCOMPARE(w->Drive1->drive(), drive);
    QCOMPARE(w->Dir1->path(), stick);
    QCOMPARE(w->File1->path(), stick + QStringLiteral("/music"));
    // The second run finds the drive chosen and opens the saved folder.
    w->Form_Load();
    QCOMPARE(w->Drive1->drive(), drive);
    QCOMPARE(w->Dir1->path(), stick + QStringLiteral("/music"));
    QCOMPARE(w->File1->names(), QStringList({"deep.mp3"}));
    // Showing it does not load a third time over the user's choices.
    w->Dir1->setPath(stick);
    w->show();
    QCOMPARE(w->Dir1->path(), stick);
    QVERIFY(b.platform.messages.shown.isEmpty());
}

void TestFileBrowser::refreshKeepsPosition() {
    Browser b;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        makeFile(b.inMusic(QLatin1String(name)));
    QDir().mkpath(b.inMusic("one"));
    QDir().mkpath(b.inMusic("two"));
    frmFileList* w = b.openOn(b.music);
    const QString drive = w->Drive1->drive();
    const int open = w->Dir1->openRow();
    QTest::mouseClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier, b.folderRow(open + 2));
    b.clickFile(0);
    b.clickFile(2, Qt::ControlModifier);
    QCOMPARE(w->File1->focused(), 2);

    // New things on disk appear; the positions are kept by number.
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
    QCOMPARE(dirChanges.count(), 0);
    QCOMPARE(driveChanges.count(), 0);

    // With no focused file the refresh re-reads and selects nothing.
    QVERIFY(w->Dir1->setPath(b.inMusic("one")));
    makeFile(b.inMusic("one/new.mp3"));
    w->btnRefresh_Click();
    QCOMPARE(w->File1->names(), QStringList({"new.mp3"}));
    QVERIFY(w->File1->selectedRows().isEmpty());

    // The open folder deleted: the refresh ends quietly, nothing breaks.
    QVERIFY(QDir(b.inMusic("one")).removeRecursively());
    w->btnRefresh_Click();
    QVERIFY(b.platform.messages.shown.isEmpty());
    QCOMPARE(w->Dir1->path(), b.inMusic("one"));
}

void TestFileBrowser::driveListOnThisMachine() {
    DriveList list;
    const QStringList drives = list.drives();
    QVERIFY(!drives.isEmpty());
    QVERIFY2(drives.first() == QLatin1String("/") || drives.first().startsWith("/ ["),
             qPrintable(drives.join(u',')));
    const QString home = QDir::homePath();
    if (home != QLatin1String("/")) {
        QVERIFY(drives.size() >= 2);
        QCOMPARE(drives[1], home);
        QCOMPARE(list.homeDrive(), home);
        QCOMPARE(list.drive(), home);
        QCOMPARE(list.folderOf(home), home);
    }
    for (const QString& d : drives) {
        for (const char* tree : {"/proc", "/sys", "/dev", "/run/user"})
            QVERIFY2(!d.startsWith(QLatin1String(tree)), qPrintable(d));
        QCOMPARE(drives.count(d), 1);
    }
    QCOMPARE(list.folderOf(drives.first()), QStringLiteral("/"));
    QCOMPARE(list.driveOf(QStringLiteral("/usr/share")).section(u' ', 0, 0).isEmpty(), false);

    // Choosing "/" in the window opens the root in both lists.
    Browser b;
    frmFileList* w = b.openOn(b.music);
    w->Drive1->setCurrentIndex(0);
    QCOMPARE(w->Dir1->path(), QStringLiteral("/"));
    QCOMPARE(w->File1->path(), QStringLiteral("/"));
    QCOMPARE(w->Dir1->openRow(), 0);
    QVERIFY(b.platform.messages.shown.isEmpty());
}

void TestFileBrowser::driveListFromSuppliedVolumes() {
    // The rules of the list on their own.
    const QList<Volume> raw = {
        volume(QStringLiteral("/data"), QStringLiteral("Data")),
        volume(QStringLiteral("/media/u/STICK"), QStringLiteral("STICK"), QStringLiteral("vfat"),
               true),
        volume(QStringLiteral("/proc"), QString(), QStringLiteral("proc")),
        volume(QStringLiteral("/mnt/backup")),
        volume(QStringLiteral("/")),
        volume(QStringLiteral("/mnt/ram"), QString(), QStringLiteral("tmpfs")),
        volume(QStringLiteral("/mnt/cd"), QString(), QStringLiteral("iso9660"), true, false),
        volume(QStringLiteral("/var/lib/docker/overlay2/x/merged"), QString(),
               QStringLiteral("overlay")),
        volume(QStringLiteral("/snap/core/1"), QString(), QStringLiteral("squashfs")),
        volume(QStringLiteral("/boot/efi"), QString(), QStringLiteral("vfat")),
        volume(QStringLiteral("/run/media/u/CARD"), QString(), QStringLiteral("exfat"), true),
        volume(QStringLiteral("/data"), QStringLiteral("Again")),
        volume(QStringLiteral("/home/u")),
    };
    QStringList texts;
    for (const Volume& v : VolumeList::entries(raw, QStringLiteral("/home/u/")))
        texts << v.text();
    QCOMPARE(texts, QStringList({"/", "/home/u", "/media/u/STICK [STICK]", "/run/media/u/CARD",
                                 "/data [Data]", "/mnt/backup"}));
    // The system root on an overlay (as in a container) is kept.
    QCOMPARE(
        VolumeList::entries({volume(QStringLiteral("/"), QString(), "overlay")}, QString()).size(),
        1);
    QVERIFY(VolumeList::isPseudo(QStringLiteral("sysfs")));
    QVERIFY(!VolumeList::isPseudo(QStringLiteral("ext4")));

    // A removable volume chosen in the window.
    Browser b;
    const QString stick = b.env.path("stick");
    makeFile(stick + QStringLiteral("/track.mp3"));
    QDir().mkpath(stick + QStringLiteral("/Albums"));
    FixedVolumes volumes;
    volumes.list = {volume(stick, QStringLiteral("STICK"), QStringLiteral("vfat"), true),
                    volume(QStringLiteral("/"))};
    frmFileList* w = b.openOn(b.music);
    w->setVolumeSource(&volumes);
    QCOMPARE(w->Drive1->drives(), QStringList({"/", b.home, stick + " [STICK]"}));
    QCOMPARE(w->Drive1->drive(), b.home);
    QCOMPARE(w->Drive1->driveOf(stick + QStringLiteral("/Albums")), stick + " [STICK]");
    QCOMPARE(w->Drive1->driveOf(b.music), b.home);

    QSignalSpy changes(w->Drive1, &DriveList::changed);
    w->Drive1->setCurrentIndex(2);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(w->Drive1->drive(), stick + " [STICK]");
    QCOMPARE(w->Dir1->path(), stick);
    QCOMPARE(w->File1->path(), stick);
    QCOMPARE(w->File1->names(), QStringList({"track.mp3"}));
    QCOMPARE(folderLabels(w->Dir1).last(), QStringLiteral("Albums"));
    // Choosing the drive it has is no change.
    QVERIFY(w->Drive1->setDrive(stick + " [STICK]"));
    QCOMPARE(changes.count(), 1);
    QVERIFY(!w->Drive1->setDrive(QStringLiteral("/nowhere")));
    QCOMPARE(w->Drive1->drive(), stick + " [STICK]");

    // Saved as the entry's text.
    b.close();
    QCOMPARE(b.state.settings.Drive, stick + " [STICK]");
    QCOMPARE(b.state.settings.Directory, stick);
}

void TestFileBrowser::driveThatDisappears() {
    Browser b;
    const QString stick = b.env.path("stick");
    QDir().mkpath(stick);
    FixedVolumes volumes;
    volumes.list = {volume(QStringLiteral("/")),
                    volume(stick, QStringLiteral("STICK"), QStringLiteral("vfat"), true)};
    makeFile(b.inMusic("song.mp3"));
    frmFileList* w = b.openOn(b.music);
    w->setVolumeSource(&volumes);
    const int stickRow = w->Drive1->drives().indexOf(stick + " [STICK]");
    QVERIFY(stickRow > 0);

    // Unplugged after the list was read; then chosen.
    volumes.list.removeLast();
    w->Drive1->setCurrentIndex(stickRow);
    QCOMPARE(b.platform.messages.shown.size(), 1);
    const ShownMessage m = b.platform.messages.shown.first();
    QCOMPARE(m.text, QStringLiteral("Drive is not responding. Check Disk"));
    QCOMPARE(m.title, QStringLiteral("Jukora"));
    QCOMPARE(m.icon, MsgIcon::Critical);
    QCOMPARE(m.buttons, MsgButtons::Ok);
    // The drive list keeps the new drive; the other lists stay.
    QCOMPARE(w->Drive1->drive(), stick + " [STICK]");
    QCOMPARE(w->Dir1->path(), b.music);
    QCOMPARE(w->File1->path(), b.music);
    QCOMPARE(w->File1->names(), QStringList({"song.mp3"}));

    // A volume that is listed but not ready gives the same message.
    volumes.list.append(volume(stick, QStringLiteral("STICK"), "vfat", true, false));
    w->Drive1->setCurrentIndex(0);
    QCOMPARE(w->Dir1->path(), QStringLiteral("/"));
    w->Drive1->setCurrentIndex(stickRow);
    QCOMPARE(b.platform.messages.shown.size(), 2);
    QCOMPARE(w->Dir1->path(), QStringLiteral("/"));

    // The refresh drops it from the list and ends quietly.
    w->btnRefresh_Click();
    QCOMPARE(w->Drive1->drives().indexOf(stick + " [STICK]"), -1);
    QCOMPARE(b.platform.messages.shown.size(), 2);
}

void TestFileBrowser::exploreAndItsFailure() {
    Browser b;
    QDir().mkpath(b.inMusic("Live"));
    frmFileList* w = b.openOn(b.music);

    // Nothing else highlighted: the open folder.
    QTest::mouseClick(w->cmdExplore, Qt::LeftButton);
    QCOMPARE(b.platform.shell.opened, QStringList({b.music}));
    QVERIFY(b.platform.messages.shown.isEmpty());

    // The highlighted folder.
    QTest::mouseClick(w->Dir1->viewport(), Qt::LeftButton, Qt::NoModifier,
                      b.folderRow(w->Dir1->openRow() + 1));
    b.platform.shell.result = false;
    QTest::mouseClick(w->cmdExplore, Qt::LeftButton);
    QCOMPARE(b.platform.shell.opened.last(), b.inMusic("Live"));
    QCOMPARE(b.platform.messages.shown.size(), 1);
    const ShownMessage m = b.platform.messages.shown.first();
    QCOMPARE(m.text, QStringLiteral("Folder not found."));
    QCOMPARE(m.title, QStringLiteral("Jukora"));
    QCOMPARE(m.icon, MsgIcon::None);
    QCOMPARE(m.buttons, MsgButtons::Ok);
    QCOMPARE(w->Dir1->path(), b.music);
}

void TestFileBrowser::tagMenuAndPopup() {
    Browser b;
    for (const char* name : {"a.mp3", "b.mp3", "c.wma", "d.mp3"})
        makeFile(b.inMusic(QLatin1String(name)));
    frmFileList* w = b.openOn(b.music);

    // Nothing selected: nothing happens.
    w->mnuID3file->trigger();
    QVERIFY(b.host.tagPaths.isEmpty());

    b.clickFile(3);
    b.clickFile(1, Qt::ControlModifier);
    // The right button shows the menu and leaves the selection alone.
    QTest::mouseClick(w->File1->viewport(), Qt::RightButton, Qt::NoModifier, b.fileRow(2));
    QTRY_VERIFY(w->mnuFiles->isVisible());
    QCOMPARE(w->File1->selectedRows(), QList<int>({1, 3}));
    w->mnuFiles->hide();

    // The first selected file, by position.
    w->mnuID3file->trigger();
    QCOMPARE(b.host.tagPaths, QStringList({b.inMusic("b.mp3")}));
    QVERIFY(b.host.calls.isEmpty());
}

void TestFileBrowser::unloadStoresSettings() {
    Browser b;
    QDir().mkpath(b.inMusic("Pop"));
    frmFileList* w = b.openOn(b.music);
    QSignalSpy unloaded(w, &frmFileList::unloaded);
    WindowGeometry::setLeft(w, 2250);
    WindowGeometry::setTop(w, 1800);
    WindowGeometry::setOuterHeight(w, 5400);
    QVERIFY(w->Dir1->setPath(b.inMusic("Pop")));
    w->txtMask->setText(QStringLiteral("*.ogg;*.mp3"));

    b.close();
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(b.w.isNull());
    const AppSettings& s = b.state.settings;
    QCOMPARE(s.FilesListX, 2250.0);
    QCOMPARE(s.FilesListY, 1800.0);
    QCOMPARE(s.FilesListH, 5400.0);
    QCOMPARE(s.Directory, b.inMusic("Pop"));
    QCOMPARE(s.File, b.inMusic("Pop"));
    QCOMPARE(s.Drive, b.home);
    QCOMPARE(s.Mask, QStringLiteral("*.ogg;*.mp3"));

    // The next opening comes back to all of it.
    w = b.open();
    QCOMPARE(WindowGeometry::left(w), 2250.0);
    QCOMPARE(WindowGeometry::top(w), 1800.0);
    QCOMPARE(WindowGeometry::outerHeight(w), 5400.0);
    QCOMPARE(w->Dir1->path(), b.inMusic("Pop"));
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.ogg;*.mp3"));
}

QTEST_MAIN(TestFileBrowser)
#include "test_filebrowser.moc"
