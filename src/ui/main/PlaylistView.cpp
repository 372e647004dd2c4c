#include "ui/main/PlaylistView.h"

#include "core/playlist/PathNames.h"
#include "core/playlist/PlaylistModel.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// A row as the style draws it, with the song's length, where there is one,
// at its right end; the text gives way to it.
class SongRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QString length = index.data(PlaylistModel::LengthRole).toString();
        if (length.isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem row = option;
        initStyleOption(&row, index);
        const int margin = row.fontMetrics.horizontalAdvance(u' ');
        const int room = row.rect.width() - row.fontMetrics.horizontalAdvance(length) - 3 * margin;
        row.text = row.fontMetrics.elidedText(row.text, Qt::ElideRight, std::max(room, 0));
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &row, painter, view);
        painter->save();
        painter->setFont(row.font);
        painter->setPen(row.palette.color(
            row.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(row.rect.adjusted(0, 0, -margin, 0), Qt::AlignRight | Qt::AlignVCenter,
                          length);
        painter->restore();
    }
};

} // namespace

PlaylistView::PlaylistView(QWidget* parent) : QListView(parent) {
    setItemDelegate(new SongRowDelegate(this));
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDefaultDropAction(Qt::MoveAction);
}

void PlaylistView::keyboardSearch(const QString& search) {
    if (!model() || search.isEmpty())
        return;
    // Keys typed in quick succession spell one name; a pause starts anew.
    const bool more =
        m_lastKey.isValid() && m_lastKey.elapsed() <= QApplication::keyboardInputInterval();
    m_typed = more ? m_typed + search : search;
    m_lastKey.start();
    const int n = model()->rowCount();
    if (n == 0)
        return;
    // A longer name may still be the entry found; a new one is looked for
    // from the next entry on.
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const int from = more ? std::max(current, 0) : current + 1;
    for (int k = 0; k < n; ++k) {
        const QModelIndex i = model()->index((from + k) % n, 0);
        const QString name = PathNames::fileName(i.data(Qt::ToolTipRole).toString());
        if (name.startsWith(m_typed, Qt::CaseInsensitive)) {
            selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
            scrollTo(i);
            return;
        }
    }
}

void PlaylistView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(PlaylistModel::rowsMimeType())) {
        QListView::dragEnterEvent(event);
    } else if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void PlaylistView::dragMoveEvent(QDragMoveEvent* event) {
    // Entries of the list show where they would go; files from outside join
    // at the end, wherever they are dropped.
    if (event->mimeData()->hasFormat(PlaylistModel::rowsMimeType())) {
        QListView::dragMoveEvent(event);
    } else if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void PlaylistView::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasFormat(PlaylistModel::rowsMimeType())) {
        const QModelIndex at = indexAt(event->position().toPoint());
        int target = model()->rowCount();
        if (at.isValid()) {
            target = at.row();
            const QRect r = visualRect(at);
            if (event->position().y() >= r.center().y())
                ++target;
        }
        // Moved here, not removed by the drag's source: the list keeps one
        // of each entry.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        stopAutoScroll();
        setState(NoState);
        viewport()->update();
        emit rowsDropped(PlaylistModel::draggedRows(data), target);
        return;
    }
    if (data->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        emit filesDropped(data);
    }
}
