#include "Listener.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cmath>

Listener::Listener() {
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
        m_error = QStringLiteral("pulseaudio and parec are not installed");
        return;
    }
    m_socket = m_dir.path() + QStringLiteral("/native");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_dir.path());
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(
        QStringLiteral("pulseaudio"),
        {"--daemonize=no", "-n", "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm",
         "--load=module-null-sink sink_name=heard rate=44100",
         QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + m_socket});
    const QDeadlineTimer deadline(20000);
    while (!QFileInfo::exists(m_socket) && !deadline.hasExpired() &&
           m_server.state() != QProcess::NotRunning)
        QThread::msleep(20);
    if (!QFileInfo::exists(m_socket)) {
        m_server.waitForFinished(100);
        m_error = QStringLiteral("the sound server did not start: ") +
                  QString::fromLocal8Bit(m_server.readAll());
        return;
    }
    qputenv("PULSE_SERVER", QByteArray("unix:") + m_socket.toLocal8Bit());
}

Listener::~Listener() {
    if (m_recorder.state() != QProcess::NotRunning)
        stopRecording();
    m_server.terminate();
    m_server.waitForFinished(5000);
}

void Listener::startRecording() {
    m_recorder.start(QStringLiteral("parec"),
                     {"-d", "heard.monitor", "--format=s16le", "--rate=44100", "--channels=1",
                      "--raw", "--latency-msec=10"});
    m_recorder.waitForStarted();
}

QByteArray Listener::stopRecording() {
    m_recorder.terminate();
    m_recorder.waitForFinished(5000);
    return m_recorder.readAllStandardOutput();
}

QList<Listener::Tone> Listener::tones(const QByteArray& pcm, const QList<double>& frequencies) {
    // 5 ms windows; in each, the loudest of the frequencies (Goertzel), or
    // silence.
    constexpr int kWindow = kRate / 200;
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    QList<Tone> out;
    for (qsizetype at = 0; at + kWindow <= count; at += kWindow) {
        double energy = 0;
        for (int i = 0; i < kWindow; ++i)
            energy += double(samples[at + i]) * samples[at + i];
        double best = -1;
        double bestPower = 0;
        if (std::sqrt(energy / kWindow) > 300) {
            for (double f : frequencies) {
                const double k = 2 * std::cos(2 * M_PI * f / kRate);
                double s1 = 0, s2 = 0;
                for (int i = 0; i < kWindow; ++i) {
                    const double s0 = samples[at + i] + k * s1 - s2;
                    s2 = s1;
                    s1 = s0;
                }
                const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
                if (power > bestPower)
                    bestPower = power, best = f;
            }
        }
        const double t = double(at) / kRate;
        if (best < 0)
            continue;
        if (!out.isEmpty() && out.last().frequency == best &&
            t - out.last().end < 0.5 * kWindow / kRate)
            out.last().end = t + double(kWindow) / kRate;
        else
            out.append({best, t, t + double(kWindow) / kRate});
    }
    return out;
}
