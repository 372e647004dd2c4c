// The main window's controls and menus, laid out as designed.
#include "ui/main/MainWindow.h"

#include "core/Version.h"
#include "ui/common/AppIcon.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowLook.h"
#include "ui/main/JumpToSongWindow.h"
#include "ui/main/PlaylistView.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>

namespace {

const QColor kBackground(0, 0, 128);
const QColor kTintA(128, 128, 255);
const QColor kTintB(192, 192, 255);
const QColor kListBack(224, 224, 224);

QRect designRect(int left, int top, int width, int height) {
    return QRect(Twips::toPx(left), Twips::toPx(top), Twips::toPx(width), Twips::toPx(height));
}

} // namespace

void MainWindow::buildControls() {
    auto* area = new QWidget(this);
    area->setAutoFillBackground(true);
    QPalette pal = area->palette();
    pal.setColor(QPalette::Window, kBackground);
    area->setPalette(pal);
    setCentralWidget(area);
    resize(Twips::toPx(8910), Twips::toPx(3045));

    auto button = [area](const char* name, const QString& caption, QRect r, const QColor& tint) {
        auto* b = new QPushButton(caption, area);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(r);
        b->setFont(WindowLook::arial());
        QPalette p = b->palette();
        p.setColor(QPalette::Button, tint);
        p.setColor(QPalette::ButtonText, Qt::black);
        b->setPalette(p);
        b->setAutoDefault(false);
        return b;
    };

    playListButton =
        button("playListButton", QStringLiteral("Play List"), designRect(0, 0, 1215, 255), kTintB);
    playSongButton = button("playSongButton", QStringLiteral("Play Song"),
                            designRect(1200, 0, 1215, 255), kTintB);
    play2SongButton = button("play2SongButton", QStringLiteral("Play2 Song"),
                             designRect(2400, 0, 1215, 255), kTintB);
    stopAllButton =
        button("stopAllButton", QStringLiteral("Stop"), designRect(3600, 0, 1215, 255), kTintB);
    sortButton =
        button("sortButton", QStringLiteral("A - Z"), designRect(4800, 0, 600, 255), kTintB);
    shuffleButton =
        button("shuffleButton", QStringLiteral("Shuffle"), designRect(5385, 0, 720, 255), kTintB);

    loopBox = new QCheckBox(area);
    loopBox->setObjectName(QStringLiteral("loopBox"));
    loopBox->setGeometry(designRect(6240, 0, 195, 255));
    connect(loopBox, &QCheckBox::stateChanged, this, [this](int checkState) {
        m_playback->setLoop(checkState == Qt::Checked            ? 1
                            : checkState == Qt::PartiallyChecked ? 2
                                                                 : 0);
    });
    {
        QPalette p = loopBox->palette();
        p.setColor(QPalette::Window, kBackground);
        loopBox->setPalette(p);
    }

    loopLabel = new QLabel(QStringLiteral("Loop"), area);
    loopLabel->setObjectName(QStringLiteral("loopLabel"));
    loopLabel->setGeometry(designRect(6480, 15, 795, 315));
    loopLabel->setFont(WindowLook::arial(8.25, true));
    loopLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    {
        QPalette p = loopLabel->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        loopLabel->setPalette(p);
    }

    banner = new QLabel(area);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setGeometry(designRect(7080, 0, 1695, 255));
    banner->setPixmap(bannerPixmap(113, 17));
    banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    banner->setFocusPolicy(Qt::TabFocus);

    playlistView = new PlaylistView(area);
    playlistView->setObjectName(QStringLiteral("playlistView"));
    playlistView->setGeometry(designRect(0, 240, 8910, 2565));
    playlistView->setModel(&m_model);
    playlistView->setUniformItemSizes(true);
    playlistView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    playlistView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    playlistView->setFont(WindowLook::arial());
    {
        QPalette p = playlistView->palette();
        p.setColor(QPalette::Base, kListBack);
        p.setColor(QPalette::Text, kBackground);
        playlistView->setPalette(p);
    }
    playlistView->installEventFilter(this);
    playlistView->viewport()->installEventFilter(this);
    connect(playlistView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { m_commands->takeFocusedAsCurrent(); });
    connect(playlistView, &QAbstractItemView::pressed, this,
            [this] { m_commands->takeFocusedAsCurrent(); });
    connect(playlistView, &QAbstractItemView::doubleClicked, this, [this] { playSong(); });

    moveUpButton = button("moveUpButton", QStringLiteral("Move Up [+]"),
                          designRect(0, 2805, 1215, 255), kTintB);
    moveDownButton = button("moveDownButton", QStringLiteral("Move Down [-]"),
                            designRect(1200, 2805, 1215, 255), kTintB);
    removeButton =
        button("removeButton", QStringLiteral("Remove"), designRect(2400, 2805, 1215, 255), kTintB);
    removeAllButton = button("removeAllButton", QStringLiteral("Remove All"),
                             designRect(3600, 2805, 1215, 255), kTintB);
    exportMediaButton = button("exportMediaButton", QStringLiteral("Export Media"),
                               designRect(4800, 2805, 1350, 255), kTintA);
    nowPlayingButton = button("nowPlayingButton", QStringLiteral("Now Playing"),
                              designRect(6120, 2805, 1350, 255), kTintA);
    fileBrowserButton = button("fileBrowserButton", QStringLiteral("File Browser"),
                               designRect(7470, 2805, 1440, 255), kTintA);

    QWidget* order[] = {playListButton,   playSongButton,    play2SongButton, stopAllButton,
                        sortButton,       shuffleButton,     loopBox,         playlistView,
                        moveUpButton,     moveDownButton,    removeButton,    removeAllButton,
                        nowPlayingButton, exportMediaButton, banner,          fileBrowserButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(playListButton, &QPushButton::clicked, this, [this] { playList(); });
    connect(playSongButton, &QPushButton::clicked, this, [this] { playSong(); });
    connect(play2SongButton, &QPushButton::clicked, this, [this] { play2Song(); });
    connect(stopAllButton, &QPushButton::clicked, this, [this] { stopAll(); });
    connect(sortButton, &QPushButton::clicked, this, [this] { sortAToZ(); });
    connect(shuffleButton, &QPushButton::clicked, this, [this] { shuffle(); });
    connect(moveUpButton, &QPushButton::clicked, this, [this] { moveUp(); });
    connect(moveDownButton, &QPushButton::clicked, this, [this] { moveDown(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(removeAllButton, &QPushButton::clicked, this, [this] { removeAll(); });
    connect(exportMediaButton, &QPushButton::clicked, this, [this] { toggleExportMedia(); });
    connect(nowPlayingButton, &QPushButton::clicked, this, [this] { toggleNowPlaying(); });
    connect(fileBrowserButton, &QPushButton::clicked, this, [this] { toggleFileBrowser(); });
}

void MainWindow::buildMenus() {
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut, auto handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (!shortcut.isEmpty()) {
            a->setShortcut(shortcut);
            a->setShortcutContext(Qt::WindowShortcut);
        }
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QLatin1String(name));
    };

    fileMenu = menuBar()->addMenu(QStringLiteral("&Menu"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    openAction = item(fileMenu, "openAction", QStringLiteral("Open"),
                      QKeySequence(Qt::CTRL | Qt::Key_O), [this] { openPlaylistOrSong(); });
    addFolderAction = item(fileMenu, "addFolderAction", QStringLiteral("Add Folder..."), {},
                           [this] { addFolder(); });
    exportPlaylistAction = item(fileMenu, "exportPlaylistAction", QStringLiteral("Export Playlist"),
                                QKeySequence(Qt::CTRL | Qt::Key_E), [this] { exportPlaylist(); });
    separator(fileMenu, "separator6");
    resetAction = item(fileMenu, "resetAction", QStringLiteral("&Reset Program"),
                       QKeySequence(Qt::CTRL | Qt::Key_R), [this] { resetProgram(); });
    separator(fileMenu, "separator");
    exitAction = item(fileMenu, "exitAction", QStringLiteral("E&xit"),
                      QKeySequence(Qt::CTRL | Qt::Key_X), [this] { exitProgram(); });

    // Shown only as the list's popup menu; its shortcuts work in the whole
    // window.
    playlistMenu = new QMenu(QStringLiteral("&Playlist"), this);
    playlistMenu->setObjectName(QStringLiteral("playlistMenu"));
    playListFromSelectedAction =
        item(playlistMenu, "playListFromSelectedAction",
             QStringLiteral("Play List From Selected Song"), {}, [this] { playList(); });
    playSelectedSongAction = item(playlistMenu, "playSelectedSongAction",
                                  QStringLiteral("Play Selected Song"), {}, [this] { playSong(); });
    play2SelectedSongAction =
        item(playlistMenu, "play2SelectedSongAction", QStringLiteral("Play2 Selected Song"), {},
             [this] { play2Song(); });
    separator(playlistMenu, "separator4");
    removeSelectedAction =
        item(playlistMenu, "removeSelectedAction", QStringLiteral("Remove Selected"),
             QKeySequence(Qt::Key_Delete), [this] { removeSelected(); });
    removeAllAction = item(playlistMenu, "removeAllAction", QStringLiteral("Remove All"),
                           QKeySequence(Qt::SHIFT | Qt::Key_Delete), [this] { removeAll(); });
    separator(playlistMenu, "separator5");
    tagAction = item(playlistMenu, "tagAction", QStringLiteral("Get MP3 ID3 Information"), {},
                     [this] { showSelectedTag(); });
    separator(playlistMenu, "separator7");
    undoAction = item(playlistMenu, "undoAction", QStringLiteral("Undo"),
                      QKeySequence(QKeySequence::Undo), [this] { m_commands->history().undo(); });
    redoAction = item(playlistMenu, "redoAction", QStringLiteral("Redo"),
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                      [this] { m_commands->history().redo(); });
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    jumpAction = item(playlistMenu, "jumpAction", QStringLiteral("Jump to Song..."),
                      QKeySequence(Qt::CTRL | Qt::Key_J), [this] { jumpToSong(); });
    addActions(playlistMenu->actions());

    controlsMenu = menuBar()->addMenu(QStringLiteral("&Controls"));
    controlsMenu->setObjectName(QStringLiteral("controlsMenu"));
    playListAction = item(controlsMenu, "playListAction", QStringLiteral("Play List"),
                          QKeySequence(Qt::CTRL | Qt::Key_L), [this] { playList(); });
    playSongAction = item(controlsMenu, "playSongAction", QStringLiteral("Play Song"),
                          QKeySequence(Qt::CTRL | Qt::Key_P), [this] { playSong(); });
    stopAllAction = item(controlsMenu, "stopAllAction", QStringLiteral("Stop All"),
                         QKeySequence(Qt::CTRL | Qt::Key_S), [this] { stopAll(); });

    viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    viewMenu->setObjectName(QStringLiteral("viewMenu"));
    songTitlesAction = item(viewMenu, "songTitlesAction", QStringLiteral("Show Song Titles"), {},
                            [this](bool on) { showSongTitles(on); });
    songTitlesAction->setCheckable(true);

    aboutMenu = menuBar()->addMenu(QStringLiteral("&About"));
    aboutMenu->setObjectName(QStringLiteral("aboutMenu"));
    versionAction = item(aboutMenu, "versionAction", QStringLiteral("Version"), {}, [] {});
    separator(aboutMenu, "separator2");
    webSiteAction =
        item(aboutMenu, "webSiteAction", Version::webSite(), {}, [this] { openWebSite(); });
    separator(aboutMenu, "separator3");
    updatesAction = item(aboutMenu, "updatesAction", QStringLiteral("Check for &Updates"), {},
                         [this] { checkForUpdates(); });
}

void MainWindow::connectEditing() {
    // Undo and Redo say what they would do.
    auto showHistory = [this] {
        const PlaylistHistory& history = m_commands->history();
        undoAction->setEnabled(history.canUndo());
        undoAction->setText(history.canUndo() ? QStringLiteral("Undo ") + history.undoName()
                                              : QStringLiteral("Undo"));
        redoAction->setEnabled(history.canRedo());
        redoAction->setText(history.canRedo() ? QStringLiteral("Redo ") + history.redoName()
                                              : QStringLiteral("Redo"));
    };
    connect(&m_commands->history(), &PlaylistHistory::changed, this, showHistory);
    showHistory();
    connect(playlistView, &PlaylistView::rowsDropped, this,
            [this](const QList<int>& rows, int target) { m_commands->moveRows(rows, target); });
    connect(playlistView, &PlaylistView::filesDropped, this, &MainWindow::dropOnPlaylist);
}

void MainWindow::showSongTitles(bool on) {
    m_state.showSongTitles = on;
    {
        const QSignalBlocker block(songTitlesAction);
        songTitlesAction->setChecked(on);
    }
    m_model.setTitles(on ? &m_titles : nullptr);
    m_playback->setSongNames(
        on ? std::function([this](const QString& path) { return m_titles.title(path).text; })
           : nullptr);
    m_playback->refreshCaptions();
    refreshNowPlaying();
}

QString MainWindow::songTitle(const QString& path) {
    return m_state.showSongTitles ? m_titles.title(path).text : QString();
}

void MainWindow::jumpToSong() {
    if (m_jump) {
        m_jump->raise();
        m_jump->activateWindow();
        return;
    }
    auto* jump = new JumpToSongWindow(m_model, this);
    jump->setAttribute(Qt::WA_DeleteOnClose);
    m_jump = jump;
    connect(jump, &JumpToSongWindow::chosen, this, [this](int position) {
        // As a click on the entry and Play List from it.
        playlistView->selectionModel()->clearSelection();
        m_commands->selection().setSelected(position, true);
        m_commands->setFocusedPosition(position);
        playlistView->scrollTo(m_model.index(position));
        playList();
    });
    jump->show();
}
