#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <climits>

// Names taken from playlist entries, and what an entry may hold.
namespace PathNames {

// The last component of a path: the text after its last separator.
QString fileName(const QString& path);
QStringView fileNameView(QStringView path);

// The file name without its extension (the text from its last "."):
// "Song.mp3" and "Flac 1.flac" give "Song" and "Flac 1". A name without a
// "." after its first character is its own title.
QStringView titleView(QStringView fileName);
inline QString title(const QString& fileName) {
    return titleView(fileName).toString();
}

// The play-order number: n with at least four digits, zero-padded (1 gives
// 0001, 12345 gives 12345).
QString sequenceNumber(int n);

// Joins a folder and a name with exactly one separator.
QString join(const QString& folder, const QString& name);

// The exact, case-sensitive test of a name's ending ("pls", "m3u", "html").
inline bool endsWith(const QString& name, const char* ending) {
    return name.endsWith(QLatin1String(ending), Qt::CaseSensitive);
}

// The longest entry, in UTF-8 bytes: what a path can be.
constexpr qsizetype kMaxEntryBytes = PATH_MAX - 1;

// What a text holds that matters on a line of a playlist file, found in one
// pass: control characters (C0, DEL, C1: they would break the line),
// surrogates, and its length in UTF-8.
struct TextScan {
    bool control = false;
    bool surrogate = false;
    qsizetype utf8Size = 0;
};
TextScan scanText(QStringView text);

inline bool hasControl(QStringView text) {
    return scanText(text).control;
}

// True when text can be an entry: no control character, no surrogate
// without its other half, and no longer than a path can be.
bool isAcceptableEntry(QStringView text);

// True when the bytes of a line are printable ASCII (space to "~") and no
// longer than an entry may be: read as Latin-1 they are an acceptable entry
// as they stand. Most names are; they skip the full decoding and checks.
bool isPlainEntry(QByteArrayView bytes);

// A local path as an entry: the path itself, or its file:// address (the
// control characters percent-encoded) when it holds one; empty when it is
// longer than a path can be.
QString entryForLocalPath(const QString& path);

// An entry as it may stand on one line of a file: a local path with a
// control character as its file:// address, any other text with its control
// characters percent-encoded. Entries without one are returned unchanged.
QString lineSafe(const QString& entry);

} // namespace PathNames
