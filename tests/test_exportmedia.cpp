// The Export Media window through its real widgets on real folders in
// temporary places that stand for the device: Copy Playlist with its names,
// numbers, playlist files, failures and cancel; the folder and file commands
// with their questions; the layout; the settings from one opening to the
// next.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "browser/DriveList.h"
#include "browser/FileList.h"
#include "browser/FolderList.h"
#include "export/DeviceCopy.h"
#include "export/ExportMediaHost.h"
#include "export/frmPort.h"
#include "platform/VolumeList.h"
#include "playlist/M3uFormat.h"
#include "playlist/PlsFormat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The main window as the export window sees it: a playlist, the real M3U
// and PLS writers, a record of the tag requests.
class Host : public ExportMediaHost {
public:
    const QStringList& playlistEntries() const override { return entries; }
    bool ExportM3U(const QString& tempfile, bool Relative, bool AddSequence) override {
        exports << QStringLiteral("M3U %1 %2 %3").arg(tempfile).arg(Relative).arg(AddSequence);
        return M3uFormat::write(tempfile, entries, Relative, AddSequence);
    }
    bool ExportPLS(const QString& tempfile, bool Relative, bool AddSequence) override {
        exports << QStringLiteral("PLS %1 %2 %3").arg(tempfile).arg(Relative).arg(AddSequence);
        return PlsFormat::write(tempfile, entries, Relative, AddSequence);
    }
    void ShowID3Info(const QString& path) override { tagPaths << path; }
    QRectF mainWindowTwips() const override { return mainWindow; }

    QStringList entries;
    QStringList exports;
    QStringList tagPaths;
    QRectF mainWindow{3000, 2500, 9150, 3885};
};

Volume volume(const QString& root, const QString& name) {
    Volume v;
    v.root = root;
    v.name = name;
    v.fileSystem = QStringLiteral("vfat");
    v.removable = true;
    return v;
}

void makeFile(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    writeBytes(path, bytes);
}

// Every name in a folder, hidden ones (a copy's temporary file) included.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList foldersIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Makes a file or folder unchangeable for this process, root included (write
// bits do not stop root): the file system's immutable mark where the process
// may set it, the write bits otherwise. Undone when it goes out of scope.
class Lock {
public:
    explicit Lock(const QString& path) : m_path(path) {
        if (setImmutable(true)) {
            m_immutable = true;
            m_locked = true;
            return;
        }
        if (::geteuid() != 0 && QFileInfo(path).isDir()) {
            m_oldPermissions = QFile::permissions(path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
            m_locked = true;
        }
    }
    ~Lock() {
        if (m_immutable)
            setImmutable(false);
        else if (m_locked)
            QFile::setPermissions(m_path, m_oldPermissions);
    }
    bool locked() const { return m_locked; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }

    QString m_path;
    bool m_immutable = false;
    bool m_locked = false;
    QFile::Permissions m_oldPermissions;
};

// One test's world: a temporary profile and home folder, a music folder, a
// folder that is the device's volume, the scripted person and the main
// window's stand-in.
struct Device {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    Host host;
    QString home = env.path("home");
    QString music = env.path("music");
    QString stick = env.path("stick");
    FixedVolumes volumes;
    QByteArray oldHome = qgetenv("HOME");
    QPointer<frmPort> w;

    Device() {
        QDir().mkpath(home);
        QDir().mkpath(music);
        QDir().mkpath(stick);
        qputenv("HOME", home.toLocal8Bit());
        volumes.list = {volume(stick, QStringLiteral("STICK"))};
    }
    ~Device() {
        delete w.data();
        qputenv("HOME", oldHome);
    }
    QString stickDrive() const { return volume(stick, QStringLiteral("STICK")).text(); }
    QString onStick(const QString& name) const { return stick + u'/' + name; }

    frmPort* open() {
        w = new frmPort(state, platform.platform, host);
        w->setVolumeSource(&volumes);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.data()))
            qWarning("export window not shown");
        return w.data();
    }
    // Opens the window with its lists on a folder of the stick.
    frmPort* openOn(const QString& folder) {
        state.settings.DriveExport = stickDrive();
        state.settings.DirExport = folder;
        state.settings.FileExport = folder;
        return open();
    }
    void close() {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A song in the music folder with bytes of its own.
    QString song(const QString& name, int size = 2000, char fill = 'm') {
        const QString path = music + u'/' + name;
        makeFile(path, QByteArray(size, fill));
        return path;
    }
    void choose(const QString& type) {
        w->lstPlaylist->setCurrentIndex(w->lstPlaylist->findText(type));
    }
    int folderRow(const QString& path) const {
        for (int row = 0; row < w->Dir1->count(); ++row) {
            if (w->Dir1->entryPath(row) == path)
                return row;
        }
        return -1;
    }
    QStringList listed() const { return w->File1->names(); }
    const ShownMessage& lastMessage() const { return platform.messages.shown.last(); }
};

const QString kComplete = QStringLiteral("Export Complete!");
const QString kCopyError = QStringLiteral(
    "An error has occurred.  The drive may be full.  All files may not have been copied.");

void expectOkMessage(const ShownMessage& m, const QString& text, MsgIcon icon) {
    QCOMPARE(m.title, QStringLiteral("Jukora"));
    QCOMPARE(m.text, text);
    QCOMPARE(m.buttons, MsgButtons::Ok);
    QCOMPARE(m.icon, icon);
}

} // namespace

class TestExportMedia : public QObject {
    Q_OBJECT
private slots:
    void layoutColoursAndMenus();
    void resizeRules();
    void copyNumbersCopiesInPlayOrder();
    void copyUnderOwnNamesAndDuplicates();
    void playlistFileKinds();
    void secondRunReplacesTheFirst();
    void targetThatCannotBeWritten();
    void fullDeviceKeepsEarlierCopies();
    void playlistFileThatCannotBeWritten();
    void cancelStopsAfterTheCurrentFile();
    void createFolder();
    void removeFolder();
    void removeFolderKeepsLinkTargetsAndRoots();
    void removeSelectedFiles();
    void removeAllFiles();
    void patternExploreAndTags();
    void driveChangeAndDriveThatIsGone();
    void settingsRestoredOnNextOpening();
    void firstOpeningAndSavedPlacesThatAreGone();
};

