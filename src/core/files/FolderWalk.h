#pragma once

#include <QString>
#include <QStringList>

// The media files under a folder, as adding a folder puts them on the list:
// folder by folder, each folder's files in natural order before its
// subfolders in natural order. Only names of the media table count
// (PlaylistFiles::isMediaName): playlist files inside are not read. Hidden
// files and folders are left out, folders that cannot be read are passed
// over, and a folder reached again through a symbolic link is not walked
// twice, so that a loop of links ends.
namespace FolderWalk {

struct Result {
    QStringList files; // at most room of them
    int leftOut = 0;   // media files found beyond room
};

Result mediaFiles(const QString& folder, int room);

} // namespace FolderWalk
