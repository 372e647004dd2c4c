#include "core/files/VolumeList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace {

bool isUnder(const QString& path, const QString& tree) {
    return path == tree || path.startsWith(tree + u'/');
}

// Mount points of the system's own trees; the user's files are not there.
bool isSystemMountPoint(const QString& root) {
    if (isUnder(root, QStringLiteral("/run/media")))
        return false;
    static const char* trees[] = {"/proc", "/sys", "/dev", "/run", "/boot", "/snap"};
    for (const char* tree : trees) {
        if (isUnder(root, QLatin1String(tree)))
            return true;
    }
    return false;
}

// The kernel marks disks that can be taken out (USB sticks, card readers)
// in /sys/class/block/<disk>/removable; a partition's mark is its disk's.
bool isRemovableDevice(const QByteArray& device) {
    if (!device.startsWith("/dev/"))
        return false;
    const QString name = QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath().mid(5);
    if (name.isEmpty() || name.contains(u'/'))
        return false;
    const QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    for (const QString& dir : {block, QFileInfo(block).path()}) {
        QFile f(dir + QStringLiteral("/removable"));
        if (f.open(QIODevice::ReadOnly))
            return f.readAll().trimmed() == "1";
    }
    return false;
}

int groupOf(const Volume& v) {
    if (v.root == QLatin1String("/"))
        return 0;
    if (v.home)
        return 1;
    return v.removable ? 2 : 3;
}

} // namespace

QString Volume::text() const {
    if (name.isEmpty())
        return root;
    return root + QStringLiteral(" [") + name + u']';
}

QString VolumeSource::fileSystemOf(const QString& folder) const {
    const QString path = QDir::cleanPath(folder);
    QString type;
    qsizetype longest = -1;
    for (const Volume& v : volumes()) {
        const QString root = QDir::cleanPath(v.root);
        const bool holds = root == QLatin1String("/") ? path.startsWith(u'/') : isUnder(path, root);
        if (!v.root.isEmpty() && holds && root.size() > longest) {
            longest = root.size();
            type = v.fileSystem;
        }
    }
    return type;
}

QString SystemVolumes::fileSystemOf(const QString& folder) const {
    return QString::fromLatin1(QStorageInfo(folder).fileSystemType());
}

const SystemVolumes& SystemVolumes::instance() {
    static const SystemVolumes volumes;
    return volumes;
}

QList<Volume> SystemVolumes::volumes() const {
    QList<Volume> out;
    const QList<QStorageInfo> mounted = QStorageInfo::mountedVolumes();
    out.reserve(mounted.size());
    for (const QStorageInfo& info : mounted) {
        Volume v;
        v.root = info.rootPath();
        v.name = info.name();
        v.fileSystem = QString::fromLatin1(info.fileSystemType());
        // A file bind-mounted over another one (as containers do with
        // /etc/hosts) is no drive.
        v.ready = info.isValid() && info.isReady() && QFileInfo(v.root).isDir();
        const bool underMedia = isUnder(v.root, QStringLiteral("/media")) ||
                                isUnder(v.root, QStringLiteral("/run/media"));
        v.removable = underMedia || isRemovableDevice(info.device());
        out.append(v);
    }
    return out;
}

namespace VolumeList {

bool isPseudo(const QString& fileSystem) {
    static const QSet<QString> pseudo = {
        QStringLiteral("proc"),        QStringLiteral("sysfs"),
        QStringLiteral("tmpfs"),       QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),      QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),     QStringLiteral("securityfs"),
        QStringLiteral("pstore"),      QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),     QStringLiteral("configfs"),
        QStringLiteral("fusectl"),     QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),   QStringLiteral("bpf"),
        QStringLiteral("autofs"),      QStringLiteral("binfmt_misc"),
        QStringLiteral("rpc_pipefs"),  QStringLiteral("nsfs"),
        QStringLiteral("efivarfs"),    QStringLiteral("ramfs"),
        QStringLiteral("squashfs"),    QStringLiteral("selinuxfs"),
        QStringLiteral("fuse.portal"), QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("none"),
    };
    return pseudo.contains(fileSystem);
}

QList<Volume> entries(const QList<Volume>& volumes, const QString& home) {
    const QString homeRoot = home.isEmpty() ? QString() : QDir::cleanPath(home);
    QList<Volume> out;
    QSet<QString> roots;
    if (!homeRoot.isEmpty() && homeRoot != QLatin1String("/")) {
        Volume h;
        h.root = homeRoot;
        h.home = true;
        out.append(h);
        roots.insert(homeRoot);
    }
    for (Volume v : volumes) {
        if (v.root.isEmpty() || !v.ready || isPseudo(v.fileSystem))
            continue;
        v.root = QDir::cleanPath(v.root);
        v.home = false;
        if (v.root != QLatin1String("/")) {
            if (isSystemMountPoint(v.root) || v.fileSystem == QLatin1String("overlay"))
                continue;
        }
        if (roots.contains(v.root))
            continue;
        roots.insert(v.root);
        out.append(v);
    }
    std::stable_sort(out.begin(), out.end(), [](const Volume& a, const Volume& b) {
        const int ga = groupOf(a), gb = groupOf(b);
        if (ga != gb)
            return ga < gb;
        return a.root < b.root;
    });
    return out;
}

QList<Volume> entries(const VolumeSource& source) {
    return entries(source.volumes(), QDir::homePath());
}

} // namespace VolumeList
