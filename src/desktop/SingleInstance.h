#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
class QTimer;

// One running copy of the program per user and display. A later launch
// hands its files over a local socket to the copy that runs and ends; the
// running copy takes them as its own command line.
//
// A hand-over is one message: "JKF2", the length of the rest (both 32-bit,
// big-endian), then each file's name in UTF-8 ended by a NUL. It is answered
// with one byte as soon as it has arrived whole; the files are handled after
// that, from the event loop.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // socketPath: the socket the copies of one user on one display share.
    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Start {
        First,      // no copy was running: this one now answers later launches
        HandedOver, // a running copy has the files: this one ends
        Alone,      // neither could be done: this one runs on its own
    };
    // Hands files (possibly none) to the running copy, or becomes the one
    // that later launches find. timeoutMs bounds each wait for the other copy.
    Start start(const QStringList& files, int timeoutMs = 5000);
    // Hands files to the copy that answers on the socket; false when none
    // answers in time.
    bool handOver(const QStringList& files, int timeoutMs);

    // The launches answered at once; beyond them, the one held longest is
    // dropped.
    static constexpr int kMaxConnections = 16;
    // The longest message: 32,767 names of 4,095 bytes and their NULs.
    static constexpr qint64 kMaxMessage = qint64(32767) * 4096;
    // A launch that sends nothing for this long is dropped.
    void setIdleTimeout(int ms) { m_idleMs = ms; }
    // The launches connected at this moment.
    int connectionCount() const { return int(m_connections.size()); }

    // The message that hands these files over, and the files of a message's
    // body (what follows its 8 bytes of head); nothing for a body that is not
    // one.
    static QByteArray message(const QStringList& files);
    static std::optional<QStringList> parseBody(QByteArrayView body);

    // The display the windows go to, as a name fit for a file: the Wayland
    // or X display for those platforms, the platform's name for others.
    static QString displayName(const QString& platformName);
    // The socket in the user's runtime folder for that display.
    static QString socketPath(const QString& displayName);

signals:
    // A later launch's files, already absolute; empty when it was started
    // without any. Always emitted from the event loop, after the launch has
    // been answered.
    void filesArrived(const QStringList& files);

private:
    struct Connection;

    bool listen();
    void acceptPending();
    void read(Connection* c);
    void drop(Connection* c);

    QString m_socketPath;
    int m_listener = -1;
    quint64 m_socketInode = 0;
    QSocketNotifier* m_notifier = nullptr;
    // After a failed accept (no descriptors left), the next try.
    QTimer* m_retry = nullptr;
    int m_idleMs = 10000;
    std::vector<std::unique_ptr<Connection>> m_connections;
};
