// The tag window and the Now Playing strip through the main window; what a
// tag gives is the core's (test_id3).
#include "support/App.h"
#include "support/Tones.h"

#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/player/NowPlayingWindow.h"
#include "ui/tags/TagWindow.h"

#include <QLineEdit>
#include <QPushButton>

#include <clocale>

namespace {

// Audio-looking bytes ending in an ID3v1 tag, padded with NULs.
QByteArray tagged(const QByteArray& title) {
    return QByteArray(300, '\x55') + id3v1Tag(title, "Band", "1999", "Comment", 9);
}

QStringList boxes(const TagWindow* t) {
    QStringList out;
    for (const QLineEdit* box : {t->fileEdit, t->titleEdit, t->artistEdit, t->albumEdit,
                                 t->genreEdit, t->yearEdit, t->commentEdit})
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
    p.w->tagAction->trigger(); // nothing selected: nothing happens
    QVERIFY(!p.w->tagWindow());
    // The first selected entry's tag, each field in its box.
    p.w->selection().setSelected(2, true);
    p.w->selection().setSelected(1, true);
    p.w->tagAction->trigger();
    TagWindow* t = p.w->tagWindow();
    QCOMPARE(boxes(t), QStringList({song, "Song", "Band", "Album", " Metal", "1999", "Comment"}));
    // The same window, refilled: an MP3 file without a tag empties every box.
    p.w->showTagWindow(plain);
    QCOMPARE(p.w->tagWindow(), t);
    QCOMPARE(boxes(t), QStringList({plain, "", "", "", "", "", ""}));
    // A file of another kind only with a tag; without, the message.
    p.w->showTagWindow(bare);
    QCOMPARE(p.platform.messages.texts(), QStringList({"This is not an MP3 file!"}));
    QCOMPARE(t->fileEdit->text(), plain);
    p.w->showTagWindow(vorbis);
    QCOMPARE(t->titleEdit->text(), QStringLiteral("Vorbis"));
    QCOMPARE(p.platform.messages.texts().size(), 1);
}

void TestTagWindows::nowPlaying() {
    App p;
    QTest::mouseClick(p.w->nowPlayingButton, Qt::LeftButton);
    NowPlayingWindow* now = p.w->nowPlayingWindow();
    QVERIFY(QTest::qWaitForWindowExposed(now));
    QVERIFY(now->refreshTimer.isActive());

    // A line for each open player: the tag's title, or the file name.
    auto lines = [&] {
        now->refresh();
        return QStringList({now->player1Edit->text(), now->player2Edit->text()});
    };
    QCOMPARE(lines(), QStringList({"", ""}));
    const QString song = p.env.path("a.mp3"), untitled = p.env.path("b.mp3");
    writeBytes(song, tagged("Intro"));
    writeBytes(untitled, tagged(""));
    p.w->playlistModel().append(QStringList({song, untitled}));
    p.w->commands().setFocusedPosition(0);
    p.w->playSong();
    p.w->commands().setFocusedPosition(1);
    p.w->play2Song();
    QCOMPARE(lines(), QStringList({"Intro", "b.mp3"}));
    // The ID3 button of Player 2 opens the tag window for its file.
    QTest::mouseClick(now->player2TagButton, Qt::LeftButton);
    QCOMPARE(p.w->tagWindow()->fileEdit->text(), untitled);
    p.w->stopAll();
    QCOMPARE(lines(), QStringList({"", ""}));
    // With the player closed, its ID3 button does nothing.
    p.w->tagWindow()->close();
    QTRY_VERIFY(!p.w->tagWindow());
    QTest::mouseClick(now->player1TagButton, Qt::LeftButton);
    QVERIFY(!p.w->tagWindow());

    // The height is held; a wider window widens the boxes and moves the
    // buttons by the same amount, and opens again as wide.
    const int boxWidth = now->player1Edit->width(), buttonLeft = now->player2TagButton->x();
    now->resize(now->width() + Twips::toPx(1005), now->height() + 80);
    QTRY_COMPARE(WindowGeometry::outerHeight(now), Twips::fromPx(Twips::toPx(1150)));
    QCOMPARE(now->player2Edit->width(), boxWidth + Twips::toPx(1005));
    QCOMPARE(now->player1TagButton->x(), buttonLeft + Twips::toPx(1005));
    const double width = WindowGeometry::outerWidth(now);
    QCOMPARE(p.state.settings.nowPlayingWidth, width);
    p.w->toggleNowPlaying();
    QTRY_VERIFY(!p.w->nowPlayingWindow());
    p.w->toggleNowPlaying();
    QTRY_COMPARE(WindowGeometry::outerWidth(p.w->nowPlayingWindow()), width);

    // A main window that goes without its shutdown takes its other windows
    // with it: none is left to call into it when its timer runs.
    QPointer<QWidget> left = p.w->nowPlayingWindow();
    p.w.reset();
    QVERIFY(!left);
}

QTEST_MAIN(TestTagWindows)
#include "test_tagwindows.moc"
