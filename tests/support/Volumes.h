#pragma once

#include "core/files/VolumeList.h"

#include <QDir>
#include <QString>
#include <QStringList>

// Volumes as the drive lists take them, and what a folder holds.

inline Volume volume(const QString& root, const QString& name = QString(),
                     const QString& fs = QStringLiteral("ext4"), bool removable = false,
                     bool ready = true) {
    return {.root = root, .name = name, .fileSystem = fs, .ready = ready, .removable = removable};
}

// A removable stick, as the device lists show it.
inline Volume stickAt(const QString& root, const QString& name = QStringLiteral("STICK"),
                      bool ready = true) {
    return volume(root, name, QStringLiteral("vfat"), true, ready);
}

// Every name in a folder, hidden ones (a copy's temporary file) included.
inline QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}