void TestExportMedia::layoutColoursAndMenus() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    QCOMPARE(Twips::perPixel(), 15.0);
    QCOMPARE(w->windowTitle(), QStringLiteral("Jukora - Export Media"));
    QVERIFY(w->isWindow());
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 0, 128));

    QCOMPARE(w->Drive1->geometry(), QRect(0, 1, 169, 21));
    QCOMPARE(w->Drive1->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->txtMask->geometry(), QRect(168, 1, 33, 21));
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.*"));
    QCOMPARE(w->txtMask->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->txtMask->palette().color(QPalette::Text), QColor(0, 0, 192));
    QCOMPARE(w->txtMask->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(w->txtMask->font().pointSizeF(), 8.25);
    QVERIFY(w->txtMask->font().bold());
    QCOMPARE(w->Explorer->geometry(), QRect(202, 1, 21, 21));
    QVERIFY(w->Explorer->text().isEmpty());
    QVERIFY(!w->Explorer->icon().isNull());
    QCOMPARE(w->Explorer->iconSize(), QSize(16, 16));
    QCOMPARE(w->Explorer->palette().color(QPalette::Button), QColor(192, 192, 255));

    QCOMPARE(w->lstPlaylist->geometry(), QRect(224, 0, 50, 22));
    QVERIFY(!w->lstPlaylist->isEditable());
    QStringList kinds;
    for (int i = 0; i < w->lstPlaylist->count(); ++i)
        kinds << w->lstPlaylist->itemText(i);
    QCOMPARE(kinds, QStringList({"N/A", "M3U", "PLS"}));
    QCOMPARE(w->lstPlaylist->currentIndex(), -1);
    QCOMPARE(w->lstPlaylist->font().family(), QStringLiteral("Arial"));

    QCOMPARE(w->chkSequence->geometry(), QRect(280, 0, 81, 21));
    QCOMPARE(w->chkSequence->text(), QStringLiteral("Sequence"));
    QVERIFY(!w->chkSequence->isChecked());
    QVERIFY(w->chkSequence->font().bold());
    QCOMPARE(w->chkSequence->font().family(), QStringLiteral("Arial"));
    QCOMPARE(w->chkSequence->palette().color(QPalette::Window), QColor(0, 0, 128));
    QCOMPARE(w->chkSequence->palette().color(QPalette::WindowText), QColor(192, 192, 255));
    QCOMPARE(w->Picture1->geometry(), QRect(368, 2, 113, 17));
    QCOMPARE(w->Picture1->pixmap().size(), QSize(113, 17));

    QCOMPARE(w->Dir1->geometry().topLeft(), QPoint(0, 22));
    QCOMPARE(w->Dir1->width(), 169);
    QCOMPARE(w->File1->geometry().topLeft(), QPoint(168, 22));
    QCOMPARE(w->File1->width(), 321);
    QCOMPARE(w->File1->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(w->Dir1->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(w->fileListColour(), QColor(224, 224, 224));
    QCOMPARE(w->txtFolder->text(), QStringLiteral("New Folder Name"));
    QCOMPARE(w->txtFolder->geometry().left(), 0);
    QCOMPARE(w->txtFolder->size(), QSize(169, 19));
    QCOMPARE(w->txtFolder->palette().color(QPalette::Text), QColor(0, 0, 192));

    struct ButtonDesign {
        QPushButton* button;
        const char* caption;
        int left, width;
        QColor tint;
        bool bold;
    };
    const ButtonDesign buttons[] = {
        {w->cmdAddfolder, "Add", 0, 85, QColor(128, 128, 255), false},
        {w->cmdRemovefolder, "Remove", 84, 85, QColor(128, 128, 255), false},
        {w->btnDelete, "Remove", 168, 81, QColor(192, 192, 255), false},
        {w->btnClear, "Remove All", 248, 81, QColor(192, 192, 255), false},
        {w->btnRefresh, "Refresh", 328, 70, QColor(128, 255, 128), false},
        {w->cmdCopy, "Copy Playlist", 397, 92, QColor(255, 128, 128), true},
    };
    for (const ButtonDesign& b : buttons) {
        QCOMPARE(b.button->text(), QString::fromLatin1(b.caption));
        QCOMPARE(b.button->x(), b.left);
        QCOMPARE(b.button->size(), QSize(b.width, 17));
        QCOMPARE(b.button->palette().color(QPalette::Button), b.tint);
        QCOMPARE(b.button->font().family(), QStringLiteral("Arial"));
        QCOMPARE(b.button->font().pointSizeF(), 8.25);
        QCOMPARE(b.button->font().bold(), b.bold);
    }

    const auto captions = [](QMenu* menu) {
        QStringList items;
        for (QAction* a : menu->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return items;
    };
    QCOMPARE(w->mnuDeviceFiles->title(), QStringLiteral("&DeviceFiles"));
    QCOMPARE(captions(w->mnuDeviceFiles),
             QStringList({"Remove Selected", "Remove All", "-", "Get MP3 ID3 Information"}));
    QCOMPARE(w->mnuFolderList->title(), QStringLiteral("&FolderList"));
    QCOMPARE(captions(w->mnuFolderList), QStringList({"Explore", "Remove Folder"}));
    QCOMPARE(w->mnuID3file->objectName(), QStringLiteral("mnuID3file"));
    QCOMPARE(w->mnuspace->objectName(), QStringLiteral("mnuspace"));

    // The right button opens the menus and leaves the selection alone.
    makeFile(d.onStick("a.mp3"));
    w->btnRefresh_Click();
    w->File1->setSelected(0, true);
    QTest::mousePress(w->File1->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QTRY_VERIFY(w->mnuDeviceFiles->isVisible());
    w->mnuDeviceFiles->hide();
    QVERIFY(w->File1->isSelected(0));
    QTest::mousePress(w->Dir1->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QTRY_VERIFY(w->mnuFolderList->isVisible());
    w->mnuFolderList->hide();
}

void TestExportMedia::resizeRules() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    QCOMPARE(WindowGeometry::outerWidth(w), 7560.0);
    QCOMPARE(WindowGeometry::outerHeight(w), 3465.0);

    const auto checkLayout = [w] {
        const int sh = w->height();
        QCOMPARE(w->File1->height(), sh - 22 - 15);
        const int t = w->File1->y() + w->File1->height();
        for (QPushButton* b : {w->btnClear, w->btnDelete, w->btnRefresh, w->cmdAddfolder,
                               w->cmdCopy, w->cmdRemovefolder})
            QCOMPARE(b->y(), t);
        QCOMPARE(w->txtFolder->y(), t - w->txtFolder->height());
        QCOMPARE(w->Dir1->height(), sh - w->Dir1->y() - w->txtFolder->height() - 7);
    };
    checkLayout();

    // Wider has no effect; taller is followed by the lists and the buttons;
    // lower than 3465 twips snaps back.
    WindowGeometry::setOuterWidth(w, 12000);
    WindowGeometry::setOuterHeight(w, 6000);
    QCOMPARE(WindowGeometry::outerWidth(w), 7560.0);
    QCOMPARE(WindowGeometry::outerHeight(w), 6000.0);
    checkLayout();
    QCOMPARE(d.state.settings.PortH, 6000.0);
    QCOMPARE(w->cmdCopy->x(), 397);
    QCOMPARE(w->Dir1->width(), 169);

    w->resize(w->width(), 50);
    QCOMPARE(WindowGeometry::outerHeight(w), 3465.0);
    checkLayout();
    QCOMPARE(d.state.settings.PortH, 3465.0);
}

void TestExportMedia::copyNumbersCopiesInPlayOrder() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    d.host.entries = {d.song("one.mp3", 1500, '1'), d.music + "/gone.mp3",
                      d.song("three.mp3", 3500, '3')};
    w->chkSequence->click();
    QVERIFY(d.state.settings.Sequence);
    d.choose("M3U");
    w->cmdCopy_Click();

    // Entries 1 and 3 are copied under their numbers; 2 leaves a gap, and
    // the playlist file still names it.
    QCOMPARE(filesIn(d.stick), QStringList({"0001-one.mp3", "0003-three.mp3", "playlist.m3u"}));
    QCOMPARE(readBytes(d.onStick("0001-one.mp3")), QByteArray(1500, '1'));
    QCOMPARE(readBytes(d.onStick("0003-three.mp3")), QByteArray(3500, '3'));
    QCOMPARE(d.host.exports, QStringList({"M3U " + d.onStick("playlist.m3u") + " 1 1"}));
    const QByteArray list = readBytes(d.onStick("playlist.m3u"));
    QCOMPARE(list, M3uFormat::render(d.host.entries, true, true));
    QVERIFY(list.contains("\r\n0002-gone.mp3\r\n"));
    QCOMPARE(M3uFormat::parse(list, d.onStick("playlist.m3u")),
             QStringList({d.onStick("0001-one.mp3"), d.onStick("0002-gone.mp3"),
                          d.onStick("0003-three.mp3")}));

    QCOMPARE(d.platform.messages.shown.size(), 1);
    expectOkMessage(d.lastMessage(), kComplete, MsgIcon::Exclamation);
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
    QCOMPARE(d.listed(), QStringList({"0001-one.mp3", "0003-three.mp3", "playlist.m3u"}));
    QVERIFY(!w->copyProgress);

    // Four digits at least; the 10000th entry has five.
    QCOMPARE(DeviceCopy::copyName("/m/x.mp3", 1, true), QStringLiteral("0001-x.mp3"));
    QCOMPARE(DeviceCopy::copyName("/m/x.mp3", 9999, true), QStringLiteral("9999-x.mp3"));
    QCOMPARE(DeviceCopy::copyName("/m/x.mp3", 10000, true), QStringLiteral("10000-x.mp3"));

    // Into a subfolder the same way: the device folder follows the folder
    // opened in the folder list.
    QDir().mkpath(d.onStick("Music"));
    w->btnRefresh_Click();
    w->Dir1->openEntry(d.folderRow(d.onStick("Music")));
    QCOMPARE(w->File1->path(), d.onStick("Music"));
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.onStick("Music")),
             QStringList({"0001-one.mp3", "0003-three.mp3", "playlist.m3u"}));
}

void TestExportMedia::copyUnderOwnNamesAndDuplicates() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    makeFile(d.music + "/a/song.mp3", QByteArray(100, 'a'));
    makeFile(d.music + "/b/song.mp3", QByteArray(200, 'b'));
    makeFile(d.music + "/c/song.mp3", QByteArray(300, 'c'));
    d.host.entries = {d.music + "/a/song.mp3", d.song("other.mp3"), d.music + "/b/song.mp3"};
    QVERIFY(!w->chkSequence->isChecked());
    w->cmdCopy_Click();

    // Sequence off: own names; the later of two same-named entries replaces
    // the earlier, and the box names the replacement on a second line.
    QCOMPARE(filesIn(d.stick), QStringList({"other.mp3", "song.mp3"}));
    QCOMPARE(readBytes(d.onStick("song.mp3")), QByteArray(200, 'b'));
    expectOkMessage(d.lastMessage(),
                    kComplete + "\r\n1 copy was replaced by a later entry of the same name.",
                    MsgIcon::Exclamation);

    d.host.entries << d.music + "/c/song.mp3";
    w->cmdCopy_Click();
    QCOMPARE(readBytes(d.onStick("song.mp3")), QByteArray(300, 'c'));
    expectOkMessage(d.lastMessage(),
                    kComplete + "\r\n2 copies were replaced by later entries of the same name.",
                    MsgIcon::Exclamation);

    // Sequence on: every copy keeps its own number, nothing is replaced.
    w->chkSequence->click();
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick), QStringList({"0001-song.mp3", "0002-other.mp3", "0003-song.mp3",
                                            "0004-song.mp3", "other.mp3", "song.mp3"}));
    QCOMPARE(readBytes(d.onStick("0001-song.mp3")), QByteArray(100, 'a'));
    expectOkMessage(d.lastMessage(), kComplete, MsgIcon::Exclamation);
    QVERIFY(d.host.exports.isEmpty()); // nothing chosen: no playlist file
}

