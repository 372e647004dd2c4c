#include "core/playlist/PlaylistEdits.h"

#include "core/playlist/NaturalOrder.h"

#include <algorithm>

namespace PlaylistEdits {

namespace {

// An entry to sort: its natural key, its position, and three characters of the text from the depth
// it is sorted at, packed so that comparing keys compares those characters.
struct Item {
    quint64 key;
    const char16_t* text;
    int size;
    int index;
};

// The character at depth in code point order (surrogates after
// U+E000..U+FFFF), counted from 1; 0 past the end.
inline quint64 charAt(const Item& item, int depth) {
    if (depth >= item.size)
        return 0;
    const int c = item.text[depth];
    if (c >= 0xD800)
        return c >= 0xE000 ? c - 0x7FF : c + 0x2001;
    return c + 1;
}

constexpr int kPerKey = 3;

void loadKey(Item& item, int depth) {
    item.key = charAt(item, depth) << 42 | charAt(item, depth + 1) << 21 | charAt(item, depth + 2);
}

// The order of two items that agree up to depth; equal texts keep their
// order.
bool before(const Item& a, const Item& b, int depth) {
    if (a.key != b.key)
        return a.key < b.key;
    for (depth += kPerKey;; ++depth) {
        const quint64 ca = charAt(a, depth), cb = charAt(b, depth);
        if (ca != cb)
            return ca < cb;
        if (ca == 0)
            return a.index < b.index;
    }
}

// Multikey quicksort of items that agree up to depth and hold their keys
// for it. Each pass splits them by three characters on the keys alone, so
// the long folders that paths share are read once per item rather than once
// per comparison.
void sortFrom(Item* a, int n, int depth) {
    while (n > 1) {
        if (n <= 16) {
            std::sort(a, a + n,
                      [depth](const Item& x, const Item& y) { return before(x, y, depth); });
            return;
        }
        const quint64 k0 = a[0].key, k1 = a[n / 2].key, k2 = a[n - 1].key;
        const quint64 pivot = std::max(std::min(k0, k1), std::min(std::max(k0, k1), k2));
        int lt = 0, i = 0, gt = n - 1;
        while (i <= gt) {
            if (a[i].key < pivot)
                std::swap(a[lt++], a[i++]);
            else if (a[i].key > pivot)
                std::swap(a[i], a[gt--]);
            else
                ++i;
        }
        sortFrom(a, lt, depth);
        sortFrom(a + gt + 1, n - gt - 1, depth);
        a += lt;
        n = gt - lt + 1;
        if ((pivot & 0x1FFFFF) == 0) {
            // The same text: in the order of the list.
            std::sort(a, a + n, [](const Item& x, const Item& y) { return x.index < y.index; });
            return;
        }
        depth += kPerKey;
        for (int k = 0; k < n; ++k)
            loadKey(a[k], depth);
    }
}

} // namespace

QStringList sortedAToZ(const QStringList& entries) {
    // Each entry is sorted by its natural key (NaturalOrder): plain code
    // points from there on.
    // The keys one after another in one buffer: no allocation per entry.
    std::u16string keys;
    std::vector<Item> items;
    std::vector<size_t> starts;
    qsizetype chars = 0;
    for (const QString& e : entries)
        chars += e.size();
    keys.reserve(size_t(chars + chars / 4 + 16));
    items.reserve(size_t(entries.size()));
    starts.reserve(size_t(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        const QString& e = entries[i];
        if (e.isEmpty())
            continue;
        starts.push_back(keys.size());
        NaturalOrder::appendKey(keys, e);
        items.push_back({0, nullptr, int(keys.size() - starts.back()), i});
    }
    for (size_t k = 0; k < items.size(); ++k) {
        items[k].text = keys.data() + starts[k];
        loadKey(items[k], 0);
    }
    sortFrom(items.data(), int(items.size()), 0);
    QStringList out;
    out.reserve(qsizetype(items.size()));
    for (const Item& item : items)
        out.append(entries[item.index]);
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
