// The ID3v1 reader over files written here, the genre table, and the song's
// tags as the windows show them from the kinds of tags that ffmpeg writes.
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "core/tags/ID3.h"
#include "core/tags/SongTags.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using ID3::TagRecord;

namespace {

// Every field of a record in one text, for comparisons that show them all.
QString text(const TagRecord& r) {
    return QStringList(
               {r.header, r.title, r.artist, r.album, r.year, r.comment, QString::number(r.genre)})
        .join(u'|');
}

// A record whose every field differs from any tag the tests write.
TagRecord marked() {
    const QString x(30, u'x');
    return {"xxx", x, x, x, "xxxx", x, 77};
}

QString padded(const QString& value, int width, QChar pad = QChar(0)) {
    return value.leftJustified(width, pad);
}

// The zeros of a large file that takes no disk space (a preallocated
// download): 200 MB.
constexpr quint32 kHole = 200'000'000;

QByteArray int32(quint32 v, bool bigEndian = true) {
    QByteArray b(4, '\0');
    bigEndian ? qToBigEndian(v, b.data()) : qToLittleEndian(v, b.data());
    return b;
}

// An APEv2 tag (no header) of text items.
QByteArray apeTag(const QList<QByteArrayList>& items) {
    QByteArray body;
    for (const QByteArrayList& item : items)
        body += int32(item[1].size(), false) + int32(0) + item[0] + '\0' + item[1];
    return body + "APETAGEX" + int32(2000, false) + int32(body.size() + 32, false) +
           int32(items.size(), false) + int32(0) + QByteArray(8, '\0');
}

} // namespace

