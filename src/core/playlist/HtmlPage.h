#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

// The playlist as a web page that reloads itself every 30 seconds: a
// numbered list of links to the files, each with the artist and title of
// its tags (ID3v1 first). UTF-8, every line ending in CR LF. There is no reader.
namespace HtmlPage {

// For a page written off the window's thread: how far it has come, and how
// it is stopped.
struct Progress {
    // Called on the writing thread after each entry, with the number of
    // entries done.
    std::function<void(int done)> step;
    // Once set, from any thread, the page stops before its next entry and
    // nothing is written.
    const std::atomic<bool>* cancel = nullptr;
};

// The page's bytes; pagePath is the page's own path, whose file:// address
// is the address of the reload. relative links and shows file names instead
// of full paths; relative with addSequence numbered file names
// (0001-Song.mp3). Only local files and http(s) addresses become links; an
// entry of any other scheme (javascript:, data:) is shown as plain text.
// Reads each entry's tag.
QByteArray render(const QStringList& entries, const QString& pagePath, bool relative,
                  bool addSequence);
// The same bytes step by step; none once cancelled.
std::optional<QByteArray> render(const QStringList& entries, const QString& pagePath, bool relative,
                                 bool addSequence, const Progress& progress);

// Writes the page through a temporary file; false when it could not be
// written (the old file then stays whole).
bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence);
// The same step by step; false also once cancelled, with nothing written.
bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence,
           const Progress& progress);

// Text made safe for HTML: & < > ' and " as character references.
QString escaped(const QString& text);

} // namespace HtmlPage
