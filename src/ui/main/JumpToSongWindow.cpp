#include "ui/main/JumpToSongWindow.h"

#include "core/playlist/PlaylistModel.h"
#include "core/playlist/SongSearch.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>

// The matches as the list shows them: the playlist's texts at their
// positions.
class JumpToSongWindow::Matches : public QAbstractListModel {
public:
    explicit Matches(const PlaylistModel& playlist) : m_playlist(playlist) {}
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(rows.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        return m_playlist.text(rows.value(index.row(), -1));
    }
    void show(QList<int> found) {
        beginResetModel();
        rows = std::move(found);
        endResetModel();
    }
    QList<int> rows;

private:
    const PlaylistModel& m_playlist;
};

JumpToSongWindow::JumpToSongWindow(const PlaylistModel& playlist, QWidget* parent)
    : QDialog(parent), m_search(new SongSearch(playlist, this)), m_matches(new Matches(playlist)) {
    setObjectName(QStringLiteral("jumpToSongWindow"));
    setWindowTitle(QStringLiteral("Jump to Song"));
    resize(560, 400);
    searchEdit = new QLineEdit(this);
    searchEdit->setObjectName(QStringLiteral("searchEdit"));
    searchEdit->setClearButtonEnabled(true);
    matchesView = new QListView(this);
    matchesView->setObjectName(QStringLiteral("matchesView"));
    matchesView->setUniformItemSizes(true);
    // Tens of thousands of matches are laid out over several turns of the
    // event loop, so that a keystroke never waits for them.
    matchesView->setLayoutMode(QListView::Batched);
    matchesView->setBatchSize(500);
    matchesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_matches->setParent(this);
    matchesView->setModel(m_matches);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(searchEdit);
    layout->addWidget(matchesView);
    searchEdit->installEventFilter(this);
    connect(searchEdit, &QLineEdit::textChanged, this, [this] { search(); });
    connect(matchesView, &QAbstractItemView::activated, this, [this] { pick(); });
    // The matches follow the list as it changes under the window.
    for (auto change : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&playlist, change, this, [this] { search(); });
    connect(&playlist, &QAbstractItemModel::modelReset, this, [this] { search(); });
    connect(&playlist, &QAbstractItemModel::layoutChanged, this, [this] { search(); });
    m_search->prepare();
    search();
}

JumpToSongWindow::~JumpToSongWindow() = default;

const QList<int>& JumpToSongWindow::matches() const {
    return m_matches->rows;
}

void JumpToSongWindow::search() {
    m_matches->show(m_search->matches(searchEdit->text()));
    if (!m_matches->rows.isEmpty())
        matchesView->setCurrentIndex(m_matches->index(0));
}

void JumpToSongWindow::pick() {
    const QModelIndex current = matchesView->currentIndex();
    if (!current.isValid())
        return;
    emit chosen(m_matches->rows.value(current.row()));
    accept();
}

bool JumpToSongWindow::eventFilter(QObject* watched, QEvent* event) {
    // The field keeps the keyboard: Enter picks, the arrows and pages move
    // through the matches.
    if (watched == searchEdit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            pick();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(matchesView, event);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
