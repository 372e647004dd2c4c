// The Export Media window through its real widgets, on real folders that
// stand for the device.
#include "support/BrowsingWindows.h"
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "browser/DriveList.h"
#include "browser/FileList.h"
#include "browser/FolderList.h"
#include "export/ExportMediaHost.h"
#include "export/frmPort.h"
#include "platform/VolumeList.h"
#include "playlist/PlsFormat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

namespace {

// The main window as the export window sees it: a playlist and a record of
// the tag requests.
class Host : public ExportMediaHost {
public:
    const QStringList& playlistEntries() const override { return entries; }
    void ShowID3Info(const QString& path) override { tagPaths << path; }
    QRectF mainWindowTwips() const override { return mainWindow; }

    QStringList entries, tagPaths;
    QRectF mainWindow{3000, 2500, 9150, 3885};
};

// Every name in a folder, hidden ones (a copy's temporary file) included.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList foldersIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

const QColor kGrey(224, 224, 224);
const QColor kSilver(192, 192, 192);
const QString kComplete = QStringLiteral("Export Complete!");
const QString kCopyError = QStringLiteral(
    "An error has occurred.  The drive may be full.  All files may not have been copied.");
const QString kCannotDelete = QStringLiteral("Cannot Delete Folder.");

// One test's world: a temporary profile and home folder, a music folder, a
// folder that is the device's volume, the scripted person and the main
// window's stand-in.
struct Device {
    TestEnv env;
    ScriptedPlatform platform;
    ScriptedMessages& messages = platform.messages;
    AppState state;
    Host host;
    QString home = env.path("home");
    QString music = env.path("music");
    QString stick = env.path("stick");
    FixedVolumes volumes;
    QByteArray oldHome = qgetenv("HOME");
    QPointer<frmPort> w;

    Device() {
        for (const QString& folder : {home, music, stick})
            QDir().mkpath(folder);
        qputenv("HOME", home.toLocal8Bit());
        volumes.list = {stickAt(stick, QStringLiteral("STICK"))};
    }
    ~Device() {
        delete w.data();
        qputenv("HOME", oldHome);
    }
    QString stickDrive() const { return stickAt(stick, QStringLiteral("STICK")).text(); }
    QString onStick(const QString& name) const { return stick + u'/' + name; }

    frmPort* open() {
        w = new frmPort(state, platform.platform, host);
        w->setVolumeSource(&volumes);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.data()))
            qWarning("export window not shown");
        return w.data();
    }
    // Opens the window with its lists on a folder of the stick.
    frmPort* openOn(const QString& folder) {
        state.settings.DriveExport = stickDrive();
        state.settings.DirExport = state.settings.FileExport = folder;
        return open();
    }
    void close() {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A song in the music folder with bytes of its own.
    QString song(const QString& name, int size = 2000, char fill = 'm') {
        const QString path = music + u'/' + name;
        makeFile(path, QByteArray(size, fill));
        return path;
    }
    void choose(const QString& type) { w->lstPlaylist->setCurrentText(type); }
    int folderRow(const QString& path) const {
        for (int row = 0; row < w->Dir1->count(); ++row) {
            if (w->Dir1->entryPath(row) == path)
                return row;
        }
        return -1;
    }
    QStringList listed() const { return w->File1->names(); }
    const ShownMessage& lastMessage() const { return messages.shown.last(); }
    // The end of Copy Playlist: its message and the silver list.
    void expectEnd(const QString& text) const {
        expectOkMessage(lastMessage(), text, MsgIcon::Exclamation);
        QCOMPARE(w->fileListColour(), kSilver);
    }
};

void expectQuestion(const ShownMessage& q, const QString& title, const QString& text) {
    QCOMPARE(q.title, title);
    QCOMPARE(q.text, text);
    QCOMPARE(q.buttons, MsgButtons::YesNo);
    QCOMPARE(q.icon, MsgIcon::None);
}

} // namespace

class TestExportMedia : public QObject {
    Q_OBJECT
private slots:
    void layoutMenusAndResize();
    void copyIntoOpenFolderTwice();
    void optionsAndFailures_data();
    void optionsAndFailures();
    void cancelAndCloseWhileCopying();
    void createFolder();
    void removeFolder();
    void removeFiles();
    void patternExploreTagsAndDrives();
    void settingsRestoredOnNextOpening();
};

