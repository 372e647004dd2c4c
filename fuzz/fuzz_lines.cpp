// Any bytes as a text file read line by line: from a file in pieces of 1 to
// 8 bytes and of the default size, the lines are those of the same bytes in
// memory, wherever a piece ends (in a CR LF, a byte-order mark, a UTF-8
// sequence).
#include "core/files/TextFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_lines: %s\n", what);
        std::abort();
    }
}

QList<QByteArray> linesOf(TextFile::Lines& lines) {
    QList<QByteArray> out;
    QByteArrayView line;
    while (lines.next(line))
        out << line.toByteArray();
    require(!lines.failed(), "a read that failed");
    require(!lines.next(line), "a line after the last");
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fuzz_lines-XXXXXX"));
    static const QString path = folder.filePath(QStringLiteral("list.m3u"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    require(fd >= 0 && TextFile::writeWhole(fd, bytes.constData(), bytes.size()),
            "cannot write the file");
    ::close(fd);

    TextFile::Lines inMemory(bytes);
    const QList<QByteArray> expected = linesOf(inMemory);
    const auto readsAsInMemory = [&](TextFile::Lines&& fromFile) {
        require(fromFile.size() == bytes.size(), "a file of another size");
        require(linesOf(fromFile) == expected, "lines that depend on the pieces read");
    };
    for (qsizetype piece = 1; piece <= 8; ++piece)
        readsAsInMemory(TextFile::Lines(path, TextFile::kMaxReadSize, piece));
    readsAsInMemory(TextFile::Lines(path));
    return 0;
}