class TestId3 : public QObject {
    Q_OBJECT
private slots:
    void wholeTagAtTheVeryEnd() {
        // Only the last 128 bytes count and every field is replaced; a byte
        // is a Latin-1 character, an ID3v1.1 track number stays in the
        // comment, and a genre above 127 reads as unsigned.
        TestEnv env;
        const QString path = env.path("song.mp3");
        writeBytes(path, id3v1Tag("Wrong") + QByteArray(1 << 20, '\x55') +
                             id3v1Tag("Caf\xE9 \xC0 la Fen\xEAtre", "\xFF\x80\x01", "",
                                      tagField("Live", 28, ' ') + QByteArray("\x00\x07", 2), 255));
        TagRecord r = marked();
        QVERIFY(ID3::readTag(path, r));
        QCOMPARE(text(r), "TAG|" + padded(QString::fromUtf8("Café À la Fenêtre"), 30) + '|' +
                              padded(QString::fromLatin1("\xFF\x80\x01"), 30) + '|' +
                              padded("Album", 30) + '|' + padded("", 4) + '|' +
                              padded("Live", 28, u' ') + QChar(0) + QChar(7) + "|255");
    }
    void nothingThatIsNoTaggedFile() {
        TestEnv env;
        QStringList none;
        const auto file = [&](const char* name, const QByteArray& bytes) {
            none << env.path(QString::fromLatin1(name));
            writeBytes(none.last(), bytes);
        };
        file("early.mp3", id3v1Tag("Early") + QByteArray(500, '\0')); // not at the very end
        file("127.mp3", QByteArray("TAG") + QByteArray(124, ' '));
        file("TAg.mp3", id3v1Tag("Song", "", "", "", 0, ' ', "TAg"));
        file("id3v2.mp3", QByteArray("ID3\x03\x00", 5) + QByteArray(300, '\0'));
        const QString folder = env.path("Folder.mp3");
        QVERIFY(QDir().mkpath(folder));
        const QString fifo = env.path("pipe.mp3"); // must not wait for a writer
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString tagged = env.path("t.mp3");
        writeBytes(tagged, id3v1Tag("T"));
        none << folder << fifo << env.path("missing.mp3") << QString()
             << QStringLiteral("/dev/zero") << tagged + QChar(0) + QStringLiteral("x");
        // The caller's record keeps what it held (the last tag read).
        for (const QString& path : none) {
            TagRecord r = marked();
            QVERIFY2(!ID3::readTag(path, r), qPrintable(path));
            QVERIFY(!Tags::readSongTags(path).found());
            QCOMPARE(text(r), text(marked()));
        }
        // A link to a tagged file reads through.
        QVERIFY(QFile::link(tagged, env.path("link.mp3")));
        TagRecord r;
        QVERIFY(ID3::readTag(env.path("link.mp3"), r));
    }
    void genresAndMp3Paths() {
        const QStringList names = ID3::genreList().split(u',');
        QCOMPARE(names.size(), 147);
        QCOMPARE(ID3::genreList().size(), 1316);
        for (int g = 0; g < names.size(); ++g)
            QCOMPARE(ID3::genreName(g).value_or(QString()), names.at(g));
        // The names as the table has always spelt them, with their blanks.
        QCOMPARE(QStringList({names[0], names[9], names[66], names[92], names[117], names[146]}),
                 QStringList({"Blues", " Metal", "Psychadelic", " Psychedelic Rock", "Rhytmic Soul",
                              "SynthPop"}));
        for (int g : {147, 255, -1})
            QVERIFY(!ID3::genreName(g).has_value());
        // "mp3" at the end in any case, no dot needed.
        for (const char* mp3 : {"C:\\Music\\Song.MP3", "/music/Song.Mp3", "/music/xmp3", "mp3"})
            QVERIFY(ID3::isMp3Path(QLatin1String(mp3)));
        for (const char* other : {"C:\\Music\\Song.mp3.bak", "p3", "/music/Song.mp4"})
            QVERIFY(!ID3::isMp3Path(QLatin1String(other)));
    }
    void songTags_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("encoded");        // a real file by ffmpeg, else only the bytes
        QTest::addColumn<QStringList>("options"); // ffmpeg's
        QTest::addColumn<QByteArray>("appended");
        // Where kHole zeros go: "^" first, "$" before the appended bytes, "mdat"
        // and "JUNK" an MP4 atom or an AIFF chunk of them before the tags.
        QTest::addColumn<QByteArray>("hole");
        QTest::addColumn<QString>("expected");
        const QString title = QString::fromUtf8("T\u00eftle \u2605 \u03a3");
        QStringList tags;
        for (const QString& field :
             {"title=" + title, QStringLiteral("artist=Artist"), QStringLiteral("album=Album"),
              QStringLiteral("date=2024"), QStringLiteral("comment=Comment"),
              QStringLiteral("genre=Jazz")})
            tags << QStringLiteral("-metadata") << field;
        const QString all = "Other|" + title + "|Artist|Album|2024|Comment|Jazz";
        auto row = [&](const char* kind, const char* name, const QStringList& options,
                       const QString& expected, const QByteArray& appended = {},
                       const QByteArray& hole = {}) {
            QTest::newRow(kind) << name << true << options << appended << hole << expected;
        };
        auto raw = [&](const char* kind, const char* name, const QByteArray& bytes,
                       const QString& expected, const QByteArray& hole = {}) {
            QTest::newRow(kind) << name << false << QStringList() << bytes << hole << expected;
        };
        row("ID3v2.4", "s.mp3", tags + QStringList{"-id3v2_version", "4"}, all);
        row("FLAC", "s.flac", tags, all);
        row("Ogg Vorbis", "s.ogg", tags + QStringList{"-c:a", "libvorbis"}, all);
        row("Opus", "s.opus", tags, all);
        row("MP4", "s.m4a", tags, all);
        row("WavPack (APE)", "s.wv", tags, all);
        // A file with both: the ID3v1 tag exactly as it has always been read.
        row("ID3v1 first", "s.mp3", tags, "ID3v1|Old|Band|Album|1999|Comment|Rock",
            id3v1Tag("Old", "Band", "1999", "Comment", 17));
        // A tag without a field is none.
        row("empty ID3v2", "s.mp3", {}, "None||||||");
        row("no comments", "s.ogg", {}, "None||||||");
        // ID3v1 alone: blank padding stays, a NUL ends a value, a genre past
        // the table has no name, and no tag is no genre (not 0's "Blues").
        const QByteArray audio(300, '\x55');
        raw("ID3v1 alone, blanks", "b.mp3", id3v1Tag("Song", "Band", "1999", "Comment", 9, ' '),
            "ID3v1|" + padded("Song", 30, u' ') + '|' + padded("Band", 30, u' ') + '|' +
                padded("Album", 30, u' ') + "|1999|" + padded("Comment", 30, u' ') + "| Metal");
        raw("ID3v1 NULs", "n.MP3",
            audio + id3v1Tag(QByteArray("Song\0junk", 9), QByteArray("Band \0x", 7), "1999",
                             "Comment", 255),
            "ID3v1|Song|Band |Album|1999|Comment|");
        raw("no tag", "plain.mp3", audio, "None||||||");

