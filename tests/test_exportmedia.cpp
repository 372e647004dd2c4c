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
    explicit Lock(const QString& path) : m_path(path), m_old(QFile::permissions(path)) {
        m_immutable = setImmutable(true);
        if (!m_immutable && ::geteuid() != 0 && QFileInfo(path).isDir())
            m_locked = QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        m_locked = m_locked || m_immutable;
    }
    ~Lock() {
        if (m_immutable)
            setImmutable(false);
        else if (m_locked)
            QFile::setPermissions(m_path, m_old);
    }
    bool locked() const { return m_locked; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK);
        int flags = 0;
        bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok;
    }

    QString m_path;
    QFile::Permissions m_old;
    bool m_immutable = false;
    bool m_locked = false;
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
    void expectEnd(const QString& text) const;
};

const QColor kGrey(224, 224, 224);
const QColor kSilver(192, 192, 192);
const QString kComplete = QStringLiteral("Export Complete!");
const QString kCopyError = QStringLiteral(
    "An error has occurred.  The drive may be full.  All files may not have been copied.");

void expectQuestion(const ShownMessage& q, const QString& title, const QString& text) {
    QCOMPARE(q.title, title);
    QCOMPARE(q.text, text);
    QCOMPARE(q.buttons, MsgButtons::YesNo);
    QCOMPARE(q.icon, MsgIcon::None);
}

// The end of Copy Playlist: its message and the silver list.
void Device::expectEnd(const QString& text) const {
    expectOkMessage(lastMessage(), text, MsgIcon::Exclamation);
    QCOMPARE(w->fileListColour(), kSilver);
}

QStringList captions(const QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

// The folder both lists show, or both folders when they differ.
template <typename Window> QString lists(const Window* w) {
    const QString dir = w->Dir1->path(), files = w->File1->path();
    return dir == files ? dir : dir + QStringLiteral(" | ") + files;
}

// Left, top and outer height in twips.
QList<double> placeOf(const QWidget* w) {
    return {WindowGeometry::left(w), WindowGeometry::top(w), WindowGeometry::outerHeight(w)};
}

QSizeF outerSize(const QWidget* w) {
    return QSizeF(WindowGeometry::outerWidth(w), WindowGeometry::outerHeight(w));
}

void place(QWidget* w, double left, double top, double height) {
    WindowGeometry::setLeft(w, left);
    WindowGeometry::setTop(w, top);
    WindowGeometry::setOuterHeight(w, height);
}

} // namespace

class TestExportMedia : public QObject {
    Q_OBJECT
private slots:
    void layoutColoursAndMenus();
    void resizeRules();
    void copyNumbersCopiesInPlayOrder();
    void copyUnderOwnNamesAndDuplicates();
    void playlistFileKinds_data();
    void playlistFileKinds();
    void copyFailures_data();
    void copyFailures();
    void cancelStopsAfterTheCurrentFile();
    void createFolder();
    void removeFolder();
    void removeSelectedFiles();
    void removeAllFiles();
    void patternExploreAndTags();
    void driveChangeAndDriveThatIsGone();
    void settingsRestoredOnNextOpening();
};

