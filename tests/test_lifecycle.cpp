// Start-up, shutdown and reset with a temporary profile and program folder.
#include "support/App.h"

#include "app/IniFile.h"
#include "app/Twips.h"
#include "platform/AppPaths.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>

namespace {

const QByteArray kThree = "\r\n[playlist]\r\nFile1=/m/one.mp3\r\nTitle1=one\r\n"
                          "File2=/m/two.mp3\r\nTitle2=two\r\nFile3=/m/three.mp3\r\nTitle3=three\r\n"
                          "\r\n";
const QStringList kThreeEntries = {"/m/one.mp3", "/m/two.mp3", "/m/three.mp3"};

// 2500 twips is not a whole number of pixels: the window sits on the
// nearest one.
const double kTop = Twips::fromPx(Twips::toPx(2500));

// The main window's left, top and outer height in twips.
QList<double> place(const App& p) {
    return {p.w->leftTwips(), p.w->topTwips(), p.w->outerHeightTwips()};
}

} // namespace

class TestLifecycle : public QObject {
    Q_OBJECT
private slots:
    void startWithoutUsableSettings_data();
    void startWithoutUsableSettings();
    void settingsAndPlaylistKept();
    void quittingMinimizedWritesNothing();
    void saveFailuresShowMessage();
    void resetProgram();
    void installedProgramKeepsItsPlaylist();
};

void TestLifecycle::startWithoutUsableSettings_data() {
    QTest::addColumn<bool>("unreadable");
    QTest::newRow("first start") << false;
    // A folder where the settings file should be, and an autosave that is
    // not a playlist at all.
    QTest::newRow("unreadable") << true;
}

void TestLifecycle::startWithoutUsableSettings() {
    QFETCH(bool, unreadable);
    App p(false);
    if (unreadable) {
        QDir().mkpath(p.env.settingsFile());
        writeBytes(p.env.autosaveFile(), QByteArray("\x00\xFF garbage\n=", 12));
    }
    p.start();
    QCOMPARE(p.w->playlistModel().count(), 0);
    QCOMPARE(place(p), QList<double>({3000, kTop, 3885}));
    QCOMPARE(p.w->chkLoop->checkState(), Qt::Unchecked);
    QCOMPARE(p.state.currentIndex, 0);
    QVERIFY(p.state.loadPending && !p.state.listPlaying && !p.state.settings.Sequence);
    QCOMPARE(p.state.settings.Directory, QString());
    QVERIFY(p.w->isNormalState());
    QVERIFY(p.platform.messages.shown.isEmpty());
}

void TestLifecycle::settingsAndPlaylistKept() {
    App p(false);
    writeBytes(p.env.autosaveFile(), kThree);
    writeBytes(p.env.settingsFile(), "[Jukora]\nLoop=1\nFilesH=6000\nFilesX=1500\nFilesY=0\n"
                                     "Directory=/home/u/Music\nPlayW=6765\n");
    p.start();
    QCOMPARE(p.entries(), kThreeEntries);
    QCOMPARE(p.w->chkLoop->checkState(), Qt::Checked);
    QCOMPARE(place(p), QList<double>({1500, kTop, 6000})); // FilesY=0: the default
    QCOMPARE(p.state.settings.Directory, QStringLiteral("/home/u/Music"));
    QCOMPARE(p.state.settings.PlayW, 6765.0);
    QVERIFY(p.w->isNormalState() && !p.state.listPlaying);

    // Exit writes everything, and the next start shows it all again.
    p.w->btnClear_Click();
    p.w->playlistModel().append(QStringList({"/a/x.mp3", "/a/y.mp3"}));
    p.state.settings.Mask = QStringLiteral("*.mp3");
    p.state.settings.Sequence = true;
    p.w->setOuterHeightTwips(4500);
    p.w->setLeftTwips(600);
    QTRY_COMPARE(p.w->outerHeightTwips(), 4500.0);
    p.w->mnuexit_Click();
    QVERIFY(!p.w->isVisible());
    p.w.reset();
    QStringList values;
    for (const char* key : {"Loop", "FilesH", "FilesX", "Mask", "Sequence", "NowPV", "PlayW"})
        values << ReadIni("Jukora", QLatin1String(key));
    QCOMPARE(values, QStringList({"1", "4500", "600", "*.mp3", "True", "False", "6765"}));
    QCOMPARE(readBytes(p.env.autosaveFile()),
             QByteArray("\r\n[playlist]\r\nFile1=/a/x.mp3\r\nTitle1=x\r\n"
                        "File2=/a/y.mp3\r\nTitle2=y\r\n\r\n"));
    p.state = AppState();
    p.start();
    QCOMPARE(p.entries(), QStringList({"/a/x.mp3", "/a/y.mp3"}));
    QCOMPARE(place(p), QList<double>({600, kTop, 4500}));
}

