#pragma once

#include <QList>
#include <QString>

// The drives of the drive lists. A drive is a mounted volume that holds
// files; the user's home folder is one more entry of its own.
struct Volume {
    // The volume's root folder (its mount point).
    QString root;
    // The volume's label; empty when it has none.
    QString name;
    // The file system's type as the system names it ("ext4", "vfat", "proc").
    QString fileSystem;
    bool ready = true;
    bool removable = false;
    // The entry that stands for the home folder.
    bool home = false;

    // What a drive list shows: the root path, followed by the name in
    // brackets when the volume has one.
    QString text() const;
    // The folder a drive change opens: the root (the home folder for the
    // home entry).
    QString currentFolder() const { return root; }
};

// Where a drive list takes its volumes from.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    // The mounted volumes as they are now, unfiltered and in any order.
    virtual QList<Volume> volumes() const = 0;
    // The type of the file system that holds a folder: that of the volume
    // with the longest root that contains it; empty when none does.
    virtual QString fileSystemOf(const QString& folder) const;
};

// The system's mounted volumes.
class SystemVolumes : public VolumeSource {
public:
    QList<Volume> volumes() const override;
    // As the system reports it for the folder itself, also where the
    // volume list leaves the mount out.
    QString fileSystemOf(const QString& folder) const override;
    static const SystemVolumes& instance();
};

// A list its owner sets, for instance a test.
class FixedVolumes : public VolumeSource {
public:
    QList<Volume> list;
    QList<Volume> volumes() const override { return list; }
};

namespace VolumeList {

// True for file systems that hold no files of the user's: proc, sysfs,
// tmpfs, devtmpfs, cgroup and their kind, and snap images (squashfs).
bool isPseudo(const QString& fileSystem);

// The drive list's entries made from a list of volumes: those that are
// ready and hold files, each root once; "/" first, then the home folder
// (when it is given and is not "/"), then the removable volumes, then the
// others, each group by root path. Mount points inside the system's own
// trees (/proc, /sys, /dev, /run, /boot, /snap) are left out, except the
// removable media under /run/media; an overlay counts only as the system
// root.
QList<Volume> entries(const QList<Volume>& volumes, const QString& home);

// The same from a source, with the user's home folder.
QList<Volume> entries(const VolumeSource& source);

} // namespace VolumeList