void TestExportMedia::layoutColoursAndMenus() {
    Device d;
    makeFile(d.onStick("a.mp3"));
    frmPort* w = d.openOn(d.stick);
    QCOMPARE(w->windowTitle(), QStringLiteral("Jukora - Export Media"));
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 0, 128));

    // One control of each kind: place, colours, font.
    QCOMPARE(w->Drive1->geometry(), QRect(0, 1, 169, 21));
    QCOMPARE(w->Drive1->palette().color(QPalette::Base), kGrey);
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.*"));
    QCOMPARE(w->txtMask->palette().color(QPalette::Text), QColor(0, 0, 192));
    QCOMPARE(w->txtMask->font().family(), QStringLiteral("MS Sans Serif"));
    QVERIFY(!w->Explorer->icon().isNull());
    QStringList kinds;
    for (int i = 0; i < w->lstPlaylist->count(); ++i)
        kinds << w->lstPlaylist->itemText(i);
    QCOMPARE(kinds, QStringList({"N/A", "M3U", "PLS"}));
    QCOMPARE(w->chkSequence->text(), QStringLiteral("Sequence"));
    QCOMPARE(w->chkSequence->palette().color(QPalette::WindowText), QColor(192, 192, 255));
    QCOMPARE(w->File1->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(w->fileListColour(), kGrey);
    QStringList buttons;
    for (QPushButton* b : {w->cmdAddfolder, w->cmdRemovefolder, w->btnDelete, w->btnClear,
                           w->btnRefresh, w->cmdCopy})
        buttons << b->text();
    QCOMPARE(buttons,
             QStringList({"Add", "Remove", "Remove", "Remove All", "Refresh", "Copy Playlist"}));
    QCOMPARE(w->cmdCopy->size(), QSize(92, 17));
    QCOMPARE(w->cmdCopy->palette().color(QPalette::Button), QColor(255, 128, 128));
    QVERIFY(w->cmdCopy->font().bold());

    QCOMPARE(captions(w->mnuDeviceFiles),
             QStringList({"Remove Selected", "Remove All", "-", "Get MP3 ID3 Information"}));
    QCOMPARE(captions(w->mnuFolderList), QStringList({"Explore", "Remove Folder"}));
    // The right button opens the menus and leaves the selection alone.
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
    QCOMPARE(outerSize(w), QSizeF(7560.0, 3465.0));
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
    QCOMPARE(outerSize(w), QSizeF(7560.0, 6000.0));
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
    const QString one = d.song("one.mp3", 1500, '1');
    d.host.entries = {one, d.music + "/gone.mp3", d.song("three.mp3", 3500, '3')};
    w->chkSequence->click();
    QVERIFY(d.state.settings.Sequence);
    d.choose("M3U");
    w->cmdCopy_Click();

    // Entries 1 and 3 are copied under their numbers; 2 leaves a gap, and
    // the playlist file still names it.
    const QStringList copies = {"0001-one.mp3", "0003-three.mp3", "playlist.m3u"};
    QCOMPARE(filesIn(d.stick), copies);
    QCOMPARE(readBytes(d.onStick("0001-one.mp3")), QByteArray(1500, '1'));
    QCOMPARE(readBytes(d.onStick("0003-three.mp3")), QByteArray(3500, '3'));
    QCOMPARE(d.host.exports, QStringList({"M3U " + d.onStick("playlist.m3u") + " 1 1"}));
    const QByteArray list = readBytes(d.onStick("playlist.m3u"));
    QCOMPARE(list, M3uFormat::render(d.host.entries, true, true));
    QCOMPARE(M3uFormat::parse(list, d.onStick("playlist.m3u")),
             QStringList({d.onStick("0001-one.mp3"), d.onStick("0002-gone.mp3"),
                          d.onStick("0003-three.mp3")}));
    QCOMPARE(d.platform.messages.shown.size(), 1);
    d.expectEnd(kComplete);
    QCOMPARE(d.listed(), copies);

    // A second run asks nothing and replaces the copy and the playlist
    // file; the older copy of entry 3 stays.
    writeBytes(one, QByteArray(50, 'y'));
    d.host.entries = {one};
    w->cmdCopy_Click();
    QCOMPARE(d.platform.messages.shown.size(), 2);
    d.expectEnd(kComplete);
    QCOMPARE(filesIn(d.stick), copies);
    QCOMPARE(readBytes(d.onStick("0001-one.mp3")), QByteArray(50, 'y'));
    QCOMPARE(readBytes(d.onStick("playlist.m3u")), M3uFormat::render({one}, true, true));

    // The device folder follows the folder opened in the folder list.
    QDir().mkpath(d.onStick("Music"));
    w->btnRefresh_Click();
    w->Dir1->openEntry(d.folderRow(d.onStick("Music")));
    QCOMPARE(w->File1->path(), d.onStick("Music"));
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.onStick("Music")), QStringList({"0001-one.mp3", "playlist.m3u"}));
}

