#pragma once

#include "core/AppState.h"

#include <QWidget>

class MediaEngine;
class MediaPlayer;
class PlaybackController;
class QMimeData;

// What the player windows need of the main window.
class PlayerHost {
public:
    virtual ~PlayerHost() = default;
    virtual bool isMainWindowVisible() const = 0;
    // Appends files (a folder: the media files under it) to the playlist.
    virtual void addToPlaylist(const QStringList& paths) = 0;
};

// The design both player windows share: one media player component over the
// player's engine, filling the window; a load that hands over to the
// playback controller; dropped files and the saved geometry.
class PlayerWindow : public QWidget {
    Q_OBJECT
public:
    PlayerWindow(AppState& state, PlaybackController& playback, MediaEngine& engine,
                 PlayerHost& host, int number);
    ~PlayerWindow() override;

    void loadSong();
    // Places the window before it is first shown.
    virtual void load() = 0;

    // Files dropped on the window: the first one is loaded.
    void dropFiles(const QMimeData* data);

    MediaPlayer* mediaPlayer;

signals:
    // The window has closed; it is destroyed right after.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    void applySavedGeometry(double w, double h, double x, double y);
    virtual void storeGeometry() = 0;

    AppState& m_state;
    PlaybackController& m_playback;
    PlayerHost& m_host;
    const int m_number;
};

// Player 1: plays what the list run gives it.
class Player1Window : public PlayerWindow {
    Q_OBJECT
public:
    Player1Window(AppState& state, PlaybackController& playback, MediaEngine& engine,
                  PlayerHost& host);
    void load() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void storeGeometry() override;

private:
    void recordState();
};

// Player 2: holds one song, loaded and halted.
class Player2Window : public PlayerWindow {
    Q_OBJECT
public:
    Player2Window(AppState& state, PlaybackController& playback, MediaEngine& engine,
                  PlayerHost& host);
    void load() override;

protected:
    void storeGeometry() override;
};