void TestExportMedia::playlistFileKinds() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    d.host.entries = {d.song("a.mp3"), d.music + "/missing.mp3", d.song("c.mp3")};

    // PLS with own names.
    d.choose("PLS");
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick), QStringList({"a.mp3", "c.mp3", "playlist.pls"}));
    QCOMPARE(d.host.exports, QStringList({"PLS " + d.onStick("playlist.pls") + " 1 0"}));
    QCOMPARE(readBytes(d.onStick("playlist.pls")), PlsFormat::render(d.host.entries, true, false));
    QCOMPARE(PlsFormat::parse(readBytes(d.onStick("playlist.pls"))),
             QStringList({"a.mp3", "missing.mp3", "c.mp3"}));

    // PLS with numbers, into a fresh folder.
    const QString numbered = d.onStick("numbered");
    QDir().mkpath(numbered);
    w->Dir1->setPath(numbered);
    w->chkSequence->click();
    w->cmdCopy_Click();
    QCOMPARE(PlsFormat::parse(readBytes(numbered + "/playlist.pls")),
             QStringList({"0001-a.mp3", "0002-missing.mp3", "0003-c.mp3"}));
    QCOMPARE(readBytes(numbered + "/playlist.pls"), PlsFormat::render(d.host.entries, true, true));

    // "N/A" and no choice: the files are copied, no playlist file is written.
    for (const QString& type : {QStringLiteral("N/A"), QString()}) {
        const QString folder = d.onStick(type.isEmpty() ? "none" : "na");
        QDir().mkpath(folder);
        w->Dir1->setPath(folder);
        d.host.exports.clear();
        if (type.isEmpty())
            w->lstPlaylist->setCurrentIndex(-1);
        else
            d.choose(type);
        w->cmdCopy_Click();
        QCOMPARE(filesIn(folder), QStringList({"0001-a.mp3", "0003-c.mp3"}));
        QVERIFY(d.host.exports.isEmpty());
        expectOkMessage(d.lastMessage(), kComplete, MsgIcon::Exclamation);
    }

    // An empty playlist copies nothing and still writes the chosen file.
    const QString empty = d.onStick("empty");
    QDir().mkpath(empty);
    w->Dir1->setPath(empty);
    d.host.entries.clear();
    d.choose("M3U");
    w->cmdCopy_Click();
    QCOMPARE(filesIn(empty), QStringList({"playlist.m3u"}));
    QCOMPARE(readBytes(empty + "/playlist.m3u"), M3uFormat::render({}, true, true));
    expectOkMessage(d.lastMessage(), kComplete, MsgIcon::Exclamation);
}