void TestExportMedia::copyUnderOwnNamesAndDuplicates() {
    Device d;
    frmPort* w = d.openOn(d.stick);
    makeFile(d.music + "/a/song.mp3", QByteArray(100, 'a'));
    makeFile(d.music + "/b/song.mp3", QByteArray(200, 'b'));
    makeFile(d.music + "/c/song.mp3", QByteArray(300, 'c'));
    d.host.entries = {d.music + "/a/song.mp3", d.song("other.mp3"), d.music + "/b/song.mp3"};
    w->cmdCopy_Click();

    // Sequence off: own names; the later of two same-named entries replaces
    // the earlier, and the box names the replacement on a second line.
    QCOMPARE(filesIn(d.stick), QStringList({"other.mp3", "song.mp3"}));
    QCOMPARE(readBytes(d.onStick("song.mp3")), QByteArray(200, 'b'));
    d.expectEnd(kComplete + "\r\n1 copy was replaced by a later entry of the same name.");
    d.host.entries << d.music + "/c/song.mp3";
    w->cmdCopy_Click();
    QCOMPARE(readBytes(d.onStick("song.mp3")), QByteArray(300, 'c'));
    d.expectEnd(kComplete + "\r\n2 copies were replaced by later entries of the same name.");

    // Sequence on: every copy keeps its own number, nothing is replaced.
    w->chkSequence->click();
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick), QStringList({"0001-song.mp3", "0002-other.mp3", "0003-song.mp3",
                                            "0004-song.mp3", "other.mp3", "song.mp3"}));
    QCOMPARE(readBytes(d.onStick("0001-song.mp3")), QByteArray(100, 'a'));
    d.expectEnd(kComplete);
    QVERIFY(d.host.exports.isEmpty()); // nothing chosen: no playlist file
}

void TestExportMedia::playlistFileKinds_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("sequence");
    QTest::addColumn<bool>("songs");
    QTest::addColumn<bool>("blocked"); // a folder has the playlist file's name
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("named"); // what a PLS file names
    const QStringList numbered = {"0001-a.mp3", "0003-c.mp3"};
    QTest::newRow("PLS") << "PLS" << false << true << false
                         << QStringList({"a.mp3", "c.mp3", "playlist.pls"})
                         << QStringList({"a.mp3", "missing.mp3", "c.mp3"});
    QTest::newRow("PLS numbered") << "PLS" << true << true << false
                                  << numbered + QStringList{"playlist.pls"}
                                  << QStringList({"0001-a.mp3", "0002-missing.mp3", "0003-c.mp3"});
    QTest::newRow("N/A") << "N/A" << true << true << false << numbered << QStringList();
    QTest::newRow("no choice") << QString() << true << true << false << numbered << QStringList();
    // An empty playlist copies nothing and still writes the chosen file.
    QTest::newRow("empty M3U") << "M3U" << true << false << false << QStringList({"playlist.m3u"})
                               << QStringList();
    // The file that could not be written is no success.
    QTest::newRow("M3U not written")
        << "M3U" << false << true << true << QStringList({"a.mp3", "c.mp3"}) << QStringList();
}

