#pragma once

#include "core/AppState.h"
#include "core/system/Dialogs.h"
#include "ui/browser/FileBrowserHost.h"

#include <QWidget>

class DriveList;
class FileList;
class FolderList;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class VolumeSource;

// The File Browser: a drive list, a folder list and a file list filtered by
// a pattern, from which files are added to the main window's playlist.
// Showing it the first time runs its load; the main window runs load
// once more right after. Closing it stores its settings and destroys it.
class FileBrowserWindow : public QWidget {
    Q_OBJECT
public:
    void setVisible(bool visible) override;
    FileBrowserWindow(AppState& state, Platform& platform, FileBrowserHost& host,
                      QWidget* parent = nullptr);
    ~FileBrowserWindow() override;

    // Restores the lists, the pattern and the window's place from the
    // settings.
    void load();

    // Where the drive list takes its volumes from (null: the system's);
    // the source is not owned and must outlive the window.
    void setVolumeSource(const VolumeSource* source);

    // Handlers.
    void layOutControls();
    void storeSettings();
    void driveChanged();
    void folderChanged();
    void patternChanged();
    void refresh();
    void addSelected();
    void addAll();
    // The media files under a folder the user chooses (the one shown to
    // begin with), added to the playlist.
    void addFolder();
    void addFocusedFile();
    void exploreFolder();
    void showFileTag();
    void showFileMenu(const QPoint& globalPos);

    // Controls.
    QLabel* filesLabel;
    DriveList* driveList;
    QLabel* formatLabel;
    QLineEdit* patternEdit;
    QPushButton* refreshButton;
    QPushButton* exploreButton;
    QPushButton* addButton;
    QPushButton* addAllButton;
    FolderList* folderList;
    FileList* fileList;

    // The file list's popup menu.
    QMenu* fileMenu;
    QAction* addAction;
    QAction* addAllAction;
    QAction* addFolderAction;
    QAction* tagAction;

signals:
    // The window has closed; it is destroyed right after.
    void unloaded();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenu();

    AppState& m_state;
    Platform& m_platform;
    FileBrowserHost& m_host;
    bool m_loaded = false;
};
