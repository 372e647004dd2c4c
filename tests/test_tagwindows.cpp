// The tag window and the Now Playing strip through the main window.
#include "support/App.h"
#include "support/Tones.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "playback/frmNowplaying.h"
#include "tags/frmID3.h"

#include <QLineEdit>
#include <QPushButton>

#include <clocale>

namespace {

// A file of some audio-looking bytes ending in an ID3v1 tag.
void writeTagged(const QString& path, const QByteArray& title, quint8 genre, char pad) {
    writeBytes(path,
               QByteArray(300, '\x55') + id3v1Tag(title, "Band", "1999", "Comment", genre, pad));
}

} // namespace

class TestTagWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void tagWindowFromPlaylistMenu();
    void nowPlaying();
};

void TestTagWindows::tagWindowFromPlaylistMenu() {
    App p;
    const QString spaced = p.env.path("spaced.mp3");
    const QString nul = p.env.path("nul.MP3");
    const QString plain = p.env.path("plain.mp3");
    const QString vorbis = p.env.path("song.ogg"), bare = p.env.path("bare.ogg");
    writeTagged(spaced, "Song", 9, ' ');
    writeTagged(nul, "Intro", 255, '\0');
    writeBytes(plain, QByteArray(500, 'x'));
    QVERIFY(Tones::encode(vorbis, {"-metadata", "title=Vorbis", "-metadata", "genre=Jazz"}));
    QVERIFY(Tones::encode(bare, {}));
    p.w->playlistModel().append(QStringList({spaced, nul, plain, bare, vorbis}));
    p.w->mnuID3->trigger(); // nothing selected: nothing happens
    QVERIFY(!p.w->tagWindow());
    // The first selected entry's tag.
    p.w->setSelected(0, true);
    p.w->setSelected(1, true);
    p.w->mnuID3->trigger();
    frmID3* t = p.w->tagWindow();
    QCOMPARE(t->windowTitle(), QStringLiteral("MP3 ID3 Information"));
    QCOMPARE(t->txtFile->text(), spaced);
    QCOMPARE(t->txtTitle->text(), QStringLiteral("Song") + QString(26, u' '));
    QCOMPARE(t->txtArtist->text().size(), 30);
    QCOMPARE(t->txtGenre->text(), QStringLiteral(" Metal"));
    QCOMPARE(t->txtYear->text(), QStringLiteral("1999"));

    // NUL padding shows as nothing; a genre past the table shows nothing.
    p.w->ShowID3Info(nul);
    QCOMPARE(p.w->tagWindow(), t); // the same window, refilled
    QCOMPARE(t->txtTitle->text(), QStringLiteral("Intro"));
    QCOMPARE(t->txtGenre->text(), QString());
    // Without a tag: the path, and every other box empty (also the genre,
    // although a fresh record's number 0 would read "Blues").
    p.w->ShowID3Info(plain);
    QCOMPARE(t->txtFile->text(), plain);
    for (QLineEdit* box :
         {t->txtTitle, t->txtArtist, t->txtAlbum, t->txtGenre, t->txtYear, t->txtComment})
        QCOMPARE(box->text(), QString());

    t->close();
    QTRY_VERIFY(!p.w->tagWindow());

    // Another file without a tag gets the message; with one, the window.
    p.w->playlist->clearSelection();
    p.w->setSelected(3, true);
    p.w->mnuID3->trigger();
    QCOMPARE(p.platform.messages.texts(), QStringList({"This is not an MP3 file!"}));
    QVERIFY(!p.w->tagWindow());
    p.w->ShowID3Info(vorbis);
    QCOMPARE(p.w->tagWindow()->txtTitle->text(), QStringLiteral("Vorbis"));
    QCOMPARE(p.w->tagWindow()->txtGenre->text(), QStringLiteral("Jazz"));
    QCOMPARE(p.platform.messages.texts().size(), 1);
}

