// The File Browser through its real widgets, on real files and folders in
// temporary places: what only the window does. What its lists hold is
// tested in test_lists, the playlist files among added files in
// test_openexport.
#include "support/BrowsingWindows.h"

#include "app/Twips.h"

#include <QLabel>

namespace {

using Browser = BrowsingWorld<frmFileList>;

QRect px(int l, int t, int w, int h) {
    return QRect(Twips::toPx(l), Twips::toPx(t), Twips::toPx(w), Twips::toPx(h));
}

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT
private slots:
    void layoutMenuAndResize();
    void placementAndSavedGeometry_data();
    void placementAndSavedGeometry();
    void linkedLists();
    void addSelectedAllAndDoubleClick();
    void patternAndPlacesReturn();
    void loadOnSavedPlacesOrHome_data();
    void loadOnSavedPlacesOrHome();
    void exploreAndMenu();
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
    frmFileList* w = b.openOn(b.music);
    const QStringList picked = {all[0], all[1], all[3]};

    // Nothing selected adds nothing. Picked out of order: added in list
    // order, by the button and by the menu item.
    QTest::mouseClick(w->btnAddSel, Qt::LeftButton);
    b.click(w->File1, 3);
    b.click(w->File1, 0, Qt::ControlModifier);
    b.click(w->File1, 1, Qt::ControlModifier);
    QTest::mouseClick(w->btnAddSel, Qt::LeftButton);
    w->mnuaddsel->trigger();
    QCOMPARE(b.host.added, QList<QStringList>({picked, picked}));

    // Add All: every listed file in one call, in list order, each left
    // selected.
    b.host.added.clear();
    w->File1->clearSelection();
    QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
    QCOMPARE(w->File1->selectedRows(), QList<int>({0, 1, 2, 3, 4}));
    w->mnuaddall->trigger();
    QCOMPARE(b.host.added, QList<QStringList>({all, all}));

    // A double click adds the file under the pointer; beside the entries it
    // adds nothing.
    b.host.added.clear();
    b.doubleClick(w->File1, 4);
    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, {},
                       QPoint(5, w->File1->viewport()->height() - 5));
    QCOMPARE(b.host.added, QList<QStringList>({{all[4]}}));
}

void TestFileBrowser::patternAndPlacesReturn() {
    Browser b;
    makeFiles(b.stick, {"a.mp3", "b.wav", "c.MP3", "Pop/e.mp3", "Pop/f.ogg"});
    frmFileList* w = b.openOn(b.music);
    QVERIFY(w->Drive1->setDrive(b.stickDrive));
    w->txtMask->setText(QStringLiteral("*.mp3"));
    // Add All adds what the pattern lists.
    QTest::mouseClick(w->btnAddAll, Qt::LeftButton);
    QCOMPARE(b.host.added, QList<QStringList>({{b.stick + "/a.mp3", b.stick + "/c.MP3"}}));

    // Stored when the window closes (the drive as its entry's text), and all
    // of it back at the next opening.
    WindowGeometry::setLeft(w, 2250);
    WindowGeometry::setTop(w, 1800);
    WindowGeometry::setOuterHeight(w, 5400);
    QVERIFY(w->Dir1->setPath(b.stick + "/Pop"));
    b.close();
    QVERIFY(b.w.isNull());
    const AppSettings& s = b.state.settings;
    QCOMPARE(QList<double>({s.FilesListX, s.FilesListY, s.FilesListH}),
             QList<double>({2250, 1800, 5400}));
    QCOMPARE(QStringList({s.Drive, s.Directory, s.File, s.Mask}),
             QStringList({b.stickDrive, b.stick + "/Pop", b.stick + "/Pop", "*.mp3"}));
    w = b.open();
    QCOMPARE(placeOf(w), QList<double>({2250.0, 1800.0, 5400.0}));
    QCOMPARE(w->Drive1->drive(), b.stickDrive);
    QCOMPARE(lists(w), b.stick + "/Pop");
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.mp3"));
    QCOMPARE(b.listed(), QStringList({"e.mp3"}));
    // Shown again, it does not load over the user's choices.
    QVERIFY(w->Dir1->setPath(b.stick));
    w->hide();
    w->show();
    QCOMPARE(w->Dir1->path(), b.stick);
}

void TestFileBrowser::loadOnSavedPlacesOrHome_data() {
    QTest::addColumn<QString>("folder"); // "Directory" and "File", under the test's folder
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("shown"); // folder, under the test's folder
    QTest::addColumn<QStringList>("listed");
    // Nothing saved (a first start), and saved places that are gone: the
    // home folder, quietly.
    QTest::newRow("first start") << ""
                                 << ""
                                 << ""
                                 << "home" << QStringList({"h.mp3", "notes"});
    QTest::newRow("places gone") << "stick/gone"
                                 << "/media/stick [STICK]"
                                 << "*.mp3"
                                 << "home" << QStringList({"h.mp3"});
    // On another drive: the first load's drive change moves the folder list
    // to the drive's root, the second opens the saved folder.
    QTest::newRow("another drive") << "stick/music"
                                   << "stick"
                                   << "*.*"
                                   << "stick/music" << QStringList({"deep.mp3"});
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
    s.Directory = s.File = folder.isEmpty() ? folder : b.env.path(folder);
    s.Drive = drive == QLatin1String("stick") ? b.stickDrive : drive;
    s.Mask = mask;
    frmFileList* w = b.open();
    QCOMPARE(lists(w), b.env.path(shown));
    QCOMPARE(w->Drive1->drive(), w->Drive1->driveOf(b.env.path(shown)));
    QCOMPARE(b.listed(), listed);
    QVERIFY(b.messages.shown.isEmpty());
}

void TestFileBrowser::exploreAndMenu() {
    Browser b;
    QDir().mkpath(b.music + "/Live");
    makeFiles(b.music, {"a.mp3", "b.mp3", "c.wma"});
    frmFileList* w = b.openOn(b.music);
    // Explore: the open folder when nothing else is highlighted, else the
    // highlighted one; the shell's failure is the message.
    QTest::mouseClick(w->cmdExplore, Qt::LeftButton);
    b.click(w->Dir1, w->Dir1->openRow() + 1);
    b.platform.shell.result = false;
    QTest::mouseClick(w->cmdExplore, Qt::LeftButton);
    QCOMPARE(b.platform.shell.opened, QStringList({b.music, b.music + "/Live"}));
    QCOMPARE(b.messages.shown.size(), 1);
    expectOkMessage(b.messages.shown.first(), QStringLiteral("Folder not found."), MsgIcon::None);

    // The right button shows the menu and leaves the selection it acts on,
    // and the folder list's highlight.
    b.click(w->File1, 2);
    b.click(w->File1, 0, Qt::ControlModifier);
    b.click(w->File1, 1, {}, Qt::RightButton);
    QTRY_VERIFY(w->mnuFiles->isVisible());
    w->mnuFiles->hide();
    b.click(w->Dir1, w->Dir1->openRow(), {}, Qt::RightButton);
    QCOMPARE(w->File1->selectedRows(), QList<int>({0, 2}));
    QCOMPARE(w->Dir1->highlightedPath(), b.music + "/Live");
}

QTEST_MAIN(TestFileBrowser)
#include "test_filebrowser.moc"
