#include "ui/main/MainWindow.h"

#include "core/Version.h"
#include "core/playlist/HtmlPage.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlsFormat.h"
#include "core/system/AppPaths.h"
#include "core/system/ShutdownSignals.h"
#include "core/tags/ID3.h"
#include "core/tags/SongTags.h"
#include "ui/browser/FileBrowserWindow.h"
#include "ui/common/AppIcon.h"
#include "ui/common/ProgressTask.h"
#include "ui/common/WindowGeometry.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/main/JumpToSongWindow.h"
#include "ui/main/PlaylistView.h"
#include "ui/tags/TagWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

namespace {

// Design measures of the main window, in twips.
constexpr double kOuterWidth = 9150;
constexpr double kMinOuterHeight = 3885;
constexpr double kDefaultLeft = 3000;
constexpr double kDefaultTop = 2500;

// Holds a window in slot while it is open: its unload empties the slot.
template <typename Window> Window* keep(QObject* context, QPointer<Window>& slot, Window* window) {
    slot = window;
    QObject::connect(window, &Window::unloaded, context, [&slot, window] {
        if (slot == window)
            slot = nullptr;
    });
    return window;
}

} // namespace

MainWindow::MainWindow(AppState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_platform(platform) {
    // The autosaved playlist is read while the window is built; load
    // takes it.
    PlsFormat::readAhead(AppPaths::autosaveToRead());
    setWindowTitle(QStringLiteral("Jukora - ") + Version::webSite());
    // Every window of the program (and its message boxes) carries its icon.
    QApplication::setWindowIcon(appIcon());
    buildControls();
    buildMenus();
    m_playback = std::make_unique<PlaybackController>(
        m_state, m_model, *playlistView->selectionModel(), m_engine1, m_engine2, *this);
    m_settings = std::make_unique<SettingsStore>(m_state, m_model, *m_playback);
    m_commands = std::make_unique<PlaylistCommands>(
        m_state, m_model, *playlistView->selectionModel(), [this] { return writeSettings(); });
    // The strip follows the players at once: their files, their windows.
    connect(m_playback.get(), &PlaybackController::playersChanged, this,
            &MainWindow::refreshNowPlaying);
    connect(m_playback.get(), &PlaybackController::loopChanged, this, [this](int value) {
        const QSignalBlocker block(loopBox);
        loopBox->setCheckState(value == 1   ? Qt::Checked
                               : value == 2 ? Qt::PartiallyChecked
                                            : Qt::Unchecked);
    });
    connectEditing();
    WindowGeometry::followResizes(this, [this] { layOutControls(); });
}

MainWindow::~MainWindow() {
    // The other windows refer to this one: any still open go with it (in the
    // order of the shutdown, without its saving).
    delete m_exportMedia.data();
    delete m_fileBrowser.data();
    delete m_tagWindow.data();
    delete m_player.data();
    delete m_player2.data();
    delete m_nowPlaying.data();
}

void MainWindow::message(const QString& text, MsgIcon icon) {
    m_platform.messages.show(this, Version::productName(), text, MsgButtons::Ok, icon);
}

// ---------------------------------------------------------------------------
// Life cycle

void MainWindow::load() {
    m_loaded = true;
    versionAction->setText(QStringLiteral("Version ") + Version::text());
    m_state.currentIndex = 0;
    m_state.listPlaying = false;
    m_state.loadPending = true;
    placeTwips(kMinOuterHeight, kDefaultLeft, kDefaultTop);
    readSettings();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    shutDown();
    event->accept();
}

void MainWindow::shutDown() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (NowPlayingWindow* now = nowPlayingWindow())
        now->refresh();
    closeBrowsingWindows();
    writeSettings();
    // Open until after the save, which records it as open.
    if (m_nowPlaying)
        m_nowPlaying->close();
}

void MainWindow::exitProgram() {
    close();
}

