#include "AppState.h"
#include "Version.h"
#include "frmFiles.h"
#include "platform/MprisService.h"
#include "platform/QtDialogs.h"
#include "playback/MediaPlayer.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <clocale>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(Version::productName());
    QApplication::setApplicationVersion(Version::text());
    QApplication::setDesktopFileName(QStringLiteral("jukora"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The media library reads numbers in the C locale.
    std::setlocale(LC_NUMERIC, "C");

    AppState state;
    // The arguments joined with single blanks are the command line: a path
    // with blanks passed as several arguments still names one file.
    state.commandLine = QApplication::arguments().mid(1).join(u' ');

    QtMessageBoxes messages;
    QtFileDialogs files;
    QtShell shell;
    Platform platform{messages, files, shell};

    frmFiles main(state, platform);
    main.Form_Load();
    if (main.windowState() & Qt::WindowMinimized)
        main.showMinimized();
    else
        main.show();
    // The media library loads beside the window once it is up (so that the
    // two do not share the processor while it opens), ready for the first
    // song. A player opened before that loads it itself.
    QTimer::singleShot(250, [] { MediaPlayer::preload(); });
    // The desktop's media controls; without a session bus there are none.
    MprisService mpris(main);
    mpris.start();
    return app.exec();
}
