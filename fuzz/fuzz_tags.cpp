// Any bytes as a song file for the tag reader: the first byte picks the
// file's ending (.mp3, .flac or .ogg) and a hole of zeros after the first
// half of the rest, which is the file: none, or one that makes the file
// larger than what is read of its head and tail. The seeds in corpus-tags
// are small songs with tags, each behind a byte for no hole. Beside the
// sanitizers' own checks: no field holds a NUL, a tag without fields is
// none, and an ID3v1 tag is found exactly when the file ends with one.
#include "core/tags/SongTags.h"

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

// The song with a hole of gap zeros in its middle (a sparse file); true
// when the file ends with an ID3v1 tag.
bool writeFile(const QString& path, const uint8_t* song, size_t size, off_t gap) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const size_t half = size / 2;
    const off_t length = off_t(size) + gap;
    char tag[3] = {};
    require(fd >= 0 && ::write(fd, song, half) == ssize_t(half) &&
                ::lseek(fd, gap, SEEK_CUR) >= 0 &&
                ::write(fd, song + half, size - half) == ssize_t(size - half) &&
                ::ftruncate(fd, length) == 0 &&
                (length < 128 || ::pread(fd, tag, 3, length - 128) == 3),
            "cannot write the song file");
    ::close(fd);
    return length >= 128 && QByteArrayView(tag, 3) == "TAG";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fuzz_tags-XXXXXX"));
    if (size == 0)
        return 0;
    static const char* const kEndings[] = {"mp3", "flac", "ogg"};
    static const off_t kGaps[] = {0, 0, 70 * 1024, 400 * 1024, 1024 * 1024};
    const QString path =
        folder.filePath(QStringLiteral("song.") + QLatin1StringView(kEndings[data[0] % 3]));
    const bool id3v1 = writeFile(path, data + 1, size - 1, kGaps[data[0] / 3 % 5]);

    const Tags::SongTags tags = Tags::readSongTags(path);
    require(id3v1 == (tags.source == Tags::SongTags::Source::ID3v1), "an ID3v1 tag missed");
    bool any = false;
    for (const QString* f :
         {&tags.title, &tags.artist, &tags.album, &tags.year, &tags.comment, &tags.genre}) {
        require(!f->contains(QChar(0)), "a NUL in a field");
        any = any || !f->isEmpty();
    }
    require(any || tags.source != Tags::SongTags::Source::Other, "a tag without fields");
    require(tags.found() || !any, "fields without a tag");
    return 0;
}
