#include "ui/main/MainWindow.h"

#include "core/Version.h"
#include "core/playlist/HtmlPage.h"
#include "core/playlist/PlaylistEdits.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlaylistSelection.h"
#include "core/playlist/PlsFormat.h"
#include "core/settings/ProfileString.h"
#include "core/settings/SettingsTable.h"
#include "core/system/AppPaths.h"
#include "core/system/ShutdownSignals.h"
#include "core/tags/ID3.h"
#include "core/tags/SongTags.h"
#include "ui/browser/FileBrowserWindow.h"
#include "ui/common/AppIcon.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/tags/TagWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {

const QString kSection = QStringLiteral("Jukora");
// The players' settings, beside the window and browsing keys.
const QString kPlayerSection = QStringLiteral("Player");
const QString kVolumeKey = QStringLiteral("Volume");

// Design measures of the main window, in twips.
constexpr double kOuterWidth = 9150;
constexpr double kMinOuterHeight = 3885;
constexpr double kDefaultLeft = 3000;
constexpr double kDefaultTop = 2500;

const QColor kBackground(0, 0, 128);
const QColor kTintA(128, 128, 255);
const QColor kTintB(192, 192, 255);
const QColor kListBack(224, 224, 224);

QRect designRect(int left, int top, int width, int height) {
    return QRect(Twips::toPx(left), Twips::toPx(top), Twips::toPx(width), Twips::toPx(height));
}

} // namespace

