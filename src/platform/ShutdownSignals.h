#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (logout, shutdown, kill), SIGINT and SIGHUP as a signal of the
// event loop. The handler itself only writes the number to a pipe; the
// program acts on it between two events, as on any other. A second signal
// of the same kind, while the first is handled, ends the process at once.
// One object at a time; its end gives the signals back their default action.
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
