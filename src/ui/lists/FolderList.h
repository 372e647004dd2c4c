#pragma once

#include <QListView>
#include <QString>

class FolderModel;

// The folder list: the ancestors of the open folder from the root down,
// the open folder itself, then its subfolders sorted by name, each indented
// by its depth. Hidden folders (names starting with ".") are not listed. A
// single click highlights an entry; a double click or Enter opens it.
// changed() is sent only when the open folder really changes, never when
// the path is set to what it already is and never by a re-read.
class FolderList : public QListView {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);
    ~FolderList() override;

    // The open folder; empty before the first one is opened.
    QString path() const;
    // Opens a folder and lists it, sending changed() when it differs from
    // the open one. False, with the list unchanged, when it is no folder
    // that can be read.
    bool setPath(const QString& folder);
    // Re-reads the open folder; the highlight goes back to the open folder.
    // False, with the list unchanged, when the folder cannot be read any
    // more.
    bool refresh();

    int count() const;
    // The folder an entry stands for.
    QString entryPath(int row) const;
    // The row of the open folder (its ancestors are above it).
    int openRow() const;

    // The highlighted entry's row; -1 when none.
    int highlighted() const;
    // Highlights an entry; a row outside the list is ignored.
    void setHighlighted(int row);
    // The highlighted entry's folder, or the open folder when nothing is
    // highlighted.
    QString highlightedPath() const;

    // Opens the entry at a row, as a double click does.
    void openEntry(int row);

signals:
    void changed(const QString& path);
    // The right mouse button was pressed over the list (the highlight is
    // left as it is).
    void rightButtonPressed(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    FolderModel* m_model;
};
