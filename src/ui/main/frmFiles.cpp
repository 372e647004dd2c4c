#include "ui/main/frmFiles.h"

#include "ui/common/AppIcon.h"
#include "core/settings/SettingsTable.h"
#include "ui/common/Twips.h"
#include "core/Version.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"
#include "ui/browser/frmFileList.h"
#include "ui/export/frmPort.h"
#include "core/system/AppPaths.h"
#include "core/settings/ProfileString.h"
#include "core/system/ShutdownSignals.h"
#include "core/playlist/HtmlPage.h"
#include "core/playlist/PlaylistEdits.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlaylistSelection.h"
#include "core/playlist/PlsFormat.h"
#include "core/tags/ID3.h"
#include "core/tags/SongTags.h"
#include "ui/tags/frmID3.h"

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

frmFiles::frmFiles(AppState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_platform(platform), m_rng(std::random_device{}()) {
    // The autosaved playlist is read while the window is built; Form_Load
    // takes it.
    PlsFormat::readAhead(AppPaths::autosaveToRead());
    setWindowTitle(QStringLiteral("Jukora - ") + Version::webSite());
    // Every window of the program (and its message boxes) carries its icon.
    QApplication::setWindowIcon(appIcon());
    buildControls();
    buildMenus();
    m_playback = std::make_unique<PlaybackController>(m_state, m_model, *playlist->selectionModel(),
                                                      m_engine1, m_engine2, *this);
    connect(m_playback.get(), &PlaybackController::loopChanged, this, [this](int value) {
        const QSignalBlocker block(chkLoop);
        chkLoop->setCheckState(value == 1   ? Qt::Checked
                               : value == 2 ? Qt::PartiallyChecked
                                            : Qt::Unchecked);
    });
    WindowGeometry::followResizes(this, [this] { Form_Resize(); });
}

frmFiles::~frmFiles() {
    // The other windows refer to this one: any still open go with it (in the
    // order of the shutdown, without its saving).
    delete m_port.data();
    delete m_fileList.data();
    delete m_id3.data();
    delete m_player.data();
    delete m_player2.data();
    delete m_nowPlaying.data();
}

void frmFiles::buildControls() {
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

    btnPlay = button("btnPlay", QStringLiteral("Play List"), designRect(0, 0, 1215, 255), kTintB);
    btnPlaysong =
        button("btnPlaysong", QStringLiteral("Play Song"), designRect(1200, 0, 1215, 255), kTintB);
    btnPlay2 =
        button("btnPlay2", QStringLiteral("Play2 Song"), designRect(2400, 0, 1215, 255), kTintB);
    btnStop = button("btnStop", QStringLiteral("Stop"), designRect(3600, 0, 1215, 255), kTintB);
    btnSort = button("btnSort", QStringLiteral("A - Z"), designRect(4800, 0, 600, 255), kTintB);
    cmdShuffle =
        button("cmdShuffle", QStringLiteral("Shuffle"), designRect(5385, 0, 720, 255), kTintB);

    chkLoop = new QCheckBox(area);
    chkLoop->setObjectName(QStringLiteral("chkLoop"));
    chkLoop->setGeometry(designRect(6240, 0, 195, 255));
    connect(chkLoop, &QCheckBox::stateChanged, this, [this](int checkState) {
        m_playback->setLoop(checkState == Qt::Checked            ? 1
                            : checkState == Qt::PartiallyChecked ? 2
                                                                 : 0);
    });
    {
        QPalette p = chkLoop->palette();
        p.setColor(QPalette::Window, kBackground);
        chkLoop->setPalette(p);
    }

    lblLoop = new QLabel(QStringLiteral("Loop"), area);
    lblLoop->setObjectName(QStringLiteral("lblLoop"));
    lblLoop->setGeometry(designRect(6480, 15, 795, 315));
    lblLoop->setFont(WindowLook::arial(8.25, true));
    lblLoop->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    {
        QPalette p = lblLoop->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        lblLoop->setPalette(p);
    }

    Picture1 = new QLabel(area);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(designRect(7080, 0, 1695, 255));
    Picture1->setPixmap(bannerPixmap(113, 17));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setFocusPolicy(Qt::TabFocus);

    playlist = new QListView(area);
    playlist->setObjectName(QStringLiteral("playlist"));
    playlist->setGeometry(designRect(0, 240, 8910, 2565));
    playlist->setModel(&m_model);
    playlist->setUniformItemSizes(true);
    playlist->setSelectionMode(QAbstractItemView::ExtendedSelection);
    playlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    playlist->setFont(WindowLook::arial());
    playlist->setAcceptDrops(true);
    playlist->viewport()->setAcceptDrops(true);
    playlist->setDragDropMode(QAbstractItemView::DropOnly);
    {
        QPalette p = playlist->palette();
        p.setColor(QPalette::Base, kListBack);
        p.setColor(QPalette::Text, kBackground);
        playlist->setPalette(p);
    }
    playlist->installEventFilter(this);
    playlist->viewport()->installEventFilter(this);
    connect(playlist->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { playlist_Click(); });
    connect(playlist, &QAbstractItemView::pressed, this, [this] { playlist_Click(); });
    connect(playlist, &QAbstractItemView::doubleClicked, this, [this] { btnPlaysong_Click(); });

    btnMoveup =
        button("btnMoveup", QStringLiteral("Move Up [+]"), designRect(0, 2805, 1215, 255), kTintB);
    btnMovedown = button("btnMovedown", QStringLiteral("Move Down [-]"),
                         designRect(1200, 2805, 1215, 255), kTintB);
    btnDelete =
        button("btnDelete", QStringLiteral("Remove"), designRect(2400, 2805, 1215, 255), kTintB);
    btnClear =
        button("btnClear", QStringLiteral("Remove All"), designRect(3600, 2805, 1215, 255), kTintB);
    cmdDevice = button("cmdDevice", QStringLiteral("Export Media"),
                       designRect(4800, 2805, 1350, 255), kTintA);
    btnNowPlaying = button("btnNowPlaying", QStringLiteral("Now Playing"),
                           designRect(6120, 2805, 1350, 255), kTintA);
    cmdView = button("cmdView", QStringLiteral("File Browser"), designRect(7470, 2805, 1440, 255),
                     kTintA);

    QWidget* order[] = {btnPlay,       btnPlaysong, btnPlay2,  btnStop,     btnSort,   cmdShuffle,
                        chkLoop,       playlist,    btnMoveup, btnMovedown, btnDelete, btnClear,
                        btnNowPlaying, cmdDevice,   Picture1,  cmdView};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(btnPlay, &QPushButton::clicked, this, [this] { btnPlay_Click(); });
    connect(btnPlaysong, &QPushButton::clicked, this, [this] { btnPlaysong_Click(); });
    connect(btnPlay2, &QPushButton::clicked, this, [this] { btnPlay2_Click(); });
    connect(btnStop, &QPushButton::clicked, this, [this] { btnStop_Click(); });
    connect(btnSort, &QPushButton::clicked, this, [this] { btnSort_Click(); });
    connect(cmdShuffle, &QPushButton::clicked, this, [this] { cmdShuffle_Click(); });
    connect(btnMoveup, &QPushButton::clicked, this, [this] { btnMoveup_Click(); });
    connect(btnMovedown, &QPushButton::clicked, this, [this] { btnMovedown_Click(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDelete_Click(); });
    connect(btnClear, &QPushButton::clicked, this, [this] { btnClear_Click(); });
    connect(cmdDevice, &QPushButton::clicked, this, [this] { cmdDevice_Click(); });
    connect(btnNowPlaying, &QPushButton::clicked, this, [this] { btnNowPlaying_Click(); });
    connect(cmdView, &QPushButton::clicked, this, [this] { cmdView_Click(); });
}

void frmFiles::buildMenus() {
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

    mnuFile = menuBar()->addMenu(QStringLiteral("&Menu"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuimport = item(mnuFile, "mnuimport", QStringLiteral("Open"),
                     QKeySequence(Qt::CTRL | Qt::Key_O), [this] { mnuimport_Click(); });
    mnusave = item(mnuFile, "mnusave", QStringLiteral("Export Playlist"),
                   QKeySequence(Qt::CTRL | Qt::Key_E), [this] { mnusave_Click(); });
    separator(mnuFile, "mnuspace6");
    mnuReset = item(mnuFile, "mnuReset", QStringLiteral("&Reset Program"),
                    QKeySequence(Qt::CTRL | Qt::Key_R), [this] { mnuReset_Click(); });
    separator(mnuFile, "mnuspace");
    mnuexit = item(mnuFile, "mnuexit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X),
                   [this] { mnuexit_Click(); });

    // Shown only as the list's popup menu; its shortcuts work in the whole
    // window.
    mnuPlaylist = new QMenu(QStringLiteral("&Playlist"), this);
    mnuPlaylist->setObjectName(QStringLiteral("mnuPlaylist"));
    mnuplay = item(mnuPlaylist, "mnuplay", QStringLiteral("Play List From Selected Song"), {},
                   [this] { btnPlay_Click(); });
    mnuplaysong = item(mnuPlaylist, "mnuplaysong", QStringLiteral("Play Selected Song"), {},
                       [this] { btnPlaysong_Click(); });
    mnumixsong = item(mnuPlaylist, "mnumixsong", QStringLiteral("Play2 Selected Song"), {},
                      [this] { btnPlay2_Click(); });
    separator(mnuPlaylist, "mnuspace4");
    mnudelsel = item(mnuPlaylist, "mnudelsel", QStringLiteral("Remove Selected"),
                     QKeySequence(Qt::Key_Delete), [this] { btnDelete_Click(); });
    mnuremall = item(mnuPlaylist, "mnuremall", QStringLiteral("Remove All"),
                     QKeySequence(Qt::SHIFT | Qt::Key_Delete), [this] { btnClear_Click(); });
    separator(mnuPlaylist, "mnuspace5");
    mnuID3 = item(mnuPlaylist, "mnuID3", QStringLiteral("Get MP3 ID3 Information"), {},
                  [this] { mnuID3_Click(); });
    addActions(mnuPlaylist->actions());

    mnucontrol = menuBar()->addMenu(QStringLiteral("&Controls"));
    mnucontrol->setObjectName(QStringLiteral("mnucontrol"));
    mnuplay2 = item(mnucontrol, "mnuplay2", QStringLiteral("Play List"),
                    QKeySequence(Qt::CTRL | Qt::Key_L), [this] { btnPlay_Click(); });
    mnuplaysong2 = item(mnucontrol, "mnuplaysong2", QStringLiteral("Play Song"),
                        QKeySequence(Qt::CTRL | Qt::Key_P), [this] { btnPlaysong_Click(); });
    mnustop = item(mnucontrol, "mnustop", QStringLiteral("Stop All"),
                   QKeySequence(Qt::CTRL | Qt::Key_S), [this] { btnStop_Click(); });

    mnuhelpmenu = menuBar()->addMenu(QStringLiteral("&About"));
    mnuhelpmenu->setObjectName(QStringLiteral("mnuhelpmenu"));
    mnuversion = item(mnuhelpmenu, "mnuversion", QStringLiteral("Version"), {}, [] {});
    separator(mnuhelpmenu, "mnuspace2");
    mnuweb = item(mnuhelpmenu, "mnuweb", Version::webSite(), {}, [this] { mnuweb_Click(); });
    separator(mnuhelpmenu, "mnuspace3");
    mnuupdates = item(mnuhelpmenu, "mnuupdates", QStringLiteral("Check for &Updates"), {},
                      [this] { mnuupdates_Click(); });
}

void frmFiles::message(const QString& text, MsgIcon icon) {
    m_platform.messages.show(this, Version::productName(), text, MsgButtons::Ok, icon);
}

// ---------------------------------------------------------------------------
// Life cycle

void frmFiles::Form_Load() {
    m_loaded = true;
    mnuversion->setText(QStringLiteral("Version ") + Version::text());
    m_state.currentIndex = 0;
    m_state.listPlaying = false;
    m_state.loadPending = true;
    setOuterHeightTwips(kMinOuterHeight);
    setLeftTwips(kDefaultLeft);
    setTopTwips(kDefaultTop);
    LoadSettings();
}

void frmFiles::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmFiles::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (frmNowplaying* now = nowPlayingWindow())
        now->NowPlaying();
    closeBrowsingWindows();
    SaveSettings();
    // Open until after the save, which records it as open.
    if (m_nowPlaying)
        m_nowPlaying->close();
}

void frmFiles::mnuexit_Click() {
    close();
}

void frmFiles::watchSessionEnd() {
    // The normal shutdown, run from the event loop, never from inside the
    // signal handler.
    auto* requests = new ShutdownSignals(this);
    connect(requests, &ShutdownSignals::received, this, [this] { endSession(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { endSession(); });
}

void frmFiles::endSession() {
    // Before the start-up has read the saved playlist there is nothing to
    // save, and a save would write an empty list over it. Otherwise the
    // normal shutdown runs, once, whatever was going on: a message, a
    // question or a copy is given up.
    if (m_loaded)
        close();
    emit sessionEnded();
}

void frmFiles::mnuReset_Click() {
    closeBrowsingWindows();
    if (m_nowPlaying)
        m_nowPlaying->close();
    m_model.clear();
    const QString ini = AppPaths::settingsFile();
    if (QFile::exists(ini)) {
        QFile::setPermissions(ini, QFile::permissions(ini) | QFile::WriteOwner | QFile::WriteUser);
        QFile::remove(ini);
    }
    Form_Load();
}

// ---------------------------------------------------------------------------
// Settings

void frmFiles::LoadSettings() {
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
    setOuterHeightTwips(v.filesH);
    setLeftTwips(v.filesX);
    setTopTwips(v.filesY);
    Form_Resize();

    const QString autosave = AppPaths::autosaveToRead();
    if (QFileInfo::exists(autosave))
        importAutosave(autosave);
    OpenCommandLineFile();
    if (v.nowPV == QLatin1String("True"))
        btnNowPlaying_Click();
}

frmFiles::SaveResult frmFiles::SaveSettings() {
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
        autosave != m_keepAutosave && ExportPLS(autosave, false, false, &result.readBack);
    if (!result.keysWritten || !result.playlistWritten)
        message(QStringLiteral("Cannot Save Data"));
    return result;
}

// ---------------------------------------------------------------------------
// Playlist files

void frmFiles::importAutosave(const QString& path) {
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

void frmFiles::ImportPLS(const QString& tempfile) {
    const int room = PlaylistModel::MaxEntries - m_model.count();
    if (room > 0)
        m_model.append(PlsFormat::read(tempfile, room));
}

frmFiles::Exported frmFiles::ExportPlaylist(const PlaylistFiles::Format& format,
                                            const QString& tempfile, bool Relative,
                                            bool AddSequence) {
    const QStringList entries = m_model.entries();
    if (!format.writeInSteps)
        return format.write(tempfile, entries, Relative, AddSequence) ? Exported::Written
                                                                      : Exported::Failed;
    // A format written in steps (the web page, which reads every entry's
    // tag) is written on a thread of its own. When that takes more than a
    // moment, a dialog modal to this window shows how many entries are done;
    // its Cancel ends the export with nothing written.
    std::atomic<bool> cancel = false;
    std::atomic<int> done = 0;
    bool written = false;
    const HtmlPage::Progress progress{[&done](int n) { done = n; }, &cancel};
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        written = format.writeInSteps(tempfile, entries, Relative, AddSequence, progress);
    }));
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

bool frmFiles::ExportPLS(const QString& tempfile, bool Relative, bool AddSequence,
                         QStringList* readBack) {
    if (readBack && !Relative)
        return PlsFormat::writeFull(tempfile, m_model.entries(), *readBack);
    return PlsFormat::write(tempfile, m_model.entries(), Relative, AddSequence);
}

void frmFiles::addToPlaylist(const QStringList& paths) {
    m_model.append(
        PlaylistFiles::entriesFromNames(paths, PlaylistModel::MaxEntries - m_model.count()));
}

void frmFiles::mnuimport_Click() {
    const auto chosen =
        m_platform.files.openFile(this, QStringLiteral("Open Playlist or Song"),
                                  PlaylistFiles::openFilter(), m_state.settings.Directory);
    if (!chosen)
        return;
    addToPlaylist({PlaylistFiles::removeQuotes(*chosen)});
}

void frmFiles::mnusave_Click() {
    const QString question =
        QStringLiteral("Export playlist with full path names?\r\n\r\nNote: Selecting NO will "
                       "create the playlist without path names \r\nwhich should be saved in the "
                       "same folder as the music");
    const MsgAnswer answer = m_platform.messages.show(this, Version::productName(), question,
                                                      MsgButtons::YesNoCancel, MsgIcon::None);
    if (answer == MsgAnswer::Cancel)
        return;
    const bool relative = answer == MsgAnswer::No;
    const auto chosen = m_platform.files.saveFile(
        this, QStringLiteral("Save As"), PlaylistFiles::saveFilter(), m_state.settings.Directory);
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

void frmFiles::playlist_OLEDragDrop(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return;
    QStringList names;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            names.append(PlaylistFiles::removeQuotes(QDir::toNativeSeparators(url.toLocalFile())));
    }
    addToPlaylist(names);
}

void frmFiles::OpenCommandLineFile() {
    openFiles(m_state.commandLine, true);
}

void frmFiles::openFiles(const QStringList& files, bool minimized) {
    if (files.isEmpty())
        return;
    m_model.clear();
    addToPlaylist(files);
    if (minimized) {
        setWindowState((windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen)) |
                       Qt::WindowMinimized);
        if (frmNowplaying* now = nowPlayingWindow())
            now->showMinimized();
    } else {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    if (m_fileList)
        cmdView_Click();
    m_state.currentIndex = 0;
    btnPlay_Click();
}

void frmFiles::openLaunchFiles(const QStringList& files) {
    // While a dialog is open (a question, the copy to a device) the list
    // must not change under it: the files wait until it has closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(250, this, [this, files] { openLaunchFiles(files); });
        return;
    }
    openFiles(files, false);
    raiseMainWindow();
}

void frmFiles::raiseMainWindow() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------
// The playlist control

void frmFiles::playlist_Click() {
    m_state.currentIndex = focusedPosition();
}

bool frmFiles::isSelected(int pos) const {
    return PlaylistSelection(m_model, *playlist->selectionModel()).isSelected(pos);
}

void frmFiles::setSelected(int pos, bool selected) {
    PlaylistSelection(m_model, *playlist->selectionModel()).setSelected(pos, selected);
}

int frmFiles::focusedPosition() const {
    return PlaylistSelection(m_model, *playlist->selectionModel()).focusedPosition();
}

void frmFiles::setFocusedPosition(int pos) {
    if (!m_model.isEntry(pos))
        return;
    PlaylistSelection(m_model, *playlist->selectionModel()).setFocusedPosition(pos);
    // The click notification follows every change of the focused position,
    // also one to the position it already had.
    playlist_Click();
}

std::vector<char> frmFiles::selectionMarks() const {
    std::vector<char> marks(size_t(m_model.count()), 0);
    const QItemSelection sel = playlist->selectionModel()->selection();
    for (const QItemSelectionRange& r : sel) {
        for (int row = std::max(0, r.top()); row <= r.bottom() && row < m_model.count(); ++row)
            marks[size_t(row)] = 1;
    }
    return marks;
}

void frmFiles::applySelection(const std::vector<char>& marks) {
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
    playlist->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

bool frmFiles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == playlist && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool keypad = key->modifiers() & Qt::KeypadModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            btnPlaysong_Click();
            break;
        case Qt::Key_Delete:
            btnDelete_Click();
            break;
        case Qt::Key_Plus:
            if (keypad)
                btnMoveup_Click();
            break;
        case Qt::Key_Minus:
            if (keypad)
                btnMovedown_Click();
            break;
        default:
            break;
        }
        return false;
    }
    if (watched == playlist->viewport()) {
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
            playlist_OLEDragDrop(drop->mimeData());
            return true;
        }
        default:
            break;
        }
    }
    if (watched == playlist->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The popup acts on the selection as it is; a right click does
            // not change it.
            mnuPlaylist->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Editing commands

void frmFiles::btnDelete_Click() {
    const std::vector<char> marks = selectionMarks();
    if (std::find(marks.begin(), marks.end(), 1) == marks.end())
        return;
    const int scroll = playlist->verticalScrollBar()->value();
    m_model.removeMarked(marks);
    playlist->verticalScrollBar()->setValue(scroll);
}

void frmFiles::btnClear_Click() {
    m_model.clear();
}

void frmFiles::moveCurrent(int direction) {
    const int p = m_state.currentIndex;
    const int q = PlaylistEdits::moveTarget(m_model.entries(), p, direction);
    if (q < 0)
        return;
    m_model.swapEntries(p, q);
    setSelected(p, false);
    setSelected(q, true);
    // Selecting q made it the focused position; the click notification
    // moves currentIndex along with the entry.
    playlist_Click();
}

void frmFiles::btnMoveup_Click() {
    moveCurrent(-1);
}

void frmFiles::btnMovedown_Click() {
    moveCurrent(+1);
}

void frmFiles::btnSort_Click() {
    SortList = PlaylistEdits::sortedAToZ(m_model.entries());
    m_model.replaceAll(SortList);
}

void frmFiles::cmdShuffle_Click() {
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
    const SaveResult saved = SaveSettings();
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

void frmFiles::btnPlay_Click() {
    m_playback->playList();
}

void frmFiles::btnPlaysong_Click() {
    m_playback->playSong();
}

void frmFiles::btnPlay2_Click() {
    m_playback->play2Song();
}

void frmFiles::btnStop_Click() {
    m_playback->stopAll();
}

void frmFiles::remote() {
    m_playback->remote();
}

player* frmFiles::player1() const {
    return m_player && m_player->isVisible() ? m_player.data() : nullptr;
}

player2* frmFiles::player2Window() const {
    return m_player2 && m_player2->isVisible() ? m_player2.data() : nullptr;
}

bool frmFiles::isPlayerOpen(int n) const {
    return n == 1 ? player1() != nullptr : player2Window() != nullptr;
}

void frmFiles::showPlayer(int n) {
    if (isPlayerOpen(n))
        return;
    PlayerWindow* w = nullptr;
    if (n == 1) {
        auto* p = new player(m_state, *m_playback, m_engine1, *this);
        m_player = p;
        w = p;
    } else {
        auto* p = new player2(m_state, *m_playback, m_engine2, *this);
        m_player2 = p;
        w = p;
    }
    w->Form_Load();
    w->show();
}

void frmFiles::closePlayer(int n) {
    if (n == 1 && m_player)
        m_player->close();
    else if (n == 2 && m_player2)
        m_player2->close();
}

void frmFiles::setPlayerCaption(int n, const QString& caption) {
    if (QWidget* w = n == 1 ? static_cast<QWidget*>(m_player) : m_player2)
        w->setWindowTitle(caption);
}

void frmFiles::closeBrowsingWindows() {
    if (m_port)
        m_port->closeForShutdown();
    if (m_fileList)
        m_fileList->close();
    if (m_id3)
        m_id3->close();
    closePlayer(1);
    closePlayer(2);
}

void frmFiles::restoreMainWindow() {
    if (isMinimized() || isMaximized())
        showNormal();
}

// ---------------------------------------------------------------------------
// Window commands

frmNowplaying* frmFiles::nowPlayingWindow() const {
    return m_nowPlaying && m_nowPlaying->isVisible() ? m_nowPlaying.data() : nullptr;
}

frmID3* frmFiles::tagWindow() const {
    return m_id3 && m_id3->isVisible() ? m_id3.data() : nullptr;
}

void frmFiles::btnNowPlaying_Click() {
    if (m_nowPlaying) {
        m_nowPlaying->close();
        return;
    }
    auto* now = new frmNowplaying(m_state, *this);
    m_nowPlaying = now;
    connect(now, &frmNowplaying::unloaded, this, [this, now] {
        if (m_nowPlaying == now)
            m_nowPlaying = nullptr;
    });
    now->Form_Load();
    now->show();
    now->NowPlaying();
}

void frmFiles::ShowID3Info(const QString& path) {
    // An MP3 file opens the window, tag or not; any other file only when it
    // has a tag.
    const Tags::SongTags tags = Tags::readSongTags(path);
    if (!tags.found() && !ID3::isMp3Path(path)) {
        message(QStringLiteral("This is not an MP3 file!"));
        return;
    }
    if (!m_id3) {
        auto* window = new frmID3(m_state);
        m_id3 = window;
        connect(window, &frmID3::unloaded, this, [this, window] {
            if (m_id3 == window)
                m_id3 = nullptr;
        });
        window->Form_Load();
    }
    m_id3->show(path, tags);
}

void frmFiles::mnuID3_Click() {
    for (int i = 0; i < m_model.count(); ++i) {
        if (isSelected(i)) {
            ShowID3Info(m_model.text(i));
            return;
        }
    }
}

QRectF frmFiles::mainWindowTwips() const {
    return QRectF(leftTwips(), topTwips(), WindowGeometry::outerWidth(this), outerHeightTwips());
}
frmFileList* frmFiles::fileBrowser() const {
    return m_fileList && m_fileList->isVisible() ? m_fileList.data() : nullptr;
}

frmPort* frmFiles::exportMediaWindow() const {
    return m_port && m_port->isVisible() ? m_port.data() : nullptr;
}

void frmFiles::cmdView_Click() {
    if (m_fileList) {
        m_fileList->close();
        return;
    }
    auto* browser = new frmFileList(m_state, m_platform, *this);
    m_fileList = browser;
    connect(browser, &frmFileList::unloaded, this, [this, browser] {
        if (m_fileList == browser)
            m_fileList = nullptr;
    });
    // Showing runs the window's load; it runs once more after.
    browser->show();
    browser->Form_Load();
}

void frmFiles::cmdDevice_Click() {
    if (m_port) {
        m_port->close();
        return;
    }
    auto* port = new frmPort(m_state, m_platform, *this);
    m_port = port;
    connect(port, &frmPort::unloaded, this, [this, port] {
        if (m_port == port)
            m_port = nullptr;
    });
    port->show();
}

void frmFiles::mnuweb_Click() {
    if (!m_platform.shell.open(Version::webSite()))
        message(QStringLiteral("Could not launch web browser."), MsgIcon::Exclamation);
}

void frmFiles::mnuupdates_Click() {
    if (!m_platform.shell.open(Version::updateAddress()))
        message(QStringLiteral("Error launching web update."), MsgIcon::Exclamation);
}

// ---------------------------------------------------------------------------
// Geometry and the resize rule

bool frmFiles::isNormalState() const {
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

double frmFiles::outerHeightTwips() const {
    return WindowGeometry::outerHeight(this);
}
double frmFiles::leftTwips() const {
    return WindowGeometry::left(this);
}
double frmFiles::topTwips() const {
    return WindowGeometry::top(this);
}

// The start-up and the settings place the window: each measure lands on the
// screen, wherever the settings file says.
void frmFiles::setOuterHeightTwips(double twips) {
    WindowGeometry::place(this, {.height = twips});
}
void frmFiles::setLeftTwips(double twips) {
    WindowGeometry::place(this, {.left = twips});
}
void frmFiles::setTopTwips(double twips) {
    WindowGeometry::place(this, {.top = twips});
}

int frmFiles::loopValue() const {
    return m_state.loop;
}

void frmFiles::setLoopValue(int value) {
    m_playback->setLoop(value);
}

void frmFiles::Form_Resize() {
    if (!isNormalState())
        return;
    WindowGeometry::holdWidth(this, kOuterWidth, kMinOuterHeight);

    // The list leaves room for the whole bottom row under it (the design's
    // 30 pixels were a row and a pixel short of it, clipping the row).
    const int innerHeight = centralWidget()->height();
    playlist->resize(playlist->width(),
                     std::max(0, innerHeight - playlist->y() - btnMoveup->height()));
    const int y = playlist->y() + playlist->height();
    for (QPushButton* b :
         {btnMoveup, btnMovedown, btnNowPlaying, btnDelete, btnClear, cmdView, cmdDevice})
        b->move(b->x(), y);
}
