#include "core/device/DeviceFolders.h"

#include "core/files/VolumeList.h"
#include "core/playlist/PathNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DeviceFolders {

namespace {

bool isUnder(const QString& path, const QString& folder) {
    if (folder == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == folder || path.startsWith(folder + u'/');
}

bool isReadOnlyFile(const struct stat& st) {
    return S_ISREG(st.st_mode) && !(st.st_mode & 0222);
}

// A folder whose file system is not its parent's: something is mounted on it.
bool isMountPoint(const QString& folder) {
    struct stat here {
    }, above{};
    const QString parent = QFileInfo(folder).path();
    return parent != folder && ::lstat(QFile::encodeName(folder).constData(), &here) == 0 &&
           ::stat(QFile::encodeName(parent).constData(), &above) == 0 &&
           here.st_dev != above.st_dev;
}

// Empties the open folder dir. Symbolic links are removed themselves, never
// followed; a folder of another file system (a mount point) is not entered
// and makes it fail, and so does a read-only file.
bool removeContents(int dir, dev_t device) {
    const int listing = ::dup(dir);
    if (listing < 0)
        return false;
    DIR* d = ::fdopendir(listing);
    if (!d) {
        ::close(listing);
        return false;
    }
    QList<QByteArray> names;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(d);

    for (const QByteArray& name : names) {
        struct stat st {};
        if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev != device)
                return false;
            const int sub =
                ::openat(dir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0)
                return false;
            const bool emptied = removeContents(sub, device);
            ::close(sub);
            if (!emptied || ::unlinkat(dir, name.constData(), AT_REMOVEDIR) != 0)
                return false;
        } else if (isReadOnlyFile(st) || ::unlinkat(dir, name.constData(), 0) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

bool isFolderName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

bool createFolder(const QString& parent, const QString& name) {
    return !parent.isEmpty() && isFolderName(name) &&
           QDir(parent).mkdir(PathNames::join(parent, name));
}

bool isProtected(const QString& folder, const VolumeSource& volumes) {
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList roots = {QStringLiteral("/"), QDir::homePath()};
    for (const Volume& v : volumes.volumes())
        roots << v.root;
    for (const QString& root : roots) {
        if (!root.isEmpty() && isUnder(QDir::cleanPath(root), clean))
            return true;
    }
    return isMountPoint(clean);
}

bool removeFolder(const QString& folder, const VolumeSource& volumes) {
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT;
    // A link to a folder goes as a link; what it points to stays.
    if (S_ISLNK(st.st_mode))
        return ::unlink(path.constData()) == 0;
    if (!S_ISDIR(st.st_mode) || isProtected(folder, volumes))
        return false;
    const int dir = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool emptied = removeContents(dir, st.st_dev);
    ::close(dir);
    return emptied && ::rmdir(path.constData()) == 0;
}

bool removeFile(const QString& path) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT;
    return !S_ISDIR(st.st_mode) && ::unlink(name.constData()) == 0;
}

QStringList removeFiles(const QString& folder, const QStringList& names) {
    QStringList left;
    for (const QString& name : names) {
        if (!removeFile(PathNames::join(folder, name)))
            left << name;
    }
    return left;
}

bool removeConfirmed(const QString& folder, const QStringList& names,
                     const std::function<bool(const QString& path)>& confirm) {
    for (const QString& name : names) {
        const QString path = PathNames::join(folder, name);
        if (confirm(path) && !removeFile(path))
            return false;
    }
    return true;
}

} // namespace DeviceFolders
