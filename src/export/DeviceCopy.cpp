#include "DeviceCopy.h"

#include "playlist/PathNames.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <unistd.h>
#endif

namespace DeviceCopy {

QString copyName(const QString& source, int position, bool sequence) {
    const QString name = PathNames::fileName(source);
    return sequence ? PathNames::sequenceNumber(position) + u'-' + name : name;
}

namespace {

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

bool isReadOnly(const QFileInfo& info) {
    constexpr auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !(info.permissions() & writeBits);
}

// Copies the bytes of an open source into an open target, a piece at a time.
bool copyBytes(QFile& in, QFile& out, const std::function<void(qint64)>& progress, Pace& pace) {
    qint64 done = 0;
#ifdef Q_OS_LINUX
    // The kernel copies without the data passing through the program.
    const int from = in.handle();
    const int to = out.handle();
    PieceSize& piece = pace.kernel;
    for (;;) {
        piece.start();
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size_t(piece.size()), 0);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (done == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
                break; // not between these file systems: copy by hand
            return false;
        }
        piece.took(n);
        done += n;
        if (progress)
            progress(done);
    }
#endif
    PieceSize& chunk = pace.buffered;
    QByteArray& buffer = pace.buffer;
    for (;;) {
        chunk.start();
        if (buffer.size() < chunk.size())
            buffer.resize(chunk.size());
        const qint64 n = in.read(buffer.data(), chunk.size());
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (out.write(buffer.constData(), n) != n)
            return false;
        chunk.took(n);
        done += n;
        if (progress)
            progress(done);
    }
}

bool copyFileAt(const QString& source, const QString& destination,
                const std::function<void(qint64)>& progress, Pace& pace) {
    const QFileInfo target(destination);
    if (target.exists() && (!target.isFile() || isReadOnly(target)))
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    QTemporaryFile out(target.absolutePath() + QStringLiteral("/.jukora-copy-XXXXXX"));
    if (!out.open())
        return false;
    bool ok = copyBytes(in, out, progress, pace) && out.flush();
    if (ok) {
        // The copy keeps the source's time of last change.
        out.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
        out.setPermissions(in.permissions() | QFile::WriteOwner | QFile::ReadOwner);
        out.setAutoRemove(false);
        out.close();
        std::error_code ec;
        std::filesystem::rename(out.fileName().toStdString(), destination.toStdString(), ec);
        ok = !ec;
        if (!ok)
            QFile::remove(out.fileName());
    }
    return ok;
}

} // namespace

bool copyFile(const QString& source, const QString& destination,
              const std::function<void(qint64)>& progress) {
    Pace pace;
    return copyFileAt(source, destination, progress, pace);
}

Result run(const QStringList& entries, const QString& folder, bool sequence,
           const ProgressFn& progress, const CopiedFn& copied) {
    Result result;
    Progress p;
    p.files = int(entries.size());
    for (const QString& e : entries) {
        const QFileInfo info(e);
        if (info.isFile())
            p.bytesTotal += info.size();
    }
    QSet<QString> written;
    Pace pace;
    qint64 before = 0;
    for (int i = 0; i < entries.size(); ++i) {
        const QString& source = entries[i];
        if (!QFileInfo(source).isFile())
            continue;
        p.file = i + 1;
        p.name = copyName(source, i + 1, sequence);
        p.bytesDone = before;
        // The new file is named before its first piece; what this call
        // answers counts only once the file is complete.
        if (progress)
            progress(p);
        const QString destination = PathNames::join(folder, p.name);
        const auto pieceDone = [&](qint64 done) {
            p.bytesDone = before + done;
            if (progress)
                progress(p);
        };
        const bool ok = copyFileAt(source, destination, pieceDone, pace);
        if (!ok) {
            result.outcome = Outcome::Failed;
            return result;
        }
        before += QFileInfo(destination).size();
        p.bytesDone = before;
        ++result.copied;
        if (written.contains(p.name))
            ++result.replaced;
        written.insert(p.name);
        if (copied)
            copied();
        if (progress && !progress(p)) {
            result.outcome = Outcome::Cancelled;
            return result;
        }
    }
    return result;
}

} // namespace DeviceCopy
