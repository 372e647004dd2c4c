// The main window through its real widgets: layout, menus, the resize rule
// and every editing command, driven with clicks and keys.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/Twips.h"
#include "app/frmFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

namespace {

struct Window {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    frmFiles w{state, platform.platform};

    Window() {
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    void fill(int n) {
        QStringList e;
        for (int i = 0; i < n; ++i)
            e << QStringLiteral("/m/%1.mp3").arg(i);
        w.playlistModel().append(e);
    }
    QStringList entries() { return w.playlistModel().entries(); }
    QPoint rowCenter(int row) {
        return w.playlist->visualRect(w.playlistModel().index(row)).center();
    }
    void click(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(w.playlist->viewport(), Qt::LeftButton, mods, rowCenter(row));
    }
    QList<int> selectedRows() {
        QList<int> rows;
        for (int i = 0; i < w.playlistModel().count(); ++i)
            if (w.isSelected(i))
                rows << i;
        return rows;
    }
};

QRect px(int l, int t, int wd, int h) {
    return QRect(Twips::toPx(l), Twips::toPx(t), Twips::toPx(wd), Twips::toPx(h));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void layoutColoursAndFocusOrder();
    void menusAndShortcuts();
    void resizeRule();
    void clickSetsCurrentIndex();
    void removeSelected();
    void removeAllKeepsCurrentIndex();
    void movesWithButtonsAndKeypad();
    void sortAToZ();
    void shuffleSavesAndReloads();
    void shuffleWhileMaximizedKeepsList();
    void rightClickShowsPopup();
    void appendStopsAtLimit();
    void webAndUpdateCommands();
};

void TestMainWindow::layoutColoursAndFocusOrder() {
    Window t;
    frmFiles& w = t.w;
    QCOMPARE(Twips::perPixel(), 15.0);
    QCOMPARE(w.windowTitle(), QStringLiteral("Jukora - https://www.jukora.example"));
    QCOMPARE(w.btnPlay->geometry(), px(0, 0, 1215, 255));
    QCOMPARE(w.btnPlay2->text(), QStringLiteral("Play2 Song"));
    QCOMPARE(w.cmdShuffle->geometry(), px(5385, 0, 720, 255));
    QCOMPARE(w.chkLoop->geometry(), px(6240, 0, 195, 255));
    QCOMPARE(w.lblLoop->text(), QStringLiteral("Loop"));
    QVERIFY(w.lblLoop->font().bold());
    QCOMPARE(w.Picture1->pixmap().size(), QSize(113, 17));
    QCOMPARE(w.playlist->x(), 0);
    QCOMPARE(w.playlist->y(), Twips::toPx(240));
    QCOMPARE(w.playlist->width(), Twips::toPx(8910));
    QCOMPARE(w.cmdView->x(), Twips::toPx(7470));
    QCOMPARE(w.btnMovedown->text(), QStringLiteral("Move Down [-]"));
    QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(w.btnSort->palette().color(QPalette::Button), QColor(192, 192, 255));
    QCOMPARE(w.cmdDevice->palette().color(QPalette::Button), QColor(128, 128, 255));
    QCOMPARE(w.playlist->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w.playlist->palette().color(QPalette::Text), QColor(0, 0, 128));
    QCOMPARE(w.playlist->selectionMode(), QAbstractItemView::ExtendedSelection);

    QList<QWidget*> expected = {w.btnPlay,       w.btnPlaysong, w.btnPlay2,  w.btnStop,
                                w.btnSort,       w.cmdShuffle,  w.chkLoop,   w.playlist,
                                w.btnMoveup,     w.btnMovedown, w.btnDelete, w.btnClear,
                                w.btnNowPlaying, w.cmdDevice,   w.Picture1,  w.cmdView};
    // Tab goes through them in this order (the list's inner parts between).
    for (int i = 0; i + 1 < expected.size(); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        while (!expected.contains(next))
            next = next->nextInFocusChain();
        QCOMPARE(next, expected[i + 1]);
    }
}

void TestMainWindow::menusAndShortcuts() {
    Window t;
    frmFiles& w = t.w;
    QStringList bar;
    for (QAction* a : w.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, QStringList({"&Menu", "&Controls", "&About"}));
    QCOMPARE(w.mnuversion->text(), QStringLiteral("Version 4.0.52"));
    QCOMPARE(w.mnuweb->text(), QStringLiteral("https://www.jukora.example"));
    QCOMPARE(w.mnuimport->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(w.mnusave->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    QCOMPARE(w.mnuReset->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    QCOMPARE(w.mnuexit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    QCOMPARE(w.mnuremall->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    QCOMPARE(w.mnuplay2->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QCOMPARE(w.mnuplaysong2->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(w.mnustop->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QStringList popup;
    for (QAction* a : w.mnuPlaylist->actions())
        popup << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(popup, QStringList({"Play List From Selected Song", "Play Selected Song",
                                 "Play2 Selected Song", "-", "Remove Selected", "Remove All", "-",
                                 "Get MP3 ID3 Information"}));

    // The hidden menu's shortcuts work in the window: Shift+Delete empties
    // the list.
    t.fill(3);
    w.playlist->setFocus();
    QTest::keyClick(w.playlist, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(w.playlistModel().count(), 0);
}

void TestMainWindow::resizeRule() {
    Window t;
    frmFiles& w = t.w;
    auto checkLayout = [&] {
        QCOMPARE(w.frameGeometry().width(), Twips::toPx(9150));
        QVERIFY(w.frameGeometry().height() >= Twips::toPx(3885));
        QCOMPARE(w.playlist->height(), w.centralWidget()->height() - 30);
        const int y = w.playlist->y() + w.playlist->height();
        for (QPushButton* b : {w.btnMoveup, w.btnMovedown, w.btnDelete, w.btnClear, w.cmdDevice,
                               w.btnNowPlaying, w.cmdView})
            QCOMPARE(b->y(), y);
        QCOMPARE(w.btnPlay->y(), 0);
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

void TestMainWindow::clickSetsCurrentIndex() {
    Window t;
    t.fill(5);
    t.click(3);
    QCOMPARE(t.state.currentIndex, 3);
    QCOMPARE(t.selectedRows(), QList<int>({3}));
    // A click on the entry that already has the focus still sets it.
    t.state.currentIndex = 0;
    t.click(3);
    QCOMPARE(t.state.currentIndex, 3);
    QTest::keyClick(t.w.playlist, Qt::Key_Up);
    QCOMPARE(t.state.currentIndex, 2);
}

void TestMainWindow::removeSelected() {
    Window t;
    t.fill(6);
    // Nothing selected: nothing changes.
    QTest::mouseClick(t.w.btnDelete, Qt::LeftButton);
    QCOMPARE(t.w.playlistModel().count(), 6);
    // Two entries apart, selected with Ctrl; the others keep their order.
    t.click(1);
    t.click(4, Qt::ControlModifier);
    QCOMPARE(t.state.currentIndex, 4);
    QTest::mouseClick(t.w.btnDelete, Qt::LeftButton);
    QCOMPARE(t.entries(), QStringList({"/m/0.mp3", "/m/2.mp3", "/m/3.mp3", "/m/5.mp3"}));
    QCOMPARE(t.state.currentIndex, 4); // not changed by the removal
    QVERIFY(t.selectedRows().isEmpty());
    // The Delete key in the list.
    t.click(0);
    t.w.playlist->setFocus();
    QTest::keyClick(t.w.playlist, Qt::Key_Delete);
    QCOMPARE(t.entries(), QStringList({"/m/2.mp3", "/m/3.mp3", "/m/5.mp3"}));
    // Everything selected empties the list.
    t.w.playlist->selectAll();
    t.w.mnudelsel->trigger();
    QCOMPARE(t.w.playlistModel().count(), 0);
}

void TestMainWindow::removeAllKeepsCurrentIndex() {
    Window t;
    t.fill(4);
    t.click(2);
    QTest::mouseClick(t.w.btnClear, Qt::LeftButton);
    QCOMPARE(t.w.playlistModel().count(), 0);
    QCOMPARE(t.state.currentIndex, 2);
    t.w.btnMoveup_Click();
    t.w.btnMovedown_Click();
    QCOMPARE(t.w.playlistModel().count(), 0);
    QCOMPARE(t.state.currentIndex, 2);
}

void TestMainWindow::movesWithButtonsAndKeypad() {
    Window t;
    t.fill(5);
    t.click(0);
    // At the top, Move Up does nothing.
    QTest::mouseClick(t.w.btnMoveup, Qt::LeftButton);
    QCOMPARE(t.entries().first(), QStringLiteral("/m/0.mp3"));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(t.w.btnMovedown, Qt::LeftButton);
    QCOMPARE(t.entries(),
             QStringList({"/m/1.mp3", "/m/2.mp3", "/m/3.mp3", "/m/0.mp3", "/m/4.mp3"}));
    QCOMPARE(t.state.currentIndex, 3);
    QCOMPARE(t.selectedRows(), QList<int>({3}));
    // Keypad minus moves down, keypad plus moves up; the main keyboard's
    // keys do nothing.
    t.w.playlist->setFocus();
    QTest::keyClick(t.w.playlist, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(t.state.currentIndex, 4);
    QCOMPARE(t.entries().last(), QStringLiteral("/m/0.mp3"));
    QTest::keyClick(t.w.playlist, Qt::Key_Minus, Qt::KeypadModifier); // at the bottom
    QCOMPARE(t.state.currentIndex, 4);
    QTest::keyClick(t.w.playlist, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(t.state.currentIndex, 3);
    QCOMPARE(t.entries().at(3), QStringLiteral("/m/0.mp3"));
    QTest::keyClick(t.w.playlist, Qt::Key_Plus);
    QCOMPARE(t.state.currentIndex, 3);
    // Only the current entry moves; other selected entries stay selected.
    t.click(0, Qt::ControlModifier);
    t.state.currentIndex = 3;
    t.w.btnMoveup_Click();
    QCOMPARE(t.entries().at(2), QStringLiteral("/m/0.mp3"));
    QCOMPARE(t.selectedRows(), QList<int>({0, 2}));
    // An entry with an empty text below stops Move Down.
    t.w.playlistModel().setText(3, QString());
    t.w.btnMovedown_Click();
    QCOMPARE(t.state.currentIndex, 2);
}

void TestMainWindow::sortAToZ() {
    Window t;
    t.w.playlistModel().append(QStringList({"/x/b.mp3", "/x/A.mp3", "", "/x/a.mp3"}));
    t.click(1);
    QTest::mouseClick(t.w.btnSort, Qt::LeftButton);
    QCOMPARE(t.w.playlistModel().count(), 3);
    QCOMPARE(t.entries().at(2), QStringLiteral("/x/b.mp3"));
    QCOMPARE(t.entries().mid(0, 2).join(u',').toLower(), QStringLiteral("/x/a.mp3,/x/a.mp3"));
    QVERIFY(t.selectedRows().isEmpty());
    QCOMPARE(t.state.currentIndex, 1);
    QCOMPARE(t.w.sortList(), t.entries());
}

void TestMainWindow::shuffleSavesAndReloads() {
    Window t;
    t.fill(40);
    const QStringList before = t.entries();
    QTest::mouseClick(t.w.cmdShuffle, Qt::LeftButton);
    QStringList after = t.entries();
    QCOMPARE(after.size(), 40);
    QVERIFY(after != before);
    std::sort(after.begin(), after.end());
    QStringList sorted = before;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(after, sorted);
    // Written to the autosave and read back from it: nothing selected.
    QVERIFY(t.selectedRows().isEmpty());
    QVERIFY(QFile::exists(t.env.settingsFile()));
    QCOMPARE(readBytes(t.env.autosaveFile()),
             QByteArray(readBytes(t.env.autosaveFile()))); // readable
    QVERIFY(readBytes(t.env.autosaveFile()).contains(t.entries().first().toUtf8()));

    // An empty list still saves and reloads.
    t.w.btnClear_Click();
    QFile::remove(t.env.settingsFile());
    t.w.cmdShuffle_Click();
    QCOMPARE(t.w.playlistModel().count(), 0);
    QVERIFY(QFile::exists(t.env.settingsFile()));
    QVERIFY(t.platform.messages.shown.isEmpty());
}

void TestMainWindow::shuffleWhileMaximizedKeepsList() {
    Window t;
    t.fill(30);
    t.w.showMaximized();
    QTRY_VERIFY(t.w.isMaximized());
    t.w.cmdShuffle_Click();
    // No save, no reload: the list stays as the moves left it, with the
    // entry the last move carried selected.
    QVERIFY(!QFile::exists(t.env.autosaveFile()));
    QCOMPARE(t.w.playlistModel().count(), 30);
    QVERIFY(t.w.isSelected(t.state.currentIndex));
    QVERIFY(t.platform.messages.shown.isEmpty());
}

void TestMainWindow::rightClickShowsPopup() {
    Window t;
    t.fill(3);
    t.click(0);
    t.click(2, Qt::ControlModifier);
    QTest::mouseClick(t.w.playlist->viewport(), Qt::RightButton, Qt::NoModifier, t.rowCenter(1));
    QTRY_VERIFY(t.w.mnuPlaylist->isVisible());
    // The selection the popup acts on is the one the user made.
    QCOMPARE(t.selectedRows(), QList<int>({0, 2}));
    t.w.mnuPlaylist->hide();
}

void TestMainWindow::appendStopsAtLimit() {
    Window t;
    QStringList many;
    for (int i = 0; i < PlaylistModel::MaxEntries - 1; ++i)
        many << QStringLiteral("/m/%1.mp3").arg(i);
    QCOMPARE(t.w.playlistModel().append(many), PlaylistModel::MaxEntries - 1);
    QCOMPARE(t.w.playlistModel().append(QStringList({"/a", "/b", "/c"})), 1);
    QCOMPARE(t.w.playlistModel().count(), 32767);
    QVERIFY(!t.w.playlistModel().append(QStringLiteral("/d")));
    QCOMPARE(t.entries().last(), QStringLiteral("/a"));
    QCOMPARE(t.entries().first(), QStringLiteral("/m/0.mp3"));
    // An import into a full list adds nothing and loses nothing.
    writeBytes(t.env.path("more.pls"), "[playlist]\nFile1=/more.mp3\n");
    t.w.ImportPLS(t.env.path("more.pls"));
    QCOMPARE(t.w.playlistModel().count(), 32767);
    QCOMPARE(t.entries().last(), QStringLiteral("/a"));
}

void TestMainWindow::webAndUpdateCommands() {
    Window t;
    t.w.mnuweb->trigger();
    t.w.mnuupdates->trigger();
    QCOMPARE(
        t.platform.shell.opened,
        QStringList({"https://www.jukora.example",
                     "https://www.jukora.example/cgi-bin/update.cgi?soft=Jukora&vers=4.0.52"}));
    QVERIFY(t.platform.messages.shown.isEmpty());
    t.platform.shell.result = false;
    t.w.mnuweb->trigger();
    t.w.mnuupdates->trigger();
    QCOMPARE(t.platform.messages.texts(),
             QStringList({"Could not launch web browser.", "Error launching web update."}));
    QCOMPARE(t.platform.messages.shown[0].title, QStringLiteral("Jukora"));
    QCOMPARE(t.platform.messages.shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(t.platform.messages.shown[1].buttons, MsgButtons::Ok);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
