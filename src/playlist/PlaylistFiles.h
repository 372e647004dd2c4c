#pragma once

#include <QString>
#include <QStringList>

// The one place where a name's ending picks the playlist format, for Open,
// Export Playlist, dropped files, the File Browser and the command line.
// Endings are compared exactly and case-sensitively, without a dot: "x.PLS"
// is no playlist, "xpls" is one.
namespace PlaylistFiles {

enum class PlaylistKind { Pls, M3u, Html, Other };

// When the last character is a double quote it is removed; then, when the
// first is, that one too. Nothing else is removed.
QString removeQuotes(QString name);

// Pls for a name ending in "pls", M3u for one ending in "m3u", Other for
// any other (including web pages, which cannot be read).
PlaylistKind importKind(const QString& name);

// Pls, M3u, then Html for a name ending in "htm" or "html"; Other for any
// other ending (a format that cannot be written).
PlaylistKind exportKind(const QString& name);

// What opening or dropping name adds to the playlist: the entries of a PLS
// or M3U file (none when it is missing or unreadable), or the name itself as
// one entry; at most room entries, none when room is 0 or less. The name is
// taken as given: callers remove quotes first where they should.
QStringList entriesFromName(const QString& name, int room);

// Writes entries to path in the given format; false for Other or when the
// file could not be written (an old file then stays whole).
bool writePlaylist(PlaylistKind kind, const QString& path, const QStringList& entries,
                   bool relative, bool addSequence);

} // namespace PlaylistFiles
