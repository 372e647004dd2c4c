#pragma once

#include "ui/browser/FileBrowserHost.h"
#include "core/AppState.h"
#include "core/system/Dialogs.h"

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
// Showing it the first time runs its load; the main window runs Form_Load
// once more right after. Closing it stores its settings and destroys it.
class frmFileList : public QWidget {
    Q_OBJECT
public:
    void setVisible(bool visible) override;
    frmFileList(AppState& state, Platform& platform, FileBrowserHost& host,
                QWidget* parent = nullptr);
    ~frmFileList() override;

    // Restores the lists, the pattern and the window's place from the
    // settings.
    void Form_Load();

    // Where the drive list takes its volumes from (null: the system's);
    // the source is not owned and must outlive the window.
    void setVolumeSource(const VolumeSource* source);

    // Handlers.
    void Form_Resize();
    void Form_Unload();
    void Drive1_Change();
    void Dir1_Change();
    void txtMask_Change();
    void btnRefresh_Click();
    void btnAddSel_Click();
    void btnAddAll_Click();
    void File1_DblClick();
    void cmdExplore_Click();
    void mnuID3file_Click();
    void File1_MouseDown(const QPoint& globalPos);

    // Controls.
    QLabel* Label4;
    DriveList* Drive1;
    QLabel* Label3;
    QLineEdit* txtMask;
    QPushButton* btnRefresh;
    QPushButton* cmdExplore;
    QPushButton* btnAddSel;
    QPushButton* btnAddAll;
    FolderList* Dir1;
    FileList* File1;

    // The file list's popup menu.
    QMenu* mnuFiles;
    QAction* mnuaddsel;
    QAction* mnuaddall;
    QAction* mnuID3file;

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
