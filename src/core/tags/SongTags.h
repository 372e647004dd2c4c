#pragma once

#include <QByteArray>
#include <QString>

// What the program shows of a song's tags: title, artist, album, year,
// comment and genre, from any common kind of tag. A file's ID3v1 tag is read
// first, exactly as the ID3 module reads it; a file without one gives the
// fields of its other tags (ID3v2, Vorbis comments, FLAC, MP4, APE and the
// others TagLib knows). No file is read from end to end: a tag is looked for
// where it belongs, so one that junk or zeros push past the first 64 KiB of
// a file (after an ID3v2 tag) is not found.
namespace Tags {

struct SongTags {
    enum class Source { None, ID3v1, Other };
    Source source = Source::None;
    // Each field as a text box shows it: an ID3v1 field up to its first NUL
    // with its blank padding kept, another tag's value as stored. The genre
    // is the genre's name, empty for an ID3v1 number without one.
    QString title, artist, album, year, comment, genre;
    // The song's length in whole seconds, when asked for and the file's
    // headers tell it; -1 otherwise.
    int seconds = -1;

    bool found() const { return source != Source::None; }
};

// The tags of the file at path; source None (every field empty) for a file
// with no tag, an empty tag, or one that is missing, unreadable or not a
// plain file. The length is read only when asked for.
SongTags readSongTags(const QString& path, bool withLength = false);

// The picture that the file's tags hold (the front cover, else the first
// one), as the image file's bytes; empty where there is none.
QByteArray readCoverPicture(const QString& path);

} // namespace Tags
