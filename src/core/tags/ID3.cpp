#include "core/tags/ID3.h"

#include "core/files/TextFile.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <limits>
#include <unistd.h>
#include <utility>

namespace ID3 {

namespace {

constexpr int kTagSize = 128;

const char kGenres[] =
    "Blues,Classic Rock,Country,Dance,Disco,Funk,Grunge,Hip-Hop,Jazz, Metal, New Age,"
    " Oldies,Other,Pop,R&B,Rap,Reggae,Rock,Techno,Industrial,Alternative,Ska,Death Metal,"
    "Pranks,Soundtrack,Euro-Techno,Ambient,Trip-Hop,Vocal,Jazz+Funk,Fusion,Trance,"
    "Classical,Instrumental,Acid,House,Game,Sound Clip,Gospel,Noise,Alternative Rock,Bass,"
    "Punk,Space,Meditative,Instrumental Pop,Instrumental Rock,Ethnic,Gothic,Darkwave,"
    "Techno-Industrial,Electronic,Pop-Folk,Eurodance,Dream,Southern Rock,Comedy,Cult,"
    "Gangsta,Top 40,Christian Rap,Pop/Funk,Jungle,Native US,Cabaret,New Wave,Psychadelic,"
    "Rave,Showtunes,Trailer,Lo-Fi,Tribal,Acid Punk,Acid Jazz,Polka,Retro,Musical,"
    "Rock & Roll,Hard Rock,Folk,Folk-Rock,National Folk,Swing,Fast Fusion,Bebob,Latin,"
    "Revival,Celtic,Bluegrass,Avantgarde,Gothic Rock,Progressive Rock, Psychedelic Rock,"
    "Symphonic Rock,Slow Rock,Big Band,Chorus,Easy Listening,Acoustic,Humour,Speech,"
    "Chanson,Opera,Chamber Music,Sonata,Symphony,Booty Bass,Primus,Porn Groove,Satire,"
    "Slow Jam,Club,Tango,Samba,Folklore,Ballad,Power Ballad,Rhytmic Soul,Freestyle,Duet,"
    "Punk Rock,Drum Solo,Acapella,Euro-House,Dance Hall,Goa,Drum & Bass,Club-House,"
    "Hardcore,Terror,Indie,BritPop,Negerpunk,Polsk Punk,Beat,Christian Gangsta,Heavy Metal,"
    "Black Metal,Crossover,Contemporary C,Christian Rock,Merengue,Salsa,Thrash Metal,Anime,"
    "JPop,SynthPop";

const QStringList& genreNames() {
    static const QStringList names = QString::fromLatin1(kGenres).split(u',');
    return names;
}

// Reads the last 128 bytes of a plain file; false for anything else or when
// fewer bytes come back (a file that shrank meanwhile).
bool readLastBytes(const QString& path, char* buf) {
    qint64 size = 0;
    const int fd = TextFile::openRegular(path, size, std::numeric_limits<qint64>::max());
    if (fd < 0)
        return false;
    int got = 0;
    const off_t start = off_t(size) - kTagSize;
    while (size >= kTagSize && got < kTagSize) {
        const ssize_t n = ::pread(fd, buf + got, size_t(kTagSize - got), start + got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += int(n);
    }
    ::close(fd);
    return got == kTagSize;
}

} // namespace

bool readTag(const QString& path, TagRecord& record) {
    char buf[kTagSize];
    if (!readLastBytes(path, buf))
        return false;
    if (std::memcmp(buf, "TAG", 3) != 0)
        return false;
    const char* p = buf;
    auto field = [&p](int width) {
        QString s = QString::fromLatin1(p, width);
        p += width;
        return s;
    };
    TagRecord scratch;
    scratch.header = field(TagRecord::HeaderWidth);
    scratch.title = field(TagRecord::TitleWidth);
    scratch.artist = field(TagRecord::ArtistWidth);
    scratch.album = field(TagRecord::AlbumWidth);
    scratch.year = field(TagRecord::YearWidth);
    scratch.comment = field(TagRecord::CommentWidth);
    scratch.genre = quint8(*p);
    record = std::move(scratch);
    return true;
}

QString titleOf(const QString& path) {
    TagRecord record;
    readTag(path, record);
    return record.title;
}

QString genreList() {
    return QString::fromLatin1(kGenres);
}

std::optional<QString> genreName(int g) {
    const QStringList& names = genreNames();
    if (g < 0 || g >= names.size())
        return std::nullopt;
    return names.at(g);
}

bool isMp3Path(const QString& path) {
    return path.endsWith(QLatin1String("mp3"), Qt::CaseInsensitive);
}

} // namespace ID3
