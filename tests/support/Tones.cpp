#include "Tones.h"

#include <QFile>
#include <QProcess>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

void put16(QByteArray& out, uint16_t v) {
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, uint32_t v) {
    put16(out, uint16_t(v & 0xffff));
    put16(out, uint16_t(v >> 16));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// ffmpeg from one of its own sources into path, bit-exact (no encoder name
// among the tags).
bool ffmpeg(const QString& source, const QStringList& options, const QString& path) {
    const QStringList args = {"-v", "error", "-nostdin", "-y",        "-f",     "lavfi",
                              "-i", source,  "-fflags",  "+bitexact", "-flags", "+bitexact"};
    return QProcess::execute(QStringLiteral("ffmpeg"), args + options + QStringList{path}) == 0;
}

} // namespace

QByteArray Tones::wavBytes(double seconds, double frequency, int sampleRate) {
    const auto samples = uint32_t(std::lround(seconds * sampleRate));
    QByteArray out("RIFF");
    put32(out, 36 + samples * 2);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, uint32_t(sampleRate));
    put32(out, uint32_t(sampleRate) * 2);
    put16(out, 2);
    put16(out, 16);
    out.append("data");
    put32(out, samples * 2);
    for (uint32_t i = 0; i < samples; ++i) {
        const double v = 0.5 * std::sin(2 * std::numbers::pi * frequency * i / sampleRate);
        put16(out, uint16_t(int16_t(std::lround(v * 32767))));
    }
    return out;
}

QByteArray Tones::aviBytes(quint32 rgb, int frames, int fps, int width, int height) {
    Tones dir;
    const QString p = dir.video(QStringLiteral("v.avi"), rgb, frames, fps, width, height);
    QFile f(p);
    return !p.isEmpty() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Tones::tone(const QString& name, double seconds, double frequency, int sampleRate) {
    return file(name, wavBytes(seconds, frequency, sampleRate));
}

QString Tones::file(const QString& name, const QByteArray& bytes) {
    const QString p = path(name);
    return writeFile(p, bytes) ? p : QString();
}

QString Tones::video(const QString& name, quint32 rgb, int frames, int fps, int width, int height) {
    const QString p = path(name);
    const QString source =
        QStringLiteral("color=c=%1:s=%2x%3:r=%4")
            .arg(QStringLiteral("0x%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')))
            .arg(width)
            .arg(height)
            .arg(fps);
    const QStringList options = {
        "-frames:v", QString::number(frames), "-c:v", "rawvideo", "-pix_fmt", "bgr24"};
    return ffmpeg(source, options, p) ? p : QString();
}

bool Tones::encode(const QString& path, const QStringList& options, double seconds) {
    return ffmpeg(QStringLiteral("sine=sample_rate=8000:duration=%1").arg(seconds), options, path);
}
