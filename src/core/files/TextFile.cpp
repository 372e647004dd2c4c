#include "core/files/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Windows-1252 code points for the bytes 0x80 to 0x9F; the five bytes the
// code page leaves undefined map to the C1 control of the same value.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isValidUtf8(const unsigned char* s, qsizetype n) {
    qsizetype i = 0;
    while (i < n) {
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n)
                return false;
            unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Writes data into the open file and syncs it to the disk; a failing write
// (a full disk) or sync fails it. A file system that cannot sync at all is
// no failure, nor one that keeps no permissions (FAT through FUSE).
bool fill(int fd, const QByteArray& data, const mode_t* mode) {
    if (mode && ::fchmod(fd, *mode) != 0 && errno != ENOSYS && errno != EPERM &&
        errno != EOPNOTSUPP)
        return false;
    if (!TextFile::writeWhole(fd, data.constData(), data.size()))
        return false;
    return ::fdatasync(fd) == 0 || errno == EINVAL;
}

// A hidden name beside the file: ".name.x1a2b3c4".
QByteArray tempName(const QByteArray& file) {
    const qsizetype cut = file.lastIndexOf('/') + 1;
    return file.left(cut) + '.' + file.mid(cut) + ".x" +
           QByteArray::number(QRandomGenerator::global()->generate(), 16);
}

// True for a name that tempName() gives the file of the given name.
bool isTempName(QByteArrayView name, QByteArrayView file) {
    const qsizetype digits = name.size() - file.size() - 3;
    if (digits < 1 || digits > 8 || name[0] != '.' || !name.sliced(1).startsWith(file) ||
        !name.sliced(1 + file.size()).startsWith(".x"))
        return false;
    const QByteArrayView hex = name.last(digits);
    return std::all_of(hex.begin(), hex.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Removes the file's hidden temporaries that saves killed on their way left
// beside it. A save in progress keeps its own locked, and it stays; so does
// every temporary where the file system has no locks.
void removeStaleTemporaries(const QByteArray& file) {
    const qsizetype cut = file.lastIndexOf('/') + 1;
    const QByteArray folder = cut > 0 ? file.left(cut) : QByteArray(".");
    const QByteArrayView name = QByteArrayView(file).sliced(cut);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QList<QByteArray> stale;
    while (const dirent* entry = ::readdir(dir)) {
        if (isTempName(entry->d_name, name))
            stale << entry->d_name;
    }
    // Opened for writing: NFS gives no exclusive lock otherwise.
    for (const QByteArray& temp : stale) {
        const int fd = ::openat(::dirfd(dir), temp.constData(),
                                O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct stat st;
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(dir), temp.constData(), 0);
        if (fd >= 0)
            ::close(fd);
    }
    ::closedir(dir);
}

// The file at the end of the path's chain of symbolic links, which need not
// exist; empty for a chain longer than the system follows (a loop).
QByteArray finalTarget(QByteArray path) {
    for (int links = 0; links <= 40; ++links) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        if (n <= 0 || n == sizeof target)
            return {};
        // A relative target is taken from the link's folder.
        const QByteArray next(target, n);
        path = next.startsWith('/') ? next : path.left(path.lastIndexOf('/') + 1) + next;
    }
    return {};
}

// An open file descriptor, closed when it goes.
struct Held {
    int fd = -1;
    ~Held() { reset(-1); }
    void reset(int other) {
        if (fd >= 0)
            ::close(fd);
        fd = other;
    }
};

} // namespace

