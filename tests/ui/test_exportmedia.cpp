// The Export Media window through its real widgets, on real folders that
// stand for the device: what only the window does. The copy and the deletes
// themselves are tested in test_devicecopy, its place on the screen in
// test_geometry.
#include "support/BrowsingWindows.h"

#include "ui/export/ExportMediaWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressDialog>

namespace {

using Device = BrowsingWorld<ExportMediaWindow>;

const QColor kSilver(192, 192, 192);
const QString kComplete = QStringLiteral("Export Complete!");
const QString kCopyError = QStringLiteral(
    "An error has occurred.  The drive may be full.  All files may not have been copied.");

// A song in the music folder with bytes of its own.
QString song(Device& d, const QString& name, int size = 2000) {
    makeFile(d.music + u'/' + name, QByteArray(size, 'm'));
    return d.music + u'/' + name;
}

QStringList foldersIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

int folderRow(const ExportMediaWindow* w, const QString& path) {
    for (int row = 0; row < w->folderList->count(); ++row) {
        if (w->folderList->entryPath(row) == path)
            return row;
    }
    return -1;
}

// The end of a command: its message, and the silver list.
void expectEnd(const Device& d, const QString& text, MsgIcon icon = MsgIcon::Exclamation) {
    expectOkMessage(d.messages.shown.last(), text, icon);
    QCOMPARE(d.w->fileListColour(), kSilver);
}

void expectQuestion(const ShownMessage& q, const QString& title, const QString& text) {
    QCOMPARE(QStringList({q.title, q.text}), QStringList({title, text}));
    QVERIFY(q.buttons == MsgButtons::YesNo && q.icon == MsgIcon::None);
}

} // namespace

class TestExportMedia : public QObject {
    Q_OBJECT
private slots:
    void menusAndResize();
    void linkedLists();
    void copyPlaylist_data();
    void copyPlaylist();
    void cancelAndCloseWhileCopying();
    void createAndRemoveFolders();
    void removeFiles();
    void explore();
    void settingsRestoredOnNextOpening();
};

void TestExportMedia::menusAndResize() {
    Device d;
    makeFiles(d.stick, {"a.mp3", "b.mp3", "Sub/c.mp3"});
    ExportMediaWindow* w = d.openOn(d.stick);
    d.click(w->fileList, 0);
    checkMenuKeepsSelection(w->fileList, 1, w->fileMenu);
    checkMenuKeepsSelection(w->folderList, w->folderList->openRow() + 1, w->folderMenu);
    // The lists grow with the height, stored at once; the buttons stay at
    // the bottom.
    checkHeightRule(w, 7560, 3465,
                    {w->fileList, w->folderList, w->folderNameEdit, w->addFolderButton,
                     w->deleteAllButton, w->copyButton});
    QCOMPARE(d.state.settings.exportMediaHeight, 3465.0);
}

void TestExportMedia::linkedLists() {
    Device t;
    checkLinkedLists(t);
}

void TestExportMedia::copyPlaylist_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("sequence");
    QTest::addColumn<bool>("gone"); // the device was pulled out
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("message");
    const QStringList songs = {"a.mp3", "missing.mp3", "c?.mp3"};
    const auto row = [](const char* tag, const QString& kind, bool sequence, bool gone,
                        const QStringList& entries, const QStringList& files,
                        const QString& message = kComplete) {
        QTest::newRow(tag) << kind << sequence << gone << entries << files << message;
    };
    // The stick is a FAT volume: "c?.mp3" cannot keep its name there.
    row("PLS", "PLS", false, false, songs, {"a.mp3", "c_.mp3", "playlist.pls"});
    row("M3U numbered", "M3U", true, false, songs, {"0001-a.mp3", "0003-c_.mp3", "playlist.m3u"});
    row("no choice", QString(), true, false, songs, {"0001-a.mp3", "0003-c_.mp3"});
    row("device gone", "PLS", true, true, songs, {}, kCopyError);
    // A later entry of the same name replaces the earlier copy; the message
    // counts the replacements.
    row("a name twice", "N/A", false, false, {"x/song.mp3", "y/song.mp3"}, {"song.mp3"},
        kComplete + "\r\n1 copy was replaced by a later entry of the same name.");
    row("a name three times", "N/A", false, false, {"x/song.mp3", "y/song.mp3", "z/song.mp3"},
        {"song.mp3"}, kComplete + "\r\n2 copies were replaced by later entries of the same name.");
}