void TestExportMedia::layoutMenusAndResize() {
    Device d;
    makeFile(d.onStick("a.mp3"));
    frmPort* w = d.openOn(d.stick);
    QCOMPARE(w->windowTitle(), QStringLiteral("Jukora - Export Media"));
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(w->Drive1->geometry(), QRect(0, 1, 169, 21));
    QCOMPARE(w->File1->selectionMode(), QAbstractItemView::ExtendedSelection);
    QStringList texts = {w->chkSequence->text()};
    for (int i = 0; i < w->lstPlaylist->count(); ++i)
        texts << w->lstPlaylist->itemText(i);
    for (QPushButton* b : {w->cmdAddfolder, w->cmdRemovefolder, w->btnDelete, w->btnClear,
                           w->btnRefresh, w->cmdCopy})
        texts << b->text();
    QCOMPARE(texts, QStringList({"Sequence", "N/A", "M3U", "PLS", "Add", "Remove", "Remove",
                                 "Remove All", "Refresh", "Copy Playlist"}));
    QCOMPARE(w->cmdCopy->palette().color(QPalette::Button), QColor(255, 128, 128));
    QCOMPARE(captions(w->mnuDeviceFiles),
             QStringList({"Remove Selected", "Remove All", "-", "Get MP3 ID3 Information"}));
    QCOMPARE(captions(w->mnuFolderList), QStringList({"Explore", "Remove Folder"}));

    // The right button opens the menus and leaves the selection alone.
    w->File1->setSelected(0, true);
    QTest::mousePress(w->File1->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QTRY_VERIFY(w->mnuDeviceFiles->isVisible());
    w->mnuDeviceFiles->hide();
    QVERIFY(w->File1->isSelected(0));
    QTest::mousePress(w->Dir1->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QTRY_VERIFY(w->mnuFolderList->isVisible());

    // The width is fixed; the height follows, down to 3465 twips, and the
    // lists and the buttons with it.
    const auto expectHeight = [&](double height) {
        QCOMPARE(WindowGeometry::outerWidth(w), 7560.0);
        QCOMPARE(WindowGeometry::outerHeight(w), height);
        QCOMPARE(d.state.settings.PortH, height);
        QCOMPARE(w->File1->height(), w->height() - 37);
        const int t = w->File1->y() + w->File1->height();
        QCOMPARE(QList<int>({w->cmdAddfolder->y(), w->btnClear->y(), w->cmdCopy->y()}),
                 QList<int>({t, t, t}));
        QCOMPARE(w->txtFolder->y(), t - w->txtFolder->height());
        QCOMPARE(w->Dir1->height(), w->height() - w->Dir1->y() - w->txtFolder->height() - 7);
    };
    WindowGeometry::setOuterWidth(w, 12000);
    WindowGeometry::setOuterHeight(w, 6000);
    expectHeight(6000);
    w->resize(w->width(), 50);
    expectHeight(3465);
}

void TestExportMedia::copyIntoOpenFolderTwice() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    const QString sub = d.onStick("Music");
    QDir().mkpath(sub);
    w->btnRefresh_Click();
    w->Dir1->openEntry(d.folderRow(sub));
    // Into the folder opened in the folder list, which then lists the
    // copies: a later entry of the same name replaces the earlier copy, and
    // the message counts the replacements on a second line.
    for (const char* folder : {"a", "b", "c"})
        makeFile(d.music + "/" + folder + "/song.mp3", QByteArray(100, *folder));
    d.host.entries = {d.music + "/a/song.mp3", d.song("one.mp3"), d.music + "/b/song.mp3"};
    w->cmdCopy_Click();
    QCOMPARE(d.listed(), QStringList({"one.mp3", "song.mp3"}));
    QCOMPARE(readBytes(sub + "/song.mp3"), QByteArray(100, 'b'));
    d.expectEnd(kComplete + "\r\n1 copy was replaced by a later entry of the same name.");
    // A second run asks nothing and replaces the copies.
    d.host.entries << d.music + "/c/song.mp3";
    w->cmdCopy_Click();
    QCOMPARE(d.messages.shown.size(), 2);
    QCOMPARE(readBytes(sub + "/song.mp3"), QByteArray(100, 'c'));
    d.expectEnd(kComplete + "\r\n2 copies were replaced by later entries of the same name.");
}

void TestExportMedia::optionsAndFailures_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("sequence");
    QTest::addColumn<bool>("gone"); // the device was pulled out
    QTest::addColumn<QStringList>("files");
    // The stick is a FAT volume: "c?.mp3" cannot keep its name there.
    QTest::newRow("PLS") << "PLS" << false << false
                         << QStringList({"a.mp3", "c_.mp3", "playlist.pls"});
    QTest::newRow("M3U numbered") << "M3U" << true << false
                                  << QStringList({"0001-a.mp3", "0003-c_.mp3", "playlist.m3u"});
    QTest::newRow("no choice") << QString() << true << false
                               << QStringList({"0001-a.mp3", "0003-c_.mp3"});
    QTest::newRow("device gone") << "PLS" << true << true << QStringList();
}