void TestExportMedia::secondRunReplacesTheFirst() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    const QString a = d.song("a.mp3", 500, 'x');
    d.host.entries = {a, d.song("b.mp3")};
    w->chkSequence->click();
    d.choose("M3U");
    w->cmdCopy_Click();

    writeBytes(a, QByteArray(50, 'y'));
    d.host.entries = {a};
    w->cmdCopy_Click();
    // No question: the copy and the playlist file are replaced; the older
    // copy of b stays.
    QCOMPARE(d.platform.messages.shown.size(), 2);
    expectOkMessage(d.lastMessage(), kComplete, MsgIcon::Exclamation);
    QCOMPARE(filesIn(d.stick), QStringList({"0001-a.mp3", "0002-b.mp3", "playlist.m3u"}));
    QCOMPARE(readBytes(d.onStick("0001-a.mp3")), QByteArray(50, 'y'));
    QCOMPARE(readBytes(d.onStick("playlist.m3u")), M3uFormat::render({a}, true, true));
}

void TestExportMedia::targetThatCannotBeWritten() {
    Device d;
    const QString locked = d.onStick("locked");
    QDir().mkpath(locked);
    makeFile(locked + "/old.mp3", "old");
    frmPort* w = d.openOn(locked);
    d.host.entries = {d.song("a.mp3"), d.song("b.mp3")};
    d.choose("M3U");
    {
        Lock lock(locked);
        if (!lock.locked())
            QSKIP("this process cannot make a folder unwritable");
        w->cmdCopy_Click();
    }
    QCOMPARE(d.platform.messages.shown.size(), 1);
    expectOkMessage(d.lastMessage(), kCopyError, MsgIcon::Exclamation);
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
    QVERIFY(d.host.exports.isEmpty());
    QCOMPARE(filesIn(locked), QStringList({"old.mp3"}));

    // A read-only file of the same name is a failure too, and stays as it
    // was; the copies before it stay.
    d.host.entries = {d.song("first.mp3"), d.song("old.mp3", 10, 'n'), d.song("after.mp3")};
    QFile::setPermissions(locked + "/old.mp3", QFile::ReadOwner);
    w->cmdCopy_Click();
    expectOkMessage(d.lastMessage(), kCopyError, MsgIcon::Exclamation);
    QCOMPARE(filesIn(locked), QStringList({"first.mp3", "old.mp3"}));
    QCOMPARE(readBytes(locked + "/old.mp3"), QByteArray("old"));
    QCOMPARE(d.listed(), QStringList({"first.mp3", "old.mp3"}));

    // The device folder is gone (the device was pulled out).
    QDir(d.onStick("locked")).removeRecursively();
    w->cmdCopy_Click();
    expectOkMessage(d.lastMessage(), kCopyError, MsgIcon::Exclamation);
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
    QVERIFY(!QFileInfo::exists(locked));
    QVERIFY(d.host.exports.isEmpty());
}

void TestExportMedia::fullDeviceKeepsEarlierCopies() {
    // The limit on file size stands in for a full device: a write past it
    // fails part-way, as on a device that fills up.
    Device d;
    frmPort* w = d.openOn(d.stick);
    d.host.entries = {d.song("small1.mp3", 100 * 1024), d.song("small2.mp3", 200 * 1024),
                      d.song("big.mp3", 3 * 1024 * 1024), d.song("after.mp3", 1000)};
    w->chkSequence->click();
    d.choose("PLS");

    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 1024 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    w->cmdCopy_Click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    // The copies before the failure stay, no truncated or temporary file is
    // left, the rest is not copied and no playlist file is written.
    QCOMPARE(filesIn(d.stick), QStringList({"0001-small1.mp3", "0002-small2.mp3"}));
    QCOMPARE(QFileInfo(d.onStick("0002-small2.mp3")).size(), 200 * 1024);
    QVERIFY(d.host.exports.isEmpty());
    QCOMPARE(d.platform.messages.shown.size(), 1);
    expectOkMessage(d.lastMessage(), kCopyError, MsgIcon::Exclamation);
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
    QCOMPARE(d.listed(), QStringList({"0001-small1.mp3", "0002-small2.mp3"}));
}

