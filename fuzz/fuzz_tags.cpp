// Any bytes as a song file for the tag reader: the first byte picks the
// file's ending (.mp3, .flac or .ogg), the rest is the file. The seeds in
// corpus-tags are small songs with tags, each behind such a byte. Beside
// the sanitizers' own checks: no field holds a NUL, a tag without fields is
// none, and an ID3v1 tag is found exactly when the file ends with one.
#include "tags/SongTags.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_tags: %s\n", what);
        std::abort();
    }
}

void writeFile(const QString& path, const uint8_t* data, size_t size) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    require(fd >= 0, "cannot write the song file");
    require(::write(fd, data, size) == ssize_t(size), "cannot write the song file");
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fuzz_tags-XXXXXX"));
    if (size == 0)
        return 0;
    static const char* const kEndings[] = {"mp3", "flac", "ogg"};
    const QString path =
        folder.filePath(QStringLiteral("song.") + QLatin1StringView(kEndings[data[0] % 3]));
    const uint8_t* song = data + 1;
    const size_t length = size - 1;
    writeFile(path, song, length);

    const Tags::SongTags tags = Tags::readSongTags(path);
    const bool id3v1 = length >= 128 && QByteArrayView(song + length - 128, 3) == "TAG";
    require(id3v1 == (tags.source == Tags::SongTags::Source::ID3v1), "an ID3v1 tag missed");
    bool any = false;
    for (const QString* f :
         {&tags.Title, &tags.Artist, &tags.Album, &tags.Year, &tags.Comment, &tags.Genre}) {
        require(!f->contains(QChar(0)), "a NUL in a field");
        any = any || !f->isEmpty();
    }
    require(any || tags.source != Tags::SongTags::Source::Other, "a tag without fields");
    require(tags.found() || !any, "fields without a tag");
    return 0;
}
