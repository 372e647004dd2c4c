#pragma once

#include <QByteArray>
#include <QString>

#include <cstring>

// Text files of the program: written as UTF-8 through a temporary file that
// replaces the old one only when complete and on the disk; read whole, each
// line as UTF-8 when it is valid UTF-8 and as Windows-1252 otherwise, so that
// lists written by older systems read back.
namespace TextFile {

// The largest file read as a playlist or settings file.
constexpr qint64 kMaxReadSize = 64 * 1024 * 1024;

// Decodes one line (without its line end). A U+FEFF at its start is kept.
QString decodeLine(const char* data, qsizetype size);

// Text with a UTF-16 or UTF-32 byte-order mark as UTF-8 without the mark;
// any other text unchanged (and not copied).
QByteArray asUtf8(const QByteArray& bytes);

// Calls f(const char* data, qsizetype size) for every line of the text. CR LF,
// LF and CR alone each end a line; a byte-order mark at the very start is
// dropped (UTF-16 and UTF-32 text is read as UTF-8). A last line without a
// line end counts; an empty last line after the final line end does not.
template <typename F> void forEachLine(const QByteArray& bytes, F&& f) {
    const QByteArray text = asUtf8(bytes);
    const char* p = text.constData();
    const char* end = p + text.size();
    if (text.startsWith("\xEF\xBB\xBF"))
        p += 3;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* lineEnd = nl ? nl : end;
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(lineEnd - p)));
        if (cr) {
            f(p, qsizetype(cr - p));
            p = cr + 1 < end && cr[1] == '\n' ? cr + 2 : cr + 1;
            continue;
        }
        f(p, qsizetype(lineEnd - p));
        if (!nl)
            break;
        p = nl + 1;
    }
}

// Reads a whole regular file of at most maxSize bytes. A missing file, one
// that cannot be read, a larger one and anything that is not a regular file
// (a FIFO, a device, a folder) give false, without waiting on it.
bool readAll(const QString& path, QByteArray& out, qint64 maxSize = kMaxReadSize);

// Writes data to path through a temporary file beside it, synced to the disk,
// and renames it over the old file. A read-only file, a missing folder or a
// full disk give false, and the old file stays whole. A symbolic link stays
// and its target is replaced.
bool writeAtomically(const QString& path, const QByteArray& data);

} // namespace TextFile
