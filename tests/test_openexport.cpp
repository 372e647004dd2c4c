// Open, Export Playlist, drops on the list and the command-line file,
// through the main window with scripted dialogs.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/frmFiles.h"

#include <QListView>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

const QString kQuestion = QStringLiteral(
    "Export playlist with full path names?\r\n\r\nNote: Selecting NO will create the playlist "
    "without path names \r\nwhich should be saved in the same folder as the music");

struct Program {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    std::unique_ptr<frmFiles> w;

    void start(const QString& commandLine = QString()) {
        state.commandLine = commandLine;
        w = std::make_unique<frmFiles>(state, platform.platform);
        w->Form_Load();
        if (w->windowState() & Qt::WindowMinimized)
            w->showMinimized();
        else
            w->show();
    }
    QStringList entries() { return w->playlistModel().entries(); }
    QString pls(const QString& name, const QStringList& files) {
        QByteArray b = "[playlist]\r\n";
        for (int i = 0; i < files.size(); ++i)
            b += "File" + QByteArray::number(i + 1) + "=" + files[i].toUtf8() + "\r\n";
        writeBytes(env.path(name), b);
        return env.path(name);
    }
    void drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        // The list's drop handler with the drop's data, as a drop from the
        // file manager delivers it.
        w->playlist_OLEDragDrop(&data);
    }
};

} // namespace

class TestOpenExport : public QObject {
    Q_OBJECT
private slots:
    void openPlaylistsAndSongs();
    void exportAnswersAndEndings();
    void exportFailureKeepsOldFile();
    void dropsInOrder();
    void commandLine_data();
    void commandLine();
    void commandLineWithNowPlaying();
};

void TestOpenExport::openPlaylistsAndSongs() {
    Program p;
    p.start();
    const QString list = p.pls("list.pls", {"/m/a.mp3", "/m/b.mp3"});
    p.state.settings.Directory = p.env.path("");
    p.platform.files.answers = {
        list,        list, p.env.path("UPPER.PLS"), "\"/m/quoted song.mp3\"", "\"/m/lead.mp3",
        std::nullopt};
    for (int i = 0; i < 6; ++i)
        p.w->mnuimport_Click();
    QCOMPARE(p.entries(),
             QStringList({"/m/a.mp3", "/m/b.mp3", "/m/a.mp3", "/m/b.mp3", p.env.path("UPPER.PLS"),
                          "/m/quoted song.mp3", "/m/lead.mp3"}));
    const DialogCall& call = p.platform.files.calls.first();
    QVERIFY(!call.save);
    QCOMPARE(call.title, QStringLiteral("Open Playlist or Song"));
    QCOMPARE(call.filter, QStringLiteral("All Files (*.*)|*.*|Playlist Files (*.pls)|*.pls|"
                                         "Playlist Files (*.m3u)|*.m3u"));
    QCOMPARE(call.folder, p.env.path(""));
    QVERIFY(p.platform.messages.shown.isEmpty());
}

void TestOpenExport::exportAnswersAndEndings() {
    Program p;
    p.start();
    p.w->playlistModel().append(QStringList({"/music/One.mp3", "/music/Two.mp3"}));
    p.state.settings.Sequence = true; // plays no part in Export Playlist

    // Yes: full paths.
    p.platform.messages.answers = {MsgAnswer::Yes};
    p.platform.files.answers = {p.env.path("full.pls")};
    p.w->mnusave_Click();
    QCOMPARE(p.platform.messages.shown.first().text, kQuestion);
    QCOMPARE(p.platform.messages.shown.first().buttons, MsgButtons::YesNoCancel);
    QCOMPARE(p.platform.messages.shown.first().icon, MsgIcon::None);
    QCOMPARE(p.platform.files.calls.first().title, QStringLiteral("Save As"));
    QVERIFY(p.platform.files.calls.first().save);
    QVERIFY(readBytes(p.env.path("full.pls")).contains("File1=/music/One.mp3\r\n"));

    // No: bare file names, whatever the Sequence setting.
    p.platform.messages.answers = {MsgAnswer::No};
    p.platform.files.answers = {p.env.path("names.m3u")};
    p.w->mnusave_Click();
    QCOMPARE(readBytes(p.env.path("names.m3u")),
             QByteArray("#EXTM3U\r\n#EXTINF:0,One\r\nOne.mp3\r\n#EXTINF:0,Two\r\nTwo.mp3\r\n"));

    // Web pages by either ending.
    for (const char* name : {"page.htm", "page.html"}) {
        p.platform.messages.answers = {MsgAnswer::Yes};
        p.platform.files.answers = {p.env.path(name)};
        p.w->mnusave_Click();
        QVERIFY(readBytes(p.env.path(name)).startsWith("<html>"));
    }

    // Cancel: no dialog, nothing written.
    const int dialogs = p.platform.files.calls.size();
    p.platform.messages.answers = {MsgAnswer::Cancel};
    p.w->mnusave_Click();
    QCOMPARE(p.platform.files.calls.size(), dialogs);

    // An ending no writer knows.
    p.platform.messages.shown.clear();
    p.platform.messages.answers = {MsgAnswer::Yes};
    p.platform.files.answers = {p.env.path("list.txt")};
    p.w->mnusave_Click();
    QCOMPARE(p.platform.messages.texts(),
             QStringList({kQuestion, "This file format is currently unsupported"}));
    QVERIFY(!QFile::exists(p.env.path("list.txt")));
}

