#include "core/playlist/PlsFormat.h"

#include "core/files/TextFile.h"
#include "core/playlist/PathNames.h"
#include "core/system/HeapArenas.h"

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

// The entries of a file found without making a string of each: the values
// that are plain (PathNames::isPlainEntry) lie end to end in one block, the
// others are decoded as they come (they are rare). The strings are made
// apart from the search, so that a search on another thread makes no
// allocation for each entry while the window's thread builds the window.
struct Found {
    QByteArray plain;
    QStringList others;
    // For each entry in order: where its value lies in plain, or
    // -1 - its index in others.
    QList<std::pair<qsizetype, qsizetype>> spans;

    // What the strings of the entries take on the heap, about: the list's
    // array and, for each, a block of its text in UTF-16 and the string's
    // header.
    std::size_t stringBytes() const {
        std::size_t bytes = std::size_t(spans.size()) * sizeof(QString);
        for (const auto& [at, size] : spans)
            bytes += (std::size_t(at >= 0 ? size : 0) * 2 + 48) & ~std::size_t(15);
        return bytes;
    }

    // The first max entries as strings.
    QStringList entries(qsizetype max = PlaylistModel::MaxEntries) const {
        QStringList out;
        out.reserve(std::min(max, spans.size()));
        for (const auto& [at, size] : spans.first(std::min(max, spans.size())))
            out.append(at >= 0 ? QString::fromLatin1(plain.constData() + at, size)
                               : others.at(-1 - at));
        return out;
    }
};

Found findEntries(TextFile::Lines& lines, int maxEntries) {
    Found out;
    if (maxEntries <= 0)
        return out;
    // A File line and its Title line take some 60 bytes at the least.
    out.spans.reserve(qsizetype(std::min<qint64>(maxEntries, lines.size() / 60 + 1)));
    out.plain.reserve(qsizetype(std::min<qint64>(lines.size(), kMaxFileSize)));
    QByteArrayView line;
    while (out.spans.size() < maxEntries && lines.next(line)) {
        qsizetype eq = 0;
        if (!isFileKey(line.data(), line.size(), eq))
            continue;
        const QByteArrayView value = line.sliced(eq + 1);
        if (PathNames::isPlainEntry(value)) {
            out.spans.append({out.plain.size(), value.size()});
            out.plain.append(value);
            continue;
        }
        QString entry = TextFile::decodeLine(value.data(), value.size());
        if (PathNames::isAcceptableEntry(entry)) {
            out.spans.append({-1 - out.others.size(), 0});
            out.others.append(std::move(entry));
        }
    }
    return out;
}

} // namespace

QStringList parse(const QByteArray& bytes, int maxEntries) {
    TextFile::Lines lines(bytes);
    return findEntries(lines, maxEntries).entries();
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
    Found found;
    bool ok = false;
};

std::mutex g_aheadLock;
QString g_aheadPath;
std::future<ReadAhead> g_ahead;

Found findNow(const QString& path, int maxEntries, bool& ok) {
    TextFile::Lines lines(path, kMaxFileSize);
    Found out = findEntries(lines, maxEntries);
    ok = !lines.failed();
    return ok ? out : Found();
}

} // namespace

void readAhead(const QString& path) {
    std::lock_guard<std::mutex> lock(g_aheadLock);
    g_aheadPath = path;
    g_ahead = std::async(std::launch::async, [path] {
        ReadAhead r;
        r.stamp = FileStamp::of(path);
        r.found = findNow(path, PlaylistModel::MaxEntries, r.ok);
        prepareHeap(r.found.stringBytes());
        return r;
    });
}

QStringList read(const QString& path, int maxEntries, bool* readable) {
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
        if (r.ok && r.stamp == FileStamp::of(path))
            return r.found.entries(maxEntries);
    }
    bool ok = false;
    const QStringList out = findNow(path, maxEntries, ok).entries();
    if (readable)
        *readable = ok;
    return out;
}

QStringList read(const QString& path, int maxEntries) {
    return read(path, maxEntries, nullptr);
}

} // namespace PlsFormat
