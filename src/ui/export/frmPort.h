#pragma once

#include "ui/export/ExportMediaHost.h"
#include "core/AppState.h"
#include "core/system/Dialogs.h"

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
// the first time runs its load (a Form_Load called before the showing counts
// as that load); closing it stores its settings and destroys it.
class frmPort : public QWidget {
    Q_OBJECT
public:
    void setVisible(bool visible) override;
    frmPort(AppState& state, Platform& platform, ExportMediaHost& host, QWidget* parent = nullptr);
    ~frmPort() override;

    // Restores the lists, the options and the window's place from the
    // settings.
    void Form_Load();

    // Where the drive list takes its volumes from (null: the system's);
    // the source is not owned and must outlive the window.
    void setVolumeSource(const VolumeSource* source);

    // The device file list's colours.
    static QColor idleColour() { return QColor(224, 224, 224); }
    static QColor busyColour() { return QColor(255, 192, 128); }
    static QColor doneColour() { return QColor(192, 192, 192); }
    QColor fileListColour() const;

    // Closes the window as the program ends: a copy that runs stops at
    // once, without a message, and the window's values go to the settings
    // now, before they are saved.
    void closeForShutdown();

    // Handlers.
    void Form_Resize();
    void Form_Unload();
    void Drive1_Change();
    void Dir1_Change();
    void txtMask_Change();
    void btnRefresh_Click();
    void cmdAddfolder_Click();
    void cmdRemovefolder_Click();
    void mnuRemoveFolder_Click();
    void btnDelete_Click();
    void mnuRemove_Click();
    void File1_DblClick();
    void btnClear_Click();
    void mnuRemoveAll_Click();
    void Explorer_Click();
    void mnuExploreFolder_Click();
    void mnuID3file_Click();
    void Dir1_MouseDown(const QPoint& globalPos);
    void File1_MouseDown(const QPoint& globalPos);
    void txtFolder_Click();
    void chkSequence_Click();
    void lstPlaylist_LostFocus();
    void cmdCopy_Click();

    // Controls.
    DriveList* Drive1;
    QLineEdit* txtMask;
    QPushButton* Explorer;
    QComboBox* lstPlaylist;
    QCheckBox* chkSequence;
    QLabel* Picture1;
    FolderList* Dir1;
    FileList* File1;
    QLineEdit* txtFolder;
    QPushButton* cmdAddfolder;
    QPushButton* cmdRemovefolder;
    QPushButton* btnDelete;
    QPushButton* btnClear;
    QPushButton* btnRefresh;
    QPushButton* cmdCopy;

    // The popup menus of the file list and the folder list.
    QMenu* mnuDeviceFiles;
    QAction* mnuRemove;
    QAction* mnuRemoveAll;
    QAction* mnuspace;
    QAction* mnuID3file;
    QMenu* mnuFolderList;
    QAction* mnuExploreFolder;
    QAction* mnuRemoveFolder;

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
    void removeFolder();
    void removeSelectedFiles();
    void removeAllFiles();
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
