#include "ui/browser/frmFileList.h"

#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"
#include "ui/lists/ListRefresh.h"
#include "ui/common/Twips.h"
#include "core/Version.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"

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

frmFileList::frmFileList(AppState& state, Platform& platform, FileBrowserHost& host,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_platform(platform), m_host(host) {
    setObjectName(QStringLiteral("frmFileList"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Jukora - File Browser"));
    buildControls();
    buildMenu();
    WindowGeometry::followResizes(this, [this] { Form_Resize(); });
}

frmFileList::~frmFileList() = default;

void frmFileList::buildControls() {
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

    Label4 =
        label("Label4", QStringLiteral("Files"), designRect(105, 30, 675, 315), arial(9.75, true));

    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(designRect(690, 0, 1695, 315));
    Drive1->setFont(msSansSerif());
    setColours(Drive1, QPalette::Base, kListBack, QPalette::Text, Qt::black);
    setColours(Drive1, QPalette::Button, kListBack, QPalette::ButtonText, Qt::black);

    Label3 =
        label("Label3", QStringLiteral("Format:"), designRect(2490, 30, 1215, 255), arial(9, true));

    txtMask = new QLineEdit(QStringLiteral("*.*"), this);
    txtMask->setObjectName(QStringLiteral("txtMask"));
    txtMask->setGeometry(designRect(3210, 0, 495, 285));
    txtMask->setFont(msSansSerif(true));
    txtMask->setTextMargins(0, 0, 0, 0);
    WindowLook::wholeLine(txtMask);
    setColours(txtMask, QPalette::Base, kListBack, QPalette::Text, kMaskText);

    btnRefresh =
        button("btnRefresh", QStringLiteral("Refresh"), designRect(3810, 0, 1215, 255), kTintA);
    cmdExplore =
        button("cmdExplore", QStringLiteral("Explore"), designRect(5030, 0, 1215, 255), kTintA);
    btnAddSel = button("btnAddSel", QStringLiteral("Add"), designRect(6540, 0, 1215, 255), kTintB);
    btnAddAll =
        button("btnAddAll", QStringLiteral("Add All"), designRect(7740, 0, 1185, 255), kTintB);

    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(designRect(0, 300, 3800, 3690));
    Dir1->setFont(msSansSerif());
    setColours(Dir1, QPalette::Base, kListBack, QPalette::Text, Qt::black);

    File1 = new FileList(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(designRect(3795, 255, 5145, 3735));
    File1->setFont(msSansSerif());
    setColours(File1, QPalette::Base, kListBack, QPalette::Text, Qt::black);

    // Before the load the lists show the home folder with every file.
    Dir1->setPath(homeFolder());
    File1->setPattern(txtMask->text());
    File1->setPath(Dir1->path());

    connect(Drive1, &DriveList::changed, this, [this] { Drive1_Change(); });
    connect(Dir1, &FolderList::changed, this, [this] { Dir1_Change(); });
    connect(txtMask, &QLineEdit::textChanged, this, [this] { txtMask_Change(); });
    connect(btnRefresh, &QPushButton::clicked, this, [this] { btnRefresh_Click(); });
    connect(cmdExplore, &QPushButton::clicked, this, [this] { cmdExplore_Click(); });
    connect(btnAddSel, &QPushButton::clicked, this, [this] { btnAddSel_Click(); });
    connect(btnAddAll, &QPushButton::clicked, this, [this] { btnAddAll_Click(); });
    connect(File1, &FileList::entryDoubleClicked, this, [this] { File1_DblClick(); });
    connect(File1, &FileList::rightButtonPressed, this,
            [this](const QPoint& at) { File1_MouseDown(at); });
}

void frmFileList::buildMenu() {
    mnuFiles = new QMenu(QStringLiteral("Files"), this);
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    auto item = [this](const char* name, const QString& caption, auto handler) {
        QAction* a = mnuFiles->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    mnuaddsel =
        item("mnuaddsel", QStringLiteral("Add Selected Files"), [this] { btnAddSel_Click(); });
    mnuaddall = item("mnuaddall", QStringLiteral("Add All Files"), [this] { btnAddAll_Click(); });
    mnuFiles->addSeparator()->setObjectName(QStringLiteral("mnuspace"));
    mnuID3file = item("mnuID3file", QStringLiteral("Get MP3 ID3 Information"),
                      [this] { mnuID3file_Click(); });
}

void frmFileList::setVolumeSource(const VolumeSource* source) {
    Drive1->setSource(source);
}

// ---------------------------------------------------------------------------
// Load and unload

void frmFileList::Form_Load() {
    m_loaded = true;
    const AppSettings& s = m_state.settings;

    // A saved folder or drive that is gone (deleted, unplugged) leaves the
    // lists on the home folder.
    if (!Dir1->setPath(s.Directory))
        Dir1->setPath(homeFolder());
    if (!s.Drive.isEmpty() && !Drive1->setDrive(s.Drive))
        Drive1->setDrive(Drive1->driveOf(Dir1->path()), false);
    if (!File1->setPath(s.File))
        File1->setPath(Dir1->path());
    txtMask->setText(s.Mask);

    // Without a saved place the window opens under the main window's frame.
    const QRectF main = m_host.mainWindowTwips();
    const auto known = [](double v) { return std::isfinite(v) && v != 0; };
    WindowGeometry::place(
        this, {.left = known(s.FilesListX) ? s.FilesListX : main.left(),
               .top = known(s.FilesListY) ? s.FilesListY : main.top() + main.height(),
               .height = known(s.FilesListH) ? std::optional(s.FilesListH) : std::nullopt});
}

void frmFileList::Form_Unload() {
    AppSettings& s = m_state.settings;
    s.FilesListH = WindowGeometry::outerHeight(this);
    s.FilesListX = WindowGeometry::left(this);
    s.FilesListY = WindowGeometry::top(this);
    s.Directory = Dir1->path();
    s.Drive = Drive1->drive();
    s.File = File1->path();
    s.Mask = txtMask->text();
}

void frmFileList::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
    emit unloaded();
}

void frmFileList::setVisible(bool visible) {
    // The first showing loads the window, before the window system makes
    // it: it is made where its place says.
    if (visible && !m_loaded)
        Form_Load();
    QWidget::setVisible(visible);
}

void frmFileList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Resize();
}

// ---------------------------------------------------------------------------
// Resize rules

void frmFileList::Form_Resize() {
    if (isMinimized())
        return;
    WindowGeometry::holdWidth(this, kOuterWidth, kMinOuterHeight);

    const double sh = Twips::fromPx(height());
    Dir1->resize(Dir1->width(), std::max(0, Twips::toPx(sh - kDir1Margin)));
    File1->resize(File1->width(), std::max(0, Twips::toPx(sh - kFile1Margin)));
}

// ---------------------------------------------------------------------------
// The linked lists

void frmFileList::Drive1_Change() {
    const QString folder = Drive1->folderOf(Drive1->drive());
    if (folder.isEmpty() || !Dir1->setPath(folder)) {
        m_platform.messages.show(this, Version::productName(),
                                 QStringLiteral("Drive is not responding. Check Disk"),
                                 MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    File1->setPath(folder);
}

void frmFileList::Dir1_Change() {
    File1->setPath(Dir1->path());
}

void frmFileList::txtMask_Change() {
    File1->setPattern(txtMask->text());
}

void frmFileList::btnRefresh_Click() {
    refreshLists(*Drive1, *Dir1, *File1);
}

// ---------------------------------------------------------------------------
// Adding files

void frmFileList::btnAddSel_Click() {
    QStringList paths;
    for (int row : File1->selectedRows())
        paths << File1->fullPath(row);
    if (!paths.isEmpty())
        m_host.addToPlaylist(paths);
}

void frmFileList::btnAddAll_Click() {
    File1->selectEverything();
    const int n = File1->count();
    if (n == 0)
        return;
    // One call for the whole list, in list order: the playlist files among
    // them are read in their places, and what goes past the playlist's
    // limit is left out without losing what is there.
    QStringList paths;
    paths.reserve(n);
    for (int row = 0; row < n; ++row)
        paths << File1->fullPath(row);
    m_host.addToPlaylist(paths);
}

void frmFileList::File1_DblClick() {
    const int row = File1->focused();
    if (row >= 0)
        m_host.addToPlaylist({File1->fullPath(row)});
}

// ---------------------------------------------------------------------------
// Explore, tags and the popup menu

void frmFileList::cmdExplore_Click() {
    if (!m_platform.shell.open(Dir1->highlightedPath()))
        m_platform.messages.show(this, Version::productName(), QStringLiteral("Folder not found."),
                                 MsgButtons::Ok, MsgIcon::None);
}

void frmFileList::mnuID3file_Click() {
    const QList<int> rows = File1->selectedRows();
    if (rows.isEmpty())
        return;
    // The file is in the folder the file list shows, which after a failed
    // change is not the folder list's.
    m_host.ShowID3Info(File1->fullPath(rows.first()));
}

void frmFileList::File1_MouseDown(const QPoint& globalPos) {
    mnuFiles->popup(globalPos);
}
