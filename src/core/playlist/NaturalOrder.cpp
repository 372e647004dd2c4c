#include "core/playlist/NaturalOrder.h"

#include <algorithm>
#include <numeric>
#include <string>
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

QString fold(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            out.append(QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u));
        else if (c.isSurrogate())
            out.append(c);
        else
            appendFolded(out, c);
    }
    return out;
}

void appendKey(std::u16string& out, QStringView name) {
    const qsizetype n = name.size();
    const char16_t* text = name.utf16();
    for (qsizetype i = 0; i < n;) {
        const char16_t c = text[i];
        if (isDigit(c)) {
            qsizetype end = i;
            while (end < n && isDigit(text[end]))
                ++end;
            qsizetype from = i;
            while (from + 1 < end && text[from] == u'0')
                ++from;
            // "0" sorts digits before letters; then the count of digits, so
            // that a longer number is a larger one; then the digits.
            out.push_back(u'0');
            out.push_back(char16_t(0x100 + std::min<qsizetype>(end - from, 0xC000)));
            out.append(text + from, size_t(end - from));
            i = end;
            continue;
        }
        if (c < 0x80) {
            out.push_back(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
        } else if (QChar::isSurrogate(c)) {
            out.push_back(c);
        } else {
            QString folded;
            appendFolded(folded, QChar(c));
            out.append(reinterpret_cast<const char16_t*>(folded.utf16()), size_t(folded.size()));
        }
        ++i;
    }
}

QString key(QStringView name) {
    std::u16string out;
    out.reserve(size_t(name.size()) + 8);
    appendKey(out, name);
    return QString(reinterpret_cast<const QChar*>(out.data()), qsizetype(out.size()));
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
