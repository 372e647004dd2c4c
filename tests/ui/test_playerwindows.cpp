// The player windows over the real engines, driven from the main window:
// what only a window does (placement, captions, drops, the transport bar's
// volume, the Loop box) and what survives a restart.
#include "support/App.h"
#include "support/Tones.h"

#include "engine/MediaEngine.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/player/MediaPlayer.h"

#include <QCheckBox>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

#include <clocale>

class TestPlayerWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void firstPlayer();
    void secondPlayer();
    void loopAndVolumeKept();
};

void TestPlayerWindows::firstPlayer() {
    App p;
    Tones tones;
    p.w->playlistModel().append({tones.tone("a.wav", 3.0), tones.tone("b.wav", 0.3)});
    p.state.settings.player1Width = 0;
    p.state.settings.player1Height = -60;
    p.state.settings.player1Left = 1500;
    QTest::mouseClick(p.w->playListButton, Qt::LeftButton);
    Player1Window* p1 = p.w->player1();
    QVERIFY(p1 && QTest::qWaitForWindowExposed(p1));
    QCOMPARE(p1->windowTitle(), QStringLiteral("Player 1: a.wav"));
    // Player 1 applies only the values above 0; the design size stays.
    QCOMPARE(p1->size(), QSize(Twips::toPx(6765), Twips::toPx(6495)));
    QCOMPARE(WindowGeometry::left(p1), 1500.0);

    // Of the files dropped on it, it takes the first.
    const QStringList dropped = {tones.tone("d1.wav", 2.0), tones.tone("d2.wav", 0.3)};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped[0]), QUrl::fromLocalFile(dropped[1])});
    p.w->player1()->dropFiles(&data);
    QCOMPARE(p.state.player1File, dropped[0]);
    QCOMPARE(p.w->player1()->windowTitle(), QStringLiteral("Player 1: d1.wav"));
    QCOMPARE(p.w->player1()->mediaPlayer->engine().URL(), dropped[0]);
    // Closed by the user: its playback ends with it.
    p.w->player1()->close();
    QVERIFY(!p.w->player1());
    QVERIFY(p.w->playback().engine(1).URL().isEmpty());
}

void TestPlayerWindows::secondPlayer() {
    App p;
    Tones tones;
    p.w->playlistModel().append(tones.tone("mix.wav", 0.5));
    // Player 2 applies its four values without further condition, and loads
    // the song halted.
    AppSettings& s = p.state.settings;
    s.player2Width = 7500, s.player2Height = 4500, s.player2Left = 3000, s.player2Top = 1500;
    p.w->commands().setFocusedPosition(0);
    QTest::mouseClick(p.w->play2SongButton, Qt::LeftButton);
    Player2Window* p2 = p.w->player2Window();
    QVERIFY(p2->mediaPlayer->engine().playState() != MediaControl::Playing);
    QCOMPARE(p2->windowTitle(), QStringLiteral("Player 2: mix.wav"));
    QCOMPARE(QRectF(WindowGeometry::left(p2), WindowGeometry::top(p2),
                    WindowGeometry::outerWidth(p2), WindowGeometry::outerHeight(p2)),
             QRectF(3000, 1500, 7500, 4500));
    // The shutdown closes Player 2 and writes its place.
    QVERIFY(QTest::qWaitForWindowExposed(p2));
    WindowGeometry::setLeft(p2, 4500);
    p.w->close();
    QVERIFY(!p.w->player2Window());
    const QByteArray ini = readBytes(p.env.settingsFile());
    QVERIFY(ini.contains("Play2W=7500") && ini.contains("Play2X=4500"));
}

// The Loop box shows the program's Loop; the volume is one for both players
// and the next start.
void TestPlayerWindows::loopAndVolumeKept() {
    App p;
    Tones tones;
    p.w->playlistModel().append(tones.tone("v.wav", 3.0));
    p.w->loopBox->click();
    QCOMPARE(p.state.loop.get(), 1);
    p.w->commands().setFocusedPosition(0);
    p.w->playSong();
    p.w->play2Song();
    auto* slider1 = p.w->player1()->findChild<QSlider*>(QStringLiteral("volumeSlider"));
    auto* slider2 = p.w->player2Window()->findChild<QSlider*>(QStringLiteral("volumeSlider"));
    QCOMPARE(slider1->value(), 50);
    slider1->setValue(35);
    QCOMPARE(slider2->value(), 35);
    p.w->stopAll();
    p.w->play2Song(); // a new window: the volume stays
    QCOMPARE(p.w->player2Window()->findChild<QSlider*>(QStringLiteral("volumeSlider"))->value(),
             35);
    p.restart();
    QCOMPARE(p.state.volume, 35);
    QVERIFY(p.w->loopBox->isChecked() && p.state.loop == 1);
    // The volume has a section of its own; the window keys stay as they were.
    const QByteArray ini = readBytes(p.env.settingsFile());
    QVERIFY2(ini.contains("[Player]") && ini.contains("Volume=35"), ini.constData());
}

QTEST_MAIN(TestPlayerWindows)
#include "test_playerwindows.moc"
