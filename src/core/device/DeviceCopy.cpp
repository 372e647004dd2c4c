#include "core/device/DeviceCopy.h"

#include "core/files/TextFile.h"
#include "core/playlist/PathNames.h"
#include "core/playlist/PlaylistFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <memory>

#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace DeviceCopy {

bool takesFatNames(const QString& fileSystem) {
    static const QSet<QString> fat = {
        QStringLiteral("vfat"),       QStringLiteral("msdos"),        QStringLiteral("fat"),
        QStringLiteral("umsdos"),     QStringLiteral("exfat"),        QStringLiteral("fuseblk"),
        QStringLiteral("fuse.exfat"), QStringLiteral("fuse.fusefat"),
    };
    return fat.contains(fileSystem);
}

QString fatName(const QString& name) {
    static const QString refused = QStringLiteral("\"*/:<>?\\|");
    QString out = name;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || refused.contains(c))
            c = u'_';
    }
    for (qsizetype i = out.size() - 1; i >= 0 && (out[i] == u'.' || out[i] == u' '); --i)
        out[i] = u'_';
    return out;
}

namespace {

// The characters after the last dot that stay whole when a name is cut.
constexpr qsizetype kLongestExtension = 16;

// The name after the rules for characters.
QString ruled(const QString& name, const NameRules& rules) {
    if (!rules.fat)
        return name;
    QString out = fatName(name);
    if (rules.asciiOnly) {
        QString ascii;
        for (qsizetype i = 0; i < out.size(); ++i) {
            ascii += out[i].unicode() < 0x80 ? out[i] : QChar(u'_');
            if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
                ++i;
        }
        out = ascii;
    }
    return out;
}

// The length of the character at i, as the rules count it.
qsizetype charLength(QStringView text, qsizetype i, const NameRules& rules, qsizetype& units) {
    const char16_t c = text[i].unicode();
    units =
        QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    if (rules.fat)
        return units;
    return units == 2 ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
}

qsizetype lengthOf(QStringView text, const NameRules& rules) {
    qsizetype length = 0;
    for (qsizetype i = 0, units = 0; i < text.size(); i += units)
        length += charLength(text, i, rules, units);
    return length;
}

// prefix and the ruled name, with " (twin)" before its extension when twin
// is more than 1; the name's stem is cut at a character boundary so that
// all of it fits the rules' length.
QString fittedName(const QString& prefix, const QString& name, int twin, const NameRules& rules) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype stemSize =
        dot > 0 && name.size() - dot - 1 <= kLongestExtension ? dot : name.size();
    const QStringView stem = QStringView(name).first(stemSize);
    const QString tail =
        (twin > 1 ? QStringLiteral(" (%1)").arg(twin) : QString()) + name.sliced(stemSize);
    qsizetype room = rules.maxLength - lengthOf(prefix, rules) - lengthOf(tail, rules);
    qsizetype keep = 0;
    for (qsizetype units = 0; keep < stem.size(); keep += units) {
        room -= charLength(stem, keep, rules, units);
        if (room < 0)
            break;
    }
    // A cut may leave a dot or a space at the end, which FAT drops.
    const QString out = prefix + stem.first(keep).toString() + tail;
    return rules.fat ? fatName(out) : out;
}

} // namespace

QString copyName(const QString& source, int position, bool sequence, const NameRules& rules) {
    const QString prefix = sequence ? PathNames::sequenceNumber(position) + u'-' : QString();
    return fittedName(prefix, ruled(PathNames::fileName(source), rules), 1, rules);
}

namespace {

const QString kTemporaryPrefix = QStringLiteral(".jukora-copy-");

// Each piece is sized to take about 20 ms, so that the progress
// callback (and with it the window that shows the progress) gets a turn at
// least that often, on a fast disk and on a slow stick alike.
constexpr qint64 kPieceTimeNs = 20'000'000;
constexpr qint64 kFirstPiece = 1024 * 1024;
constexpr qint64 kLeastPiece = 64 * 1024;

class PieceSize {
public:
    explicit PieceSize(qint64 largest) : m_largest(largest) {}
    qint64 size() const { return m_size; }
    void start() { m_clock.start(); }
    // Adjusts the size to the time the last piece of n bytes took.
    void took(qint64 n) {
        if (n < m_size)
            return; // the end of the file says nothing about the speed
        const qint64 ns = std::max<qint64>(m_clock.nsecsElapsed(), 1);
        const double scaled = double(m_size) * double(kPieceTimeNs) / double(ns);
        m_size = std::clamp<qint64>(qint64(scaled), m_size / 8, m_size * 2);
        m_size = std::clamp<qint64>(m_size, kLeastPiece, m_largest);
    }

private:
    qint64 m_largest;
    qint64 m_size = kFirstPiece;
    QElapsedTimer m_clock;
};

// The piece sizes reached so far; one run keeps them from file to file, so
// that a run of small files does not start each at the first size again.
struct Pace {
    PieceSize kernel{64 * 1024 * 1024};
    PieceSize buffered{8 * 1024 * 1024};
    QByteArray buffer;
};

enum class FileOutcome { Copied, Failed, Cancelled };

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    operator int() const { return m_fd; }

private:
    int m_fd;
};

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

