// The copy onto a device and the deletes on it, on real file systems: folders,
// small tmpfs mounts, FAT and exFAT images.
#include "support/TestEnv.h"
#include "support/Volumes.h"

#include "core/device/DeviceCopy.h"
#include "core/device/DeviceFolders.h"
#include "core/files/VolumeList.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlsFormat.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using DeviceCopy::Outcome;

namespace {

bool run(const QStringList& command) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(command.first(), command.mid(1));
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A file system mounted on a new folder for one test, unmounted after it;
// root is empty where this process cannot mount it.
struct Mount {
    QString root;
    Mount(const QString& at, const QString& type, const QString& size) {
        QDir().mkpath(at);
        const QByteArray options = "size=" + size.toLatin1();
        if (::mount("jukora-test", QFile::encodeName(at).constData(), type.toLatin1().constData(),
                    0, options.constData()) == 0)
            root = at;
    }
    // An image made by mkfs, mounted by the kernel or else through FUSE.
    Mount(const QString& at, const QString& image, const QStringList& mkfs,
          const QList<QStringList>& mounts) {
        QDir().mkpath(at);
        writeBytes(image, {});
        if (!QFile::resize(image, 32 * 1024 * 1024) || !run(mkfs + QStringList{image}))
            return;
        for (const QStringList& command : mounts)
            if (root.isEmpty() && run(command + QStringList{image, at}))
                root = at;
    }
    ~Mount() {
        if (!root.isEmpty() && ::umount2(QFile::encodeName(root).constData(), 0) != 0)
            ::umount2(QFile::encodeName(root).constData(), MNT_DETACH);
    }
};

// A device folder, the music beside it and the copy's inputs.
struct Copy {
    TestEnv env;
    QString device = env.path("device");
    DeviceCopy::Job job;
    QList<DeviceCopy::Progress> seen;
    QList<int> reported; // entries reported copied
    std::function<bool(const DeviceCopy::Progress&)> answer;
    Copy() {
        QDir().mkpath(device);
        job.folder = device;
    }
    QString song(const QString& name, qint64 size = 2000, char fill = 'm') {
        const QString path = env.path("music/" + name);
        makeFile(path, QByteArray(size, fill));
        return path;
    }
    DeviceCopy::Result run() {
        return DeviceCopy::run(
            job,
            [this](const DeviceCopy::Progress& p) {
                seen << p;
                return !answer || answer(p);
            },
            [this](int entry) { reported << entry; });
    }
};

} // namespace