MainWindow::MainWindow(AppState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_platform(platform), m_rng(std::random_device{}()) {
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
    connect(m_playback.get(), &PlaybackController::loopChanged, this, [this](int value) {
        const QSignalBlocker block(loopBox);
        loopBox->setCheckState(value == 1   ? Qt::Checked
                               : value == 2 ? Qt::PartiallyChecked
                                            : Qt::Unchecked);
    });
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

    playlistView = new QListView(area);
    playlistView->setObjectName(QStringLiteral("playlistView"));
    playlistView->setGeometry(designRect(0, 240, 8910, 2565));
    playlistView->setModel(&m_model);
    playlistView->setUniformItemSizes(true);
    playlistView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    playlistView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    playlistView->setFont(WindowLook::arial());
    playlistView->setAcceptDrops(true);
    playlistView->viewport()->setAcceptDrops(true);
    playlistView->setDragDropMode(QAbstractItemView::DropOnly);
    {
        QPalette p = playlistView->palette();
        p.setColor(QPalette::Base, kListBack);
        p.setColor(QPalette::Text, kBackground);
        playlistView->setPalette(p);
    }
    playlistView->installEventFilter(this);
    playlistView->viewport()->installEventFilter(this);
    connect(playlistView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { takeFocusedAsCurrent(); });
    connect(playlistView, &QAbstractItemView::pressed, this, [this] { takeFocusedAsCurrent(); });
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
    addActions(playlistMenu->actions());

    controlsMenu = menuBar()->addMenu(QStringLiteral("&Controls"));
    controlsMenu->setObjectName(QStringLiteral("controlsMenu"));
    playListAction = item(controlsMenu, "playListAction", QStringLiteral("Play List"),
                          QKeySequence(Qt::CTRL | Qt::Key_L), [this] { playList(); });
    playSongAction = item(controlsMenu, "playSongAction", QStringLiteral("Play Song"),
                          QKeySequence(Qt::CTRL | Qt::Key_P), [this] { playSong(); });
    stopAllAction = item(controlsMenu, "stopAllAction", QStringLiteral("Stop All"),
                         QKeySequence(Qt::CTRL | Qt::Key_S), [this] { stopAll(); });

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
    setOuterHeightTwips(kMinOuterHeight);
    setLeftTwips(kDefaultLeft);
    setTopTwips(kDefaultTop);
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
    const QString ini = AppPaths::settingsFile();
    if (QFile::exists(ini)) {
        QFile::setPermissions(ini, QFile::permissions(ini) | QFile::WriteOwner | QFile::WriteUser);
        QFile::remove(ini);
    }
    load();
}

// ---------------------------------------------------------------------------
// Settings

void MainWindow::readSettings() {
    ProfileStringFile ini(AppPaths::settingsFile());
    ini.load();
    const MainWindowValues v = SettingsTable::load(
        [&ini](const QString& key) { return ini.value(kSection, key); }, m_state.settings);
    if (v.loop)
        setLoopValue(*v.loop);
    bool isNumber = false;
    const int volume = ini.value(kPlayerSection, kVolumeKey).toInt(&isNumber);
    if (isNumber)
        m_playback->setVolume(volume);
    setOuterHeightTwips(v.mainHeight);
    setLeftTwips(v.mainLeft);
    setTopTwips(v.mainTop);
    layOutControls();

    const QString autosave = AppPaths::autosaveToRead();
    if (QFileInfo::exists(autosave))
        importAutosave(autosave);
    openCommandLineFiles();
    if (v.nowPlayingOpen == QLatin1String("True"))
        toggleNowPlaying();
}

MainWindow::SaveResult MainWindow::writeSettings() {
    SaveResult result;
    // Every key in any window state, except the main window's place: while
    // the window is minimized or maximized its saved place stays.
    ProfileStringFile ini(AppPaths::settingsFile());
    result.keysWritten = ini.load();
    if (result.keysWritten) {
        std::optional<MainWindowPlace> place;
        if (isNormalState())
            place = MainWindowPlace{outerHeightTwips(), leftTwips(), topTwips()};
        SettingsTable::save(
            [&ini](const QString& key, const QString& text) {
                ini.setValue(kSection, key, text);
                return true;
            },
            m_state.settings, loopValue(), place, nowPlayingWindow() != nullptr);
        ini.setValue(kPlayerSection, kVolumeKey, QString::number(m_state.volume));
        result.keysWritten = ini.save();
    }
    // The playlist is written whatever became of the keys, but never over a
    // saved one that could not be read.
    const QString autosave = AppPaths::autosaveFile();
    result.playlistWritten =
        autosave != m_keepAutosave && writePls(autosave, false, false, &result.readBack);
    if (!result.keysWritten || !result.playlistWritten)
        message(QStringLiteral("Cannot Save Data"));
    return result;
}

// ---------------------------------------------------------------------------
// Playlist files

void MainWindow::importAutosave(const QString& path) {
    bool readable = true;
    const int room = PlaylistModel::MaxEntries - m_model.count();
    if (room > 0)
        m_model.append(PlsFormat::read(path, room, &readable));
    if (readable)
        return;
    // The next save would put a shorter list in its place, or an empty one:
    // the file moves aside, whole, for the user to recover.
    QString kept = path + QStringLiteral(".unreadable");
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = path + QStringLiteral(".unreadable-%1").arg(n);
    if (QFile::rename(path, kept)) {
        message(QStringLiteral("The saved playlist could not be read. It is kept as\n\n") + kept);
        return;
    }
    m_keepAutosave = path;
    message(QStringLiteral("The saved playlist could not be read. It is not saved over while "
                           "Jukora runs:\n\n") +
            path);
}

void MainWindow::importPls(const QString& path) {
    const int room = PlaylistModel::MaxEntries - m_model.count();
    if (room > 0)
        m_model.append(PlsFormat::read(path, room));
}

MainWindow::Exported MainWindow::ExportPlaylist(const PlaylistFiles::Format& format,
                                                const QString& path, bool relative,
                                                bool addSequence) {
    const QStringList entries = m_model.entries();
    if (!format.writeInSteps)
        return format.write(path, entries, relative, addSequence) ? Exported::Written
                                                                  : Exported::Failed;
    // A format written in steps (the web page, which reads every entry's
    // tag) is written on a thread of its own. When that takes more than a
    // moment, a dialog modal to this window shows how many entries are done;
    // its Cancel ends the export with nothing written.
    std::atomic<bool> cancel = false;
    std::atomic<int> done = 0;
    bool written = false;
    const HtmlPage::Progress progress{[&done](int n) { done = n; }, &cancel};
    const std::unique_ptr<QThread> worker(QThread::create(
        [&] { written = format.writeInSteps(path, entries, relative, addSequence, progress); }));
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    if (!worker->wait(QDeadlineTimer(50))) {
        QProgressDialog dialog(QStringLiteral("Exporting playlist..."), QStringLiteral("Cancel"), 0,
                               int(entries.size()), this);
        dialog.setWindowTitle(Version::productName());
        dialog.setWindowModality(Qt::WindowModal);
        connect(&dialog, &QProgressDialog::canceled, &loop, [&cancel] { cancel = true; });
        QTimer timer;
        connect(&timer, &QTimer::timeout, &dialog, [&] {
            if (dialog.wasCanceled()) // also closed with Esc
                cancel = true;
            else
                dialog.setValue(done);
        });
        timer.start(50);
        dialog.show();
        loop.exec(); // till the page is done, or the program ends
        if (!worker->isFinished())
            cancel = true;
        worker->wait();
    }
    return written ? Exported::Written : cancel ? Exported::Cancelled : Exported::Failed;
}

bool MainWindow::writePls(const QString& path, bool relative, bool addSequence,
                          QStringList* readBack) {
    if (readBack && !relative)
        return PlsFormat::writeFull(path, m_model.entries(), *readBack);
    return PlsFormat::write(path, m_model.entries(), relative, addSequence);
}

void MainWindow::addToPlaylist(const QStringList& paths) {
    m_model.append(
        PlaylistFiles::entriesFromNames(paths, PlaylistModel::MaxEntries - m_model.count()));
}

void MainWindow::openPlaylistOrSong() {
    const auto chosen =
        m_platform.files.openFile(this, QStringLiteral("Open Playlist or Song"),
                                  PlaylistFiles::openFilter(), m_state.settings.browseFolder);
    if (!chosen)
        return;
    addToPlaylist({PlaylistFiles::removeQuotes(*chosen)});
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
    const PlaylistFiles::Format* format = PlaylistFiles::writableFormat(*chosen);
    if (!format) {
        message(QStringLiteral("This file format is currently unsupported"));
        return;
    }
    // A playlist that could not be written is not reported as saved; one
    // whose export was cancelled is not reported at all.
    if (ExportPlaylist(*format, *chosen, relative, false) == Exported::Failed)
        message(QStringLiteral("An unknown error has occurred."), MsgIcon::Critical);
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
    if (files.isEmpty())
        return;
    m_model.clear();
    addToPlaylist(files);
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
    m_state.currentIndex = 0;
    playList();
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

void MainWindow::takeFocusedAsCurrent() {
    m_state.currentIndex = focusedPosition();
}

bool MainWindow::isSelected(int pos) const {
    return PlaylistSelection(m_model, *playlistView->selectionModel()).isSelected(pos);
}

void MainWindow::setSelected(int pos, bool selected) {
    PlaylistSelection(m_model, *playlistView->selectionModel()).setSelected(pos, selected);
}

int MainWindow::focusedPosition() const {
    return PlaylistSelection(m_model, *playlistView->selectionModel()).focusedPosition();
}

void MainWindow::setFocusedPosition(int pos) {
    if (!m_model.isEntry(pos))
        return;
    PlaylistSelection(m_model, *playlistView->selectionModel()).setFocusedPosition(pos);
    // The click notification follows every change of the focused position,
    // also one to the position it already had.
    takeFocusedAsCurrent();
}

std::vector<char> MainWindow::selectionMarks() const {
    std::vector<char> marks(size_t(m_model.count()), 0);
    const QItemSelection sel = playlistView->selectionModel()->selection();
    for (const QItemSelectionRange& r : sel) {
        for (int row = std::max(0, r.top()); row <= r.bottom() && row < m_model.count(); ++row)
            marks[size_t(row)] = 1;
    }
    return marks;
}

void MainWindow::applySelection(const std::vector<char>& marks) {
    QItemSelection sel;
    const int n = std::min<int>(int(marks.size()), m_model.count());
    int start = -1;
    for (int i = 0; i <= n; ++i) {
        const bool on = i < n && marks[size_t(i)];
        if (on && start < 0)
            start = i;
        if (!on && start >= 0) {
            sel.append(QItemSelectionRange(m_model.index(start), m_model.index(i - 1)));
            start = -1;
        }
    }
    playlistView->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

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
    if (watched == playlistView->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls()) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            dropOnPlaylist(drop->mimeData());
            return true;
        }
        default:
            break;
        }
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
    const std::vector<char> marks = selectionMarks();
    if (std::find(marks.begin(), marks.end(), 1) == marks.end())
        return;
    const int scroll = playlistView->verticalScrollBar()->value();
    m_model.removeMarked(marks);
    playlistView->verticalScrollBar()->setValue(scroll);
}

