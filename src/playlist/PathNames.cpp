#include "PathNames.h"

#include <QUrl>

namespace PathNames {

namespace {

bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

QString fileName(const QString& path) {
    qsizetype cut = path.lastIndexOf(u'/');
#ifdef Q_OS_WIN
    cut = std::max(cut, path.lastIndexOf(u'\\'));
#endif
    return cut < 0 ? path : path.mid(cut + 1);
}

QString title(const QString& fileName) {
    if (fileName.size() < 4)
        return fileName;
    return fileName.left(fileName.size() - 4);
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

bool hasControl(QStringView text) {
    for (QChar c : text) {
        if (isControl(c.unicode()))
            return true;
    }
    return false;
}

bool isAcceptableEntry(QStringView text) {
    // Every UTF-16 unit takes at least one byte in UTF-8.
    if (text.size() > kMaxEntryBytes)
        return false;
    qsizetype bytes = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (isControl(u))
            return false;
        // A surrogate pair makes four bytes, two for each half.
        bytes += u < 0x80 ? 1 : u < 0x800 || c.isSurrogate() ? 2 : 3;
    }
    return bytes <= kMaxEntryBytes;
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
