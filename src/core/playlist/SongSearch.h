#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class PlaylistModel;

// Finding songs in the playlist as one types: every word of the query
// somewhere in an entry (its folders and file name), without regard to case
// or accents; the matches in list order. Each entry's folded text is made
// once and kept until the list changes, and a query that only adds to the
// last one searches the last one's matches, so that a keystroke costs one
// pass over at most the whole list.
class SongSearch : public QObject {
    Q_OBJECT
public:
    explicit SongSearch(const PlaylistModel& model, QObject* parent = nullptr);

    QList<int> matches(const QString& query);
    // Makes the entries' folded texts now (the window opening), not at the
    // first keystroke.
    void prepare();

private:
    const PlaylistModel& m_model;
    QStringList m_keys; // empty: to be made
    QStringList m_lastWords;
    QList<int> m_lastMatches;
    bool m_lastValid = false;
};
