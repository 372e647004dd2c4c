#include "core/playlist/NaturalOrder.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace NaturalOrder {

namespace {

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// A letter that is not ASCII: its base letter, folded, without the marks
// that a decomposition puts after it ("é" is "e", "ﬁ" is "fi").
void appendFolded(QString& out, QChar c) {
    const QString parts = c.decomposition();
    if (parts.isEmpty()) {
        out.append(c.toCaseFolded());
        return;
    }
    for (QChar p : parts) {
        if (p.category() != QChar::Mark_NonSpacing)
            appendFolded(out, p);
    }
}

} // namespace

QString key(QStringView name) {
    QString out;
    out.reserve(name.size() + 8);
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n;) {
        const char16_t c = name[i].unicode();
        if (isDigit(c)) {
            qsizetype end = i;
            while (end < n && isDigit(name[end].unicode()))
                ++end;
            qsizetype from = i;
            while (from + 1 < end && name[from].unicode() == u'0')
                ++from;
            // "0" sorts digits before letters; then the count of digits, so
            // that a longer number is a larger one; then the digits.
            out.append(u'0');
            out.append(QChar(char16_t(0x100 + std::min<qsizetype>(end - from, 0xC000))));
            out.append(name.sliced(from, end - from));
            i = end;
            continue;
        }
        if (c < 0x80)
            out.append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c));
        else if (QChar::isSurrogate(c))
            out.append(QChar(c));
        else
            appendFolded(out, QChar(c));
        ++i;
    }
    return out;
}

bool less(const QString& a, const QString& b) {
    return key(a) < key(b);
}

QStringList sorted(const QStringList& names) {
    std::vector<QString> keys;
    keys.reserve(size_t(names.size()));
    for (const QString& n : names)
        keys.push_back(key(n));
    std::vector<int> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    QStringList out;
    out.reserve(names.size());
    for (int i : order)
        out.append(names[i]);
    return out;
}

} // namespace NaturalOrder
