// The tag window and the Now Playing strip through the main window.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "app/frmFiles.h"
#include "playback/frmNowplaying.h"
#include "tags/frmID3.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>

#include <clocale>

namespace {

// A file of some audio-looking bytes ending in an ID3v1 tag.
QByteArray field(const QByteArray& text, int width, char pad) {
    QByteArray f = text.left(width);
    return f + QByteArray(width - f.size(), pad);
}

void writeTagged(const QString& path, const QByteArray& title, const QByteArray& artist,
                 quint8 genre, char pad = ' ') {
    QByteArray bytes(300, '\x55');
    bytes += "TAG" + field(title, 30, pad) + field(artist, 30, pad) + field("Album", 30, pad) +
             field("1999", 4, pad) + field("Comment", 30, pad);
    bytes += char(genre);
    writeBytes(path, bytes);
}

struct Program {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    frmFiles w{state, platform.platform};
    Program() {
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
};

} // namespace

class TestTagWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void tagWindowFields();
    void tagWindowFromPlaylistMenu();
    void notAnMp3File();
    void nowPlayingLines();
    void nowPlayingPlacementAndResize();
    void nowPlayingRememberedAcrossRestart();
};

void TestTagWindows::tagWindowFields() {
    Program p;
    const QString spaced = p.env.path("spaced.mp3");
    writeTagged(spaced, "Song", "Band", 9, ' ');
    p.w.ShowID3Info(spaced);
    frmID3* t = p.w.tagWindow();
    QVERIFY(t);
    QCOMPARE(t->windowTitle(), QStringLiteral("MP3 ID3 Information"));
    QCOMPARE(t->txtFile->text(), spaced);
    QCOMPARE(t->txtTitle->text(), QStringLiteral("Song") + QString(26, u' '));
    QCOMPARE(t->txtArtist->text().size(), 30);
    QCOMPARE(t->txtGenre->text(), QStringLiteral(" Metal"));
    QCOMPARE(t->txtYear->text(), QStringLiteral("1999"));

    // NUL padding shows as nothing; a genre past the table shows nothing.
    const QString nul = p.env.path("nul.MP3");
    writeTagged(nul, "Intro", "Someone", 255, '\0');
    p.w.ShowID3Info(nul);
    QCOMPARE(p.w.tagWindow(), t); // the same window, refilled
    QCOMPARE(t->txtTitle->text(), QStringLiteral("Intro"));
    QCOMPARE(t->txtGenre->text(), QString());

    // Without a tag: the path, and every other box empty (also the genre,
    // although a fresh record's number 0 would read "Blues").
    const QString plain = p.env.path("plain.mp3");
    writeBytes(plain, QByteArray(500, 'x'));
    p.w.ShowID3Info(plain);
    QCOMPARE(t->txtFile->text(), plain);
    for (QLineEdit* box :
         {t->txtTitle, t->txtArtist, t->txtAlbum, t->txtGenre, t->txtYear, t->txtComment})
        QCOMPARE(box->text(), QString());

    // Its place is remembered in the settings when it closes.
    WindowGeometry::setLeft(t, 1500);
    t->close();
    QCOMPARE(p.state.settings.ID3X, 1500.0);
    QTRY_VERIFY(!p.w.tagWindow());
}

void TestTagWindows::tagWindowFromPlaylistMenu() {
    Program p;
    const QString second = p.env.path("second.mp3");
    writeTagged(second, "Second", "B", 1);
    p.w.playlistModel().append(QStringList({p.env.path("first.mp3"), second, p.env.path("t.mp3")}));
    p.w.setSelected(1, true);
    p.w.setSelected(2, true);
    p.w.mnuID3->trigger();
    QVERIFY(p.w.tagWindow());
    QCOMPARE(p.w.tagWindow()->txtFile->text(), second);
}

void TestTagWindows::notAnMp3File() {
    Program p;
    p.w.ShowID3Info(QStringLiteral("/music/song.wma"));
    QCOMPARE(p.platform.messages.texts(), QStringList({"This is not an MP3 file!"}));
    QVERIFY(!p.w.tagWindow());
    // Nothing selected: nothing happens.
    p.w.playlistModel().append(QStringLiteral("/music/a.mp3"));
    p.w.mnuID3_Click();
    QVERIFY(!p.w.tagWindow());
}

