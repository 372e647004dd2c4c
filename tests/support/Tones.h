#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Media files made on the spot: sine tones as PCM WAV and silent videos as
// uncompressed AVI, in a temporary folder that goes with the object.
class Tones {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString& name) const { return m_dir.path() + u'/' + name; }

    // A 16-bit mono tone of the given length; returns its path.
    QString tone(const QString& name, double seconds, double frequency = 440.0,
                 int sampleRate = 44100);
    // A video of one solid colour (0xRRGGBB), 24-bit BGR frames, no sound;
    // returns its path.
    QString video(const QString& name, quint32 rgb, int frames = 10, int fps = 10, int width = 64,
                  int height = 48);
    // Any bytes under any name; returns its path.
    QString file(const QString& name, const QByteArray& bytes);

    // A short tone encoded by ffmpeg into the format of path's ending, with
    // more of its options; false when ffmpeg failed.
    static bool encode(const QString& path, const QStringList& options, double seconds = 0.1);

    static QByteArray wavBytes(double seconds, double frequency, int sampleRate);
    static QByteArray aviBytes(quint32 rgb, int frames, int fps, int width, int height);

private:
    QTemporaryDir m_dir;
};
