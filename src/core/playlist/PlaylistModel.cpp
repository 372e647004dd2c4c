#include "core/playlist/PlaylistModel.h"

#include "core/playlist/PathNames.h"
#include "core/tags/SongTitles.h"

#include <QMimeData>

namespace {

// Rows on either side of one shown whose titles are read after it, so that
// a step or a page further on shows them at once.
constexpr int kAround = 24;

} // namespace

PlaylistModel::PlaylistModel(QObject* parent) : QAbstractListModel(parent) {}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    const QString entry = text(index.row());
    if (role == Qt::ToolTipRole || (role == Qt::DisplayRole && !m_titles))
        return entry;
    if (!m_titles || (role != Qt::DisplayRole && role != LengthRole))
        return QVariant();
    const SongTitle* title = m_titles->find(entry);
    if (!title) {
        askForTitlesAround(index.row());
        return role == Qt::DisplayRole ? PathNames::fileName(entry) : QString();
    }
    return role == Qt::DisplayRole ? title->text : SongTitles::lengthText(title->seconds);
}

void PlaylistModel::askForTitlesAround(int row) const {
    m_titles->request(text(row));
    for (int k = 1; k <= kAround; ++k) {
        if (row + k < count())
            m_titles->request(text(row + k), false);
        if (row - k >= 0)
            m_titles->request(text(row - k), false);
    }
}

void PlaylistModel::setTitles(SongTitles* titles) {
    if (titles == m_titles)
        return;
    disconnect(m_titlesRead);
    m_titles = titles;
    // Titles arrive a few at a time for rows on screen: the view repaints
    // what it shows.
    const auto allChanged = [this] {
        if (count() > 0)
            emit dataChanged(index(0), index(count() - 1), {Qt::DisplayRole, LengthRole});
    };
    if (titles)
        m_titlesRead = connect(titles, &SongTitles::titlesRead, this, allChanged);
    allChanged();
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractListModel::flags(index);
    if (!index.isValid())
        f |= Qt::ItemIsDropEnabled;
    else
        f |= Qt::ItemIsDragEnabled;
    return f;
}

Qt::DropActions PlaylistModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

QMimeData* PlaylistModel::mimeData(const QModelIndexList& indexes) const {
    QList<int> rows;
    for (const QModelIndex& i : indexes) {
        if (i.isValid() && i.row() < count())
            rows << i.row();
    }
    std::sort(rows.begin(), rows.end());
    QByteArray text;
    for (int r : rows)
        text += QByteArray::number(r) + ' ';
    auto* data = new QMimeData;
    data->setData(rowsMimeType(), text);
    return data;
}

bool PlaylistModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                    const QModelIndex&) const {
    return data && (data->hasUrls() || data->hasFormat(rowsMimeType()));
}

QList<int> PlaylistModel::draggedRows(const QMimeData* data) {
    QList<int> rows;
    if (!data)
        return rows;
    for (const QByteArray& r : data->data(rowsMimeType()).split(' ')) {
        bool ok = false;
        const int row = r.toInt(&ok);
        if (ok)
            rows << row;
    }
    return rows;
}

Qt::DropActions PlaylistModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

QStringList PlaylistModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list"), rowsMimeType()};
}

QString PlaylistModel::text(int pos) const {
    if (!isEntry(pos))
        return QString();
    return pos < m_entries.size() ? m_entries.at(pos) : m_found.at(pos - m_entries.size());
}

void PlaylistModel::settle() const {
    if (m_found.isEmpty())
        return;
    if (m_entries.isEmpty())
        m_entries = m_found.strings();
    else
        m_entries.append(m_found.strings());
    m_found = FoundEntries();
}

bool PlaylistModel::append(const QString& entry) {
    if (count() >= MaxEntries)
        return false;
    settle();
    beginInsertRows(QModelIndex(), count(), count());
    m_entries.append(entry);
    endInsertRows();
    return true;
}

int PlaylistModel::append(const QStringList& entries) {
    const int room = MaxEntries - count();
    const int n = std::min<int>(room, int(entries.size()));
    if (n <= 0)
        return 0;
    settle();
    beginInsertRows(QModelIndex(), count(), count() + n - 1);
    if (m_entries.isEmpty() && n == entries.size())
        m_entries = entries; // shares the data: no copy of 32,767 texts
    else
        m_entries.append(entries.mid(0, n));
    endInsertRows();
    return n;
}

int PlaylistModel::append(FoundEntries found) {
    found.truncate(MaxEntries - count());
    const int n = int(found.size());
    if (n <= 0)
        return 0;
    beginInsertRows(QModelIndex(), count(), count() + n - 1);
    if (m_found.isEmpty()) {
        m_found = std::move(found);
    } else {
        settle();
        m_entries.append(found.strings());
    }
    endInsertRows();
    return n;
}

void PlaylistModel::setText(int pos, const QString& text) {
    if (!isEntry(pos))
        return;
    settle();
    m_entries[pos] = text;
    const QModelIndex i = index(pos);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void PlaylistModel::swapEntries(int a, int b) {
    if (!isEntry(a) || !isEntry(b))
        return;
    settle();
    m_entries.swapItemsAt(a, b);
    const QModelIndex ia = index(std::min(a, b));
    const QModelIndex ib = index(std::max(a, b));
    emit dataChanged(ia, ib, {Qt::DisplayRole});
}

void PlaylistModel::removeAt(int pos) {
    if (!isEntry(pos))
        return;
    settle();
    beginRemoveRows(QModelIndex(), pos, pos);
    m_entries.removeAt(pos);
    endRemoveRows();
}

void PlaylistModel::clear() {
    beginResetModel();
    m_entries.clear();
    m_found = FoundEntries();
    endResetModel();
}

void PlaylistModel::removeMarked(const std::vector<char>& marks) {
    settle();
    QStringList kept;
    kept.reserve(count());
    for (int i = 0; i < count(); ++i) {
        if (i >= int(marks.size()) || !marks[i])
            kept.append(m_entries.at(i));
    }
    if (kept.size() == m_entries.size())
        return;
    replaceAll(kept);
}

void PlaylistModel::replaceAll(const QStringList& entries) {
    beginResetModel();
    m_entries = entries.size() > MaxEntries ? entries.mid(0, MaxEntries) : entries;
    m_found = FoundEntries();
    endResetModel();
}

void PlaylistModel::reorder(const std::vector<int>& order) {
    if (int(order.size()) != count())
        return;
    settle();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newOf(order.size());
    QStringList entries;
    entries.reserve(count());
    for (size_t i = 0; i < order.size(); ++i) {
        entries.append(m_entries.at(order[i]));
        newOf[size_t(order[i])] = int(i);
    }
    m_entries = entries;
    const QModelIndexList old = persistentIndexList();
    QModelIndexList now;
    now.reserve(old.size());
    for (const QModelIndex& i : old)
        now << index(newOf[size_t(i.row())]);
    changePersistentIndexList(old, now);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
