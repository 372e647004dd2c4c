// The M3U format through real files: the program's three forms byte for
// byte, lists written by other players and hostile lines, and the table of
// formats that Open, Export Playlist, drops, the File Browser, the command
// line and the device copy share.
#include "support/TestEnv.h"

#include "playlist/M3uFormat.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlsFormat.h"

#include <QDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Runs a test with the current folder set to folder, restoring it after.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& folder) : m_old(QDir::currentPath()) {
        QDir().mkpath(folder);
        QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(m_old); }

private:
    QString m_old;
};

const QStringList kTwo = {"/music/Song.mp3", "/other/Track 2.mp3"};

} // namespace

class TestM3u : public QObject {
    Q_OBJECT
private slots:
    void threeFormsByteForByte();
    void roundTripsAndFailures();
    void foreignFiles_data();
    void foreignFiles();
    void listFolder();

    // The table of formats
    void removeQuotes();
    void formatsByEnding_data();
    void formatsByEnding();
    void formatsOfTheDialogsAndDevice();
    void entriesFromNames();
};

void TestM3u::threeFormsByteForByte() {
    QCOMPARE(M3uFormat::render(kTwo, false, false),
             QByteArray("#EXTM3U\r\n#EXTINF:0,Song\r\n/music/Song.mp3\r\n"
                        "#EXTINF:0,Track 2\r\n/other/Track 2.mp3\r\n"));
    QCOMPARE(M3uFormat::render(kTwo, true, false),
             QByteArray("#EXTM3U\r\n#EXTINF:0,Song\r\nSong.mp3\r\n"
                        "#EXTINF:0,Track 2\r\nTrack 2.mp3\r\n"));
    QCOMPARE(M3uFormat::render(kTwo, true, true),
             QByteArray("#EXTM3U\r\n#EXTINF:0,Song\r\n0001-Song.mp3\r\n"
                        "#EXTINF:0,Track 2\r\n0002-Track 2.mp3\r\n"));
    QCOMPARE(M3uFormat::render({}, true, true), QByteArray("#EXTM3U\r\n"));
    // Full paths ignore the sequence flag; titles of odd names; UTF-8.
    QCOMPARE(
        M3uFormat::render({"/a/Song.flac", "/a/ab", QStringLiteral("/a/Ärger.ogg")}, false, true),
        QByteArray("#EXTM3U\r\n#EXTINF:0,Song.\r\n/a/Song.flac\r\n#EXTINF:0,ab\r\n/a/ab\r\n"
                   "#EXTINF:0,\xC3\x84rger\r\n/a/\xC3\x84rger.ogg\r\n"));
    // Numbers past 9999 keep all their digits.
    QVERIFY(M3uFormat::render(QStringList(12345, "/m/x.mp3"), true, true)
                .endsWith("#EXTINF:0,x\r\n12345-x.mp3\r\n"));
    // Relative entries are resolved against the current folder, untidied;
    // full paths, Windows paths and addresses stay.
    const QByteArray here = QDir::currentPath().toUtf8();
    QCOMPARE(M3uFormat::render(
                 {"Song.mp3", "../up/a.mp3", "C:\\Music\\c.mp3", "http://radio.example/stream.mp3"},
                 false, false),
             "#EXTM3U\r\n#EXTINF:0,Song\r\n" + here + "/Song.mp3\r\n#EXTINF:0,a\r\n" + here +
                 "/../up/a.mp3\r\n#EXTINF:0,C:\\Music\\c\r\nC:\\Music\\c.mp3\r\n"
                 "#EXTINF:0,stream\r\nhttp://radio.example/stream.mp3\r\n");
}

