#pragma once

#include <QProcess>
#include <QTemporaryDir>

// Hears what the program plays: a private sound server (PulseAudio) with a
// null sink, made the process's server, and a recording of that sink.
class Listener {
public:
    static constexpr int kRate = 44100;

    Listener();
    ~Listener();

    // Empty when the server runs; otherwise why not.
    QString error() const { return m_error; }

    void startRecording();
    // 16-bit mono samples at kRate.
    QByteArray stopRecording();

    // Stretches of the recording in which one of the frequencies sounds,
    // in order, in seconds from the recording's start.
    struct Tone {
        double frequency;
        double start;
        double end;
        double length() const { return end - start; }
    };
    static QList<Tone> tones(const QByteArray& pcm, const QList<double>& frequencies);

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_recorder;
    QString m_socket;
    QString m_error;
};
