#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Windows-1252 code points for the bytes 0x80 to 0x9F; the five bytes the
// code page leaves undefined map to the C1 control of the same value.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isValidUtf8(const unsigned char* s, qsizetype n) {
    qsizetype i = 0;
    while (i < n) {
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n)
                return false;
            unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

namespace TextFile {

QString decodeLine(const char* data, qsizetype size) {
    auto s = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size && s[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(data, size);
    if (isValidUtf8(s + i, size - i))
        return QString::fromUtf8(data, size);
    QString out(size, Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype k = 0; k < size; ++k) {
        unsigned char c = s[k];
        d[k] = (c >= 0x80 && c < 0xA0) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return out;
}

bool readAll(const QString& path, QByteArray& out) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    out = f.readAll();
    return f.error() == QFileDevice::NoError;
}

bool writeAtomically(const QString& path, const QByteArray& data) {
    if (path.isEmpty())
        return false;
    // A file marked read-only is not replaced, also for a user whom the
    // system would let write it anyway.
    QFileInfo info(path);
    constexpr auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() &&
        (!info.isFile() || !info.isWritable() || !(info.permissions() & writeBits)))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(data) != data.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace TextFile
