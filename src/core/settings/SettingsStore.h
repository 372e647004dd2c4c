#pragma once

#include "core/settings/SettingsTable.h"

#include <QString>
#include <QStringList>

#include <optional>

class PlaybackController;
class PlaylistModel;

// The program's saved state: the keys of the settings file (and the players'
// volume beside them) and the autosaved playlist, read at start-up and
// written together.
class SettingsStore {
public:
    SettingsStore(AppState& state, PlaylistModel& model, PlaybackController& playback);

    // Reads every key into the settings record, the Loop value and the
    // volume; gives the main window's own values, which it places itself by.
    MainWindowValues readKeys();

    // Appends the autosaved playlist, when there is one. One that exists but
    // cannot be read (damaged, or larger than any list the program writes)
    // is moved aside whole, or, where it cannot be, never saved over while
    // the program runs; the text that tells the user so, empty otherwise.
    QString readAutosave();

    struct SaveResult {
        bool keysWritten = false;
        bool playlistWritten = false;
        // What reading the autosave back gives, once written.
        QStringList readBack;
        bool ok() const { return keysWritten && playlistWritten; }
    };
    // Writes every key, the main window's place only when given (while the
    // window is minimized or maximized its saved place stays), and the
    // autosaved playlist, each whatever became of the other.
    SaveResult save(const std::optional<MainWindowPlace>& place, bool nowPlayingOpen);

    // Deletes the settings file (Reset Program), also a read-only one.
    static void removeSettingsFile();

private:
    AppState& m_state;
    PlaylistModel& m_model;
    PlaybackController& m_playback;
    // A saved playlist that could not be read nor moved aside.
    QString m_keepAutosave;
};
