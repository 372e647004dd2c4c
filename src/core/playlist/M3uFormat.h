#pragma once

#include "core/playlist/PathNames.h"
#include "core/playlist/PlaylistModel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The extended M3U playlist: "#EXTM3U", then per entry an "#EXTINF:-1," line
// with the title and the path line, every line ending in CR LF.
namespace M3uFormat {

// The largest file that render() makes of a playlist, and so the largest
// read: as many entries as a playlist holds, each as long as an entry may
// be (in UTF-8), with its title (a part of it) on its "#EXTINF:-1," line and
// its path on a line of its own, where a relative entry follows the current
// folder (a path too) and a "/".
constexpr qint64 kMaxFileSize =
    qint64(PlaylistModel::MaxEntries) * (sizeof("#EXTINF:-1,\r\n") - 1 + PathNames::kMaxEntryBytes +
                                         2 * PathNames::kMaxEntryBytes + sizeof("/\r\n") - 1) +
    sizeof("#EXTM3U\r\n") - 1;

// The file's bytes. relative writes file names instead of full paths;
// relative with addSequence writes numbered file names (0001-Song.mp3). An
// entry never puts a control character on its line (PathNames::lineSafe).
QByteArray render(const QStringList& entries, bool relative, bool addSequence);

// The entries of an M3U file, in the order of their lines. Lines starting
// with "#" and blank lines are skipped. A line starting with "/", a Windows
// path (its second character ":") and an address (http://...) are taken
// unchanged, except that a file:// address becomes its local path (unless
// that would hold a control character); any other line is a name in the
// folder of listPath. Paths are not tidied. What cannot be an entry
// (PathNames::isAcceptableEntry) is skipped.
QStringList parse(const QByteArray& bytes, const QString& listPath, int maxEntries = 32767);

// Writes the file through a temporary file; false when it could not be
// written (the old file then stays whole).
bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence);

// Reads a file; a missing or unreadable file, or one that is no regular file
// or larger than kMaxFileSize, gives no entries.
QStringList read(const QString& listPath, int maxEntries = 32767);

// True when text starts with an address scheme: a letter, then letters,
// digits, "+", "-" or ".", then "://".
bool hasScheme(const QString& text);

// The full-path form of an entry: a path starting with "/", a Windows path
// and an address stay as they are; anything else is taken as relative to the
// current folder, without tidying.
QString absoluteEntry(const QString& entry);

} // namespace M3uFormat