// Sends each piece on its way to the device as soon as it is written and
// waits for the piece before it: the device writes while the next piece is
// read, no more than two pieces wait in memory, and the flush at the end of
// the file has little left to do. Errors show in that flush.
void writeBack(int fd, qint64 offset, qint64 n, qint64& waitedTo) {
    ::sync_file_range(fd, offset, n, SYNC_FILE_RANGE_WRITE);
    if (offset > waitedTo) {
        ::sync_file_range(fd, waitedTo, offset - waitedTo,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                              SYNC_FILE_RANGE_WAIT_AFTER);
        waitedTo = offset;
    }
}

// Copies the source from its start to its end into out, a piece at a time;
// Failed unless that was exactly size bytes (the size when the copy began).
FileOutcome copyBytes(int in, int out, qint64 size, const std::function<bool(qint64)>& piece,
                      Pace& pace) {
    qint64 done = 0;
    qint64 waitedTo = 0;
    // The kernel copies without the data passing through the program, where
    // both files are on file systems that let it.
    bool kernel = true;
    for (;;) {
        PieceSize& pieceSize = kernel ? pace.kernel : pace.buffered;
        // One byte more than the size asks whether the source has grown.
        const qint64 want = std::clamp<qint64>(size - done + 1, 1, pieceSize.size());
        pieceSize.start();
        ssize_t n = 0;
        if (kernel) {
            n = ::copy_file_range(in, nullptr, out, nullptr, size_t(want), 0);
            if (n < 0 && done == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                kernel = false;
                continue;
            }
        } else {
            if (pace.buffer.size() < want)
                pace.buffer.resize(want);
            n = ::read(in, pace.buffer.data(), size_t(want));
            if (n > 0 && !TextFile::writeWhole(out, pace.buffer.constData(), n))
                return FileOutcome::Failed;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FileOutcome::Failed;
        if (n == 0)
            return done == size ? FileOutcome::Copied : FileOutcome::Failed;
        pieceSize.took(n);
        writeBack(out, done, n, waitedTo);
        done += n;
        if (done > size)
            return FileOutcome::Failed;
        if (piece && !piece(done))
            return FileOutcome::Cancelled;
    }
}

// A whole copy under its temporary name. Another thread flushes it to the
// device while the next file is copied; it takes its name once that is done.
// It stays locked while it exists, which tells a later run's clean-up that
// it is in use.
class Staged {
public:
    Staged(int fd, QByteArray temporary, QByteArray destination, int entry, QString name)
        : m_fd(fd), m_temporary(std::move(temporary)), m_destination(std::move(destination)),
          m_entry(entry), m_name(std::move(name)),
          m_flushed(std::async(std::launch::async, [fd] { return ::fdatasync(fd) == 0; })) {}
    ~Staged() { finish(false); }
    Staged(const Staged&) = delete;
    Staged& operator=(const Staged&) = delete;

    int entry() const { return m_entry; }
    const QString& name() const { return m_name; }
    // Waits for the flush, calling waiting every 20 ms meanwhile.
    void waitFlushed(const std::function<void()>& waiting) const {
        while (m_flushed.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            waiting();
    }
    // Gives the flushed copy its name when keep; removes it otherwise or when
    // the flush or the rename fails. True when it took its name.
    bool finish(bool keep) {
        if (m_fd < 0)
            return false;
        const bool named = m_flushed.get() && keep &&
                           ::rename(m_temporary.constData(), m_destination.constData()) == 0;
        if (!named)
            ::unlink(m_temporary.constData());
        ::close(m_fd);
        m_fd = -1;
        return named;
    }

private:
    int m_fd;
    QByteArray m_temporary;
    QByteArray m_destination;
    int m_entry;
    QString m_name;
    std::future<bool> m_flushed;
};

// Copies source into a temporary file in folder, to be named name.
FileOutcome stage(const QString& source, const QString& folder, const QString& name, int entry,
                  const std::function<bool(qint64)>& piece, Pace& pace,
                  std::unique_ptr<Staged>& staged) {
    const QString destination = PathNames::join(folder, name);
    const QFileInfo target(destination);
    if (target.exists() && (!target.isFile() || TextFile::isMarkedReadOnly(target)))
        return FileOutcome::Failed;
    const Fd in(
        ::open(nativePath(source).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st {};
    if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode))
        return FileOutcome::Failed;
    QByteArray temporary = nativePath(PathNames::join(folder, kTemporaryPrefix + "XXXXXX"));
    const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0)
        return FileOutcome::Failed;
    ::flock(out, LOCK_EX | LOCK_NB);

    const FileOutcome outcome = copyBytes(in, out, st.st_size, piece, pace);
    if (outcome != FileOutcome::Copied) {
        ::unlink(temporary.constData());
        ::close(out);
        return outcome;
    }
    // The copy keeps the source's time of last change; a device that keeps
    // no permissions or times refuses them, which is no failure.
    ::fchmod(out, (st.st_mode & 0777) | S_IRUSR | S_IWUSR);
    const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    ::futimens(out, times);
    staged = std::make_unique<Staged>(out, temporary, nativePath(destination), entry, name);
    return FileOutcome::Copied;
}

// Removes the temporary files that an interrupted run (killed, crashed, the
// power gone) left in the folder; one that a running copy holds stays.
void removeStaleTemporaries(const QString& folder) {
    const QStringList names = QDir(folder).entryList({kTemporaryPrefix + u'*'},
                                                     QDir::Files | QDir::Hidden | QDir::System |
                                                         QDir::NoSymLinks | QDir::CaseSensitive);
    for (const QString& name : names) {
        const QByteArray path = nativePath(PathNames::join(folder, name));
        const Fd fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
    }
}

// The copies' names, in playlist order. The same name as the device tells
// names apart gets the same copy name, which replaces the earlier copy;
// names that only the rules made the same (a:b and a?b both a_b on FAT, or
// two long names cut alike) are told apart by a number: "a_b (2).mp3".
class Namer {
public:
    explicit Namer(const NameRules& rules) : m_rules(rules) {}

    QString name(const QString& prefix, const QString& own) {
        const QString ruledName = ruled(own, m_rules);
        const QString ownKey = key(prefix + own);
        const auto known = m_twins.constFind(ownKey);
        if (known != m_twins.cend())
            return fittedName(prefix, ruledName, *known, m_rules);
        // The numbers go on from the last one the same ruled name got.
        int& twin = m_lastTwin[key(prefix + ruledName)];
        QString copy;
        do
            copy = fittedName(prefix, ruledName, ++twin, m_rules);
        while (m_taken.contains(key(copy)));
        m_twins.insert(ownKey, twin);
        m_taken.insert(key(copy));
        return copy;
    }
    // A name as the device tells names apart: FAT volumes do not tell
    // letter cases apart.
    QString key(const QString& name) const { return m_rules.fat ? name.toCaseFolded() : name; }

private:
    NameRules m_rules;
    QHash<QString, int> m_twins; // by the source's own name
    QHash<QString, int> m_lastTwin;
    QSet<QString> m_taken;
};

// True unless the folder refuses names with characters past ASCII, as
// fusefat does: a hidden file so named is made and removed again.
bool takesAnyCharacter(const QString& folder) {
    const QString suffix = QStringLiteral("-\u00e9\U0001F600");
    QByteArray probe = nativePath(PathNames::join(folder, kTemporaryPrefix + "XXXXXX" + suffix));
    const int fd = ::mkostemps(probe.data(), int(suffix.toUtf8().size()), O_CLOEXEC);
    if (fd < 0)
        return errno != EPERM && errno != EINVAL && errno != EILSEQ;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

// The rules of the job's folder. Only file systems that follow the FAT rules
// count names in UTF-16 units; the others tell their longest name in bytes.
NameRules rulesOf(const Job& job) {
    NameRules rules;
    rules.fat = takesFatNames(job.fileSystem);
    struct statvfs fs {};
    if (!rules.fat && ::statvfs(nativePath(job.folder).constData(), &fs) == 0 && fs.f_namemax > 0)
        rules.maxLength = int(std::min<unsigned long>(fs.f_namemax, INT_MAX));
    const auto pastAscii = [](const QString& entry) {
        const QStringView name = PathNames::fileNameView(entry);
        return std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x80; });
    };
    rules.asciiOnly = rules.fat && std::any_of(job.entries.begin(), job.entries.end(), pastAscii) &&
                      !takesAnyCharacter(job.folder);
    return rules;
}