void TestTagWindows::nowPlaying() {
    App p;
    QTest::mouseClick(p.w->btnNowPlaying, Qt::LeftButton);
    frmNowplaying* now = p.w->nowPlayingWindow();
    QVERIFY(QTest::qWaitForWindowExposed(now));
    QCOMPARE(now->windowTitle(), QStringLiteral("Jukora - Now Playing"));
    QCOMPARE(now->Timer1.interval(), 5000);
    QVERIFY(now->Timer1.isActive());
    const double height = Twips::fromPx(Twips::toPx(1150));

    // A line for each player: the tag's title, or the file name.
    auto lines = [&] {
        now->NowPlaying();
        return QStringList({now->txtPlayer->text(), now->txtMixer->text()});
    };
    QCOMPARE(lines(), QStringList({"", ""})); // no player open
    const QString tagged = p.env.path("a.mp3");
    const QString untitled = p.env.path("b.mp3"), v2 = p.env.path("c.mp3");
    writeTagged(tagged, "Intro", 1, '\0');
    writeTagged(untitled, "", 1, '\0');
    QVERIFY(Tones::encode(v2, {"-metadata", "title=Second Version"}, 1.0));
    p.w->playlistModel().append(QStringList({tagged, untitled, v2}));
    p.w->setFocusedPosition(0);
    p.w->btnPlaysong_Click();
    p.w->setFocusedPosition(1);
    p.w->btnPlay2_Click();
    QCOMPARE(lines(), QStringList({"Intro", "b.mp3"}));
    p.w->setFocusedPosition(2); // a title from ID3v2
    p.w->btnPlay2_Click();
    QCOMPARE(lines(), QStringList({"Intro", "Second Version"}));
    // The ID3 button of Player 2 opens the tag window for its file.
    QTest::mouseClick(now->cmdID3mixer, Qt::LeftButton);
    QCOMPARE(p.w->tagWindow()->txtFile->text(), v2);
    p.w->btnStop_Click();
    QCOMPARE(lines(), QStringList({"", ""}));
    // With the player closed, its ID3 button does nothing.
    p.w->tagWindow()->close();
    QTRY_VERIFY(!p.w->tagWindow());
    QTest::mouseClick(now->cmdID3player, Qt::LeftButton);
    QVERIFY(!p.w->tagWindow());

    // The height is held; a wider window widens the boxes and moves the
    // buttons by the same amount.
    const int boxWidth = now->txtPlayer->width();
    const int buttonLeft = now->cmdID3mixer->x();
    now->resize(now->width() + Twips::toPx(1005), now->height() + 80);
    QTRY_COMPARE(WindowGeometry::outerHeight(now), height);
    QCOMPARE(now->txtMixer->width(), boxWidth + Twips::toPx(1005));
    QCOMPARE(now->cmdID3player->x(), buttonLeft + Twips::toPx(1005));
    const double width = WindowGeometry::outerWidth(now);
    QCOMPARE(p.state.settings.NowPW, width);

    // Open at the shutdown, it opens again at the next start where it was.
    WindowGeometry::setLeft(now, 4500);
    p.quit();
    QVERIFY(readBytes(p.env.settingsFile()).contains("NowPV=True"));
    p.restart();
    now = p.w->nowPlayingWindow();
    QCOMPARE(WindowGeometry::left(now), 4500.0);
    QTRY_COMPARE(WindowGeometry::outerWidth(now), width);
    QCOMPARE(WindowGeometry::outerHeight(now), height);
    // The first press closes it.
    p.w->btnNowPlaying_Click();
    QTRY_VERIFY(!p.w->nowPlayingWindow());

    // A main window that goes without its shutdown takes its other windows
    // with it: none is left to call into it when its timer runs.
    p.w->btnNowPlaying_Click();
    QPointer<QWidget> left = p.w->nowPlayingWindow();
    QVERIFY(left);
    p.w.reset();
    QVERIFY(!left);
}

QTEST_MAIN(TestTagWindows)
#include "test_tagwindows.moc"
