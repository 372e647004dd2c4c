#include "core/tags/SongTags.h"

#include "core/files/TextFile.h"
#include "core/tags/ID3.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <limits>

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>
#include <unistd.h>

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
    t.title = shown(record.title);
    t.artist = shown(record.artist);
    t.album = shown(record.album);
    t.year = shown(record.year);
    t.comment = shown(record.comment);
    // 147 to 255 have no name (255 is the usual "none").
    t.genre = ID3::genreName(record.genre).value_or(QString());
    return t;
}

// How much of a file's head (after an ID3v2 tag) and tail TagLib may read
// where its reader would otherwise search the whole file.
constexpr long kHead = 64 * 1024;
constexpr long kTail = 256 * 1024;

// The marks that TagLib's readers for these endings look for from the head
// of the file on (FLAC's after an ID3v2 tag), through the whole file when
// it does not start with one. Once a reader has found its mark it walks its
// metadata blocks or pages by their sizes.
struct Mark {
    const char* ending;
    const char* mark;
    bool afterID3v2;
};
constexpr Mark kMarks[] = {{"flac", "fLaC", true},
                           {"ogg", "OggS", false},
                           {"opus", "OggS", false},
                           {"spx", "OggS", false}};

// A song file for TagLib, which picks its reader by the name's ending, then
// by the content; never to be searched from end to end, as a preallocated
// download of zeros (hundreds of megabytes) would hold the window up for
// seconds.
// - A file named .mp3 shows only its head and its tail, where its tags are (an
//   ID3v2 tag first, ID3v1 and APE tags last): a read that lies wholly
//   between them gets nothing, as at the end of the file, and so ends
//   TagLib's search for an ID3v2 tag or the first MPEG frame there. A read
//   that reaches into the head or the tail (a large tag) is whole.
// - A FLAC or Ogg file whose mark is not in its head is shown without its
//   name: TagLib then picks the reader by the content, as it does when the
//   reader of the name has failed.
// Everything else is read as it is on disk.
class SongStream : public TagLib::FileStream {
public:
    // Takes the descriptor of an open plain file.
    SongStream(int fd, const QByteArray& name) : FileStream(fd, true), m_name(name) {
        if (isOpen())
            bound();
    }

    TagLib::FileName name() const override { return m_name.constData(); }

    TagLib::ByteVector readBlock(unsigned long length) override {
        const long at = tell();
        if (at >= m_headEnd && at < m_tailStart && length <= (unsigned long)(m_tailStart - at))
            return {};
        return FileStream::readBlock(length);
    }

private:
    // The file's ending as TagLib takes it: after the name's last dot.
    bool endsIn(const char* ending) const {
        const qsizetype dot = m_name.lastIndexOf('.');
        return dot >= 0 && m_name.mid(dot + 1).compare(ending, Qt::CaseInsensitive) == 0;
    }

    // The bytes from offset on, at most length of them.
    TagLib::ByteVector bytesAt(long offset, unsigned long length) {
        seek(offset);
        return FileStream::readBlock(length);
    }

    void bound() {
        // The head goes on past an ID3v2 tag at the start, whatever its size.
        long id3v2 = 0;
        const TagLib::ByteVector start = bytesAt(0, TagLib::ID3v2::Header::size());
        if (start.startsWith(TagLib::ID3v2::Header::fileIdentifier()))
            id3v2 = long(TagLib::ID3v2::Header(start).completeTagSize());
        const long headEnd = id3v2 + kHead;
        if (endsIn("mp3")) {
            m_headEnd = headEnd;
            m_tailStart = std::max(headEnd, length() - kTail);
        }
        for (const Mark& m : kMarks) {
            if (!endsIn(m.ending))
                continue;
            const TagLib::ByteVector mark(m.mark);
            const long from = m.afterID3v2 ? id3v2 : 0;
            // Where it nearly always is, else anywhere in the head.
            if (!bytesAt(from, mark.size()).startsWith(mark) &&
                bytesAt(from, headEnd - from).find(mark) < 0)
                m_name.clear();
        }
        seek(0);
    }

    QByteArray m_name;
    // What lies between is not read.
    long m_headEnd = 0, m_tailStart = 0;
};

