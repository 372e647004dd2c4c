#pragma once

#include <QDialog>
#include <QList>

class PlaylistModel;
class QLineEdit;
class QListView;
class SongSearch;

// "Jump to Song": a search field over the playlist, its matches listed as
// one types; Enter or a double-click picks one (chosen), Esc closes.
class JumpToSongWindow : public QDialog {
    Q_OBJECT
public:
    JumpToSongWindow(const PlaylistModel& playlist, QWidget* parent = nullptr);
    ~JumpToSongWindow() override;

    QLineEdit* searchEdit;
    QListView* matchesView;
    // The list positions of the matches shown.
    const QList<int>& matches() const;

signals:
    // A match picked: its position in the playlist.
    void chosen(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Matches;
    void search();
    void pick();

    SongSearch* m_search;
    Matches* m_matches;
};