// Flushes the folder's own entries, the new names among them, to the device.
// A file system that cannot flush a folder does not need to.
bool syncFolder(const QString& folder) {
    const Fd fd(::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd < 0)
        return false;
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
}

} // namespace

Result run(const Job& job, const ProgressFn& progress, const CopiedFn& copied) {
    Result result;
    if (job.folder.isEmpty()) {
        result.outcome = Outcome::Failed;
        return result;
    }
    removeStaleTemporaries(job.folder);
    const QStringList& entries = job.entries;
    // Every entry's copy name, and the same without its play-order number
    // for the playlist file, which adds it.
    Namer namer(rulesOf(job));
    QStringList names, listed;
    for (int i = 0; i < entries.size(); ++i) {
        const QString prefix = job.sequence ? PathNames::sequenceNumber(i + 1) + u'-' : QString();
        names << namer.name(prefix, PathNames::fileName(entries[i]));
        listed << names.last().sliced(prefix.size());
    }

    Progress p;
    p.files = int(entries.size());
    for (const QString& e : entries) {
        const QFileInfo info(e);
        if (info.isFile())
            p.bytesTotal += info.size();
    }
    // The names written so far; FAT volumes do not tell letter cases apart.
    QSet<QString> written;
    Pace pace;
    qint64 before = 0;
    // The copy before the one in hand, whole and being flushed.
    std::unique_ptr<Staged> pending;
    // Names the pending copy once it is on the device. While the run goes
    // on, Cancel is asked meanwhile and after it; false when the run stops.
    const auto namePending = [&](bool running) {
        if (!pending)
            return true;
        bool cancel = false;
        pending->waitFlushed([&] { cancel = (running && progress && !progress(p)) || cancel; });
        const int entry = pending->entry();
        const QString key = namer.key(pending->name());
        const bool named = pending->finish(true);
        pending.reset();
        if (!named) {
            result.outcome = Outcome::Failed;
            return false;
        }
        ++result.copied;
        if (written.contains(key))
            ++result.replaced;
        written.insert(key);
        if (copied)
            copied(entry);
        if (running && (cancel || (progress && !progress(p)))) {
            result.outcome = Outcome::Cancelled;
            return false;
        }
        return true;
    };
    for (int i = 0; i < entries.size(); ++i) {
        const QString& source = entries[i];
        if (!QFileInfo(source).isFile())
            continue;
        p.file = i + 1;
        p.name = names[i];
        p.bytesDone = before;
        if (progress && !progress(p)) {
            result.outcome = Outcome::Cancelled;
            break;
        }
        const auto pieceDone = [&](qint64 done) {
            p.bytesDone = before + done;
            return !progress || progress(p);
        };
        std::unique_ptr<Staged> staged;
        const FileOutcome outcome =
            stage(source, job.folder, p.name, i + 1, pieceDone, pace, staged);
        if (outcome != FileOutcome::Copied) {
            result.outcome =
                outcome == FileOutcome::Cancelled ? Outcome::Cancelled : Outcome::Failed;
            break;
        }
        before = p.bytesDone;
        // A copy that is not named when the run stops is removed.
        if (!namePending(true))
            break;
        pending = std::move(staged);
    }
    // The copy that was whole before a stop keeps its name.
    namePending(result.outcome == Outcome::Complete);

    bool listWritten = false;
    const PlaylistFiles::Format* list = PlaylistFiles::deviceFormat(job.playlistType);
    if (result.outcome == Outcome::Complete && list) {
        // The playlist file names the copies as they are named on the device.
        listWritten = list->write(PathNames::join(job.folder, QLatin1String(list->deviceFile)),
                                  listed, true, job.sequence);
        if (!listWritten)
            result.outcome = Outcome::Failed;
    }
    // The new names are on the device only once the folder is flushed too.
    if ((result.copied > 0 || listWritten) && !syncFolder(job.folder) &&
        result.outcome == Outcome::Complete)
        result.outcome = Outcome::Failed;
    return result;
}

} // namespace DeviceCopy
