#pragma once

#include "core/AppState.h"
#include "core/playlist/HtmlPage.h"
#include "core/playlist/PlaylistHistory.h"
#include "core/playlist/PlaylistSelection.h"
#include "core/settings/SettingsStore.h"

#include <QStringList>

#include <functional>
#include <random>

// What the playlist's own commands do to the list, its selection and the
// current index, apart from any window: adding files, replacing the list with
// those of a launch, removing, moving, sorting, shuffling, and exporting.
class PlaylistCommands {
public:
    // save writes the settings and the autosaved playlist, as the program's
    // save does (Shuffle saves).
    using Save = std::function<SettingsStore::SaveResult()>;
    PlaylistCommands(AppState& state, PlaylistModel& model, QItemSelectionModel& selection,
                     Save save);

    PlaylistSelection selection() const { return PlaylistSelection(m_model, m_selection); }

    // Appends files in the given order: a playlist file is read and its
    // entries appended, a folder gives the media files under it, any other
    // name is one entry; nothing past the limit. The count of what found no
    // room.
    int add(const QStringList& names);
    // The files of a launch replace the list, to be played from its top;
    // false when there are none, and the list stays. leftOut counts what
    // found no room.
    bool replace(const QStringList& files, int* leftOut = nullptr);
    // What tells the user that names found no room; empty when all did.
    static QString leftOutText(int leftOut);

    // The focused entry becomes the current one, as a click on it does.
    void takeFocusedAsCurrent();
    // Focuses an entry, and so makes it the current one.
    void setFocusedPosition(int pos);

    // Removes the selected entries; false when none is selected.
    bool removeSelected();
    void removeAll();
    // Moves the current entry one place up (-1) or down (+1), selected and
    // still current.
    void moveCurrent(int direction);
    // Moves entries (any positions, in list order) to stand together before
    // the entry at target (the list's count: at its end), in one step; they
    // stay selected, and the current index follows the entry it was on.
    void moveRows(QList<int> rows, int target);
    void sortAToZ();
    // The sorted copy the last A - Z made.
    const QStringList& sortList() const { return m_sortList; }
    // Mixes the list and saves; the list stays as the moves left it when the
    // save fails. What the save gave.
    SettingsStore::SaveResult shuffle();
    // Every change above can be undone and redone.
    PlaylistHistory& history() { return m_history; }

    // The random numbers of Shuffle.
    std::mt19937& shuffleNumbers() { return m_rng; }

    // Writes entries in the format the name's ending gives; safe on any
    // thread, with progress and a cancel for the formats written in steps.
    enum class Exported { Written, Failed, Cancelled, Unsupported };
    static Exported exportTo(const QStringList& entries, const QString& path, bool relative,
                             const HtmlPage::Progress& progress = {});
    // Whether the export to this name takes long enough to be shown.
    static bool exportTakesSteps(const QString& path);

private:
    SettingsStore::SaveResult shuffleAndSave();

    AppState& m_state;
    PlaylistModel& m_model;
    QItemSelectionModel& m_selection;
    Save m_save;
    PlaylistHistory m_history;
    QStringList m_sortList;
    std::mt19937 m_rng;
};
