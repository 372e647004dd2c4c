// The player windows over the real engines, Now Playing and the tag window; the
// picture needs a real display (test_video runs videoFrameDrawn under Xvfb).
#include "support/App.h"
#include "support/Tones.h"

#include "core/settings/IniFile.h"
#include "engine/MediaEngine.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/player/MediaPlayer.h"
#include "ui/player/NowPlayingWindow.h"
#include "ui/tags/TagWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QOpenGLWidget>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QUrl>

#include <clocale>

namespace {

constexpr int kLong = 15000; // waits for the decoder, never for speed

template <typename T = QWidget> T* part(const QWidget* w, const char* name) {
    return w->findChild<T*>(QLatin1String(name));
}

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

class TestPlayerWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void twoPlayers() {
        App p;
        p.w->playlistModel().append({tones.tone("a.wav", 3.0), tones.tone("mix.wav", 0.5)});
        // Player 1 takes only values above 0, Player 2 all four; it loads halted.
        AppSettings& s = p.state.settings;
        s.player1Width = 0, s.player1Height = -60, s.player1Left = 1500;
        s.player2Width = 7500, s.player2Height = 4500, s.player2Left = 3000, s.player2Top = 1500;
        QTest::mouseClick(p.w->playListButton, Qt::LeftButton);
        p.w->commands().setFocusedPosition(1);
        QTest::mouseClick(p.w->play2SongButton, Qt::LeftButton);
        Player1Window* p1 = p.w->player1();
        Player2Window* p2 = p.w->player2Window();
        QVERIFY(QTest::qWaitForWindowExposed(p1) && QTest::qWaitForWindowExposed(p2));
        QCOMPARE(QStringList({p1->windowTitle(), p2->windowTitle()}),
                 QStringList({"Player 1: a.wav", "Player 2: mix.wav"}));
        QCOMPARE(WindowGeometry::left(p1), 1500.0);
        QCOMPARE(QRectF(WindowGeometry::left(p2), WindowGeometry::top(p2),
                        WindowGeometry::outerWidth(p2), WindowGeometry::outerHeight(p2)),
                 QRectF(3000, 1500, 7500, 4500));
        QVERIFY(p2->mediaPlayer->engine().playState() != MediaControl::Playing);
        // The volume is one for both players.
        auto* slider1 = part<QSlider>(p1, "volumeSlider");
        QCOMPARE(slider1->value(), 50);
        slider1->setValue(35);
        QCOMPARE(part<QSlider>(p2, "volumeSlider")->value(), 35);
        // Of the files dropped on Player 1, it takes the first.
        const QStringList dropped = {tones.tone("d1.wav", 2.0), tones.tone("d2.wav", 0.3)};
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dropped[0]), QUrl::fromLocalFile(dropped[1])});
        p1->dropFiles(&data);
        QCOMPARE(p1->mediaPlayer->engine().URL(), dropped[0]);
        // Closed by the user: its playback ends with it.
        p1->close();
        QVERIFY(!p.w->player1() && p.w->playback().engine(1).URL().isEmpty());
        // The shutdown writes Player 2's place; Loop and volume come back.
        p.w->loopBox->click();
        WindowGeometry::setLeft(p2, 4500);
        p.restart();
        const QByteArray ini = readBytes(p.env.settingsFile());
        QVERIFY(ini.contains("Play2W=7500") && ini.contains("Play2X=4500"));
        QVERIFY(p.state.volume == 35 && p.w->loopBox->isChecked() && p.state.loop == 1);
        p.w->commands().setFocusedPosition(0);
        p.w->play2Song();
        QCOMPARE(part<QSlider>(p.w->player2Window(), "volumeSlider")->value(), 35);
    }
    void transportBar() {
        MediaEngine e;
        MediaPlayer p(e);
        p.show();
        auto* volume = part<QSlider>(&p, "volumeSlider");
        QVERIFY(e.setURL(tones.tone("bar.wav", 1.5)));
        QTRY_COMPARE_WITH_TIMEOUT(part<QSlider>(&p, "seekSlider")->maximum(), 1500, kLong);
        QCOMPARE(part<QLabel>(&p, "totalLabel")->text(), QStringLiteral("0:01"));
        // The play button says what it would do.
        auto* playPause = part<QToolButton>(&p, "playPauseButton");
        QTRY_COMPARE(playPause->toolTip(), QStringLiteral("Pause"));
        e.pause();
        QTRY_COMPARE(playPause->toolTip(), QStringLiteral("Play"));
        e.play();
        // The slider and the engine's volume are one, held to its ends.
        volume->setValue(70);
        QCOMPARE(e.volume(), 70);
        e.setVolume(150);
        QVERIFY(e.volume() == 100 && volume->value() == 100);
        // A double-click toggles full screen; leaving it otherwise counts too.
        QWidget* picture = part(&p, "picture");
        QTest::mouseDClick(picture, Qt::LeftButton);
        QVERIFY(p.fullScreen() && (p.windowState() & Qt::WindowFullScreen));
        QTest::mouseDClick(picture, Qt::LeftButton);
        QVERIFY(!p.fullScreen() && !(p.windowState() & Qt::WindowFullScreen));
        p.setFullScreen(true);
        p.showNormal();
        QVERIFY(!p.fullScreen());
        // The thumb follows the song, drawn anew only when it moves by a pixel.
        QVERIFY(e.setURL(tones.tone("long.wav", 30)));
        auto* seek = part<QSlider>(&p, "seekSlider");
        QTRY_COMPARE_WITH_TIMEOUT(seek->maximum(), 30000, kLong);
        struct Paints : QObject {
            int count = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                count += event->type() == QEvent::Paint;
                return false;
            }
        } paints;
        seek->installEventFilter(&paints);
        QSignalSpy reports(&e, &MediaControl::positionChanged);
        QTest::qWait(2000);
        QVERIFY2(paints.count > 0 && paints.count * 3 < reports.count(),
                 qPrintable(QStringLiteral("%1 of %2").arg(paints.count).arg(reports.count())));
        QVERIFY(qAbs(seek->value() - e.position() * 1000) * seek->width() < 2 * 30000);
    }
    void videoFrameDrawn() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("The picture is drawn only on a real display (run as test_video under Xvfb).");
        // The picture shows the colour in its centre, or in a corner.
        const auto shows = [](MediaPlayer& p, const QColor& colour, bool corner = false) {
            auto* gl = p.findChild<QOpenGLWidget*>();
            const QImage frame = gl ? gl->grabFramebuffer() : QImage();
            if (frame.isNull())
                return false;
            const QColor c = frame.pixelColor(corner ? QPoint(3, 3) : frame.rect().center());
            return qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40 &&
                   qAbs(c.blue() - colour.blue()) < 40;
        };
        const QColor magenta(255, 0, 255), green(0, 255, 0);
        MediaEngine e;
        QSignalSpy errors(&e, &MediaControl::mediaError);
        {
            // A song: a plain picture names it, and OpenGL is not set up for it.
            MediaPlayer p(e);
            p.resize(320, 280);
            p.show();
            QVERIFY(e.setURL(tones.tone("song.wav", 0.5)));
            QTRY_COMPARE_WITH_TIMEOUT(e.playState(), int(MediaControl::Playing), kLong);
            QTest::qWait(300);
            QVERIFY(!p.findChild<QOpenGLWidget*>());
            QCOMPARE(part<QLabel>(&p, "fileNote")->text(), QStringLiteral("song.wav"));
            // Then a film: the decoder's picture replaces it, stretched to the corners.
            QVERIFY(e.setURL(tones.video(QStringLiteral("magenta.avi"), magenta.rgb(), 60, 10)));
            QTRY_VERIFY_WITH_TIMEOUT(shows(p, magenta), kLong);
            QVERIFY(shows(p, magenta, true) &&
                    part(&p, "picture") == p.findChild<QOpenGLWidget*>());
        }
        // A new window over the same engine, for a file given while none showed.
        QVERIFY(e.setURL(tones.video(QStringLiteral("green.avi"), green.rgb(), 60, 10)));
        QTest::qWait(300);
        MediaPlayer later(e);
        later.resize(200, 180);
        later.show();
        QTRY_VERIFY_WITH_TIMEOUT(shows(later, green), kLong);
        QCOMPARE(errors.count(), 0);
    }
    void tagWindowAndNowPlaying() {
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
        QCOMPARE(boxes(t),
                 QStringList({song, "Song", "Band", "Album", " Metal", "1999", "Comment"}));
        // The same window, refilled: an MP3 file without a tag empties every box.
        p.w->showTagWindow(plain);
        QCOMPARE(p.w->tagWindow(), t);
        QCOMPARE(boxes(t), QStringList({plain, "", "", "", "", "", ""}));
        // A file of another kind only with a tag; without, the message.
        p.w->showTagWindow(bare);
        QCOMPARE(t->fileEdit->text(), plain);
        p.w->showTagWindow(vorbis);
        QCOMPARE(t->titleEdit->text(), QStringLiteral("Vorbis"));
        QCOMPARE(p.platform.messages.shown, QStringList({"This is not an MP3 file!"}));
        QTest::mouseClick(p.w->nowPlayingButton, Qt::LeftButton);
        NowPlayingWindow* now = p.w->nowPlayingWindow();
        QVERIFY(QTest::qWaitForWindowExposed(now) && now->refreshTimer.isActive());
        // A line per player: the tag's title or the file name, at once.
        auto lines = [&] {
            return QStringList({now->player1Edit->text(), now->player2Edit->text()});
        };
        const QString intro = p.env.path("a.mp3"), untitled = p.env.path("b.mp3");
        writeBytes(intro, tagged("Intro"));
        writeBytes(untitled, tagged(""));
        p.w->playlistModel().append(QStringList({intro, untitled}));
        p.w->commands().setFocusedPosition(3);
        p.w->playSong();
        QCOMPARE(lines(), QStringList({"Intro", ""}));
        p.w->commands().setFocusedPosition(4);
        p.w->play2Song();
        QCOMPARE(lines(), QStringList({"Intro", "b.mp3"}));
        // The ID3 button of Player 2 opens the tag window for its file.
        QTest::mouseClick(now->player2TagButton, Qt::LeftButton);
        QCOMPARE(p.w->tagWindow()->fileEdit->text(), untitled);
        p.w->stopAll();
        QTRY_COMPARE(lines(), QStringList({"", ""}));
        // The height is held; wider, the boxes widen and the buttons move, stored at once.
        const int boxWidth = now->player1Edit->width(), buttonLeft = now->player2TagButton->x();
        now->resize(now->width() + Twips::toPx(1005), now->height() + 80);
        QTRY_COMPARE(WindowGeometry::outerHeight(now), Twips::fromPx(Twips::toPx(1150)));
        QCOMPARE(QList<int>({now->player2Edit->width() - boxWidth,
                             now->player1TagButton->x() - buttonLeft}),
                 QList<int>(2, Twips::toPx(1005)));
        QCOMPARE(p.state.settings.nowPlayingWidth, WindowGeometry::outerWidth(now));
    }

    void songTitles() {
        App p;
        const QString song = p.env.path("s.mp3"), plain = p.env.path("plain.wav");
        QVERIFY(Tones::encode(song, {"-metadata", "artist=Band", "-metadata", "title=Intro"}, 1));
        QVERIFY(Tones::encode(plain, {}, 1));
        p.w->playlistModel().append(QStringList({song, plain}));
        p.w->commands().setFocusedPosition(0);
        p.w->playSong();
        QTest::mouseClick(p.w->nowPlayingButton, Qt::LeftButton);
        const QModelIndex row = p.w->playlistModel().index(0);
        QCOMPARE(row.data().toString(), song);
        QCOMPARE(p.w->player1()->windowTitle(), QStringLiteral("Player 1: s.mp3"));
        // On: the row, the caption and Now Playing show the title at once.
        p.w->songTitlesAction->trigger();
        QCOMPARE(p.w->player1()->windowTitle(), QStringLiteral("Player 1: Band - Intro"));
        QCOMPARE(p.w->nowPlayingWindow()->player1Edit->text(), QStringLiteral("Band - Intro"));
        QTRY_COMPARE(row.data().toString(), QStringLiteral("Band - Intro"));
        QCOMPARE(row.data(PlaylistModel::LengthRole).toString(), QStringLiteral("0:01"));
        p.w->playlistView->viewport()->repaint(); // the length beside the title
        // Kept in a section of its own, and on at the next start.
        p.restart();
        QVERIFY(p.w->songTitlesAction->isChecked());
        QCOMPARE(ReadIni("View", "SongTitles"), QStringLiteral("True"));
        QTRY_COMPARE(p.w->playlistModel().index(1).data().toString(), QStringLiteral("plain.wav"));
        p.w->songTitlesAction->trigger();
        QCOMPARE(p.w->playlistModel().index(1).data().toString(), plain);
    }

private:
    Tones tones;
};

QTEST_MAIN(TestPlayerWindows)
#include "test_playerwindows.moc"