void TestExportMedia::playlistFileKinds() {
    QFETCH(QString, kind);
    QFETCH(bool, sequence);
    QFETCH(bool, songs);
    QFETCH(bool, blocked);
    QFETCH(QStringList, files);
    QFETCH(QStringList, named);
    Device d;
    frmPort* w = d.openOn(d.stick);
    if (songs)
        d.host.entries = {d.song("a.mp3"), d.music + "/missing.mp3", d.song("c.mp3")};
    if (sequence)
        w->chkSequence->click();
    if (!kind.isEmpty())
        d.choose(kind);
    const QString list = d.onStick("playlist." + kind.toLower());
    if (blocked)
        QDir().mkpath(list);
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick), files);
    QCOMPARE(d.platform.messages.shown.size(), 1);
    d.expectEnd(blocked ? kCopyError : kComplete);
    if (!QFileInfo(list).isFile()) {
        QCOMPARE(d.host.exports.size(), blocked ? 1 : 0);
        return;
    }
    QCOMPARE(d.host.exports, QStringList({kind + u' ' + list + (sequence ? " 1 1" : " 1 0")}));
    const QByteArray bytes = readBytes(list);
    if (kind == QLatin1String("PLS")) {
        QCOMPARE(bytes, PlsFormat::render(d.host.entries, true, sequence));
        QCOMPARE(PlsFormat::parse(bytes), named);
    } else {
        QCOMPARE(bytes, M3uFormat::render(d.host.entries, true, sequence));
    }
}

void TestExportMedia::copyFailures_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("left"); // what the folder holds after
    QTest::newRow("folder unwritable") << "locked" << QStringList({"old.mp3"});
    QTest::newRow("folder gone") << "gone" << QStringList();
    QTest::newRow("device full") << "full"
                                 << QStringList({"0001-small1.mp3", "0002-small2.mp3", "old.mp3"});
}

void TestExportMedia::copyFailures() {
    QFETCH(QString, failure);
    QFETCH(QStringList, left);
    Device d;
    const QString target = d.onStick("target");
    makeFile(target + "/old.mp3", "old");
    frmPort* w = d.openOn(target);
    d.host.entries = {d.song("small1.mp3", 100 * 1024), d.song("small2.mp3", 200 * 1024),
                      d.song("big.mp3", 3 * 1024 * 1024), d.song("after.mp3", 1000)};
    w->chkSequence->click();
    d.choose("PLS");
    if (failure == QLatin1String("locked")) {
        Lock lock(target);
        if (!lock.locked())
            QSKIP("this process cannot make a folder unwritable");
        w->cmdCopy_Click();
    } else if (failure == QLatin1String("gone")) { // the device was pulled out
        QDir(target).removeRecursively();
        w->cmdCopy_Click();
    } else {
        // The limit on file size stands in for a full device: a write past
        // it fails part-way, as on a device that fills up.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 1024 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        w->cmdCopy_Click();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(QFileInfo(target + "/0002-small2.mp3").size(), 200 * 1024);
        QCOMPARE(d.listed(), left);
    }
    // The copies before the failure stay, no truncated or temporary file is
    // left, the rest is not copied and no playlist file is written.
    QCOMPARE(filesIn(target), left);
    QVERIFY(d.host.exports.isEmpty());
    QCOMPARE(d.platform.messages.shown.size(), 1);
    d.expectEnd(kCopyError);
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
    d.expectEnd(QStringLiteral("Copy cancelled."));
    QVERIFY(!w->copyProgress);
    QCOMPARE(d.listed(), QStringList({"0001-song1.mp3"}));

    // The next run is a whole one again.
    disconnect(pressCancel);
    w->cmdCopy_Click();
    QCOMPARE(filesIn(d.stick).size(), 5);
    d.expectEnd(kComplete);

    // Closing the window while it copies stops the copy after the file it
    // is on; the window closes, storing its settings, once the command ends.
    bool unloaded = false;
    connect(w, &frmPort::unloaded, this, [&] { unloaded = true; });
    connect(w, &frmPort::fileCopied, this, [&](int entry) {
        if (entry == 2)
            w->close();
        QVERIFY(!unloaded);
    });
    const QString later = d.onStick("later");
    QDir().mkpath(later);
    w->Dir1->setPath(later);
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
    // So does an existing name given in answer to the question.
    w->txtFolder->setText(QStringLiteral("New Folder Name"));
    messages.textAnswers.push_back(QStringLiteral("Asked"));
    w->cmdAddfolder_Click();
    QCOMPARE(d.lastMessage().text, QStringLiteral("Could not create new folder!"));
    QCOMPARE(w->txtFolder->text(), QStringLiteral("Asked"));
}

