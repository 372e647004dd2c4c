#include "ui/export/ExportMediaWindow.h"

#include "core/Version.h"
#include "core/device/DeviceCopy.h"
#include "core/device/DeviceFolders.h"
#include "core/files/VolumeList.h"
#include "ui/common/AppIcon.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"
#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"
#include "ui/lists/ListRefresh.h"

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

ExportMediaWindow::ExportMediaWindow(AppState& state, Platform& platform, ExportMediaHost& host,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_platform(platform), m_host(host) {
    setObjectName(QStringLiteral("ExportMediaWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Jukora - Export Media"));
    buildControls();
    buildMenus();
    WindowGeometry::followResizes(this, [this] { layOutControls(); });
}

ExportMediaWindow::~ExportMediaWindow() = default;

void ExportMediaWindow::setVolumeSource(const VolumeSource* source) {
    m_volumes = source;
    driveList->setSource(source);
}

const VolumeSource& ExportMediaWindow::volumes() const {
    return m_volumes ? *m_volumes : SystemVolumes::instance();
}

QColor ExportMediaWindow::fileListColour() const {
    return fileList->palette().color(QPalette::Base);
}

void ExportMediaWindow::setFileListColour(const QColor& colour) {
    setColours(fileList, QPalette::Base, colour, QPalette::Text, Qt::black);
    fileList->viewport()->update();
}

void ExportMediaWindow::message(const QString& text, MsgIcon icon) {
    m_platform.messages.show(this, Version::productName(), text, MsgButtons::Ok, icon);
}

// ---------------------------------------------------------------------------
// Load and unload

void ExportMediaWindow::load() {
    m_loaded = true;
    const AppSettings& s = m_state.settings;

    // A saved drive or folder that is empty (the first run) or gone (the
    // device is unplugged) is skipped: the lists stay where they are.
    if (!s.exportDrive.isEmpty())
        driveList->setDrive(s.exportDrive);
    if (!s.exportFolder.isEmpty())
        folderList->setPath(s.exportFolder);
    if (!s.exportFileFolder.isEmpty())
        fileList->setPath(s.exportFileFolder);

    // Without a saved place the window opens just under the main window.
    const QRectF main = m_host.mainWindowTwips();
    const auto known = [](double v) { return std::isfinite(v) && v != 0; };
    WindowGeometry::place(
        this,
        {.left = known(s.exportMediaLeft) ? s.exportMediaLeft : main.left() + 100,
         .top = known(s.exportMediaTop) ? s.exportMediaTop : main.top() + main.height() + 100,
         .height = known(s.exportMediaHeight) ? std::optional(s.exportMediaHeight) : std::nullopt});

    if (s.sequence)
        sequenceBox->setChecked(true);
    if (s.devicePlaylistType.size() > 1)
        playlistTypeBox->setCurrentIndex(playlistTypeBox->findText(
            s.devicePlaylistType, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void ExportMediaWindow::storeSettings() {
    AppSettings& s = m_state.settings;
    s.exportMediaHeight = WindowGeometry::outerHeight(this);
    s.exportMediaLeft = WindowGeometry::left(this);
    s.exportMediaTop = WindowGeometry::top(this);
    s.sequence = sequenceBox->isChecked();
    s.devicePlaylistType = playlistTypeBox->currentText();
    s.exportDrive = driveList->drive();
    s.exportFolder = folderList->path();
    s.exportFileFolder = fileList->path();
}

void ExportMediaWindow::closeEvent(QCloseEvent* event) {
    if (m_copying) {
        // A copy is running inside copyPlaylist: it stops at once, leaving
        // out the file it is on, and the window closes when the command has
        // ended.
        m_closeAfterCopy = true;
        if (copyProgress)
            copyProgress->cancel();
        event->ignore();
        return;
    }
    storeSettings();
    event->accept();
    emit unloaded();
}

void ExportMediaWindow::closeForShutdown() {
    m_shuttingDown = true;
    close();
    if (m_copying)
        storeSettings();
}

void ExportMediaWindow::setVisible(bool visible) {
    // The first showing loads the window, before the window system makes
    // it: it is made where its place says.
    if (visible && !m_loaded)
        load();
    QWidget::setVisible(visible);
}

void ExportMediaWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    layOutControls();
}

// ---------------------------------------------------------------------------
// Resize rules

void ExportMediaWindow::layOutControls() {
    // A minimized window has no size to set.
    if (isMinimized())
        return;
    WindowGeometry::holdWidth(this, kOuterWidth, kMinOuterHeight);

    const int sh = height();
    fileList->resize(fileList->width(), std::max(0, sh - 22 - 15));
    const int t = fileList->y() + fileList->height();
    for (QPushButton* b : {deleteAllButton, deleteButton, refreshButton, addFolderButton,
                           copyButton, removeFolderButton})
        b->move(b->x(), t);
    folderNameEdit->move(folderNameEdit->x(), t - folderNameEdit->height());
    folderList->resize(folderList->width(),
                       std::max(0, sh - folderList->y() - folderNameEdit->height() - 7));

    // Before the load the saved height is still to be read.
    if (m_loaded)
        m_state.settings.exportMediaHeight = WindowGeometry::outerHeight(this);
}

bool ExportMediaWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == folderNameEdit && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        clearFolderName();
    else if (watched == playlistTypeBox && event->type() == QEvent::FocusOut)
        playlistTypeChosen();
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The linked lists

void ExportMediaWindow::driveChanged() {
    const QString folder = driveList->folderOf(driveList->drive());
    if (folder.isEmpty() || !folderList->setPath(folder)) {
        message(kDriveError, MsgIcon::Critical);
        return;
    }
    fileList->setPath(folder);
    refresh();
}

void ExportMediaWindow::folderChanged() {
    fileList->setPath(folderList->path());
    refresh();
}

void ExportMediaWindow::patternChanged() {
    fileList->setPattern(patternEdit->text());
    refresh();
}

void ExportMediaWindow::refresh() {
    refreshLists(*driveList, *folderList, *fileList);
}

// ---------------------------------------------------------------------------
// Folders

void ExportMediaWindow::clearFolderName() {
    folderNameEdit->clear();
}

void ExportMediaWindow::addFolder() {
    QString name = folderNameEdit->text();
    if (name == newFolderName()) {
        // No name typed into the box yet: ask for one.
        const std::optional<QString> typed =
            m_platform.messages.askText(this, Version::productName(), newFolderName(), QString());
        if (!typed)
            return;
        name = *typed;
        folderNameEdit->setText(name);
    }
    if (!DeviceFolders::createFolder(folderList->path(), name)) {
        // The name stays in the box for the next try.
        message(kCreateError, MsgIcon::Exclamation);
        return;
    }
    folderNameEdit->setText(newFolderName());
    refresh();
}

void ExportMediaWindow::removeFolder() {
    const QString folder = folderList->highlightedPath();
    if (m_platform.messages.show(
            this, QStringLiteral("Remove Folder"),
            QStringLiteral("Are you sure you want to delete this folder? \r\n") + folder,
            MsgButtons::YesNo, MsgIcon::None) != MsgAnswer::Yes)
        return;
    if (!DeviceFolders::removeFolder(folder, volumes())) {
        message(kDeleteFolderError, MsgIcon::Critical);
        return;
    }
    driveChanged();
}

// ---------------------------------------------------------------------------
// Files

void ExportMediaWindow::removeSelectedFiles() {
    setFileListColour(busyColour());
    QStringList names;
    for (int row : fileList->selectedRows())
        names << fileList->name(row);
    const bool removed =
        DeviceFolders::removeConfirmed(fileList->path(), names, [this](const QString& path) {
            return m_platform.messages.show(
                       this, QStringLiteral("Remove File"),
                       QStringLiteral("Are you sure you want to delete this file?\r\n") + path,
                       MsgButtons::YesNo, MsgIcon::None) == MsgAnswer::Yes;
        });
    setFileListColour(doneColour());
    // A file that could not be deleted ends the command without a refresh.
    if (removed)
        refresh();
}

void ExportMediaWindow::removeAllFiles() {
    if (m_platform.messages.show(this, QStringLiteral("Remove Files"),
                                 QStringLiteral("Are you sure you want to delete all of these "
                                                "files? "),
                                 MsgButtons::YesNo, MsgIcon::None) != MsgAnswer::Yes)
        return;
    setFileListColour(busyColour());
    // Each listed entry once, first to last: one that cannot be found or
    // deleted is passed over, so the command always ends.
    DeviceFolders::removeFiles(fileList->path(), fileList->names());
    setFileListColour(doneColour());
    refresh();
}

// ---------------------------------------------------------------------------
// Explore, tags, the popup menus and the options

void ExportMediaWindow::exploreFileFolder() {
    if (!m_platform.shell.open(fileList->path()))
        message(kExploreError, MsgIcon::Critical);
}

void ExportMediaWindow::exploreHighlightedFolder() {
    if (!m_platform.shell.open(folderList->highlightedPath()))
        message(kExploreError, MsgIcon::Critical);
}

void ExportMediaWindow::showFileTag() {
    const QList<int> rows = fileList->selectedRows();
    if (rows.isEmpty())
        return;
    // The file is in the folder the file list shows, which after a failed
    // change is not the folder list's.
    m_host.showTagWindow(fileList->fullPath(rows.first()));
}

void ExportMediaWindow::showFolderMenu(const QPoint& globalPos) {
    folderMenu->popup(globalPos);
}

void ExportMediaWindow::showFileMenu(const QPoint& globalPos) {
    fileMenu->popup(globalPos);
}

void ExportMediaWindow::sequenceToggled() {
    m_state.settings.sequence = sequenceBox->isChecked();
}

void ExportMediaWindow::playlistTypeChosen() {
    m_state.settings.devicePlaylistType = playlistTypeBox->currentText();
}

// ---------------------------------------------------------------------------
// Copy Playlist

void ExportMediaWindow::copyPlaylist() {
    if (m_copying)
        return;
    m_copying = true;
    setFileListColour(busyColour());

    // What the run works on is read once, at its start.
    DeviceCopy::Job job;
    job.entries = m_host.playlistEntries();
    job.folder = fileList->path();
    job.sequence = m_state.settings.sequence;
    job.playlistType = playlistTypeBox->currentText();
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
            refresh();
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
        refresh();
        text = completeText(result.replaced);
    } else {
        // The copies made so far stay; the list shows them all.
        if (refreshPending)
            refresh();
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
