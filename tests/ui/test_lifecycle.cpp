// Start-up, shutdown and reset with a temporary profile and program folder.
#include "support/App.h"
#include "support/SmallDisk.h"

#include "core/playlist/PlsFormat.h"
#include "core/settings/IniFile.h"
#include "core/system/AppPaths.h"
#include "ui/common/Twips.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/lists/FolderList.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>

#include <csignal>

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
    void unreadableAutosaveKept();
    void shutdown_data();
    void shutdown();
    void shutdownDuringCopy();
    void saveFailures_data();
    void saveFailures();
    void resetProgram();
    void installedProgramKeepsItsPlaylist();
};

void TestLifecycle::startWithoutUsableSettings_data() {
    // Files that cannot be read at all (FIFOs, devices) are refused by the
    // reader itself, as its own test checks.
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
    QCOMPARE(p.w->loopBox->checkState(), Qt::Unchecked);
    QVERIFY(!p.state.settings.sequence && p.state.settings.browseFolder.isEmpty());
    QVERIFY(p.w->isNormalState() && p.platform.messages.shown.isEmpty());
}

void TestLifecycle::unreadableAutosaveKept() {
    // Larger than any list the program writes: it cannot be read, and the
    // next save must not put an empty list in its place.
    App p(false);
    const QString autosave = p.env.autosaveFile(), kept = autosave + ".unreadable";
    QFile big(autosave);
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 31));
    big.close();
    writeBytes(kept, "an older one");
    p.start();
    QCOMPARE(p.platform.messages.texts(),
             QStringList("The saved playlist could not be read. It is kept as\n\n" + kept + "-2"));
    p.quit();
    QCOMPARE(QFileInfo(kept + "-2").size(), qint64(1) << 31);
    QCOMPARE(readBytes(kept), QByteArray("an older one"));
    QVERIFY(QFileInfo(autosave).size() < 100);
}

void TestLifecycle::shutdown_data() {
    QTest::addColumn<int>("signalNumber"); // 0: "E&xit"
    QTest::addColumn<int>("state");
    QTest::newRow("Exit, minimized") << 0 << int(Qt::WindowMinimized);
    QTest::newRow("Exit, maximized") << 0 << int(Qt::WindowMaximized);
    QTest::newRow("SIGTERM, maximized") << SIGTERM << int(Qt::WindowMaximized);
    QTest::newRow("SIGINT") << SIGINT << int(Qt::WindowNoState);
    QTest::newRow("SIGHUP, minimized") << SIGHUP << int(Qt::WindowMinimized);
}

void TestLifecycle::shutdown() {
    QFETCH(int, signalNumber);
    QFETCH(int, state);
    App p(false);
    writeBytes(p.env.autosaveFile(), kThree);
    writeBytes(p.env.settingsFile(),
               "[Jukora]\nFilesH=5000\nLoop=1\nDirectory=/home/u/Music\nPlayW=6765\n");
    p.start();
    QCOMPARE(p.entries(), kThreeEntries);
    QCOMPARE(p.w->loopBox->checkState(), Qt::Checked);
    QCOMPARE(p.state.settings.browseFolder, QStringLiteral("/home/u/Music"));
    p.w->watchSessionEnd();
    p.w->playlistModel().append(QStringLiteral("/kept.mp3"));
    p.state.settings.browserPattern = QStringLiteral("*.ogg");
    p.state.settings.sequence = true;
    p.w->toggleNowPlaying();
    p.w->setWindowState(Qt::WindowState(state));
    QTRY_COMPARE(p.w->isNormalState(), state == Qt::WindowNoState);
    signalNumber ? void(::raise(signalNumber)) : p.w->exitProgram();
    // The normal shutdown: every window closed, everything saved (the
    // settings of windows never opened too), except that the place of a
    // minimized or maximized main window keeps its saved values.
    QTRY_VERIFY(!p.w->isVisible());
    QVERIFY(!p.w->nowPlayingWindow());
    QCOMPARE(PlsFormat::read(p.env.autosaveFile()), kThreeEntries + QStringList({"/kept.mp3"}));
    QStringList values;
    for (const char* key : {"Loop", "Mask", "Sequence", "NowPV", "PlayW"})
        values << ReadIni("Jukora", QLatin1String(key));
    QCOMPARE(values, QStringList({"1", "*.ogg", "True", "True", "6765"}));
    const QString place = ReadIni("Jukora", "FilesH") + '/' + ReadIni("Jukora", "FilesY");
    QCOMPARE(place == QLatin1String("5000/"), state != Qt::WindowNoState);
}