void TestExportMedia::removeFolder() {
    Device d;
    // The album holds files, a subfolder, a hidden file and links out of it,
    // to a folder and to a file.
    const QString outside = d.env.path("outside");
    makeFile(outside + "/precious.mp3", "keep");
    makeFile(outside + "/sub/deeper.mp3", "keep");
    const QString album = d.onStick("Album");
    makeFiles(album, {"one.mp3", "Disc 2/two.mp3", ".hidden"});
    QVERIFY(QFile::link(outside, album + "/to-folder"));
    QVERIFY(QFile::link(outside + "/precious.mp3", album + "/to-file.mp3"));
    QVERIFY(QFile::link(outside + "/sub", album + "/Disc 2/to-sub"));
    // A link to a folder, listed as a folder of the stick.
    QVERIFY(QFile::link(outside, d.onStick("Linked")));
    makeFile(d.onStick("song.mp3"));
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.platform.messages;
    const QString question = QStringLiteral("Are you sure you want to delete this folder? \r\n");
    const QString cannot = QStringLiteral("Cannot Delete Folder.");
    const auto remove = [&](const QString& folder, MsgAnswer answer) {
        w->Dir1->setHighlighted(d.folderRow(folder));
        QCOMPARE(w->Dir1->highlightedPath(), folder);
        messages.answers = {answer};
        w->cmdRemovefolder_Click();
    };

    // No: nothing happens.
    remove(album, MsgAnswer::No);
    QCOMPARE(messages.shown.size(), 1);
    expectQuestion(messages.shown[0], QStringLiteral("Remove Folder"), question + album);
    QVERIFY(QFileInfo(album + "/Disc 2/two.mp3").exists());

    // Yes: the folder goes with all it holds, never what its links point
    // to; the lists go to the drive's folder.
    w->Dir1->setHighlighted(d.folderRow(album));
    messages.answers = {MsgAnswer::Yes};
    w->mnuRemoveFolder->trigger();
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(!QFileInfo::exists(album));
    QCOMPARE(readBytes(outside + "/precious.mp3"), QByteArray("keep"));
    QCOMPARE(readBytes(outside + "/sub/deeper.mp3"), QByteArray("keep"));
    QCOMPARE(lists(w), d.stick);
    QCOMPARE(d.folderRow(album), -1);

    // Removing the linked folder removes the link only.
    remove(d.onStick("Linked"), MsgAnswer::Yes);
    QCOMPARE(messages.shown.size(), 3);
    QVERIFY(!QFileInfo(d.onStick("Linked")).isSymLink());
    QCOMPARE(readBytes(outside + "/precious.mp3"), QByteArray("keep"));

    // A read-only file inside makes it fail: the message, and the lists
    // stay on the open folder (the one removed when nothing else is
    // highlighted).
    const QString kept = d.onStick("Kept");
    makeFile(kept + "/zz-readonly.mp3");
    QFile::setPermissions(kept + "/zz-readonly.mp3", QFile::ReadOwner);
    w->btnRefresh_Click();
    w->Dir1->openEntry(d.folderRow(kept));
    QCOMPARE(w->Dir1->highlightedPath(), kept);
    messages.answers = {MsgAnswer::Yes};
    w->cmdRemovefolder_Click();
    QCOMPARE(messages.shown[3].text, question + kept);
    expectOkMessage(d.lastMessage(), cannot, MsgIcon::Critical);
    QVERIFY(QFileInfo::exists(kept + "/zz-readonly.mp3"));
    QCOMPARE(w->Dir1->path(), kept);

    // The drive's root is never removed, nor emptied; nor a folder that
    // holds a drive (here the home folder's).
    w->Dir1->setPath(d.stick);
    remove(d.stick, MsgAnswer::Yes);
    expectOkMessage(d.lastMessage(), cannot, MsgIcon::Critical);
    QVERIFY(QFileInfo::exists(d.onStick("song.mp3")));
    w->Dir1->setPath(d.home);
    remove(QFileInfo(d.home).path(), MsgAnswer::Yes);
    QCOMPARE(messages.shown.size(), 9);
    expectOkMessage(d.lastMessage(), cannot, MsgIcon::Critical);
    QVERIFY(QFileInfo::exists(d.onStick("song.mp3")));
    QVERIFY(QFileInfo::exists(outside + "/precious.mp3"));
}

