#include "core/playlist/PlaylistCommands.h"

#include "core/playlist/PlaylistEdits.h"
#include "core/playlist/PlaylistFiles.h"

PlaylistCommands::PlaylistCommands(AppState& state, PlaylistModel& model,
                                   QItemSelectionModel& selection, Save save)
    : m_state(state), m_model(model), m_selection(selection), m_save(std::move(save)),
      m_history(model, state), m_rng(std::random_device{}()) {}

int PlaylistCommands::add(const QStringList& names) {
    const auto before = m_history.before();
    int leftOut = 0;
    m_model.append(PlaylistFiles::entriesFromNames(
        names, PlaylistModel::MaxEntries - m_model.count(), &leftOut));
    m_history.record(QStringLiteral("Add"), before);
    return leftOut;
}

bool PlaylistCommands::replace(const QStringList& files, int* leftOut) {
    if (files.isEmpty())
        return false;
    const auto before = m_history.before();
    m_model.clear();
    int missed = 0;
    m_model.append(PlaylistFiles::entriesFromNames(files, PlaylistModel::MaxEntries, &missed));
    if (leftOut)
        *leftOut = missed;
    m_state.currentIndex = 0;
    m_history.record(QStringLiteral("Open"), before);
    return true;
}

QString PlaylistCommands::leftOutText(int leftOut) {
    if (leftOut <= 0)
        return {};
    return leftOut == 1
               ? QStringLiteral("The playlist is full: 1 file was not added.")
               : QStringLiteral("The playlist is full: %1 files were not added.").arg(leftOut);
}

void PlaylistCommands::takeFocusedAsCurrent() {
    m_state.currentIndex = selection().focusedPosition();
}

void PlaylistCommands::setFocusedPosition(int pos) {
    if (!m_model.isEntry(pos))
        return;
    selection().setFocusedPosition(pos);
    // The click notification follows every change of the focused position,
    // also one to the position it already had.
    takeFocusedAsCurrent();
}

bool PlaylistCommands::removeSelected() {
    const std::vector<char> marks = selection().marks();
    if (std::find(marks.begin(), marks.end(), 1) == marks.end())
        return false;
    const auto before = m_history.before();
    m_model.removeMarked(marks);
    m_history.record(QStringLiteral("Remove"), before);
    return true;
}

void PlaylistCommands::removeAll() {
    const auto before = m_history.before();
    m_model.clear();
    m_history.record(QStringLiteral("Remove All"), before);
}

void PlaylistCommands::moveCurrent(int direction) {
    const int p = m_state.currentIndex;
    const int q = PlaylistEdits::moveTarget(m_model.entries(), p, direction);
    if (q < 0)
        return;
    const auto before = m_history.before();
    m_model.swapEntries(p, q);
    selection().setSelected(p, false);
    selection().setSelected(q, true);
    // Selecting q made it the focused position; the click notification
    // moves currentIndex along with the entry.
    takeFocusedAsCurrent();
    m_history.record(direction < 0 ? QStringLiteral("Move Up") : QStringLiteral("Move Down"),
                     before);
}

void PlaylistCommands::moveRows(QList<int> rows, int target) {
    const int n = m_model.count();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([n](int r) { return r < 0 || r >= n; });
    target = std::clamp(target, 0, n);
    if (rows.isEmpty())
        return;
    // order[new position] = old position: the others in their order, the
    // moved ones together where the target entry stood among them.
    std::vector<char> moved(size_t(n), 0);
    for (int r : rows)
        moved[size_t(r)] = 1;
    std::vector<int> order;
    order.reserve(size_t(n));
    for (int i = 0; i <= n; ++i) {
        if (i == target)
            order.insert(order.end(), rows.begin(), rows.end());
        if (i < n && !moved[size_t(i)])
            order.push_back(i);
    }
    if (std::is_sorted(order.begin(), order.end()))
        return; // dropped where they stand
    const auto before = m_history.before();
    const int current = m_state.currentIndex;
    m_model.reorder(order);
    const auto at = std::find(order.begin(), order.end(), current);
    if (at != order.end())
        m_state.currentIndex = int(at - order.begin());
    m_history.record(QStringLiteral("Move"), before);
}

void PlaylistCommands::sortAToZ() {
    const auto before = m_history.before();
    m_sortList = PlaylistEdits::sortedAToZ(m_model.entries());
    m_model.replaceAll(m_sortList);
    m_history.record(QStringLiteral("A - Z"), before);
}

SettingsStore::SaveResult PlaylistCommands::shuffle() {
    const auto before = m_history.before();
    const SettingsStore::SaveResult saved = shuffleAndSave();
    m_history.record(QStringLiteral("Shuffle"), before);
    return saved;
}

SettingsStore::SaveResult PlaylistCommands::shuffleAndSave() {
    QStringList entries = m_model.entries();
    std::vector<char> marks = selection().marks();
    int current = m_state.currentIndex;
    PlaylistEdits::shuffle(entries, marks, current, m_rng);
    // The clicks of the moves leave the index where the last one carried its
    // entry.
    m_state.currentIndex = current;
    if (!entries.isEmpty())
        m_model.replaceAll(entries);
    // The list goes to the autosave and is read back from it: what a save
    // that wrote it whole gives back is the list itself, now without a
    // selection, and it is not read again. A save that failed brings back
    // nothing, older keys neither: the list stays as the moves left it.
    SettingsStore::SaveResult saved = m_save();
    if (!saved.playlistWritten) {
        if (!entries.isEmpty()) {
            selection().select(marks);
            setFocusedPosition(current);
        }
        return saved;
    }
    if (saved.readBack.constData() != entries.constData())
        m_model.replaceAll(saved.readBack);
    return saved;
}

PlaylistCommands::Exported PlaylistCommands::exportTo(const QStringList& entries,
                                                      const QString& path, bool relative,
                                                      const HtmlPage::Progress& progress) {
    const PlaylistFiles::Format* format = PlaylistFiles::writableFormat(path);
    if (!format)
        return Exported::Unsupported;
    const bool written = format->writeInSteps
                             ? format->writeInSteps(path, entries, relative, false, progress)
                             : format->write(path, entries, relative, false);
    if (written)
        return Exported::Written;
    return progress.cancel && *progress.cancel ? Exported::Cancelled : Exported::Failed;
}

bool PlaylistCommands::exportTakesSteps(const QString& path) {
    const PlaylistFiles::Format* format = PlaylistFiles::writableFormat(path);
    return format && format->writeInSteps;
}
