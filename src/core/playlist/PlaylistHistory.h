#pragma once

#include "core/AppState.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <QHash>

#include <deque>
#include <memory>
#include <vector>

class PlaylistModel;

// What can be undone and redone of the playlist's changes, for the run. Each
// step keeps the list before and after the change, as positions in one pool
// of the texts the steps hold (texts shared with the playlist): a step of
// 32,767 entries costs 4 bytes an entry, and a step's list that is the one
// before it is not kept twice.
class PlaylistHistory : public QObject {
    Q_OBJECT
public:
    // The steps kept; the oldest go first.
    static constexpr int kLimit = 100;

    PlaylistHistory(PlaylistModel& model, AppState& state);

    // A change as it begins: the list and the current entry before it.
    struct Before {
        QStringList entries;
        int current = 0;
    };
    Before before() const;
    // The change is done: kept as a step named by what it did ("Remove
    // All"), unless it changed nothing. Steps undone are gone from then on.
    void record(const QString& name, const Before& before);

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < int(m_steps.size()); }
    // The names of the step an undo or a redo acts on; empty when none.
    QString undoName() const;
    QString redoName() const;
    void undo();
    void redo();
    void clear();

    // The memory the steps' lists take beyond the playlist's own, in bytes.
    qsizetype extraBytes() const;

signals:
    void changed();

private:
    // A list as positions in m_texts.
    using Snapshot = std::shared_ptr<const std::vector<int>>;
    struct Step {
        QString name;
        Snapshot before, after;
        int currentBefore = 0, currentAfter = 0;
    };
    Snapshot snapshot(const QStringList& entries);
    QStringList entries(const Snapshot& list) const;
    void show(const Snapshot& list, int current);
    void compact();

    PlaylistModel& m_model;
    AppState& m_state;
    std::deque<Step> m_steps;
    int m_done = 0; // steps in effect; those after them were undone
    // Every text a step holds, once for each of its stores; the pool keeps
    // them alive, so their addresses name them.
    QStringList m_texts;
    QHash<const QChar*, int> m_textAt;
    // The list the playlist had after the last step done or undone, sharing
    // its array while the playlist has not changed since.
    QStringList m_lastList;
    Snapshot m_lastSnapshot;
};
