#include "PlaylistEdits.h"

#include <algorithm>
#include <string>

namespace PlaylistEdits {

namespace {

// The entry folded to lower case as UTF-8 bytes: byte order is then the
// order of the code points, and comparing is a memcmp.
std::string sortKey(const QString& entry) {
    std::string key;
    key.resize(size_t(entry.size()));
    const QChar* c = entry.constData();
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const char16_t u = c[i].unicode();
        if (u >= 0x80)
            return entry.toCaseFolded().toStdString();
        key[size_t(i)] = char(u >= 'A' && u <= 'Z' ? u + 32 : u);
    }
    return key;
}

} // namespace

QStringList sortedAToZ(const QStringList& entries) {
    struct Key {
        std::string folded;
        int index;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        if (!entries[i].isEmpty())
            keys.push_back({sortKey(entries[i]), i});
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        const int c = a.folded.compare(b.folded);
        return c != 0 ? c < 0 : a.index < b.index;
    });
    QStringList out;
    out.reserve(qsizetype(keys.size()));
    for (const Key& k : keys)
        out.append(entries[k.index]);
    return out;
}

int moveTarget(const QStringList& entries, int current, int direction) {
    const int q = current + direction;
    const int n = int(entries.size());
    if (q < 0 || q >= n || entries[q].isEmpty() || current < 0 || current >= n)
        return -1;
    return q;
}

bool moveEntry(QStringList& entries, std::vector<char>& selected, int& current, int direction) {
    const int p = current;
    const int q = moveTarget(entries, p, direction);
    if (q < 0)
        return false;
    const int n = int(entries.size());
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
