// The File Browser and the Export Media window through their real widgets,
// on real files and folders in temporary places (for Export Media standing
// for the device): what only the windows do. What their lists hold is tested
// in test_lists, the playlist files among added files in test_mainwindow, the
// copy and the deletes in test_devicecopy, their places on the screen in
// test_geometry.
#include "support/BrowsingWindows.h"

#include "ui/export/ExportMediaWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressDialog>

namespace {

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
        {
            Browser browser;
            checkLinkedLists(browser);
        }
        Device device;
        checkLinkedLists(device);
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

        // Nothing selected adds nothing. Picked out of order: added in list
        // order.
        QTest::mouseClick(w->addButton, Qt::LeftButton);
        b.click(w->fileList, 3);
        b.click(w->fileList, 0, Qt::ControlModifier);
        b.click(w->fileList, 1, Qt::ControlModifier);
        QTest::mouseClick(w->addButton, Qt::LeftButton);
        // Add All: every listed file in one call, in list order, each left
        // selected.
        w->fileList->clearSelection();
        QTest::mouseClick(w->addAllButton, Qt::LeftButton);
        QCOMPARE(w->fileList->selectedRows(), QList<int>({0, 1, 2, 3, 4}));
        // A double click adds the file under the pointer; beside the entries it
        // adds nothing.
        b.doubleClick(w->fileList, 4);
        QTest::mouseDClick(w->fileList->viewport(), Qt::LeftButton, {},
                           QPoint(5, w->fileList->viewport()->height() - 5));
        QCOMPARE(b.host.added, QList<QStringList>({picked, all, {all[4]}}));
    }
    void browserSettingsAndResize() {
        Browser b;
        makeFiles(b.home, {"h.mp3", "notes"});
        makeFile(b.stick + "/Pop/f.ogg");
        FileBrowserWindow* w = b.openOn(b.music);
        checkHeightRule(w, 9150, 4800, {w->folderList, w->fileList});
        b.close();
        // The pattern is kept too. Shown again, the window does not load over
        // the user's choices.
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
    void browserExploreAndMenu() {
        Browser b;
        QDir().mkpath(b.music + "/Live");
        makeFiles(b.music, {"a.mp3", "b.mp3", "c.wma"});
        FileBrowserWindow* w = b.openOn(b.music);
        // Explore: the open folder when nothing else is highlighted, else the
        // highlighted one; the shell's failure is the message.
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
        checkMenuKeepsSelection(w->folderList, w->folderList->openRow(), nullptr);
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
        // A later entry of the same name replaces the earlier copy; the
        // message counts the replacements.
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

        // When the first copy is done: what the modal dialog shows, and a
        // press of its Cancel button.
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

        // Closing the window while it copies stops the copy; the window
        // closes, storing its settings, once the command ends.
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

    void exportFoldersAndExplore() {
        Device d;
        const QString album = d.onStick("Album");
        makeFile(album + "/Disc 2/two.mp3");
        ExportMediaWindow* w = d.openOn(d.stick);
        auto& messages = d.messages;
        const QString hint = QStringLiteral("New Folder Name");
        // The box still holds its hint: the name is asked for (no answer, no
        // folder). A click into the box empties it for a name to be typed.
        // Each is created in the open folder, without a message, and listed;
        // the hint is back. A name that cannot be created: the message, and
        // the name stays in the box for the next try.
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

        // Remove Folder. No: nothing goes. Yes: the highlighted folder goes
        // with all it holds, and the lists go to the drive's folder. The
        // drive's root (the open folder, nothing else highlighted) is never
        // removed: the message, and the lists stay.
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

        // Explore (the device folder, or from the menu the highlighted one):
        // where the shell cannot, the message.
        d.platform.shell.result = false;
        w->exploreButton->click();
        w->exploreFolderAction->trigger();
        QCOMPARE(messages.shown.mid(4), QStringList(2, "Error launching Windows Explorer."));
    }

    void exportRemoveFiles() {
        Device d;
        makeFiles(d.stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "notes.txt", "Sub/inner.mp3"});
        ExportMediaWindow* w = d.openOn(d.stick);
        auto& messages = d.messages;
        // Nothing selected: no question. One question per selected file; No
        // skips only that file. The file now at the focused row is selected.
        // A double click is the same command.
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

        // Remove All asks once. What the list shows goes; subfolders and
        // files the pattern hides stay.
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

    void exportSettingsAndResize() {
        Device d;
        QDir().mkpath(d.onStick("Sub"));
        ExportMediaWindow* w = d.openOn(d.stick);
        // The folder list's menu leaves its selection as it was.
        checkMenuKeepsSelection(w->folderList, w->folderList->openRow() + 1, w->folderMenu);
        // The lists grow with the height, stored at once; the buttons stay
        // at the bottom.
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
};

QTEST_MAIN(TestBrowsingWindows)
#include "test_browsingwindows.moc"
