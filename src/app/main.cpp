#include "AppState.h"
#include "Version.h"
#include "desktop/MprisService.h"
#include "frmFiles.h"
#include "platform/QtDialogs.h"

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
    main.watchSessionEnd();
    main.Form_Load();
    if (main.windowState() & Qt::WindowMinimized)
        main.showMinimized();
    else
        main.show();
    // The decoder library loads beside the window once it is up (so that the
    // two do not share the processor while it opens), ready for the first
    // song; an idle program keeps only the part of it that loading wrote.
    QTimer::singleShot(250, [] { MediaEngine::preload(); });
    // The desktop's media controls; without a session bus there are none.
    MprisService mpris(
        main.playback(),
        [&main] {
            if (main.isMinimized())
                main.showNormal();
            else
                main.show();
            main.raise();
            main.activateWindow();
        },
        [&main] { main.close(); });
    mpris.start();
    return app.exec();
}
