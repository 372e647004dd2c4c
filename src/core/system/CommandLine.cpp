#include "core/system/CommandLine.h"

#include "core/Version.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlaylistFiles.h"

#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

QStringList commandLineFiles(const QStringList& arguments, const QString& currentFolder) {
    QStringList files;
    files.reserve(arguments.size());
    for (const QString& argument : arguments) {
        QString name = PlaylistFiles::removeQuotes(argument);
        if (name.isEmpty())
            continue;
        if (name.startsWith(QLatin1String("file:"))) {
            const QUrl url(name);
            if (url.isLocalFile())
                name = url.toLocalFile();
        }
        if (!name.startsWith(u'/') && !M3uFormat::hasScheme(name))
            name = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(name));
        files << name;
    }
    return files;
}

namespace {

QString usage() {
    return QStringLiteral(
        "Usage: jukora [options] [file or folder...]\n"
        "A media player and playlist editor.\n"
        "\n"
        "Options:\n"
        "  -h, --help     Show this help and end.\n"
        "  -v, --version  Show the version and end.\n"
        "  --             Take every later argument as a file, even one that\n"
        "                 starts with \"-\".\n"
        "\n"
        "Arguments:\n"
        "  file or folder  Songs, playlists (.pls, .m3u) and folders: they replace\n"
        "                  the playlist, which starts playing. A running Jukora\n"
        "                  takes them instead.\n");
}

} // namespace

Launch readLaunch(const QStringList& arguments, const QString& currentFolder) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    // Qt's own options, which the application object takes: known here so
    // that they are neither refused nor taken as files.
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet", "session",
          "name", "title", "qmljsdebugger"}) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    Launch launch;
    if (!parser.parse(arguments.isEmpty() ? QStringList{QStringLiteral("jukora")} : arguments)) {
        launch.action = Launch::Action::Refused;
        launch.text = QStringLiteral("jukora: ") + parser.errorText() + u'\n' + usage();
    } else if (parser.isSet(help)) {
        launch.action = Launch::Action::Help;
        launch.text = usage();
    } else if (parser.isSet(version)) {
        launch.action = Launch::Action::Version;
        launch.text = QStringLiteral("jukora %1\n").arg(Version::text());
    } else {
        launch.files = commandLineFiles(parser.positionalArguments(), currentFolder);
        launch.platform = parser.value(QStringLiteral("platform"));
    }
    return launch;
}

QString missingDisplay(const QString& platform, const QString& display,
                       const QString& waylandDisplay) {
    const QString name = platform.section(u':', 0, 0);
    const bool looksForOne = name.isEmpty() || name == u"xcb" || name.startsWith(u"wayland");
    if (!looksForOne || !display.isEmpty() || !waylandDisplay.isEmpty())
        return QString();
    return QStringLiteral("jukora: no display; set DISPLAY or WAYLAND_DISPLAY\n");
}
