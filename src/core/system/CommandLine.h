#pragma once

#include <QString>
#include <QStringList>

// The files named by the program's arguments, in their order: double quotes
// at the ends removed as a Windows-style launcher may leave them, a file: URL
// made a path, a relative name made absolute against currentFolder, other
// addresses (http://...) kept as given, empty arguments left out.
QStringList commandLineFiles(const QStringList& arguments, const QString& currentFolder);

// What a launch asks for: its options read, its other arguments the files
// (after "--" every argument is a file, "-x.mp3" too).
struct Launch {
    enum class Action {
        Run,     // start (or hand the files to the running copy)
        Help,    // print the usage to standard output and end (0)
        Version, // print the version to standard output and end (0)
        Refused  // an unknown option: the reason and the usage to standard error (2)
    };
    Action action = Action::Run;
    QStringList files;
    // What to print: the usage, the version, or why the launch was refused.
    QString text;
    // The platform asked for with -platform, if any.
    QString platform;
};
// arguments as the process has them, the program's name first.
Launch readLaunch(const QStringList& arguments, const QString& currentFolder);

// Why the program cannot show a window here, from the environment: no
// display when Qt would look for an X or Wayland one and neither is named
// (empty when one is, or another platform is asked for).
QString missingDisplay(const QString& platform, const QString& display,
                       const QString& waylandDisplay);
