// Song titles as the list shows them: read from real files' tags with their
// lengths, on a worker thread, kept for the run, and the list's rows that
// ask for them as they are shown. The cover pictures that tags hold.
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "core/playlist/PlaylistModel.h"
#include "core/tags/SongTags.h"
#include "core/tags/SongTitles.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

class TestSongTitles : public QObject {
    Q_OBJECT
private slots:
    void titlesAndLengths() {
        TestEnv env;
        const auto tags = [](const QStringList& fields) {
            QStringList options;
            for (const QString& f : fields)
                options << QStringLiteral("-metadata") << f;
            return options;
        };
        const struct {
            const char* name;
            QStringList options;
            double seconds;
            const char* text;
            const char* length;
        } cases[] = {
            {"both.mp3", tags({"artist=Band", "title=Song"}), 3, "Band - Song", "0:03"},
            {"title.flac", tags({"title=  Only Title "}), 61, "Only Title", "1:01"},
            {"artist.ogg", tags({"artist=Band"}), 0.6, "Band - artist.ogg", "0:01"},
            {"none.wav", {}, 2, "none.wav", "0:02"},
        };
        for (const auto& t : cases) {
            const QString path = env.path(QString::fromLatin1(t.name));
            QVERIFY(Tones::encode(path, t.options, t.seconds));
            const SongTitle title = SongTitles::read(path);
            QCOMPARE(title.text, QString::fromLatin1(t.text));
            QCOMPARE(SongTitles::lengthText(title.seconds), QString::fromLatin1(t.length));
        }
        // An ID3v1 tag's padding goes; no length where the audio tells none,
        // nor for a file that is not there.
        writeBytes(env.path("v1.mp3"),
                   QByteArray(300, '\x55') + id3v1Tag("Song ", "Band", "", "", 0, ' '));
        const SongTitle v1 = SongTitles::read(env.path("v1.mp3"));
        QVERIFY(v1.text == u"Band - Song" && v1.seconds == -1);
        const SongTitle gone = SongTitles::read(env.path("gone.mp3"));
        QVERIFY(gone.text == u"gone.mp3" && gone.seconds == -1);

        const QList<std::pair<int, const char*>> lengths = {
            {-1, ""},        {0, "0:00"},       {59, "0:59"},      {61, "1:01"},
            {3599, "59:59"}, {3600, "1:00:00"}, {3725, "1:02:05"}, {36061, "10:01:01"}};
        for (const auto& [seconds, text] : lengths)
            QCOMPARE(SongTitles::lengthText(seconds), QString::fromLatin1(text));
    }
    void coverPictures() {
        TestEnv env;
        const QString png = env.path("cover.png");
        QCOMPARE(QProcess::execute("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                                              "color=c=red:s=8x8", "-frames:v", "1", png}),
                 0);
        const QStringList attached = {"-i",   png,    "-map",           "0",           "-map", "1",
                                      "-c:v", "copy", "-disposition:v", "attached_pic"};
        for (const char* name : {"c.mp3", "c.flac", "c.m4a"}) {
            QVERIFY(Tones::encode(env.path(name), attached));
            QVERIFY2(Tags::readCoverPicture(env.path(name)) == readBytes(png), name);
        }
        QVERIFY(Tones::encode(env.path("none.mp3"), {}));
        QVERIFY(Tags::readCoverPicture(env.path("none.mp3")).isEmpty());
    }
    void rowsAskAsTheyAreShown() {
        TestEnv env;
        QStringList entries;
        for (int i = 0; i < 100; ++i)
            entries << env.path(QStringLiteral("%1.mp3").arg(i));
        QVERIFY(
            Tones::encode(entries[50], {"-metadata", "artist=Band", "-metadata", "title=Song"}, 2));
        PlaylistModel model;
        model.append(entries);
        SongTitles titles;
        const QModelIndex row = model.index(50);
        // Off: the entry as stored, and nothing is read.
        QCOMPARE(row.data().toString(), entries[50]);
        QVERIFY(row.data(PlaylistModel::LengthRole).isNull() && titles.count() == 0);

        QSignalSpy changed(&model, &PlaylistModel::dataChanged);
        model.setTitles(&titles);
        QCOMPARE(changed.count(), 1);
        // The file name until the title arrives, then the title; the rows on
        // either side are read after it, no further.
        QCOMPARE(row.data().toString(), QStringLiteral("50.mp3"));
        QTRY_COMPARE(row.data().toString(), QStringLiteral("Band - Song"));
        QCOMPARE(row.data(PlaylistModel::LengthRole).toString(), QStringLiteral("0:02"));
        QCOMPARE(row.data(Qt::ToolTipRole).toString(), entries[50]);
        QTRY_COMPARE(titles.count(), 49);
        QVERIFY(titles.find(entries[26]) && titles.find(entries[74]));
        QVERIFY(!titles.find(entries[25]) && !titles.find(entries[75]));
        QVERIFY(changed.count() > 1);
        model.setTitles(nullptr);
        QCOMPARE(row.data().toString(), entries[50]);
    }
};

QTEST_GUILESS_MAIN(TestSongTitles)
#include "test_songtitles.moc"
