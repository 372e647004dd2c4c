#include "PlsFormat.h"

#include "PathNames.h"
#include "platform/TextFile.h"

#include <algorithm>

namespace PlsFormat {

QByteArray render(const QStringList& entries, bool relative, bool addSequence) {
    QString out;
    qsizetype estimate = 16;
    for (const QString& e : entries)
        estimate += e.size() * 2 + 24;
    out.reserve(estimate);
    out += QLatin1String("\r\n[playlist]\r\n");
    int n = 0;
    for (const QString& text : entries) {
        ++n;
        const QString entry = PathNames::lineSafe(text);
        const QString number = QString::number(n);
        const QString name = PathNames::fileName(entry);
        out += QLatin1String("File");
        out += number;
        out += u'=';
        if (!relative) {
            out += entry;
        } else if (addSequence) {
            out += PathNames::sequenceNumber(n);
            out += u'-';
            out += name;
            out += QLatin1String("\r\n");
            continue;
        } else {
            out += name;
        }
        out += QLatin1String("\r\nTitle");
        out += number;
        out += u'=';
        out += PathNames::title(name);
        out += QLatin1String("\r\n");
    }
    out += QLatin1String("\r\n");
    return out.toUtf8();
}

namespace {

// True when the line's key (the text before its first "=") is "File" and
// digits; pos receives the position of the "=".
bool isFileKey(const char* p, qsizetype n, qsizetype& eq) {
    if (n < 6)
        return false;
    if ((p[0] | 0x20) != 'f' || (p[1] | 0x20) != 'i' || (p[2] | 0x20) != 'l' ||
        (p[3] | 0x20) != 'e')
        return false;
    qsizetype i = 4;
    while (i < n && p[i] >= '0' && p[i] <= '9')
        ++i;
    if (i == 4 || i >= n || p[i] != '=')
        return false;
    eq = i;
    return true;
}

} // namespace

QStringList parse(const QByteArray& bytes, int maxEntries) {
    QStringList out;
    // A File line and its Title line take some 60 bytes at the least.
    out.reserve(std::min<qsizetype>(maxEntries, bytes.size() / 60 + 1));
    TextFile::forEachLine(bytes, [&](const char* p, qsizetype n) {
        qsizetype eq = 0;
        if (out.size() >= maxEntries || !isFileKey(p, n, eq))
            return;
        QString entry = TextFile::decodeLine(p + eq + 1, n - eq - 1);
        if (PathNames::isAcceptableEntry(entry))
            out.append(std::move(entry));
    });
    return out;
}

bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence) {
    return TextFile::writeAtomically(path, render(entries, relative, addSequence));
}

QStringList read(const QString& path, int maxEntries) {
    QByteArray bytes;
    if (!TextFile::readAll(path, bytes))
        return {};
    return parse(bytes, maxEntries);
}

} // namespace PlsFormat
