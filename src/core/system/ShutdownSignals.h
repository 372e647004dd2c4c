#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (logout, shutdown, kill), SIGINT and SIGHUP as a signal of the
// event loop. The handler itself only writes the number to a pipe; the
// program acts on it between two events, as on any other. Every signal is
// reported, also one that comes while the program shuts down: none ends the
// process before its shutdown has saved. One object at a time; once it has
// gone they are ignored, as the process ends.
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
