// The main window through its real widgets with scripted dialogs: editing, Open,
// Export, drops, start-up, shutdown and reset (the rules themselves: tests/core).
#include "support/App.h"
#include "support/SmallDisk.h"

#include "core/playlist/HtmlPage.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlaylistEdits.h"
#include "core/playlist/PlsFormat.h"
#include "core/settings/IniFile.h"
#include "core/system/AppPaths.h"
#include "ui/common/Twips.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/lists/FolderList.h"
#include "ui/main/JumpToSongWindow.h"
#include "ui/main/PlaylistView.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <csignal>

namespace {

QStringList names(std::initializer_list<int> numbers) {
    QStringList out;
    for (int i : numbers)
        out << QStringLiteral("/m/%1.mp3").arg(i);
    return out;
}

QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

void fill(App& t, int n) {
    for (int i = 0; i < n; ++i)
        t.w->playlistModel().append(names({i}));
}

const QString kQuestion = QStringLiteral(
    "Export playlist with full path names?\r\n\r\nNote: Selecting NO will create the playlist "
    "without path names \r\nwhich should be saved in the same folder as the music");

// Export Playlist answered and named as given: what was written.
QByteArray exportAs(App& p, MsgAnswer answer, const QString& name) {
    p.platform.messages.answers = {answer};
    p.platform.files.answers = {p.env.path(name)};
    p.w->exportPlaylistAction->trigger();
    return readBytes(p.env.path(name));
}

// Data dropped on the list's row, on its top or lower half, as a drag ends.
void dropOn(App& t, QMimeData* data, int row, bool lowerHalf = false) {
    QWidget* view = t.w->playlistView->viewport();
    const QRect r = t.w->playlistView->visualRect(t.w->playlistModel().index(row));
    const QPointF at(r.center().x(), lowerHalf ? r.bottom() - 1 : r.top() + 1);
    QDragEnterEvent enter(at.toPoint(), Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view, &enter);
    QDropEvent event(at, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view, &event);
    delete data;
}

// What a drop from the file manager delivers.
QMimeData* files(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

const QByteArray kThree = "\r\n[playlist]\r\nFile1=/m/one.mp3\r\nTitle1=one\r\nFile2=/m/two.mp3\r\n"
                          "Title2=two\r\nFile3=/m/three.mp3\r\nTitle3=three\r\n\r\n";
const QStringList kThreeEntries = {"/m/one.mp3", "/m/two.mp3", "/m/three.mp3"};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void editingByClicksKeysAndButtons() {
        App t;
        fill(t, 6);
        t.click(3);
        t.state.currentIndex = 0;
        t.click(3); // a click on the focused entry still sets the index
        QCOMPARE(t.state.currentIndex, 3);
        // Ctrl-selected entries, kept by the popup's right click; Remove keeps the index.
        t.click(1);
        t.click(4, Qt::ControlModifier);
        t.click(2, Qt::NoModifier, Qt::RightButton);
        QTRY_VERIFY(t.w->playlistMenu->isVisible());
        t.w->playlistMenu->hide();
        QTest::mouseClick(t.w->removeButton, Qt::LeftButton);
        QCOMPARE(t.entries(), names({0, 2, 3, 5}));
        QVERIFY(t.state.currentIndex == 4 && t.selectedRows().isEmpty());
        t.click(0);
        QTest::keyClick(t.w->playlistView, Qt::Key_Delete);
        QCOMPARE(t.entries(), names({2, 3, 5}));
        // Moves by the buttons and the keypad's keys (not the main keyboard's)
        // carry the index; other selected entries stay selected.
        t.click(0);
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(t.w->moveDownButton, Qt::LeftButton);
        QCOMPARE(t.entries(), names({3, 5, 2}));
        QCOMPARE(t.selectedRows(), QList<int>({2}));
        QTest::mouseClick(t.w->moveUpButton, Qt::LeftButton);
        QTest::keyClick(t.w->playlistView, Qt::Key_Plus, Qt::KeypadModifier);
        QTest::keyClick(t.w->playlistView, Qt::Key_Minus);
        QTest::keyClick(t.w->playlistView, Qt::Key_Plus);
        QVERIFY(t.entries() == names({2, 3, 5}) && t.state.currentIndex == 0);
        t.click(2, Qt::ControlModifier);
        t.state.currentIndex = 0;
        QTest::keyClick(t.w->playlistView, Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(t.entries(), names({3, 2, 5}));
        QCOMPARE(t.selectedRows(), QList<int>({1, 2}));
        // A - Z drops the selection and keeps the index; Remove All keeps it too.
        QTest::mouseClick(t.w->sortButton, Qt::LeftButton);
        QCOMPARE(t.entries(), names({2, 3, 5}));
        QVERIFY(t.selectedRows().isEmpty() && t.state.currentIndex == 1);
        QTest::mouseClick(t.w->removeAllButton, Qt::LeftButton);
        QVERIFY(t.entries().isEmpty() && t.state.currentIndex == 1);
    }
    void shuffleSavesAndReloads() {
        App t;
        fill(t, 40);
        // The core's moves for the same numbers; saved, the selection is gone
        // (in any window state), unsaved it stays.
        for (const auto& [saved, maximized] :
             {std::pair{true, false}, {false, false}, {true, true}}) {
            t.click(5);
            QStringList expected = t.entries();
            std::vector<char> marks(40, 0);
            marks[5] = 1;
            int current = 5;
            std::mt19937 numbers(saved ? 7 : 8);
            t.w->commands().shuffleNumbers().seed(saved ? 7 : 8);
            PlaylistEdits::shuffle(expected, marks, current, numbers);
            QFile::setPermissions(t.env.autosaveFile(),
                                  saved ? QFile::ReadOwner | QFile::WriteOwner : QFile::ReadOwner);
            if (maximized)
                t.w->showMaximized();
            QTRY_COMPARE(t.w->isMaximized(), maximized);
            QTest::mouseClick(t.w->shuffleButton, Qt::LeftButton);
            QCOMPARE(t.entries(), expected);
            QCOMPARE(t.state.currentIndex, current);
            QCOMPARE(PlsFormat::read(t.env.autosaveFile()) == expected, saved);
            QList<int> selected;
            for (int i = 0; i < 40; ++i)
                if (!saved && marks[size_t(i)])
                    selected << i;
            QCOMPARE(t.selectedRows(), selected);
            QCOMPARE(t.w->selection().focusedPosition(), saved ? -1 : current);
        }
    }
    void openDropsWebAndExport() {
        App p;
        const QString list = p.env.path("list.pls");
        QVERIFY(PlsFormat::write(list, {"/m/a.mp3", "/m/b.mp3"}, false, false));
        // Open: a playlist's entries, a song without its quotes, Cancel.
        p.state.settings.browseFolder = p.env.path("");
        p.platform.files.answers = {list, "\"/m/quoted song.mp3\"", std::nullopt};
        for (int i = 0; i < 3; ++i)
            p.w->openAction->trigger();
        QCOMPARE(p.platform.files.folders.first(), p.env.path(""));
        // Drops: in order, a playlist's entries in its place.
        dropOn(p, files({"/m/c.mp3", list, "/m/folder"}), 0);
        QCOMPARE(p.entries(), QStringList({"/m/a.mp3", "/m/b.mp3", "/m/quoted song.mp3", "/m/c.mp3",
                                           "/m/a.mp3", "/m/b.mp3", "/m/folder"}));
        // The web site and the update page that cannot be opened.
        p.platform.shell.result = false;
        p.w->webSiteAction->trigger();
        p.w->updatesAction->trigger();
        QCOMPARE(p.platform.shell.opened.size(), 2);
        auto& shown = p.platform.messages.shown;
        QCOMPARE(shown,
                 QStringList({"Could not launch web browser.", "Error launching web update."}));
        shown.clear();
        // Yes: full paths, No: bare names, in the form other players read.
        QCOMPARE(exportAs(p, MsgAnswer::Yes, "full.pls"),
                 PlsFormat::render(p.entries(), false, false, nullptr, PlsFormat::Form::Exchange));
        QCOMPARE(exportAs(p, MsgAnswer::No, "names.m3u"),
                 M3uFormat::render(p.entries(), true, false));
        // The web page, written on a thread of its own.
        QCOMPARE(exportAs(p, MsgAnswer::No, "page.html"),
                 HtmlPage::render(p.entries(), p.env.path("page.html"), true, false));
        QCOMPARE(shown.size(), 3);
        // Cancel: no dialog, nothing written.
        const qsizetype dialogs = p.platform.files.folders.size();
        QVERIFY(exportAs(p, MsgAnswer::Cancel, "cancelled.pls").isNull());
        QCOMPARE(p.platform.files.folders.size(), dialogs);
        // An ending no writer knows, and a file that cannot be written.
        shown.clear();
        QVERIFY(exportAs(p, MsgAnswer::Yes, "list.txt").isNull());
        exportAs(p, MsgAnswer::No, "gone/list.m3u");
        QCOMPARE(p.platform.messages.shown,
                 QStringList({kQuestion, "This file format is currently unsupported", kQuestion,
                              "An unknown error has occurred."}));
    }
    void unreadableAndReadOnlyAutosaves() {
        // Too large to read: kept aside, not overwritten by the next save.
        App p(false);
        const QString autosave = p.env.autosaveFile(), kept = autosave + ".unreadable";
        QFile big(autosave);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 31));
        big.close();
        writeBytes(kept, "an older one");
        p.start();
        QCOMPARE(
            p.platform.messages.shown,
            QStringList("The saved playlist could not be read. It is kept as\n\n" + kept + "-2"));
        p.quit();
        QCOMPARE(QFileInfo(kept + "-2").size(), qint64(1) << 31);
        QCOMPARE(readBytes(kept), QByteArray("an older one"));
        QVERIFY(QFileInfo(autosave).size() < 100);
        // A read-only program folder's list is read until the data folder has one.
        SmallDisk programFolder;
        if (!programFolder.mounted())
            QSKIP(qPrintable(programFolder.why()));
        writeBytes(programFolder.path("jukora.pls"), kThree);
        programFolder.makeReadOnly();
        AppPaths::setProgramFolderOverride(programFolder.path(""));
        p.restart();
        QCOMPARE(p.entries(), kThreeEntries);
        p.w->playlistModel().append(QStringLiteral("/kept.mp3"));
        p.restart();
        QVERIFY(QFile::exists(p.env.path("data/jukora.pls")));
        QCOMPARE(p.entries(), kThreeEntries + QStringList({"/kept.mp3"}));
    }
    void shutdown_data() {
        QTest::addColumn<int>("signalNumber"); // 0: "E&xit"
        QTest::addColumn<int>("state");
        QTest::newRow("Exit, minimized") << 0 << int(Qt::WindowMinimized);
        QTest::newRow("SIGTERM, maximized") << SIGTERM << int(Qt::WindowMaximized);
        QTest::newRow("SIGINT") << SIGINT << int(Qt::WindowNoState);
        QTest::newRow("SIGHUP, minimized") << SIGHUP << int(Qt::WindowMinimized);
    }
    void shutdown() {
        QFETCH(int, signalNumber);
        QFETCH(int, state);
        App p(false);
        writeBytes(p.env.autosaveFile(), kThree);
        writeBytes(p.env.settingsFile(),
                   "[Jukora]\nFilesH=5000\nLoop=1\nDirectory=/home/u/Music\nPlayW=6765\n");
        p.start();
        QVERIFY(p.entries() == kThreeEntries && p.w->loopBox->checkState() == Qt::Checked);
        QCOMPARE(p.state.settings.browseFolder, QStringLiteral("/home/u/Music"));
        p.w->watchSessionEnd();
        p.w->playlistModel().append(QStringLiteral("/kept.mp3"));
        p.state.settings.browserPattern = QStringLiteral("*.ogg");
        p.state.settings.sequence = true;
        p.w->toggleNowPlaying();
        p.w->setWindowState(Qt::WindowState(state));
        QTRY_COMPARE(p.w->isNormalState(), state == Qt::WindowNoState);
        signalNumber ? void(::raise(signalNumber)) : p.w->exitProgram();
        // All closed and saved; a minimized or maximized window's place is not.
        QTRY_VERIFY(!p.w->isVisible() && !p.w->nowPlayingWindow());
        QCOMPARE(PlsFormat::read(p.env.autosaveFile()), kThreeEntries + QStringList({"/kept.mp3"}));
        QStringList values;
        for (const char* key : {"Loop", "Mask", "Sequence", "NowPV", "PlayW"})
            values << ReadIni("Jukora", QLatin1String(key));
        QCOMPARE(values, QStringList({"1", "*.ogg", "True", "True", "6765"}));
        const QString place = ReadIni("Jukora", "FilesH") + '/' + ReadIni("Jukora", "FilesY");
        QCOMPARE(place == QLatin1String("5000/"), state != Qt::WindowNoState);
    }
    void shutdownDuringCopy() {
        // SIGTERM while Copy Playlist runs: no half file, no message, all saved.
        App p;
        p.w->watchSessionEnd();
        const QString target = p.env.path("stick");
        QDir().mkpath(target);
        for (int i = 1; i <= 3; ++i) {
            const QString song = p.env.path(QStringLiteral("song%1.mp3").arg(i));
            writeBytes(song, QByteArray(100 * 1024, 'm'));
            p.w->playlistModel().append(song);
        }
        p.w->toggleExportMedia();
        ExportMediaWindow* port = p.w->exportMediaWindow();
        port->folderList->setPath(target);
        connect(port, &ExportMediaWindow::fileCopied, this, [&](int entry) {
            if (entry != 1)
                return;
            ::raise(SIGTERM);
            QTRY_VERIFY(!p.w->isVisible());
        });
        port->copyPlaylist();
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden), QStringList({"song1.mp3"}));
        QVERIFY(p.platform.messages.shown.isEmpty());
        QCOMPARE(PlsFormat::read(p.env.autosaveFile()), p.entries());
        QCOMPARE(ReadIni("Jukora", "FileExport"), target);
        QTRY_VERIFY(!p.w->exportMediaWindow());
    }
    void saveFailures_data() {
        QTest::addColumn<bool>("keys"); // the settings file, else the autosave
        QTest::newRow("read-only settings") << true;
        QTest::newRow("autosave on a full disk") << false;
    }
    void saveFailures() {
        QFETCH(bool, keys);
        App p(false);
        SmallDisk disk;
        if (!keys && !disk.mounted())
            QSKIP(qPrintable(disk.why()));
        if (!keys)
            AppPaths::setProgramFolderOverride(disk.path(""));
        const QString settings = AppPaths::settingsFile(), autosave = AppPaths::autosaveFile();
        const QByteArray oldSettings = "[Jukora]\nMask=*.old\n";
        writeBytes(settings, oldSettings);
        writeBytes(autosave, kThree);
        if (keys)
            QFile::setPermissions(settings, QFile::ReadOwner);
        else
            disk.fill();
        p.start();
        // Shuffle saves: the blocked file stays whole, the other is written.
        p.w->playlistModel().append(QStringLiteral("/new.mp3"));
        p.state.settings.browserPattern = QStringLiteral("*.new");
        p.w->shuffle();
        QCOMPARE(p.platform.messages.shown, QStringList({"Cannot Save Data"}));
        QCOMPARE(p.w->playlistModel().count(), 4);
        QCOMPARE(readBytes(keys ? settings : autosave), keys ? oldSettings : kThree);
        QVERIFY(keys ? PlsFormat::read(autosave) == p.entries()
                     : ReadIni("Jukora", "Mask") == "*.new");
    }
    void resetProgram() {
        App p(false);
        writeBytes(p.env.autosaveFile(), kThree);
        writeBytes(p.env.settingsFile(), "[Jukora]\nLoop=1\nFilesX=900\nFilesH=7000\n");
        QFile::setPermissions(p.env.settingsFile(), QFile::ReadOwner);
        p.start();
        QCOMPARE(p.w->leftTwips(), 900.0);
        p.w->playlistModel().append(QStringLiteral("/added/after/save.mp3"));
        p.state.currentIndex = 2;
        p.w->resetProgram();
        QVERIFY(!QFile::exists(p.env.settingsFile()) && p.w->isVisible());
        QCOMPARE(p.entries(), kThreeEntries);
        // 2500 twips is not a whole number of pixels.
        QTRY_COMPARE(QList<double>({p.w->leftTwips(), p.w->topTwips(), p.w->outerHeightTwips()}),
                     QList<double>({3000, Twips::fromPx(Twips::toPx(2500)), 3885}));
        // An absent key leaves the Loop box as it was.
        QVERIFY(p.state.currentIndex == 0 && p.w->loopBox->checkState() == Qt::Checked);
    }
    void layoutMenusAndFocusOrder() {
        App t;
        MainWindow& w = *t.w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Jukora - https://www.jukora.example"));
        auto px = [](int l, int t, int wd, int h) {
            return QRect(Twips::toPx(l), Twips::toPx(t), Twips::toPx(wd), Twips::toPx(h));
        };
        QCOMPARE(w.playListButton->geometry(), px(0, 0, 1215, 255));
        QCOMPARE(w.shuffleButton->geometry(), px(5385, 0, 720, 255));
        QCOMPARE(w.playlistView->pos(), QPoint(0, Twips::toPx(240)));
        QCOMPARE(w.playlistView->width(), Twips::toPx(8910));
        QCOMPARE(
            QStringList({w.play2SongButton->text(), w.moveDownButton->text(), w.loopLabel->text()}),
            QStringList({"Play2 Song", "Move Down [-]", "Loop"}));
        QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), QColor(0, 0, 128));
        QCOMPARE(w.playlistView->palette().color(QPalette::Base), QColor(224, 224, 224));
        // Tab goes through them in this order (the list's inner parts between).
        const QList<QWidget*> order = {
            w.playListButton,   w.playSongButton,    w.play2SongButton, w.stopAllButton,
            w.sortButton,       w.shuffleButton,     w.loopBox,         w.playlistView,
            w.moveUpButton,     w.moveDownButton,    w.removeButton,    w.removeAllButton,
            w.nowPlayingButton, w.exportMediaButton, w.banner,          w.fileBrowserButton};
        for (int i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (!order.contains(next))
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
        QCOMPARE(texts(w.menuBar()->actions()),
                 QStringList({"&Menu", "&Controls", "&View", "&About"}));
        QCOMPARE(texts(w.playlistMenu->actions()),
                 QStringList({"Play List From Selected Song", "Play Selected Song",
                              "Play2 Selected Song", "-", "Remove Selected", "Remove All", "-",
                              "Get MP3 ID3 Information", "-", "Undo", "Redo", "Jump to Song..."}));
        QStringList keys;
        for (QAction* a : {w.openAction, w.exportPlaylistAction, w.resetAction, w.exitAction,
                           w.removeAllAction, w.playListAction, w.playSongAction, w.stopAllAction})
            keys << a->shortcut().toString();
        QCOMPARE(keys.join(' '), "Ctrl+O Ctrl+E Ctrl+R Ctrl+X Shift+Del Ctrl+L Ctrl+P Ctrl+S");
        // The width springs back, the height stops at the least; the bottom row follows.
        const auto bottomRow = [&] {
            for (QPushButton* b : {w.moveUpButton, w.removeAllButton, w.fileBrowserButton}) {
                QCOMPARE(b->y(), w.playlistView->y() + w.playlistView->height());
                QCOMPARE(b->geometry().bottom(), w.centralWidget()->height() - 1);
            }
        };
        w.resize(900, 500);
        QTRY_COMPARE(w.frameGeometry().width(), Twips::toPx(9150));
        QCOMPARE(w.height(), 500);
        bottomRow();
        w.resize(w.width(), 60);
        QTRY_COMPARE(w.frameGeometry().height(), Twips::toPx(3885));
        bottomRow();
        // The hidden popup menu's shortcuts work in the window.
        fill(t, 3);
        w.playlistView->setFocus();
        QTest::keyClick(w.playlistView, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(w.playlistModel().count(), 0);
    }
    void dragUndoAndJump() {
        App t;
        fill(t, 5);
        PlaylistView* view = t.w->playlistView;
        PlaylistModel& m = t.w->playlistModel();
        // Two entries dragged onto the first's top half; the index follows its entry.
        t.click(1);
        t.click(3, Qt::ControlModifier);
        t.state.currentIndex = 2;
        dropOn(t, m.mimeData({m.index(1), m.index(3)}), 0);
        QCOMPARE(t.entries(), names({1, 3, 0, 2, 4}));
        QCOMPARE(t.selectedRows(), QList<int>({0, 1}));
        QCOMPARE(t.state.currentIndex, 3);
        // Onto the lower half of the last row: to the end.
        dropOn(t, m.mimeData({m.index(0)}), 4, true);
        QCOMPARE(t.entries(), names({3, 0, 2, 4, 1}));
        // Files from outside join at the end, wherever they fall.
        dropOn(t, files({"/m/9.mp3"}), 0);
        QCOMPARE(t.entries(), names({3, 0, 2, 4, 1, 9}));
        // Undo and Redo by their keys, the menu saying what they act on.
        QCOMPARE(t.w->undoAction->text(), QStringLiteral("Undo Add"));
        QTest::keyClick(t.w.get(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(t.w.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.entries(), names({1, 3, 0, 2, 4}));
        QCOMPARE(t.w->redoAction->text(), QStringLiteral("Redo Move"));
        QTest::keyClick(t.w.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(t.entries(), names({3, 0, 2, 4, 1}));
        t.w->removeAll();
        QCOMPARE(t.w->undoAction->text(), QStringLiteral("Undo Remove All"));
        QVERIFY(!t.w->redoAction->isEnabled());
        QTest::keyClick(t.w.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(t.w->playlistModel().count(), 0);
        t.w->undoAction->trigger();
        QCOMPARE(t.entries(), names({3, 0, 2, 4, 1}));
        // Type-ahead goes by the file name.
        view->setFocus();
        QTest::keyClicks(view, QStringLiteral("4"));
        QCOMPARE(t.selectedRows(), QList<int>({3}));
        // Jump to Song: matches regardless of case and accents; Enter plays from it.
        QStringList songs;
        for (const char* name : {"Alpha.mp3", "\u00C9cole 2.mp3", "Zed.mp3"}) {
            songs << t.env.path(QString::fromUtf8(name));
            writeBytes(songs.last(), QByteArray(64, 'x'));
        }
        t.w->addToPlaylist(songs);
        QTest::keyClick(t.w.get(), Qt::Key_J, Qt::ControlModifier);
        QPointer<JumpToSongWindow> jump = t.w->jumpWindow();
        QVERIFY(jump && jump->isVisible());
        QCOMPARE(jump->matches().size(), 8);
        QTest::keyClicks(jump->searchEdit, QStringLiteral("ECOLE"));
        QCOMPARE(jump->matches(), QList<int>({6}));
        t.w->removeSelected(); // the list changes under the window
        QCOMPARE(jump->matches(), QList<int>({5}));
        QTest::keyClick(jump->searchEdit, Qt::Key_Return);
        QVERIFY(!jump || !jump->isVisible());
        QCOMPARE(t.selectedRows(), QList<int>({5}));
        QCOMPARE(t.state.currentIndex, 5);
        QVERIFY(t.state.listPlaying);
        QCOMPARE(t.state.player1File, songs[1]);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
