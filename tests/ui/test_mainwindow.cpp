// The main window through its real widgets: layout, menus, the resize rule
// and the editing commands driven with clicks and keys. The editing rules
// themselves are tested on plain data in test_playlist_edits and test_lists.
#include "support/App.h"

#include "core/playlist/PlaylistEdits.h"
#include "core/playlist/PlsFormat.h"
#include "ui/common/Twips.h"
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

namespace {

int fill(App& t, int n) {
    QStringList e;
    for (int i = 0; i < n; ++i)
        e << QStringLiteral("/m/%1.mp3").arg(i);
    return t.w->playlistModel().append(e);
}

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

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void layoutMenusAndFocusOrder();
    void resizeRule();
    void editingByClicksKeysAndButtons();
    void shuffleSavesAndReloads();
    void webAndUpdateCommands();
    void dragUndoAndJump();
};

void TestMainWindow::layoutMenusAndFocusOrder() {
    App t;
    MainWindow& w = *t.w;
    QCOMPARE(Twips::perPixel(), 15.0);
    QCOMPARE(w.windowTitle(), QStringLiteral("Jukora - https://www.jukora.example"));
    auto px = [](int l, int t, int wd, int h) {
        return QRect(Twips::toPx(l), Twips::toPx(t), Twips::toPx(wd), Twips::toPx(h));
    };
    QCOMPARE(w.playListButton->geometry(), px(0, 0, 1215, 255));
    QCOMPARE(w.shuffleButton->geometry(), px(5385, 0, 720, 255));
    QCOMPARE(w.playlistView->pos(), QPoint(0, Twips::toPx(240)));
    QCOMPARE(w.playlistView->width(), Twips::toPx(8910));
    QCOMPARE(w.play2SongButton->text(), QStringLiteral("Play2 Song"));
    QCOMPARE(w.moveDownButton->text(), QStringLiteral("Move Down [-]"));
    QCOMPARE(w.loopLabel->text(), QStringLiteral("Loop"));
    QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(w.playlistView->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w.playlistView->selectionMode(), QAbstractItemView::ExtendedSelection);

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

    QCOMPARE(texts(w.menuBar()->actions()), QStringList({"&Menu", "&Controls", "&About"}));
    QCOMPARE(w.versionAction->text(), QStringLiteral("Version 4.0.52"));
    QCOMPARE(texts(w.playlistMenu->actions()),
             QStringList({"Play List From Selected Song", "Play Selected Song",
                          "Play2 Selected Song", "-", "Remove Selected", "Remove All", "-",
                          "Get MP3 ID3 Information", "-", "Undo", "Redo", "Jump to Song..."}));
    QList<QKeySequence> keys;
    for (QAction* a : {w.openAction, w.exportPlaylistAction, w.resetAction, w.exitAction,
                       w.removeAllAction, w.playListAction, w.playSongAction, w.stopAllAction})
        keys << a->shortcut();
    QCOMPARE(keys, QList<QKeySequence>({Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_E,
                                        Qt::CTRL | Qt::Key_R, Qt::CTRL | Qt::Key_X,
                                        Qt::SHIFT | Qt::Key_Delete, Qt::CTRL | Qt::Key_L,
                                        Qt::CTRL | Qt::Key_P, Qt::CTRL | Qt::Key_S}));
    // The hidden popup menu's shortcuts work in the window.
    fill(t, 3);
    w.playlistView->setFocus();
    QTest::keyClick(w.playlistView, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(w.playlistModel().count(), 0);
}

void TestMainWindow::resizeRule() {
    App t;
    MainWindow& w = *t.w;
    auto checkLayout = [&] {
        QCOMPARE(w.frameGeometry().width(), Twips::toPx(9150));
        QVERIFY(w.frameGeometry().height() >= Twips::toPx(3885));
        // The bottom row directly under the list, whole, at the bottom.
        for (QPushButton* b : {w.moveUpButton, w.removeAllButton, w.fileBrowserButton}) {
            QCOMPARE(b->y(), w.playlistView->y() + w.playlistView->height());
            QCOMPARE(b->geometry().bottom(), w.centralWidget()->height() - 1);
        }
        QCOMPARE(w.playListButton->y(), 0);
    };
    checkLayout();
    QCOMPARE(w.frameGeometry().height(), Twips::toPx(3885));
    // Wider and taller: the width springs back, the list grows.
    w.resize(900, 500);
    QTRY_COMPARE(w.frameGeometry().width(), Twips::toPx(9150));
    QCOMPARE(w.height(), 500);
    checkLayout();
    // Below the least height: back to it.
    w.resize(w.width(), 60);
    QTRY_COMPARE(w.frameGeometry().height(), Twips::toPx(3885));
    checkLayout();
    QCOMPARE(w.outerHeightTwips(), 3885.0);
}

void TestMainWindow::editingByClicksKeysAndButtons() {
    App t;
    fill(t, 6);
    QTest::mouseClick(t.w->removeButton, Qt::LeftButton); // nothing selected: no change
    t.click(3);
    t.state.currentIndex = 0;
    t.click(3); // a click on the focused entry still sets the index
    QCOMPARE(t.state.currentIndex, 3);
    QTest::keyClick(t.w->playlistView, Qt::Key_Up);
    QCOMPARE(t.state.currentIndex, 2);
    // Two entries apart, selected with Ctrl; a right click shows the popup
    // and keeps the selection it acts on. The removal keeps the index.
    t.click(1);
    t.click(4, Qt::ControlModifier);
    t.click(2, Qt::NoModifier, Qt::RightButton);
    QTRY_VERIFY(t.w->playlistMenu->isVisible());
    t.w->playlistMenu->hide();
    QTest::mouseClick(t.w->removeButton, Qt::LeftButton);
    QCOMPARE(t.entries(), names({0, 2, 3, 5}));
    QCOMPARE(t.state.currentIndex, 4);
    QVERIFY(t.selectedRows().isEmpty());
    t.click(0);
    QTest::keyClick(t.w->playlistView, Qt::Key_Delete);
    QCOMPARE(t.entries(), names({2, 3, 5}));

    // The moves carry the current entry, selected, and the index with it:
    // by the buttons and the keypad's minus and plus; the main keyboard's
    // keys do nothing. Other selected entries stay selected.
    t.click(0);
    for (int i = 0; i < 2; ++i)
        QTest::mouseClick(t.w->moveDownButton, Qt::LeftButton);
    QCOMPARE(t.entries(), names({3, 5, 2}));
    QCOMPARE(t.selectedRows(), QList<int>({2}));
    QTest::mouseClick(t.w->moveUpButton, Qt::LeftButton);
    QTest::keyClick(t.w->playlistView, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(t.w->playlistView, Qt::Key_Minus);
    QTest::keyClick(t.w->playlistView, Qt::Key_Plus);
    QCOMPARE(t.entries(), names({2, 3, 5}));
    QCOMPARE(t.state.currentIndex, 0);
    t.click(2, Qt::ControlModifier);
    t.state.currentIndex = 0;
    QTest::keyClick(t.w->playlistView, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(t.entries(), names({3, 2, 5}));
    QCOMPARE(t.selectedRows(), QList<int>({1, 2}));

    // A - Z drops the selection and keeps the index; Remove All keeps it too.
    QTest::mouseClick(t.w->sortButton, Qt::LeftButton);
    QCOMPARE(t.entries(), names({2, 3, 5}));
    QCOMPARE(t.w->commands().sortList(), t.entries());
    QVERIFY(t.selectedRows().isEmpty());
    QCOMPARE(t.state.currentIndex, 1);
    QTest::mouseClick(t.w->removeAllButton, Qt::LeftButton);
    QCOMPARE(t.w->playlistModel().count(), 0);
    QCOMPARE(t.state.currentIndex, 1);
}

void TestMainWindow::shuffleSavesAndReloads() {
    App t;
    fill(t, 40);
    // The moves are the core's for the same random numbers. A list written
    // whole reads back without a selection, in any window state; one that
    // could not be written stays as the moves left it, selection and all.
    for (const auto& [saved, maximized] : {std::pair{true, false}, {false, false}, {true, true}}) {
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
    // An empty list still saves.
    t.platform.messages.shown.clear();
    t.w->removeAll();
    QFile::remove(t.env.settingsFile());
    t.w->shuffle();
    QCOMPARE(t.w->playlistModel().count(), 0);
    QVERIFY(QFile::exists(t.env.settingsFile()));
    QVERIFY(t.platform.messages.shown.isEmpty());
}

void TestMainWindow::webAndUpdateCommands() {
    App t;
    for (bool opens : {true, false}) {
        t.platform.shell.result = opens;
        t.w->webSiteAction->trigger();
        t.w->updatesAction->trigger();
    }
    const QString site = QStringLiteral("https://www.jukora.example");
    const QString update = site + "/cgi-bin/update.cgi?soft=Jukora&vers=4.0.52";
    QCOMPARE(t.platform.shell.opened, QStringList({site, update, site, update}));
    QCOMPARE(t.platform.messages.shown.size(), 2); // when it could not open them
    expectOkMessage(t.platform.messages.shown[0], "Could not launch web browser.",
                    MsgIcon::Exclamation);
    expectOkMessage(t.platform.messages.shown[1], "Error launching web update.",
                    MsgIcon::Exclamation);
}

void TestMainWindow::dragUndoAndJump() {
    App t;
    fill(t, 5);
    PlaylistView* view = t.w->playlistView;
    auto drop = [&](QMimeData* data, int row, bool lowerHalf) {
        const QRect r = view->visualRect(t.w->playlistModel().index(row));
        const QPointF at(r.center().x(), lowerHalf ? r.bottom() - 1 : r.top() + 1);
        QDragEnterEvent enter(at.toPoint(), Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &enter);
        QDropEvent event(at, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &event);
        delete data;
    };
    auto dragged = [&](QList<int> rows) {
        QModelIndexList indexes;
        for (int r : rows)
            indexes << t.w->playlistModel().index(r);
        return t.w->playlistModel().mimeData(indexes);
    };
    // Two entries apart dragged onto the top half of the first: they move
    // there together, selected, and the index stays on its entry.
    t.click(1);
    t.click(3, Qt::ControlModifier);
    t.state.currentIndex = 2;
    drop(dragged({1, 3}), 0, false);
    QCOMPARE(t.entries(), names({1, 3, 0, 2, 4}));
    QCOMPARE(t.selectedRows(), QList<int>({0, 1}));
    QCOMPARE(t.state.currentIndex, 3);
    // Onto the lower half of the last row: to the end.
    drop(dragged({0}), 4, true);
    QCOMPARE(t.entries(), names({3, 0, 2, 4, 1}));
    // Files from outside join at the end, wherever they fall.
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(QStringLiteral("/m/9.mp3"))});
    drop(files, 0, false);
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

    // Jump to Song: the matches as typed, without regard to case or
    // accents; Enter plays the list from the one picked, selected in the
    // list.
    QStringList songs;
    for (const char* name : {"Alpha.mp3", "\u00C9cole 2.mp3", "Zed.mp3"}) {
        songs << t.env.path(QString::fromUtf8(name));
        QFile f(songs.last());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(64, 'x'));
    }
    t.w->addToPlaylist(songs);
    QTest::keyClick(t.w.get(), Qt::Key_J, Qt::ControlModifier);
    QPointer<JumpToSongWindow> jump = t.w->jumpWindow();
    QVERIFY(jump && jump->isVisible());
    QCOMPARE(jump->windowTitle(), QStringLiteral("Jump to Song"));
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

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
