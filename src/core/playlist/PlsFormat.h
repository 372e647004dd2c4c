#pragma once

#include "core/playlist/FoundEntries.h"
#include "core/playlist/PathNames.h"
#include "core/playlist/PlaylistModel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The PLS playlist: "[playlist]" and numbered File lines, each followed by a
// Title line, every line ending in CR LF. The autosave keeps the form it has
// always had (a blank line first and last); a playlist written for other
// players starts with "[playlist]" and ends with "NumberOfEntries=" and
// "Version=2", as they expect.
namespace PlsFormat {

// The largest file that render() makes of a playlist, and so the largest
// read: as many entries as a playlist holds, each as long as an entry may
// be (in UTF-8), on its "FileNNNNN=" line, and its title (a part of it) on
// its "TitleNNNNN=" line; the lines before and after them.
static_assert(PlaylistModel::MaxEntries <= 99999, "numbers of five digits at most");
constexpr qint64 kMaxFileSize = qint64(PlaylistModel::MaxEntries) *
                                    (sizeof("File32767=\r\n") - 1 + PathNames::kMaxEntryBytes +
                                     sizeof("Title32767=\r\n") - 1 + PathNames::kMaxEntryBytes) +
                                sizeof("\r\n[playlist]\r\n\r\n") - 1 +
                                sizeof("NumberOfEntries=32767\r\nVersion=2\r\n") - 1;

enum class Form {
    Saved,   // the autosave's: "\r\n[playlist]\r\n" ... "\r\n"
    Exchange // for other players: "[playlist]\r\n" ... "NumberOfEntries=N\r\nVersion=2\r\n"
};

// The file's bytes. relative writes file names instead of full paths;
// relative with addSequence writes numbered file names and no Title lines.
// An entry never puts a control character on its line (PathNames::lineSafe).
// asTheyAre, when given, tells whether every entry can be one
// (PathNames::isAcceptableEntry), so that the full-path form reads back as
// the list itself.
QByteArray render(const QStringList& entries, bool relative, bool addSequence,
                  bool* asTheyAre = nullptr, Form form = Form::Saved);

// The entries of a PLS file, in the order of their lines: every line whose
// key is "File" followed by digits (any letter case) gives the text after
// its first "=". Other lines are skipped, and so are values that cannot be
// entries (PathNames::isAcceptableEntry).
QStringList parse(const QByteArray& bytes, int maxEntries = 32767);

// Writes the full-path form, as write() does, and gives what reading that
// file back gives, without reading it: the list itself when every entry can
// be one, which is the rule.
bool writeFull(const QString& path, const QStringList& entries, QStringList& readBack);

// Writes the file for other players (Export Playlist, the device's
// playlist) through a temporary file; false when it could not be written
// (the old file then stays whole).
bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence);

// Reads a file; a missing or unreadable file, or one that is no regular file
// or larger than kMaxFileSize, gives no entries, and false in readable.
QStringList read(const QString& path, int maxEntries, bool* readable);
// The same entries as found, their strings not made yet.
FoundEntries find(const QString& path, int maxEntries, bool* readable);
QStringList read(const QString& path, int maxEntries = 32767);

// Starts reading a file on another thread for the read() or find() of the
// same path that comes next (the start-up reads the autosave while it builds
// its window). That call waits for it and takes its entries when the file is
// still the one that was read (the same file, size and time of change), and
// reads it afresh otherwise.
void readAhead(const QString& path);

} // namespace PlsFormat
