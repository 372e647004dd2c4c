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
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

void fourcc(QByteArray& out, const char* code) {
    out.append(code, 4);
}

void set32(QByteArray& out, qsizetype at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xff);
}

// Opens a RIFF chunk or list; returns where its size goes.
qsizetype openChunk(QByteArray& out, const char* id, const char* listType = nullptr) {
    fourcc(out, id);
    const qsizetype at = out.size();
    put32(out, 0);
    if (listType)
        fourcc(out, listType);
    return at;
}

void closeChunk(QByteArray& out, qsizetype at) {
    set32(out, at, uint32_t(out.size() - at - 4));
    if (out.size() % 2)
        out.append('\0');
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

Tones::Tones() = default;

QByteArray Tones::wavBytes(double seconds, double frequency, int sampleRate) {
    const auto samples = uint32_t(std::lround(seconds * sampleRate));
    const uint32_t dataBytes = samples * 2;
    QByteArray out;
    out.reserve(44 + qsizetype(dataBytes));
    fourcc(out, "RIFF");
    put32(out, 36 + dataBytes);
    fourcc(out, "WAVE");
    fourcc(out, "fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, uint32_t(sampleRate));
    put32(out, uint32_t(sampleRate) * 2);
    put16(out, 2);
    put16(out, 16);
    fourcc(out, "data");
    put32(out, dataBytes);
    for (uint32_t i = 0; i < samples; ++i) {
        const double v = 0.5 * std::sin(2 * std::numbers::pi * frequency * i / sampleRate);
        put16(out, uint16_t(int16_t(std::lround(v * 32767))));
    }
    return out;
}

QByteArray Tones::aviBytes(const QColor& colour, int frames, int fps, int width, int height) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const auto frameBytes = uint32_t(rowBytes * height);
    QByteArray frame(qsizetype(frameBytes), '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            char* px = frame.data() + y * rowBytes + x * 3;
            px[0] = char(colour.blue());
            px[1] = char(colour.green());
            px[2] = char(colour.red());
        }
    }

    QByteArray out;
    const qsizetype riff = openChunk(out, "RIFF", "AVI ");
    const qsizetype hdrl = openChunk(out, "LIST", "hdrl");

    const qsizetype avih = openChunk(out, "avih");
    put32(out, uint32_t(1000000 / fps)); // microseconds per frame
    put32(out, frameBytes * uint32_t(fps));
    put32(out, 0);
    put32(out, 0x10); // has an index
    put32(out, uint32_t(frames));
    put32(out, 0);
    put32(out, 1); // streams
    put32(out, frameBytes);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    closeChunk(out, avih);

    const qsizetype strl = openChunk(out, "LIST", "strl");
    const qsizetype strh = openChunk(out, "strh");
    fourcc(out, "vids");
    fourcc(out, "DIB ");
    put32(out, 0); // flags
    put16(out, 0); // priority
    put16(out, 0); // language
    put32(out, 0); // initial frames
    put32(out, 1); // scale
    put32(out, uint32_t(fps));
    put32(out, 0); // start
    put32(out, uint32_t(frames));
    put32(out, frameBytes);
    put32(out, 0xffffffffu); // quality
    put32(out, 0);           // sample size
    put16(out, 0);
    put16(out, 0);
    put16(out, uint16_t(width));
    put16(out, uint16_t(height));
    closeChunk(out, strh);

    const qsizetype strf = openChunk(out, "strf");
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height)); // bottom-up rows
    put16(out, 1);
    put16(out, 24);
    put32(out, 0); // uncompressed
    put32(out, frameBytes);
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    closeChunk(out, strf);
    closeChunk(out, strl);
    closeChunk(out, hdrl);

    const qsizetype movi = openChunk(out, "LIST", "movi");
    const qsizetype moviData = movi + 4; // offsets in the index count from "movi"
    QList<uint32_t> offsets;
    for (int i = 0; i < frames; ++i) {
        offsets.append(uint32_t(out.size() - moviData));
        const qsizetype chunk = openChunk(out, "00db");
        out.append(frame);
        closeChunk(out, chunk);
    }
    closeChunk(out, movi);

    const qsizetype idx1 = openChunk(out, "idx1");
    for (uint32_t offset : offsets) {
        fourcc(out, "00db");
        put32(out, 0x10); // key frame
        put32(out, offset);
        put32(out, frameBytes);
    }
    closeChunk(out, idx1);
    closeChunk(out, riff);
    return out;
}

QString Tones::tone(const QString& name, double seconds, double frequency, int sampleRate) {
    const QString p = path(name);
    return writeFile(p, wavBytes(seconds, frequency, sampleRate)) ? p : QString();
}

QString Tones::video(const QString& name, const QColor& colour, int frames, int fps, int width,
                     int height) {
    const QString p = path(name);
    return writeFile(p, aviBytes(colour, frames, fps, width, height)) ? p : QString();
}

QString Tones::file(const QString& name, const QByteArray& bytes) {
    const QString p = path(name);
    return writeFile(p, bytes) ? p : QString();
}

bool Tones::encode(const QString& path, const QStringList& options, double seconds) {
    const QString tone = QStringLiteral("sine=sample_rate=8000:duration=%1").arg(seconds);
    // Bit-exact: no encoder name among the tags.
    const QStringList args = {"-v", "error", "-nostdin", "-y",        "-f",     "lavfi",
                              "-i", tone,    "-fflags",  "+bitexact", "-flags", "+bitexact"};
    return QProcess::execute(QStringLiteral("ffmpeg"), args + options + QStringList{path}) == 0;
}
