#include "core/AppState.h"
#include "core/Version.h"
#include "core/system/AppPaths.h"
#include "core/system/CommandLine.h"
#include "core/system/HeapArenas.h"
#include "desktop/MprisService.h"
#include "desktop/SingleInstance.h"
#include "ui/common/QtDialogs.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QStringList>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

// The arguments as given, Qt's own (-platform and the like) among them.
QStringList argumentsOf(int argc, char* argv[]) {
    QStringList out;
    for (int i = 0; i < argc; ++i)
        out << QString::fromLocal8Bit(argv[i]);
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    useOneHeapArena();
    // Help, the version and a wrong option are answered without a window,
    // settings or the playlist.
    const Launch launch = readLaunch(argumentsOf(argc, argv), QDir::currentPath());
    if (launch.action != Launch::Action::Run) {
        const bool refused = launch.action == Launch::Action::Refused;
        std::fputs(launch.text.toLocal8Bit().constData(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    const QString noDisplay = missingDisplay(
        launch.platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : launch.platform,
        qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!noDisplay.isEmpty()) {
        std::fputs(noDisplay.toLocal8Bit().constData(), stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(Version::productName());
    QApplication::setApplicationVersion(Version::text());
    QApplication::setDesktopFileName(QStringLiteral("jukora"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The media library reads numbers in the C locale.
    std::setlocale(LC_NUMERIC, "C");

    // A copy already running on this display takes the files, and this one
    // ends at once.
    const QStringList& launchFiles = launch.files;
    SingleInstance instance(
        SingleInstance::socketPath(SingleInstance::displayName(QApplication::platformName())));
    if (instance.start(launchFiles) == SingleInstance::Start::HandedOver)
        return 0;
    AppPaths::moveOldSettingsFile();

    AppState state;
    state.commandLine = launchFiles;

    QtMessageBoxes messages;
    QtFileDialogs files;
    QtShell shell;
    Platform platform{messages, files, shell};

    MainWindow main(state, platform);
    // From here on: a launch may come while the start-up shows a message.
    QObject::connect(&instance, &SingleInstance::filesArrived, &main, &MainWindow::openLaunchFiles);
    // A shutdown request ends every event loop, a dialog's too, once the
    // shutdown has saved.
    QObject::connect(&main, &MainWindow::sessionEnded, &app, [] { QCoreApplication::exit(0); });
    main.watchSessionEnd();
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
    // The start-up runs inside the event loop: a message it shows, and a
    // shutdown request that comes meanwhile, are handled as at any time.
    QTimer::singleShot(0, &main, [&main, &mpris] {
        main.load();
        if (main.windowState() & Qt::WindowMinimized)
            main.showMinimized();
        else
            main.show();
        // The decoder library loads beside the window once it is up (so
        // that the two do not share the processor while it opens), ready
        // for the first song; the desktop's media controls join then too
        // (the session bus's answers would hold the first picture up).
        QTimer::singleShot(250, &mpris, [&mpris] {
            MediaEngine::preload();
            mpris.start();
        });
    });
    return app.exec();
}
