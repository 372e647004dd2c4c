// The playlist formats through real files: PLS, M3U and the web page byte for
// byte, lists by other players and hostile ones, and the table of formats.
#include "support/TestEnv.h"

#include "core/playlist/HtmlPage.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlsFormat.h"

#include <QDir>
#include <QThread>
#include <QtTest>

namespace {

const QStringList kTwo = {"/music/Song.mp3", "/other/Track 2.mp3"};

// "PLS" or "M3U".
const PlaylistFiles::Format& format(const QString& name) {
    return *PlaylistFiles::deviceFormat(name);
}

const QByteArray kTail = "</ol></font></body></html>\r\n";

QByteArray head(const QByteArray& refresh) {
    return "<html><head><title>Vell Jukora Playlist</title><META HTTP-EQUIV='refresh' "
           "CONTENT='30;URL=" +
           refresh +
           "'></head><body>\r\n"
           "<table width='100%'><tr><td style='text-align: center;background-color: #B5B5B5;'>"
           "<font  face='Arial, Helvetica, sans-serif' color='white'><b>Playlist</b></font>"
           "</td></tr></table>\r\n"
           "<font face='Arial, Helvetica, sans-serif'><ol>\r\n";
}

QByteArray entry(const QByteArray& target, const QByteArray& text, const QByteArray& artist = "",
                 const QByteArray& title = "") {
    return "<li><b><a href='" + target + "'>" + text +
           "</a></b><br/>\r\nID3 Info - Artist: " + artist + " Title: " + title + "</li>\r\n";
}

} // namespace

