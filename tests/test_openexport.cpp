// Open, Export Playlist, drops on the list and the command-line file,
// through the main window with scripted dialogs.
#include "support/App.h"

#include "app/IniFile.h"
#include "playlist/PlsFormat.h"

#include <QAction>
#include <QMimeData>
#include <QUrl>

namespace {

const QString kQuestion = QStringLiteral(
    "Export playlist with full path names?\r\n\r\nNote: Selecting NO will create the playlist "
    "without path names \r\nwhich should be saved in the same folder as the music");
const QString kUnknownError = QStringLiteral("An unknown error has occurred.");

struct Program : App {
    explicit Program(bool started = true) : App(started) {}
    QString pls(const QString& name, const QStringList& files) {
        QByteArray b = "[playlist]\r\n";
        for (int i = 0; i < files.size(); ++i)
            b += "File" + QByteArray::number(i + 1) + "=" + files[i].toUtf8() + "\r\n";
        writeBytes(env.path(name), b);
        return env.path(name);
    }
    // Export Playlist from the menu, answering the question and naming the
    // file; returns what was written.
    QByteArray exportAs(MsgAnswer answer, const QString& name) {
        platform.messages.answers = {answer};
        platform.files.answers = {env.path(name)};
        w->mnusave->trigger();
        return readBytes(env.path(name));
    }
    // The list's drop handler with the data a drop from the file manager
    // delivers.
    void drop(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        QMimeData data;
        data.setUrls(urls);
        w->playlist_OLEDragDrop(&data);
    }
};

} // namespace

class TestOpenExport : public QObject {
    Q_OBJECT
private slots:
    void openPlaylistsAndSongs();
    void exportAnswersAndEndings();
    void dropsInOrder();
    void commandLine_data();
    void commandLine();
};

void TestOpenExport::openPlaylistsAndSongs() {
    Program p;
    const QString list = p.pls("list.pls", {"/m/a.mp3", "/m/b.mp3"});
    p.state.settings.Directory = p.env.path("");
    p.platform.files.answers = {list, "\"/m/quoted song.mp3\"", std::nullopt};
    for (int i = 0; i < 3; ++i)
        p.w->mnuimport->trigger();
    QCOMPARE(p.entries(), QStringList({"/m/a.mp3", "/m/b.mp3", "/m/quoted song.mp3"}));
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
    p.w->playlistModel().append(QStringList({"/music/One.mp3", "/music/Two.mp3"}));
    p.state.settings.Sequence = true; // plays no part in Export Playlist
    auto& shown = p.platform.messages.shown;

    // Yes: full paths.
    QVERIFY(p.exportAs(MsgAnswer::Yes, "full.pls").contains("File1=/music/One.mp3\r\n"));
    QCOMPARE(shown.first().text, kQuestion);
    QCOMPARE(shown.first().buttons, MsgButtons::YesNoCancel);
    QCOMPARE(shown.first().icon, MsgIcon::None);
    QCOMPARE(p.platform.files.calls.first().title, QStringLiteral("Save As"));
    QVERIFY(p.platform.files.calls.first().save);
    // No: bare file names, whatever the Sequence setting.
    QCOMPARE(p.exportAs(MsgAnswer::No, "names.m3u"),
             QByteArray("#EXTM3U\r\n#EXTINF:0,One\r\nOne.mp3\r\n#EXTINF:0,Two\r\nTwo.mp3\r\n"));
    // Web pages by either ending.
    QVERIFY(p.exportAs(MsgAnswer::Yes, "page.htm").startsWith("<html>"));
    QVERIFY(p.exportAs(MsgAnswer::Yes, "page.html").startsWith("<html>"));
    // Cancel: no dialog, nothing written.
    const int dialogs = p.platform.files.calls.size();
    QVERIFY(p.exportAs(MsgAnswer::Cancel, "cancelled.pls").isNull());
    QCOMPARE(p.platform.files.calls.size(), dialogs);

    // An ending no writer knows.
    shown.clear();
    p.exportAs(MsgAnswer::Yes, "list.txt");
    QCOMPARE(p.platform.messages.texts(),
             QStringList({kQuestion, "This file format is currently unsupported"}));
    QVERIFY(!QFile::exists(p.env.path("list.txt")));

    // A file that cannot be written is reported.
    shown.clear();
    p.exportAs(MsgAnswer::No, "gone/list.m3u");
    QCOMPARE(p.platform.messages.texts(), QStringList({kQuestion, kUnknownError}));
    expectOkMessage(shown.last(), kUnknownError, MsgIcon::Critical);
}