void TestExportMedia::copyPlaylist() {
    QFETCH(QString, kind);
    QFETCH(bool, sequence);
    QFETCH(bool, gone);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, files);
    QFETCH(QString, message);
    Device d;
    const QString folder = d.onStick("Music");
    QDir().mkpath(folder);
    ExportMediaWindow* w = d.openOn(d.stick);
    // Into the folder opened in the folder list.
    w->folderList->openEntry(folderRow(w, folder));
    for (const QString& name : entries)
        d.host.entries << (name.startsWith("missing") ? d.music + u'/' + name : song(d, name));
    if (sequence)
        w->sequenceBox->click();
    if (!kind.isEmpty())
        w->playlistTypeBox->setCurrentText(kind);
    if (gone)
        QDir(d.stick).removeRecursively();
    w->copyButton->click();
    QCOMPARE(filesIn(folder), files);
    QCOMPARE(d.listed(), files);
    QCOMPARE(d.messages.shown.size(), 1);
    expectEnd(d, message);
}

void TestExportMedia::cancelAndCloseWhileCopying() {
    Device d;
    ExportMediaWindow* w = d.openOn(d.stick);
    for (int i = 1; i <= 4; ++i)
        d.host.entries << song(d, QStringLiteral("song%1.mp3").arg(i), 50 * 1024);
    w->sequenceBox->click();
    w->playlistTypeBox->setCurrentText("M3U");

    // When the first copy is done: what the modal dialog shows, and a press
    // of its Cancel button.
    QString seen;
    const auto pressCancel = connect(w, &ExportMediaWindow::fileCopied, this, [&](int entry) {
        QProgressDialog* progress = w->copyProgress;
        QVERIFY(progress && progress->isModal() && progress->isVisible() && seen.isEmpty());
        QCOMPARE(w->fileListColour(), QColor(255, 192, 128));
        seen = QStringLiteral("%1: %2").arg(entry).arg(progress->labelText());
        QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    });
    w->copyPlaylist();
    QVERIFY2(seen.startsWith("1: Copying file 1 of 4\n0001-song1.mp3\n"), qPrintable(seen));
    QVERIFY2(seen.endsWith(" of 200.0 kB"), qPrintable(seen));
    QCOMPARE(filesIn(d.stick), QStringList({"0001-song1.mp3"}));
    QCOMPARE(d.listed(), QStringList({"0001-song1.mp3"}));
    expectEnd(d, QStringLiteral("Copy cancelled."));
    disconnect(pressCancel);

    // Closing the window while it copies stops the copy; the window closes,
    // storing its settings, once the command ends.
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
    QCOMPARE(d.messages.texts().last(), QStringLiteral("Copy cancelled."));
    QCOMPARE(d.state.settings.exportFileFolder, later);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!d.w);
}