void TestExportMedia::playlistFileThatCannotBeWritten() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    // A folder of the playlist file's name cannot be replaced by the file.
    QDir().mkpath(d.onStick("playlist.m3u"));
    d.host.entries = {d.song("a.mp3")};
    d.choose("M3U");
    w->cmdCopy_Click();
    QCOMPARE(d.host.exports.size(), 1);
    QVERIFY(QFileInfo(d.onStick("playlist.m3u")).isDir());
    QCOMPARE(filesIn(d.stick), QStringList({"a.mp3"}));
    QCOMPARE(d.platform.messages.shown.size(), 1);
    expectOkMessage(d.lastMessage(), kCopyError, MsgIcon::Exclamation);
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
    QCOMPARE(d.listed(), QStringList({"a.mp3"}));
}

void TestExportMedia::cancelStopsAfterTheCurrentFile() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    for (int i = 1; i <= 4; ++i)
        d.host.entries << d.song(QStringLiteral("song%1.mp3").arg(i), 50 * 1024);
    w->chkSequence->click();
    d.choose("M3U");

    // What the person sees when the first copy is done, and their press of
    // the dialog's Cancel button.
    QStringList seen;
    const auto pressCancel = connect(w, &frmPort::fileCopied, this, [&](int entry) {
        QProgressDialog* progress = w->copyProgress;
        QVERIFY(progress);
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->windowModality(), Qt::ApplicationModal);
        QCOMPARE(w->fileListColour(), QColor(255, 192, 128));
        seen << QStringLiteral("%1: %2").arg(entry).arg(progress->labelText());
        if (entry == 1) {
            auto* cancel = progress->findChild<QPushButton*>();
            QVERIFY(cancel);
            QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
            QTest::mouseClick(cancel, Qt::LeftButton);
        }
    });
    w->cmdCopy_Click();

    QCOMPARE(seen.size(), 1);
    QVERIFY2(seen[0].startsWith("1: Copying file 1 of 4\n0001-song1.mp3\n"), qPrintable(seen[0]));
    QVERIFY2(seen[0].endsWith(" of 200.0 kB"), qPrintable(seen[0]));
    QCOMPARE(filesIn(d.stick), QStringList({"0001-song1.mp3"}));
    QVERIFY(d.host.exports.isEmpty());
    QCOMPARE(d.platform.messages.shown.size(), 1);
    expectOkMessage(d.lastMessage(), QStringLiteral("Copy cancelled."), MsgIcon::Exclamation);
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
    QVERIFY(!w->copyProgress);
    QCOMPARE(d.listed(), QStringList({"0001-song1.mp3"}));

    // The next run is a whole one again.
    disconnect(pressCancel);
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick).size(), 5);
    expectOkMessage(d.lastMessage(), kComplete, MsgIcon::Exclamation);

    // Closing the window while it copies stops the copy after the file it
    // is on; the window closes, storing its settings, once the command ends.
    const QString later = d.onStick("later");
    QDir().mkpath(later);
    w->Dir1->setPath(later);
    bool unloaded = false;
    connect(w, &frmPort::unloaded, this, [&] { unloaded = true; });
    connect(w, &frmPort::fileCopied, this, [&](int entry) {
        if (entry == 2)
            w->close();
        QVERIFY(!unloaded);
    });
    w->cmdCopy_Click();
    QVERIFY(unloaded);
    QCOMPARE(filesIn(later), QStringList({"0001-song1.mp3", "0002-song2.mp3"}));
    QCOMPARE(d.lastMessage().text, QStringLiteral("Copy cancelled."));
    QCOMPARE(d.state.settings.FileExport, later);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!d.w);
}

void TestExportMedia::createFolder() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.platform.messages;

    // The box still holds its hint: the name is asked for; no answer, no
    // folder.
    w->cmdAddfolder_Click();
    QCOMPARE(messages.prompts, QStringList({"New Folder Name"}));
    QVERIFY(foldersIn(d.stick).isEmpty());
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(w->txtFolder->text(), QStringLiteral("New Folder Name"));

    messages.textAnswers.push_back(QStringLiteral("Asked"));
    w->cmdAddfolder_Click();
    QCOMPARE(foldersIn(d.stick), QStringList({"Asked"}));
    QCOMPARE(w->txtFolder->text(), QStringLiteral("New Folder Name"));
    QVERIFY(d.folderRow(d.onStick("Asked")) >= 0);

    // A click into the box empties it; a typed name is created in the open
    // folder.
    QTest::mouseClick(w->txtFolder, Qt::LeftButton);
    QCOMPARE(w->txtFolder->text(), QString());
    QTest::keyClicks(w->txtFolder, "Typed");
    w->cmdAddfolder->click();
    QCOMPARE(foldersIn(d.stick), QStringList({"Asked", "Typed"}));
    QCOMPARE(w->txtFolder->text(), QStringLiteral("New Folder Name"));
    QCOMPARE(messages.prompts.size(), 2);

    // A name that exists already, an empty one and one with a separator:
    // the message, and the name stays in the box for the next try.
    for (const QString& name : {QStringLiteral("Typed"), QString(), QStringLiteral("a/b")}) {
        w->txtFolder->setText(name);
        w->cmdAddfolder_Click();
        expectOkMessage(d.lastMessage(), QStringLiteral("Could not create new folder!"),
                        MsgIcon::Exclamation);
        QCOMPARE(w->txtFolder->text(), name);
    }
    QCOMPARE(messages.shown.size(), 3);
    QCOMPARE(foldersIn(d.stick), QStringList({"Asked", "Typed"}));
    // A name given in answer to the question that exists already stays in
    // the box too.
    w->txtFolder->setText(QStringLiteral("New Folder Name"));
    messages.textAnswers.push_back(QStringLiteral("Asked"));
    w->cmdAddfolder_Click();
    QCOMPARE(d.lastMessage().text, QStringLiteral("Could not create new folder!"));
    QCOMPARE(w->txtFolder->text(), QStringLiteral("Asked"));

    // The next try after fixing the name works.
    w->txtFolder->setText(QStringLiteral("Third"));
    w->cmdAddfolder_Click();
    QCOMPARE(foldersIn(d.stick), QStringList({"Asked", "Third", "Typed"}));
}

