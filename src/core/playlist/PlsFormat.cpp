#include "core/playlist/PlsFormat.h"

#include "core/files/TextFile.h"
#include "core/playlist/FoundEntries.h"
#include "core/playlist/PathNames.h"

#include <QFile>

#include <algorithm>
#include <future>
#include <mutex>
#include <sys/stat.h>

namespace PlsFormat {

QByteArray render(const QStringList& entries, bool relative, bool addSequence, bool* asTheyAre,
                  Form form) {
    qsizetype expected = 16;
    for (const QString& e : entries)
        expected += 2 * e.size() + 24;
    TextFile::Utf8Text out(expected);
    const bool exchange = form == Form::Exchange;
    out << (exchange ? QLatin1StringView("[playlist]\r\n")
                     : QLatin1StringView("\r\n[playlist]\r\n"));
    bool allAsTheyAre = true;
    int n = 0;
    for (const QString& text : entries) {
        ++n;
        const PathNames::TextScan scan = PathNames::scanText(text);
        const QString entry = scan.control ? PathNames::lineSafe(text) : text;
        allAsTheyAre = allAsTheyAre && !scan.control &&
                       scan.utf8Size <= PathNames::kMaxEntryBytes &&
                       (!scan.surrogate || PathNames::isAcceptableEntry(text));
        const QStringView name = PathNames::fileNameView(entry);
        out << QLatin1StringView("File") << n << QLatin1StringView("=");
        if (!relative) {
            out << entry;
        } else if (addSequence) {
            out << PathNames::sequenceNumber(n) << QLatin1StringView("-") << name
                << QLatin1StringView("\r\n");
            continue;
        } else {
            out << name;
        }
        out << QLatin1StringView("\r\nTitle") << n << QLatin1StringView("=")
            << PathNames::titleView(name) << QLatin1StringView("\r\n");
    }
    if (exchange)
        out << QLatin1StringView("NumberOfEntries=") << n << QLatin1StringView("\r\nVersion=2\r\n");
    else
        out << QLatin1StringView("\r\n");
    if (asTheyAre)
        *asTheyAre = allAsTheyAre;
    return out.take();
}

namespace {

// True when the line's key (the text before its first "=") is "File" and
// digits; pos receives the position of the "=".
bool isFileKey(const char* p, qsizetype n, qsizetype& eq) {
    if (n < 6)
        return false;
    if ((p[0] | 0x20) != 'f' || (p[1] | 0x20) != 'i' || (p[2] | 0x20) != 'l' ||
        (p[3] | 0x20) != 'e')
        return false;
    qsizetype i = 4;
    while (i < n && p[i] >= '0' && p[i] <= '9')
        ++i;
    if (i == 4 || i >= n || p[i] != '=')
        return false;
    eq = i;
    return true;
}

} // namespace

namespace {

FoundEntries findEntries(TextFile::Lines& lines, int maxEntries) {
    FoundEntries out;
    if (maxEntries <= 0)
        return out;
    // A File line and its Title line take some 60 bytes at the least.
    out.reserve(qsizetype(std::min<qint64>(maxEntries, lines.size() / 60 + 1)),
                qsizetype(std::min<qint64>(lines.size(), kMaxFileSize)));
    QByteArrayView line;
    while (out.size() < maxEntries && lines.next(line)) {
        qsizetype eq = 0;
        if (!isFileKey(line.data(), line.size(), eq))
            continue;
        const QByteArrayView value = line.sliced(eq + 1);
        if (PathNames::isPlainEntry(value)) {
            out.appendPlain(value);
            continue;
        }
        QString entry = TextFile::decodeLine(value.data(), value.size());
        if (PathNames::isAcceptableEntry(entry))
            out.appendOther(std::move(entry));
    }
    return out;
}

} // namespace

QStringList parse(const QByteArray& bytes, int maxEntries) {
    TextFile::Lines lines(bytes);
    return findEntries(lines, maxEntries).strings();
}

bool writeFull(const QString& path, const QStringList& entries, QStringList& readBack) {
    bool asTheyAre = false;
    const QByteArray bytes = render(entries, false, false, &asTheyAre);
    if (!TextFile::writeAtomically(path, bytes))
        return false;
    readBack = asTheyAre ? entries : parse(bytes, int(entries.size()));
    return true;
}

bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence) {
    return TextFile::writeAtomically(
        path, render(entries, relative, addSequence, nullptr, Form::Exchange));
}

namespace {

// What identifies a file's contents without reading them.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec changed = {};

    static FileStamp of(const QString& path) {
        FileStamp f;
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            f = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
        return f;
    }
    bool operator==(const FileStamp& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

struct ReadAhead {
    FileStamp stamp; // before the read: a change during it shows
    FoundEntries found;
    bool ok = false;
};

std::mutex g_aheadLock;
QString g_aheadPath;
std::future<ReadAhead> g_ahead;

FoundEntries findNow(const QString& path, int maxEntries, bool& ok) {
    TextFile::Lines lines(path, kMaxFileSize);
    FoundEntries out = findEntries(lines, maxEntries);
    ok = !lines.failed();
    return ok ? out : FoundEntries();
}

} // namespace

void readAhead(const QString& path) {
    std::lock_guard<std::mutex> lock(g_aheadLock);
    g_aheadPath = path;
    g_ahead = std::async(std::launch::async, [path] {
        ReadAhead r;
        r.stamp = FileStamp::of(path);
        r.found = findNow(path, PlaylistModel::MaxEntries, r.ok);
        return r;
    });
}

FoundEntries find(const QString& path, int maxEntries, bool* readable) {
    if (readable)
        *readable = true;
    if (maxEntries <= 0)
        return {};
    std::future<ReadAhead> ahead;
    {
        std::lock_guard<std::mutex> lock(g_aheadLock);
        if (g_ahead.valid() && g_aheadPath == path)
            ahead = std::move(g_ahead);
    }
    if (ahead.valid()) {
        ReadAhead r = ahead.get();
        if (r.ok && r.stamp == FileStamp::of(path)) {
            r.found.truncate(maxEntries);
            return std::move(r.found);
        }
    }
    bool ok = false;
    FoundEntries out = findNow(path, maxEntries, ok);
    if (readable)
        *readable = ok;
    return out;
}

QStringList read(const QString& path, int maxEntries, bool* readable) {
    return find(path, maxEntries, readable).strings();
}

QStringList read(const QString& path, int maxEntries) {
    return read(path, maxEntries, nullptr);
}

} // namespace PlsFormat
