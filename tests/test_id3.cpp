// The ID3v1 reader over files written here: where the tag sits, what counts
// as a tag, padding kept, the caller's record, the genre table and the MP3
// test of a path.
#include "support/TestEnv.h"

#include "tags/ID3.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using ID3::TagRecord;

namespace {

QByteArray field(const QByteArray& value, int width, char pad) {
    QByteArray f = value.left(width);
    f.append(width - f.size(), pad);
    return f;
}

// The 128 bytes of a tag; pad fills each text field after its value.
QByteArray tagBytes(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                    const QByteArray& year, const QByteArray& comment, quint8 genre,
                    char pad = '\0', const QByteArray& header = "TAG") {
    QByteArray b = header + field(title, 30, pad) + field(artist, 30, pad) + field(album, 30, pad) +
                   field(year, 4, pad) + field(comment, 30, pad);
    b.append(char(genre));
    return b;
}

// A record whose every field differs from any tag the tests write.
TagRecord marked() {
    TagRecord r;
    r.Header = QStringLiteral("xxx");
    r.Title = QString(30, u'x');
    r.Artist = QString(30, u'x');
    r.Album = QString(30, u'x');
    r.Year = QStringLiteral("xxxx");
    r.Comment = QString(30, u'x');
    r.Genre = 77;
    return r;
}

bool sameRecord(const TagRecord& a, const TagRecord& b) {
    return a.Header == b.Header && a.Title == b.Title && a.Artist == b.Artist &&
           a.Album == b.Album && a.Year == b.Year && a.Comment == b.Comment && a.Genre == b.Genre;
}

QString nuls(int n) {
    return QString(n, QChar(0));
}

} // namespace

class TestId3 : public QObject {
    Q_OBJECT
private slots:
    void newRecordIsAllNul();
    void fileOfExactly128Bytes();
    void tagAtTheEndOfALargerFile();
    void notATag_data();
    void notATag();
    void paddingAndBytesKept();
    void recordAcrossFiles();
    void thingsThatAreNoTaggedFile();
    void unreadableFile();
    void titleOfAFile();
    void genreTable_data();
    void genreTable();
    void genreListText();
    void mp3Paths_data();
    void mp3Paths();
};

void TestId3::newRecordIsAllNul() {
    const TagRecord r;
    QCOMPARE(r.Header, nuls(3));
    QCOMPARE(r.Title, nuls(30));
    QCOMPARE(r.Artist, nuls(30));
    QCOMPARE(r.Album, nuls(30));
    QCOMPARE(r.Year, nuls(4));
    QCOMPARE(r.Comment, nuls(30));
    QCOMPARE(r.Genre, quint8(0));
}

void TestId3::fileOfExactly128Bytes() {
    TestEnv env;
    const QString path = env.path("only-tag.mp3");
    writeBytes(path, tagBytes("Title", "Artist", "Album", "1999", "Comment", 17, ' '));
    QCOMPARE(QFileInfo(path).size(), 128);
    TagRecord r;
    QVERIFY(ID3::ReadID3Tag(path, r));
    QCOMPARE(r.Header, QStringLiteral("TAG"));
    QCOMPARE(r.Title, QStringLiteral("Title").leftJustified(30, u' '));
    QCOMPARE(r.Artist, QStringLiteral("Artist").leftJustified(30, u' '));
    QCOMPARE(r.Album, QStringLiteral("Album").leftJustified(30, u' '));
    QCOMPARE(r.Year, QStringLiteral("1999"));
    QCOMPARE(r.Comment, QStringLiteral("Comment").leftJustified(30, u' '));
    QCOMPARE(r.Genre, quint8(17));
}

void TestId3::tagAtTheEndOfALargerFile() {
    TestEnv env;
    const QString path = env.path("song.mp3");
    // Audio that itself holds the letters TAG: only the last 128 bytes count.
    QByteArray audio = tagBytes("Wrong", "Wrong", "", "", "", 1);
    audio += QByteArray(1 << 20, '\x55');
    writeBytes(path, audio + tagBytes("Right", "Band", "", "2001", "", 42));
    TagRecord r;
    QVERIFY(ID3::ReadID3Tag(path, r));
    QCOMPARE(r.Title, QStringLiteral("Right") + nuls(25));
    QCOMPARE(r.Genre, quint8(42));
    // A tag that is not at the very end is none.
    writeBytes(path, tagBytes("Early", "", "", "", "", 1) + QByteArray(500, '\0'));
    QVERIFY(!ID3::ReadID3Tag(path, r));
    QCOMPARE(r.Title, QStringLiteral("Right") + nuls(25));
}