void TestLifecycle::shutdownDuringCopy() {
    // SIGTERM while Copy Playlist runs: the copy stops after the file it is
    // on, which is not left behind, and the shutdown saves, without a
    // question or a message.
    App p;
    p.w->watchSessionEnd();
    const QString target = p.env.path("stick");
    QDir().mkpath(target);
    for (int i = 1; i <= 3; ++i) {
        const QString song = p.env.path(QStringLiteral("song%1.mp3").arg(i));
        writeBytes(song, QByteArray(100 * 1024, 'm'));
        p.w->playlistModel().append(song);
    }
    p.w->toggleExportMedia();
    ExportMediaWindow* port = p.w->exportMediaWindow();
    port->folderList->setPath(target);
    connect(port, &ExportMediaWindow::fileCopied, this, [&](int entry) {
        if (entry != 1)
            return;
        ::raise(SIGTERM);
        QTRY_VERIFY(!p.w->isVisible());
    });
    port->copyPlaylist();
    QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden), QStringList({"song1.mp3"}));
    QVERIFY(p.platform.messages.shown.isEmpty());
    QCOMPARE(PlsFormat::read(p.env.autosaveFile()), p.entries());
    QCOMPARE(ReadIni("Jukora", "FileExport"), target);
    QTRY_VERIFY(!p.w->exportMediaWindow());
}

void TestLifecycle::saveFailures_data() {
    // Both files are written whole or not at all (tested with the writer
    // itself); here each is blocked once, one way or the other.
    QTest::addColumn<bool>("keys"); // the settings file (read-only), else the autosave (full disk)
    QTest::newRow("read-only settings") << true;
    QTest::newRow("autosave on a full disk") << false;
}

void TestLifecycle::saveFailures() {
    QFETCH(bool, keys);
    App p(false);
    SmallDisk disk;
    if (!keys && !disk.mounted())
        QSKIP(qPrintable(disk.why()));
    if (!keys)
        AppPaths::setProgramFolderOverride(disk.path(""));
    const QString settings = AppPaths::settingsFile(), autosave = AppPaths::autosaveFile();
    const QByteArray oldSettings = "[Jukora]\nMask=*.old\n";
    writeBytes(settings, oldSettings);
    writeBytes(autosave, kThree);
    if (keys)
        QFile::setPermissions(settings, QFile::ReadOwner);
    else
        disk.fill();
    p.start();

    // Shuffle saves; what could not be written stays whole, the rest is
    // written, and the list is not taken back to an older one.
    p.w->playlistModel().append(QStringLiteral("/new.mp3"));
    p.state.settings.browserPattern = QStringLiteral("*.new");
    p.w->shuffle();
    QCOMPARE(p.platform.messages.shown.size(), 1);
    expectOkMessage(p.platform.messages.shown.first(), "Cannot Save Data", MsgIcon::None);
    QCOMPARE(p.w->playlistModel().count(), 4);
    if (keys) {
        QCOMPARE(readBytes(settings), oldSettings);
        QCOMPARE(PlsFormat::read(autosave), p.entries());
    } else {
        QCOMPARE(readBytes(autosave), kThree);
        QCOMPARE(ReadIni("Jukora", "Mask"), QStringLiteral("*.new"));
    }
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
    p.w->resetProgram();
    QVERIFY(!QFile::exists(p.env.settingsFile()));
    QCOMPARE(p.entries(), kThreeEntries);
    QTRY_COMPARE(place(p), QList<double>({3000, kTop, 3885}));
    QCOMPARE(p.state.currentIndex, 0);
    // An absent key leaves the Loop box as it was.
    QCOMPARE(p.w->loopBox->checkState(), Qt::Checked);
    QVERIFY(p.w->isVisible());
}

void TestLifecycle::installedProgramKeepsItsPlaylist() {
    App p(false);
    // The program's folder cannot be written (an installed program): the
    // playlist an earlier run saved there is read until the data folder has
    // one of its own.
    SmallDisk programFolder;
    if (!programFolder.mounted())
        QSKIP(qPrintable(programFolder.why()));
    writeBytes(programFolder.path("jukora.pls"), kThree);
    programFolder.makeReadOnly();
    AppPaths::setProgramFolderOverride(programFolder.path(""));
    p.start();
    QCOMPARE(p.entries(), kThreeEntries);
    p.w->playlistModel().append(QStringLiteral("/kept.mp3"));
    p.restart();
    QVERIFY(QFile::exists(p.env.path("data/jukora.pls")));
    QCOMPARE(p.entries(), kThreeEntries + QStringList({"/kept.mp3"}));

    // A system folder counts as installed even where it can be written.
    QVERIFY(AppPaths::isSystemFolder("/usr/bin"));
    QVERIFY(AppPaths::isSystemFolder("/opt/jukora/bin"));
    QVERIFY(!AppPaths::isSystemFolder("/home/user/src/jukora/build"));
    QVERIFY(!AppPaths::isSystemFolder("/usrlocal"));
}

QTEST_MAIN(TestLifecycle)
#include "test_lifecycle.moc"