class TestPlaylistFiles : public QObject {
    Q_OBJECT
private slots:
    void forms() {
        // "@" is the current folder. A PLS for other players ends with the
        // count and the version, as Qmmp, Audacious and VLC expect.
        const QByteArray plsFull = "[playlist]\r\nFile1=/music/Song.mp3\r\nTitle1=Song\r\n"
                                   "File2=/other/Track 2.mp3\r\nTitle2=Track 2\r\n"
                                   "NumberOfEntries=2\r\nVersion=2\r\n";
        const struct {
            const char* name;
            QStringList entries;
            bool relative, sequence;
            QByteArray bytes;
        } cases[] = {
            {"PLS", kTwo, false, false, plsFull},
            {"PLS", kTwo, false, true, plsFull}, // numbers only with names
            {"PLS", kTwo, true, false,
             "[playlist]\r\nFile1=Song.mp3\r\nTitle1=Song\r\nFile2=Track 2.mp3\r\n"
             "Title2=Track 2\r\nNumberOfEntries=2\r\nVersion=2\r\n"},
            {"PLS", kTwo, true, true,
             "[playlist]\r\nFile1=0001-Song.mp3\r\nFile2=0002-Track 2.mp3\r\n"
             "NumberOfEntries=2\r\nVersion=2\r\n"},
            {"PLS", {}, true, true, "[playlist]\r\nNumberOfEntries=0\r\nVersion=2\r\n"},
            {"M3U", kTwo, false, false,
             "#EXTM3U\r\n#EXTINF:-1,Song\r\n/music/Song.mp3\r\n#EXTINF:-1,Track 2\r\n"
             "/other/Track 2.mp3\r\n"},
            {"M3U", kTwo, true, false,
             "#EXTM3U\r\n#EXTINF:-1,Song\r\nSong.mp3\r\n#EXTINF:-1,Track 2\r\nTrack 2.mp3\r\n"},
            {"M3U", kTwo, true, true,
             "#EXTM3U\r\n#EXTINF:-1,Song\r\n0001-Song.mp3\r\n#EXTINF:-1,Track 2\r\n"
             "0002-Track 2.mp3\r\n"},
            {"M3U", {}, true, true, "#EXTM3U\r\n"},
            {"M3U",
             {"/a/Song.flac", "/a/ab", QStringLiteral("/a/Ärger.ogg"), "/a/.mp3", "/a/v.1.opus"},
             false,
             true,
             "#EXTM3U\r\n#EXTINF:-1,Song\r\n/a/Song.flac\r\n#EXTINF:-1,ab\r\n/a/ab\r\n"
             "#EXTINF:-1,\xC3\x84rger\r\n/a/\xC3\x84rger.ogg\r\n#EXTINF:-1,.mp3\r\n/a/.mp3\r\n"
             "#EXTINF:-1,v.1\r\n/a/v.1.opus\r\n"},
            // Relative entries are resolved against the current folder,
            // untidied; full paths, Windows paths and addresses stay.
            {"M3U",
             {"Song.mp3", "../up/a.mp3", "C:\\Music\\c.mp3", "http://radio.example/s.mp3",
              "rtp9+x.y-z://h/t"},
             false,
             false,
             "#EXTM3U\r\n#EXTINF:-1,Song\r\n@/Song.mp3\r\n#EXTINF:-1,a\r\n@/../up/a.mp3\r\n"
             "#EXTINF:-1,C:\\Music\\c\r\nC:\\Music\\c.mp3\r\n#EXTINF:-1,s\r\n"
             "http://radio.example/s.mp3\r\n#EXTINF:-1,t\r\nrtp9+x.y-z://h/t\r\n"},
        };
        // The autosave keeps the form it has always had.
        QCOMPARE(PlsFormat::render(kTwo, false, false),
                 "\r\n[playlist]\r\nFile1=/music/Song.mp3\r\nTitle1=Song\r\n"
                 "File2=/other/Track 2.mp3\r\nTitle2=Track 2\r\n\r\n");
        TestEnv env;
        for (const auto& t : cases) {
            QVERIFY(format(t.name).write(env.path("list"), t.entries, t.relative, t.sequence));
            QCOMPARE(readBytes(env.path("list")),
                     QByteArray(t.bytes).replace('@', QDir::currentPath().toUtf8()));
        }
    }
    void roundTrips() {
        TestEnv env;
        const QString path = env.path("list");
        const QStringList entries =
            QStringLiteral("/music/Ärzte/Café = Bar.mp3|/music/b.ogg|/music/b.ogg|/music/日本.mp3|"
                           "/music/#1 hit.mp3|/music/with  two  blanks .mp3|C:\\Music\\a.mp3|"
                           "http://radio.example/live?x=1|/m/\uFEFFstarts with U+FEFF")
                .split(u'|') +
            QStringList("/" + QString(4094, u'x')); // as long as an entry may be
        for (const char* name : {"PLS", "M3U"}) {
            QVERIFY(format(name).write(path, entries, false, false));
            QCOMPARE(format(name).read(path, 99), entries);
            // A line feed never reaches the file raw.
            QVERIFY(
                format(name).write(path, {"/m/a\nFile2=/evil.mp3", "http://x/\ty"}, false, false));
            QCOMPARE(format(name).read(path, 99),
                     QStringList({"file:///m/a%0AFile2=/evil.mp3", "http://x/%09y"}));
        }
        // What the autosave gives back without reading it: the list itself.
        QStringList back;
        QVERIFY(PlsFormat::writeFull(path, entries, back));
        QCOMPARE(back.constData(), entries.constData());
        // Unless it holds what cannot be an entry: then as read back.
        for (const QStringList& odd :
             {QStringList{"/m/ok.mp3", "/m/a\nb", "/" + QString(4095, u'x')},
              QStringList{"/m/ok.mp3", QChar(0xD800) + QString("x")}}) {
            QVERIFY(PlsFormat::writeFull(path, odd, back));
            QCOMPARE(back, PlsFormat::read(path, 99));
        }
        // A PLS value may start with U+FEFF.
        QVERIFY(PlsFormat::write(path, {QStringLiteral("\uFEFFx")}, false, false));
        QCOMPARE(PlsFormat::read(path, 9), QStringList({QStringLiteral("\uFEFFx")}));
    }
    void foreignFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected"); // "@" stands for the list's folder
        // The row's name starts with its format's.
        const auto row = [](const char* tag, const QByteArray& bytes, const QStringList& expected) {
            QTest::newRow(tag) << QString::fromLatin1(tag, 3) << bytes << expected;
        };
        const QString mu = QString::fromUtf8("/m/Müsik.mp3");
        row("PLS count after header, LF ends, none on the last line",
            "[playlist]\nNumberOfEntries=2\nFile1=/a/1.mp3\nTitle1=One\nLength1=-1\nVersion=2\n"
            "File2=http://x/y?a=b",
            {"/a/1.mp3", "http://x/y?a=b"});
        row("PLS keys in any case, out of order, Windows-1252",
            "[Playlist]\r\nfile2=/b.mp3\r\nFILE1=/m/M\xFCsik.mp3\r\nTitle1=x\r\n", {"/b.mp3", mu});
        row("PLS lines that are not File lines",
            "\xEF\xBB\xBF[playlist]\nFile=/nodigits.mp3\nFileX1=/bad.mp3\nFile1 =/space.mp3\n"
            "garbage\n\nFile3=/good.mp3\n",
            {"/good.mp3"});
        row("PLS not a playlist", QByteArray("\x00\x01\x02 binary", 10), {});
        row("PLS control characters and a name longer than a path",
            "File1=/a\x01.mp3\nFile2=/b\t.mp3\nFile3=/c\x7F\nFile4=/d\xC2\x85\nFile5=/" +
                QByteArray(4094, 'x') + "\nFile6=/" + QByteArray(4095, 'x') + "\nFile7=/o k~.mp3\n",
            {"/" + QString(4094, 'x'), "/o k~.mp3"});
        // Each byte out of range, early in a long name and in its last few bytes.
        row("PLS bytes at the ends of the printable range, anywhere in a name",
            "File1=/ab\x1F"
            "defghijklmnop\nFile2=/abcdefghijklmn\x7F\nFile3=/a\x80"
            "cdefghijklmno\n"
            "File4=/abcdefghijklmn\x9F\nFile5=/ ~ ~ ~ ~ ~ ~ ~ ~ ~.mp3\n",
            {QString::fromUtf8("/a€cdefghijklmno"), QString::fromUtf8("/abcdefghijklmnŸ"),
             "/ ~ ~ ~ ~ ~ ~ ~ ~ ~.mp3"});
        row("M3U LF endings, no end on the last line, mark",
            "\xEF\xBB\xBF#EXTM3U\n#EXTINF:123,Artist - Song\n/m/a.mp3\n#EXTINF:-1,x\n/m/b.mp3",
            {"/m/a.mp3", "/m/b.mp3"});
        row("M3U comments and blank lines anywhere",
            "\r\n\r\n# made by hand\r\n#EXTM3U\r\n\r\n/m/a.mp3\r\n# note\r\n   \r\n#EXTINF:0,b\r\n"
            "\r\n/m/b.mp3\r\n\r\n#\r\n",
            {"/m/a.mp3", "/m/b.mp3"});
        row("M3U relative names, untidied, blanks kept",
            "a.mp3\nsub//b.mp3\n../up/c.mp3\nx\n a.mp3 \n/m/b .mp3\n",
            {"@/a.mp3", "@/sub//b.mp3", "@/../up/c.mp3", "@/x", "@/ a.mp3 ", "/m/b .mp3"});
        row("M3U Windows paths and addresses kept",
            "C:\\Music\\a.mp3\r\nd:/b.mp3\r\nC:\r\nhttps://x.example/a?b=c&d\n"
            "rtsp+tcp://cam.example:554/s\n",
            {"C:\\Music\\a.mp3", "d:/b.mp3", "C:", "https://x.example/a?b=c&d",
             "rtsp+tcp://cam.example:554/s"});
        row("M3U file addresses become paths",
            "file:///home/u/My%20Song.mp3\nFILE:///m/%C3%A4.mp3\n",
            {"/home/u/My Song.mp3", QString::fromUtf8("/m/ä.mp3")});
        row("M3U no address without a scheme", "://x.mp3\n1http://x.mp3\nhttp:/x.mp3\n",
            {"@/://x.mp3", "@/1http://x.mp3", "@/http:/x.mp3"});
        row("M3U scheme letters at the ends of their ranges",
            "zz://x\nZZ://x\naa://x\nAA://x\n`a://x\n{z://x\n@A://x\n[Z://x\n",
            {"zz://x", "ZZ://x", "aa://x", "AA://x", "@/`a://x", "@/{z://x", "@/@A://x",
             "@/[Z://x"});
        // An encoded line feed stays so: decoded, it would add autosave entries.
        row("M3U control characters",
            "file:///m/a%0AFile2=/evil.mp3\nhttp://x/a%0Ab\n/m/raw\x01\nraw\tn\n",
            {"file:///m/a%0AFile2=/evil.mp3", "http://x/a%0Ab"});
        row("M3U longer than a path",
            "/" + QByteArray(4095, 'x') + "\n" + QByteArray(4096, 'y') + "\nhttp://" +
                QByteArray(4100, 'z') + "\n/ok\n",
            {"/ok"});
    }
    void foreignFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        TestEnv env;
        const QString path = env.path("Lists/foreign");
        makeFile(path, bytes);
        expected.replaceInStrings(QRegularExpression("^@"), env.path("Lists"));
        QCOMPARE(format(name).read(path, 32767), expected);
    }
    void readAhead() {
        TestEnv env;
        const QString path = env.path("jukora.pls"), other = env.path("other.pls");
        QVERIFY(PlsFormat::write(path, {"/a.mp3", "/b.mp3"}, false, false));
        QVERIFY(PlsFormat::write(other, {"/o.mp3"}, false, false));
        // Taken by the next read of the same file, and only as far as room goes.
        PlsFormat::readAhead(path);
        QCOMPARE(PlsFormat::read(other), QStringList({"/o.mp3"}));
        QCOMPARE(PlsFormat::read(path, 1), QStringList({"/a.mp3"}));
        // A file replaced after it was read is read afresh.
        PlsFormat::readAhead(path);
        QThread::msleep(300); // the read is done by then
        QVERIFY(PlsFormat::write(path, {"/new.mp3"}, false, false));
        QCOMPARE(PlsFormat::read(path), QStringList({"/new.mp3"}));
        PlsFormat::readAhead(env.path("gone.pls"));
        QVERIFY(PlsFormat::read(env.path("gone.pls")).isEmpty());
    }
    void listFolder() {
        TestEnv env;
        makeFile(env.path("Lists/l.m3u"), "a.mp3\n");
        const QString old = QDir::currentPath();
        QDir::setCurrent(env.path(""));
        QCOMPARE(M3uFormat::read("Lists/l.m3u"),
                 QStringList({QDir::currentPath() + "/Lists/a.mp3"}));
        QDir::setCurrent(old);
        // A list at the root gives one separator, not two.
        QCOMPARE(M3uFormat::parse("a.mp3\n", "/list.m3u"), QStringList({"/a.mp3"}));
    }
    void removeQuotes() {
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
    void formatTable() {
        // Rows of name|format opened|format exported; small letters only.
        const auto nameOf = [](const PlaylistFiles::Format* f) {
            return f ? QString::fromLatin1(f->name) : QString();
        };
        for (const char* row :
             {"/l/list.pls|PLS|PLS", "/l/list.m3u|M3U|M3U", "/l/xpls|PLS|PLS", "/l/page.htm||HTML",
              "/l/page.html||HTML", "/l/LIST.PLS||", "/l/list.M3u||", "/l/page.HTML||",
              "/l/notes.txt||", "/l/list.m3u8||", "/l/list.pls\"||", "ls||"}) {
            const QStringList r = QString::fromLatin1(row).split(u'|');
            QCOMPARE(nameOf(PlaylistFiles::readableFormat(r[0])) + '|' +
                         nameOf(PlaylistFiles::writableFormat(r[0])),
                     r[1] + '|' + r[2]);
        }
        QCOMPARE(PlaylistFiles::openFilter(),
                 QStringLiteral("All Files (*.*)|*.*|Playlist Files (*.pls)|*.pls|Playlist Files "
                                "(*.m3u)|*.m3u"));
        QCOMPARE(
            PlaylistFiles::saveFilter(),
            QStringLiteral("Playlist Files (*.pls)|*.pls|Playlist Files (*.m3u)|*.m3u|Web Page "
                           "(*.html)|*.html|All Files (*.*)|*.*"));
        // The device copy's choices (its files: test_devicecopy).
        for (const char* none : {"N/A", "", "pls", "HTML"})
            QVERIFY(!PlaylistFiles::deviceFormat(none));
    }
    void entriesFromNames() {
        TestEnv env;
        const QString pls = env.path("list.pls"), m3u = env.path("list.m3u");
        const QString upper = env.path("LIST.PLS");
        const QStringList three = {"/a.mp3", "/b.mp3", "/c.mp3"};
        for (const QString& list : {pls, upper})
            QVERIFY(PlsFormat::write(list, three, false, false));
        QVERIFY(M3uFormat::write(m3u, three, false, false));
        const auto from = [](const QStringList& names, int room) {
            return PlaylistFiles::entriesFromNames(names, room);
        };

        // Lists read in their places; a media file and a list in capitals added
        // as themselves; an empty folder and a missing list add nothing.
        QCOMPARE(from({"/m/Song.mp3", pls, env.path(""), upper, env.path("gone.pls"), m3u}, 32767),
                 QStringList({"/m/Song.mp3", "/a.mp3", "/b.mp3", "/c.mp3", upper, "/a.mp3",
                              "/b.mp3", "/c.mp3"}));
        // Only as many entries as there is room for.
        QCOMPARE(from({pls, m3u}, 4), QStringList({"/a.mp3", "/b.mp3", "/c.mp3", "/a.mp3"}));
        QVERIFY(from({"/m/Song.mp3"}, 0).isEmpty());
        QVERIFY(from({m3u}, -5).isEmpty());
        // A line feed comes in as an address; too long, not at all; quotes stay.
        QCOMPARE(from({"/m/a\nb.mp3", "/" + QString(4095, u'x'), '"' + pls + '"'}, 9),
                 QStringList({"file:///m/a%0Ab.mp3", '"' + pls + '"'}));
    }
    void threeForms() {
        TestEnv env;
        const QString folder = env.path("Rock & Roll");
        QDir().mkpath(folder);
        const QString a = folder + "/It's <live> \"1\".mp3",
                      b = folder + QStringLiteral("/Ärger 2.mp3");
        writeBytes(a, QByteArray(72, 'x') + id3v1Tag("It's <b>", "Tom & \"Jerry\""));
        writeBytes(b, QByteArray(72, 'x') + id3v1Tag("Second", "Bj\xF6rk")); // Latin-1 in the tag
        const QByteArray dir = env.path("").toUtf8();
        const QString page = env.path("It's <a&b>.html");
        // Texts escaped, links encoded; an address after a tagged entry has none.
        const QByteArray top = head("file://" + dir + "It&#39;s%20%3Ca&amp;b%3E.html");
        const QByteArray tagA = "Tom &amp; &quot;Jerry&quot;", titleA = "It&#39;s &lt;b&gt;";
        QCOMPARE(
            HtmlPage::render({a, b, "http://radio.example/live?a=1&b=2"}, page, false, false),
            top +
                entry("file://" + dir + "Rock%20&amp;%20Roll/It&#39;s%20%3Clive%3E%20%221%22.mp3",
                      dir + "Rock &amp; Roll/It&#39;s &lt;live&gt; &quot;1&quot;.mp3", tagA,
                      titleA) +
                entry("file://" + dir + "Rock%20&amp;%20Roll/%C3%84rger%202.mp3",
                      dir + "Rock &amp; Roll/\xC3\x84rger 2.mp3", "Bj\xC3\xB6rk", "Second") +
                entry("http://radio.example/live?a=1&amp;b=2",
                      "http://radio.example/live?a=1&amp;b=2") +
                kTail);
        // Any other scheme, and a path of another system, is plain text.
        const auto plain = [](const QByteArray& text) {
            return "<li><b>" + text + "</b><br/>\r\nID3 Info - Artist:  Title: </li>\r\n";
        };
        QCOMPARE(HtmlPage::render({"javascript://%0Aalert(1)", "JavaScript://x",
                                   "data://text/html,x", "vbscript://x", "C:\\Music\\a.mp3",
                                   "HTTPS://x.example/a", "file:///m/a.mp3", "/m/a\nb.mp3"},
                                  "/p.html", false, false),
                 head("file:///p.html") + plain("javascript://%0Aalert(1)") +
                     plain("JavaScript://x") + plain("data://text/html,x") + plain("vbscript://x") +
                     plain("C:\\Music\\a.mp3") +
                     entry("https://x.example/a", "HTTPS://x.example/a") +
                     entry("file:///m/a.mp3", "file:///m/a.mp3") +
                     entry("file:///m/a%0Ab.mp3", "file:///m/a%0Ab.mp3") + kTail);
        // File names as their links, numbered (without numbers: below).
        const QByteArray nameA = "It&#39;s &lt;live&gt; &quot;1&quot;.mp3";
        QCOMPARE(HtmlPage::render({a, b}, page, true, true),
                 top + entry("0001-" + nameA, "0001-" + nameA, tagA, titleA) +
                     entry("0002-\xC3\x84rger 2.mp3", "0002-\xC3\x84rger 2.mp3", "Bj\xC3\xB6rk",
                           "Second") +
                     kTail);
        QCOMPARE(HtmlPage::render({}, page, false, false), top + kTail);
        // What would cut a relative link short is encoded there, not in the text.
        QCOMPARE(HtmlPage::render({"/m/Song #1?.mp3", "/m/50% off: live\\.mp3"},
                                  "/My #1 list?.html", true, false),
                 head("file:///My%20%231%20list%3F.html") +
                     entry("Song %231%3F.mp3", "Song #1?.mp3") +
                     entry("50%25 off%3A live%5C.mp3", "50% off: live\\.mp3") + kTail);
    }
    void stepsAndCancel() {
        // A step per entry; cancelled at any step, the old file stays.
        TestEnv env;
        const QString page = env.path("p.html");
        const QStringList entries = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
        for (int stopAt : {0, 1, 3}) {
            QList<int> steps;
            std::atomic<bool> cancel = false;
            HtmlPage::Progress progress;
            progress.step = [&](int done) {
                steps << done;
                cancel = done == stopAt;
            };
            progress.cancel = &cancel;
            writeBytes(page, "old");
            QCOMPARE(HtmlPage::write(page, entries, true, true, progress), stopAt == 0);
            QCOMPARE(steps, QList<int>({1, 2, 3}).first(stopAt == 1 ? 1 : 3));
            QCOMPARE(readBytes(page),
                     stopAt ? QByteArray("old") : HtmlPage::render(entries, page, true, true));
        }
    }
};

QTEST_GUILESS_MAIN(TestPlaylistFiles)
#include "test_playlistfiles.moc"