namespace TextFile {

bool isMarkedReadOnly(const QFileInfo& info) {
    constexpr auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !(info.permissions() & writeBits);
}

bool writeWhole(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

QString decodeLine(const char* data, qsizetype size) {
    auto s = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size && s[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(data, size);
    if (isValidUtf8(s + i, size - i)) {
        if (size < 3 || std::memcmp(data, "\xEF\xBB\xBF", 3) != 0)
            return QString::fromUtf8(data, size);
        // fromUtf8 would drop the U+FEFF that starts a name.
        QStringDecoder keepMark(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return keepMark(QByteArrayView(data, size));
    }
    QString out(size, Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype k = 0; k < size; ++k) {
        unsigned char c = s[k];
        d[k] = (c >= 0x80 && c < 0xA0) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return out;
}

QByteArray asUtf8(const QByteArray& bytes) {
    QStringDecoder::Encoding encoding;
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        encoding = QStringDecoder::Utf32LE;
    else if (bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        encoding = QStringDecoder::Utf32BE;
    else if (bytes.startsWith("\xFF\xFE"))
        encoding = QStringDecoder::Utf16LE;
    else if (bytes.startsWith("\xFE\xFF"))
        encoding = QStringDecoder::Utf16BE;
    else
        return bytes;
    QStringDecoder decode(encoding); // drops the mark
    const QString text = decode(bytes);
    return text.toUtf8();
}

namespace {

// Reads up to n bytes; -1 on a failure.
qsizetype readSome(int fd, char* into, qsizetype n) {
    for (;;) {
        const ssize_t got = ::read(fd, into, size_t(n));
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

} // namespace

Lines::Lines(const QByteArray& bytes) : m_buffer(bytes), m_size(bytes.size()) {
    start();
}

Lines::Lines(const QString& path, qint64 maxSize, qsizetype pieceSize)
    : m_maxSize(maxSize), m_piece(std::max<qsizetype>(pieceSize, 1)) {
    m_fd = openRegular(path, m_size, maxSize);
    m_failed = m_fd < 0;
    m_end = m_failed;
    if (!m_failed) {
        fill();
        start();
    }
}

Lines::~Lines() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void Lines::start() {
    // The mark may come in more than one read.
    while (m_buffer.size() < 4 && fill()) {
    }
    // A text with another encoding's mark is read whole and made UTF-8.
    const QByteArray head = m_buffer.left(4);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF") ||
        head.startsWith(QByteArrayView("\0\0\xFE\xFF", 4))) {
        while (fill()) {
        }
        m_buffer = asUtf8(m_buffer);
    }
    if (m_buffer.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

bool Lines::fill() {
    if (m_end)
        return false;
    // The unread rest goes to the front and the piece is read behind it, in
    // the same memory each time.
    const qsizetype kept = m_buffer.size() - m_pos;
    if (m_pos > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, size_t(kept));
    m_scanned -= m_pos;
    m_pos = 0;
    m_buffer.resize(kept + m_piece);
    const qsizetype got = readSome(m_fd, m_buffer.data() + kept, m_piece);
    m_buffer.resize(kept + std::max<qsizetype>(got, 0));
    if (got > 0)
        m_read += got;
    if (got < 0 || m_read > m_maxSize) {
        m_failed = true;
        m_buffer.clear();
        m_scanned = 0;
    }
    m_end = got <= 0 || m_failed;
    return got > 0 && !m_failed;
}

bool Lines::next(QByteArrayView& line) {
    for (;;) {
        const char* base = m_buffer.constData();
        const char* p = base + m_pos;
        const char* end = base + m_buffer.size();
        // What an earlier call searched without finding a line end.
        const char* from = base + std::max(m_pos, m_scanned);
        const char* nl = static_cast<const char*>(std::memchr(from, '\n', size_t(end - from)));
        const char* stop = nl ? nl : end;
        const char* cr = static_cast<const char*>(std::memchr(from, '\r', size_t(stop - from)));
        const char* lineEnd = cr ? cr : nl;
        // A CR at the end of what is read may be the first half of CR LF.
        if (lineEnd && !(cr && cr + 1 == end && !m_end)) {
            line = QByteArrayView(p, lineEnd - p);
            m_pos = (lineEnd - base) + (cr && cr + 1 < end && cr[1] == '\n' ? 2 : 1);
            m_scanned = m_pos;
            return true;
        }
        m_scanned = (lineEnd ? lineEnd : end) - base;
        // Once the end of the file is known, that CR ends its line.
        if (fill() || (lineEnd && !m_failed))
            continue;
        if (m_failed || m_pos >= m_buffer.size())
            return false;
        line = QByteArrayView(m_buffer.constData() + m_pos, m_buffer.size() - m_pos);
        m_pos = m_scanned = m_buffer.size();
        return true;
    }
}

Utf8Text::Utf8Text(qsizetype expectedSize) {
    m_bytes.resize(expectedSize);
}

void Utf8Text::grow(qsizetype bytes) {
    m_bytes.resize(std::max(m_size + bytes, m_bytes.size() * 2));
}

Utf8Text& Utf8Text::operator<<(QLatin1StringView ascii) {
    std::memcpy(room(ascii.size()), ascii.data(), size_t(ascii.size()));
    m_size += ascii.size();
    return *this;
}

Utf8Text& Utf8Text::operator<<(QStringView text) {
    // Three bytes at the most for each UTF-16 unit.
    char* at = room(3 * text.size());
    QStringEncoder encode(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    m_size = encode.appendToBuffer(at, text) - m_bytes.data();
    return *this;
}

Utf8Text& Utf8Text::operator<<(int number) {
    char* at = room(12);
    m_size = std::to_chars(at, at + 12, number).ptr - m_bytes.data();
    return *this;
}

QByteArray Utf8Text::take() {
    m_bytes.resize(m_size);
    m_size = 0;
    return std::move(m_bytes);
}

int openRegular(const QString& path, qint64& size, qint64 maxSize) {
    if (path.isEmpty() || path.contains(QChar(0)))
        return -1;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxSize) {
        ::close(fd);
        return -1;
    }
    size = st.st_size;
    return fd;
}

bool readAll(const QString& path, QByteArray& out, qint64 maxSize) {
    out.clear();
    qint64 size = 0;
    const int fd = openRegular(path, size, maxSize);
    if (fd < 0)
        return false;
    // One byte more than the size shows a file that grows while it is read.
    out.resize(qsizetype(size) + 1);
    qsizetype got = 0;
    bool ok = true;
    for (;;) {
        if (got == out.size()) {
            if (got > maxSize) {
                ok = false;
                break;
            }
            out.resize(qsizetype(std::min<qint64>(qint64(got) * 2, maxSize + 1)));
        }
        const qsizetype n = readSome(fd, out.data() + got, out.size() - got);
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        got += n;
    }
    ::close(fd);
    out.resize(ok ? got : 0);
    return ok;
}

bool writeAtomically(const QString& path, const QByteArray& data) {
    if (path.isEmpty())
        return false;
    // A file marked read-only is not replaced, also for a user whom the
    // system would let write it anyway.
    QFileInfo info(path);
    if (info.exists() && (!info.isFile() || !info.isWritable() || isMarkedReadOnly(info)))
        return false;
    // Links stay links, however many lead to the file that is replaced.
    const QByteArray file = finalTarget(QFile::encodeName(path));
    if (file.isEmpty())
        return false;
    const qsizetype cut = file.lastIndexOf('/');
    const QByteArray folder = cut > 0 ? file.left(cut) : QByteArray(cut == 0 ? "/" : ".");
    removeStaleTemporaries(file);
    // The new file keeps the old one's permissions.
    struct stat old;
    const bool replacing = ::stat(file.constData(), &old) == 0;
    const mode_t mode = old.st_mode & 07777;
    const mode_t* keepMode = replacing ? &mode : nullptr;

    // A file without a name until it is complete: a kill on the way leaves
    // nothing behind. Where the file system has none, a hidden name. Either
    // stays locked until it has the file's name, which keeps it from another
    // save's clean-up.
    QByteArray temp;
    Held lock;
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX | LOCK_NB);
        lock.reset(::dup(fd));
        if (!fill(fd, data, keepMode)) {
            ::close(fd);
            return false;
        }
        temp = tempName(file);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) !=
            0)
            temp.clear();
        if (::close(fd) != 0 && !temp.isEmpty()) {
            ::unlink(temp.constData());
            return false;
        }
    }
    if (temp.isEmpty()) {
        fd = -1;
        for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
            temp = tempName(file);
            fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST)
                return false;
        }
        if (fd < 0)
            return false;
        ::flock(fd, LOCK_EX | LOCK_NB);
        lock.reset(::dup(fd));
        bool ok = fill(fd, data, keepMode);
        ok = ::close(fd) == 0 && ok;
        if (!ok) {
            ::unlink(temp.constData());
            return false;
        }
    }
    // One write and one sync of the whole text: on the disk before it takes
    // the old file's name, so that after a crash the file is the old one or
    // the new one, whole.
    if (::rename(temp.constData(), file.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

} // namespace TextFile
