#pragma once

#include "app/WindowGeometry.h"
#include "platform/VolumeList.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QString>
#include <QStringList>

// What the tests of the File Browser and Export Media windows look at.

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

// A menu's items, "-" for a separator.
inline QStringList captions(const QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

// The folder both lists of a browsing window show, or both folders when they
// differ.
template <typename Window> QString lists(const Window* w) {
    const QString dir = w->Dir1->path(), files = w->File1->path();
    return dir == files ? dir : dir + QStringLiteral(" | ") + files;
}

// Left, top and outer height in twips.
inline QList<double> placeOf(const QWidget* w) {
    return {WindowGeometry::left(w), WindowGeometry::top(w), WindowGeometry::outerHeight(w)};
}
