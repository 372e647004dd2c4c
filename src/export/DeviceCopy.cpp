#include "DeviceCopy.h"

#include "playlist/PathNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

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

constexpr qint64 kPiece = 4 * 1024 * 1024;

bool isReadOnly(const QFileInfo& info) {
    constexpr auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !(info.permissions() & writeBits);
}

// Copies the bytes of an open source into an open target, a piece at a time.
bool copyBytes(QFile& in, QFile& out, const std::function<void(qint64)>& progress) {
    qint64 done = 0;
#ifdef Q_OS_LINUX
    // The kernel copies without the data passing through the program.
    const int from = in.handle();
    const int to = out.handle();
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size_t(kPiece), 0);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                              errno == EOPNOTSUPP))
                break; // not between these file systems: copy by hand
            return false;
        }
        done += n;
        if (progress)
            progress(done);
    }
#endif
    QByteArray buffer(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (out.write(buffer.constData(), n) != n)
            return false;
        done += n;
        if (progress && done % kPiece < n)
            progress(done);
    }
}

} // namespace

bool copyFile(const QString& source, const QString& destination,
              const std::function<void(qint64)>& progress) {
    const QFileInfo target(destination);
    if (target.exists() && (!target.isFile() || isReadOnly(target)))
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    QTemporaryFile out(target.absolutePath() + QStringLiteral("/.jukora-copy-XXXXXX"));
    if (!out.open())
        return false;
    bool ok = copyBytes(in, out, progress) && out.flush();
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
    qint64 before = 0;
    for (int i = 0; i < entries.size(); ++i) {
        const QString& source = entries[i];
        if (!QFileInfo(source).isFile())
            continue;
        p.file = i + 1;
        p.name = copyName(source, i + 1, sequence);
        const QString destination = PathNames::join(folder, p.name);
        const bool ok = copyFile(source, destination, [&](qint64 done) {
            p.bytesDone = before + done;
            if (progress)
                progress(p);
        });
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
