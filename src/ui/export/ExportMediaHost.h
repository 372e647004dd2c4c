#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

// What the Export Media window needs of the main window.
class ExportMediaHost {
public:
    virtual ~ExportMediaHost() = default;
    // The playlist's entries, in order.
    virtual const QStringList& playlistEntries() const = 0;
    // Opens the tag window for a file.
    virtual void showTagWindow(const QString& path) = 0;
    // The main window's left, top, width and height in twips (whole window).
    virtual QRectF mainWindowTwips() const = 0;
};
