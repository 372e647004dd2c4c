#pragma once

#include "core/playlist/PlaylistModel.h"

#include <QItemSelectionModel>

// The playlist's selection flags and focused position, by position. Selecting
// an entry also makes it the focused one, as a click does.
class PlaylistSelection {
public:
    PlaylistSelection(const PlaylistModel& model, QItemSelectionModel& selection)
        : m_model(model), m_selection(selection) {}

    bool isSelected(int pos) const {
        return m_model.isEntry(pos) && m_selection.isSelected(m_model.index(pos));
    }
    void setSelected(int pos, bool selected) {
        if (!m_model.isEntry(pos))
            return;
        const QModelIndex i = m_model.index(pos);
        if (selected)
            m_selection.setCurrentIndex(i, QItemSelectionModel::Select);
        else
            m_selection.select(i, QItemSelectionModel::Deselect);
    }
    // -1 when there is none.
    int focusedPosition() const {
        const QModelIndex i = m_selection.currentIndex();
        return i.isValid() ? i.row() : -1;
    }
    void setFocusedPosition(int pos) {
        if (m_model.isEntry(pos))
            m_selection.setCurrentIndex(m_model.index(pos), QItemSelectionModel::NoUpdate);
    }
    QItemSelectionModel& model() const { return m_selection; }

private:
    const PlaylistModel& m_model;
    QItemSelectionModel& m_selection;
};