void TestTagWindows::nowPlayingLines() {
    Program p;
    const QString tagged = p.env.path("a.mp3");
    writeTagged(tagged, "Intro", "X", 1, '\0');
    const QString untitled = p.env.path("b.mp3");
    writeTagged(untitled, "", "X", 1, '\0');
    p.w.btnNowPlaying_Click();
    frmNowplaying* now = p.w.nowPlayingWindow();
    QVERIFY(now);
    QCOMPARE(now->windowTitle(), QStringLiteral("Jukora - Now Playing"));
    QCOMPARE(now->Timer1.interval(), 5000);
    QVERIFY(now->Timer1.isActive());
    // No player open: both lines empty.
    QCOMPARE(now->txtPlayer->text(), QString());
    QCOMPARE(now->txtMixer->text(), QString());

    p.w.playlistModel().append(QStringList({tagged, untitled}));
    p.w.setFocusedPosition(0);
    p.w.btnPlaysong_Click();
    p.w.setFocusedPosition(1);
    p.w.btnPlay2_Click();
    now->NowPlaying();
    QCOMPARE(now->txtPlayer->text(), QStringLiteral("Intro"));
    QCOMPARE(now->txtMixer->text(), QStringLiteral("b.mp3"));
    // The ID3 button of Player 2 opens the tag window for its file.
    QTest::mouseClick(now->cmdID3mixer, Qt::LeftButton);
    QVERIFY(p.w.tagWindow());
    QCOMPARE(p.w.tagWindow()->txtFile->text(), untitled);

    p.w.btnStop_Click();
    now->NowPlaying();
    QCOMPARE(now->txtPlayer->text(), QString());
    QCOMPARE(now->txtMixer->text(), QString());
    // With the player closed, its ID3 button does nothing.
    p.w.tagWindow()->close();
    QTRY_VERIFY(!p.w.tagWindow());
    QTest::mouseClick(now->cmdID3player, Qt::LeftButton);
    QVERIFY(!p.w.tagWindow());

    // The toggle closes it again.
    p.w.btnNowPlaying_Click();
    QTRY_VERIFY(!p.w.nowPlayingWindow());
}

void TestTagWindows::nowPlayingPlacementAndResize() {
    Program p;
    QTest::mouseClick(p.w.btnNowPlaying, Qt::LeftButton);
    frmNowplaying* now = p.w.nowPlayingWindow();
    QVERIFY(QTest::qWaitForWindowExposed(now));
    // First opening: left-aligned with the main window, directly above it.
    QCOMPARE(WindowGeometry::left(now), p.w.leftTwips());
    QTRY_COMPARE(WindowGeometry::outerHeight(now), Twips::fromPx(Twips::toPx(1150)));
    QCOMPARE(WindowGeometry::top(now), p.w.topTwips() - WindowGeometry::outerHeight(now));

    // The height is held; a wider window widens the boxes and moves the
    // buttons by the same amount.
    const int boxWidth = now->txtPlayer->width();
    const int buttonLeft = now->cmdID3mixer->x();
    now->resize(now->width() + Twips::toPx(1005), now->height() + 80);
    QTRY_COMPARE(WindowGeometry::outerHeight(now), Twips::fromPx(Twips::toPx(1150)));
    QCOMPARE(now->txtMixer->width(), boxWidth + Twips::toPx(1005));
    QCOMPARE(now->cmdID3player->x(), buttonLeft + Twips::toPx(1005));
    QCOMPARE(p.state.settings.NowPW, WindowGeometry::outerWidth(now));
}

void TestTagWindows::nowPlayingRememberedAcrossRestart() {
    TestEnv env;
    {
        ScriptedPlatform platform;
        AppState state;
        frmFiles w(state, platform.platform);
        w.Form_Load();
        w.show();
        w.btnNowPlaying_Click();
        QVERIFY(QTest::qWaitForWindowExposed(w.nowPlayingWindow()));
        WindowGeometry::setLeft(w.nowPlayingWindow(), 4500);
        w.close();
    }
    QCOMPARE(readBytes(env.settingsFile()).contains("NowPV=True"), true);
    ScriptedPlatform platform;
    AppState state;
    frmFiles w(state, platform.platform);
    w.Form_Load();
    w.show();
    QVERIFY(w.nowPlayingWindow());
    QCOMPARE(WindowGeometry::left(w.nowPlayingWindow()), 4500.0);
    // The first press closes it.
    w.btnNowPlaying_Click();
    QTRY_VERIFY(!w.nowPlayingWindow());
}

QTEST_MAIN(TestTagWindows)
#include "test_tagwindows.moc"