void TestM3u::roundTripsAndFailures() {
    TestEnv env;
    const QStringList entries = {"/music/Ärzte/Café = Bar.mp3",
                                 "/music/b.ogg",
                                 "/music/b.ogg",
                                 QStringLiteral("/music/日本.mp3"),
                                 "/music/#1 hit.mp3",
                                 "/music/with  two  blanks .mp3",
                                 "C:\\Music\\a.mp3",
                                 "http://radio.example/live?x=1"};
    const QString path = env.path("list.m3u");
    QVERIFY(M3uFormat::write(path, entries, false, false));
    QCOMPARE(M3uFormat::read(path), entries);
    // The file-name form names files beside the list, wherever they were.
    QVERIFY(M3uFormat::write(path, {"/m/a.mp3", "/n/b c.mp3"}, true, false));
    QCOMPARE(M3uFormat::read(path), QStringList({env.path("a.mp3"), env.path("b c.mp3")}));

    QVERIFY(M3uFormat::read(env.path("none.m3u")).isEmpty());
    QVERIFY(M3uFormat::read(QString()).isEmpty());
    QVERIFY(M3uFormat::read(env.path("")).isEmpty()); // a folder
    QVERIFY(!M3uFormat::write(env.path("no/such/folder.m3u"), kTwo, false, false));
    QVERIFY(!M3uFormat::write(QString(), kTwo, false, false));
    // A read-only list stays as it was.
    const QByteArray before = readBytes(path);
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    QVERIFY(!M3uFormat::write(path, {"/x.mp3"}, false, false));
    QCOMPARE(readBytes(path), before);
}

void TestM3u::foreignFiles_data() {
    // The list lies in <temp>/Lists; "@" stands for that folder.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBF#EXTM3U\r\n/m/a.mp3\r\n") << QStringList({"/m/a.mp3"});
    QTest::newRow("LF endings, no end on the last line")
        << QByteArray("#EXTM3U\n#EXTINF:123,Artist - Song\n/m/a.mp3\n#EXTINF:-1,x\n/m/b.mp3")
        << QStringList({"/m/a.mp3", "/m/b.mp3"});
    QTest::newRow("comments and blank lines anywhere")
        << QByteArray("\r\n\r\n# made by hand\r\n#EXTM3U\r\n\r\n/m/a.mp3\r\n# note\r\n"
                      "   \r\n\t\r\n#EXTINF:0,b\r\n\r\n/m/b.mp3\r\n\r\n#\r\n")
        << QStringList({"/m/a.mp3", "/m/b.mp3"});
    QTest::newRow("relative names, untidied, blanks kept")
        << QByteArray("a.mp3\nsub//b.mp3\n../up/c.mp3\n./e.mp3\nx\n a.mp3 \n/m/b .mp3\n")
        << QStringList({"@/a.mp3", "@/sub//b.mp3", "@/../up/c.mp3", "@/./e.mp3", "@/x", "@/ a.mp3 ",
                        "/m/b .mp3"});
    QTest::newRow("Windows paths kept") << QByteArray("C:\\Music\\a.mp3\r\nd:/b.mp3\r\nC:\r\n")
                                        << QStringList({"C:\\Music\\a.mp3", "d:/b.mp3", "C:"});
    QTest::newRow("addresses kept")
        << QByteArray("http://radio.example/live.mp3\nhttps://x.example/a?b=c&d\n"
                      "rtsp+tcp://cam.example:554/s\nmms://old.example/x\n")
        << QStringList({"http://radio.example/live.mp3", "https://x.example/a?b=c&d",
                        "rtsp+tcp://cam.example:554/s", "mms://old.example/x"});
    QTest::newRow("file addresses become paths")
        << QByteArray("file:///home/u/My%20Song.mp3\nFILE:///m/%C3%A4.mp3\n")
        << QStringList({"/home/u/My Song.mp3", QString::fromUtf8("/m/ä.mp3")});
    QTest::newRow("no address without a scheme")
        << QByteArray("://x.mp3\n1http://x.mp3\nhttp:/x.mp3\n")
        << QStringList({"@/://x.mp3", "@/1http://x.mp3", "@/http:/x.mp3"});
    QTest::newRow("Windows-1252 and UTF-8 lines")
        << QByteArray("/m/M\xFCsik.mp3\n/m/M\xC3\xBCsik.mp3\n")
        << QStringList({QString::fromUtf8("/m/Müsik.mp3"), QString::fromUtf8("/m/Müsik.mp3")});
    QTest::newRow("not a playlist") << QByteArray() << QStringList();
    QTest::newRow("an encoded line feed stays encoded")
        << QByteArray("file:///m/a%0AFile2=/evil.mp3\nhttp://x/a%0Ab\n/m/raw\x01\nraw\tname\n")
        << QStringList({"file:///m/a%0AFile2=/evil.mp3", "http://x/a%0Ab"});
    QTest::newRow("longer than a path")
        << "/" + QByteArray(4095, 'x') + "\n" + QByteArray(4096, 'y') + "\nhttp://" +
               QByteArray(4100, 'z') + "\n/ok\n"
        << QStringList({"/ok"});
    QTest::newRow("CR line ends and a U+FEFF that starts a name")
        << QByteArray("#EXTM3U\r/m/a.mp3\r\xEF\xBB\xBF/m/b.mp3\r")
        << QStringList({"/m/a.mp3", "@/" + QString(QChar(0xFEFF)) + "/m/b.mp3"});
    QTest::newRow("UTF-16 with its mark") << QByteArray("\xFE\xFF\0#\0\n\0/\0\xE4\0\r\0\n\0b", 16)
                                          << QStringList({QString::fromUtf8("/ä"), "@/b"});
    QByteArray many("#EXTM3U\n");
    QStringList kept;
    for (int i = 1; i <= 32768; ++i) {
        many += "#EXTINF:0,x\n/" + QByteArray::number(i) + ".mp3\n";
        if (i <= 32767)
            kept << QStringLiteral("/%1.mp3").arg(i);
    }
    QTest::newRow("32,767 entries at the most") << many << kept;
}