void TestExportMedia::createAndRemoveFolders() {
    Device d;
    const QString album = d.onStick("Album");
    makeFiles(album, {"one.mp3", "Disc 2/two.mp3"});
    makeFile(d.onStick("song.mp3"));
    ExportMediaWindow* w = d.openOn(d.stick);
    auto& messages = d.messages;
    const QString hint = QStringLiteral("New Folder Name");
    const QString cannot = QStringLiteral("Could not create new folder!");
    // The box still holds its hint: the name is asked for (no answer, no
    // folder). A click into the box empties it for a name to be typed. Each
    // is created in the open folder, without a message, and listed; the hint
    // is back.
    w->addFolder();
    messages.textAnswers = {QStringLiteral("Asked")};
    w->addFolder();
    QTest::mouseClick(w->folderNameEdit, Qt::LeftButton);
    QCOMPARE(w->folderNameEdit->text(), QString());
    QTest::keyClicks(w->folderNameEdit, "Typed");
    w->addFolderButton->click();
    QCOMPARE(foldersIn(d.stick), QStringList({"Album", "Asked", "Typed"}));
    QVERIFY(folderRow(w, d.onStick("Typed")) >= 0);
    QCOMPARE(w->folderNameEdit->text(), hint);
    QCOMPARE(messages.prompts, QStringList(2, hint));
    QVERIFY(messages.shown.isEmpty());
    // A name that cannot be created, typed or given in answer to the
    // question: the message, and the name stays in the box for the next try.
    w->folderNameEdit->setText(QStringLiteral("Typed"));
    w->addFolder();
    QCOMPARE(w->folderNameEdit->text(), QStringLiteral("Typed"));
    w->folderNameEdit->setText(hint);
    messages.textAnswers = {QStringLiteral("Asked")};
    w->addFolder();
    QCOMPARE(w->folderNameEdit->text(), QStringLiteral("Asked"));
    QCOMPARE(messages.texts(), QStringList(2, cannot));
    expectOkMessage(messages.shown.last(), cannot, MsgIcon::Exclamation);

    // Remove Folder. No: nothing goes. Yes: the highlighted folder goes with
    // all it holds, and the lists go to the drive's folder. The drive's root
    // (the open folder, nothing else highlighted) is never removed: the
    // message, and the lists stay.
    messages.shown.clear();
    const QString question = QStringLiteral("Are you sure you want to delete this folder? \r\n");
    w->folderList->setHighlighted(folderRow(w, album));
    messages.answers = {MsgAnswer::No};
    w->removeFolder();
    expectQuestion(messages.shown[0], QStringLiteral("Remove Folder"), question + album);
    QVERIFY(QFileInfo::exists(album + "/Disc 2/two.mp3"));
    w->folderList->openEntry(folderRow(w, album));
    messages.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    w->removeFolderAction->trigger();
    QCOMPARE(lists(w), d.stick);
    QCOMPARE(folderRow(w, album), -1);
    w->removeFolderButton->click();
    QCOMPARE(messages.texts().mid(1), QStringList({question + album, question + d.stick,
                                                   QStringLiteral("Cannot Delete Folder.")}));
    expectOkMessage(messages.shown.last(), QStringLiteral("Cannot Delete Folder."),
                    MsgIcon::Critical);
    QCOMPARE(foldersIn(d.stick) + filesIn(d.stick), QStringList({"Asked", "Typed", "song.mp3"}));
    QCOMPARE(lists(w), d.stick);
}

void TestExportMedia::removeFiles() {
    Device d;
    makeFiles(d.stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "notes.txt", "Sub/inner.mp3"});
    ExportMediaWindow* w = d.openOn(d.stick);
    auto& messages = d.messages;
    const QString one = QStringLiteral("Are you sure you want to delete this file?\r\n");
    const QString all = QStringLiteral("Are you sure you want to delete all of these files? ");
    // Nothing selected: no question, the list silver.
    w->removeSelectedFiles();
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(w->fileListColour(), kSilver);

    // One question per selected file; No skips only that file. The file now
    // at the focused row is selected. A double click is the same command.
    for (int row : {0, 1, 2})
        w->fileList->setSelected(row, true);
    w->fileList->setFocused(1);
    messages.answers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes};
    w->deleteButton->click();
    expectQuestion(messages.shown[0], QStringLiteral("Remove File"), one + d.onStick("a.mp3"));
    QCOMPARE(d.listed(), QStringList({"b.mp3", "d.mp3", "notes.txt"}));
    QCOMPARE(w->fileList->selectedRows(), QList<int>({1}));
    w->fileList->clearSelection();
    messages.answers = {MsgAnswer::Yes};
    d.doubleClick(w->fileList, 1);
    QStringList asked;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        asked << one + d.onStick(name);
    QCOMPARE(messages.texts(), asked);
    QCOMPARE(d.listed(), QStringList({"b.mp3", "notes.txt"}));

    // Remove All asks once, on an empty list too. What the list shows goes;
    // subfolders and files the pattern hides stay.
    messages.shown.clear();
    w->patternEdit->setText(QStringLiteral("*.wav"));
    messages.answers = {MsgAnswer::Yes};
    w->removeAllFiles();
    expectQuestion(messages.shown.last(), QStringLiteral("Remove Files"), all);
    QCOMPARE(w->fileListColour(), kSilver);
    w->patternEdit->setText(QStringLiteral("*.mp3"));
    messages.answers = {MsgAnswer::No};
    w->deleteAllButton->click();
    QCOMPARE(d.listed(), QStringList({"b.mp3"}));
    messages.answers = {MsgAnswer::Yes};
    w->removeAllFilesAction->trigger();
    QCOMPARE(messages.texts(), QStringList(3, all));
    QCOMPARE(filesIn(d.stick), QStringList({"notes.txt"}));
    QCOMPARE(filesIn(d.onStick("Sub")), QStringList({"inner.mp3"}));
    QCOMPARE(w->fileListColour(), kSilver);
}

