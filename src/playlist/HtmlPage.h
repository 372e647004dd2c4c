#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The playlist as a web page that reloads itself every 30 seconds: a
// numbered list of links to the files, each with the artist and title of
// its tags (ID3v1 first). UTF-8, every line ending in CR LF. There is no reader.
namespace HtmlPage {

// The page's bytes; pagePath is the page's own path, whose file:// address
// is the address of the reload. relative links and shows file names instead
// of full paths; relative with addSequence numbered file names
// (0001-Song.mp3). Only local files and http(s) addresses become links; an
// entry of any other scheme (javascript:, data:) is shown as plain text.
// Reads each entry's tag.
QByteArray render(const QStringList& entries, const QString& pagePath, bool relative,
                  bool addSequence);

// Writes the page through a temporary file; false when it could not be
// written (the old file then stays whole).
bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence);

// Text made safe for HTML: & < > ' and " as character references.
QString escaped(const QString& text);

} // namespace HtmlPage
