#include "SongTags.h"

#include "ID3.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

namespace Tags {

namespace {

// A field as a text box shows it: up to its first NUL.
QString shown(const QString& field) {
    const qsizetype nul = field.indexOf(QChar(0));
    return nul < 0 ? field : field.left(nul);
}

QString text(const TagLib::String& s) {
    const std::string utf8 = s.to8Bit(true);
    return shown(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

// A field's values, several joined with ", ".
QString field(const TagLib::PropertyMap& map, const char* key) {
    const auto it = map.find(key);
    if (it == map.end())
        return {};
    QStringList values;
    for (const TagLib::String& v : it->second)
        values << text(v);
    values.removeAll(QString());
    return values.join(QStringLiteral(", "));
}

// The year of a date ("2024-05-01" gives 2024); a date of another form as
// it stands.
QString year(const QString& date) {
    const bool digits = date.size() >= 4 && std::all_of(date.begin(), date.begin() + 4,
                                                        [](QChar c) { return c.isDigit(); });
    return digits ? date.left(4) : date;
}

SongTags fromID3v1(const ID3::TagRecord& record) {
    SongTags t;
    t.source = SongTags::Source::ID3v1;
    t.Title = shown(record.Title);
    t.Artist = shown(record.Artist);
    t.Album = shown(record.Album);
    t.Year = shown(record.Year);
    t.Comment = shown(record.Comment);
    // 147 to 255 have no name (255 is the usual "none").
    t.Genre = ID3::genreName(record.Genre).value_or(QString());
    return t;
}

// TagLib opens files by name: only a plain file is handed to it, never a
// pipe or a device that would hold the caller up.
bool isPlainFile(const QByteArray& name) {
    struct stat st;
    return ::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

SongTags fromOtherTags(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(0)))
        return {};
    const QByteArray name = QFile::encodeName(path);
    if (!isPlainFile(name))
        return {};
    // The tags only: the audio's length and rate are not read. The
    // property map gives every kind of tag under the same names.
    const TagLib::FileRef file(name.constData(), false);
    if (file.isNull())
        return {};
    const TagLib::PropertyMap map = file.file()->properties();
    SongTags t;
    t.Title = field(map, "TITLE");
    t.Artist = field(map, "ARTIST");
    t.Album = field(map, "ALBUM");
    t.Year = year(field(map, "DATE"));
    // Vorbis comments often keep it as the description.
    t.Comment = field(map, "COMMENT");
    if (t.Comment.isEmpty())
        t.Comment = field(map, "DESCRIPTION");
    t.Genre = field(map, "GENRE");
    for (const QString* f : {&t.Title, &t.Artist, &t.Album, &t.Year, &t.Comment, &t.Genre}) {
        if (!f->isEmpty()) {
            t.source = SongTags::Source::Other;
            return t;
        }
    }
    return {}; // a tag with none of these fields is none
}

} // namespace

SongTags readSongTags(const QString& path) {
    ID3::TagRecord record;
    if (ID3::ReadID3Tag(path, record))
        return fromID3v1(record);
    return fromOtherTags(path);
}

} // namespace Tags
