#include "SingleInstance.h"

#include "playlist/M3uFormat.h"
#include "playlist/PlaylistFiles.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The first word of a hand-over; a message without it is dropped.
constexpr quint32 kMagic = 0x4a4b4631; // "JKF1"
constexpr char kTaken = '\1';

QDataStream& versioned(QDataStream& s) {
    s.setVersion(QDataStream::Qt_6_0);
    return s;
}

QString fileSafe(const QString& name) {
    QString out = name;
    for (QChar& c : out) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-' && c != u'_')
            c = u'_';
    }
    return out;
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)) {}

QString SingleInstance::displayName(const QString& platformName) {
    QString display;
    if (platformName.startsWith(QLatin1String("wayland"))) {
        display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    } else if (platformName == QLatin1String("xcb")) {
        display = qEnvironmentVariable("DISPLAY");
    }
    return fileSafe(display.isEmpty() ? platformName : display);
}

QString SingleInstance::socketPath(const QString& displayName) {
    // Private to the user: the runtime folder is theirs alone.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder + QStringLiteral("/jukora-") + displayName + QStringLiteral(".socket");
}

SingleInstance::Start SingleInstance::start(const QStringList& files, int timeoutMs) {
    // Two launches at the same moment: the lock lets one of them become the
    // running copy before the other looks for it.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.tryLock(timeoutMs);
    if (handOver(files, timeoutMs))
        return Start::HandedOver;
    // Nobody answers: a socket left there is one of a copy that has ended.
    QLocalServer::removeServer(m_socketPath);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_socketPath))
        return Start::Alone;
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (m_server.hasPendingConnections())
            takeConnection();
    });
    return Start::First;
}

bool SingleInstance::handOver(const QStringList& files, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    versioned(out) << kMagic << files;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs) && socket.bytesToWrite() > 0)
        return false;
    // The running copy answers once it has taken the files; a copy that
    // does not answer in time finds them when it gets to them.
    socket.waitForReadyRead(timeoutMs);
    return true;
}

void SingleInstance::takeConnection() {
    // The handlers of the files may open a dialog, in which the launch can
    // give up waiting and close its end: the socket may be gone after them.
    QPointer<QLocalSocket> socket = m_server.nextPendingConnection();
    if (!socket)
        return;
    auto read = [this, socket] {
        if (!socket)
            return;
        QDataStream in(socket);
        versioned(in);
        in.startTransaction();
        quint32 magic = 0;
        QStringList files;
        in >> magic >> files;
        if (!in.commitTransaction())
            return; // the rest is on its way
        if (magic != kMagic) {
            socket->abort();
            return;
        }
        emit filesArrived(files);
        if (!socket)
            return;
        socket->write(&kTaken, 1);
        socket->flush();
        socket->disconnectFromServer();
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0)
        read();
}

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
