#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The settings record: one field per key of the settings file. Geometry is
// in twips; 0 means that no value is known.
struct AppSettings {
    // The File Browser: the folder of its folder list (where the file
    // dialogs open too), the folder of its file list, its drive and pattern.
    QString browseFolder, browserFileFolder, browserDrive, browserPattern;
    // Export Media: the folder of its file list, its drive, the folder of
    // its folder list.
    QString exportFileFolder, exportDrive, exportFolder;
    double fileBrowserHeight = 0, fileBrowserLeft = 0, fileBrowserTop = 0;
    double tagWindowLeft = 0, tagWindowTop = 0;
    double exportMediaHeight = 0, exportMediaLeft = 0, exportMediaTop = 0;
    double player1Width = 0, player1Height = 0, player1Left = 0, player1Top = 0;
    double player2Width = 0, player2Height = 0, player2Left = 0, player2Top = 0;
    double nowPlayingWidth = 0, nowPlayingLeft = 0, nowPlayingTop = 0;
    // Export Media's options: copies numbered in play order, and the kind of
    // playlist file written beside them ("M3U", "PLS" or none).
    bool sequence = false;
    QString devicePlaylistType;
};

// A value that tells one listener, at once, whenever it changes. A copy
// carries the value only.
template <class T> class Watched {
public:
    Watched(T value = T()) : m_value(std::move(value)) {}
    Watched(const Watched& other) : m_value(other.m_value) {}
    Watched& operator=(const Watched& other) { return *this = other.m_value; }
    Watched& operator=(T value) {
        if (value != m_value) {
            m_value = value;
            if (m_changed)
                m_changed();
        }
        return *this;
    }
    Watched& operator++() { return *this = T(m_value + 1); }
    operator T() const { return m_value; }
    T get() const { return m_value; }
    void onChange(std::function<void()> changed) { m_changed = std::move(changed); }

private:
    T m_value;
    std::function<void()> m_changed;
};

// Program-wide state, owned by the application and shared by reference with
// every window.
struct AppState {
    AppSettings settings;

    // The playlist position a list run is at; moves act on it.
    Watched<int> currentIndex = 0;
    // What Player 1 plays or is to play, and what Player 2 holds.
    Watched<QString> player1File;
    Watched<QString> player2File;
    // A Player 1 run (list or single song) is active.
    Watched<bool> listPlaying = false;
    // Player 1's next load takes player1File.
    bool loadPending = true;
    // The Player 1 run plays one song only.
    Watched<bool> singleSong = false;
    // Player 2 was loaded by Play2 Song and not stopped since.
    bool player2Cued = false;
    // The Loop box: 1 set, 0 clear (2 greyed, which counts as clear). The
    // box only shows it.
    Watched<int> loop = 0;
    // Both players' volume, 0 to 100.
    int volume = 50;
    // The list shows song titles ("Artist - Title" and the length) instead
    // of the entries' paths; the players' captions and Now Playing follow.
    bool showSongTitles = false;

    // Player 1's full screen and window state (0 normal, 1 minimized,
    // 2 maximized) as its last resize saw them; kept for the program's life.
    bool player1FullScreen = false;
    int player1WindowState = 0;

    // The files the program was started with, absolute (the command line).
    QStringList commandLine;
};