void TestId3::notATag_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray tag = tagBytes("Song", "Band", "", "", "", 0);
    QTest::newRow("127 bytes") << tag.left(127);
    QTest::newRow("127 bytes starting with TAG") << QByteArray("TAG") + QByteArray(124, ' ');
    QTest::newRow("3 bytes TAG") << QByteArray("TAG");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("lower-case tag") << tagBytes("Song", "Band", "", "", "", 0, ' ', "tag");
    QTest::newRow("mixed-case Tag") << tagBytes("Song", "Band", "", "", "", 0, ' ', "Tag");
    QTest::newRow("TAg") << tagBytes("Song", "Band", "", "", "", 0, ' ', "TAg");
    QTest::newRow("ID3v2 header only") << QByteArray("ID3\x03\x00", 5) + QByteArray(300, '\0');
}

void TestId3::notATag() {
    QFETCH(QByteArray, bytes);
    TestEnv env;
    const QString path = env.path("x.mp3");
    writeBytes(path, bytes);
    TagRecord r = marked();
    QVERIFY(!ID3::ReadID3Tag(path, r));
    QVERIFY(sameRecord(r, marked()));
}

void TestId3::paddingAndBytesKept() {
    TestEnv env;
    const QString spaces = env.path("spaces.mp3");
    const QString zeros = env.path("zeros.mp3");
    writeBytes(spaces, tagBytes("Song", "Band", "", "", "", 0, ' '));
    writeBytes(zeros, tagBytes("Song", "Band", "", "", "", 0, '\0'));
    TagRecord r;
    QVERIFY(ID3::ReadID3Tag(spaces, r));
    QCOMPARE(r.Title, QStringLiteral("Song") + QString(26, u' '));
    QCOMPARE(r.Year, QStringLiteral("    "));
    QVERIFY(ID3::ReadID3Tag(zeros, r));
    QCOMPARE(r.Title, QStringLiteral("Song") + nuls(26));
    QCOMPARE(r.Year, nuls(4));

    // Every byte is one Latin-1 character, the ID3v1.1 track number (a NUL
    // and the number in the comment's last two bytes) stays in the comment,
    // and a genre above 127 reads as unsigned.
    const QString latin = env.path("latin.mp3");
    QByteArray comment = field("Live", 28, ' ');
    comment += QByteArray("\x00\x07", 2);
    writeBytes(latin, tagBytes("Caf\xE9 \xC0 la Fen\xEAtre", "Bj\xF6rk", "\xFF\x80\x01", "2024",
                               comment, 255, ' '));
    QVERIFY(ID3::ReadID3Tag(latin, r));
    QCOMPARE(r.Title, QString::fromUtf8("Café À la Fenêtre").leftJustified(30, u' '));
    QCOMPARE(r.Artist, QString::fromUtf8("Björk").leftJustified(30, u' '));
    QCOMPARE(r.Album.left(3), QString::fromLatin1("\xFF\x80\x01"));
    QCOMPARE(r.Comment.size(), 30);
    QCOMPARE(r.Comment.right(2), QString(QChar(0)) + QChar(7));
    QCOMPARE(r.Genre, quint8(255));
}

void TestId3::recordAcrossFiles() {
    TestEnv env;
    const QString a = env.path("a.mp3");
    const QString plain = env.path("plain.mp3");
    const QString b = env.path("b.mp3");
    writeBytes(a, QByteArray(300, 'a') + tagBytes("First", "One", "", "", "", 1));
    writeBytes(plain, QByteArray(300, 'p'));
    writeBytes(b, QByteArray(300, 'b') + tagBytes("Second", "Two", "", "", "", 2));

    TagRecord r;
    QVERIFY(!ID3::ReadID3Tag(plain, r));
    QVERIFY(sameRecord(r, TagRecord()));
    QVERIFY(ID3::ReadID3Tag(a, r));
    QCOMPARE(r.Title, QStringLiteral("First") + nuls(25));
    // After a file without a tag the record still holds the last one.
    QVERIFY(!ID3::ReadID3Tag(plain, r));
    QCOMPARE(r.Title, QStringLiteral("First") + nuls(25));
    QCOMPARE(r.Genre, quint8(1));
    // A tagged file replaces every field.
    QVERIFY(ID3::ReadID3Tag(b, r));
    QCOMPARE(r.Title, QStringLiteral("Second") + nuls(24));
    QCOMPARE(r.Artist, QStringLiteral("Two") + nuls(27));
    QCOMPARE(r.Genre, quint8(2));
}

void TestId3::thingsThatAreNoTaggedFile() {
    TestEnv env;
    const QString folder = env.path("Folder.mp3");
    QVERIFY(QDir().mkpath(folder));
    const QString fifo = env.path("pipe.mp3");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString tagged = env.path("t.mp3");
    writeBytes(tagged, tagBytes("T", "", "", "", "", 0));
    const QString link = env.path("link.mp3");
    QVERIFY(QFile::link(tagged, link));

    const QStringList none = {folder,
                              fifo, // must not wait for a writer
                              env.path("missing.mp3"),
                              env.path("no/such/folder/x.mp3"),
                              QString(),
                              QStringLiteral("C:\\Music\\Song.mp3"),
                              QStringLiteral("/dev/zero"),
                              tagged + QChar(0) + QStringLiteral("x")};
    for (const QString& path : none) {
        TagRecord r = marked();
        QVERIFY2(!ID3::ReadID3Tag(path, r), qPrintable(path));
        QVERIFY(sameRecord(r, marked()));
        QCOMPARE(ID3::GetID3Title(path), nuls(30));
    }
    // A link to a tagged file reads through.
    TagRecord r;
    QVERIFY(ID3::ReadID3Tag(link, r));
}

