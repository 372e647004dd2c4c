#include "core/playlist/PlaylistModel.h"

PlaylistModel::PlaylistModel(QObject* parent) : QAbstractListModel(parent) {}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_entries.at(index.row());
    return QVariant();
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractListModel::flags(index);
    if (!index.isValid())
        f |= Qt::ItemIsDropEnabled;
    return f;
}

Qt::DropActions PlaylistModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

QStringList PlaylistModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QString PlaylistModel::text(int pos) const {
    return isEntry(pos) ? m_entries.at(pos) : QString();
}

bool PlaylistModel::append(const QString& entry) {
    if (count() >= MaxEntries)
        return false;
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
    beginInsertRows(QModelIndex(), count(), count() + n - 1);
    if (m_entries.isEmpty() && n == entries.size())
        m_entries = entries; // shares the data: no copy of 32,767 texts
    else
        m_entries.append(entries.mid(0, n));
    endInsertRows();
    return n;
}

void PlaylistModel::setText(int pos, const QString& text) {
    if (!isEntry(pos))
        return;
    m_entries[pos] = text;
    const QModelIndex i = index(pos);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void PlaylistModel::swapEntries(int a, int b) {
    if (!isEntry(a) || !isEntry(b))
        return;
    m_entries.swapItemsAt(a, b);
    const QModelIndex ia = index(std::min(a, b));
    const QModelIndex ib = index(std::max(a, b));
    emit dataChanged(ia, ib, {Qt::DisplayRole});
}

void PlaylistModel::removeAt(int pos) {
    if (!isEntry(pos))
        return;
    beginRemoveRows(QModelIndex(), pos, pos);
    m_entries.removeAt(pos);
    endRemoveRows();
}

void PlaylistModel::clear() {
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void PlaylistModel::removeMarked(const std::vector<char>& marks) {
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
    endResetModel();
}
