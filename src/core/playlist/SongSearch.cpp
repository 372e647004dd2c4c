#include "core/playlist/SongSearch.h"

#include "core/playlist/NaturalOrder.h"
#include "core/playlist/PlaylistModel.h"

SongSearch::SongSearch(const PlaylistModel& model, QObject* parent)
    : QObject(parent), m_model(model) {
    const auto changed = [this] {
        m_keys.clear();
        m_lastValid = false;
    };
    connect(&model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&model, &QAbstractItemModel::modelReset, this, changed);
    connect(&model, &QAbstractItemModel::layoutChanged, this, changed);
    connect(&model, &QAbstractItemModel::dataChanged, this, changed);
}

void SongSearch::prepare() {
    if (!m_keys.isEmpty() || m_model.count() == 0)
        return;
    m_keys.reserve(m_model.count());
    for (const QString& e : m_model.entries())
        m_keys.append(NaturalOrder::fold(e));
}

QList<int> SongSearch::matches(const QString& query) {
    prepare();
    const QStringList words = NaturalOrder::fold(query).split(u' ', Qt::SkipEmptyParts);
    // Each word of the last query within one of this one's words: only the
    // last matches can match.
    bool narrower = m_lastValid;
    for (const QString& w : m_lastWords) {
        narrower = narrower && std::any_of(words.begin(), words.end(),
                                           [&w](const QString& now) { return now.contains(w); });
    }
    QList<int> out;
    const auto test = [&](int i) {
        const QString& key = m_keys[i];
        for (const QString& w : words) {
            if (!key.contains(w))
                return;
        }
        out.append(i);
    };
    if (narrower) {
        for (int i : m_lastMatches)
            test(i);
    } else {
        out.reserve(m_keys.size());
        for (int i = 0; i < m_keys.size(); ++i)
            test(i);
    }
    m_lastWords = words;
    m_lastMatches = out;
    m_lastValid = true;
    return out;
}