void TestExportMedia::removeFolder() {
    Device d;
    const QString album = d.onStick("Album");
    makeFile(album + "/one.mp3");
    makeFile(album + "/Disc 2/two.mp3");
    makeFile(album + "/.hidden");
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.platform.messages;

    // No: nothing happens.
    w->Dir1->setHighlighted(d.folderRow(album));
    messages.answers = {MsgAnswer::No};
    w->cmdRemovefolder_Click();
    QCOMPARE(messages.shown.size(), 1);
    const ShownMessage& q = messages.shown[0];
    QCOMPARE(q.title, QStringLiteral("Remove Folder"));
    QCOMPARE(q.text, "Are you sure you want to delete this folder? \r\n" + album);
    QCOMPARE(q.buttons, MsgButtons::YesNo);
    QCOMPARE(q.icon, MsgIcon::None);
    QVERIFY(QFileInfo(album + "/Disc 2/two.mp3").exists());

    // Yes: the folder goes with all it holds; the lists go to the drive's
    // folder.
    w->Dir1->setHighlighted(d.folderRow(album));
    messages.answers = {MsgAnswer::Yes};
    w->mnuRemoveFolder->trigger();
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(!QFileInfo::exists(album));
    QCOMPARE(w->Dir1->path(), d.stick);
    QCOMPARE(w->File1->path(), d.stick);
    QCOMPARE(d.folderRow(album), -1);

    // A read-only file inside makes it fail: the message, and the lists
    // stay on the open folder. What was deleted before stays deleted.
    const QString kept = d.onStick("Kept");
    makeFile(kept + "/zz-readonly.mp3");
    QFile::setPermissions(kept + "/zz-readonly.mp3", QFile::ReadOwner);
    w->btnRefresh_Click();
    w->Dir1->openEntry(d.folderRow(kept));
    QCOMPARE(w->Dir1->path(), kept);
    // Nothing highlighted but the open folder: the open folder itself.
    QCOMPARE(w->Dir1->highlightedPath(), kept);
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    QCOMPARE(messages.shown[2].text, "Are you sure you want to delete this folder? \r\n" + kept);
    expectOkMessage(d.lastMessage(), QStringLiteral("Cannot Delete Folder."), MsgIcon::Critical);
    QVERIFY(QFileInfo::exists(kept + "/zz-readonly.mp3"));
    QCOMPARE(w->Dir1->path(), kept);

    // Once the file may go, the open folder goes, and the lists return to
    // the drive's folder.
    QFile::setPermissions(kept + "/zz-readonly.mp3", QFile::ReadOwner | QFile::WriteOwner);
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    QCOMPARE(messages.shown.size(), 5);
    QVERIFY(!QFileInfo::exists(kept));
    QCOMPARE(w->Dir1->path(), d.stick);
    QCOMPARE(w->File1->path(), d.stick);
}

void TestExportMedia::removeFolderKeepsLinkTargetsAndRoots() {
    Device d;
    // Links inside the folder point out of it, to a folder and to a file.
    const QString outside = d.env.path("outside");
    makeFile(outside + "/precious.mp3", "keep");
    makeFile(outside + "/sub/deeper.mp3", "keep");
    const QString album = d.onStick("Album");
    makeFile(album + "/own.mp3");
    QVERIFY(QFile::link(outside, album + "/to-folder"));
    QVERIFY(QFile::link(outside + "/precious.mp3", album + "/to-file.mp3"));
    QDir().mkpath(album + "/inner");
    QVERIFY(QFile::link(outside + "/sub", album + "/inner/to-sub"));
    // A link to a folder, listed as a folder of the stick.
    QVERIFY(QFile::link(outside, d.onStick("Linked")));
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.platform.messages;

    w->Dir1->setHighlighted(d.folderRow(album));
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(!QFileInfo::exists(album));
    QCOMPARE(readBytes(outside + "/precious.mp3"), QByteArray("keep"));
    QCOMPARE(readBytes(outside + "/sub/deeper.mp3"), QByteArray("keep"));

    // Removing the linked folder removes the link only.
    QVERIFY(d.folderRow(d.onStick("Linked")) >= 0);
    w->Dir1->setHighlighted(d.folderRow(d.onStick("Linked")));
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(!QFileInfo(d.onStick("Linked")).isSymLink());
    QCOMPARE(readBytes(outside + "/precious.mp3"), QByteArray("keep"));

    // The drive's root is never removed, nor emptied.
    makeFile(d.onStick("song.mp3"));
    w->btnRefresh_Click();
    QCOMPARE(w->Dir1->highlightedPath(), d.stick);
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    expectOkMessage(d.lastMessage(), QStringLiteral("Cannot Delete Folder."), MsgIcon::Critical);
    QVERIFY(QFileInfo::exists(d.onStick("song.mp3")));
    // Nor a folder that holds a drive (here the home folder's).
    const QString above = QFileInfo(d.home).path();
    w->Dir1->setPath(d.home);
    w->Dir1->setHighlighted(d.folderRow(above));
    QCOMPARE(w->Dir1->highlightedPath(), above);
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    expectOkMessage(d.lastMessage(), QStringLiteral("Cannot Delete Folder."), MsgIcon::Critical);
    QVERIFY(QFileInfo::exists(d.onStick("song.mp3")));
    QVERIFY(QFileInfo::exists(outside + "/precious.mp3"));
}