        // Tags at the head and the tail of large files, some larger than the
        // part searched (64 KiB after an ID3v2 tag, 256 KiB at the end).
        const QString c(100'000, u'c'),
            big = "Other|" + title + "|Artist|Album|2024|" + c + "|Jazz";
        const QStringList large = tags + QStringList{"-metadata", "comment=" + c};
        row("ID3v2, 200 MB", "s.mp3", large, big, {}, "$");
        raw("APE, 200 MB", "s.mp3",
            apeTag({{"Title", "APE"}, {"Comment", QByteArray(300'000, 'c')}}),
            "Other|APE||||" + QString(300'000, u'c') + '|', "^");
        row("FLAC, 200 MB", "s.flac", large, big, {}, "$");
        row("Ogg, 200 MB", "s.ogg", large + QStringList{"-c:a", "libvorbis"}, big, {}, "$");
        row("MP4 moov after 200 MB", "s.m4a", tags, all, {}, "mdat");
        row("AIFF ID3 after 200 MB", "s.aiff", tags + QStringList{"-write_id3v2", "1"}, all, {},
            "JUNK");
        // Past the head a tag is not looked for: no file is read end to end.
        row("ID3v2 past the head", "s.mp3", tags, "None||||||", {}, "^");
        row("FLAC past the head", "s.flac", tags, "None||||||", {}, "^");
        for (const char* zeros : {"z.mp3", "z.flac", "z.ogg", "z.opus", "z.spx", "z.m4a", "z.wav"})
            raw(zeros, zeros, {}, "None||||||", "^");
    }
    void songTags() {
        QFETCH(QString, name);
        QFETCH(bool, encoded);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, appended);
        QFETCH(QByteArray, hole);
        QFETCH(QString, expected);
        TestEnv env;
        const QString path = env.path(name);
        if (encoded)
            QVERIFY(Tones::encode(path, options));
        const QByteArray bytes = readBytes(path) + appended;
        qsizetype at = hole == "^" ? 0 : bytes.size() - appended.size();
        QByteArray header;
        if (hole == "mdat") {
            at = bytes.indexOf("moov") - 4;
            header = int32(kHole + 8) + hole;
        } else if (hole == "JUNK") {
            at = bytes.indexOf("ID3 ");
            header = hole + int32(kHole);
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes.left(at) + header) >= 0);
        QVERIFY(hole.isEmpty() || f.resize(f.size() + kHole)); // takes no disk space
        QVERIFY(f.seek(f.size()) && f.write(bytes.mid(at)) == bytes.size() - at);
        f.close();
        const Tags::SongTags t = Tags::readSongTags(path);
        const QString source = t.source == Tags::SongTags::Source::None    ? "None"
                               : t.source == Tags::SongTags::Source::ID3v1 ? "ID3v1"
                                                                           : "Other";
        QCOMPARE(QStringList({source, t.title, t.artist, t.album, t.year, t.comment, t.genre})
                     .join(u'|'),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestId3)
#include "test_id3.moc"
