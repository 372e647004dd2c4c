// Start-up, shutdown and reset with a temporary profile and program folder.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/IniFile.h"
#include "app/Twips.h"
#include "app/frmFiles.h"
#include "platform/AppPaths.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>

namespace {

struct Program {
    ScriptedPlatform platform;
    AppState state;
    std::unique_ptr<frmFiles> w;

    void start() {
        w = std::make_unique<frmFiles>(state, platform.platform);
        w->Form_Load();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void quit() {
        w->close();
        w.reset();
    }
};

const QByteArray kThree = "\r\n[playlist]\r\nFile1=/m/one.mp3\r\nTitle1=one\r\n"
                          "File2=/m/two.mp3\r\nTitle2=two\r\nFile3=/m/three.mp3\r\nTitle3=three\r\n"
                          "\r\n";

// 2500 twips is not a whole number of pixels: the window sits on the
// nearest one.
const double kTop = Twips::fromPx(Twips::toPx(2500));

} // namespace

class TestLifecycle : public QObject {
    Q_OBJECT
private slots:
    void firstStartWithoutSettings();
    void autosaveAndGeometryRestored();
    void shutdownWritesEverything();
    void quittingMinimizedWritesNothing();
    void unreadableSettingsStillStart();
    void saveFailureShowsMessage();
    void shuffleKeepsListWhenAutosaveFails();
    void resetProgram();
    void installedProgramKeepsItsPlaylist();
};

void TestLifecycle::firstStartWithoutSettings() {
    TestEnv env;
    Program p;
    p.start();
    QCOMPARE(p.w->playlistModel().count(), 0);
    QCOMPARE(p.w->leftTwips(), 3000.0);
    QCOMPARE(p.w->topTwips(), kTop);
    QCOMPARE(p.w->outerHeightTwips(), 3885.0);
    QCOMPARE(p.w->chkLoop->checkState(), Qt::Unchecked);
    QCOMPARE(p.state.currentIndex, 0);
    QVERIFY(p.state.loadPending);
    QVERIFY(!p.state.listPlaying);
    QVERIFY(!p.state.settings.Sequence);
    QCOMPARE(p.state.settings.Directory, QString());
    QVERIFY(p.w->isNormalState());
    QVERIFY(p.platform.messages.shown.isEmpty());
}

void TestLifecycle::autosaveAndGeometryRestored() {
    TestEnv env;
    writeBytes(env.autosaveFile(), kThree);
    writeBytes(env.settingsFile(), "[Jukora]\nLoop=1\nFilesH=6000\nFilesX=1500\nFilesY=0\n"
                                   "Directory=/home/u/Music\nPlayW=6765\n");
    Program p;
    p.start();
    QCOMPARE(p.w->playlistModel().entries(),
             QStringList({"/m/one.mp3", "/m/two.mp3", "/m/three.mp3"}));
    QCOMPARE(p.w->chkLoop->checkState(), Qt::Checked);
    QCOMPARE(p.w->outerHeightTwips(), 6000.0);
    QCOMPARE(p.w->leftTwips(), 1500.0);
    QCOMPARE(p.w->topTwips(), kTop);
    QCOMPARE(p.state.settings.Directory, QStringLiteral("/home/u/Music"));
    QCOMPARE(p.state.settings.PlayW, 6765.0);
    QVERIFY(p.w->isNormalState());
    QVERIFY(!p.state.listPlaying);
}

void TestLifecycle::shutdownWritesEverything() {
    TestEnv env;
    Program p;
    p.start();
    p.w->playlistModel().append(QStringList({"/a/x.mp3", "/a/y.mp3"}));
    p.w->chkLoop->setCheckState(Qt::Checked);
    p.state.settings.Mask = QStringLiteral("*.mp3");
    p.state.settings.Sequence = true;
    p.w->setOuterHeightTwips(4500);
    p.w->setLeftTwips(600);
    QTRY_COMPARE(p.w->outerHeightTwips(), 4500.0);
    p.w->mnuexit_Click();
    QVERIFY(!p.w->isVisible());
    p.w.reset();
    QCOMPARE(ReadIni("Jukora", "Loop"), QStringLiteral("1"));
    QCOMPARE(ReadIni("Jukora", "FilesH"), QStringLiteral("4500"));
    QCOMPARE(ReadIni("Jukora", "FilesX"), QStringLiteral("600"));
    QCOMPARE(ReadIni("Jukora", "Mask"), QStringLiteral("*.mp3"));
    QCOMPARE(ReadIni("Jukora", "Sequence"), QStringLiteral("True"));
    QCOMPARE(ReadIni("Jukora", "NowPV"), QStringLiteral("False"));
    QCOMPARE(ReadIni("Jukora", "PlayW"), QStringLiteral("0"));
    QCOMPARE(readBytes(env.autosaveFile()),
             QByteArray("\r\n[playlist]\r\nFile1=/a/x.mp3\r\nTitle1=x\r\n"
                        "File2=/a/y.mp3\r\nTitle2=y\r\n\r\n"));

    // And the next start shows it all again.
    Program again;
    again.start();
    QCOMPARE(again.w->playlistModel().entries(), QStringList({"/a/x.mp3", "/a/y.mp3"}));
    QCOMPARE(again.w->outerHeightTwips(), 4500.0);
    QCOMPARE(again.state.settings.Mask, QStringLiteral("*.mp3"));
}

void TestLifecycle::quittingMinimizedWritesNothing() {
    TestEnv env;
    writeBytes(env.autosaveFile(), kThree);
    writeBytes(env.settingsFile(), "[Jukora]\nFilesH=5000\n");
    for (bool minimized : {true, false}) {
        Program p;
        p.start();
        p.w->playlistModel().append(QStringLiteral("/new.mp3"));
        if (minimized)
            p.w->showMinimized();
        else
            p.w->showMaximized();
        QTRY_VERIFY(!p.w->isNormalState());
        p.quit();
        QCOMPARE(readBytes(env.autosaveFile()), kThree);
        QCOMPARE(readBytes(env.settingsFile()), QByteArray("[Jukora]\nFilesH=5000\n"));
    }
}

void TestLifecycle::unreadableSettingsStillStart() {
    TestEnv env;
    // A folder where the settings file should be, and an autosave that is
    // not a playlist at all.
    QDir().mkpath(env.settingsFile());
    writeBytes(env.autosaveFile(), QByteArray("\x00\xFF garbage\n=", 12));
    Program p;
    p.start();
    QCOMPARE(p.w->playlistModel().count(), 0);
    QCOMPARE(p.w->leftTwips(), 3000.0);
    QVERIFY(p.platform.messages.shown.isEmpty());
}

void TestLifecycle::saveFailureShowsMessage() {
    TestEnv env;
    writeBytes(env.autosaveFile(), kThree);
    Program p;
    p.start();
    // The profile "folder" is a file: the settings file cannot be written.
    const QString blocked = env.path("blocked");
    writeBytes(blocked, "x");
    qputenv("USERPROFILE", blocked.toLocal8Bit());
    p.w->playlistModel().append(QStringLiteral("/new.mp3"));
    QCOMPARE(p.w->SaveSettings(), frmFiles::SaveResult::Failed);
    QCOMPARE(p.platform.messages.texts(), QStringList({"Cannot Save Data"}));
    QCOMPARE(p.platform.messages.shown[0].title, QStringLiteral("Jukora"));
    QCOMPARE(p.platform.messages.shown[0].buttons, MsgButtons::Ok);
    // The autosave is not written after a failed settings write.
    QCOMPARE(readBytes(env.autosaveFile()), kThree);
}

void TestLifecycle::shuffleKeepsListWhenAutosaveFails() {
    TestEnv env;
    writeBytes(env.autosaveFile(), kThree);
    Program p;
    p.start();
    QStringList more;
    for (int i = 0; i < 20; ++i)
        more << QStringLiteral("/n/%1.mp3").arg(i);
    p.w->playlistModel().append(more);
    // The autosaved file is marked read-only: the save fails.
    QFile::setPermissions(env.autosaveFile(), QFile::ReadOwner);
    p.w->cmdShuffle_Click();
    QFile::setPermissions(env.autosaveFile(), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(p.platform.messages.texts(), QStringList({"Cannot Save Data"}));
    // The shuffled list of 23 stays; the old three-entry file is not read back.
    QCOMPARE(p.w->playlistModel().count(), 23);
    QCOMPARE(readBytes(env.autosaveFile()), kThree);
}

void TestLifecycle::resetProgram() {
    TestEnv env;
    writeBytes(env.autosaveFile(), kThree);
    writeBytes(env.settingsFile(), "[Jukora]\nLoop=1\nFilesX=900\nFilesH=7000\n");
    QFile::setPermissions(env.settingsFile(), QFile::ReadOwner);
    Program p;
    p.start();
    QCOMPARE(p.w->leftTwips(), 900.0);
    p.w->playlistModel().append(QStringLiteral("/added/after/save.mp3"));
    p.state.currentIndex = 2;
    p.w->mnuReset_Click();
    QVERIFY(!QFile::exists(env.settingsFile()));
    QCOMPARE(p.w->playlistModel().entries(),
             QStringList({"/m/one.mp3", "/m/two.mp3", "/m/three.mp3"}));
    QCOMPARE(p.w->leftTwips(), 3000.0);
    QCOMPARE(p.w->topTwips(), kTop);
    QTRY_COMPARE(p.w->outerHeightTwips(), 3885.0);
    QCOMPARE(p.state.currentIndex, 0);
    // The Loop box stays as it was: an absent key leaves it unchanged.
    QCOMPARE(p.w->chkLoop->checkState(), Qt::Checked);
    QVERIFY(p.w->isVisible());
}

void TestLifecycle::installedProgramKeepsItsPlaylist() {
    TestEnv env;
    // The program's folder is not a writable folder (an installed program).
    const QString readOnlyFolder = env.path("usr-bin");
    writeBytes(readOnlyFolder, "not a folder");
    AppPaths::setProgramFolderOverride(readOnlyFolder);
    Program p;
    p.start();
    p.w->playlistModel().append(QStringLiteral("/kept.mp3"));
    p.quit();
    QVERIFY(QFile::exists(env.path("data/jukora.pls")));
    Program again;
    again.start();
    QCOMPARE(again.w->playlistModel().entries(), QStringList({"/kept.mp3"}));

    // A system folder counts as installed even where it can be written.
    QVERIFY(AppPaths::isSystemFolder("/usr/bin"));
    QVERIFY(AppPaths::isSystemFolder("/opt/jukora/bin"));
    QVERIFY(!AppPaths::isSystemFolder("/home/user/src/jukora/build"));
    QVERIFY(!AppPaths::isSystemFolder("/usrlocal"));
}

QTEST_MAIN(TestLifecycle)
#include "test_lifecycle.moc"