void TestExportMedia::removeSelectedFiles() {
    Device d;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"})
        makeFile(d.onStick(QLatin1String(name)));
    QFile::setPermissions(d.onStick("c.mp3"), QFile::ReadOwner);
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.platform.messages;

    // Nothing selected: no question, the list silver.
    w->btnDelete_Click();
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));

    // One question per selected file; No skips only that file; a read-only
    // file is deleted too.
    for (int row : {0, 1, 2})
        w->File1->setSelected(row, true);
    w->File1->setFocused(1);
    messages.answers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes};
    w->btnDelete->click();
    QCOMPARE(messages.shown.size(), 3);
    const QStringList asked = {"a.mp3", "b.mp3", "c.mp3"};
    for (int i = 0; i < 3; ++i) {
        const ShownMessage& q = messages.shown[i];
        QCOMPARE(q.title, QStringLiteral("Remove File"));
        QCOMPARE(q.text, "Are you sure you want to delete this file?\r\n" + d.onStick(asked[i]));
        QCOMPARE(q.buttons, MsgButtons::YesNo);
        QCOMPARE(q.icon, MsgIcon::None);
    }
    QCOMPARE(filesIn(d.stick), QStringList({"b.mp3", "d.mp3", "e.mp3"}));
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
    // The file now at the old focused position is selected.
    QCOMPARE(d.listed(), QStringList({"b.mp3", "d.mp3", "e.mp3"}));
    QCOMPARE(w->File1->selectedRows(), QList<int>({1}));

    // Double-clicking a file asks to delete it.
    messages.shown.clear();
    w->File1->clearSelection();
    const QPoint at = w->File1->visualRect(w->File1->model()->index(2, 0)).center();
    messages.answers = {MsgAnswer::Yes};
    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(messages.texts(),
             QStringList({"Are you sure you want to delete this file?\r\n" + d.onStick("e.mp3")}));
    QCOMPARE(filesIn(d.stick), QStringList({"b.mp3", "d.mp3"}));

    // The menu's "Remove Selected" is the same command; a file that is gone
    // meanwhile is passed over.
    messages.shown.clear();
    w->File1->clearSelection();
    w->File1->setSelected(0, true);
    w->File1->setSelected(1, true);
    QFile::remove(d.onStick("b.mp3"));
    messages.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    w->mnuRemove->trigger();
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(filesIn(d.stick).isEmpty());
    QVERIFY(d.listed().isEmpty());
}

void TestExportMedia::removeAllFiles() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.platform.messages;
    const auto expectQuestion = [&](const ShownMessage& q) {
        QCOMPARE(q.title, QStringLiteral("Remove Files"));
        QCOMPARE(q.text, QStringLiteral("Are you sure you want to delete all of these files? "));
        QCOMPARE(q.buttons, MsgButtons::YesNo);
        QCOMPARE(q.icon, MsgIcon::None);
    };

    // An empty list: the question still, nothing changes, the list silver.
    QVERIFY(d.listed().isEmpty());
    messages.answers = {MsgAnswer::Yes};
    w->btnClear_Click();
    QCOMPARE(messages.shown.size(), 1);
    expectQuestion(messages.shown[0]);
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));

    // What the list shows goes; subfolders and files the pattern hides stay.
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "notes.txt"})
        makeFile(d.onStick(QLatin1String(name)));
    QDir().mkpath(d.onStick("Sub"));
    makeFile(d.onStick("Sub/inner.mp3"));
    w->txtMask->setText(QStringLiteral("*.mp3"));
    QCOMPARE(d.listed(), QStringList({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));

    // No: nothing is deleted.
    messages.answers = {MsgAnswer::No};
    w->btnClear->click();
    QCOMPARE(d.listed().size(), 4);

    // An entry that cannot be deleted and one that is gone are passed over;
    // the rest goes and the command ends.
    QFile::remove(d.onStick("a.mp3"));
    {
        Lock lock(d.onStick("b.mp3"));
        if (!lock.locked())
            QSKIP("this process cannot make a file undeletable");
        messages.answers = {MsgAnswer::Yes};
        w->mnuRemoveAll->trigger();
    }
    expectQuestion(messages.shown.last());
    QCOMPARE(messages.shown.size(), 3);
    QCOMPARE(filesIn(d.stick), QStringList({"b.mp3", "notes.txt"}));
    QCOMPARE(filesIn(d.onStick("Sub")), QStringList({"inner.mp3"}));
    QCOMPARE(d.listed(), QStringList({"b.mp3"}));
    QCOMPARE(w->fileListColour(), QColor(192, 192, 192));
}

void TestExportMedia::patternExploreAndTags() {
    Device d;
    for (const char* name : {"a.mp3", "b.ogg", "c.MP3", "d.txt"})
        makeFile(d.onStick(QLatin1String(name)));
    QDir().mkpath(d.onStick("Sub"));
    frmPort* w = d.openOn(d.stick);
    QCOMPARE(d.listed(), QStringList({"a.mp3", "b.ogg", "c.MP3", "d.txt"}));

    // The pattern is applied at every keystroke.
    w->txtMask->clear();
    QTest::keyClicks(w->txtMask, "*.mp");
    QVERIFY(d.listed().isEmpty());
    QTest::keyClicks(w->txtMask, "3");
    QCOMPARE(d.listed(), QStringList({"a.mp3", "c.MP3"}));

    // Explorer opens the device folder, the menu the highlighted folder.
    auto& shell = d.platform.shell;
    w->Explorer->click();
    w->Dir1->setHighlighted(d.folderRow(d.onStick("Sub")));
    w->mnuExploreFolder->trigger();
    QCOMPARE(shell.opened, QStringList({d.stick, d.onStick("Sub")}));
    QVERIFY(d.platform.messages.shown.isEmpty());
    shell.result = false;
    w->Explorer_Click();
    expectOkMessage(d.lastMessage(), QStringLiteral("Error launching Windows Explorer."),
                    MsgIcon::Critical);
    w->mnuExploreFolder_Click();
    QCOMPARE(d.platform.messages.shown.size(), 2);

    // The tag of the first selected file; none selected, nothing.
    w->mnuID3file->trigger();
    QVERIFY(d.host.tagPaths.isEmpty());
    w->File1->setSelected(1, true);
    w->File1->setSelected(0, true);
    w->mnuID3file_Click();
    QCOMPARE(d.host.tagPaths, QStringList({d.onStick("a.mp3")}));
}