void TestExportMedia::optionsAndFailures() {
    QFETCH(QString, kind);
    QFETCH(bool, sequence);
    QFETCH(bool, gone);
    QFETCH(QStringList, files);
    Device d;
    frmPort* w = d.openOn(d.stick);
    d.host.entries = {d.song("a.mp3"), d.music + "/missing.mp3", d.song("c?.mp3")};
    if (sequence)
        w->chkSequence->click();
    if (!kind.isEmpty())
        d.choose(kind);
    if (gone)
        QDir(d.stick).removeRecursively();
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick), files);
    QCOMPARE(d.messages.shown.size(), 1);
    d.expectEnd(gone ? kCopyError : kComplete);
    if (kind == QLatin1String("PLS") && !gone)
        QCOMPARE(PlsFormat::read(d.onStick("playlist.pls")),
                 QStringList({"a.mp3", "missing.mp3", "c_.mp3"}));
}

void TestExportMedia::cancelAndCloseWhileCopying() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    for (int i = 1; i <= 4; ++i)
        d.host.entries << d.song(QStringLiteral("song%1.mp3").arg(i), 50 * 1024);
    w->chkSequence->click();
    d.choose("M3U");

    // When the first copy is done: what the modal dialog shows, and a press
    // of its Cancel button.
    QStringList seen;
    const auto pressCancel = connect(w, &frmPort::fileCopied, this, [&](int entry) {
        QProgressDialog* progress = w->copyProgress;
        QVERIFY(progress && progress->isModal() && progress->isVisible());
        QCOMPARE(w->fileListColour(), QColor(255, 192, 128));
        seen << QStringLiteral("%1: %2").arg(entry).arg(progress->labelText());
        auto* cancel = progress->findChild<QPushButton*>();
        QVERIFY(cancel && cancel->text() == QLatin1String("Cancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    w->cmdCopy_Click();
    QCOMPARE(seen.size(), 1);
    QVERIFY2(seen[0].startsWith("1: Copying file 1 of 4\n0001-song1.mp3\n"), qPrintable(seen[0]));
    QVERIFY2(seen[0].endsWith(" of 200.0 kB"), qPrintable(seen[0]));
    QCOMPARE(filesIn(d.stick), QStringList({"0001-song1.mp3"}));
    QCOMPARE(d.listed(), QStringList({"0001-song1.mp3"}));
    d.expectEnd(QStringLiteral("Copy cancelled."));
    // The next run is a whole one again.
    disconnect(pressCancel);
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick).size(), 5);
    QCOMPARE(d.messages.texts(), QStringList({"Copy cancelled.", kComplete}));

    // Closing the window while it copies stops the copy; the window closes,
    // storing its settings, once the command ends.
    bool unloaded = false;
    connect(w, &frmPort::unloaded, this, [&] { unloaded = true; });
    connect(w, &frmPort::fileCopied, this, [&](int entry) {
        if (entry == 2)
            w->close();
        QVERIFY(!unloaded);
    });
    const QString later = d.onStick("later");
    QDir().mkpath(later);
    w->Dir1->setPath(later);
    w->cmdCopy_Click();
    QVERIFY(unloaded);
    QCOMPARE(filesIn(later), QStringList({"0001-song1.mp3", "0002-song2.mp3"}));
    QCOMPARE(d.lastMessage().text, QStringLiteral("Copy cancelled."));
    QCOMPARE(d.state.settings.FileExport, later);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!d.w);
}

