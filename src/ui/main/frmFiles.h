#pragma once

#include "core/AppState.h"
#include "ui/browser/FileBrowserHost.h"
#include "ui/export/ExportMediaHost.h"
#include "core/system/Dialogs.h"
#include "engine/MediaEngine.h"
#include "core/playback/PlaybackController.h"
#include "ui/player/PlayerWindow.h"
#include "ui/player/frmNowplaying.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlaylistModel.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <random>

class QAction;
class QCheckBox;
class QLabel;
class QListView;
class QMenu;
class QMimeData;
class QPushButton;
class frmFileList;
class frmID3;
class frmPort;

// The main window: the playlist with its command buttons, the Loop box and
// the menus. It owns the playlist and is the first window opened and the
// last one closed.
class frmFiles : public QMainWindow,
                 public PlayerHost,
                 public PlaybackHost,
                 public NowPlayingHost,
                 public FileBrowserHost,
                 public ExportMediaHost {
    Q_OBJECT
public:
    frmFiles(AppState& state, Platform& platform, QWidget* parent = nullptr);
    ~frmFiles() override;

    // Life cycle.
    void Form_Load();
    void mnuexit_Click();
    void mnuReset_Click();
    // From now on SIGTERM, SIGINT and SIGHUP, and the session manager's
    // request to save at logout, run the shutdown and then sessionEnded().
    void watchSessionEnd();

signals:
    // The session ends: the shutdown has run, and the program ends now,
    // whatever dialog or command is open (the caller ends the event loops).
    void sessionEnded();

public:
    // Settings: the keys, the autosaved playlist, then the command-line file
    // and the Now Playing window.
    void LoadSettings();
    // Writes the keys and the autosaved playlist, each whatever became of
    // the other; shows "Cannot Save Data" when either failed.
    struct SaveResult {
        bool keysWritten = false;
        bool playlistWritten = false;
        // What reading the autosave back gives, once written.
        QStringList readBack;
    };
    SaveResult SaveSettings();

    // Playlist files: the autosave's PLS procedures, and any format of the
    // table. The writers return false when the file could not be written.
    void ImportPLS(const QString& tempfile);
    // A format that is written in steps (the web page) shows how far it has
    // come, and can be cancelled.
    enum class Exported { Written, Failed, Cancelled };
    Exported ExportPlaylist(const PlaylistFiles::Format& format, const QString& tempfile,
                            bool Relative, bool AddSequence);
    // With readBack, the full-path form, and what reading it back gives.
    bool ExportPLS(const QString& tempfile, bool Relative = false, bool AddSequence = false,
                   QStringList* readBack = nullptr);

    // Open, Export Playlist, files dropped on the list, the command line.
    void mnuimport_Click();
    void mnusave_Click();
    void playlist_OLEDragDrop(const QMimeData* data);
    void OpenCommandLineFile();
    // The files of a later launch of the program (none: it only asks for
    // this window), taken as the command line's and played, with this
    // window raised.
    void openLaunchFiles(const QStringList& files);

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
    PlaybackController& playback() { return *m_playback; }

    // The player windows, while they are open (null otherwise).
    player* player1() const;
    player2* player2Window() const;

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
    // The random numbers of "Shuffle".
    std::mt19937& shuffleNumbers() { return m_rng; }
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

    // The tag window for a file (an MP3 file; others get a message).
    void ShowID3Info(const QString& path) override;
    void mnuID3_Click();
    frmID3* tagWindow() const;
    frmFileList* fileBrowser() const;
    frmPort* exportMediaWindow() const;
    frmNowplaying* nowPlayingWindow() const;

    // What the other windows see of this one.
    bool isMainWindowVisible() const override { return isVisible(); }
    bool isPlayer1Open() const override { return player1() != nullptr; }
    bool isPlayer2Open() const override { return player2Window() != nullptr; }
    QRectF mainWindowTwips() const override;
    void addToPlaylist(const QStringList& paths) override;
    const QStringList& playlistEntries() const override { return m_model.entries(); }

    // What the playback controller sees of the windows.
    bool isPlayerOpen(int player) const override;
    void showPlayer(int player) override;
    void closePlayer(int player) override;
    void setPlayerCaption(int player, const QString& caption) override;
    void restoreMainWindow() override;
    void saveSettings() override { SaveSettings(); }
    void message(const QString& text) override { message(text, MsgIcon::None); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Unload();
    // Replaces the playlist with the files and plays it from the top;
    // minimized as at a start with files, otherwise in the normal state.
    void openFiles(const QStringList& files, bool minimized);
    void raiseMainWindow();
    // Reads the saved playlist; one that exists but cannot be read is kept
    // from being saved over, and the user is told where it is.
    void importAutosave(const QString& path);
    void endSession();
    void buildControls();
    void buildMenus();
    void message(const QString& text, MsgIcon icon);
    void moveCurrent(int direction);
    std::vector<char> selectionMarks() const;
    void applySelection(const std::vector<char>& marks);
    // Closes the other windows in the order of the shutdown.
    void closeBrowsingWindows();

    AppState& m_state;
    Platform& m_platform;
    PlaylistModel m_model;
    QStringList SortList;
    std::mt19937 m_rng;
    bool m_loaded = false;
    // A saved playlist that could not be read nor moved aside.
    QString m_keepAutosave;
    bool m_unloaded = false;
    QPointer<player> m_player;
    QPointer<frmNowplaying> m_nowPlaying;
    QPointer<frmID3> m_id3;
    QPointer<frmFileList> m_fileList;
    QPointer<frmPort> m_port;
    QPointer<player2> m_player2;
    // The players' decoders outlive their windows.
    MediaEngine m_engine1;
    MediaEngine m_engine2;
    std::unique_ptr<PlaybackController> m_playback;
};
