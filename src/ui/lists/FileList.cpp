#include "ui/lists/FileList.h"

#include "core/playlist/PathNames.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include <algorithm>

// ---------------------------------------------------------------------------
// Model

class FileNameModel : public QAbstractListModel {
public:
    explicit FileNameModel(QObject* parent) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(m_names.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_names.size())
            return QVariant();
        return m_names.at(index.row());
    }

    void setNames(QStringList names) {
        beginResetModel();
        m_names = std::move(names);
        endResetModel();
    }

    const QStringList& names() const { return m_names; }

private:
    QStringList m_names;
};

// ---------------------------------------------------------------------------
// List

FileList::FileList(QWidget* parent) : QListView(parent), m_model(new FileNameModel(this)) {
    setModel(m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
}

FileList::~FileList() = default;

QString FileList::path() const {
    return m_folder;
}

bool FileList::setPath(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QString target = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (target == m_folder)
        return QFileInfo(target).isDir();
    return read(target);
}

QString FileList::pattern() const {
    return m_pattern;
}

void FileList::setPattern(const QString& pattern) {
    m_pattern = pattern;
    if (!m_folder.isEmpty())
        read(m_folder);
}

bool FileList::refresh() {
    return !m_folder.isEmpty() && read(m_folder);
}

bool FileList::read(const QString& folder) {
    std::optional<QStringList> names = FolderListing::files(folder, FilePattern(m_pattern));
    if (!names)
        return false;
    m_folder = folder;
    m_model->setNames(std::move(*names));
    return true;
}

int FileList::count() const {
    return m_model->rowCount();
}

const QStringList& FileList::names() const {
    return m_model->names();
}

QString FileList::name(int row) const {
    return row >= 0 && row < count() ? names().at(row) : QString();
}

QString FileList::fullPath(int row) const {
    return row >= 0 && row < count() ? PathNames::join(m_folder, names().at(row)) : QString();
}

bool FileList::isSelected(int row) const {
    return row >= 0 && row < count() && selectionModel()->isSelected(m_model->index(row));
}

void FileList::setSelected(int row, bool selected) {
    if (row < 0 || row >= count())
        return;
    selectionModel()->select(m_model->index(row), selected ? QItemSelectionModel::Select
                                                           : QItemSelectionModel::Deselect);
}

void FileList::selectEverything() {
    if (count() == 0)
        return;
    selectionModel()->select(QItemSelection(m_model->index(0), m_model->index(count() - 1)),
                             QItemSelectionModel::Select);
}

QList<int> FileList::selectedRows() const {
    QList<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int FileList::focused() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void FileList::setFocused(int row) {
    if (row < 0 || row >= count())
        return;
    const QModelIndex index = m_model->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
}

void FileList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit rightButtonPressed(event->globalPosition().toPoint());
        return;
    }
    QListView::mousePressEvent(event);
}

void FileList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    QListView::mouseDoubleClickEvent(event);
    if (index.isValid())
        emit entryDoubleClicked(index.row());
}
