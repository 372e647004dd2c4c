#pragma once

#include "core/AppState.h"
#include "core/playback/PlaybackController.h"
#include "core/playlist/PlaylistCommands.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlaylistModel.h"
#include "core/settings/SettingsStore.h"
#include "core/system/Dialogs.h"
#include "core/tags/SongTitles.h"
#include "engine/MediaEngine.h"
#include "ui/browser/FileBrowserHost.h"
#include "ui/export/ExportMediaHost.h"
#include "ui/main/JumpToSongWindow.h"
#include "ui/main/PlaylistView.h"
#include "ui/player/NowPlayingWindow.h"
#include "ui/player/PlayerWindow.h"

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

class FileBrowserWindow;
class TagWindow;
class ExportMediaWindow;

// The main window: the playlist with its command buttons, the Loop box and
// the menus. It owns the playlist and is the first window opened and the
// last one closed.
class MainWindow : public QMainWindow,
                   public PlayerHost,
                   public PlaybackHost,
                   public NowPlayingHost,
                   public FileBrowserHost,
                   public ExportMediaHost {
    Q_OBJECT
public:
    MainWindow(AppState& state, Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Life cycle.
    void load();
    void exitProgram();
    void resetProgram();
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
    void readSettings();
    // Writes the keys and the autosaved playlist, each whatever became of
    // the other; shows "Cannot Save Data" when either failed.
    SettingsStore::SaveResult writeSettings();

    // Open, Export Playlist, files dropped on the list, the command line.
    void openPlaylistOrSong();
    // The media files under a folder the user chooses, added to the list.
    void addFolder();
    void exportPlaylist();
    void dropOnPlaylist(const QMimeData* data);
    void openCommandLineFiles();
    // Exports the list to a file of the format its name gives; a format that
    // is written in steps (the web page) shows how far it has come, and can
    // be cancelled.
    PlaylistCommands::Exported writePlaylist(const QString& path, bool relative);
    // The files of a later launch of the program (none: it only asks for
    // this window), taken as the command line's and played, with this
    // window raised.
    void openLaunchFiles(const QStringList& files);

    // Editing commands.
    void removeSelected();
    void removeAll();
    void moveUp();
    void moveDown();
    void sortAToZ();
    void shuffle();

    // Opens "Jump to Song" over the list; the song picked there plays as Play
    // List from it.
    void jumpToSong();
    // Now Playing, when open, shows what the players hold now.
    void refreshNowPlaying();
    // The list shows song titles or the entries as stored; the players'
    // captions and Now Playing follow.
    void showSongTitles(bool on);
    SongTitles& songTitles() { return m_titles; }
    JumpToSongWindow* jumpWindow() const { return m_jump; }

    // The playlist's commands apart from the window, and its selection.
    PlaylistCommands& commands() { return *m_commands; }
    PlaylistSelection selection() const { return m_commands->selection(); }

    // Playback commands and the next-song rule.
    void playList();
    void playSong();
    void play2Song();
    void stopAll();
    PlaybackController& playback() { return *m_playback; }

    // The player windows, while they are open (null otherwise).
    Player1Window* player1() const;
    Player2Window* player2Window() const;

    // Window commands.
    void toggleNowPlaying();
    void toggleFileBrowser();
    void toggleExportMedia();
    void openWebSite();
    void checkForUpdates();

    // The resize rule.
    void layOutControls();

    // The window's state and its geometry in twips (the whole window).
    bool isNormalState() const;
    double outerHeightTwips() const;
    double leftTwips() const;
    double topTwips() const;
    void placeTwips(double outerHeight, double left, double top);

    PlaylistModel& playlistModel() { return m_model; }
    AppState& state() { return m_state; }
    Platform& platform() { return m_platform; }

    // Controls, named as in the design.
    QPushButton* playListButton;
    QPushButton* playSongButton;
    QPushButton* play2SongButton;
    QPushButton* stopAllButton;
    QPushButton* sortButton;
    QPushButton* shuffleButton;
    QCheckBox* loopBox;
    QLabel* loopLabel;
    QLabel* banner;
    PlaylistView* playlistView;
    QPushButton* moveUpButton;
    QPushButton* moveDownButton;
    QPushButton* removeButton;
    QPushButton* removeAllButton;
    QPushButton* exportMediaButton;
    QPushButton* nowPlayingButton;
    QPushButton* fileBrowserButton;

    QMenu* fileMenu;
    QMenu* playlistMenu;
    QMenu* controlsMenu;
    QMenu* viewMenu;
    QMenu* aboutMenu;
    QAction* openAction;
    QAction* addFolderAction;
    QAction* exportPlaylistAction;
    QAction* resetAction;
    QAction* exitAction;
    QAction* playListFromSelectedAction;
    QAction* playSelectedSongAction;
    QAction* play2SelectedSongAction;
    QAction* removeSelectedAction;
    QAction* removeAllAction;
    QAction* tagAction;
    QAction* playListAction;
    QAction* playSongAction;
    QAction* stopAllAction;
    QAction* versionAction;
    QAction* webSiteAction;
    QAction* updatesAction;
    QAction* undoAction;
    QAction* redoAction;
    QAction* jumpAction;
    QAction* songTitlesAction;

    // The tag window for a file (an MP3 file; others get a message).
    void showTagWindow(const QString& path) override;
    void showSelectedTag();
    TagWindow* tagWindow() const;
    FileBrowserWindow* fileBrowser() const;
    ExportMediaWindow* exportMediaWindow() const;
    NowPlayingWindow* nowPlayingWindow() const;

    // What the other windows see of this one.
    bool isMainWindowVisible() const override { return isVisible(); }
    bool isPlayer1Open() const override { return player1() != nullptr; }
    bool isPlayer2Open() const override { return player2Window() != nullptr; }
    QRectF mainWindowTwips() const override;
    QString songTitle(const QString& path) override;
    void addToPlaylist(const QStringList& paths) override;
    const QStringList& playlistEntries() const override { return m_model.entries(); }

    // What the playback controller sees of the windows.
    bool isPlayerOpen(int player) const override;
    void showPlayer(int player) override;
    void closePlayer(int player) override;
    void setPlayerCaption(int player, const QString& caption) override;
    void restoreMainWindow() override;
    void saveSettings() override { writeSettings(); }
    void message(const QString& text) override { message(text, MsgIcon::None); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void shutDown();
    // Replaces the playlist with the files and plays it from the top;
    // minimized as at a start with files, otherwise in the normal state.
    void openFiles(const QStringList& files, bool minimized);
    void raiseMainWindow();
    void endSession();
    void buildControls();
    void buildMenus();
    // Undo and Redo's texts, and the list's drags and drops, to the commands.
    void connectEditing();
    void message(const QString& text, MsgIcon icon);
    // Closes the other windows in the order of the shutdown.
    void closeBrowsingWindows();

    AppState& m_state;
    Platform& m_platform;
    SongTitles m_titles; // outlives the list that shows them
    PlaylistModel m_model;
    bool m_loaded = false;
    bool m_unloaded = false;
    QPointer<Player1Window> m_player;
    QPointer<NowPlayingWindow> m_nowPlaying;
    QPointer<TagWindow> m_tagWindow;
    QPointer<FileBrowserWindow> m_fileBrowser;
    QPointer<ExportMediaWindow> m_exportMedia;
    QPointer<JumpToSongWindow> m_jump;
    QPointer<Player2Window> m_player2;
    // The players' decoders outlive their windows.
    MediaEngine m_engine1;
    MediaEngine m_engine2;
    std::unique_ptr<PlaybackController> m_playback;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<PlaylistCommands> m_commands;
};
