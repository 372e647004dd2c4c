// The PLS format through real files: the program's three forms byte for
// byte, lists written by other players, and hostile lines.
#include "support/TestEnv.h"

#include "playlist/PlsFormat.h"

#include <QtTest>

class TestPls : public QObject {
    Q_OBJECT
private slots:
    void threeFormsByteForByte();
    void roundTripsAndFailures();
    void foreignFiles_data();
    void foreignFiles();
};

static const QStringList kTwo = {"/music/Song.mp3", "/other/Track 2.mp3"};

void TestPls::threeFormsByteForByte() {
    QCOMPARE(PlsFormat::render(kTwo, false, false),
             QByteArray("\r\n[playlist]\r\nFile1=/music/Song.mp3\r\nTitle1=Song\r\n"
                        "File2=/other/Track 2.mp3\r\nTitle2=Track 2\r\n\r\n"));
    QCOMPARE(PlsFormat::render(kTwo, true, false),
             QByteArray("\r\n[playlist]\r\nFile1=Song.mp3\r\nTitle1=Song\r\n"
                        "File2=Track 2.mp3\r\nTitle2=Track 2\r\n\r\n"));
    QCOMPARE(PlsFormat::render(kTwo, true, true),
             QByteArray("\r\n[playlist]\r\nFile1=0001-Song.mp3\r\nFile2=0002-Track 2.mp3\r\n\r\n"));
    QCOMPARE(PlsFormat::render({}, true, true), QByteArray("\r\n[playlist]\r\n\r\n"));
    // Full paths ignore the sequence flag.
    QCOMPARE(PlsFormat::render(kTwo, false, true), PlsFormat::render(kTwo, false, false));
    // Numbers past 9999 keep all their digits.
    QVERIFY(PlsFormat::render(QStringList(12345, "/m/x.mp3"), true, true)
                .endsWith("File12345=12345-x.mp3\r\n\r\n"));
}

void TestPls::roundTripsAndFailures() {
    TestEnv env;
    const QString path = env.path("list.pls");
    // An "=" inside a path stays, and so does a U+FEFF that starts a name.
    const QStringList entries = {"/music/Ärzte/Café = Bar.mp3", "/music/b.ogg", "/music/b.ogg",
                                 QStringLiteral("/music/日本.mp3"), QChar(0xFEFF) + QString("x")};
    QVERIFY(PlsFormat::write(path, entries, false, false));
    QCOMPARE(PlsFormat::read(path), entries);
    // A line feed in an entry never reaches the file raw: a path goes as its
    // address, anything else percent-encoded.
    QVERIFY(PlsFormat::write(path, {"/m/a\nFile2=/evil.mp3", "x\ty"}, false, false));
    QCOMPARE(PlsFormat::read(path), QStringList({"file:///m/a%0AFile2=/evil.mp3", "x%09y"}));
    QVERIFY(PlsFormat::read(env.path("none.pls")).isEmpty());
    QVERIFY(PlsFormat::read(env.path("")).isEmpty()); // a folder
    QVERIFY(!PlsFormat::write(env.path("no/such/folder.pls"), kTwo, false, false));
}

void TestPls::foreignFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("count after header, LF ends, none on the last line")
        << QByteArray("[playlist]\nNumberOfEntries=2\nFile1=/a/1.mp3\nTitle1=One\nLength1=-1\n"
                      "Version=2\nFile2=http://x/y?a=b")
        << QStringList({"/a/1.mp3", "http://x/y?a=b"});
    QTest::newRow("CR LF, keys in any case, out of order, Windows-1252")
        << QByteArray("[Playlist]\r\nfile2=/b.mp3\r\nFILE1=C:\\M\xFCsik\\a.mp3\r\nTitle1=x\r\n")
        << QStringList({"/b.mp3", QString::fromUtf8("C:\\Müsik\\a.mp3")});
    QTest::newRow("lines that are not File lines")
        << QByteArray("[playlist]\nFile=/nodigits.mp3\nFileX1=/bad.mp3\nFile1 =/space.mp3\n"
                      "garbage\n\nFile3=/good.mp3\n")
        << QStringList({"/good.mp3"});
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF") + "File1=/a.mp3\n"
                                     << QStringList({"/a.mp3"});
    QTest::newRow("not a playlist") << QByteArray("\x00\x01\x02 binary", 10) << QStringList();
    QTest::newRow("control characters and a name longer than a path")
        << "File1=/a\x01.mp3\nFile2=/b\t.mp3\nFile3=/c\x7F\nFile4=/d\xC2\x85\nFile5=/" +
               QByteArray(4094, 'x') + "\nFile6=/" + QByteArray(4095, 'x') + "\nFile7=/ok.mp3\n"
        << QStringList({"/" + QString(4094, 'x'), "/ok.mp3"});
    QTest::newRow("CR line ends") << QByteArray(
                                         "[playlist]\rFile1=/a.mp3\rTitle1=a\rFile2=/b.mp3\r")
                                  << QStringList({"/a.mp3", "/b.mp3"});
    QTest::newRow("UTF-16 with its mark")
        << QByteArray("\xFF\xFE[\0p\0\n\0F\0i\0l\0e\0001\0=\0/\0\xE4\0\n\0", 26)
        << QStringList({QString::fromUtf8("/ä")});
    QByteArray many("[playlist]\n");
    for (int i = 1; i <= 32768; ++i)
        many += "File" + QByteArray::number(i) + "=/" + QByteArray::number(i) + ".mp3\n";
    QStringList kept;
    for (int i = 1; i <= 32767; ++i)
        kept << QStringLiteral("/%1.mp3").arg(i);
    QTest::newRow("32,767 entries at the most") << many << kept;
}

void TestPls::foreignFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    TestEnv env;
    writeBytes(env.path("foreign.pls"), bytes);
    QCOMPARE(PlsFormat::read(env.path("foreign.pls")), expected);
}

QTEST_GUILESS_MAIN(TestPls)
#include "test_pls.moc"