void TestM3u::foreignFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    TestEnv env;
    QDir().mkpath(env.path("Lists"));
    const QString path = env.path("Lists/foreign.m3u");
    writeBytes(path, bytes);
    for (QString& e : expected)
        if (e.startsWith(u'@'))
            e.replace(0, 1, env.path("Lists"));
    QCOMPARE(M3uFormat::read(path), expected);
}

void TestM3u::listFolder() {
    TestEnv env;
    makeFile(env.path("Lists/l.m3u"), "a.mp3\n");
    CurrentFolder cwd(env.path(""));
    QCOMPARE(M3uFormat::read("Lists/l.m3u"), QStringList({QDir::currentPath() + "/Lists/a.mp3"}));
    // A list at the root gives one separator, not two.
    QCOMPARE(M3uFormat::parse("a.mp3\n", "/list.m3u"), QStringList({"/a.mp3"}));
}

void TestM3u::removeQuotes() {
    const QList<std::pair<QString, QString>> cases = {
        {"\"C:\\Music\\My Song.mp3\"", "C:\\Music\\My Song.mp3"},
        {"\"/m/a.mp3", "/m/a.mp3"},           // leading only
        {"/m/a.mp3\"", "/m/a.mp3"},           // trailing only
        {"/m/\"a\" b.mp3", "/m/\"a\" b.mp3"}, // inner quotes stay
        {"\"\"/m/a.mp3\"\"", "\"/m/a.mp3\""}, // doubled: one each
        {" \"/m/a.mp3\" ", " \"/m/a.mp3\" "}, // blanks stay
        {"\"", ""}};
    for (const auto& [name, expected] : cases)
        QCOMPARE(PlaylistFiles::removeQuotes(name), expected);
}

void TestM3u::formatsByEnding_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("read");    // the format opened, empty for none
    QTest::addColumn<QString>("written"); // the format exported
    QTest::newRow("pls") << "/l/list.pls"
                         << "PLS"
                         << "PLS";
    QTest::newRow("m3u") << "/l/list.m3u"
                         << "M3U"
                         << "M3U";
    QTest::newRow("no dot needed") << "/l/xpls"
                                   << "PLS"
                                   << "PLS";
    QTest::newRow("htm") << "/l/page.htm"
                         << ""
                         << "HTML";
    QTest::newRow("html") << "/l/page.html"
                          << ""
                          << "HTML";
    for (const char* other : {"/l/LIST.PLS", "/l/list.M3u", "/l/page.HTML", "/l/notes.txt",
                              "/l/list.m3u8", "/l/list.pls\"", "ls"})
        QTest::newRow(other) << other << ""
                             << "";
}