void TestExportMedia::createFolder() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.messages;
    const QString hint = QStringLiteral("New Folder Name");
    const QString cannot = QStringLiteral("Could not create new folder!");

    // The box still holds its hint: the name is asked for; no answer, no
    // folder.
    w->cmdAddfolder_Click();
    QCOMPARE(messages.prompts, QStringList({hint}));
    QVERIFY(foldersIn(d.stick).isEmpty());
    messages.textAnswers.push_back(QStringLiteral("Asked"));
    w->cmdAddfolder_Click();
    QVERIFY(d.folderRow(d.onStick("Asked")) >= 0);

    // A click into the box empties it; a typed name is created in the open
    // folder without a question, and the hint is back.
    QTest::mouseClick(w->txtFolder, Qt::LeftButton);
    QCOMPARE(w->txtFolder->text(), QString());
    QTest::keyClicks(w->txtFolder, "Typed");
    w->cmdAddfolder->click();
    QCOMPARE(foldersIn(d.stick), QStringList({"Asked", "Typed"}));
    QCOMPARE(w->txtFolder->text(), hint);
    QCOMPARE(messages.prompts.size(), 2);
    QVERIFY(messages.shown.isEmpty());

    // A name that exists, one with a separator, and an existing one given
    // in answer to the question: the message, and the name stays in the box
    // for the next try.
    for (const QString& name : {QStringLiteral("Typed"), QStringLiteral("a/b"), hint}) {
        w->txtFolder->setText(name);
        messages.textAnswers.push_back(QStringLiteral("Asked"));
        w->cmdAddfolder_Click();
        expectOkMessage(d.lastMessage(), cannot, MsgIcon::Exclamation);
        QCOMPARE(w->txtFolder->text(), name == hint ? QStringLiteral("Asked") : name);
    }
    QCOMPARE(messages.shown.size(), 3);
    QCOMPARE(messages.prompts.size(), 3);
    QCOMPARE(foldersIn(d.stick), QStringList({"Asked", "Typed"}));
}

void TestExportMedia::removeFolder() {
    Device d;
    const QString album = d.onStick("Album");
    makeFiles(album, {"one.mp3", "Disc 2/two.mp3"});
    makeFile(d.onStick("song.mp3"));
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.messages;
    const QString question = QStringLiteral("Are you sure you want to delete this folder? \r\n");
    w->Dir1->setHighlighted(d.folderRow(album));
    QCOMPARE(w->Dir1->highlightedPath(), album);
    messages.answers = {MsgAnswer::No};
    w->cmdRemovefolder_Click();
    expectQuestion(messages.shown[0], QStringLiteral("Remove Folder"), question + album);
    QVERIFY(QFileInfo::exists(album + "/Disc 2/two.mp3"));

    // Yes: the folder goes with all it holds; the lists go to the drive's
    // folder.
    w->Dir1->openEntry(d.folderRow(album));
    messages.answers = {MsgAnswer::Yes};
    w->mnuRemoveFolder->trigger();
    QCOMPARE(messages.shown[1].text, question + album);
    QVERIFY(!QFileInfo::exists(album));
    QCOMPARE(lists(w), d.stick);
    QCOMPARE(d.folderRow(album), -1);

    // The drive's root (the open folder, nothing else highlighted) is never
    // removed: the message, and the lists stay.
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    QCOMPARE(messages.shown[2].text, question + d.stick);
    expectOkMessage(d.lastMessage(), kCannotDelete, MsgIcon::Critical);
    QVERIFY(QFileInfo::exists(d.onStick("song.mp3")));
    QCOMPARE(lists(w), d.stick);
}

