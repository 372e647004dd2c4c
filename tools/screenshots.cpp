// Takes the README's screenshots: starts the windows with a sample playlist
// in a throw-away profile and saves each as a PNG in the folder given.
#include "app/frmFiles.h"
#include "platform/AppPaths.h"
#include "platform/QtDialogs.h"
#include "playlist/PlsFormat.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    QTemporaryDir tmp;
    qputenv("USERPROFILE", tmp.path().toLocal8Bit());
    AppPaths::setProgramFolderOverride(tmp.path());
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

    QtMessageBoxes messages;
    QtFileDialogs files;
    QtShell shell;
    Platform platform{messages, files, shell};
    AppState state;
    frmFiles main(state, platform);
    main.Form_Load();
    main.setOuterHeightTwips(4800);
    main.show();
    main.setSelected(3, true);

    QTimer::singleShot(800, [&] {
        main.grab().save(out + QStringLiteral("/main-window.png"));
        app.quit();
    });
    return app.exec();
}
