// The File Browser through its real widgets, on real files and folders in
// temporary places: what only the window does. What its lists hold is
// tested in test_lists, the playlist files among added files in
// test_openexport, its place on the screen in test_geometry.
#include "support/BrowsingWindows.h"

namespace {

using Browser = BrowsingWorld<FileBrowserWindow>;

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT
private slots:
    void linkedLists();
    void addSelectedAllAndDoubleClick();
    void settingsReturnAndResize();
    void loadOnSavedPlacesOrHome_data();
    void loadOnSavedPlacesOrHome();
    void exploreAndMenu();
};

void TestFileBrowser::linkedLists() {
    Browser t;
    checkLinkedLists(t);
}

void TestFileBrowser::addSelectedAllAndDoubleClick() {
    Browser b;
    const auto names = {"a.mp3", "b.pls", "c.mp3", "d.m3u", "e.mp3"};
    makeFiles(b.music, names);
    QStringList all;
    for (const char* name : names)
        all << b.music + '/' + name;
    FileBrowserWindow* w = b.openOn(b.music);
    const QStringList picked = {all[0], all[1], all[3]};

    // Nothing selected adds nothing. Picked out of order: added in list
    // order, by the button and by the menu item.
    QTest::mouseClick(w->addButton, Qt::LeftButton);
    b.click(w->fileList, 3);
    b.click(w->fileList, 0, Qt::ControlModifier);
    b.click(w->fileList, 1, Qt::ControlModifier);
    QTest::mouseClick(w->addButton, Qt::LeftButton);
    w->addAction->trigger();
    // Add All: every listed file in one call, in list order, each left
    // selected.
    w->fileList->clearSelection();
    QTest::mouseClick(w->addAllButton, Qt::LeftButton);
    QCOMPARE(w->fileList->selectedRows(), QList<int>({0, 1, 2, 3, 4}));
    w->addAllAction->trigger();
    // A double click adds the file under the pointer; beside the entries it
    // adds nothing.
    b.doubleClick(w->fileList, 4);
    QTest::mouseDClick(w->fileList->viewport(), Qt::LeftButton, {},
                       QPoint(5, w->fileList->viewport()->height() - 5));
    QCOMPARE(b.host.added, QList<QStringList>({picked, picked, all, all, {all[4]}}));
}

void TestFileBrowser::settingsReturnAndResize() {
    Browser b;
    makeFiles(b.stick, {"a.mp3", "b.wav", "c.MP3", "Pop/e.mp3", "Pop/f.ogg"});
    FileBrowserWindow* w = b.openOn(b.music);
    QVERIFY(w->driveList->setDrive(b.stickDrive));
    w->patternEdit->setText(QStringLiteral("*.mp3"));
    // Add All adds what the pattern lists.
    QTest::mouseClick(w->addAllButton, Qt::LeftButton);
    QCOMPARE(b.host.added, QList<QStringList>({{b.stick + "/a.mp3", b.stick + "/c.MP3"}}));

    checkHeightRule(w, 9150, 4800, {w->folderList, w->fileList});

    // Stored when the window closes (the drive as its entry's text), and all
    // of it back at the next opening.
    QVERIFY(w->folderList->setPath(b.stick + "/Pop"));
    b.close();
    QVERIFY(b.w.isNull());
    const AppSettings& s = b.state.settings;
    QCOMPARE(QStringList({s.browserDrive, s.browseFolder, s.browserFileFolder, s.browserPattern}),
             QStringList({b.stickDrive, b.stick + "/Pop", b.stick + "/Pop", "*.mp3"}));
    w = b.open();
    QCOMPARE(w->driveList->drive(), b.stickDrive);
    QCOMPARE(lists(w), b.stick + "/Pop");
    QCOMPARE(w->patternEdit->text(), QStringLiteral("*.mp3"));
    QCOMPARE(b.listed(), QStringList({"e.mp3"}));
    // Shown again, it does not load over the user's choices.
    QVERIFY(w->folderList->setPath(b.stick));
    w->hide();
    w->show();
    QCOMPARE(w->folderList->path(), b.stick);
}

void TestFileBrowser::loadOnSavedPlacesOrHome_data() {
    QTest::addColumn<QString>("folder"); // "Directory" and "File", under the test's folder
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("shown"); // folder, under the test's folder
    QTest::addColumn<QStringList>("listed");
    const auto row = [](const char* tag, const char* folder, const char* drive, const char* mask,
                        const char* shown, const QStringList& listed) {
        QTest::newRow(tag) << folder << drive << mask << shown << listed;
    };
    // Nothing saved (a first start), and saved places that are gone: the
    // home folder, quietly.
    row("first start", "", "", "", "home", {"h.mp3", "notes"});
    row("places gone", "stick/gone", "/media/stick [STICK]", "*.mp3", "home", {"h.mp3"});
    // On another drive: the first load's drive change moves the folder list
    // to the drive's root, the second opens the saved folder.
    row("another drive", "stick/music", "stick", "*.*", "stick/music", {"deep.mp3"});
}

void TestFileBrowser::loadOnSavedPlacesOrHome() {
    QFETCH(QString, folder);
    QFETCH(QString, drive);
    QFETCH(QString, mask);
    QFETCH(QString, shown);
    QFETCH(QStringList, listed);
    Browser b;
    makeFiles(b.home, {"h.mp3", "notes"});
    makeFiles(b.stick, {"root.mp3", "music/deep.mp3"});
    AppSettings& s = b.state.settings;
    s.browseFolder = s.browserFileFolder = folder.isEmpty() ? folder : b.env.path(folder);
    s.browserDrive = drive == QLatin1String("stick") ? b.stickDrive : drive;
    s.browserPattern = mask;
    FileBrowserWindow* w = b.open();
    QCOMPARE(lists(w), b.env.path(shown));
    QCOMPARE(w->driveList->drive(), w->driveList->driveOf(b.env.path(shown)));
    QCOMPARE(b.listed(), listed);
    QVERIFY(b.messages.shown.isEmpty());
}

void TestFileBrowser::exploreAndMenu() {
    Browser b;
    QDir().mkpath(b.music + "/Live");
    makeFiles(b.music, {"a.mp3", "b.mp3", "c.wma"});
    FileBrowserWindow* w = b.openOn(b.music);
    // Explore: the open folder when nothing else is highlighted, else the
    // highlighted one; the shell's failure is the message.
    QTest::mouseClick(w->exploreButton, Qt::LeftButton);
    b.click(w->folderList, w->folderList->openRow() + 1);
    b.platform.shell.result = false;
    QTest::mouseClick(w->exploreButton, Qt::LeftButton);
    QCOMPARE(b.platform.shell.opened, QStringList({b.music, b.music + "/Live"}));
    QCOMPARE(b.messages.shown.size(), 1);
    expectOkMessage(b.messages.shown.first(), QStringLiteral("Folder not found."), MsgIcon::None);

    // The menu acts on the selection the right button leaves.
    b.click(w->fileList, 2);
    b.click(w->fileList, 0, Qt::ControlModifier);
    checkMenuKeepsSelection(w->fileList, 1, w->fileMenu);
    checkMenuKeepsSelection(w->folderList, w->folderList->openRow(), nullptr);
}

QTEST_MAIN(TestFileBrowser)
#include "test_filebrowser.moc"