void TestOpenExport::exportFailureKeepsOldFile() {
    Program p;
    p.start();
    p.w->playlistModel().append(QStringLiteral("/music/One.mp3"));
    const QString old = p.env.path("old.pls");
    writeBytes(old, "old contents");
    QFile::setPermissions(old, QFile::ReadOwner);
    p.platform.messages.answers = {MsgAnswer::Yes};
    p.platform.files.answers = {old};
    p.w->mnusave_Click();
    QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(readBytes(old), QByteArray("old contents"));
    QCOMPARE(p.platform.messages.shown.last().text,
             QStringLiteral("An unknown error has occurred."));
    QCOMPARE(p.platform.messages.shown.last().icon, MsgIcon::Critical);

    // A folder that is not there.
    p.platform.messages.answers = {MsgAnswer::No};
    p.platform.files.answers = {p.env.path("gone/list.m3u")};
    p.w->mnusave_Click();
    QCOMPARE(p.platform.messages.shown.last().text,
             QStringLiteral("An unknown error has occurred."));
}

void TestOpenExport::dropsInOrder() {
    Program p;
    p.start();
    p.drop({"/m/3.mp3", "/m/1.mp3", "/m/2.mp3"});
    QCOMPARE(p.entries(), QStringList({"/m/3.mp3", "/m/1.mp3", "/m/2.mp3"}));
    p.w->btnClear_Click();
    const QString list = p.pls("in.pls", {"/p/x.mp3", "/p/y.mp3"});
    writeBytes(p.env.path("in.m3u"), "#EXTM3U\r\nz.mp3\r\n");
    p.drop({"/m/a.mp3", list, "/m/b.mp3", p.env.path("in.m3u"), "/m/folder"});
    QCOMPARE(p.entries(), QStringList({"/m/a.mp3", "/p/x.mp3", "/p/y.mp3", "/m/b.mp3",
                                       p.env.path("z.mp3"), "/m/folder"}));
    // More than 4000 names: all of them, up to the playlist's limit.
    p.w->btnClear_Click();
    QStringList many;
    for (int i = 0; i < 5000; ++i)
        many << QStringLiteral("/many/%1.mp3").arg(i);
    p.drop(many);
    QCOMPARE(p.w->playlistModel().count(), 5000);
    p.w->playlistModel().append(QStringList(27766, QStringLiteral("/fill.mp3")));
    p.drop({"/last.mp3", "/beyond.mp3"});
    QCOMPARE(p.w->playlistModel().count(), 32767);
    QCOMPARE(p.entries().last(), QStringLiteral("/last.mp3"));
}

void TestOpenExport::commandLine_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("quoted") << "\"/music/My Song.mp3\"" << QStringList({"/music/My Song.mp3"});
    QTest::newRow("leading quote") << "\"/music/a.mp3" << QStringList({"/music/a.mp3"});
    QTest::newRow("trailing quote") << "/music/a.mp3\"" << QStringList({"/music/a.mp3"});
    QTest::newRow("capital PLS") << "/music/LIST.PLS" << QStringList({"/music/LIST.PLS"});
    QTest::newRow("two names") << "/music/a.mp3 /music/b.mp3"
                               << QStringList({"/music/a.mp3 /music/b.mp3"});
    QTest::newRow("playlist") << "@list" << QStringList({"/c/1.mp3", "/c/2.mp3"});
}

void TestOpenExport::commandLine() {
    QFETCH(QString, commandLine);
    QFETCH(QStringList, expected);
    Program p;
    writeBytes(p.env.autosaveFile(), "\r\n[playlist]\r\nFile1=/saved.mp3\r\nTitle1=saved\r\n\r\n");
    if (commandLine == QLatin1String("@list"))
        commandLine = p.pls("cmd.pls", {"/c/1.mp3", "/c/2.mp3"});
    p.start(commandLine);
    // The file replaced the saved playlist, the window is minimized, and
    // Player 1 was asked to play the first entry.
    QCOMPARE(p.entries(), expected);
    QVERIFY(p.w->windowState() & Qt::WindowMinimized);
    QVERIFY(p.state.listPlaying);
    QCOMPARE(p.state.playerFile, expected.first());
    QVERIFY(p.w->player1());
    p.w->btnStop_Click();
    // Stopping restores nothing by itself; the run's end restores the window.
    // Nothing was written while minimized.
    QVERIFY(!QFile::exists(p.env.settingsFile()));
}

void TestOpenExport::commandLineWithNowPlaying() {
    Program p;
    writeBytes(p.env.settingsFile(), "[Jukora]\nNowPV=True\n");
    writeBytes(p.env.autosaveFile(), "\r\n[playlist]\r\nFile1=/saved.mp3\r\nTitle1=saved\r\n\r\n");
    // An empty command line: the saved playlist stays, nothing plays.
    p.start();
    QCOMPARE(p.entries(), QStringList({"/saved.mp3"}));
    QVERIFY(!p.w->player1());
    QVERIFY(p.w->isNormalState());
    QVERIFY(p.w->nowPlayingWindow());
    p.w->close();
    p.w.reset();

    Program q;
    writeBytes(q.env.settingsFile(), "[Jukora]\nNowPV=True\n");
    q.start(QStringLiteral("/music/x.mp3"));
    QVERIFY(q.w->windowState() & Qt::WindowMinimized);
    QVERIFY(q.w->player1());
    QVERIFY(q.w->nowPlayingWindow());
    QVERIFY(!q.w->nowPlayingWindow()->isMinimized());
    q.w->btnStop_Click();
}

QTEST_MAIN(TestOpenExport)
#include "test_openexport.moc"
