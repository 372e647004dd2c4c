#pragma once

#include "AppState.h"
#include "platform/Dialogs.h"
#include "playlist/PlaylistModel.h"

#include <QMainWindow>
#include <QStringList>

#include <random>

class QAction;
class QCheckBox;
class QLabel;
class QListView;
class QMenu;
class QPushButton;

// The main window: the playlist with its command buttons, the Loop box and
// the menus. It owns the playlist and is the first window opened and the
// last one closed.
class frmFiles : public QMainWindow {
    Q_OBJECT
public:
    frmFiles(AppState& state, Platform& platform, QWidget* parent = nullptr);
    ~frmFiles() override;

    // Life cycle.
    void Form_Load();
    void mnuexit_Click();
    void mnuReset_Click();

    // Settings. LoadSettings at start-up also runs the command-line and Now
    // Playing steps; the reload after a shuffle leaves them out.
    void LoadSettings(bool startup = true);
    enum class SaveResult { NotNormalState, Saved, Failed };
    SaveResult SaveSettings();

    // Playlist files.
    void ImportPLS(const QString& tempfile);
    bool ExportPLS(const QString& tempfile, bool Relative = false, bool AddSequence = false);

    // Editing commands.
    void btnDelete_Click();
    void btnClear_Click();
    void btnMoveup_Click();
    void btnMovedown_Click();
    void btnSort_Click();
    void cmdShuffle_Click();

    // The playlist control.
    void playlist_Click();
    bool isSelected(int pos) const;
    void setSelected(int pos, bool selected);
    int focusedPosition() const;
    void setFocusedPosition(int pos);

    // Playback commands and the next-song rule.
    void btnPlay_Click();
    void btnPlaysong_Click();
    void btnPlay2_Click();
    void btnStop_Click();
    void remote();

    // Window commands.
    void btnNowPlaying_Click();
    void cmdView_Click();
    void cmdDevice_Click();
    void mnuweb_Click();
    void mnuupdates_Click();

    // The resize rule.
    void Form_Resize();

    // The window's state and its geometry in twips (the whole window).
    bool isNormalState() const;
    double outerHeightTwips() const;
    double leftTwips() const;
    double topTwips() const;
    void setOuterHeightTwips(double twips);
    void setLeftTwips(double twips);
    void setTopTwips(double twips);

    int loopValue() const;
    void setLoopValue(int value);

    PlaylistModel& playlistModel() { return m_model; }
    AppState& state() { return m_state; }
    Platform& platform() { return m_platform; }
    // The sorted copy that the last "A - Z" made.
    const QStringList& sortList() const { return SortList; }

    // Controls, named as in the design.
    QPushButton* btnPlay;
    QPushButton* btnPlaysong;
    QPushButton* btnPlay2;
    QPushButton* btnStop;
    QPushButton* btnSort;
    QPushButton* cmdShuffle;
    QCheckBox* chkLoop;
    QLabel* lblLoop;
    QLabel* Picture1;
    QListView* playlist;
    QPushButton* btnMoveup;
    QPushButton* btnMovedown;
    QPushButton* btnDelete;
    QPushButton* btnClear;
    QPushButton* cmdDevice;
    QPushButton* btnNowPlaying;
    QPushButton* cmdView;

    QMenu* mnuFile;
    QMenu* mnuPlaylist;
    QMenu* mnucontrol;
    QMenu* mnuhelpmenu;
    QAction* mnuimport;
    QAction* mnusave;
    QAction* mnuReset;
    QAction* mnuexit;
    QAction* mnuplay;
    QAction* mnuplaysong;
    QAction* mnumixsong;
    QAction* mnudelsel;
    QAction* mnuremall;
    QAction* mnuID3;
    QAction* mnuplay2;
    QAction* mnuplaysong2;
    QAction* mnustop;
    QAction* mnuversion;
    QAction* mnuweb;
    QAction* mnuupdates;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Unload();
    void buildControls();
    void buildMenus();
    void message(const QString& text, MsgIcon icon = MsgIcon::None);
    void moveCurrent(int direction);
    std::vector<char> selectionMarks() const;
    void applySelection(const std::vector<char>& marks);
    int frameExtraWidth() const;
    int frameExtraHeight() const;

    AppState& m_state;
    Platform& m_platform;
    PlaylistModel m_model;
    QStringList SortList;
    std::mt19937 m_rng;
    bool m_unloaded = false;
    bool m_frameKnown = false;
    bool m_sizedWithoutFrame = false;
};
