#pragma once

#include "core/playlist/FoundEntries.h"

#include <QAbstractListModel>
#include <QStringList>

#include <vector>

class SongTitles;

// The playlist: an ordered list of entry texts (normally full paths), shown
// as stored, or as song titles with their lengths. Bulk changes reach the
// view as one notification.
class PlaylistModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Positions and counts are 16-bit signed.
    static constexpr int MaxEntries = 32767;
    // A row's song length as text ("3:07"), where titles are shown and the
    // length is known.
    static constexpr int LengthRole = Qt::UserRole + 1;

    explicit PlaylistModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    // Files from outside as addresses; entries dragged inside the list as
    // their positions (rowsMimeType).
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    static QString rowsMimeType() { return QStringLiteral("application/x-jukora-playlist-rows"); }
    // The positions a drag inside the list carries, in list order.
    static QList<int> draggedRows(const QMimeData* data);

    int count() const { return int(m_entries.size() + m_found.size()); }
    const QStringList& entries() const {
        settle();
        return m_entries;
    }

    // The text at a position; empty where there is no entry.
    QString text(int pos) const;
    bool isEntry(int pos) const { return pos >= 0 && pos < count(); }

    // Appends at the end. Nothing is added once the list is full; the return
    // value counts what was added.
    bool append(const QString& entry);
    int append(const QStringList& entries);
    // Appends a file's entries as found: their strings are made when the list
    // is first wanted whole or changed, and a row shown meanwhile is drawn
    // from the file's text. The start-up shows its list without making a
    // string of every entry first.
    int append(FoundEntries found);

    void setText(int pos, const QString& text);
    void swapEntries(int a, int b);
    void removeAt(int pos);
    void clear();

    // Removes every entry whose mark is set, keeping the others in order.
    void removeMarked(const std::vector<char>& marks);

    // Shows each row as its song's title, read from titles as rows are
    // shown (the file name until it arrives), or as stored when null. The
    // tooltip is the entry as stored, either way.
    void setTitles(SongTitles* titles);
    SongTitles* titles() const { return m_titles; }

    // Replaces the whole list.
    void replaceAll(const QStringList& entries);
    // Puts the entries in a new order, order[new position] being the old
    // one, as one change of layout: selections and the focus follow their
    // entries.
    void reorder(const std::vector<int>& order);

private:
    void askForTitlesAround(int row) const;
    // Makes the strings of the entries appended as found.
    void settle() const;

    mutable QStringList m_entries;
    // The entries after m_entries that are still as found.
    mutable FoundEntries m_found;
    SongTitles* m_titles = nullptr;
    QMetaObject::Connection m_titlesRead;
};
