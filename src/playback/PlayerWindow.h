#pragma once

#include "app/AppState.h"
#include "platform/Dialogs.h"

#include <QWidget>

class MediaPlayer;
class QMimeData;

// What the player windows need of the main window.
class PlayerHost {
public:
    virtual ~PlayerHost() = default;
    // The next-song rule, run when a song has ended.
    virtual void remote() = 0;
    virtual bool isMainWindowVisible() const = 0;
    // Player 1 could not play playerFile (the message has been shown).
    virtual void player1Failed() = 0;
};

// The design both player windows share: one media player component filling
// the window, a remote that loads it, the end-of-song notification, dropped
// files and the saved geometry.
class PlayerWindow : public QWidget {
    Q_OBJECT
public:
    PlayerWindow(AppState& state, Platform& platform, PlayerHost& host, int number);
    ~PlayerWindow() override;

    virtual void remote() = 0;
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

    // Gives path to the component; shows the failure message and returns
    // false when the component rejects it.
    bool load(const QString& path);
    void showMediaError();
    void applySavedGeometry(double w, double h, double x, double y);
    virtual void MediaPlayer1_PlayStateChange(int newState) = 0;
    virtual void mediaFailed() = 0;
    virtual void droppedFile(const QString& path) = 0;
    virtual void storeGeometry() = 0;

    AppState& m_state;
    Platform& m_platform;
    PlayerHost& m_host;
    const int m_number;
};

// Player 1: plays what the list run gives it.
class player : public PlayerWindow {
    Q_OBJECT
public:
    player(AppState& state, Platform& platform, PlayerHost& host);
    void remote() override;
    void Form_Load() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void MediaPlayer1_PlayStateChange(int newState) override;
    void mediaFailed() override;
    void droppedFile(const QString& path) override;
    void storeGeometry() override;

private:
    void recordState();
};

// Player 2: holds one song, loaded and halted.
class player2 : public PlayerWindow {
    Q_OBJECT
public:
    player2(AppState& state, Platform& platform, PlayerHost& host);
    void remote() override;
    void Form_Load() override;

protected:
    void MediaPlayer1_PlayStateChange(int newState) override;
    void mediaFailed() override;
    void droppedFile(const QString& path) override;
    void storeGeometry() override;
};
