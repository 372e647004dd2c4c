#include "ui/lists/ListRefresh.h"

#include "ui/lists/DriveList.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"

void refreshLists(DriveList& drives, FolderList& folders, FileList& files) {
    const QString drive = drives.drive();
    drives.refresh();
    if (!drives.setDrive(drive))
        return;

    const int highlighted = folders.highlighted();
    const QString folder = folders.path();
    if (!folders.refresh() || !folders.setPath(folder))
        return;
    folders.setHighlighted(highlighted);

    const int focused = files.focused();
    const QString shown = files.path();
    if (!files.refresh() || !files.setPath(shown))
        return;
    if (focused < 0 || focused >= files.count())
        return;
    files.setFocused(focused);
    files.setSelected(focused, true);
}
