#include "core/files/FolderListing.h"

#include "core/playlist/NaturalOrder.h"

#include "core/playlist/PathNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

bool sameChar(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Wildcard match of a whole name: "*" any run, "?" any one character.
bool wildcardMatch(QStringView pattern, QStringView name) {
    qsizetype p = 0, n = 0;
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || sameChar(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// The names of a folder's entries of one kind, hidden ones left out.
QStringList namesIn(const QString& folder, QDir::Filters kind, const FilePattern& pattern) {
    QStringList names;
    QDirIterator it(folder, kind);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (!name.startsWith(u'.') && pattern.matches(name))
            names.append(name);
    }
    return NaturalOrder::sorted(names);
}

} // namespace

FilePattern::FilePattern(const QString& pattern) {
    for (const QString& piece : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString part = piece.trimmed();
        if (part.isEmpty())
            continue;
        if (part == QLatin1String("*") || part == QLatin1String("*.*"))
            m_all = true;
        m_parts.append(part);
    }
    if (m_parts.isEmpty())
        m_all = true;
}

bool FilePattern::matches(QStringView name) const {
    if (m_all)
        return true;
    for (const QString& part : m_parts) {
        if (wildcardMatch(part, name))
            return true;
    }
    return false;
}

namespace FolderListing {

std::optional<QStringList> files(const QString& folder, const FilePattern& pattern) {
    if (!QFileInfo(folder).isDir())
        return std::nullopt;
    return namesIn(folder, QDir::Files, pattern);
}

std::optional<std::vector<Entry>> folders(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable())
        return std::nullopt;

    std::vector<Entry> entries;
    // The chain: "/", then each component down to the folder itself.
    entries.push_back({QStringLiteral("/"), QStringLiteral("/"), 0, true});
    QString at;
    for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
        at += u'/' + part;
        entries.push_back({at, part, int(entries.size()), true});
    }
    const int childDepth = int(entries.size());
    const QStringList names = namesIn(folder, QDir::Dirs | QDir::NoDotAndDotDot, FilePattern());
    entries.reserve(entries.size() + size_t(names.size()));
    for (const QString& name : names)
        entries.push_back({PathNames::join(folder, name), name, childDepth, false});
    return entries;
}

} // namespace FolderListing