void TestLifecycle::quittingMinimizedWritesNothing() {
    App p(false);
    writeBytes(p.env.autosaveFile(), kThree);
    writeBytes(p.env.settingsFile(), "[Jukora]\nFilesH=5000\n");
    for (bool minimized : {true, false}) {
        p.start();
        p.w->playlistModel().append(QStringLiteral("/new.mp3"));
        minimized ? p.w->showMinimized() : p.w->showMaximized();
        QTRY_VERIFY(!p.w->isNormalState());
        p.quit();
        QCOMPARE(readBytes(p.env.autosaveFile()), kThree);
        QCOMPARE(readBytes(p.env.settingsFile()), QByteArray("[Jukora]\nFilesH=5000\n"));
    }
}

void TestLifecycle::saveFailuresShowMessage() {
    App p(false);
    writeBytes(p.env.autosaveFile(), kThree);
    p.start();
    // A read-only autosave: the shuffled list of 23 stays, the old file is
    // not read back.
    p.w->playlistModel().append(QStringList(20, QStringLiteral("/n.mp3")));
    QFile::setPermissions(p.env.autosaveFile(), QFile::ReadOwner);
    p.w->cmdShuffle_Click();
    QFile::setPermissions(p.env.autosaveFile(), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(p.w->playlistModel().count(), 23);
    QCOMPARE(readBytes(p.env.autosaveFile()), kThree);

    // The profile "folder" is a file: the settings cannot be written, and then
    // neither is the autosave.
    const QString blocked = p.env.path("blocked");
    writeBytes(blocked, "x");
    qputenv("USERPROFILE", blocked.toLocal8Bit());
    QCOMPARE(p.w->SaveSettings(), frmFiles::SaveResult::Failed);
    QCOMPARE(readBytes(p.env.autosaveFile()), kThree);
    QCOMPARE(p.platform.messages.shown.size(), 2);
    for (const ShownMessage& m : p.platform.messages.shown)
        expectOkMessage(m, "Cannot Save Data", MsgIcon::None);
}

void TestLifecycle::resetProgram() {
    App p(false);
    writeBytes(p.env.autosaveFile(), kThree);
    writeBytes(p.env.settingsFile(), "[Jukora]\nLoop=1\nFilesX=900\nFilesH=7000\n");
    QFile::setPermissions(p.env.settingsFile(), QFile::ReadOwner);
    p.start();
    QCOMPARE(p.w->leftTwips(), 900.0);
    p.w->playlistModel().append(QStringLiteral("/added/after/save.mp3"));
    p.state.currentIndex = 2;
    p.w->mnuReset_Click();
    QVERIFY(!QFile::exists(p.env.settingsFile()));
    QCOMPARE(p.entries(), kThreeEntries);
    QTRY_COMPARE(place(p), QList<double>({3000, kTop, 3885}));
    QCOMPARE(p.state.currentIndex, 0);
    // An absent key leaves the Loop box as it was.
    QCOMPARE(p.w->chkLoop->checkState(), Qt::Checked);
    QVERIFY(p.w->isVisible());
}

void TestLifecycle::installedProgramKeepsItsPlaylist() {
    App p(false);
    // The program's folder is not a writable folder (an installed program).
    const QString readOnlyFolder = p.env.path("usr-bin");
    writeBytes(readOnlyFolder, "not a folder");
    AppPaths::setProgramFolderOverride(readOnlyFolder);
    p.start();
    p.w->playlistModel().append(QStringLiteral("/kept.mp3"));
    p.restart();
    QVERIFY(QFile::exists(p.env.path("data/jukora.pls")));
    QCOMPARE(p.entries(), QStringList({"/kept.mp3"}));

    // A system folder counts as installed even where it can be written.
    QVERIFY(AppPaths::isSystemFolder("/usr/bin"));
    QVERIFY(AppPaths::isSystemFolder("/opt/jukora/bin"));
    QVERIFY(!AppPaths::isSystemFolder("/home/user/src/jukora/build"));
    QVERIFY(!AppPaths::isSystemFolder("/usrlocal"));
}

QTEST_MAIN(TestLifecycle)
#include "test_lifecycle.moc"