void MainWindow::watchSessionEnd() {
    // The normal shutdown, run from the event loop, never from inside the
    // signal handler.
    auto* requests = new ShutdownSignals(this);
    connect(requests, &ShutdownSignals::received, this, [this] { endSession(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { endSession(); });
}

void MainWindow::endSession() {
    // Before the start-up has read the saved playlist there is nothing to
    // save, and a save would write an empty list over it. Otherwise the
    // normal shutdown runs, once, whatever was going on: a message, a
    // question or a copy is given up.
    if (m_loaded)
        close();
    emit sessionEnded();
}

void MainWindow::resetProgram() {
    closeBrowsingWindows();
    if (m_nowPlaying)
        m_nowPlaying->close();
    m_model.clear();
    m_commands->history().clear();
    SettingsStore::removeSettingsFile();
    load();
}

// ---------------------------------------------------------------------------
// Settings

void MainWindow::readSettings() {
    const MainWindowValues v = m_settings->readKeys();
    showSongTitles(m_state.showSongTitles);
    placeTwips(v.mainHeight, v.mainLeft, v.mainTop);
    layOutControls();
    const QString problem = m_settings->readAutosave();
    if (!problem.isEmpty())
        message(problem);
    openCommandLineFiles();
    if (v.nowPlayingOpen == QLatin1String("True"))
        toggleNowPlaying();
}

SettingsStore::SaveResult MainWindow::writeSettings() {
    std::optional<MainWindowPlace> place;
    if (isNormalState())
        place = MainWindowPlace{outerHeightTwips(), leftTwips(), topTwips()};
    const SettingsStore::SaveResult result = m_settings->save(place, nowPlayingWindow() != nullptr);
    if (!result.ok())
        message(QStringLiteral("Cannot Save Data"));
    return result;
}

// ---------------------------------------------------------------------------
// Playlist files

void MainWindow::addToPlaylist(const QStringList& paths) {
    const QString full = PlaylistCommands::leftOutText(m_commands->add(paths));
    if (!full.isEmpty())
        message(full);
}

void MainWindow::openPlaylistOrSong() {
    const auto chosen =
        m_platform.files.openFile(this, QStringLiteral("Open Playlist or Song"),
                                  PlaylistFiles::openFilter(), m_state.settings.browseFolder);
    if (!chosen)
        return;
    addToPlaylist({PlaylistFiles::removeQuotes(*chosen)});
}

void MainWindow::addFolder() {
    const auto chosen = m_platform.files.openFolder(this, QStringLiteral("Add Folder"),
                                                    m_state.settings.browseFolder);
    if (chosen)
        addToPlaylist({*chosen});
}

void MainWindow::exportPlaylist() {
    const QString question =
        QStringLiteral("Export playlist with full path names?\r\n\r\nNote: Selecting NO will "
                       "create the playlist without path names \r\nwhich should be saved in the "
                       "same folder as the music");
    const MsgAnswer answer = m_platform.messages.show(this, Version::productName(), question,
                                                      MsgButtons::YesNoCancel, MsgIcon::None);
    if (answer == MsgAnswer::Cancel)
        return;
    const bool relative = answer == MsgAnswer::No;
    const auto chosen =
        m_platform.files.saveFile(this, QStringLiteral("Save As"), PlaylistFiles::saveFilter(),
                                  m_state.settings.browseFolder);
    if (!chosen)
        return;
    // A playlist that could not be written is not reported as saved; one
    // whose export was cancelled is not reported at all.
    switch (writePlaylist(*chosen, relative)) {
    case PlaylistCommands::Exported::Unsupported:
        message(QStringLiteral("This file format is currently unsupported"));
        break;
    case PlaylistCommands::Exported::Failed:
        message(QStringLiteral("An unknown error has occurred."), MsgIcon::Critical);
        break;
    default:
        break;
    }
}

PlaylistCommands::Exported MainWindow::writePlaylist(const QString& path, bool relative) {
    const QStringList entries = m_model.entries();
    if (!PlaylistCommands::exportTakesSteps(path))
        return PlaylistCommands::exportTo(entries, path, relative);
    // The web page reads every entry's tag: written off the window's thread,
    // and cancelled with nothing written.
    auto result = PlaylistCommands::Exported::Failed;
    runWithProgress(this, QStringLiteral("Exporting playlist..."), int(entries.size()),
                    [&](const HtmlPage::Progress& progress) {
                        result = PlaylistCommands::exportTo(entries, path, relative, progress);
                    });
    return result;
}

void MainWindow::dropOnPlaylist(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return;
    QStringList names;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            names.append(PlaylistFiles::removeQuotes(QDir::toNativeSeparators(url.toLocalFile())));
    }
    addToPlaylist(names);
}

void MainWindow::openCommandLineFiles() {
    openFiles(m_state.commandLine, true);
}

void MainWindow::openFiles(const QStringList& files, bool minimized) {
    int leftOut = 0;
    if (!m_commands->replace(files, &leftOut))
        return;
    const QString full = PlaylistCommands::leftOutText(leftOut);
    if (minimized) {
        setWindowState((windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen)) |
                       Qt::WindowMinimized);
        if (NowPlayingWindow* now = nowPlayingWindow())
            now->showMinimized();
    } else {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    if (m_fileBrowser)
        toggleFileBrowser();
    playList();
    if (!full.isEmpty())
        message(full);
}

void MainWindow::openLaunchFiles(const QStringList& files) {
    // While a dialog is open (a question, the copy to a device) the list
    // must not change under it: the files wait until it has closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(250, this, [this, files] { openLaunchFiles(files); });
        return;
    }
    openFiles(files, false);
    raiseMainWindow();
}

