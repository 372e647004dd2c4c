#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

// One running copy of the program per user and display. A later launch
// hands its files over a local socket to the copy that runs and ends; the
// running copy takes them as its own command line.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // socketPath: the socket the copies of one user on one display share.
    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);

    enum class Start {
        First,      // no copy was running: this one now answers later launches
        HandedOver, // a running copy has the files: this one ends
        Alone,      // neither could be done: this one runs on its own
    };
    // Hands files (possibly none) to the running copy, or becomes the one
    // that later launches find. timeoutMs bounds each wait for the other copy.
    Start start(const QStringList& files, int timeoutMs = 5000);

    // The display the windows go to, as a name fit for a file: the Wayland
    // or X display for those platforms, the platform's name for others.
    static QString displayName(const QString& platformName);
    // The socket in the user's runtime folder for that display.
    static QString socketPath(const QString& displayName);

signals:
    // A later launch's files, already absolute; empty when it was started
    // without any. The launch is answered once the handlers return.
    void filesArrived(const QStringList& files);

private:
    bool handOver(const QStringList& files, int timeoutMs);
    void takeConnection();

    QString m_socketPath;
    QLocalServer m_server;
};

// The files named by the program's arguments, in their order: double quotes
// at the ends removed as a Windows-style launcher may leave them, a file: URL
// made a path, a relative name made absolute against currentFolder, other
// addresses (http://...) kept as given, empty arguments left out.
QStringList commandLineFiles(const QStringList& arguments, const QString& currentFolder);
