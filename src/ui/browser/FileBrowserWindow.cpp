#include "ui/browser/FileBrowserWindow.h"

#include "core/Version.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"
#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"
#include "ui/lists/ListRefresh.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>

#include <algorithm>
#include <cmath>

using WindowLook::arial;
using WindowLook::msSansSerif;
using WindowLook::setColours;

namespace {

// Design measures, in twips.
constexpr double kOuterWidth = 9150;
constexpr double kMinOuterHeight = 4800;
constexpr int kInnerWidth = 8910;
constexpr int kInnerHeight = 3990;
constexpr int kDir1Margin = 155;
constexpr int kFile1Margin = 110;

const QColor kBackground(0, 0, 128);
const QColor kLabelText(192, 192, 255);
const QColor kListBack(224, 224, 224);
const QColor kMaskText(0, 0, 192);
const QColor kTintA(128, 128, 255);
const QColor kTintB(192, 192, 255);

QRect designRect(int left, int top, int width, int height) {
    return QRect(Twips::toPx(left), Twips::toPx(top), Twips::toPx(width), Twips::toPx(height));
}

// A folder the lists can open when a saved one is gone.
QString homeFolder() {
    return QDir::homePath();
}

} // namespace

FileBrowserWindow::FileBrowserWindow(AppState& state, Platform& platform, FileBrowserHost& host,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_platform(platform), m_host(host) {
    setObjectName(QStringLiteral("FileBrowserWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Jukora - File Browser"));
    buildControls();
    buildMenu();
    WindowGeometry::followResizes(this, [this] { layOutControls(); });
}

FileBrowserWindow::~FileBrowserWindow() = default;

void FileBrowserWindow::buildControls() {
    setAutoFillBackground(true);
    {
        QPalette p = palette();
        p.setColor(QPalette::Window, kBackground);
        setPalette(p);
    }
    resize(Twips::toPx(kInnerWidth), Twips::toPx(kInnerHeight));

    auto label = [this](const char* name, const QString& caption, QRect r, const QFont& font) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(r);
        l->setFont(font);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setColours(l, QPalette::Window, kBackground, QPalette::WindowText, kLabelText);
        return l;
    };
    auto button = [this](const char* name, const QString& caption, QRect r, const QColor& tint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(r);
        b->setFont(arial(8.25));
        setColours(b, QPalette::Button, tint, QPalette::ButtonText, Qt::black);
        b->setAutoDefault(false);
        return b;
    };

    filesLabel = label("filesLabel", QStringLiteral("Files"), designRect(105, 30, 675, 315),
                       arial(9.75, true));

    driveList = new DriveList(this);
    driveList->setObjectName(QStringLiteral("driveList"));
    driveList->setGeometry(designRect(690, 0, 1695, 315));
    driveList->setFont(msSansSerif());
    setColours(driveList, QPalette::Base, kListBack, QPalette::Text, Qt::black);
    setColours(driveList, QPalette::Button, kListBack, QPalette::ButtonText, Qt::black);

    formatLabel = label("formatLabel", QStringLiteral("Format:"), designRect(2490, 30, 1215, 255),
                        arial(9, true));

    patternEdit = new QLineEdit(QStringLiteral("*.*"), this);
    patternEdit->setObjectName(QStringLiteral("patternEdit"));
    patternEdit->setGeometry(designRect(3210, 0, 495, 285));
    patternEdit->setFont(msSansSerif(true));
    patternEdit->setTextMargins(0, 0, 0, 0);
    WindowLook::wholeLine(patternEdit);
    setColours(patternEdit, QPalette::Base, kListBack, QPalette::Text, kMaskText);

    refreshButton =
        button("refreshButton", QStringLiteral("Refresh"), designRect(3810, 0, 1215, 255), kTintA);
    exploreButton =
        button("exploreButton", QStringLiteral("Explore"), designRect(5030, 0, 1215, 255), kTintA);
    addButton = button("addButton", QStringLiteral("Add"), designRect(6540, 0, 1215, 255), kTintB);
    addAllButton =
        button("addAllButton", QStringLiteral("Add All"), designRect(7740, 0, 1185, 255), kTintB);

    folderList = new FolderList(this);
    folderList->setObjectName(QStringLiteral("folderList"));
    folderList->setGeometry(designRect(0, 300, 3800, 3690));
    folderList->setFont(msSansSerif());
    setColours(folderList, QPalette::Base, kListBack, QPalette::Text, Qt::black);

    fileList = new FileList(this);
    fileList->setObjectName(QStringLiteral("fileList"));
    fileList->setGeometry(designRect(3795, 255, 5145, 3735));
    fileList->setFont(msSansSerif());
    setColours(fileList, QPalette::Base, kListBack, QPalette::Text, Qt::black);

    // Before the load the lists show the home folder with every file.
    folderList->setPath(homeFolder());
    fileList->setPattern(patternEdit->text());
    fileList->setPath(folderList->path());

    connect(driveList, &DriveList::changed, this, [this] { driveChanged(); });
    connect(folderList, &FolderList::changed, this, [this] { folderChanged(); });
    connect(patternEdit, &QLineEdit::textChanged, this, [this] { patternChanged(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(exploreButton, &QPushButton::clicked, this, [this] { exploreFolder(); });
    connect(addButton, &QPushButton::clicked, this, [this] { addSelected(); });
    connect(addAllButton, &QPushButton::clicked, this, [this] { addAll(); });
    connect(fileList, &FileList::entryDoubleClicked, this, [this] { addFocusedFile(); });
    connect(fileList, &FileList::rightButtonPressed, this,
            [this](const QPoint& at) { showFileMenu(at); });
}

void FileBrowserWindow::buildMenu() {
    fileMenu = new QMenu(QStringLiteral("Files"), this);
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    auto item = [this](const char* name, const QString& caption, auto handler) {
        QAction* a = fileMenu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    addAction = item("addAction", QStringLiteral("Add Selected Files"), [this] { addSelected(); });
    addAllAction = item("addAllAction", QStringLiteral("Add All Files"), [this] { addAll(); });
    addFolderAction =
        item("addFolderAction", QStringLiteral("Add Folder..."), [this] { addFolder(); });
    fileMenu->addSeparator()->setObjectName(QStringLiteral("separator"));
    tagAction =
        item("tagAction", QStringLiteral("Get MP3 ID3 Information"), [this] { showFileTag(); });
}

void FileBrowserWindow::setVolumeSource(const VolumeSource* source) {
    driveList->setSource(source);
}

// ---------------------------------------------------------------------------
// Load and unload

void FileBrowserWindow::load() {
    m_loaded = true;
    const AppSettings& s = m_state.settings;

    // A saved folder or drive that is gone (deleted, unplugged) leaves the
    // lists on the home folder.
    if (!folderList->setPath(s.browseFolder))
        folderList->setPath(homeFolder());
    if (!s.browserDrive.isEmpty() && !driveList->setDrive(s.browserDrive))
        driveList->setDrive(driveList->driveOf(folderList->path()), false);
    if (!fileList->setPath(s.browserFileFolder))
        fileList->setPath(folderList->path());
    patternEdit->setText(s.browserPattern);

    // Without a saved place the window opens under the main window's frame.
    const QRectF main = m_host.mainWindowTwips();
    const auto known = [](double v) { return std::isfinite(v) && v != 0; };
    WindowGeometry::place(
        this,
        {.left = known(s.fileBrowserLeft) ? s.fileBrowserLeft : main.left(),
         .top = known(s.fileBrowserTop) ? s.fileBrowserTop : main.top() + main.height(),
         .height = known(s.fileBrowserHeight) ? std::optional(s.fileBrowserHeight) : std::nullopt});
}

void FileBrowserWindow::storeSettings() {
    AppSettings& s = m_state.settings;
    s.fileBrowserHeight = WindowGeometry::outerHeight(this);
    s.fileBrowserLeft = WindowGeometry::left(this);
    s.fileBrowserTop = WindowGeometry::top(this);
    s.browseFolder = folderList->path();
    s.browserDrive = driveList->drive();
    s.browserFileFolder = fileList->path();
    s.browserPattern = patternEdit->text();
}

void FileBrowserWindow::closeEvent(QCloseEvent* event) {
    storeSettings();
    event->accept();
    emit unloaded();
}

void FileBrowserWindow::setVisible(bool visible) {
    // The first showing loads the window, before the window system makes
    // it: it is made where its place says.
    if (visible && !m_loaded)
        load();
    QWidget::setVisible(visible);
}

void FileBrowserWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    layOutControls();
}

// ---------------------------------------------------------------------------
// Resize rules

void FileBrowserWindow::layOutControls() {
    if (isMinimized())
        return;
    WindowGeometry::holdWidth(this, kOuterWidth, kMinOuterHeight);

    const double sh = Twips::fromPx(height());
    folderList->resize(folderList->width(), std::max(0, Twips::toPx(sh - kDir1Margin)));
    fileList->resize(fileList->width(), std::max(0, Twips::toPx(sh - kFile1Margin)));
}

// ---------------------------------------------------------------------------
// The linked lists

void FileBrowserWindow::driveChanged() {
    const QString folder = driveList->folderOf(driveList->drive());
    if (folder.isEmpty() || !folderList->setPath(folder)) {
        m_platform.messages.show(this, Version::productName(),
                                 QStringLiteral("Drive is not responding. Check Disk"),
                                 MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    fileList->setPath(folder);
}

void FileBrowserWindow::folderChanged() {
    fileList->setPath(folderList->path());
}

void FileBrowserWindow::patternChanged() {
    fileList->setPattern(patternEdit->text());
}

void FileBrowserWindow::refresh() {
    refreshLists(*driveList, *folderList, *fileList);
}

// ---------------------------------------------------------------------------
// Adding files

void FileBrowserWindow::addSelected() {
    QStringList paths;
    for (int row : fileList->selectedRows())
        paths << fileList->fullPath(row);
    if (!paths.isEmpty())
        m_host.addToPlaylist(paths);
}

void FileBrowserWindow::addFolder() {
    // The folder shown, with its subfolders: the user confirms or picks
    // another.
    const auto chosen =
        m_platform.files.openFolder(this, QStringLiteral("Add Folder"), fileList->path());
    if (chosen)
        m_host.addToPlaylist({*chosen});
}

void FileBrowserWindow::addAll() {
    fileList->selectEverything();
    const int n = fileList->count();
    if (n == 0)
        return;
    // One call for the whole list, in list order: the playlist files among
    // them are read in their places, and what goes past the playlist's
    // limit is left out without losing what is there.
    QStringList paths;
    paths.reserve(n);
    for (int row = 0; row < n; ++row)
        paths << fileList->fullPath(row);
    m_host.addToPlaylist(paths);
}

void FileBrowserWindow::addFocusedFile() {
    const int row = fileList->focused();
    if (row >= 0)
        m_host.addToPlaylist({fileList->fullPath(row)});
}

// ---------------------------------------------------------------------------
// Explore, tags and the popup menu

void FileBrowserWindow::exploreFolder() {
    if (!m_platform.shell.open(folderList->highlightedPath()))
        m_platform.messages.show(this, Version::productName(), QStringLiteral("Folder not found."),
                                 MsgButtons::Ok, MsgIcon::None);
}

void FileBrowserWindow::showFileTag() {
    const QList<int> rows = fileList->selectedRows();
    if (rows.isEmpty())
        return;
    // The file is in the folder the file list shows, which after a failed
    // change is not the folder list's.
    m_host.showTagWindow(fileList->fullPath(rows.first()));
}

void FileBrowserWindow::showFileMenu(const QPoint& globalPos) {
    fileMenu->popup(globalPos);
}