void TestExportMedia::explore() {
    Device d;
    QDir().mkpath(d.onStick("Sub"));
    ExportMediaWindow* w = d.openOn(d.stick);
    // exploreButton opens the device folder, the menu the highlighted folder;
    // when the shell cannot, the message.
    auto& shell = d.platform.shell;
    w->folderList->setHighlighted(folderRow(w, d.onStick("Sub")));
    for (const bool opens : {true, false}) {
        shell.result = opens;
        w->exploreButton->click();
        w->exploreFolderAction->trigger();
    }
    QCOMPARE(shell.opened, QStringList({d.stick, d.onStick("Sub"), d.stick, d.onStick("Sub")}));
    const QString failed = QStringLiteral("Error launching Windows Explorer.");
    QCOMPARE(d.messages.texts(), QStringList(2, failed));
    expectOkMessage(d.messages.shown.last(), failed, MsgIcon::Critical);
}

void TestExportMedia::settingsRestoredOnNextOpening() {
    Device d;
    AppSettings& s = d.state.settings;
    const QString sub = d.onStick("Music");
    makeFile(sub + "/x.mp3");
    ExportMediaWindow* w = d.openOn(d.stick);
    w->folderList->openEntry(folderRow(w, sub));
    w->sequenceBox->click();
    QVERIFY(s.sequence);
    // The kind is stored when the drop-down loses the focus.
    w->activateWindow();
    w->playlistTypeBox->setFocus();
    w->playlistTypeBox->setCurrentText("M3U");
    w->patternEdit->setFocus();
    QTRY_COMPARE(s.devicePlaylistType, QStringLiteral("M3U"));
    w->playlistTypeBox->setCurrentText("PLS");
    w->patternEdit->setText(QStringLiteral("*.mp3"));
    d.close();
    QCOMPARE(QStringList({s.devicePlaylistType, s.exportDrive, s.exportFolder, s.exportFileFolder}),
             QStringList({"PLS", d.stickDrive, sub, sub}));

    // All of it comes back but the pattern.
    w = d.open();
    QCOMPARE(w->driveList->drive(), d.stickDrive);
    QCOMPARE(lists(w), sub);
    QVERIFY(w->sequenceBox->isChecked());
    QCOMPARE(w->playlistTypeBox->currentText(), QStringLiteral("PLS"));
    QCOMPARE(w->patternEdit->text(), QStringLiteral("*.*"));
    QCOMPARE(w->fileListColour(), QColor(224, 224, 224));
    d.close();

    // Saved places that are gone (as those of the first run, which are
    // empty) are passed over; a kind in another case selects nothing.
    s.exportDrive = QStringLiteral("/media/unplugged [GONE]");
    s.exportFolder = d.onStick("gone");
    s.exportFileFolder = d.onStick("gone too");
    s.devicePlaylistType = QStringLiteral("pls");
    w = d.open();
    QCOMPARE(lists(w), d.home);
    QCOMPARE(w->playlistTypeBox->currentIndex(), -1);
    QVERIFY(d.messages.shown.isEmpty());
}

QTEST_MAIN(TestExportMedia)
#include "test_exportmedia.moc"