SongTags fromTagLib(const TagLib::FileRef& file, bool withLength) {
    SongTags t;
    if (withLength && file.audioProperties() && file.audioProperties()->lengthInMilliseconds() > 0)
        t.seconds = (file.audioProperties()->lengthInMilliseconds() + 500) / 1000;
    // The property map gives every kind of tag under the same names.
    const TagLib::PropertyMap map = file.file()->properties();
    t.title = field(map, "TITLE");
    t.artist = field(map, "ARTIST");
    t.album = field(map, "ALBUM");
    t.year = year(field(map, "DATE"));
    // Vorbis comments often keep it as the description.
    t.comment = field(map, "COMMENT");
    if (t.comment.isEmpty())
        t.comment = field(map, "DESCRIPTION");
    t.genre = field(map, "GENRE");
    for (const QString* f : {&t.title, &t.artist, &t.album, &t.year, &t.comment, &t.genre}) {
        if (!f->isEmpty()) {
            t.source = SongTags::Source::Other;
            return t;
        }
    }
    // A tag with none of these fields is none.
    SongTags none;
    none.seconds = t.seconds;
    return none;
}

// Runs use on the file at path as TagLib opens it (null when it cannot),
// and gives what use gives, or value where the file is none for TagLib.
template <typename Result, typename Use>
Result withTagLibFile(const QString& path, bool withLength, Result value, Use use) {
    // Only a plain file is handed to TagLib, never a pipe or a device that
    // would hold the caller up.
    qint64 size = 0;
    const int fd = TextFile::openRegular(path, size, std::numeric_limits<qint64>::max());
    if (fd < 0)
        return value;
    SongStream stream(fd, QFile::encodeName(path)); // closes the descriptor once it has it
    if (!stream.isOpen()) {
        ::close(fd);
        return value;
    }
    // The audio's length only when asked for, from the stream's headers
    // (TagLib's fast reading).
    const TagLib::FileRef file(&stream, withLength, TagLib::AudioProperties::Fast);
    return file.isNull() ? value : use(file);
}

SongTags fromOtherTags(const QString& path, bool withLength) {
    return withTagLibFile(path, withLength, SongTags(), [&](const TagLib::FileRef& file) {
        return fromTagLib(file, withLength);
    });
}

QByteArray bytes(const TagLib::ByteVector& v) {
    return QByteArray(v.data(), qsizetype(v.size()));
}

// The front cover among pictures, else the first of them; picture gives a
// picture's bytes and whether it is the front cover.
template <typename Pictures, typename Picture>
QByteArray frontCover(const Pictures& pictures, Picture picture) {
    QByteArray first;
    for (const auto* p : pictures) {
        const auto [data, front] = picture(p);
        if (data.isEmpty())
            continue;
        if (front)
            return bytes(data);
        if (first.isEmpty())
            first = bytes(data);
    }
    return first;
}

QByteArray fromID3v2(TagLib::ID3v2::Tag* tag) {
    using Frame = TagLib::ID3v2::AttachedPictureFrame;
    return frontCover(tag ? tag->frameList("APIC") : TagLib::ID3v2::FrameList(),
                      [](const TagLib::ID3v2::Frame* frame) {
                          const auto* p = dynamic_cast<const Frame*>(frame);
                          return std::pair(p ? p->picture() : TagLib::ByteVector(),
                                           p && p->type() == Frame::FrontCover);
                      });
}

QByteArray fromFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    return frontCover(pictures, [](const TagLib::FLAC::Picture* p) {
        return std::pair(p->data(), p->type() == TagLib::FLAC::Picture::FrontCover);
    });
}

QByteArray coverOf(const TagLib::FileRef& ref) {
    TagLib::File* file = ref.file();
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
        return fromID3v2(mpeg->ID3v2Tag());
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        const QByteArray own = fromFlacPictures(flac->pictureList());
        return own.isEmpty() && flac->hasXiphComment()
                   ? fromFlacPictures(flac->xiphComment()->pictureList())
                   : own;
    }
    if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file->tag()))
        return fromFlacPictures(xiph->pictureList());
    if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
        if (!mp4->hasMP4Tag() || !mp4->tag()->contains("covr"))
            return {};
        const TagLib::MP4::CoverArtList art = mp4->tag()->item("covr").toCoverArtList();
        return art.isEmpty() ? QByteArray() : bytes(art.front().data());
    }
    if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
        return fromID3v2(aiff->hasID3v2Tag() ? aiff->tag() : nullptr);
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file))
        return fromID3v2(wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr);
    return {};
}

} // namespace

QByteArray readCoverPicture(const QString& path) {
    return withTagLibFile(path, false, QByteArray(), coverOf);
}

SongTags readSongTags(const QString& path, bool withLength) {
    ID3::TagRecord record;
    if (!ID3::readTag(path, record))
        return fromOtherTags(path, withLength);
    SongTags t = fromID3v1(record);
    if (withLength)
        t.seconds = fromOtherTags(path, true).seconds;
    return t;
}

} // namespace Tags
