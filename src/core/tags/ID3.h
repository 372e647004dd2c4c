#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The ID3v1 tag that many MP3 files carry in their last 128 bytes, read
// only, and the table of genre names.
namespace ID3 {

// The fields of a tag, each text exactly as wide as on disk with whatever
// padding (blanks or NULs) the writer used. A new record holds NULs in every
// text field and genre 0. Each byte is one Latin-1 character.
struct TagRecord {
    static constexpr int HeaderWidth = 3;
    static constexpr int TitleWidth = 30;
    static constexpr int ArtistWidth = 30;
    static constexpr int AlbumWidth = 30;
    static constexpr int YearWidth = 4;
    static constexpr int CommentWidth = 30;

    QString header = QString(HeaderWidth, QChar(0));
    QString title = QString(TitleWidth, QChar(0));
    QString artist = QString(ArtistWidth, QChar(0));
    QString album = QString(AlbumWidth, QChar(0));
    QString year = QString(YearWidth, QChar(0));
    // All 30 bytes; an ID3v1.1 track number in the last two stays in it.
    QString comment = QString(CommentWidth, QChar(0));
    quint8 genre = 0;
};

// True when the file at path ends with a tag ("TAG" in upper case at the
// start of its last 128 bytes); record then holds the whole tag. False for
// no tag, a file shorter than 128 bytes, a folder or anything that is not a
// plain file, a missing or unreadable file; record is then untouched.
bool readTag(const QString& path, TagRecord& record);

// The Title field of the file's tag with its padding; 30 NULs when the file
// has no tag or cannot be read.
QString titleOf(const QString& path);

// The 147 genre names as one comma-separated text, numbered from 0. Four
// names begin with a blank that belongs to the name.
QString genreList();

// Entry g of genreList() for 0 to 146; no name otherwise.
std::optional<QString> genreName(int g);

// True when the path's last three characters are "mp3" in any letter case
// (no dot needed before them).
bool isMp3Path(const QString& path);

} // namespace ID3