void MainWindow::raiseMainWindow() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------
// The playlist control

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == playlistView && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool keypad = key->modifiers() & Qt::KeypadModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            playSong();
            break;
        case Qt::Key_Delete:
            removeSelected();
            break;
        case Qt::Key_Plus:
            if (keypad)
                moveUp();
            break;
        case Qt::Key_Minus:
            if (keypad)
                moveDown();
            break;
        default:
            break;
        }
        return false;
    }
    if (watched == playlistView->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The popup acts on the selection as it is; a right click does
            // not change it.
            playlistMenu->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Editing commands

void MainWindow::removeSelected() {
    const int scroll = playlistView->verticalScrollBar()->value();
    if (m_commands->removeSelected())
        playlistView->verticalScrollBar()->setValue(scroll);
}

void MainWindow::removeAll() {
    m_commands->removeAll();
}

void MainWindow::moveUp() {
    m_commands->moveCurrent(-1);
}

void MainWindow::moveDown() {
    m_commands->moveCurrent(+1);
}

void MainWindow::sortAToZ() {
    m_commands->sortAToZ();
}

void MainWindow::shuffle() {
    m_commands->shuffle();
}

// ---------------------------------------------------------------------------
// Playback

void MainWindow::playList() {
    m_playback->playList();
}

void MainWindow::playSong() {
    m_playback->playSong();
}

void MainWindow::play2Song() {
    m_playback->play2Song();
}

void MainWindow::stopAll() {
    m_playback->stopAll();
}

Player1Window* MainWindow::player1() const {
    return m_player && m_player->isVisible() ? m_player.data() : nullptr;
}

Player2Window* MainWindow::player2Window() const {
    return m_player2 && m_player2->isVisible() ? m_player2.data() : nullptr;
}

bool MainWindow::isPlayerOpen(int n) const {
    return n == 1 ? player1() != nullptr : player2Window() != nullptr;
}

void MainWindow::showPlayer(int n) {
    if (isPlayerOpen(n))
        return;
    PlayerWindow* w = nullptr;
    if (n == 1) {
        auto* p = new Player1Window(m_state, *m_playback, m_engine1, *this);
        m_player = p;
        w = p;
    } else {
        auto* p = new Player2Window(m_state, *m_playback, m_engine2, *this);
        m_player2 = p;
        w = p;
    }
    connect(w, &PlayerWindow::unloaded, this, &MainWindow::refreshNowPlaying, Qt::QueuedConnection);
    w->load();
    w->show();
    refreshNowPlaying();
}

void MainWindow::refreshNowPlaying() {
    if (m_nowPlaying)
        m_nowPlaying->refresh();
}

void MainWindow::closePlayer(int n) {
    if (n == 1 && m_player)
        m_player->close();
    else if (n == 2 && m_player2)
        m_player2->close();
}

void MainWindow::setPlayerCaption(int n, const QString& caption) {
    if (QWidget* w = n == 1 ? static_cast<QWidget*>(m_player) : m_player2)
        w->setWindowTitle(caption);
}

void MainWindow::closeBrowsingWindows() {
    if (m_exportMedia)
        m_exportMedia->closeForShutdown();
    if (m_fileBrowser)
        m_fileBrowser->close();
    if (m_tagWindow)
        m_tagWindow->close();
    closePlayer(1);
    closePlayer(2);
}

void MainWindow::restoreMainWindow() {
    if (isMinimized() || isMaximized())
        showNormal();
}

// ---------------------------------------------------------------------------
// Window commands

NowPlayingWindow* MainWindow::nowPlayingWindow() const {
    return m_nowPlaying && m_nowPlaying->isVisible() ? m_nowPlaying.data() : nullptr;
}

TagWindow* MainWindow::tagWindow() const {
    return m_tagWindow && m_tagWindow->isVisible() ? m_tagWindow.data() : nullptr;
}

void MainWindow::toggleNowPlaying() {
    if (m_nowPlaying) {
        m_nowPlaying->close();
        return;
    }
    NowPlayingWindow* now = keep(this, m_nowPlaying, new NowPlayingWindow(m_state, *this));
    now->load();
    now->show();
    now->refresh();
}

void MainWindow::showTagWindow(const QString& path) {
    // An MP3 file opens the window, tag or not; any other file only when it
    // has a tag.
    const Tags::SongTags tags = Tags::readSongTags(path);
    if (!tags.found() && !ID3::isMp3Path(path)) {
        message(QStringLiteral("This is not an MP3 file!"));
        return;
    }
    if (!m_tagWindow)
        keep(this, m_tagWindow, new TagWindow(m_state))->load();
    m_tagWindow->show(path, tags);
}

void MainWindow::showSelectedTag() {
    for (int i = 0; i < m_model.count(); ++i) {
        if (m_commands->selection().isSelected(i)) {
            showTagWindow(m_model.text(i));
            return;
        }
    }
}

QRectF MainWindow::mainWindowTwips() const {
    return QRectF(leftTwips(), topTwips(), WindowGeometry::outerWidth(this), outerHeightTwips());
}
FileBrowserWindow* MainWindow::fileBrowser() const {
    return m_fileBrowser && m_fileBrowser->isVisible() ? m_fileBrowser.data() : nullptr;
}

ExportMediaWindow* MainWindow::exportMediaWindow() const {
    return m_exportMedia && m_exportMedia->isVisible() ? m_exportMedia.data() : nullptr;
}

void MainWindow::toggleFileBrowser() {
    if (m_fileBrowser) {
        m_fileBrowser->close();
        return;
    }
    FileBrowserWindow* browser =
        keep(this, m_fileBrowser, new FileBrowserWindow(m_state, m_platform, *this));
    // Showing runs the window's load; it runs once more after.
    browser->show();
    browser->load();
}

void MainWindow::toggleExportMedia() {
    if (m_exportMedia) {
        m_exportMedia->close();
        return;
    }
    keep(this, m_exportMedia, new ExportMediaWindow(m_state, m_platform, *this))->show();
}

void MainWindow::openWebSite() {
    if (!m_platform.shell.open(Version::webSite()))
        message(QStringLiteral("Could not launch web browser."), MsgIcon::Exclamation);
}

void MainWindow::checkForUpdates() {
    if (!m_platform.shell.open(Version::updateAddress()))
        message(QStringLiteral("Error launching web update."), MsgIcon::Exclamation);
}

// ---------------------------------------------------------------------------
// Geometry and the resize rule

bool MainWindow::isNormalState() const {
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

double MainWindow::outerHeightTwips() const {
    return WindowGeometry::outerHeight(this);
}
double MainWindow::leftTwips() const {
    return WindowGeometry::left(this);
}
double MainWindow::topTwips() const {
    return WindowGeometry::top(this);
}

// The start-up and the settings place the window: each measure lands on the
// screen, wherever the settings file says.
void MainWindow::placeTwips(double outerHeight, double left, double top) {
    WindowGeometry::place(this, {.height = outerHeight});
    WindowGeometry::place(this, {.left = left});
    WindowGeometry::place(this, {.top = top});
}

void MainWindow::layOutControls() {
    if (!isNormalState())
        return;
    WindowGeometry::holdWidth(this, kOuterWidth, kMinOuterHeight);

    // The list leaves room for the whole bottom row under it (the design's
    // 30 pixels were a row and a pixel short of it, clipping the row).
    const int innerHeight = centralWidget()->height();
    playlistView->resize(playlistView->width(),
                         std::max(0, innerHeight - playlistView->y() - moveUpButton->height()));
    const int y = playlistView->y() + playlistView->height();
    for (QPushButton* b : {moveUpButton, moveDownButton, nowPlayingButton, removeButton,
                           removeAllButton, fileBrowserButton, exportMediaButton})
        b->move(b->x(), y);
}
