// The Export Media window's controls and menus, laid out as designed.
#include "ui/export/ExportMediaWindow.h"

#include "ui/common/AppIcon.h"
#include "ui/common/WindowLook.h"
#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>

using WindowLook::arial;
using WindowLook::msSansSerif;
using WindowLook::setColours;

namespace {

constexpr int kInnerWidth = 488;
constexpr int kInnerHeight = 197;

const QColor kBackground(0, 0, 128);
const QColor kListBack(224, 224, 224);
const QColor kDarkBlue(0, 0, 192);
const QColor kTintA(128, 128, 255);
const QColor kTintB(192, 192, 255);
const QColor kTintRefresh(128, 255, 128);
const QColor kTintCopy(255, 128, 128);

} // namespace

void ExportMediaWindow::buildControls() {
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

    driveList = new DriveList(this);
    driveList->setObjectName(QStringLiteral("driveList"));
    driveList->setGeometry(0, 1, 169, 21);
    driveList->setFont(msSansSerif());
    setColours(driveList, QPalette::Base, kListBack, QPalette::Text, Qt::black);
    setColours(driveList, QPalette::Button, kListBack, QPalette::ButtonText, Qt::black);

    patternEdit = new QLineEdit(QStringLiteral("*.*"), this);
    patternEdit->setObjectName(QStringLiteral("patternEdit"));
    patternEdit->setGeometry(168, 1, 33, 21);
    patternEdit->setFont(msSansSerif(true));
    patternEdit->setTextMargins(0, 0, 0, 0);
    WindowLook::wholeLine(patternEdit);
    setColours(patternEdit, QPalette::Base, kListBack, QPalette::Text, kDarkBlue);

    exploreButton = button("exploreButton", QString(), QRect(202, 1, 21, 21), kTintB);
    exploreButton->setIcon(
        QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon)));
    exploreButton->setIconSize(QSize(16, 16));
    exploreButton->setToolTip(QStringLiteral("Explore"));

    playlistTypeBox = new QComboBox(this);
    playlistTypeBox->setObjectName(QStringLiteral("playlistTypeBox"));
    playlistTypeBox->setEditable(false);
    playlistTypeBox->addItems(
        {QStringLiteral("N/A"), QStringLiteral("M3U"), QStringLiteral("PLS")});
    playlistTypeBox->setCurrentIndex(-1);
    playlistTypeBox->setGeometry(224, 0, 50, 22);
    playlistTypeBox->setFont(arial());
    playlistTypeBox->installEventFilter(this);

    sequenceBox = new QCheckBox(QStringLiteral("Sequence"), this);
    sequenceBox->setObjectName(QStringLiteral("sequenceBox"));
    sequenceBox->setGeometry(280, 0, 81, 21);
    sequenceBox->setFont(arial(8.25, true));
    // A check box fills with its button colour unless told otherwise.
    sequenceBox->setBackgroundRole(QPalette::Window);
    sequenceBox->setAutoFillBackground(true);
    setColours(sequenceBox, QPalette::Window, kBackground, QPalette::WindowText, kTintB);

    banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setGeometry(368, 2, 113, 17);
    banner->setPixmap(bannerPixmap(113, 17));
    banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    banner->setAutoFillBackground(true);
    setColours(banner, QPalette::Window, kBackground, QPalette::WindowText, kTintB);

    folderList = new FolderList(this);
    folderList->setObjectName(QStringLiteral("folderList"));
    folderList->setGeometry(0, 22, 169, 141);
    folderList->setFont(msSansSerif());
    setColours(folderList, QPalette::Base, kListBack, QPalette::Text, Qt::black);

    fileList = new FileList(this);
    fileList->setObjectName(QStringLiteral("fileList"));
    fileList->setGeometry(168, 22, 321, 158);
    fileList->setFont(msSansSerif());
    setColours(fileList, QPalette::Base, idleColour(), QPalette::Text, Qt::black);

    folderNameEdit = new QLineEdit(newFolderName(), this);
    folderNameEdit->setObjectName(QStringLiteral("folderNameEdit"));
    folderNameEdit->setGeometry(0, 161, 169, 19);
    folderNameEdit->setFont(msSansSerif());
    folderNameEdit->setTextMargins(0, 0, 0, 0);
    WindowLook::wholeLine(folderNameEdit);
    setColours(folderNameEdit, QPalette::Base, kListBack, QPalette::Text, kDarkBlue);
    folderNameEdit->installEventFilter(this);

    addFolderButton =
        button("addFolderButton", QStringLiteral("Add"), QRect(0, 180, 85, 17), kTintA);
    removeFolderButton =
        button("removeFolderButton", QStringLiteral("Remove"), QRect(84, 180, 85, 17), kTintA);
    deleteButton =
        button("deleteButton", QStringLiteral("Remove"), QRect(168, 180, 81, 17), kTintB);
    deleteAllButton =
        button("deleteAllButton", QStringLiteral("Remove All"), QRect(248, 180, 81, 17), kTintB);
    refreshButton =
        button("refreshButton", QStringLiteral("Refresh"), QRect(328, 180, 70, 17), kTintRefresh);
    copyButton = button("copyButton", QStringLiteral("Copy Playlist"), QRect(397, 180, 92, 17),
                        kTintCopy, true);

    // Before the load the lists show the home folder with every file.
    folderList->setPath(QDir::homePath());
    fileList->setPattern(patternEdit->text());
    fileList->setPath(folderList->path());

    connect(driveList, &DriveList::changed, this, [this] { driveChanged(); });
    connect(folderList, &FolderList::changed, this, [this] { folderChanged(); });
    connect(patternEdit, &QLineEdit::textChanged, this, [this] { patternChanged(); });
    connect(exploreButton, &QPushButton::clicked, this, [this] { exploreFileFolder(); });
    connect(sequenceBox, &QCheckBox::toggled, this, [this] { sequenceToggled(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(addFolderButton, &QPushButton::clicked, this, [this] { addFolder(); });
    connect(removeFolderButton, &QPushButton::clicked, this, [this] { removeFolder(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { removeSelectedFiles(); });
    connect(deleteAllButton, &QPushButton::clicked, this, [this] { removeAllFiles(); });
    connect(copyButton, &QPushButton::clicked, this, [this] { copyPlaylist(); });
    connect(fileList, &FileList::entryDoubleClicked, this, [this] { removeSelectedFiles(); });
    connect(fileList, &FileList::rightButtonPressed, this,
            [this](const QPoint& at) { showFileMenu(at); });
    connect(folderList, &FolderList::rightButtonPressed, this,
            [this](const QPoint& at) { showFolderMenu(at); });
}

void ExportMediaWindow::buildMenus() {
    auto item = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    fileMenu = new QMenu(QStringLiteral("&DeviceFiles"), this);
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    removeFileAction = item(fileMenu, "removeFileAction", QStringLiteral("Remove Selected"),
                            [this] { removeSelectedFiles(); });
    removeAllFilesAction = item(fileMenu, "removeAllFilesAction", QStringLiteral("Remove All"),
                                [this] { removeAllFiles(); });
    separator = fileMenu->addSeparator();
    separator->setObjectName(QStringLiteral("separator"));
    tagAction = item(fileMenu, "tagAction", QStringLiteral("Get MP3 ID3 Information"),
                     [this] { showFileTag(); });

    folderMenu = new QMenu(QStringLiteral("&FolderList"), this);
    folderMenu->setObjectName(QStringLiteral("folderMenu"));
    exploreFolderAction = item(folderMenu, "exploreFolderAction", QStringLiteral("Explore"),
                               [this] { exploreHighlightedFolder(); });
    removeFolderAction = item(folderMenu, "removeFolderAction", QStringLiteral("Remove Folder"),
                              [this] { removeFolder(); });
}
