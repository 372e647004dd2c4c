#include "ui/export/frmPort.h"

#include "core/device/DeviceCopy.h"
#include "core/device/DeviceFolders.h"
#include "ui/common/AppIcon.h"
#include "ui/common/Twips.h"
#include "core/Version.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"
#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"
#include "ui/lists/ListRefresh.h"
#include "core/files/VolumeList.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

#include <algorithm>
#include <cmath>

using WindowLook::arial;
using WindowLook::msSansSerif;
using WindowLook::setColours;

namespace {

// Design measures. The window's outer size is in twips, the controls inside
// are laid out in pixels.
constexpr double kOuterWidth = 7560;
constexpr double kMinOuterHeight = 3465;
constexpr int kInnerWidth = 488;
constexpr int kInnerHeight = 197;

const QColor kBackground(0, 0, 128);
const QColor kListBack(224, 224, 224);
const QColor kDarkBlue(0, 0, 192);
const QColor kTintA(128, 128, 255);
const QColor kTintB(192, 192, 255);
const QColor kTintRefresh(128, 255, 128);
const QColor kTintCopy(255, 128, 128);

const QString kNewFolderName = QStringLiteral("New Folder Name");
const QString kDriveError = QStringLiteral("Drive is not responding. Check Disk");
const QString kCreateError = QStringLiteral("Could not create new folder!");
const QString kDeleteFolderError = QStringLiteral("Cannot Delete Folder.");
const QString kExploreError = QStringLiteral("Error launching Windows Explorer.");
const QString kCopyError = QStringLiteral(
    "An error has occurred.  The drive may be full.  All files may not have been copied.");
const QString kCopyComplete = QStringLiteral("Export Complete!");
const QString kCopyCancelled = QStringLiteral("Copy cancelled.");

// The progress bar's steps; bytes are scaled to them, as the total may not
// fit the bar's range.
constexpr int kProgressSteps = 1000;
// The lists are re-read at most this often while a copy runs.
constexpr qint64 kRefreshEveryMs = 250;
// The progress dialog is brought up to date at most this often.
constexpr qint64 kShowEveryMs = 50;
// The event loop is given a turn during a copy at most this often.
constexpr qint64 kTurnEveryMs = 5;

QString sizeText(qint64 bytes) {
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString progressText(const DeviceCopy::Progress& p, const QFontMetrics& metrics, int width) {
    return QStringLiteral("Copying file %1 of %2\n%3\n%4 of %5")
        .arg(p.file)
        .arg(p.files)
        .arg(metrics.elidedText(p.name, Qt::ElideMiddle, width))
        .arg(sizeText(p.bytesDone), sizeText(p.bytesTotal));
}

QString completeText(int replaced) {
    if (replaced <= 0)
        return kCopyComplete;
    const QString line =
        replaced == 1 ? QStringLiteral("1 copy was replaced by a later entry of the same name.")
                      : QStringLiteral("%1 copies were replaced by later entries of the same name.")
                            .arg(replaced);
    return kCopyComplete + QStringLiteral("\r\n") + line;
}

} // namespace

frmPort::frmPort(AppState& state, Platform& platform, ExportMediaHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_platform(platform), m_host(host) {
    setObjectName(QStringLiteral("frmPort"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Jukora - Export Media"));
    buildControls();
    buildMenus();
    WindowGeometry::followResizes(this, [this] { Form_Resize(); });
}

frmPort::~frmPort() = default;

void frmPort::buildControls() {
    setAutoFillBackground(true);
    {
        QPalette p = palette();
        p.setColor(QPalette::Window, kBackground);
        setPalette(p);
    }
    resize(kInnerWidth, kInnerHeight);

    auto button = [this](const char* name, const QString& caption, QRect r, const QColor& tint,
                         bool bold = false) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(r);
        b->setFont(arial(8.25, bold));
        setColours(b, QPalette::Button, tint, QPalette::ButtonText, Qt::black);
        b->setAutoDefault(false);
        return b;
    };

    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(0, 1, 169, 21);
    Drive1->setFont(msSansSerif());
    setColours(Drive1, QPalette::Base, kListBack, QPalette::Text, Qt::black);
    setColours(Drive1, QPalette::Button, kListBack, QPalette::ButtonText, Qt::black);

    txtMask = new QLineEdit(QStringLiteral("*.*"), this);
    txtMask->setObjectName(QStringLiteral("txtMask"));
    txtMask->setGeometry(168, 1, 33, 21);
    txtMask->setFont(msSansSerif(true));
    txtMask->setTextMargins(0, 0, 0, 0);
    WindowLook::wholeLine(txtMask);
    setColours(txtMask, QPalette::Base, kListBack, QPalette::Text, kDarkBlue);

    Explorer = button("Explorer", QString(), QRect(202, 1, 21, 21), kTintB);
    Explorer->setIcon(
        QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon)));
    Explorer->setIconSize(QSize(16, 16));
    Explorer->setToolTip(QStringLiteral("Explore"));

    lstPlaylist = new QComboBox(this);
    lstPlaylist->setObjectName(QStringLiteral("lstPlaylist"));
    lstPlaylist->setEditable(false);
    lstPlaylist->addItems({QStringLiteral("N/A"), QStringLiteral("M3U"), QStringLiteral("PLS")});
    lstPlaylist->setCurrentIndex(-1);
    lstPlaylist->setGeometry(224, 0, 50, 22);
    lstPlaylist->setFont(arial());
    lstPlaylist->installEventFilter(this);

    chkSequence = new QCheckBox(QStringLiteral("Sequence"), this);
    chkSequence->setObjectName(QStringLiteral("chkSequence"));
    chkSequence->setGeometry(280, 0, 81, 21);
    chkSequence->setFont(arial(8.25, true));
    // A check box fills with its button colour unless told otherwise.
    chkSequence->setBackgroundRole(QPalette::Window);
    chkSequence->setAutoFillBackground(true);
    setColours(chkSequence, QPalette::Window, kBackground, QPalette::WindowText, kTintB);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(368, 2, 113, 17);
    Picture1->setPixmap(bannerPixmap(113, 17));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setAutoFillBackground(true);
    setColours(Picture1, QPalette::Window, kBackground, QPalette::WindowText, kTintB);

    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(0, 22, 169, 141);
    Dir1->setFont(msSansSerif());
    setColours(Dir1, QPalette::Base, kListBack, QPalette::Text, Qt::black);

    File1 = new FileList(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(168, 22, 321, 158);
    File1->setFont(msSansSerif());
    setColours(File1, QPalette::Base, idleColour(), QPalette::Text, Qt::black);

    txtFolder = new QLineEdit(kNewFolderName, this);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    txtFolder->setGeometry(0, 161, 169, 19);
    txtFolder->setFont(msSansSerif());
    txtFolder->setTextMargins(0, 0, 0, 0);
    WindowLook::wholeLine(txtFolder);
    setColours(txtFolder, QPalette::Base, kListBack, QPalette::Text, kDarkBlue);
    txtFolder->installEventFilter(this);

    cmdAddfolder = button("cmdAddfolder", QStringLiteral("Add"), QRect(0, 180, 85, 17), kTintA);
    cmdRemovefolder =
        button("cmdRemovefolder", QStringLiteral("Remove"), QRect(84, 180, 85, 17), kTintA);
    btnDelete = button("btnDelete", QStringLiteral("Remove"), QRect(168, 180, 81, 17), kTintB);
    btnClear = button("btnClear", QStringLiteral("Remove All"), QRect(248, 180, 81, 17), kTintB);
    btnRefresh =
        button("btnRefresh", QStringLiteral("Refresh"), QRect(328, 180, 70, 17), kTintRefresh);
    cmdCopy = button("cmdCopy", QStringLiteral("Copy Playlist"), QRect(397, 180, 92, 17), kTintCopy,
                     true);

    // Before the load the lists show the home folder with every file.
    Dir1->setPath(QDir::homePath());
    File1->setPattern(txtMask->text());
    File1->setPath(Dir1->path());

    connect(Drive1, &DriveList::changed, this, [this] { Drive1_Change(); });
    connect(Dir1, &FolderList::changed, this, [this] { Dir1_Change(); });
    connect(txtMask, &QLineEdit::textChanged, this, [this] { txtMask_Change(); });
    connect(Explorer, &QPushButton::clicked, this, [this] { Explorer_Click(); });
    connect(chkSequence, &QCheckBox::toggled, this, [this] { chkSequence_Click(); });
    connect(btnRefresh, &QPushButton::clicked, this, [this] { btnRefresh_Click(); });
    connect(cmdAddfolder, &QPushButton::clicked, this, [this] { cmdAddfolder_Click(); });
    connect(cmdRemovefolder, &QPushButton::clicked, this, [this] { cmdRemovefolder_Click(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDelete_Click(); });
    connect(btnClear, &QPushButton::clicked, this, [this] { btnClear_Click(); });
    connect(cmdCopy, &QPushButton::clicked, this, [this] { cmdCopy_Click(); });
    connect(File1, &FileList::entryDoubleClicked, this, [this] { File1_DblClick(); });
    connect(File1, &FileList::rightButtonPressed, this,
            [this](const QPoint& at) { File1_MouseDown(at); });
    connect(Dir1, &FolderList::rightButtonPressed, this,
            [this](const QPoint& at) { Dir1_MouseDown(at); });
}

void frmPort::buildMenus() {
    auto item = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    mnuDeviceFiles = new QMenu(QStringLiteral("&DeviceFiles"), this);
    mnuDeviceFiles->setObjectName(QStringLiteral("mnuDeviceFiles"));
    mnuRemove = item(mnuDeviceFiles, "mnuRemove", QStringLiteral("Remove Selected"),
                     [this] { mnuRemove_Click(); });
    mnuRemoveAll = item(mnuDeviceFiles, "mnuRemoveAll", QStringLiteral("Remove All"),
                        [this] { mnuRemoveAll_Click(); });
    mnuspace = mnuDeviceFiles->addSeparator();
    mnuspace->setObjectName(QStringLiteral("mnuspace"));
    mnuID3file = item(mnuDeviceFiles, "mnuID3file", QStringLiteral("Get MP3 ID3 Information"),
                      [this] { mnuID3file_Click(); });

    mnuFolderList = new QMenu(QStringLiteral("&FolderList"), this);
    mnuFolderList->setObjectName(QStringLiteral("mnuFolderList"));
    mnuExploreFolder = item(mnuFolderList, "mnuExploreFolder", QStringLiteral("Explore"),
                            [this] { mnuExploreFolder_Click(); });
    mnuRemoveFolder = item(mnuFolderList, "mnuRemoveFolder", QStringLiteral("Remove Folder"),
                           [this] { mnuRemoveFolder_Click(); });
}

void frmPort::setVolumeSource(const VolumeSource* source) {
    m_volumes = source;
    Drive1->setSource(source);
}

const VolumeSource& frmPort::volumes() const {
    return m_volumes ? *m_volumes : SystemVolumes::instance();
}

QColor frmPort::fileListColour() const {
    return File1->palette().color(QPalette::Base);
}

void frmPort::setFileListColour(const QColor& colour) {
    setColours(File1, QPalette::Base, colour, QPalette::Text, Qt::black);
    File1->viewport()->update();
}

void frmPort::message(const QString& text, MsgIcon icon) {
    m_platform.messages.show(this, Version::productName(), text, MsgButtons::Ok, icon);
}

// ---------------------------------------------------------------------------
// Load and unload

void frmPort::Form_Load() {
    m_loaded = true;
    const AppSettings& s = m_state.settings;

    // A saved drive or folder that is empty (the first run) or gone (the
    // device is unplugged) is skipped: the lists stay where they are.
    if (!s.DriveExport.isEmpty())
        Drive1->setDrive(s.DriveExport);
    if (!s.DirExport.isEmpty())
        Dir1->setPath(s.DirExport);
    if (!s.FileExport.isEmpty())
        File1->setPath(s.FileExport);

    // Without a saved place the window opens just under the main window.
    const QRectF main = m_host.mainWindowTwips();
    const auto known = [](double v) { return std::isfinite(v) && v != 0; };
    WindowGeometry::place(this, {.left = known(s.PortX) ? s.PortX : main.left() + 100,
                                 .top = known(s.PortY) ? s.PortY : main.top() + main.height() + 100,
                                 .height = known(s.PortH) ? std::optional(s.PortH) : std::nullopt});

    if (s.Sequence)
        chkSequence->setChecked(true);
    if (s.ExportPlaylist.size() > 1)
        lstPlaylist->setCurrentIndex(
            lstPlaylist->findText(s.ExportPlaylist, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void frmPort::Form_Unload() {
    AppSettings& s = m_state.settings;
    s.PortH = WindowGeometry::outerHeight(this);
    s.PortX = WindowGeometry::left(this);
    s.PortY = WindowGeometry::top(this);
    s.Sequence = chkSequence->isChecked();
    s.ExportPlaylist = lstPlaylist->currentText();
    s.DriveExport = Drive1->drive();
    s.DirExport = Dir1->path();
    s.FileExport = File1->path();
}

void frmPort::closeEvent(QCloseEvent* event) {
    if (m_copying) {
        // A copy is running inside cmdCopy_Click: it stops at once, leaving
        // out the file it is on, and the window closes when the command has
        // ended.
        m_closeAfterCopy = true;
        if (copyProgress)
            copyProgress->cancel();
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
    emit unloaded();
}

void frmPort::closeForShutdown() {
    m_shuttingDown = true;
    close();
    if (m_copying)
        Form_Unload();
}

void frmPort::setVisible(bool visible) {
    // The first showing loads the window, before the window system makes
    // it: it is made where its place says.
    if (visible && !m_loaded)
        Form_Load();
    QWidget::setVisible(visible);
}

void frmPort::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Resize();
}

// ---------------------------------------------------------------------------
// Resize rules

void frmPort::Form_Resize() {
    // A minimized window has no size to set.
    if (isMinimized())
        return;
    WindowGeometry::holdWidth(this, kOuterWidth, kMinOuterHeight);

    const int sh = height();
    File1->resize(File1->width(), std::max(0, sh - 22 - 15));
    const int t = File1->y() + File1->height();
    for (QPushButton* b : {btnClear, btnDelete, btnRefresh, cmdAddfolder, cmdCopy, cmdRemovefolder})
        b->move(b->x(), t);
    txtFolder->move(txtFolder->x(), t - txtFolder->height());
    Dir1->resize(Dir1->width(), std::max(0, sh - Dir1->y() - txtFolder->height() - 7));

    // Before the load the saved height is still to be read.
    if (m_loaded)
        m_state.settings.PortH = WindowGeometry::outerHeight(this);
}

bool frmPort::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtFolder && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        txtFolder_Click();
    else if (watched == lstPlaylist && event->type() == QEvent::FocusOut)
        lstPlaylist_LostFocus();
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The linked lists

void frmPort::Drive1_Change() {
    const QString folder = Drive1->folderOf(Drive1->drive());
    if (folder.isEmpty() || !Dir1->setPath(folder)) {
        message(kDriveError, MsgIcon::Critical);
        return;
    }
    File1->setPath(folder);
    btnRefresh_Click();
}

void frmPort::Dir1_Change() {
    File1->setPath(Dir1->path());
    btnRefresh_Click();
}

void frmPort::txtMask_Change() {
    File1->setPattern(txtMask->text());
    btnRefresh_Click();
}

void frmPort::btnRefresh_Click() {
    refreshLists(*Drive1, *Dir1, *File1);
}

// ---------------------------------------------------------------------------
// Folders

void frmPort::txtFolder_Click() {
    txtFolder->clear();
}

void frmPort::cmdAddfolder_Click() {
    QString name = txtFolder->text();
    if (name == kNewFolderName) {
        // No name typed into the box yet: ask for one.
        const std::optional<QString> typed =
            m_platform.messages.askText(this, Version::productName(), kNewFolderName, QString());
        if (!typed)
            return;
        name = *typed;
        txtFolder->setText(name);
    }
    if (!DeviceFolders::createFolder(Dir1->path(), name)) {
        // The name stays in the box for the next try.
        message(kCreateError, MsgIcon::Exclamation);
        return;
    }
    txtFolder->setText(kNewFolderName);
    btnRefresh_Click();
}

void frmPort::removeFolder() {
    const QString folder = Dir1->highlightedPath();
    if (m_platform.messages.show(
            this, QStringLiteral("Remove Folder"),
            QStringLiteral("Are you sure you want to delete this folder? \r\n") + folder,
            MsgButtons::YesNo, MsgIcon::None) != MsgAnswer::Yes)
        return;
    if (!DeviceFolders::removeFolder(folder, volumes())) {
        message(kDeleteFolderError, MsgIcon::Critical);
        return;
    }
    Drive1_Change();
}

void frmPort::cmdRemovefolder_Click() {
    removeFolder();
}
void frmPort::mnuRemoveFolder_Click() {
    removeFolder();
}

// ---------------------------------------------------------------------------
// Files

void frmPort::removeSelectedFiles() {
    setFileListColour(busyColour());
    QStringList names;
    for (int row : File1->selectedRows())
        names << File1->name(row);
    const bool removed =
        DeviceFolders::removeConfirmed(File1->path(), names, [this](const QString& path) {
            return m_platform.messages.show(
                       this, QStringLiteral("Remove File"),
                       QStringLiteral("Are you sure you want to delete this file?\r\n") + path,
                       MsgButtons::YesNo, MsgIcon::None) == MsgAnswer::Yes;
        });
    setFileListColour(doneColour());
    // A file that could not be deleted ends the command without a refresh.
    if (removed)
        btnRefresh_Click();
}

void frmPort::btnDelete_Click() {
    removeSelectedFiles();
}
void frmPort::mnuRemove_Click() {
    removeSelectedFiles();
}
void frmPort::File1_DblClick() {
    removeSelectedFiles();
}

void frmPort::removeAllFiles() {
    if (m_platform.messages.show(this, QStringLiteral("Remove Files"),
                                 QStringLiteral("Are you sure you want to delete all of these "
                                                "files? "),
                                 MsgButtons::YesNo, MsgIcon::None) != MsgAnswer::Yes)
        return;
    setFileListColour(busyColour());
    // Each listed entry once, first to last: one that cannot be found or
    // deleted is passed over, so the command always ends.
    DeviceFolders::removeFiles(File1->path(), File1->names());
    setFileListColour(doneColour());
    btnRefresh_Click();
}

void frmPort::btnClear_Click() {
    removeAllFiles();
}
void frmPort::mnuRemoveAll_Click() {
    removeAllFiles();
}

// ---------------------------------------------------------------------------
// Explore, tags, the popup menus and the options

void frmPort::Explorer_Click() {
    if (!m_platform.shell.open(File1->path()))
        message(kExploreError, MsgIcon::Critical);
}

void frmPort::mnuExploreFolder_Click() {
    if (!m_platform.shell.open(Dir1->highlightedPath()))
        message(kExploreError, MsgIcon::Critical);
}

void frmPort::mnuID3file_Click() {
    const QList<int> rows = File1->selectedRows();
    if (rows.isEmpty())
        return;
    // The file is in the folder the file list shows, which after a failed
    // change is not the folder list's.
    m_host.ShowID3Info(File1->fullPath(rows.first()));
}

void frmPort::Dir1_MouseDown(const QPoint& globalPos) {
    mnuFolderList->popup(globalPos);
}

void frmPort::File1_MouseDown(const QPoint& globalPos) {
    mnuDeviceFiles->popup(globalPos);
}

void frmPort::chkSequence_Click() {
    m_state.settings.Sequence = chkSequence->isChecked();
}

void frmPort::lstPlaylist_LostFocus() {
    m_state.settings.ExportPlaylist = lstPlaylist->currentText();
}

// ---------------------------------------------------------------------------
// Copy Playlist

void frmPort::cmdCopy_Click() {
    if (m_copying)
        return;
    m_copying = true;
    setFileListColour(busyColour());

    // What the run works on is read once, at its start.
    DeviceCopy::Job job;
    job.entries = m_host.playlistEntries();
    job.folder = File1->path();
    job.sequence = m_state.settings.Sequence;
    job.playlistType = lstPlaylist->currentText();
    job.fileSystem = volumes().fileSystemOf(job.folder);

    // The copy runs here, inside the handler; between the pieces of each
    // file the modal progress dialog lets the event loop turn, so that the
    // windows stay painted and Cancel can be pressed, while other input
    // waits for the end.
    QProgressDialog dialog(this);
    dialog.setWindowTitle(Version::productName());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setMinimumDuration(0);
    dialog.setRange(0, kProgressSteps);
    dialog.setValue(0);
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    dialog.setMinimumWidth(360);
    const int nameWidth = 320;
    DeviceCopy::Progress start;
    start.files = int(job.entries.size());
    dialog.setLabelText(progressText(start, dialog.fontMetrics(), nameWidth));
    copyProgress = &dialog;
    dialog.show();
    QCoreApplication::processEvents();

    QElapsedTimer sinceShown;
    QElapsedTimer sinceTurn;
    QElapsedTimer sinceRefresh;
    bool refreshPending = false;
    const auto progress = [&](const DeviceCopy::Progress& p) {
        // The dialog is redrawn at most every kShowEveryMs: a run of small
        // files would otherwise spend its time painting.
        if (!dialog.wasCanceled() &&
            (!sinceShown.isValid() || sinceShown.elapsed() >= kShowEveryMs)) {
            dialog.setLabelText(progressText(p, dialog.fontMetrics(), nameWidth));
            const double part = p.bytesTotal > 0 ? double(p.bytesDone) / double(p.bytesTotal) : 0;
            dialog.setValue(std::clamp(int(part * kProgressSteps), 0, kProgressSteps));
            sinceShown.start();
        }
        // The event loop gets a turn between pieces, but not more often
        // than the screen could show a change.
        if (!sinceTurn.isValid() || sinceTurn.elapsed() >= kTurnEveryMs) {
            QCoreApplication::processEvents();
            sinceTurn.start();
        }
        return !dialog.wasCanceled();
    };
    const auto copied = [&](int entry) {
        // The new copy is listed at once, as far as re-reading the lists
        // every time allows.
        if (!sinceRefresh.isValid() || sinceRefresh.elapsed() >= kRefreshEveryMs) {
            btnRefresh_Click();
            sinceRefresh.start();
            refreshPending = false;
        } else {
            refreshPending = true;
        }
        emit fileCopied(entry);
    };

    const DeviceCopy::Result result = DeviceCopy::run(job, progress, copied);
    copyProgress = nullptr;
    dialog.hide();

    QString text;
    if (result.outcome == DeviceCopy::Outcome::Complete) {
        btnRefresh_Click();
        text = completeText(result.replaced);
    } else {
        // The copies made so far stay; the list shows them all.
        if (refreshPending)
            btnRefresh_Click();
        text = result.outcome == DeviceCopy::Outcome::Cancelled ? kCopyCancelled : kCopyError;
    }
    setFileListColour(doneColour());
    m_copying = false;
    if (!m_shuttingDown)
        message(text, MsgIcon::Exclamation);

    if (m_closeAfterCopy) {
        m_closeAfterCopy = false;
        close();
    }
}
