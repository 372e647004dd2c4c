#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The PLS playlist: "[playlist]" and numbered File lines, each followed by a
// Title line, every line ending in CR LF.
namespace PlsFormat {

// The file's bytes. relative writes file names instead of full paths;
// relative with addSequence writes numbered file names and no Title lines.
QByteArray render(const QStringList& entries, bool relative, bool addSequence);

// The entries of a PLS file, in the order of their lines: every line whose
// key is "File" followed by digits (any letter case) gives the text after
// its first "=". Other lines are skipped.
QStringList parse(const QByteArray& bytes, int maxEntries = 32767);

// Writes the file through a temporary file; false when it could not be
// written (the old file then stays whole).
bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence);

// Reads a file; a missing or unreadable file gives no entries.
QStringList read(const QString& path, int maxEntries = 32767);

} // namespace PlsFormat
