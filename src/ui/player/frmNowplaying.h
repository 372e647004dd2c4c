#pragma once

#include "core/AppState.h"

#include <QRectF>
#include <QTimer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// What the Now Playing strip needs of the main window.
class NowPlayingHost {
public:
    virtual ~NowPlayingHost() = default;
    virtual bool isPlayer1Open() const = 0;
    virtual bool isPlayer2Open() const = 0;
    virtual void ShowID3Info(const QString& path) = 0;
    virtual QRectF mainWindowTwips() const = 0;
};

// "Jukora - Now Playing": one line for each player, refreshed every five
// seconds.
class frmNowplaying : public QWidget {
    Q_OBJECT
public:
    frmNowplaying(AppState& state, NowPlayingHost& host, QWidget* parent = nullptr);

    void Form_Load();
    void NowPlaying();

    QLabel* Label4;
    QLabel* Label1;
    QLineEdit* txtPlayer;
    QLineEdit* txtMixer;
    QPushButton* cmdID3player;
    QPushButton* cmdID3mixer;
    QTimer Timer1;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    void cmdID3player_Click();
    void cmdID3mixer_Click();

    AppState& m_state;
    NowPlayingHost& m_host;
    bool m_resizing = false;
};
