#pragma once

class DriveList;
class FolderList;
class FileList;

// Reads a window's drive, folder and file lists again and sets each back to
// where it was (drive, open folder and highlighted row, folder and focused
// file); anything that is gone ends the refresh there.
void refreshLists(DriveList& drives, FolderList& folders, FileList& files);
