#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

// What the File Browser needs of the main window.
class FileBrowserHost {
public:
    virtual ~FileBrowserHost() = default;
    // Appends files to the playlist in the given order: a name ending in
    // "pls" or "m3u" is read and its entries appended, any other name is
    // appended as one entry. Nothing is added past the playlist's limit.
    virtual void addToPlaylist(const QStringList& paths) = 0;
    // Opens the tag window for a file.
    virtual void showTagWindow(const QString& path) = 0;
    // The main window's left, top, width and height in twips (whole window).
    virtual QRectF mainWindowTwips() const = 0;
};
