#pragma once

#include <QString>
#include <QStringList>

#include <span>

namespace HtmlPage {
struct Progress;
}

// The playlist formats in one table, and the one place where a name's
// ending picks the format: for Open, Export Playlist, dropped files, the File
// Browser, the command line and the playlist beside a device copy. Endings
// are compared exactly and case-sensitively, without a dot: "x.PLS" is no
// playlist, "xpls" is one.
namespace PlaylistFiles {

struct Format {
    // "PLS" and "M3U" are also the Export Media window's choices.
    const char* name;
    // The last characters of a name in this format.
    const char* endings[2];
    // The file dialogs' filter for the format.
    const char* filter;
    // The entries of a file, at most maxEntries; null for a format that is
    // not read.
    QStringList (*read)(const QString& path, int maxEntries);
    // Writes the whole list; false when the file could not be written (an old
    // file then stays whole).
    bool (*write)(const QString& path, const QStringList& entries, bool relative, bool addSequence);
    // The same write for a format that takes long (the web page reads every
    // entry's tag), to run off the window's thread: it tells how far it has
    // come and stops, writing nothing, once cancelled. Null for a format
    // that is written at once.
    bool (*writeInSteps)(const QString& path, const QStringList& entries, bool relative,
                         bool addSequence, const HtmlPage::Progress& progress);
    // The name of the playlist written beside a device copy; null for a
    // format that is not written there.
    const char* deviceFile;
};

// PLS, M3U and the web page, in the order in which their endings are tested.
std::span<const Format> formats();

// The format a name's ending gives when the file is opened: PLS or M3U, none
// for any other name (web pages are not read).
const Format* readableFormat(const QString& name);
// The format a name's ending gives when the list is exported: PLS, M3U or
// the web page ("htm" or "html"); none for a format that cannot be written.
const Format* writableFormat(const QString& name);
// The format of the Export Media window's choice ("M3U", "PLS"); none for
// any other text ("N/A").
const Format* deviceFormat(const QString& choice);

// The filters of the open and save dialogs.
QString openFilter();
QString saveFilter();

// When the last character is a double quote it is removed; then, when the
// first is, that one too. Nothing else is removed.
QString removeQuotes(QString name);

// Whether a name ends as a media file the program plays (the one table of
// media endings, any letter case): what adding a folder takes.
bool isMediaName(QStringView name);

// What opening, dropping or adding names appends to the playlist, in their
// order: the entries of a PLS or M3U file (none when it is missing,
// unreadable or no regular file), the media files under a folder
// (FolderWalk), any other name itself as one entry (as its file:// address
// when it holds a control character; left out when it is longer than a path
// can be). At most room entries, none when room is 0 or less; leftOut, when
// given, counts the names and the folders' files that found no room. Names
// are taken as given: callers remove quotes first where they should.
QStringList entriesFromNames(const QStringList& names, int room, int* leftOut = nullptr);

} // namespace PlaylistFiles
