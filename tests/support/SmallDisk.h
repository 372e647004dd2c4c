#pragma once

#include <QString>
#include <QTemporaryDir>

// A small tmpfs of its own, mounted for one test, that can be filled to the
// last byte (a real full disk) or made read-only. The test process gets a mount namespace of
// its own before main() (as root, or as the root of a user namespace of its
// own where the system lets users have one), so that the mount is seen by
// this process only and goes with it. Where neither is allowed, mounted()
// is false and why() says so: the test then skips.
class SmallDisk {
public:
    SmallDisk();
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path(const QString& name) const { return m_dir.path() + u'/' + name; }

    // Takes every free byte; the files there before stay as they are.
    void fill();
    // Nothing can be written here any more, not even by root.
    void makeReadOnly();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};
