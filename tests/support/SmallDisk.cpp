#include "SmallDisk.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

bool writeProcFile(const char* path, const QByteArray& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return ok;
}

// Runs before main(), while the process has one thread: unshare() of a user
// namespace refuses a process with more.
void ownMountNamespace() {
    if (::unshare(CLONE_NEWNS) != 0) {
        const QByteArray uid = QByteArray::number(::getuid());
        const QByteArray gid = QByteArray::number(::getgid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return;
        writeProcFile("/proc/self/setgroups", "deny");
        writeProcFile("/proc/self/uid_map", "0 " + uid + " 1");
        writeProcFile("/proc/self/gid_map", "0 " + gid + " 1");
    }
    // Nothing mounted here reaches the rest of the system.
    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}
Q_CONSTRUCTOR_FUNCTION(ownMountNamespace)

} // namespace

SmallDisk::SmallDisk() {
    const QByteArray where = QFile::encodeName(m_dir.path());
    m_mounted = ::mount("jukora-test", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                        "size=256k,mode=0777") == 0;
    if (!m_mounted)
        m_why =
            QStringLiteral("cannot mount a tmpfs here: ") + QString::fromLocal8Bit(strerror(errno));
}

SmallDisk::~SmallDisk() {
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

void SmallDisk::fill() {
    const int fd = ::open(QFile::encodeName(path(QStringLiteral(".filler"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    static const char block[4096] = {};
    for (size_t size = sizeof block; size > 0; size /= 2) {
        while (::write(fd, block, size) == ssize_t(size)) {
        }
    }
    ::close(fd);
}

void SmallDisk::makeReadOnly() {
    ::mount(nullptr, QFile::encodeName(m_dir.path()).constData(), nullptr,
            MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr);
}
