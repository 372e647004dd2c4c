#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class VolumeSource;

// The folder and file commands that prepare a device: new folders, and the
// deletes of folder trees and files, which can destroy the most. The window
// asks the questions; these do the work and say whether it was done.
namespace DeviceFolders {

// A name a new folder can have: not empty, no separator, not "." or "..".
bool isFolderName(const QString& name);

// Creates the folder name inside parent; false when the name cannot be a
// folder's, the folder exists already or the device refuses it.
bool createFolder(const QString& parent, const QString& name);

// A folder that is never removed: the system's root, the home folder, the
// root of a volume (one the source lists, or any other mount point) and any
// folder that holds one of them.
bool isProtected(const QString& folder, const VolumeSource& volumes);

// Deletes a folder with all it contains. A symbolic link is removed as a
// link, never followed, also inside the tree; a folder of another file
// system inside is not entered and makes it fail, and so does a read-only
// file. A protected folder is refused whole. What was deleted before a
// failure stays deleted. A folder that is not there is no failure.
bool removeFolder(const QString& folder, const VolumeSource& volumes);

// Deletes a file, read-only ones included; a symbolic link is removed as a
// link. A file that is gone already is no failure; a folder is one.
bool removeFile(const QString& path);

// Deletes the named files of a folder, each once, in the given order; one
// that cannot be deleted is passed over and the rest go on. The names that
// are still there afterwards.
QStringList removeFiles(const QString& folder, const QStringList& names);

// Deletes the named files of a folder in the given order, each one that
// confirm, asked with its full path, allows. The first that cannot be
// deleted ends it: false, and the rest are not asked about.
bool removeConfirmed(const QString& folder, const QStringList& names,
                     const std::function<bool(const QString& path)>& confirm);

} // namespace DeviceFolders