void MainWindow::removeAll() {
    m_model.clear();
}

void MainWindow::moveCurrent(int direction) {
    const int p = m_state.currentIndex;
    const int q = PlaylistEdits::moveTarget(m_model.entries(), p, direction);
    if (q < 0)
        return;
    m_model.swapEntries(p, q);
    setSelected(p, false);
    setSelected(q, true);
    // Selecting q made it the focused position; the click notification
    // moves currentIndex along with the entry.
    takeFocusedAsCurrent();
}

void MainWindow::moveUp() {
    moveCurrent(-1);
}

void MainWindow::moveDown() {
    moveCurrent(+1);
}

void MainWindow::sortAToZ() {
    m_sortList = PlaylistEdits::sortedAToZ(m_model.entries());
    m_model.replaceAll(m_sortList);
}

void MainWindow::shuffle() {
    QStringList entries = m_model.entries();
    std::vector<char> marks = selectionMarks();
    int current = m_state.currentIndex;
    PlaylistEdits::shuffle(entries, marks, current, m_rng);
    // The clicks of the moves leave the index where the last one carried its
    // entry.
    m_state.currentIndex = current;
    if (!entries.isEmpty())
        m_model.replaceAll(entries);
    // The list goes to the autosave and is read back from it: what a save
    // that wrote it whole gives back is the list itself, now without a
    // selection, and it is not read again. A save that failed brings back
    // nothing, older keys neither: the list stays as the moves left it.
    const SaveResult saved = writeSettings();
    if (!saved.playlistWritten) {
        if (!entries.isEmpty()) {
            applySelection(marks);
            setFocusedPosition(current);
        }
        return;
    }
    if (saved.readBack.constData() != entries.constData())
        m_model.replaceAll(saved.readBack);
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
    w->load();
    w->show();
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
    auto* now = new NowPlayingWindow(m_state, *this);
    m_nowPlaying = now;
    connect(now, &NowPlayingWindow::unloaded, this, [this, now] {
        if (m_nowPlaying == now)
            m_nowPlaying = nullptr;
    });
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
    if (!m_tagWindow) {
        auto* window = new TagWindow(m_state);
        m_tagWindow = window;
        connect(window, &TagWindow::unloaded, this, [this, window] {
            if (m_tagWindow == window)
                m_tagWindow = nullptr;
        });
        window->load();
    }
    m_tagWindow->show(path, tags);
}

