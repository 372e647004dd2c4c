#pragma once

#include <QElapsedTimer>
#include <QListView>

class QMimeData;

// The playlist as the main window shows it: entries are dragged inside it to
// move them, files dropped on it from outside join it, and typing a name
// goes to the first entry whose file name starts so.
class PlaylistView : public QListView {
    Q_OBJECT
public:
    explicit PlaylistView(QWidget* parent = nullptr);

    void keyboardSearch(const QString& search) override;

signals:
    // Files (or folders) dropped from outside.
    void filesDropped(const QMimeData* data);
    // Entries of the list dropped before the entry at target (the count of
    // entries: after the last).
    void rowsDropped(const QList<int>& rows, int target);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString m_typed;
    QElapsedTimer m_lastKey;
};
