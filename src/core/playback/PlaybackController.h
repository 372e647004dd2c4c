#pragma once

#include "core/AppState.h"
#include "core/playback/MediaControl.h"
#include "core/playlist/PlaylistSelection.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class PlaylistModel;
class QItemSelectionModel;

// What the playback rules need of the windows around them.
class PlaybackHost {
public:
    virtual ~PlaybackHost() = default;
    // The player windows, 1 and 2. Showing loads a window first when it is
    // not open and leaves an open one as it is; closing unloads it, which
    // ends its playback.
    virtual bool isPlayerOpen(int player) const = 0;
    virtual void showPlayer(int player) = 0;
    virtual void closePlayer(int player) = 0;
    virtual void setPlayerCaption(int player, const QString& caption) = 0;
    // Brings the main window back to its normal state (it may have been
    // minimized to play a file from the command line).
    virtual void restoreMainWindow() = 0;
    // Writes the settings and the autosaved playlist.
    virtual void saveSettings() = 0;
    // A message box with an OK button and the product name; returns once it
    // is closed, with the program running meanwhile.
    virtual void message(const QString& text) = 0;
};

// Plays the playlist: Play List, Play Song, Play2 Song and Stop All, the
// players' loading, the next-song rule and what happens when a
// file cannot be played. It works on the playlist, its selection, the
// program-wide state and the two players' engines.
//
// The file queued in Player 1's engine after the current one is derived from
// what the next-song rule reads (the current index, the focused position,
// the entries, Loop, single-song mode): whenever one of them changes, the
// queue is brought up to date at once, so that the song playing always ends
// whole and the next one follows without a gap.
class PlaybackController : public QObject {
    Q_OBJECT
public:
    static QString mediaErrorText() { return QStringLiteral("Error with Media Player"); }

    PlaybackController(AppState& state, PlaylistModel& model, QItemSelectionModel& selection,
                       MediaControl& player1, MediaControl& player2, PlaybackHost& host);
    ~PlaybackController() override;

    // The four commands.
    void playList();
    void playSong();
    void play2Song();
    void stopAll();

    // The next-song rule, run when a song has ended.
    void advance();
    // Each player's own load: Player 1 loads player1File when loadPending
    // is set and stops when no run is active; Player 2 loads player2File and
    // leaves it halted.
    void loadPlayer1();
    void loadPlayer2();
    // A file dropped on a player window.
    void dropOnPlayer(int player, const QString& path);

    // The desktop's Next and Previous: the next entry as the end of the
    // song picks it, or the entry before; outside a list run, the entry
    // after or before the current one as Play Song.
    bool canGoNext() const;
    bool canGoPrevious() const;
    void next();
    void previous();

    int loop() const { return m_state.loop; }
    void setLoop(int value);
    int volume() const { return m_state.volume; }
    void setVolume(int volume);

    // How a player's caption names its song: by its file name, unless
    // given another rule (song titles); refreshCaptions() names the songs
    // loaded now anew.
    void setSongNames(std::function<QString(const QString&)> name) { m_songName = std::move(name); }
    void refreshCaptions();

    MediaControl& engine(int player) const { return player == 2 ? m_player2 : m_player1; }
    PlaybackHost& host() const { return m_host; }
    AppState& state() const { return m_state; }
    int entryCount() const;
    // Player 1 plays the list (not a single song).
    bool isListRun() const;
    // The file the next-song rule will name when Player 1's song ends, as
    // things stand now; empty when the run ends there.
    QString expectedNext() const;

    // A command in progress: the queue is brought up to date once, when the
    // outermost one is done, not at every step on the way.
    class Batch;

signals:
    void loopChanged(int value);
    void volumeChanged(int volume);
    // Whatever the desktop's controls show may have changed.
    void changed();
    // The file Player 1 or Player 2 holds has changed.
    void playersChanged();

private:
    void startList();
    // Loads and starts Player 1's file; false when it could not be loaded.
    bool tryLoadPlayer1();
    // The next-song rule, as at the end of a song.
    void playNext();
    // Loads Player 1's file; when it cannot be played and the run goes on,
    // the next entry.
    void loadOrGoOn(const QString& file);
    // A Player 1 file failed: reports it the first time and tells whether
    // the run goes on.
    bool continueAfterFailure(const QString& path);
    // Shows the message about a file that cannot be played.
    void report(const QString& path);
    QString caption(int player, const QString& file) const;
    void endRun();
    void requeue();
    void player1StateChanged(int state);
    void player1Error(const QString& path);

    AppState& m_state;
    PlaylistModel& m_model;
    PlaylistSelection m_selection;
    MediaControl& m_player1;
    MediaControl& m_player2;
    PlaybackHost& m_host;

    int m_batch = 0;
    // Player 1 files in a row that could not be played.
    int m_failedInRow = 0;
    // Player 1 files that failed in this run (each reported once), and
    // whether a message is open.
    QSet<QString> m_failed;
    bool m_messageOpen = false;
    std::function<QString(const QString&)> m_songName;
};

class PlaybackController::Batch {
public:
    explicit Batch(PlaybackController& c) : m_c(c) { ++m_c.m_batch; }
    ~Batch() {
        if (--m_c.m_batch == 0)
            m_c.requeue();
    }

private:
    PlaybackController& m_c;
};