void TestOpenExport::dropsInOrder() {
    Program p;
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
    QCOMPARE(p.entries(), many);
    p.w->playlistModel().append(QStringList(27766, QStringLiteral("/fill.mp3")));
    p.drop({"/last.mp3", "/beyond.mp3"});
    QCOMPARE(p.w->playlistModel().count(), 32767);
    QCOMPARE(p.entries().last(), QStringLiteral("/last.mp3"));
}

void TestOpenExport::commandLine_data() {
    QTest::addColumn<QStringList>("commandLine");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QByteArray>("settings");
    const QStringList a = {"/music/a.mp3"};
    QTest::newRow("capital PLS") << QStringList({"/music/LIST.PLS"})
                                 << QStringList({"/music/LIST.PLS"}) << QByteArray();
    // Each file in its turn, a playlist read in its place.
    QTest::newRow("several") << QStringList({"/music/a b.mp3", "@list", "/music/c.mp3"})
                             << QStringList(
                                    {"/music/a b.mp3", "/c/1.mp3", "/c/2.mp3", "/music/c.mp3"})
                             << QByteArray();
    // Now Playing opens after the command-line file, and not minimized.
    QTest::newRow("Now Playing") << a << a << QByteArray("[Jukora]\nNowPV=True\n");
}

void TestOpenExport::commandLine() {
    QFETCH(QStringList, commandLine);
    QFETCH(QStringList, expected);
    QFETCH(QByteArray, settings);
    Program p(false);
    writeBytes(p.env.autosaveFile(), "\r\n[playlist]\r\nFile1=/saved.mp3\r\nTitle1=saved\r\n\r\n");
    if (!settings.isEmpty())
        writeBytes(p.env.settingsFile(), settings);
    // The files are there, in the test's folder.
    auto here = [&](QString path) {
        return path.replace(QStringLiteral("/music/"), p.env.path("music/"))
            .replace(QStringLiteral("/c/"), p.env.path("c/"));
    };
    for (QString& path : expected)
        makeFile(path = here(path));
    for (QString& arg : commandLine)
        arg = arg == QLatin1String("@list") ? p.pls("cmd.pls", {here("/c/1.mp3"), here("/c/2.mp3")})
                                            : here(arg);
    p.start(commandLine);
    // The file replaced the saved playlist, the window is minimized, and
    // Player 1 was asked to play the first entry.
    QCOMPARE(p.entries(), expected);
    QVERIFY(p.w->windowState() & Qt::WindowMinimized);
    QVERIFY(p.state.listPlaying);
    QCOMPARE(p.state.playerFile, expected.first());
    QVERIFY(p.w->player1());
    QCOMPARE(p.w->nowPlayingWindow() && !p.w->nowPlayingWindow()->isMinimized(),
             !settings.isEmpty());
    p.w->btnStop_Click();
    // Play List saved the list, and every key but the minimized window's place.
    QCOMPARE(PlsFormat::read(p.env.autosaveFile()), expected);
    QCOMPARE(ReadIni("Jukora", "FilesH") + ReadIni("Jukora", "FilesY"), QString());
    QCOMPARE(ReadIni("Jukora", "Sequence"), QStringLiteral("False"));
}

QTEST_MAIN(TestOpenExport)
#include "test_openexport.moc"
