#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The rules of the file list's pattern: one or more wildcard patterns
// separated by ";" ("*" any run of characters, "?" any one character),
// matched without regard to case. "*" and "*.*" match every name, names
// without a dot too; an empty pattern matches every name.
class FilePattern {
public:
    explicit FilePattern(const QString& pattern = QString());
    bool matchesAll() const { return m_all; }
    bool matches(QStringView name) const;

private:
    QStringList m_parts;
    bool m_all = false;
};

// What the browsing windows' file and folder lists show of a folder. Names
// are sorted without regard to case (names that differ only in case in code
// order); hidden names (starting with ".") are left out.
namespace FolderListing {

// The files of a folder that match the pattern; nothing when it is no
// folder.
std::optional<QStringList> files(const QString& folder, const FilePattern& pattern);

struct Entry {
    QString path;
    QString label;
    int depth;
    bool open; // the open folder or one of its ancestors
};

// The folder list of an open folder: "/", each ancestor down to the folder
// itself, then its subfolders; nothing when it is no folder that can be
// read.
std::optional<std::vector<Entry>> folders(const QString& folder);

} // namespace FolderListing
