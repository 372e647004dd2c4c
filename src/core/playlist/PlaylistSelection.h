#pragma once

#include "core/playlist/PlaylistModel.h"

#include <QItemSelectionModel>

#include <algorithm>
#include <vector>

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

    // The selection flags of every entry, and the selection made from them.
    std::vector<char> marks() const {
        std::vector<char> out(size_t(m_model.count()), 0);
        for (const QItemSelectionRange& r : m_selection.selection()) {
            for (int row = std::max(0, r.top()); row <= r.bottom() && row < m_model.count(); ++row)
                out[size_t(row)] = 1;
        }
        return out;
    }
    void select(const std::vector<char>& marks) {
        QItemSelection sel;
        const int n = std::min<int>(int(marks.size()), m_model.count());
        int start = -1;
        for (int i = 0; i <= n; ++i) {
            const bool on = i < n && marks[size_t(i)];
            if (on && start < 0)
                start = i;
            if (!on && start >= 0) {
                sel.append(QItemSelectionRange(m_model.index(start), m_model.index(i - 1)));
                start = -1;
            }
        }
        m_selection.select(sel, QItemSelectionModel::ClearAndSelect);
    }

private:
    const PlaylistModel& m_model;
    QItemSelectionModel& m_selection;
};
