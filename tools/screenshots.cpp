// Takes the README's screenshots: starts the windows with a sample playlist
// in a throw-away profile and saves each as a PNG in the folder given. The
// players play media files made on the spot (a silent video, a tone with an
// ID3v1 tag); run it under Xvfb (./dev screenshot).
#include "support/Tones.h"

#include "core/playlist/PlsFormat.h"
#include "core/system/AppPaths.h"
#include "ui/browser/FileBrowserWindow.h"
#include "ui/common/QtDialogs.h"
#include "ui/common/WindowGeometry.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/player/NowPlayingWindow.h"
#include "ui/tags/TagWindow.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QListView>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

// Messages go to the terminal: a box would wait for a click nobody gives.
class PrintedMessages : public MessageBoxes {
public:
    MsgAnswer show(QWidget*, const QString& title, const QString& text, MsgButtons,
                   MsgIcon) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return MsgAnswer::Ok;
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString&,
                                   const QString&) override {
        return std::nullopt;
    }
};

struct DemoFolder {
    explicit DemoFolder(const QString& path) : m_path(path) {
        QDir(m_path).removeRecursively();
        QDir().mkpath(m_path);
    }
    ~DemoFolder() { QDir(m_path).removeRecursively(); }
    QString path() const { return m_path; }
    QString m_path;
};

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget* window, const QString& file) {
    if (!window) {
        std::fprintf(stderr, "screenshots: no window for %s\n", qPrintable(file));
        return false;
    }
    window->raise();
    settle(150);
    return window->grab().save(file);
}

QByteArray id3Tag(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                  const QByteArray& year, const QByteArray& comment, int genre) {
    QByteArray tag("TAG");
    auto field = [&tag](const QByteArray& text, int width) {
        tag += text.left(width).leftJustified(width, '\0');
    };
    field(title, 30);
    field(artist, 30);
    field(album, 30);
    field(year, 4);
    field(comment, 30);
    tag += char(genre);
    return tag;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

} // namespace

int main(int argc, char* argv[]) {
    // No sound card under Xvfb, and the picture is drawn by Mesa in software.
    if (qEnvironmentVariableIsEmpty("JUKORA_AUDIO"))
        qputenv("JUKORA_AUDIO", "null");
    if (qEnvironmentVariableIsEmpty("LIBGL_ALWAYS_SOFTWARE"))
        qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setQuitOnLastWindowClosed(false);
    std::setlocale(LC_NUMERIC, "C");
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    // A folder of a fixed name, so that the pictures come out the same each
    // time; it is removed at the end.
    DemoFolder tmp(QDir::tempPath() + QStringLiteral("/jukora-demo"));
    qputenv("USERPROFILE", tmp.path().toLocal8Bit());
    AppPaths::setProgramFolderOverride(tmp.path());
    AppPaths::setDataFolderOverride(tmp.path());
    const QStringList songs = {
        "/home/anna/Music/Miles Davis/Kind of Blue/01 - So What.mp3",
        "/home/anna/Music/Miles Davis/Kind of Blue/02 - Freddie Freeloader.mp3",
        "/home/anna/Music/Miles Davis/Kind of Blue/03 - Blue in Green.mp3",
        "/home/anna/Music/Nina Simone/Pastel Blues/01 - Be My Husband.mp3",
        "/home/anna/Music/Nina Simone/Pastel Blues/04 - Trouble in Mind.mp3",
        "/home/anna/Music/Kraftwerk/The Man-Machine/02 - Spacelab.flac",
        "/home/anna/Music/Kraftwerk/The Man-Machine/05 - The Model.flac",
        "/home/anna/Music/Joni Mitchell/Blue/04 - Carey.ogg",
        "/home/anna/Videos/Concerts/Live at Montreux 1969.mkv",
        "/home/anna/Music/Radiohead/OK Computer/06 - Karma Police.mp3",
        "/home/anna/Music/Aretha Franklin/Lady Soul/01 - Chain of Fools.mp3",
    };
    PlsFormat::write(AppPaths::autosaveFile(), songs, false, false);

    PrintedMessages messages;
    QtFileDialogs files;
    QtShell shell;
    Platform platform{messages, files, shell};
    AppState state;
    MainWindow main(state, platform);
    main.load();
    WindowGeometry::place(&main, {.height = 4800});
    main.show();
    main.selection().setSelected(3, true);
    settle(800);
    bool ok = save(&main, out + QStringLiteral("/main-window.png"));

    // The other windows work on files that exist.
    const QString album = tmp.path() + QStringLiteral("/Music/Kraftwerk/The Man-Machine");
    const QString video = tmp.path() + QStringLiteral("/Videos/Live at Montreux 1969.avi");
    writeFile(video, Tones::aviBytes(QColor(24, 96, 120).rgb(), 150, 10, 160, 120));
    const QString tone = album + QStringLiteral("/02 - Spacelab.mp3");
    writeFile(tone,
              Tones::wavBytes(20, 440, 8000) +
                  id3Tag("Spacelab", "Kraftwerk", "The Man-Machine", "1978", "Remastered", 51));
    for (const char* name : {"01 - The Robots.mp3", "03 - Metropolis.mp3", "04 - The Model.mp3",
                             "05 - Neon Lights.mp3", "06 - The Man-Machine.mp3"})
        writeFile(album + u'/' + QLatin1String(name), QByteArray(1024, '\0'));
    const QString stick = tmp.path() + QStringLiteral("/USB stick/Music");
    writeFile(stick + QStringLiteral("/0001-So What.mp3"), QByteArray(1024, '\0'));
    writeFile(stick + QStringLiteral("/0002-Freddie Freeloader.mp3"), QByteArray(1024, '\0'));
    state.settings.browseFolder = album;
    state.settings.browserFileFolder = album;
    state.settings.exportFolder = stick;
    state.settings.exportFileFolder = stick;

    main.playlistModel().replaceAll({video, tone});
    main.commands().setFocusedPosition(0);
    main.playSong();
    main.commands().setFocusedPosition(1);
    main.play2Song();
    settle(1500);
    ok = save(main.player1(), out + QStringLiteral("/player1.png")) && ok;
    ok = save(main.player2Window(), out + QStringLiteral("/player2.png")) && ok;

    main.toggleNowPlaying();
    settle(300);
    ok = save(main.nowPlayingWindow(), out + QStringLiteral("/now-playing.png")) && ok;

    main.showTagWindow(tone);
    settle(300);
    ok = save(main.tagWindow(), out + QStringLiteral("/id3-information.png")) && ok;

    main.toggleFileBrowser();
    settle(500);
    ok = save(main.fileBrowser(), out + QStringLiteral("/file-browser.png")) && ok;

    main.toggleExportMedia();
    settle(500);
    ok = save(main.exportMediaWindow(), out + QStringLiteral("/export-media.png")) && ok;

    main.stopAll();
    main.close();
    return ok ? 0 : 1;
}
