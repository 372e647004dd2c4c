#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class QFileInfo;

// Text files of the program: written as UTF-8 through a temporary file that
// replaces the old one only when complete and on the disk; read whole, each
// line as UTF-8 when it is valid UTF-8 and as Windows-1252 otherwise, so that
// lists written by older systems read back.
namespace TextFile {

// The largest file read as a settings file, and the reads' default; the
// playlist files have limits of their own (PlsFormat, M3uFormat).
constexpr qint64 kMaxReadSize = 64 * 1024 * 1024;

// A file nobody may write, whoever runs the program (root could write it
// all the same): it is never replaced.
bool isMarkedReadOnly(const QFileInfo& info);

// Writes all of data to the open file descriptor, going on after a write
// that an interruption cut short; false when a write fails (a full disk).
bool writeWhole(int fd, const char* data, qsizetype size);

// Decodes one line (without its line end). A U+FEFF at its start is kept.
QString decodeLine(const char* data, qsizetype size);

// Text with a UTF-16 or UTF-32 byte-order mark as UTF-8 without the mark;
// any other text unchanged (and not copied).
QByteArray asUtf8(const QByteArray& bytes);

// The lines of a text, from bytes in memory or from a file read piece by
// piece (a list of 32,767 entries never sits in memory whole). CR LF, LF and
// CR alone each end a line; a byte-order mark at the very start is dropped
// (UTF-16 and UTF-32 text is read as UTF-8). A last line without a line end
// counts; an empty last line after the final line end does not.
class Lines {
public:
    explicit Lines(const QByteArray& bytes);
    // A regular file of at most maxSize bytes, as readAll() takes it; one
    // that cannot be read has no lines and failed() is true, also when it
    // fails after some lines. Each read asks for pieceSize bytes at most and
    // may get fewer (a network or FUSE file system).
    explicit Lines(const QString& path, qint64 maxSize = kMaxReadSize,
                   qsizetype pieceSize = 64 * 1024);
    ~Lines();
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    // The next line without its end, valid until the next call; false
    // after the last one.
    bool next(QByteArrayView& line);
    bool failed() const { return m_failed; }
    // The size of the text in bytes, as far as it is known at the start.
    qint64 size() const { return m_size; }

private:
    void start();
    bool fill();

    int m_fd = -1;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_scanned = 0;
    qint64 m_size = 0;
    qint64 m_read = 0;
    qint64 m_maxSize = 0;
    qsizetype m_piece = 0;
    bool m_end = true;
    bool m_failed = false;
};

// Calls f(const char* data, qsizetype size) for every line of the text, as
// Lines splits it.
template <typename F> void forEachLine(const QByteArray& bytes, F&& f) {
    Lines lines(bytes);
    QByteArrayView line;
    while (lines.next(line))
        f(line.data(), line.size());
}

// UTF-8 text built in one buffer, with no UTF-16 copy on the way.
class Utf8Text {
public:
    explicit Utf8Text(qsizetype expectedSize);
    Utf8Text& operator<<(QLatin1StringView ascii);
    Utf8Text& operator<<(QStringView text);
    Utf8Text& operator<<(int number);
    QByteArray take();

private:
    char* room(qsizetype bytes) {
        if (m_size + bytes > m_bytes.size())
            grow(bytes);
        return m_bytes.data() + m_size;
    }
    void grow(qsizetype bytes);

    QByteArray m_bytes;
    qsizetype m_size = 0;
};

// Opens a regular file of at most maxSize bytes for reading and gives its
// descriptor and size; -1 for a missing file, one that cannot be read, a
// larger one, a name holding a NUL (which no file has) and anything that is
// not a regular file, without waiting on it (a FIFO, a device, a folder).
int openRegular(const QString& path, qint64& size, qint64 maxSize = kMaxReadSize);

// Reads a whole regular file of at most maxSize bytes. A missing file, one
// that cannot be read, a larger one and anything that is not a regular file
// (a FIFO, a device, a folder) give false, without waiting on it.
bool readAll(const QString& path, QByteArray& out, qint64 maxSize = kMaxReadSize);

// Writes data to path through a temporary file beside it, in one write and
// synced to the disk, and renames it over the old file. A read-only file, a
// missing folder or a full disk give false, and the old file stays whole. A
// symbolic link stays, and so does every link of a chain: the file at its
// end is written (a loop of links fails). The temporaries of the same file
// that earlier saves, killed on their way, left beside it are removed.
bool writeAtomically(const QString& path, const QByteArray& data);

} // namespace TextFile
