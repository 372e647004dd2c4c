#include "desktop/SingleInstance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The first word of a hand-over; a message without it is dropped.
constexpr quint32 kMagic = 0x4a4b4632; // "JKF2"
constexpr qsizetype kHead = 8;
constexpr char kTaken = '\1';
// The wait before accepting again when no descriptor was left for it.
constexpr int kRetryMs = 200;

// A read from a launch takes at most this much at a time.
constexpr qsizetype kChunk = 64 * 1024;

bool socketAddress(const QString& socketPath, sockaddr_un& address) {
    const QByteArray path = QFile::encodeName(socketPath);
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Waits until fd is ready for events, or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p = {fd, events, 0};
        const int r = ::poll(&p, 1, int(std::min<qint64>(deadline.remainingTime(), 1 << 30)));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
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

struct SingleInstance::Connection {
    int fd = -1;
    QSocketNotifier* notifier = nullptr; // the idle timer is its child
    QTimer* idle = nullptr;
    QByteArray data;    // the message as far as it has come
    qint64 length = -1; // of the body, once the head has arrived
};

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    for (auto& c : m_connections) {
        delete c->notifier;
        ::close(c->fd);
    }
    if (m_listener < 0)
        return;
    delete m_notifier;
    ::close(m_listener);
    // The socket goes with the copy that made it, not one made there since.
    const QByteArray path = QFile::encodeName(m_socketPath);
    struct stat st;
    if (::lstat(path.constData(), &st) == 0 && st.st_ino == m_socketInode)
        ::unlink(path.constData());
}

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

QByteArray SingleInstance::message(const QStringList& files) {
    QByteArray out(kHead, '\0');
    for (const QString& f : files)
        out += f.toUtf8() + '\0';
    qToBigEndian<quint32>(kMagic, out.data());
    qToBigEndian<quint32>(quint32(out.size() - kHead), out.data() + 4);
    return out;
}

std::optional<QStringList> SingleInstance::parseBody(QByteArrayView body) {
    QStringList files;
    if (body.isEmpty())
        return files;
    if (body.size() > kMaxMessage || body.back() != '\0')
        return std::nullopt;
    qsizetype from = 0;
    while (from < body.size()) {
        const qsizetype nul = body.indexOf('\0', from);
        files << QString::fromUtf8(body.sliced(from, nul - from));
        from = nul + 1;
    }
    return files;
}

SingleInstance::Start SingleInstance::start(const QStringList& files, int timeoutMs) {
    // Two launches at the same moment: the lock lets one of them become the
    // running copy before the other looks for it.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.tryLock(timeoutMs);
    if (handOver(files, timeoutMs))
        return Start::HandedOver;
    return listen() ? Start::First : Start::Alone;
}

bool SingleInstance::handOver(const QStringList& files, int timeoutMs) {
    sockaddr_un address;
    if (!socketAddress(m_socketPath, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    // A running copy whose queue of launches is full makes this one wait.
    bool connected = false;
    while (!connected) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            connected = true;
        } else if (errno != EINTR && (errno != EAGAIN || deadline.hasExpired())) {
            break;
        } else if (errno == EAGAIN) {
            QThread::msleep(5);
        }
    }
    const QByteArray bytes = message(files);
    qsizetype sent = 0;
    while (connected && sent < bytes.size()) {
        // Each wait for room has the whole time, as each read of the other
        // copy may be slow.
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (errno != EINTR &&
                   (errno != EAGAIN || !waitFor(fd, POLLOUT, QDeadlineTimer(timeoutMs)))) {
            connected = false;
        }
    }
    // The running copy answers as soon as it has the files.
    if (connected)
        waitFor(fd, POLLIN, QDeadlineTimer(timeoutMs));
    ::close(fd);
    return connected;
}

bool SingleInstance::listen() {
    // The socket is made here rather than by QLocalServer, which stops
    // listening for good the first time an accept fails (no descriptor
    // left): this one waits a moment and goes on.
    sockaddr_un address;
    if (!socketAddress(m_socketPath, address))
        return false;
    const QByteArray path = QFile::encodeName(m_socketPath);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Nobody answered: a socket left there is one of a copy that has ended.
    ::unlink(path.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    struct stat st;
    m_socketInode = ::lstat(path.constData(), &st) == 0 ? st.st_ino : 0;
    m_listener = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptPending);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        m_notifier->setEnabled(true);
        acceptPending();
    });
    return true;
}

void SingleInstance::acceptPending() {
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors or memory: the connection waits in the
                // queue, and the next try comes after a pause rather than
                // at once and again.
                m_notifier->setEnabled(false);
                m_retry->start();
            }
            return;
        }
        // At the most connections, the one held longest makes room: a
        // launch sends its files at once, and a flood cannot keep it out.
        if (connectionCount() >= kMaxConnections)
            drop(m_connections.front().get());
        auto c = std::make_unique<Connection>();
        Connection* raw = c.get();
        c->fd = fd;
        c->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        c->idle = new QTimer(c->notifier);
        c->idle->setSingleShot(true);
        c->idle->start(m_idleMs);
        connect(c->idle, &QTimer::timeout, this, [this, raw] { drop(raw); });
        connect(c->notifier, &QSocketNotifier::activated, this, [this, raw] { read(raw); });
        m_connections.push_back(std::move(c));
        read(raw);
    }
}

void SingleInstance::read(Connection* c) {
    c->idle->start(m_idleMs);
    // All that has come, up to the end of the message: a launch that is
    // dropped then sees its connection end, not fail.
    bool ended = false;
    for (;;) {
        const qint64 wanted = (c->length < 0 ? kHead : kHead + c->length) - c->data.size();
        if (wanted <= 0)
            break;
        const qsizetype had = c->data.size();
        c->data.resize(had + std::min<qint64>(wanted, kChunk));
        const ssize_t n = ::recv(c->fd, c->data.data() + had, size_t(c->data.size() - had), 0);
        c->data.resize(had + std::max<ssize_t>(n, 0));
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
        if (c->length < 0 && c->data.size() >= kHead) {
            const qint64 length = qFromBigEndian<quint32>(c->data.constData() + 4);
            if (qFromBigEndian<quint32>(c->data.constData()) != kMagic || length > kMaxMessage) {
                drop(c);
                return;
            }
            c->length = length;
        }
    }
    if (c->length < 0 || c->data.size() < kHead + c->length) {
        if (ended)
            drop(c);
        return;
    }
    const std::optional<QStringList> files = parseBody(QByteArrayView(c->data).sliced(kHead));
    if (files)
        ::send(c->fd, &kTaken, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    drop(c);
    if (!files)
        return;
    // The files are handled once this notification has returned: their
    // handling may open a dialog, and nothing of it may run while a
    // connection is being read.
    QMetaObject::invokeMethod(
        this, [this, files = *files] { emit filesArrived(files); }, Qt::QueuedConnection);
}

void SingleInstance::drop(Connection* c) {
    const auto it = std::find_if(m_connections.begin(), m_connections.end(),
                                 [c](const auto& held) { return held.get() == c; });
    if (it == m_connections.end())
        return;
    std::unique_ptr<Connection> gone = std::move(*it);
    m_connections.erase(it);
    // Its notifier may be the one being handled.
    gone->notifier->setEnabled(false);
    gone->notifier->disconnect(this);
    gone->idle->disconnect(this);
    gone->notifier->deleteLater();
    ::close(gone->fd);
}
