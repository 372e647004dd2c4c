#pragma once

#include <QString>

// Where the program keeps its files. Every path is computed here; tests point
// the folders elsewhere with the overrides.
namespace AppPaths {

// USERPROFILE followed by "/jk.ini" when USERPROFILE is set; otherwise
// "jukora/jk.ini" in the user's configuration folder ($XDG_CONFIG_HOME, or
// ~/.config), which is made when missing. Built afresh on every call.
QString settingsFile();

// The settings file of earlier versions, ~/jk.ini, moves to the
// configuration folder on the first start: once, only while USERPROFILE is
// not set and no settings file is there yet. True when it was moved.
bool moveOldSettingsFile();

// The folder of the program's executable.
QString programFolder();

// "jukora.pls" in the program's folder, or in the user's application data
// folder when the program's folder cannot be written or is a system folder
// (an installed program).
QString autosaveFile();

// The autosaved playlist to read at start-up: autosaveFile(), or, when that
// is in the data folder and not there yet, the one an earlier run left in
// the program's folder.
QString autosaveToRead();

// /usr/..., /opt/... and the like, where installed programs live.
bool isSystemFolder(const QString& folder);

// Empty texts remove the overrides.
void setProgramFolderOverride(const QString& folder);
void setDataFolderOverride(const QString& folder);

} // namespace AppPaths
