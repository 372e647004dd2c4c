#include "core/playlist/M3uFormat.h"

#include "core/files/TextFile.h"
#include "core/playlist/PathNames.h"

#include <QDir>
#include <QUrl>

#include <algorithm>

namespace M3uFormat {

namespace {

bool isSchemeStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isSchemeChar(char16_t c) {
    return isSchemeStart(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

// The length of the scheme in front of "://", or 0 when there is none.
template <typename Char> qsizetype schemeLength(const Char* p, qsizetype n) {
    if (n < 4 || !isSchemeStart(char16_t(p[0])))
        return 0;
    qsizetype i = 1;
    while (i < n && isSchemeChar(char16_t(p[i])))
        ++i;
    if (i + 3 > n || p[i] != ':' || p[i + 1] != '/' || p[i + 2] != '/')
        return 0;
    return i;
}

bool isKeptAsIs(const QString& entry) {
    return entry.startsWith(u'/') || (entry.size() >= 2 && entry.at(1) == u':') || hasScheme(entry);
}

bool isBlank(const char* p, qsizetype n) {
    return std::all_of(p, p + n, [](char c) { return c == ' ' || c == '\t'; });
}

// The folder of the list file as an absolute path, as given (not tidied).
QString listFolder(const QString& listPath) {
    QString full = listPath;
    if (!full.startsWith(u'/'))
        full = PathNames::join(QDir::currentPath(), listPath);
    const qsizetype cut = full.lastIndexOf(u'/');
    return cut <= 0 ? QStringLiteral("/") : full.left(cut);
}

} // namespace

bool hasScheme(const QString& text) {
    return schemeLength(text.utf16(), text.size()) > 0;
}

QString absoluteEntry(const QString& entry) {
    if (entry.isEmpty() || isKeptAsIs(entry))
        return entry;
    return PathNames::join(QDir::currentPath(), entry);
}

QByteArray render(const QStringList& entries, bool relative, bool addSequence) {
    qsizetype expected = 16;
    for (const QString& e : entries)
        expected += 2 * e.size() + 16;
    TextFile::Utf8Text out(expected);
    out << QLatin1StringView("#EXTM3U\r\n");
    QString currentFolder; // looked up once, for the first relative entry
    int n = 0;
    for (const QString& text : entries) {
        ++n;
        const QString entry = PathNames::lineSafe(text);
        const QStringView name = PathNames::fileNameView(entry);
        // -1: the length is not known.
        out << QLatin1StringView("#EXTINF:-1,") << PathNames::titleView(name)
            << QLatin1StringView("\r\n");
        if (!relative) {
            if (entry.isEmpty() || isKeptAsIs(entry)) {
                out << entry;
            } else {
                if (currentFolder.isEmpty())
                    currentFolder = QDir::currentPath();
                out << PathNames::join(currentFolder, entry);
            }
        } else {
            if (addSequence)
                out << PathNames::sequenceNumber(n) << QLatin1StringView("-");
            out << name;
        }
        out << QLatin1StringView("\r\n");
    }
    return out.take();
}

namespace {

QStringList parseLines(TextFile::Lines& lines, const QString& listPath, int maxEntries) {
    QStringList out;
    if (maxEntries <= 0)
        return out;
    // An #EXTINF line and its path line take some 40 bytes at the least.
    out.reserve(qsizetype(std::min<qint64>(maxEntries, lines.size() / 40 + 1)));
    QString folder; // looked up once, for the first relative line
    QByteArrayView line;
    while (out.size() < maxEntries && lines.next(line)) {
        const char* p = line.data();
        const qsizetype n = line.size();
        if (n == 0 || p[0] == '#' || isBlank(p, n))
            continue;
        if (p[0] == '/' && PathNames::isPlainEntry(line)) {
            out.append(QString::fromLatin1(line));
            continue;
        }
        QString entry = TextFile::decodeLine(p, n);
        const qsizetype scheme = schemeLength(p, n);
        if (p[0] == '/' || (entry.size() >= 2 && entry.at(1) == u':')) {
            // a full path, as it stands
        } else if (scheme == 4 && qstrnicmp(p, "file", 4) == 0) {
            // A file:// address becomes its path, unless the path would hold
            // a control character (an encoded line feed): then the address
            // stays.
            QString local = QUrl(entry).toLocalFile();
            if (!local.isEmpty() && !PathNames::hasControl(local))
                entry = std::move(local);
        } else if (scheme == 0) {
            if (folder.isEmpty())
                folder = listFolder(listPath);
            entry = PathNames::join(folder, entry);
        }
        if (PathNames::isAcceptableEntry(entry))
            out.append(std::move(entry));
    }
    return out;
}

} // namespace

QStringList parse(const QByteArray& bytes, const QString& listPath, int maxEntries) {
    TextFile::Lines lines(bytes);
    return parseLines(lines, listPath, maxEntries);
}

bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence) {
    return TextFile::writeAtomically(path, render(entries, relative, addSequence));
}

QStringList read(const QString& listPath, int maxEntries) {
    TextFile::Lines lines(listPath, kMaxFileSize);
    QStringList out = parseLines(lines, listPath, maxEntries);
    return lines.failed() ? QStringList() : out;
}

} // namespace M3uFormat
