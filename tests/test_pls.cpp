// The PLS format through real files: the program's three forms byte for
// byte, and lists written by other players.
#include "support/TestEnv.h"

#include "playlist/PlsFormat.h"

#include <QtTest>

class TestPls : public QObject {
    Q_OBJECT
private slots:
    void threeFormsByteForByte();
    void emptyList();
    void roundTrips();
    void foreignFiles_data();
    void foreignFiles();
    void missingFileAddsNothing();
    void limitIsKept();
};

static const QStringList kTwo = {"/music/Song.mp3", "/other/Track 2.mp3"};

void TestPls::threeFormsByteForByte() {
    QCOMPARE(PlsFormat::render(kTwo, false, false),
             QByteArray("\r\n[playlist]\r\n"
                        "File1=/music/Song.mp3\r\nTitle1=Song\r\n"
                        "File2=/other/Track 2.mp3\r\nTitle2=Track 2\r\n"
                        "\r\n"));
    QCOMPARE(PlsFormat::render(kTwo, true, false),
             QByteArray("\r\n[playlist]\r\n"
                        "File1=Song.mp3\r\nTitle1=Song\r\n"
                        "File2=Track 2.mp3\r\nTitle2=Track 2\r\n"
                        "\r\n"));
    QCOMPARE(PlsFormat::render(kTwo, true, true), QByteArray("\r\n[playlist]\r\n"
                                                             "File1=0001-Song.mp3\r\n"
                                                             "File2=0002-Track 2.mp3\r\n"
                                                             "\r\n"));
    // Full paths ignore the sequence flag; titles of odd names.
    QCOMPARE(PlsFormat::render({"/a/Song.flac", "/a/ab"}, false, true),
             QByteArray("\r\n[playlist]\r\nFile1=/a/Song.flac\r\nTitle1=Song.\r\n"
                        "File2=/a/ab\r\nTitle2=ab\r\n\r\n"));
    // Numbers past 9999 keep all their digits.
    QStringList many(12345, QStringLiteral("/m/x.mp3"));
    QVERIFY(PlsFormat::render(many, true, true).endsWith("File12345=12345-x.mp3\r\n\r\n"));
}

void TestPls::emptyList() {
    TestEnv env;
    const QString path = env.path("empty.pls");
    QVERIFY(PlsFormat::write(path, {}, false, false));
    QCOMPARE(readBytes(path), QByteArray("\r\n[playlist]\r\n\r\n"));
    QVERIFY(PlsFormat::read(path).isEmpty());
}

void TestPls::roundTrips() {
    TestEnv env;
    const QStringList entries = {"/music/Ärzte/Café = Bar.mp3", "/music/b.ogg", "/music/b.ogg",
                                 QStringLiteral("/music/日本.mp3")};
    const QString path = env.path("list.pls");
    QVERIFY(PlsFormat::write(path, entries, false, false));
    // An "=" inside a path stays.
    QCOMPARE(PlsFormat::read(path), entries);
    QVERIFY(PlsFormat::write(path, entries, true, false));
    QCOMPARE(PlsFormat::read(path),
             QStringList({"Café = Bar.mp3", "b.ogg", "b.ogg", QStringLiteral("日本.mp3")}));
    // The numbered form (no Title lines) reads back whole.
    QVERIFY(PlsFormat::write(path, entries, true, true));
    QCOMPARE(PlsFormat::read(path).size(), 4);
    QCOMPARE(PlsFormat::read(path).at(3), QStringLiteral("0004-日本.mp3"));
}

void TestPls::foreignFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("count after header, LF ends")
        << QByteArray("[playlist]\nNumberOfEntries=2\nFile1=/a/1.mp3\nTitle1=One\nLength1=-1\n"
                      "File2=/a/2.mp3\nTitle2=Two\nLength2=200\nVersion=2\n")
        << QStringList({"/a/1.mp3", "/a/2.mp3"});
    QTest::newRow("keys in any case, out of order")
        << QByteArray("[Playlist]\r\nfile2=/b.mp3\r\nFILE1=/a.mp3\r\nTitle1=x\r\n")
        << QStringList({"/b.mp3", "/a.mp3"});
    QTest::newRow("no line end at the end")
        << QByteArray("[playlist]\nFile1=http://x/y?a=b") << QStringList({"http://x/y?a=b"});
    QTest::newRow("lines that are not File lines")
        << QByteArray("[playlist]\nFile=/nodigits.mp3\nFileX1=/bad.mp3\nFile1 =/space.mp3\n"
                      "garbage\n\nFile3=/good.mp3\n")
        << QStringList({"/good.mp3"});
    QTest::newRow("Windows-1252 name") << QByteArray("[playlist]\r\nFile1=C:\\M\xFCsik\\a.mp3\r\n")
                                       << QStringList({QString::fromUtf8("C:\\Müsik\\a.mp3")});
    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBF[playlist]\nFile1=/a.mp3\n") << QStringList({"/a.mp3"});
    QTest::newRow("not a playlist") << QByteArray("\x00\x01\x02 binary", 10) << QStringList();
}

void TestPls::foreignFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    TestEnv env;
    writeBytes(env.path("foreign.pls"), bytes);
    QCOMPARE(PlsFormat::read(env.path("foreign.pls")), expected);
}

void TestPls::missingFileAddsNothing() {
    TestEnv env;
    QVERIFY(PlsFormat::read(env.path("none.pls")).isEmpty());
    QVERIFY(PlsFormat::read(env.path("")).isEmpty());
    QVERIFY(!PlsFormat::write(env.path("no/such/folder.pls"), kTwo, false, false));
}

void TestPls::limitIsKept() {
    QByteArray bytes("[playlist]\n");
    for (int i = 1; i <= 10; ++i)
        bytes += "File" + QByteArray::number(i) + "=/" + QByteArray::number(i) + ".mp3\n";
    QCOMPARE(PlsFormat::parse(bytes, 3), QStringList({"/1.mp3", "/2.mp3", "/3.mp3"}));
}

QTEST_GUILESS_MAIN(TestPls)
#include "test_pls.moc"
