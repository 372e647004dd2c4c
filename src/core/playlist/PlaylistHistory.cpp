#include "core/playlist/PlaylistHistory.h"

#include "core/playlist/PlaylistModel.h"

#include <QSet>

#include <algorithm>
#include <utility>

PlaylistHistory::PlaylistHistory(PlaylistModel& model, AppState& state)
    : m_model(model), m_state(state) {}

PlaylistHistory::Before PlaylistHistory::before() const {
    return {m_model.entries(), m_state.currentIndex};
}

void PlaylistHistory::record(const QString& name, const Before& before) {
    const QStringList& after = m_model.entries();
    // A change that left the list alone still shares its array with it.
    if (after.constData() == before.entries.constData() && after.size() == before.entries.size())
        return;
    // A shared array is never written, so the same array is the same list.
    const bool known = m_lastSnapshot && before.entries.constData() == m_lastList.constData() &&
                       before.entries.size() == m_lastList.size();
    const Snapshot was = known ? m_lastSnapshot : snapshot(before.entries);
    m_steps.erase(m_steps.begin() + m_done, m_steps.end());
    m_steps.push_back({name, was, snapshot(after), before.current, m_state.currentIndex});
    if (int(m_steps.size()) > kLimit)
        m_steps.pop_front();
    m_done = int(m_steps.size());
    m_lastList = after;
    m_lastSnapshot = m_steps.back().after;
    compact();
    emit changed();
}

PlaylistHistory::Snapshot PlaylistHistory::snapshot(const QStringList& entries) {
    auto list = std::make_shared<std::vector<int>>();
    list->reserve(size_t(entries.size()));
    for (const QString& e : entries) {
        auto at = m_textAt.constFind(e.constData());
        if (at == m_textAt.constEnd()) {
            at = m_textAt.insert(e.constData(), int(m_texts.size()));
            m_texts.append(e);
        }
        list->push_back(*at);
    }
    return list;
}

QStringList PlaylistHistory::entries(const Snapshot& list) const {
    QStringList out;
    out.reserve(qsizetype(list->size()));
    for (int i : *list)
        out.append(m_texts.at(i));
    return out;
}

void PlaylistHistory::compact() {
    // Texts only steps dropped since held are let go once they are most of
    // the pool.
    size_t live = 0;
    for (const Step& s : m_steps)
        live = std::max({live, s.before->size(), s.after->size()});
    if (size_t(m_texts.size()) <= 2 * live + 4096)
        return;
    const QStringList texts = std::exchange(m_texts, {});
    m_textAt.clear();
    QHash<const std::vector<int>*, Snapshot> redone;
    auto again = [&](Snapshot& list) {
        Snapshot& now = redone[list.get()];
        if (!now) {
            QStringList old;
            old.reserve(qsizetype(list->size()));
            for (int i : *list)
                old.append(texts.at(i));
            now = snapshot(old);
        }
        list = now;
    };
    for (Step& s : m_steps) {
        again(s.before);
        again(s.after);
    }
    if (m_lastSnapshot)
        again(m_lastSnapshot);
}

QString PlaylistHistory::undoName() const {
    return canUndo() ? m_steps[size_t(m_done - 1)].name : QString();
}

QString PlaylistHistory::redoName() const {
    return canRedo() ? m_steps[size_t(m_done)].name : QString();
}

void PlaylistHistory::show(const Snapshot& list, int current) {
    m_model.replaceAll(entries(list));
    m_state.currentIndex = current;
    m_lastList = m_model.entries();
    m_lastSnapshot = list;
}

void PlaylistHistory::undo() {
    if (!canUndo())
        return;
    const Step& step = m_steps[size_t(--m_done)];
    show(step.before, step.currentBefore);
    emit changed();
}

void PlaylistHistory::redo() {
    if (!canRedo())
        return;
    const Step& step = m_steps[size_t(m_done++)];
    show(step.after, step.currentAfter);
    emit changed();
}

void PlaylistHistory::clear() {
    m_steps.clear();
    m_done = 0;
    m_texts.clear();
    m_textAt.clear();
    m_lastList.clear();
    m_lastSnapshot.reset();
    emit changed();
}

qsizetype PlaylistHistory::extraBytes() const {
    // Each list once; the pool's array and index; the texts the playlist no
    // longer has.
    QSet<const void*> lists;
    qsizetype bytes = 0;
    for (const Step& s : m_steps) {
        for (const Snapshot* list : {&s.before, &s.after}) {
            if (!lists.contains(list->get())) {
                lists.insert(list->get());
                bytes += qsizetype((*list)->size() * sizeof(int));
            }
        }
    }
    bytes += m_texts.size() * qsizetype(sizeof(QString) + sizeof(void*) + sizeof(int) + 8);
    QSet<const void*> listed;
    for (const QString& e : m_model.entries())
        listed.insert(e.constData());
    for (const QString& t : m_texts) {
        if (!listed.contains(t.constData()))
            bytes += t.size() * 2;
    }
    return bytes;
}
