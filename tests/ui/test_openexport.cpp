// Open, Export Playlist and drops on the list through the main window with
// scripted dialogs; the formats and the reading of names are the core's
// (test_playlistfiles), the command line's files test_launch's.
#include "support/App.h"

#include "core/playlist/HtmlPage.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlsFormat.h"

#include <QAction>
#include <QMimeData>
#include <QUrl>

namespace {

const QString kQuestion = QStringLiteral(
    "Export playlist with full path names?\r\n\r\nNote: Selecting NO will create the playlist "
    "without path names \r\nwhich should be saved in the same folder as the music");
const QString kUnknownError = QStringLiteral("An unknown error has occurred.");

struct Program : App {
    // Export Playlist from the menu, answering the question and naming the
    // file; returns what was written.
    QByteArray exportAs(MsgAnswer answer, const QString& name) {
        platform.messages.answers = {answer};
        platform.files.answers = {env.path(name)};
        w->exportPlaylistAction->trigger();
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
        w->dropOnPlaylist(&data);
    }
};

} // namespace

class TestOpenExport : public QObject {
    Q_OBJECT
private slots:
    void openPlaylistsAndSongs();
    void exportAnswersAndEndings();
    void dropsInOrder();
};

void TestOpenExport::openPlaylistsAndSongs() {
    Program p;
    const QString list = p.env.path("list.pls");
    QVERIFY(PlsFormat::write(list, {"/m/a.mp3", "/m/b.mp3"}, false, false));
    p.state.settings.browseFolder = p.env.path("");
    p.platform.files.answers = {list, "\"/m/quoted song.mp3\"", std::nullopt};
    for (int i = 0; i < 3; ++i)
        p.w->openAction->trigger();
    QCOMPARE(p.entries(), QStringList({"/m/a.mp3", "/m/b.mp3", "/m/quoted song.mp3"}));
    const DialogCall& call = p.platform.files.calls.first();
    QVERIFY(!call.save);
    QCOMPARE(call.filter, PlaylistFiles::openFilter());
    QCOMPARE(call.folder, p.env.path(""));
    QVERIFY(p.platform.messages.shown.isEmpty());
}

void TestOpenExport::exportAnswersAndEndings() {
    Program p;
    p.w->playlistModel().append(QStringList({"/music/One.mp3", "/music/Two.mp3"}));
    p.state.settings.sequence = true; // plays no part in Export Playlist
    auto& shown = p.platform.messages.shown;

    // Yes: full paths.
    QVERIFY(p.exportAs(MsgAnswer::Yes, "full.pls").contains("File1=/music/One.mp3\r\n"));
    QCOMPARE(shown.first().text, kQuestion);
    QCOMPARE(shown.first().buttons, MsgButtons::YesNoCancel);
    QVERIFY(p.platform.files.calls.first().save);
    QCOMPARE(p.platform.files.calls.first().filter, PlaylistFiles::saveFilter());
    // No: bare file names, whatever the Sequence setting.
    QCOMPARE(p.exportAs(MsgAnswer::No, "names.m3u"),
             QByteArray("#EXTM3U\r\n#EXTINF:0,One\r\nOne.mp3\r\n#EXTINF:0,Two\r\nTwo.mp3\r\n"));
    // The web page, written on a thread of its own: the same bytes, no message.
    QCOMPARE(p.exportAs(MsgAnswer::No, "page.html"),
             HtmlPage::render(p.entries(), p.env.path("page.html"), true, false));
    QCOMPARE(p.platform.messages.texts().size(), 3);
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
    const QString list = p.env.path("in.pls");
    QVERIFY(PlsFormat::write(list, {"/p/x.mp3", "/p/y.mp3"}, false, false));
    p.drop({"/m/a.mp3", list, "/m/folder"});
    QCOMPARE(p.entries(), QStringList({"/m/a.mp3", "/p/x.mp3", "/p/y.mp3", "/m/folder"}));
    // More than 4000 names: all of them (the playlist's limit: test_lists).
    p.w->removeAll();
    QStringList many;
    for (int i = 0; i < 5000; ++i)
        many << QStringLiteral("/many/%1.mp3").arg(i);
    p.drop(many);
    QCOMPARE(p.entries(), many);
}

QTEST_MAIN(TestOpenExport)
#include "test_openexport.moc"