void MainWindow::showSelectedTag() {
    for (int i = 0; i < m_model.count(); ++i) {
        if (isSelected(i)) {
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
    auto* browser = new FileBrowserWindow(m_state, m_platform, *this);
    m_fileBrowser = browser;
    connect(browser, &FileBrowserWindow::unloaded, this, [this, browser] {
        if (m_fileBrowser == browser)
            m_fileBrowser = nullptr;
    });
    // Showing runs the window's load; it runs once more after.
    browser->show();
    browser->load();
}

void MainWindow::toggleExportMedia() {
    if (m_exportMedia) {
        m_exportMedia->close();
        return;
    }
    auto* port = new ExportMediaWindow(m_state, m_platform, *this);
    m_exportMedia = port;
    connect(port, &ExportMediaWindow::unloaded, this, [this, port] {
        if (m_exportMedia == port)
            m_exportMedia = nullptr;
    });
    port->show();
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
void MainWindow::setOuterHeightTwips(double twips) {
    WindowGeometry::place(this, {.height = twips});
}
void MainWindow::setLeftTwips(double twips) {
    WindowGeometry::place(this, {.left = twips});
}
void MainWindow::setTopTwips(double twips) {
    WindowGeometry::place(this, {.top = twips});
}

int MainWindow::loopValue() const {
    return m_state.loop;
}

void MainWindow::setLoopValue(int value) {
    m_playback->setLoop(value);
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