void TestExportMedia::driveChangeAndDriveThatIsGone() {
    Device d;
    const QString card = d.env.path("card");
    makeFile(card + "/on-card.mp3");
    d.volumes.list << volume(card, QStringLiteral("CARD"));
    frmPort* w = d.openOn(d.stick);
    QCOMPARE(w->Drive1->drive(), d.stickDrive());

    const QString cardDrive = volume(card, QStringLiteral("CARD")).text();
    QVERIFY(w->Drive1->setDrive(cardDrive));
    QCOMPARE(w->Dir1->path(), card);
    QCOMPARE(w->File1->path(), card);
    QCOMPARE(d.listed(), QStringList({"on-card.mp3"}));
    QVERIFY(d.platform.messages.shown.isEmpty());

    // The stick is pulled out while the list still shows it.
    QVERIFY(w->Drive1->setDrive(d.stickDrive()));
    QDir(card).removeRecursively();
    QVERIFY(w->Drive1->setDrive(cardDrive));
    expectOkMessage(d.lastMessage(), QStringLiteral("Drive is not responding. Check Disk"),
                    MsgIcon::Critical);
    QCOMPARE(w->Drive1->drive(), cardDrive);
    QCOMPARE(w->Dir1->path(), d.stick);
    QCOMPARE(w->File1->path(), d.stick);
}

void TestExportMedia::settingsRestoredOnNextOpening() {
    Device d;
    const QString sub = d.onStick("Music");
    makeFile(sub + "/x.mp3");
    frmPort* w = d.openOn(d.stick);
    w->Dir1->openEntry(d.folderRow(sub));
    QCOMPARE(w->File1->path(), sub);

    w->chkSequence->click();
    QVERIFY(d.state.settings.Sequence);
    w->chkSequence->click();
    QVERIFY(!d.state.settings.Sequence);
    w->chkSequence->click();
    // The choice is stored when the drop-down loses the focus.
    w->activateWindow();
    w->lstPlaylist->setFocus();
    d.choose("M3U");
    QVERIFY(d.state.settings.ExportPlaylist.isEmpty());
    w->txtMask->setFocus();
    QTRY_COMPARE(d.state.settings.ExportPlaylist, QStringLiteral("M3U"));
    w->txtMask->setText(QStringLiteral("*.mp3"));
    WindowGeometry::setOuterHeight(w, 4500);
    WindowGeometry::setLeft(w, 1500);
    WindowGeometry::setTop(w, 2250);
    d.choose("PLS");
    d.close();

    const AppSettings& s = d.state.settings;
    QCOMPARE(s.PortH, 4500.0);
    QCOMPARE(s.PortX, 1500.0);
    QCOMPARE(s.PortY, 2250.0);
    QVERIFY(s.Sequence);
    QCOMPARE(s.ExportPlaylist, QStringLiteral("PLS"));
    QCOMPARE(s.DriveExport, d.stickDrive());
    QCOMPARE(s.DirExport, sub);
    QCOMPARE(s.FileExport, sub);

    w = d.open();
    QCOMPARE(w->Drive1->drive(), d.stickDrive());
    QCOMPARE(w->Dir1->path(), sub);
    QCOMPARE(w->File1->path(), sub);
    QCOMPARE(d.listed(), QStringList({"x.mp3"}));
    QVERIFY(w->chkSequence->isChecked());
    QCOMPARE(w->lstPlaylist->currentText(), QStringLiteral("PLS"));
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.*"));
    QCOMPARE(WindowGeometry::outerHeight(w), 4500.0);
    QCOMPARE(WindowGeometry::left(w), 1500.0);
    QCOMPARE(WindowGeometry::top(w), 2250.0);
    QCOMPARE(w->fileListColour(), QColor(224, 224, 224));
}

void TestExportMedia::firstOpeningAndSavedPlacesThatAreGone() {
    Device d;
    // The first run: nothing saved. The lists on the home folder, the window
    // under the main window, no playlist kind chosen.
    frmPort* w = d.open();
    QCOMPARE(w->Dir1->path(), d.home);
    QCOMPARE(w->File1->path(), d.home);
    // (Whole pixels: the twips are those of the nearest pixel.)
    QCOMPARE(WindowGeometry::left(w), Twips::fromPx(Twips::toPx(3000 + 100)));
    QCOMPARE(WindowGeometry::top(w), Twips::fromPx(Twips::toPx(2500 + 3885 + 100)));
    QCOMPARE(WindowGeometry::outerHeight(w), 3465.0);
    QCOMPARE(w->lstPlaylist->currentIndex(), -1);
    QVERIFY(!w->chkSequence->isChecked());
    QVERIFY(d.platform.messages.shown.isEmpty());
    d.close();
    QCOMPARE(d.state.settings.ExportPlaylist, QString());
    QCOMPARE(d.state.settings.DirExport, d.home);

    // Saved places that are gone are passed over; a kind of one character
    // or one the list does not hold selects nothing.
    AppSettings& s = d.state.settings;
    s.DriveExport = QStringLiteral("/media/unplugged [GONE]");
    s.DirExport = d.onStick("gone");
    s.FileExport = d.onStick("gone too");
    s.ExportPlaylist = QStringLiteral("X");
    s.PortH = 0;
    s.PortX = 0;
    s.PortY = 0;
    w = d.open();
    QCOMPARE(w->Dir1->path(), d.home);
    QCOMPARE(w->File1->path(), d.home);
    QCOMPARE(w->lstPlaylist->currentIndex(), -1);
    QVERIFY(d.platform.messages.shown.isEmpty());
    d.close();
    s.ExportPlaylist = QStringLiteral("m3u");
    w = d.open();
    QCOMPARE(w->lstPlaylist->currentIndex(), -1);
    d.close();
    s.ExportPlaylist = QStringLiteral("M3U");
    w = d.open();
    QCOMPARE(w->lstPlaylist->currentText(), QStringLiteral("M3U"));
}

QTEST_MAIN(TestExportMedia)
#include "test_exportmedia.moc"
