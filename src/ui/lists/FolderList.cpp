#include "ui/lists/FolderList.h"

#include "core/files/FolderListing.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <optional>
#include <vector>

namespace {

constexpr int kIndentPx = 8;

QString normalized(const QString& folder) {
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

} // namespace

class FolderModel : public QAbstractListModel {
public:
    explicit FolderModel(QObject* parent) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(m_entries.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= int(m_entries.size()))
            return QVariant();
        const FolderListing::Entry& e = m_entries[size_t(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return e.label;
        case Qt::ToolTipRole:
            return e.path;
        case Qt::DecorationRole:
            return e.open ? m_openIcon : m_closedIcon;
        case Qt::UserRole:
            return e.depth;
        default:
            return QVariant();
        }
    }

    void setEntries(std::vector<FolderListing::Entry> entries, const QString& folder) {
        beginResetModel();
        m_entries = std::move(entries);
        m_folder = folder;
        endResetModel();
    }

    void setIcons(const QIcon& open, const QIcon& closed) {
        m_openIcon = open;
        m_closedIcon = closed;
    }

    const QString& folder() const { return m_folder; }
    int openRow() const {
        int row = -1;
        for (size_t i = 0; i < m_entries.size() && m_entries[i].open; ++i)
            row = int(i);
        return row;
    }
    QString pathAt(int row) const {
        return row >= 0 && row < int(m_entries.size()) ? m_entries[size_t(row)].path : QString();
    }

private:
    std::vector<FolderListing::Entry> m_entries;
    QString m_folder;
    QIcon m_openIcon, m_closedIcon;
};

namespace {

// Draws each entry indented by its depth, as a tree of the open path.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        opt.rect.setLeft(opt.rect.left() + kIndentPx * index.data(Qt::UserRole).toInt());
        QStyledItemDelegate::paint(painter, opt, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += kIndentPx * index.data(Qt::UserRole).toInt();
        return s;
    }
};

} // namespace

FolderList::FolderList(QWidget* parent) : QListView(parent), m_model(new FolderModel(this)) {
    m_model->setIcons(style()->standardIcon(QStyle::SP_DirOpenIcon),
                      style()->standardIcon(QStyle::SP_DirClosedIcon));
    setModel(m_model);
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
}

FolderList::~FolderList() = default;

QString FolderList::path() const {
    return m_model->folder();
}

bool FolderList::setPath(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QString target = normalized(folder);
    if (target == path())
        return QFileInfo(target).isDir();
    auto entries = FolderListing::folders(target);
    if (!entries)
        return false;
    m_model->setEntries(std::move(*entries), target);
    setHighlighted(openRow());
    emit changed(target);
    return true;
}

bool FolderList::refresh() {
    if (path().isEmpty())
        return false;
    auto entries = FolderListing::folders(path());
    if (!entries)
        return false;
    m_model->setEntries(std::move(*entries), path());
    setHighlighted(openRow());
    return true;
}

int FolderList::count() const {
    return m_model->rowCount();
}

QString FolderList::entryPath(int row) const {
    return m_model->pathAt(row);
}

int FolderList::openRow() const {
    return m_model->openRow();
}

int FolderList::highlighted() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void FolderList::setHighlighted(int row) {
    if (row < 0 || row >= count())
        return;
    const QModelIndex index = m_model->index(row);
    setCurrentIndex(index);
    scrollTo(index);
}

QString FolderList::highlightedPath() const {
    const int row = highlighted();
    return row >= 0 ? entryPath(row) : path();
}

void FolderList::openEntry(int row) {
    if (row < 0 || row >= count())
        return;
    setPath(entryPath(row));
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openEntry(highlighted());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void FolderList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit rightButtonPressed(event->globalPosition().toPoint());
        return;
    }
    QListView::mousePressEvent(event);
}

void FolderList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    QListView::mouseDoubleClickEvent(event);
    if (index.isValid())
        openEntry(index.row());
}
