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
    virtual void showTagWindow(const QString& path) = 0;
    virtual QRectF mainWindowTwips() const = 0;
    // The song's title as the list shows it while song titles are on; empty
    // while they are off.
    virtual QString songTitle(const QString& path) = 0;
};

// "Jukora - Now Playing": one line for each player, refreshed every five
// seconds.
class NowPlayingWindow : public QWidget {
    Q_OBJECT
public:
    NowPlayingWindow(AppState& state, NowPlayingHost& host, QWidget* parent = nullptr);

    void load();
    void refresh();

    QLabel* player1Label;
    QLabel* player2Label;
    QLineEdit* player1Edit;
    QLineEdit* player2Edit;
    QPushButton* player1TagButton;
    QPushButton* player2TagButton;
    QTimer refreshTimer;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void layOutControls();
    QString songLine(const QString& path);
    void showPlayer1Tag();
    void showPlayer2Tag();

    AppState& m_state;
    NowPlayingHost& m_host;
    bool m_resizing = false;
};
