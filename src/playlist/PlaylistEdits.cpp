#include "PlaylistEdits.h"

#include <algorithm>

namespace PlaylistEdits {

QStringList sortedAToZ(const QStringList& entries) {
    struct Key {
        QString folded;
        int index;
    };
    std::vector<Key> keys;
    keys.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        if (!entries[i].isEmpty())
            keys.push_back({entries[i].toCaseFolded(), i});
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        int c = QString::compare(a.folded, b.folded, Qt::CaseSensitive);
        return c != 0 ? c < 0 : a.index < b.index;
    });
    QStringList out;
    out.reserve(qsizetype(keys.size()));
    for (const Key& k : keys)
        out.append(entries[k.index]);
    return out;
}

bool moveEntry(QStringList& entries, std::vector<char>& selected, int& current, int direction) {
    const int p = current;
    const int q = p + direction;
    const int n = int(entries.size());
    if (q < 0 || q >= n || entries[q].isEmpty())
        return false;
    if (p < 0 || p >= n)
        return false;
    entries.swapItemsAt(p, q);
    if (selected.size() < size_t(n))
        selected.resize(n, 0);
    selected[p] = 0;
    selected[q] = 1;
    current = q;
    return true;
}

void shuffle(QStringList& entries, std::vector<char>& selected, int& current, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int n = int(entries.size());
    for (int i = 0; i < n; ++i) {
        current = i;
        const double r = 10.0 * u(rng);
        const int k = int(10.0 * u(rng));
        const int direction = r >= 5.0 ? -1 : +1;
        for (int m = 0; m <= k; ++m)
            moveEntry(entries, selected, current, direction);
    }
}

} // namespace PlaylistEdits