void TestExportMedia::removeFiles() {
    Device d;
    makeFiles(d.stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.messages;
    const QString question = QStringLiteral("Are you sure you want to delete this file?\r\n");

    // Nothing selected: no question, the list silver.
    w->btnDelete_Click();
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(w->fileListColour(), kSilver);

    // One question per selected file; No skips only that file. The file now
    // at the focused row is selected.
    for (int row : {0, 1, 2})
        w->File1->setSelected(row, true);
    w->File1->setFocused(1);
    messages.answers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes};
    w->btnDelete->click();
    expectQuestion(messages.shown[0], QStringLiteral("Remove File"), question + d.onStick("a.mp3"));
    QCOMPARE(messages.texts().mid(1),
             QStringList({question + d.onStick("b.mp3"), question + d.onStick("c.mp3")}));
    QCOMPARE(filesIn(d.stick), QStringList({"b.mp3", "d.mp3", "e.mp3"}));
    QCOMPARE(d.listed(), QStringList({"b.mp3", "d.mp3", "e.mp3"}));
    QCOMPARE(w->File1->selectedRows(), QList<int>({1}));

    // A double click on a file asks to delete it.
    messages.shown.clear();
    w->File1->clearSelection();
    const QPoint at = w->File1->visualRect(w->File1->model()->index(2, 0)).center();
    messages.answers = {MsgAnswer::Yes};
    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(messages.texts(), QStringList({question + d.onStick("e.mp3")}));
    QCOMPARE(filesIn(d.stick), QStringList({"b.mp3", "d.mp3"}));

    // The menu's "Remove Selected" is the same command.
    w->File1->clearSelection();
    w->File1->setSelected(0, true);
    w->File1->setSelected(1, true);
    messages.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    w->mnuRemove->trigger();
    QCOMPARE(messages.shown.size(), 3);
    QVERIFY(d.listed().isEmpty());

    // Remove All asks once, on an empty list too.
    const QString all = QStringLiteral("Are you sure you want to delete all of these files? ");
    messages.shown.clear();
    messages.answers = {MsgAnswer::Yes};
    w->btnClear_Click();
    expectQuestion(messages.shown.last(), QStringLiteral("Remove Files"), all);
    QCOMPARE(w->fileListColour(), kSilver);
    // What the list shows goes; subfolders and files the pattern hides stay.
    makeFiles(d.stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "notes.txt", "Sub/inner.mp3"});
    w->txtMask->setText(QStringLiteral("*.mp3"));
    messages.answers = {MsgAnswer::No};
    w->btnClear->click();
    QCOMPARE(d.listed(), QStringList({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
    messages.answers = {MsgAnswer::Yes};
    w->mnuRemoveAll->trigger();
    QCOMPARE(messages.texts(), QStringList(3, all));
    QCOMPARE(filesIn(d.stick), QStringList({"notes.txt"}));
    QCOMPARE(filesIn(d.onStick("Sub")), QStringList({"inner.mp3"}));
    QVERIFY(d.listed().isEmpty());
    QCOMPARE(w->fileListColour(), kSilver);
}

void TestExportMedia::patternExploreTagsAndDrives() {
    Device d;
    makeFiles(d.stick, {"a.mp3", "b.ogg", "c.MP3", "d.txt"});
    QDir().mkpath(d.onStick("Sub"));
    const QString card = d.env.path("card");
    makeFile(card + "/on-card.mp3");
    d.volumes.list << stickAt(card, QStringLiteral("CARD"));
    frmPort* w = d.openOn(d.stick);
    QCOMPARE(w->Drive1->drive(), d.stickDrive());
    QCOMPARE(d.listed(), QStringList({"a.mp3", "b.ogg", "c.MP3", "d.txt"}));

    // The pattern is applied at every keystroke.
    w->txtMask->clear();
    QTest::keyClicks(w->txtMask, "*.mp");
    QVERIFY(d.listed().isEmpty());
    QTest::keyClicks(w->txtMask, "3");
    QCOMPARE(d.listed(), QStringList({"a.mp3", "c.MP3"}));

    // Explorer opens the device folder, the menu the highlighted folder.
    auto& shell = d.platform.shell;
    w->Explorer->click();
    w->Dir1->setHighlighted(d.folderRow(d.onStick("Sub")));
    w->mnuExploreFolder->trigger();
    QCOMPARE(shell.opened, QStringList({d.stick, d.onStick("Sub")}));
    QVERIFY(d.messages.shown.isEmpty());
    shell.result = false;
    w->Explorer_Click();
    w->mnuExploreFolder_Click();
    const QString failed = QStringLiteral("Error launching Windows Explorer.");
    QCOMPARE(d.messages.texts(), QStringList(2, failed));
    expectOkMessage(d.lastMessage(), failed, MsgIcon::Critical);

    // The tag of the first selected file; none selected, nothing.
    w->mnuID3file->trigger();
    QVERIFY(d.host.tagPaths.isEmpty());
    w->File1->setSelected(1, true);
    w->File1->setSelected(0, true);
    w->mnuID3file_Click();
    QCOMPARE(d.host.tagPaths, QStringList({d.onStick("a.mp3")}));

    // Another drive opens its root in both lists; once it is pulled out,
    // choosing it gives the message and the lists stay.
    const QString cardDrive = stickAt(card, QStringLiteral("CARD")).text();
    QVERIFY(w->Drive1->setDrive(cardDrive));
    QCOMPARE(lists(w), card);
    QCOMPARE(d.listed(), QStringList({"on-card.mp3"}));
    QVERIFY(w->Drive1->setDrive(d.stickDrive()));
    QDir(card).removeRecursively();
    QVERIFY(w->Drive1->setDrive(cardDrive));
    QCOMPARE(d.messages.shown.size(), 3);
    expectOkMessage(d.lastMessage(), QStringLiteral("Drive is not responding. Check Disk"),
                    MsgIcon::Critical);
    QCOMPARE(w->Drive1->drive(), cardDrive);
    QCOMPARE(lists(w), d.stick);
}

void TestExportMedia::settingsRestoredOnNextOpening() {
    Device d;
    AppSettings& s = d.state.settings;
    // The first run: the lists on the home folder, the window under the
    // main window (to the nearest pixel), no playlist kind chosen.
    frmPort* w = d.open();
    QCOMPARE(lists(w), d.home);
    QCOMPARE(placeOf(w), QList<double>({Twips::fromPx(Twips::toPx(3000 + 100)),
                                        Twips::fromPx(Twips::toPx(2500 + 3885 + 100)), 3465.0}));
    QCOMPARE(w->lstPlaylist->currentIndex(), -1);
    QVERIFY(!w->chkSequence->isChecked());
    d.close();
    QCOMPARE(s.ExportPlaylist, QString());
    QCOMPARE(s.DirExport, d.home);

    const QString sub = d.onStick("Music");
    makeFile(sub + "/x.mp3");
    w = d.openOn(d.stick);
    w->Dir1->openEntry(d.folderRow(sub));
    w->chkSequence->click();
    // The kind is stored when the drop-down loses the focus.
    w->activateWindow();
    w->lstPlaylist->setFocus();
    d.choose("M3U");
    w->txtMask->setFocus();
    QTRY_COMPARE(s.ExportPlaylist, QStringLiteral("M3U"));
    d.choose("PLS");
    w->txtMask->setText(QStringLiteral("*.mp3"));
    WindowGeometry::setLeft(w, 1500);
    WindowGeometry::setTop(w, 2250);
    WindowGeometry::setOuterHeight(w, 4500);
    d.close();
    QCOMPARE(QList<double>({s.PortX, s.PortY, s.PortH}), QList<double>({1500, 2250, 4500}));
    QVERIFY(s.Sequence);
    QCOMPARE(s.ExportPlaylist, QStringLiteral("PLS"));
    QCOMPARE(QStringList({s.DriveExport, s.DirExport, s.FileExport}),
             QStringList({d.stickDrive(), sub, sub}));

    // All of it comes back but the pattern.
    w = d.open();
    QCOMPARE(w->Drive1->drive(), d.stickDrive());
    QCOMPARE(lists(w), sub);
    QCOMPARE(d.listed(), QStringList({"x.mp3"}));
    QVERIFY(w->chkSequence->isChecked());
    QCOMPARE(w->lstPlaylist->currentText(), QStringLiteral("PLS"));
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.*"));
    QCOMPARE(placeOf(w), QList<double>({1500.0, 2250.0, 4500.0}));
    QCOMPARE(w->fileListColour(), kGrey);
    d.close();

    // Saved places that are gone are passed over; a kind the list does not
    // hold (in another case too) selects nothing.
    s.DriveExport = QStringLiteral("/media/unplugged [GONE]");
    s.DirExport = d.onStick("gone");
    s.FileExport = d.onStick("gone too");
    s.PortH = s.PortX = s.PortY = 0;
    for (const char* kind : {"X", "m3u", "M3U"}) {
        s.ExportPlaylist = QLatin1String(kind);
        w = d.open();
        QCOMPARE(lists(w), d.home);
        QCOMPARE(w->lstPlaylist->currentText(),
                 s.ExportPlaylist == QLatin1String("M3U") ? s.ExportPlaylist : QString());
        d.close();
    }
    QVERIFY(d.messages.shown.isEmpty());
}

QTEST_MAIN(TestExportMedia)
#include "test_exportmedia.moc"
