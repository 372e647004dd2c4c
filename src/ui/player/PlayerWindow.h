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
};

// The design both player windows share: one media player component over the
// player's engine, filling the window; a remote that hands over to the
// playback controller; dropped files and the saved geometry.
class PlayerWindow : public QWidget {
    Q_OBJECT
public:
    PlayerWindow(AppState& state, PlaybackController& playback, MediaEngine& engine,
                 PlayerHost& host, int number);
    ~PlayerWindow() override;

    void remote();
    // Places the window before it is first shown.
    virtual void Form_Load() = 0;

    // Files dropped on the window: the first one is loaded.
    void Form_OLEDragDrop(const QMimeData* data);

    MediaPlayer* MediaPlayer1;

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
class player : public PlayerWindow {
    Q_OBJECT
public:
    player(AppState& state, PlaybackController& playback, MediaEngine& engine, PlayerHost& host);
    void Form_Load() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void storeGeometry() override;

private:
    void recordState();
};

// Player 2: holds one song, loaded and halted.
class player2 : public PlayerWindow {
    Q_OBJECT
public:
    player2(AppState& state, PlaybackController& playback, MediaEngine& engine, PlayerHost& host);
    void Form_Load() override;

protected:
    void storeGeometry() override;
};
