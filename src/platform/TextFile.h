#pragma once

#include <QByteArray>
#include <QString>

// Text files of the program: written as UTF-8 through a temporary file that
// replaces the old one only when complete; read line by line, each line as
// UTF-8 when it is valid UTF-8 and as Windows-1252 otherwise, so that lists
// written by older systems read back.
namespace TextFile {

// Decodes one line (without its line end).
QString decodeLine(const char* data, qsizetype size);

// Calls f(const char* data, qsizetype size) for every line of data. CR LF and
// LF both end a line; a UTF-8 byte-order mark at the very start is dropped.
// A last line without a line end counts; an empty last line after the final
// line end does not.
template <typename F> void forEachLine(const QByteArray& bytes, F&& f) {
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        p += 3;
    while (p < end) {
        const char* nl = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
        const char* lineEnd = nl ? nl : end;
        qsizetype n = lineEnd - p;
        if (n > 0 && p[n - 1] == '\r')
            --n;
        f(p, n);
        if (!nl)
            break;
        p = nl + 1;
    }
}

// Reads a whole file; false when it is missing or cannot be read.
bool readAll(const QString& path, QByteArray& out);

// Writes data to path through a temporary file beside it and renames it over
// the old file. A read-only file, a missing folder or a full disk give false,
// and the old file stays as it was.
bool writeAtomically(const QString& path, const QByteArray& data);

} // namespace TextFile