void TestExportMedia::removeSelectedFiles() {
    Device d;
    makeFiles(d.stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    QFile::setPermissions(d.onStick("c.mp3"), QFile::ReadOwner);
    frmPort* w = d.openOn(d.stick);
    auto& messages = d.platform.messages;
    const QString question = QStringLiteral("Are you sure you want to delete this file?\r\n");

    // Nothing selected: no question, the list silver.
    w->btnDelete_Click();
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(w->fileListColour(), kSilver);

    // One question per selected file; No skips only that file; a read-only
    // file is deleted too.
    for (int row : {0, 1, 2})
        w->File1->setSelected(row, true);
    w->File1->setFocused(1);
    messages.answers = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes};
    w->btnDelete->click();
    QCOMPARE(messages.shown.size(), 3);
    for (int i = 0; i < 3; ++i)
        expectQuestion(messages.shown[i], QStringLiteral("Remove File"),
                       question + d.onStick(QStringList({"a.mp3", "b.mp3", "c.mp3"})[i]));
    QCOMPARE(filesIn(d.stick), QStringList({"b.mp3", "d.mp3", "e.mp3"}));
    QCOMPARE(w->fileListColour(), kSilver);
    // The file now at the old focused position is selected.
    QCOMPARE(d.listed(), QStringList({"b.mp3", "d.mp3", "e.mp3"}));
    QCOMPARE(w->File1->selectedRows(), QList<int>({1}));

    // Double-clicking a file asks to delete it.
    messages.shown.clear();
    w->File1->clearSelection();
    const QPoint at = w->File1->visualRect(w->File1->model()->index(2, 0)).center();
    messages.answers = {MsgAnswer::Yes};
    QTest::mouseDClick(w->File1->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(messages.texts(), QStringList({question + d.onStick("e.mp3")}));
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
    const QString question = QStringLiteral("Are you sure you want to delete all of these files? ");

    // An empty list: the question still, nothing changes, the list silver.
    messages.answers = {MsgAnswer::Yes};
    w->btnClear_Click();
    QCOMPARE(messages.shown.size(), 1);
    expectQuestion(messages.shown[0], QStringLiteral("Remove Files"), question);
    QCOMPARE(w->fileListColour(), kSilver);

    // What the list shows goes; subfolders and files the pattern hides stay.
    makeFiles(d.stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "notes.txt"});
    makeFile(d.onStick("Sub/inner.mp3"));
    w->txtMask->setText(QStringLiteral("*.mp3"));
    QCOMPARE(d.listed(), QStringList({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
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
    QCOMPARE(messages.shown.size(), 3);
    expectQuestion(messages.shown.last(), QStringLiteral("Remove Files"), question);
    QCOMPARE(filesIn(d.stick), QStringList({"b.mp3", "notes.txt"}));
    QCOMPARE(filesIn(d.onStick("Sub")), QStringList({"inner.mp3"}));
    QCOMPARE(d.listed(), QStringList({"b.mp3"}));
    QCOMPARE(w->fileListColour(), kSilver);
}

void TestExportMedia::patternExploreAndTags() {
    Device d;
    makeFiles(d.stick, {"a.mp3", "b.ogg", "c.MP3", "d.txt"});
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
    QCOMPARE(lists(w), card);
    QCOMPARE(d.listed(), QStringList({"on-card.mp3"}));
    QVERIFY(d.platform.messages.shown.isEmpty());

    // The card is pulled out while the list still shows it.
    QVERIFY(w->Drive1->setDrive(d.stickDrive()));
    QDir(card).removeRecursively();
    QVERIFY(w->Drive1->setDrive(cardDrive));
    expectOkMessage(d.lastMessage(), QStringLiteral("Drive is not responding. Check Disk"),
                    MsgIcon::Critical);
    QCOMPARE(w->Drive1->drive(), cardDrive);
    QCOMPARE(lists(w), d.stick);
}

void TestExportMedia::settingsRestoredOnNextOpening() {
    Device d;
    // The first run: the lists on the home folder, the window under the
    // main window (to the nearest pixel), no playlist kind chosen.
    frmPort* w = d.open();
    QCOMPARE(lists(w), d.home);
    QCOMPARE(placeOf(w), QList<double>({Twips::fromPx(Twips::toPx(3000 + 100)),
                                        Twips::fromPx(Twips::toPx(2500 + 3885 + 100)), 3465.0}));
    QCOMPARE(w->lstPlaylist->currentIndex(), -1);
    QVERIFY(!w->chkSequence->isChecked());
    d.close();
    AppSettings& s = d.state.settings;
    QCOMPARE(s.ExportPlaylist, QString());
    QCOMPARE(s.DirExport, d.home);

    const QString sub = d.onStick("Music");
    makeFile(sub + "/x.mp3");
    w = d.openOn(d.stick);
    w->Dir1->openEntry(d.folderRow(sub));
    QCOMPARE(w->File1->path(), sub);
    w->chkSequence->click();
    QVERIFY(s.Sequence);
    // The kind is stored when the drop-down loses the focus.
    w->activateWindow();
    w->lstPlaylist->setFocus();
    d.choose("M3U");
    QVERIFY(s.ExportPlaylist.isEmpty());
    w->txtMask->setFocus();
    QTRY_COMPARE(s.ExportPlaylist, QStringLiteral("M3U"));
    w->txtMask->setText(QStringLiteral("*.mp3"));
    place(w, 1500, 2250, 4500);
    d.choose("PLS");
    d.close();
    QCOMPARE(s.PortH, 4500.0);
    QCOMPARE(s.PortX, 1500.0);
    QCOMPARE(s.PortY, 2250.0);
    QVERIFY(s.Sequence);
    QCOMPARE(s.ExportPlaylist, QStringLiteral("PLS"));
    QCOMPARE(s.DriveExport, d.stickDrive());
    QCOMPARE(s.DirExport, sub);
    QCOMPARE(s.FileExport, sub);

    // All of it comes back but the pattern.
    w = d.open();
    QCOMPARE(w->Drive1->drive(), d.stickDrive());
    QCOMPARE(w->Dir1->path(), sub);
    QCOMPARE(d.listed(), QStringList({"x.mp3"}));
    QVERIFY(w->chkSequence->isChecked());
    QCOMPARE(w->lstPlaylist->currentText(), QStringLiteral("PLS"));
    QCOMPARE(w->txtMask->text(), QStringLiteral("*.*"));
    QCOMPARE(placeOf(w), QList<double>({1500.0, 2250.0, 4500.0}));
    QCOMPARE(w->fileListColour(), kGrey);
    d.close();

    // Saved places that are gone are passed over; a kind the list does not
    // hold (in another case too) selects nothing.
    s.DriveExport = QStringLiteral("/media/unplugged [GONE]");
    s.DirExport = d.onStick("gone");
    s.FileExport = d.onStick("gone too");
    s.PortH = s.PortX = s.PortY = 0;
    for (const char* kind : {"X", "m3u", "M3U"}) {
        s.ExportPlaylist = QLatin1String(kind);
        w = d.open();
        QCOMPARE(lists(w), d.home);
        QCOMPARE(w->lstPlaylist->currentText(),
                 s.ExportPlaylist == QLatin1String("M3U") ? s.ExportPlaylist : QString());
        d.close();
    }
    QVERIFY(d.platform.messages.shown.isEmpty());
}

QTEST_MAIN(TestExportMedia)
#include "test_exportmedia.moc"
