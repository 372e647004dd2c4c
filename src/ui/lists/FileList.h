#pragma once

#include "core/files/FolderListing.h"

#include <QList>
#include <QListView>
#include <QString>
#include <QStringList>

class FileNameModel;

// The file list: the files of one folder that match the pattern, sorted by
// name without regard to case; several can be selected (click, Shift-click,
// Ctrl-click). Hidden files (names starting with ".") are not listed.
// Setting the path or the pattern re-reads the folder.
class FileList : public QListView {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    ~FileList() override;

    // The folder listed; empty before the first one is set.
    QString path() const;
    // Lists a folder. False, with the list unchanged, when it is no folder.
    // Setting the folder it already lists changes nothing.
    bool setPath(const QString& folder);
    QString pattern() const;
    // Sets the pattern and re-reads the folder.
    void setPattern(const QString& pattern);
    // Re-reads the folder; the selection is cleared. False, with the list
    // unchanged, when the folder cannot be read any more.
    bool refresh();

    int count() const;
    // The listed names, in list order.
    const QStringList& names() const;
    QString name(int row) const;
    // A listed file's full path: the folder and its name joined with one
    // separator.
    QString fullPath(int row) const;

    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    // Selects every entry.
    void selectEverything();
    // The selected rows in list order.
    QList<int> selectedRows() const;
    // The focused (current) entry's row; -1 when none.
    int focused() const;
    // Moves the focus to a row and shows it, leaving the selection alone.
    void setFocused(int row);

signals:
    // An entry was double-clicked; the row is the one that has the focus.
    void entryDoubleClicked(int row);
    // The right mouse button was pressed over the list (the selection is
    // left as it is).
    void rightButtonPressed(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool read(const QString& folder);

    FileNameModel* m_model;
    QString m_folder;
    QString m_pattern = QStringLiteral("*.*");
};
