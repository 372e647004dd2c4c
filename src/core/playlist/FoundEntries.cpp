#include "core/playlist/FoundEntries.h"

#include <algorithm>

QStringList FoundEntries::take(qsizetype max) const {
    const qsizetype n = std::clamp<qsizetype>(max, 0, size());
    QStringList out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out.append(at(i));
    return out;
}

void FoundEntries::reserve(qsizetype entries, qsizetype plainBytes) {
    m_spans.reserve(entries);
    m_plain.reserve(plainBytes);
}
