// What the program's lists hold, on plain data and real folders: patterns,
// listings, drives, the playlist's limit, the media files under a folder.
#include "support/TestEnv.h"
#include "support/Volumes.h"

#include "core/files/FolderListing.h"
#include "core/files/FolderWalk.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlaylistModel.h"

#include <QDir>
#include <QtTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// This thread without root's powers to read any file, while it lives.
class WithoutReadingAll {
public:
    WithoutReadingAll() {
        ::syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct less[2] = {m_saved[0], m_saved[1]};
        less[0].effective &= ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH);
        ::syscall(SYS_capset, &m_header, less);
    }
    ~WithoutReadingAll() { ::syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
};

} // namespace

class TestLists : public QObject {
    Q_OBJECT
private slots:
    void filePatterns_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("listed");
        const QStringList every = {"[1].mp3",  "A.Mp3",     "ab.mp3", "aXXbYYbZ",  "aXXbYYbZc",
                                   "b.mp3",    "c.wav",     "mp3",    "notes.txt", "README",
                                   "Song.MP3", "song.mp3x", "x.äps"};
        const auto row = [](const char* pattern, const QStringList& listed) {
            QTest::addRow("\"%s\"", pattern) << QString::fromUtf8(pattern) << listed;
        };
        row("*.mp3", {"[1].mp3", "A.Mp3", "ab.mp3", "b.mp3", "Song.MP3"});
        row("?.mp3", {"A.Mp3", "b.mp3"});
        row("*.mp3;*.wav", {"[1].mp3", "A.Mp3", "ab.mp3", "b.mp3", "c.wav", "Song.MP3"});
        row("*.wav; *.TXT", {"c.wav", "notes.txt"});
        for (const char* all : {"*", "*.*", "", " ; "})
            row(all, every);
        row("*.ogg", {});
        row("s*", {"Song.MP3", "song.mp3x"});
        row("readme", {"README"});
        row("a*b*c", {"aXXbYYbZc"});
        row("[1].mp3", {"[1].mp3"});
        row("*.ÄPS", {"x.äps"});
    }
    void filePatterns() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, listed);
        // Sorted without regard to case; hidden files and folders are not
        // listed.
        TestEnv env;
        const QString dir = env.path("pat");
        makeFiles(dir, {"Song.MP3", "song.mp3x", "b.mp3", "c.wav", "README", "notes.txt", "A.Mp3",
                        "mp3", "ab.mp3", "[1].mp3", "aXXbYYbZ", "aXXbYYbZc", ".hidden.mp3"});
        makeFile(dir + QString::fromUtf8("/x.äps"));
        QDir().mkpath(dir + "/folder.mp3");
        QCOMPARE(FolderListing::files(dir, FilePattern(pattern)), listed);
        QVERIFY(!FolderListing::files(dir + "/none", FilePattern(pattern)));
    }
    void folders() {
        TestEnv env;
        const QString music = env.path("Music");
        makeFiles(music, {"Rock/x", "jazz/x", ".cache/x", "Blues/x", "song.mp3"});
        // "/", each folder down to the open one, then its unhidden subfolders.
        const auto entries = FolderListing::folders(music);
        QVERIFY(entries);
        const QStringList chain = music.split(u'/', Qt::SkipEmptyParts);
        const int open = int(chain.size()) + 1;
        QStringList labels, paths;
        for (const FolderListing::Entry& e : *entries) {
            labels << e.label;
            paths << e.path;
            QCOMPARE(e.open, int(labels.size()) <= open);
            QCOMPARE(e.depth, std::min<int>(labels.size() - 1, open));
        }
        QCOMPARE(labels, QStringList({"/"}) + chain + QStringList({"Blues", "jazz", "Rock"}));
        QCOMPARE(paths.mid(open - 1),
                 QStringList({music, music + "/Blues", music + "/jazz", music + "/Rock"}));
        QCOMPARE(FolderListing::folders(QStringLiteral("/"))->front().path, QStringLiteral("/"));
        QVERIFY(!FolderListing::folders(music + "/song.mp3"));
    }
    void drives() {
        const QList<Volume> raw = {
            volume("/data", "Data"),
            volume("/media/u/STICK", "STICK", "vfat", true),
            volume("/proc", QString(), "proc"),
            volume("/sys", QString(), "sysfs"),
            volume("/mnt/backup"),
            volume("/"),
            volume("/mnt/ram", QString(), "tmpfs"),
            volume("/mnt/cd", QString(), "iso9660", true, false),
            volume("/var/lib/docker/overlay2/x/merged", QString(), "overlay"),
            volume("/snap/core/1", QString(), "squashfs"),
            volume("/boot/efi", QString(), "vfat"),
            volume("/run/media/u/CARD", QString(), "exfat", true),
            volume("/data", "Again"),
            volume("/home/u")};
        QStringList texts;
        for (const Volume& v : VolumeList::entries(raw, QStringLiteral("/home/u/")))
            texts << v.text();
        QCOMPARE(texts, QStringList({"/", "/home/u", "/media/u/STICK [STICK]", "/run/media/u/CARD",
                                     "/data [Data]", "/mnt/backup"}));
        // The system root on an overlay (as in a container) is kept.
        QCOMPARE(VolumeList::entries({volume("/", QString(), "overlay")}, QString()).size(), 1);

        // This machine's: "/", the home folder, each once, no system trees.
        texts.clear();
        for (const Volume& v : VolumeList::entries(SystemVolumes::instance()))
            texts << v.root;
        QCOMPARE(texts.first(), QStringLiteral("/"));
        if (QDir::homePath() != QLatin1String("/"))
            QCOMPARE(texts.value(1), QDir::homePath());
        for (const QString& root : texts) {
            for (const char* tree : {"/proc", "/sys", "/dev", "/run/user"})
                QVERIFY2(!root.startsWith(QLatin1String(tree)), qPrintable(root));
            QCOMPARE(texts.count(root), 1);
        }
    }
    void playlistLimit() {
        // The list fills up to 32,767 entries and keeps what it has.
        PlaylistModel m;
        QCOMPARE(m.append(QStringList(PlaylistModel::MaxEntries - 1, "/x")),
                 PlaylistModel::MaxEntries - 1);
        QCOMPARE(m.append(QStringList({"/a", "/b"})), 1);
        QVERIFY(!m.append(QStringLiteral("/c")));
        QCOMPARE(m.count(), 32767);
        QCOMPARE(m.entries().last(), QStringLiteral("/a"));
    }
    // Folder by folder in natural order, with hidden folders, links, a loop.
    void mediaFilesUnderAFolder() {
        TestEnv env;
        const QString m = env.path("music");
        makeFiles(m, {"b/Track 10.mp3", "b/Track 2.MP3", "a/x.flac", "top.ogg", ".hidden/h.mp3",
                      "list.pls", "notes.txt", "a/.h.mp3"});
        QVERIFY(QFile::link(m, m + "/a/loop"));      // back up: walked once
        QVERIFY(QFile::link(m + "/a", m + "/link")); // the same folder again
        const QStringList all = {m + "/top.ogg", m + "/a/x.flac", m + "/b/Track 2.MP3",
                                 m + "/b/Track 10.mp3"};
        const FolderWalk::Result r = FolderWalk::mediaFiles(m, 32767);
        QVERIFY(r.files == all && r.leftOut == 0);
        // Beyond the room: counted, not added (a folder named with a slash).
        int leftOut = -1;
        QCOMPARE(PlaylistFiles::entriesFromNames({"/s.mp3", m + '/'}, 3, &leftOut),
                 QStringList({"/s.mp3", all[0], all[1]}));
        QCOMPARE(leftOut, 2);
        QVERIFY(FolderWalk::mediaFiles(m + "/gone", 5).files.isEmpty());
        // A folder that cannot be read is passed over, also by root.
        QFile::setPermissions(m + "/b", QFile::Permissions());
        {
            const WithoutReadingAll asAUser;
            QCOMPARE(FolderWalk::mediaFiles(m, 9).files, all.mid(0, 2));
        }
        QFile::setPermissions(m + "/b", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(TestLists)
#include "test_lists.moc"
