#pragma once

#include "core/AppState.h"
#include "core/system/Dialogs.h"
#include "ui/export/ExportMediaHost.h"

#include <QColor>
#include <QWidget>

class DriveList;
class FileList;
class FolderList;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressDialog;
class QPushButton;
class VolumeSource;

// The Export Media window: the drive, folder and file lists of a target
// device, the folder and file commands that prepare it, and "Copy Playlist",
// which copies the main window's playlist into the device folder. Showing it
// the first time runs its load (a load called before the showing counts
// as that load); closing it stores its settings and destroys it.
class ExportMediaWindow : public QWidget {
    Q_OBJECT
public:
    void setVisible(bool visible) override;
    ExportMediaWindow(AppState& state, Platform& platform, ExportMediaHost& host,
                      QWidget* parent = nullptr);
    ~ExportMediaWindow() override;

    // Restores the lists, the options and the window's place from the
    // settings.
    void load();

    // Where the drive list takes its volumes from (null: the system's);
    // the source is not owned and must outlive the window.
    void setVolumeSource(const VolumeSource* source);

    // The device file list's colours.
    static QColor idleColour() { return QColor(224, 224, 224); }
    static QColor busyColour() { return QColor(255, 192, 128); }
    static QColor doneColour() { return QColor(192, 192, 192); }
    QColor fileListColour() const;

    // The folder name box's text until a name is typed into it.
    static QString newFolderName() { return QStringLiteral("New Folder Name"); }

    // Closes the window as the program ends: a copy that runs stops at
    // once, without a message, and the window's values go to the settings
    // now, before they are saved.
    void closeForShutdown();

    // Commands.
    void layOutControls();
    void storeSettings();
    void driveChanged();
    void folderChanged();
    void patternChanged();
    void refresh();
    void addFolder();
    // Each asks first; the file commands also from the list's menu and a
    // double-click on a file.
    void removeFolder();
    void removeSelectedFiles();
    void removeAllFiles();
    void exploreFileFolder();
    void exploreHighlightedFolder();
    void showFileTag();
    void showFolderMenu(const QPoint& globalPos);
    void showFileMenu(const QPoint& globalPos);
    void clearFolderName();
    void sequenceToggled();
    void playlistTypeChosen();
    void copyPlaylist();

    // Controls.
    DriveList* driveList;
    QLineEdit* patternEdit;
    QPushButton* exploreButton;
    QComboBox* playlistTypeBox;
    QCheckBox* sequenceBox;
    QLabel* banner;
    FolderList* folderList;
    FileList* fileList;
    QLineEdit* folderNameEdit;
    QPushButton* addFolderButton;
    QPushButton* removeFolderButton;
    QPushButton* deleteButton;
    QPushButton* deleteAllButton;
    QPushButton* refreshButton;
    QPushButton* copyButton;

    // The popup menus of the file list and the folder list.
    QMenu* fileMenu;
    QAction* removeFileAction;
    QAction* removeAllFilesAction;
    QAction* separator;
    QAction* tagAction;
    QMenu* folderMenu;
    QAction* exploreFolderAction;
    QAction* removeFolderAction;

    // The progress dialog of the copy that is running; null at other times.
    QProgressDialog* copyProgress = nullptr;

signals:
    // The window has closed; it is destroyed right after.
    void unloaded();
    // The copy of the playlist entry at this 1-based position is complete.
    void fileCopied(int entry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void setFileListColour(const QColor& colour);
    const VolumeSource& volumes() const;
    void message(const QString& text, MsgIcon icon);

    AppState& m_state;
    Platform& m_platform;
    ExportMediaHost& m_host;
    const VolumeSource* m_volumes = nullptr;
    bool m_loaded = false;
    bool m_copying = false;
    bool m_closeAfterCopy = false;
    bool m_shuttingDown = false;
};