void TestM3u::formatsByEnding() {
    QFETCH(QString, name);
    QFETCH(QString, read);
    QFETCH(QString, written);
    const auto nameOf = [](const PlaylistFiles::Format* f) {
        return f ? QString::fromLatin1(f->name) : QString();
    };
    QCOMPARE(nameOf(PlaylistFiles::readableFormat(name)), read);
    QCOMPARE(nameOf(PlaylistFiles::writableFormat(name)), written);
    // Each format's writer makes that format's bytes, which its reader reads.
    TestEnv env;
    if (const PlaylistFiles::Format* f = PlaylistFiles::writableFormat(name)) {
        QVERIFY(f->write(env.path("out"), kTwo, false, false));
        if (f->read)
            QCOMPARE(f->read(env.path("out"), 9), kTwo);
        else
            QVERIFY(readBytes(env.path("out")).startsWith("<html>"));
    }
}

void TestM3u::formatsOfTheDialogsAndDevice() {
    QCOMPARE(PlaylistFiles::openFilter(),
             QStringLiteral("All Files (*.*)|*.*|Playlist Files (*.pls)|*.pls|Playlist Files "
                            "(*.m3u)|*.m3u"));
    QCOMPARE(PlaylistFiles::saveFilter(),
             QStringLiteral("Playlist Files (*.pls)|*.pls|Playlist Files (*.m3u)|*.m3u|Web Page "
                            "(*.html)|*.html|All Files (*.*)|*.*"));
    QCOMPARE(PlaylistFiles::deviceFormat("M3U")->deviceFile, "playlist.m3u");
    QCOMPARE(PlaylistFiles::deviceFormat("PLS")->deviceFile, "playlist.pls");
    for (const char* none : {"N/A", "", "pls", "HTML"})
        QVERIFY(!PlaylistFiles::deviceFormat(none));
}

void TestM3u::entriesFromNames() {
    TestEnv env;
    const QString pls = env.path("list.pls"), m3u = env.path("list.m3u");
    const QString upper = env.path("LIST.PLS"), fifo = env.path("fifo.m3u");
    const QStringList three = {"/a.mp3", "/b.mp3", "/c.mp3"};
    QVERIFY(PlsFormat::write(pls, three, false, false));
    QVERIFY(PlsFormat::write(upper, three, false, false));
    QVERIFY(M3uFormat::write(m3u, three, false, false));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", env.path("zero.pls")));
    const auto from = PlaylistFiles::entriesFromNames;

    // Lists read in their places; a media file, a folder, a list in
    // capitals added as themselves; a missing list, a FIFO and a device add
    // nothing, at once.
    QCOMPARE(from({"/m/Song.mp3", pls, env.path(""), upper, env.path("gone.pls"), m3u, fifo,
                   env.path("zero.pls")},
                  32767),
             QStringList({"/m/Song.mp3", "/a.mp3", "/b.mp3", "/c.mp3", env.path(""), upper,
                          "/a.mp3", "/b.mp3", "/c.mp3"}));
    // Only as many entries as there is room for.
    QCOMPARE(from({pls, m3u}, 4), QStringList({"/a.mp3", "/b.mp3", "/c.mp3", "/a.mp3"}));
    QVERIFY(from({"/m/Song.mp3"}, 0).isEmpty());
    QVERIFY(from({m3u}, -5).isEmpty());
    // A name with a line feed comes in as its address; one longer than a
    // path, not at all; a quoted list name is taken as given.
    QCOMPARE(from({"/m/a\nb.mp3", "/" + QString(4095, u'x'), '"' + pls + '"'}, 9),
             QStringList({"file:///m/a%0Ab.mp3", '"' + pls + '"'}));
}

QTEST_GUILESS_MAIN(TestM3u)
#include "test_m3u.moc"
