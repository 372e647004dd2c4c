#pragma once

#include <QString>
#include <QTemporaryDir>

// A small tmpfs mounted for one test, to fill to the last byte or make
// read-only. The process gets a mount namespace of its own before main() (as
// root, or in a user namespace of its own), so the mount is its alone; where
// neither is allowed, mounted() is false and why() says why.
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
