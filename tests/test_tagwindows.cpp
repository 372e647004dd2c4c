// The tag window and the Now Playing strip through the main window; what a
// tag gives is the core's (test_id3).
#include "support/App.h"
#include "support/Tones.h"

#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/player/frmNowplaying.h"
#include "ui/tags/frmID3.h"

#include <QLineEdit>
#include <QPushButton>

#include <clocale>

namespace {

// Audio-looking bytes ending in an ID3v1 tag, padded with NULs.
QByteArray tagged(const QByteArray& title) {
    return QByteArray(300, '\x55') + id3v1Tag(title, "Band", "1999", "Comment", 9);
}

QStringList boxes(const frmID3* t) {
    QStringList out;
    for (const QLineEdit* box : {t->txtFile, t->txtTitle, t->txtArtist, t->txtAlbum, t->txtGenre,
                                 t->txtYear, t->txtComment})
        out << box->text();
    return out;
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
    const QString song = p.env.path("song.mp3"), plain = p.env.path("plain.mp3");
    const QString vorbis = p.env.path("song.ogg"), bare = p.env.path("bare.ogg");
    writeBytes(song, tagged("Song"));
    writeBytes(plain, QByteArray(500, 'x'));
    writeBytes(bare, QByteArray(500, 'x'));
    QVERIFY(Tones::encode(vorbis, {"-metadata", "title=Vorbis"}));
    p.w->playlistModel().append(QStringList({plain, song, plain}));
    p.w->mnuID3->trigger(); // nothing selected: nothing happens
    QVERIFY(!p.w->tagWindow());
    // The first selected entry's tag, each field in its box.
    p.w->setSelected(2, true);
    p.w->setSelected(1, true);
    p.w->mnuID3->trigger();
    frmID3* t = p.w->tagWindow();
    QCOMPARE(boxes(t), QStringList({song, "Song", "Band", "Album", " Metal", "1999", "Comment"}));
    // The same window, refilled: an MP3 file without a tag empties every box.
    p.w->ShowID3Info(plain);
    QCOMPARE(p.w->tagWindow(), t);
    QCOMPARE(boxes(t), QStringList({plain, "", "", "", "", "", ""}));
    // A file of another kind only with a tag; without, the message.
    p.w->ShowID3Info(bare);
    QCOMPARE(p.platform.messages.texts(), QStringList({"This is not an MP3 file!"}));
    QCOMPARE(t->txtFile->text(), plain);
    p.w->ShowID3Info(vorbis);
    QCOMPARE(t->txtTitle->text(), QStringLiteral("Vorbis"));
    QCOMPARE(p.platform.messages.texts().size(), 1);
}

void TestTagWindows::nowPlaying() {
    App p;
    QTest::mouseClick(p.w->btnNowPlaying, Qt::LeftButton);
    frmNowplaying* now = p.w->nowPlayingWindow();
    QVERIFY(QTest::qWaitForWindowExposed(now));
    QVERIFY(now->Timer1.isActive());

    // A line for each open player: the tag's title, or the file name.
    auto lines = [&] {
        now->NowPlaying();
        return QStringList({now->txtPlayer->text(), now->txtMixer->text()});
    };
    QCOMPARE(lines(), QStringList({"", ""}));
    const QString song = p.env.path("a.mp3"), untitled = p.env.path("b.mp3");
    writeBytes(song, tagged("Intro"));
    writeBytes(untitled, tagged(""));
    p.w->playlistModel().append(QStringList({song, untitled}));
    p.w->setFocusedPosition(0);
    p.w->btnPlaysong_Click();
    p.w->setFocusedPosition(1);
    p.w->btnPlay2_Click();
    QCOMPARE(lines(), QStringList({"Intro", "b.mp3"}));
    // The ID3 button of Player 2 opens the tag window for its file.
    QTest::mouseClick(now->cmdID3mixer, Qt::LeftButton);
    QCOMPARE(p.w->tagWindow()->txtFile->text(), untitled);
    p.w->btnStop_Click();
    QCOMPARE(lines(), QStringList({"", ""}));
    // With the player closed, its ID3 button does nothing.
    p.w->tagWindow()->close();
    QTRY_VERIFY(!p.w->tagWindow());
    QTest::mouseClick(now->cmdID3player, Qt::LeftButton);
    QVERIFY(!p.w->tagWindow());

    // The height is held; a wider window widens the boxes and moves the
    // buttons by the same amount, and opens again as wide.
    const int boxWidth = now->txtPlayer->width(), buttonLeft = now->cmdID3mixer->x();
    now->resize(now->width() + Twips::toPx(1005), now->height() + 80);
    QTRY_COMPARE(WindowGeometry::outerHeight(now), Twips::fromPx(Twips::toPx(1150)));
    QCOMPARE(now->txtMixer->width(), boxWidth + Twips::toPx(1005));
    QCOMPARE(now->cmdID3player->x(), buttonLeft + Twips::toPx(1005));
    const double width = WindowGeometry::outerWidth(now);
    QCOMPARE(p.state.settings.NowPW, width);
    p.w->btnNowPlaying_Click();
    QTRY_VERIFY(!p.w->nowPlayingWindow());
    p.w->btnNowPlaying_Click();
    QTRY_COMPARE(WindowGeometry::outerWidth(p.w->nowPlayingWindow()), width);

    // A main window that goes without its shutdown takes its other windows
    // with it: none is left to call into it when its timer runs.
    QPointer<QWidget> left = p.w->nowPlayingWindow();
    p.w.reset();
    QVERIFY(!left);
}

QTEST_MAIN(TestTagWindows)
#include "test_tagwindows.moc"
