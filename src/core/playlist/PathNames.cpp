#include "core/playlist/PathNames.h"

#include <algorithm>

#include <QUrl>

#include <cstring>

namespace PathNames {

namespace {

bool isControl(char16_t c) {
    return c < 0x20 || char16_t(c - 0x7F) <= 0x9F - 0x7F;
}

} // namespace

QString fileName(const QString& path) {
    const QStringView name = fileNameView(path);
    return name.size() == path.size() ? path : name.toString();
}

QStringView fileNameView(QStringView path) {
    // The name is short and at the end: a plain loop from there.
    qsizetype start = path.size();
    while (start > 0 && path[start - 1] != u'/'
#ifdef Q_OS_WIN
           && path[start - 1] != u'\\'
#endif
    )
        --start;
    return path.sliced(start);
}

QStringView titleView(QStringView fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? fileName.first(dot) : fileName;
}

QString sequenceNumber(int n) {
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

QString join(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/'))
        return folder + name;
#ifdef Q_OS_WIN
    if (folder.endsWith(u'\\'))
        return folder + name;
    return folder + u'\\' + name;
#else
    return folder + u'/' + name;
#endif
}

TextScan scanText(QStringView text) {
    // Whole numbers and no early exit: the loop runs on whole vectors.
    const char16_t* p = text.utf16();
    unsigned control = 0, surrogate = 0, extraBytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const unsigned c = p[i];
        control |= (c < 0x20u) | (c - 0x7Fu < 0x21u);
        surrogate |= (c & 0xF800u) == 0xD800u;
        // Two bytes from U+0080, three from U+0800; a surrogate pair makes
        // four, two for each half.
        extraBytes += (c >= 0x80u) + ((c >= 0x800u) & ((c & 0xF800u) != 0xD800u));
    }
    return {control != 0, surrogate != 0, text.size() + extraBytes};
}

bool isAcceptableEntry(QStringView text) {
    // Every UTF-16 unit takes at least one byte in UTF-8.
    if (text.size() > kMaxEntryBytes)
        return false;
    const TextScan scan = scanText(text);
    if (scan.control || scan.utf8Size > kMaxEntryBytes)
        return false;
    // A surrogate without its other half is no character a name can hold.
    for (qsizetype i = 0; scan.surrogate && i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    return true;
}

bool isPlainEntry(QByteArrayView bytes) {
    if (bytes.size() > kMaxEntryBytes)
        return false;
    // Eight bytes at a time: in w + 0x01 each, a byte from 0x7F up to 0xFE
    // has its top bit set; in w - 0x20 each, a byte below 0x20 or of 0xFF.
    // A carry or borrow crosses into the next byte only from a byte out of
    // range, so any top bit set means there is one.
    constexpr quint64 kOnes = 0x0101010101010101u;
    constexpr quint64 kTops = 0x8080808080808080u;
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    quint64 out = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, p + i, 8);
        out |= ((w + kOnes) | (w - 0x20 * kOnes)) & kTops;
    }
    for (; i < n; ++i) {
        const auto c = quint8(p[i]);
        out |= (c < 0x20 || c > 0x7E) ? 1 : 0;
    }
    return out == 0;
}

QString entryForLocalPath(const QString& path) {
    const QString entry = hasControl(path) ? lineSafe(path) : path;
    return isAcceptableEntry(entry) ? entry : QString();
}

QString lineSafe(const QString& entry) {
    if (!hasControl(entry))
        return entry;
    if (entry.startsWith(u'/'))
        return QUrl::fromLocalFile(entry).toString(QUrl::FullyEncoded);
    QString out;
    for (QChar c : entry) {
        if (!isControl(c.unicode())) {
            out += c;
            continue;
        }
        for (char byte : QString(c).toUtf8())
            out += QStringLiteral("%%1").arg(uchar(byte), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

} // namespace PathNames