class TestDeviceCopy : public QObject {
    Q_OBJECT
private slots:
    void names() {
        // Too long for 255 bytes, or 255 UTF-16 units on FAT: cut before the
        // extension, at a character's boundary.
        const QString n246 = QString(246, u'n') + ".mp3", smile = QString::fromUtf8("😀"),
                      x254 = QString(254, u'x');
        const struct {
            QString source;
            int position;
            bool sequence;
            QString name, onFat;
        } cases[] = {
            {"/m/Song.mp3", 3, false, "Song.mp3", "Song.mp3"},
            {"/m/Song.mp3", 10000, true, "10000-Song.mp3", "10000-Song.mp3"},
            {"/m/a:b?\"*<>|\\c.mp3", 1, true, "0001-a:b?\"*<>|\\c.mp3", "0001-a_b_______c.mp3"},
            {"/m/a\tb\x01.mp3", 1, false, "a\tb\x01.mp3", "a_b_.mp3"},
            {"/m/end. . ", 2, false, "end. . ", "end____"},
            {"/m/a. b.mp3", 2, false, "a. b.mp3", "a. b.mp3"},
            {"/m/nnnn" + n246, 1, true, "0001-" + n246, "0001-" + n246},
            {"/m/" + smile.repeated(130) + ".mp3", 1, false, smile.repeated(62) + ".mp3",
             smile.repeated(125) + ".mp3"},
            {"/m/" + QString(130, u'é') + ".m", 1, false, QString(126, u'é') + ".m",
             QString(130, u'é') + ".m"},
            {"/m/" + x254 + " y", 1, false, x254 + ' ', x254 + '_'},
        };
        for (const auto& t : cases) {
            QCOMPARE(DeviceCopy::copyName(t.source, t.position, t.sequence), t.name);
            QCOMPARE(DeviceCopy::copyName(t.source, t.position, t.sequence, {.fat = true}),
                     t.onFat);
        }
    }
    void copiesGapsDuplicatesAndPlaylists() {
        Copy c;
        const QString one = c.song("one.mp3", 1000, '1');
        // A name of 254 bytes is cut to fit 255 with its number.
        const QString cut = QString(246, u'n') + ".mp3";
        c.job.entries = {one, c.env.path("music/gone.mp3"), c.song("three.mp3", 3000, '3'),
                         c.song("nnnn" + cut, 10)};
        c.job.sequence = true;
        c.job.playlistType = "M3U";
        auto r = c.run();
        QCOMPARE(r.outcome, Outcome::Complete);
        QCOMPARE(r.copied, 3);
        QCOMPARE(c.reported, QList<int>({1, 3, 4}));
        // The missing entry leaves a gap; the playlist file still names it.
        QCOMPARE(filesIn(c.device),
                 QStringList({"0001-one.mp3", "0003-three.mp3", "0004-" + cut, "playlist.m3u"}));
        QCOMPARE(readBytes(c.device + "/0003-three.mp3"), QByteArray(3000, '3'));
        QCOMPARE(readBytes(c.device + "/playlist.m3u"),
                 M3uFormat::render(c.job.entries.mid(0, 3) << cut, true, true));
        QCOMPARE(c.seen.last().bytesDone, 4010);
        QCOMPARE(c.seen.last().bytesTotal, 4010);
        // The copy keeps the source's time of last change.
        QCOMPARE(QFileInfo(c.device + "/0001-one.mp3").lastModified(),
                 QFileInfo(one).lastModified());

        // Same names from two folders, or the same file twice: the later
        // replaces the earlier and is counted, a copy from an earlier run is no
        // duplicate. A folder ending in a separator gets no second one.
        c.job.entries = {one, c.song("a/song.mp3", 100, 'a'), c.song("b/song.mp3", 200, 'b'), one};
        c.job.sequence = false;
        c.job.playlistType = "PLS";
        c.job.folder = c.device + "/";
        r = c.run();
        QCOMPARE(r.copied, 4);
        QCOMPARE(r.replaced, 2);
        QCOMPARE(readBytes(c.device + "/song.mp3"), QByteArray(200, 'b'));
        QCOMPARE(PlsFormat::read(c.device + "/playlist.pls"),
                 QStringList({"one.mp3", "song.mp3", "song.mp3", "one.mp3"}));

        // An empty playlist copies nothing and still writes the chosen file.
        c.job.entries.clear();
        c.job.playlistType = "M3U";
        QCOMPARE(c.run().outcome, Outcome::Complete);
        QCOMPARE(readBytes(c.device + "/playlist.m3u"), M3uFormat::render({}, true, false));
    }
    void failuresLeaveNoPartialFile_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("copied");
        QTest::addColumn<QStringList>("left");
        const QStringList first = {"0001-small.mp3"}, two = {"0001-small.mp3", "0002-big.mp3"};
        QTest::newRow("device full") << "full" << 1 << QStringList({"0001-small.mp3", "old.mp3"});
        QTest::newRow("folder gone") << "gone" << 0 << QStringList();
        QTest::newRow("read-only copy in the way") << "readonly" << 1 << two;
        QTest::newRow("playlist file blocked") << "playlist" << 2 << two;
        QTest::newRow("cut short") << "cut" << 1 << first;
        QTest::newRow("grown") << "grown" << 1 << first;
        QTest::newRow("cancelled") << "cancel" << 1 << first;
    }
    void failuresLeaveNoPartialFile() {
        QFETCH(QString, failure);
        QFETCH(int, copied);
        QFETCH(QStringList, left);
        Copy c;
        const QString big = c.song("big.mp3", 3 * 1024 * 1024);
        c.job.entries = {c.song("small.mp3", 100 * 1024), big, c.song("after.mp3", 1000)};
        c.job.sequence = true;
        c.job.playlistType = "PLS";
        std::optional<Mount> small;
        if (failure == QLatin1String("full")) {
            // A real device that fills up in the second file.
            small.emplace(c.env.path("small"), QStringLiteral("tmpfs"), QStringLiteral("1m"));
            if (small->root.isEmpty())
                QSKIP("this process cannot mount a file system");
            c.job.folder = small->root;
            makeFile(c.job.folder + "/old.mp3", "old");
        } else if (failure == QLatin1String("gone")) {
            c.job.folder = c.env.path("unplugged");
        } else if (failure == QLatin1String("readonly")) {
            makeFile(c.device + "/0002-big.mp3", "kept");
            QFile::setPermissions(c.device + "/0002-big.mp3", QFile::ReadOwner);
        } else if (failure == QLatin1String("playlist")) {
            c.job.entries.removeLast();
            QDir().mkpath(c.device + "/playlist.pls");
        }
        // After the big file's first piece its size changes, or Cancel is pressed.
        const bool interrupted = QStringList({"cut", "grown", "cancel"}).contains(failure);
        bool acted = false;
        c.answer = [&](const DeviceCopy::Progress& p) {
            if (!interrupted || p.file != 2 || p.bytesDone <= 100 * 1024 || acted)
                return true;
            acted = true;
            if (failure != QLatin1String("cancel"))
                QFile::resize(big, failure == QLatin1String("cut") ? 512 * 1024 : 9 * 1024 * 1024);
            return failure != QLatin1String("cancel");
        };
        const auto r = c.run();
        QCOMPARE(acted, interrupted);
        QCOMPARE(r.outcome,
                 failure == QLatin1String("cancel") ? Outcome::Cancelled : Outcome::Failed);
        QCOMPARE(r.copied, copied);
        QCOMPARE(c.reported.size(), copied);
        // The copies before stay whole; nothing partial, nothing after, no list.
        QCOMPARE(filesIn(c.job.folder), left);
        if (!left.isEmpty())
            QCOMPARE(QFileInfo(c.job.folder + "/0001-small.mp3").size(), 100 * 1024);
        if (failure == QLatin1String("readonly"))
            QCOMPARE(readBytes(c.device + "/0002-big.mp3"), QByteArray("kept"));
    }
    void killedCopyIsCleanedUpNextTime() {
        Copy c;
        c.job.entries = {c.song("big.mp3", 16 * 1024 * 1024)};
        // A copy killed half-way (logout, a crash) leaves its temporary file.
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            DeviceCopy::run(c.job, [&](const DeviceCopy::Progress& p) {
                if (p.bytesDone > 0 && ::write(ready[1], "x", 1) == 1)
                    ::pause();
                return true;
            });
            ::_exit(0);
        }
        char x;
        QCOMPARE(::read(ready[0], &x, 1), 1);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(ready[0]), ::close(ready[1]);
        const QStringList stale = filesIn(c.device);
        QVERIFY(stale.size() == 1 && stale[0].startsWith(".jukora-copy-"));

        // Another run's file, which it holds, and files of other names stay.
        makeFile(c.device + "/.jukora-copy-Running");
        makeFiles(c.device, {".jukora-copy", ".hidden", "jukora-copy-x"});
        const int running = ::open(QFile::encodeName(c.device + "/.jukora-copy-Running"), O_RDONLY);
        QCOMPARE(::flock(running, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(c.run().outcome, Outcome::Complete);
        ::close(running);
        QCOMPARE(filesIn(c.device), QStringList({".hidden", ".jukora-copy", ".jukora-copy-Running",
                                                 "big.mp3", "jukora-copy-x"}));
    }
    void fatVolumes_data() {
        QTest::addColumn<QStringList>("mkfs");
        QTest::addColumn<QList<QStringList>>("mounts");
        QTest::newRow("FAT") << QStringList({"mkfs.vfat"})
                             << QList<QStringList>({{"mount", "-o", "loop", "-t", "vfat"},
                                                    {"fusefat", "-o", "rw+"}});
        // It keeps no permissions and takes names of ASCII only.
        QTest::newRow("FAT through FUSE")
            << QStringList({"mkfs.vfat"}) << QList<QStringList>({{"fusefat", "-o", "rw+"}});
        QTest::newRow("exFAT") << QStringList({"mkfs.exfat"})
                               << QList<QStringList>({{"mount", "-o", "loop", "-t", "exfat"},
                                                      {"mount", "-o", "loop", "-t", "exfat-fuse"}});
    }
    void fatVolumes() {
        QFETCH(QStringList, mkfs);
        QFETCH(QList<QStringList>, mounts);
        Copy c;
        const Mount stick(c.env.path("stick"), c.env.path("stick.img"), mkfs, mounts);
        if (stick.root.isEmpty())
            QSKIP("this process cannot make and mount the image");
        // The system names the volume's type as one whose names follow FAT's.
        c.job.fileSystem = SystemVolumes::instance().fileSystemOf(stick.root);
        QVERIFY2(DeviceCopy::takesFatNames(c.job.fileSystem), qPrintable(c.job.fileSystem));
        c.job.folder = stick.root;
        c.job.entries = {c.song("a:b?.mp3", 300, 'a'),  c.song("Song.mp3", 100, 'S'),
                         c.song("q\"*<>|.mp3"),         c.song("dots.."),
                         c.song("song.mp3", 200, 's'),  c.song("a?b:.mp3", 30, 'b'),
                         c.song("😀 Smile.mp3", 40, 'e')};
        c.job.playlistType = "M3U";
        QByteArrayList songs;
        for (const QString& entry : c.job.entries)
            songs << readBytes(entry);
        // The songs of the copies that the playlist file names.
        const auto copies = [&] {
            QByteArrayList out;
            for (const QString& copy : M3uFormat::read(stick.root + "/playlist.m3u"))
                out << readBytes(copy);
            return out;
        };
        auto r = c.run();
        QCOMPARE(r.outcome, Outcome::Complete);
        // A name differing only in case replaces the earlier copy; one that only
        // the rules made the same gets a number.
        QCOMPARE(r.replaced, 1);
        QCOMPARE(filesIn(stick.root).size(), 7);
        for (const char* name :
             {"a_b_.mp3", "a_b_ (2).mp3", "q_____.mp3", "dots__", "playlist.m3u"})
            QVERIFY2(QFileInfo::exists(stick.root + "/" + name), name);
        QByteArrayList replaced = songs;
        replaced[1] = songs[4];
        QCOMPARE(copies(), replaced);

        // Again, numbered, with a name cut to fit.
        c.job.entries << c.song(QString(250, u'n') + ".mp3", 50, 'n');
        songs << readBytes(c.job.entries.last());
        c.job.sequence = true;
        r = c.run();
        QCOMPARE(r.outcome, Outcome::Complete);
        QCOMPARE(r.replaced, 0);
        QCOMPARE(copies(), songs);
    }
    void removeFolderTrees() {
        TestEnv env;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(env.path("home")));
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", oldHome); });
        const QString stick = env.path("stick"), outside = env.path("outside");
        FixedVolumes volumes;
        volumes.list = {stickAt(stick)};
        // Links out of the album, to a folder and a file, go as links.
        makeFiles(outside, {"precious.mp3", "sub/deeper.mp3"});
        const QString album = stick + "/Album";
        makeFiles(album, {"one.mp3", "Disc 2/two.mp3", ".hidden"});
        QVERIFY(QFile::link(outside, album + "/to-folder"));
        QVERIFY(QFile::link(outside + "/sub/deeper.mp3", album + "/Disc 2/to-file"));
        QVERIFY(QFile::link(outside, stick + "/Linked"));
        for (const QString& folder : {album, stick + "/Linked", album}) // gone already: no failure
            QVERIFY2(DeviceFolders::removeFolder(folder, volumes), qPrintable(folder));
        QVERIFY(!QFileInfo::exists(album) && !QFileInfo(stick + "/Linked").isSymLink());
        QVERIFY(QFileInfo::exists(outside + "/precious.mp3") &&
                QFileInfo::exists(outside + "/sub/deeper.mp3"));

        // A read-only file inside makes it fail. Never removed: the stick's
        // root, the home folder, a folder holding them, "/", a plain file.
        makeFiles(stick, {"Kept/zz-readonly.mp3", "song.mp3"});
        QDir().mkpath(env.path("home"));
        QFile::setPermissions(stick + "/Kept/zz-readonly.mp3", QFile::ReadOwner);
        for (const QString& folder :
             {stick + "/Kept", stick, QDir::homePath(), env.path(""), stick + "/song.mp3"})
            QVERIFY2(!DeviceFolders::removeFolder(folder, volumes), qPrintable(folder));
        QVERIFY(DeviceFolders::isProtected(QStringLiteral("/"), volumes));
        QCOMPARE(filesIn(stick + "/Kept") + filesIn(stick),
                 QStringList({"zz-readonly.mp3", "song.mp3"}));

        // A file system mounted inside that no list names is never removed.
        const QString tree = stick + "/Tree";
        const Mount inner(tree + "/card", QStringLiteral("tmpfs"), QStringLiteral("1m"));
        if (inner.root.isEmpty())
            QSKIP("this process cannot mount a file system");
        makeFile(inner.root + "/on-card.mp3");
        QVERIFY(!DeviceFolders::removeFolder(inner.root, volumes));
        QVERIFY(!DeviceFolders::removeFolder(tree, volumes));
        QVERIFY(QFileInfo::exists(inner.root + "/on-card.mp3"));
    }
    void removeFilesAndCreateFolders() {
        TestEnv env;
        const QString stick = env.path("stick");
        makeFiles(stick, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "Sub/inner.mp3"});
        QFile::setPermissions(stick + "/a.mp3", QFile::ReadOwner);
        QVERIFY(QFile::link(stick + "/Sub/inner.mp3", stick + "/link.mp3"));
        // Read-only files and links (not their targets) go; a file gone is no
        // failure; a folder is never taken for a file.
        for (const char* name : {"a.mp3", "link.mp3", "gone.mp3"})
            QVERIFY(DeviceFolders::removeFile(stick + '/' + name));
        QVERIFY(!DeviceFolders::removeFile(stick + "/Sub"));
        // Remove asks about each file and stops at the first it cannot delete;
        // Remove All passes over those.
        QStringList asked;
        QVERIFY(!DeviceFolders::removeConfirmed(stick, {"b.mp3", "d.mp3", "Sub", "e.mp3"},
                                                [&](const QString& path) {
                                                    asked << path;
                                                    return !path.endsWith("/b.mp3");
                                                }));
        QCOMPARE(asked, QStringList({stick + "/b.mp3", stick + "/d.mp3", stick + "/Sub"}));
        QCOMPARE(filesIn(stick), QStringList({"b.mp3", "c.mp3", "e.mp3"}));
        QCOMPARE(DeviceFolders::removeFiles(stick, {"b.mp3", "Sub", "gone.mp3", "c.mp3", "e.mp3"}),
                 QStringList({"Sub"}));
        QVERIFY(filesIn(stick).isEmpty());
        QCOMPARE(filesIn(stick + "/Sub"), QStringList({"inner.mp3"}));

        for (const QString& bad : {QString(), QStringLiteral("Sub"), QStringLiteral("a/b"),
                                   QStringLiteral("."), QStringLiteral("..")})
            QVERIFY2(!DeviceFolders::createFolder(stick, bad), qPrintable(bad));
        QVERIFY(!DeviceFolders::createFolder(QString(), QStringLiteral("x")));
        QVERIFY(DeviceFolders::createFolder(stick + "/", QStringLiteral("New")));
        QVERIFY(QFileInfo(stick + "/New").isDir());
    }
};

QTEST_GUILESS_MAIN(TestDeviceCopy)
#include "test_devicecopy.moc"
