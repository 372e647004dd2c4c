// Adding a folder: the media files under it, folder by folder in natural
// order, on a real tree with hidden folders, playlists, links and a loop.
#include "support/TestEnv.h"

#include "core/files/FolderWalk.h"
#include "core/playlist/PlaylistFiles.h"

#include <QFile>
#include <QtTest>

#include <unistd.h>

class TestFolders : public QObject {
    Q_OBJECT
private slots:
    void mediaFilesUnderAFolder();
};

void TestFolders::mediaFilesUnderAFolder() {
    TestEnv env;
    const QString m = env.path("music");
    for (const char* f : {"b/Track 10.mp3", "b/Track 2.MP3", "a/x.flac", "top.ogg", ".hidden/h.mp3",
                          "list.pls", "notes.txt", "a/.h.mp3"})
        makeFile(m + '/' + f);
    QVERIFY(QFile::link(m, m + "/a/loop"));      // back up: walked once
    QVERIFY(QFile::link(m + "/a", m + "/link")); // the same folder again
    const QStringList all = {m + "/top.ogg", m + "/a/x.flac", m + "/b/Track 2.MP3",
                             m + "/b/Track 10.mp3"};
    FolderWalk::Result r = FolderWalk::mediaFiles(m, 32767);
    QCOMPARE(r.files, all);
    QCOMPARE(r.leftOut, 0);
    // Beyond the room: counted, not added; through the list's door, beside
    // a song and with the folder's own name ending in a slash.
    int leftOut = -1;
    QCOMPARE(PlaylistFiles::entriesFromNames({"/s.mp3", m + '/'}, 3, &leftOut),
             QStringList({"/s.mp3", all[0], all[1]}));
    QCOMPARE(leftOut, 2);
    QVERIFY(FolderWalk::mediaFiles(m + "/gone", 5).files.isEmpty());
    // A folder that cannot be read is passed over (root reads any).
    if (::geteuid() != 0) {
        QFile::setPermissions(m + "/b", QFile::Permissions());
        QCOMPARE(FolderWalk::mediaFiles(m, 9).files, all.mid(0, 2));
        QFile::setPermissions(m + "/b", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QTEST_GUILESS_MAIN(TestFolders)
#include "test_folders.moc"