void TestId3::unreadableFile() {
    if (::geteuid() == 0)
        QSKIP("running as root: permission bits do not stop reads");
    TestEnv env;
    const QString path = env.path("locked.mp3");
    writeBytes(path, tagBytes("Locked", "", "", "", "", 0));
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    TagRecord r = marked();
    QVERIFY(!ID3::ReadID3Tag(path, r));
    QVERIFY(sameRecord(r, marked()));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestId3::titleOfAFile() {
    TestEnv env;
    const QString path = env.path("Song.MP3");
    writeBytes(path, QByteArray(1000, '\x11') + tagBytes("Song", "Band", "", "", "", 0, ' '));
    QCOMPARE(ID3::GetID3Title(path), QStringLiteral("Song") + QString(26, u' '));
    writeBytes(path, QByteArray(1000, '\x11'));
    QCOMPARE(ID3::GetID3Title(path), nuls(30));
    QCOMPARE(ID3::GetID3Title(env.path("gone.mp3")), nuls(30));
}

void TestId3::genreTable_data() {
    QTest::addColumn<int>("genre");
    QTest::addColumn<QString>("name"); // null: no name
    QTest::newRow("0") << 0 << "Blues";
    QTest::newRow("8") << 8 << "Jazz";
    QTest::newRow("9 with its blank") << 9 << " Metal";
    QTest::newRow("10") << 10 << " New Age";
    QTest::newRow("11") << 11 << " Oldies";
    QTest::newRow("17") << 17 << "Rock";
    QTest::newRow("41") << 41 << "Bass";
    QTest::newRow("42") << 42 << "Punk";
    QTest::newRow("66 as spelt") << 66 << "Psychadelic";
    QTest::newRow("77") << 77 << "Rock & Roll";
    QTest::newRow("92 with its blank") << 92 << " Psychedelic Rock";
    QTest::newRow("117 as spelt") << 117 << "Rhytmic Soul";
    QTest::newRow("145") << 145 << "JPop";
    QTest::newRow("146") << 146 << "SynthPop";
    QTest::newRow("147") << 147 << QString();
    QTest::newRow("255") << 255 << QString();
    QTest::newRow("-1") << -1 << QString();
}

void TestId3::genreTable() {
    QFETCH(int, genre);
    QFETCH(QString, name);
    const std::optional<QString> got = ID3::genreName(genre);
    if (name.isNull()) {
        QVERIFY(!got.has_value());
    } else {
        QVERIFY(got.has_value());
        QCOMPARE(*got, name);
    }
}

void TestId3::genreListText() {
    const QString list = ID3::GenreList();
    QVERIFY(list.startsWith(QLatin1String("Blues,Classic Rock,Country,Dance,")));
    QVERIFY(list.endsWith(QLatin1String(",Thrash Metal,Anime,JPop,SynthPop")));
    const QStringList names = list.split(u',');
    QCOMPARE(names.size(), 147);
    int withBlank = 0;
    for (int g = 0; g < names.size(); ++g) {
        QCOMPARE(ID3::genreName(g).value_or(QString()), names.at(g));
        QVERIFY(!names.at(g).isEmpty());
        withBlank += names.at(g).startsWith(u' ');
    }
    QCOMPARE(withBlank, 4);
    QCOMPARE(list.size(), 1316);
}

void TestId3::mp3Paths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("mp3");
    QTest::newRow("Windows path, capitals") << "C:\\Music\\Song.MP3" << true;
    QTest::newRow("Song.mp3") << "/music/Song.mp3" << true;
    QTest::newRow("mixed case") << "/music/Song.Mp3" << true;
    QTest::newRow(".mp3.bak") << "C:\\Music\\Song.mp3.bak" << false;
    QTest::newRow("no dot") << "/music/xmp3" << true;
    QTest::newRow("just mp3") << "mp3" << true;
    QTest::newRow("too short") << "p3" << false;
    QTest::newRow("ogg") << "/music/Song.ogg" << false;
    QTest::newRow("mp4") << "/music/Song.mp4" << false;
    QTest::newRow("empty") << "" << false;
}

void TestId3::mp3Paths() {
    QFETCH(QString, path);
    QFETCH(bool, mp3);
    QCOMPARE(ID3::isMp3Path(path), mp3);
}

QTEST_GUILESS_MAIN(TestId3)
#include "test_id3.moc"
