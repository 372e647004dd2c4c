#pragma once

#include <QString>

// Names taken from playlist entries.
namespace PathNames {

// The last component of a path: the text after its last separator.
QString fileName(const QString& path);

// The file name without its last four characters (Song.mp3 gives Song). A
// name of fewer than four characters is its own title.
QString title(const QString& fileName);

// The play-order number: n with at least four digits, zero-padded (1 gives
// 0001, 12345 gives 12345).
QString sequenceNumber(int n);

// Joins a folder and a name with exactly one separator.
QString join(const QString& folder, const QString& name);

// The exact, case-sensitive test of a name's ending ("pls", "m3u", "html").
inline bool endsWith(const QString& name, const char* ending) {
    return name.endsWith(QLatin1String(ending), Qt::CaseSensitive);
}

} // namespace PathNames
