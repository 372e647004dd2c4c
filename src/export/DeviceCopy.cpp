#include "DeviceCopy.h"

#include "platform/TextFile.h"
#include "playlist/PathNames.h"
#include "playlist/PlaylistFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

QString copyName(const QString& source, int position, bool sequence, bool fatNames) {
    QString name = PathNames::fileName(source);
    if (fatNames)
        name = fatName(name);
    return sequence ? PathNames::sequenceNumber(position) + u'-' + name : name;
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
    const bool fat = takesFatNames(job.fileSystem);
    const QStringList& entries = job.entries;

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
        const QString key = fat ? pending->name().toCaseFolded() : pending->name();
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
        p.name = copyName(source, i + 1, job.sequence, fat);
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
        QStringList named = entries;
        if (fat) {
            for (QString& e : named)
                e = fatName(PathNames::fileName(e));
        }
        listWritten = list->write(PathNames::join(job.folder, QLatin1String(list->deviceFile)),
                                  named, true, job.sequence);
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
