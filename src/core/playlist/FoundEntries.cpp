#include "core/playlist/FoundEntries.h"

QStringList FoundEntries::strings() const {
    QStringList out;
    out.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        out.append(at(i));
    return out;
}

void FoundEntries::reserve(qsizetype entries, qsizetype plainBytes) {
    m_spans.reserve(entries);
    m_plain.reserve(plainBytes);
}
