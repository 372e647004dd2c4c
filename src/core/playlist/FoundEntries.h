#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <utility>

// The entries of a playlist file as they were found in its text, before a
// string is made of each: the values that are printable ASCII lie end to end
// in one block, the few others are decoded already. Found on another thread,
// they take no allocation for each entry; the strings are made where and
// when they are wanted.
class FoundEntries {
public:
    qsizetype size() const { return m_spans.size(); }
    bool isEmpty() const { return m_spans.isEmpty(); }

    // The entry at a position, 0 <= i < size().
    QString at(qsizetype i) const {
        const auto& [from, length] = m_spans.at(i);
        return from >= 0 ? QString::fromLatin1(m_plain.constData() + from, length)
                         : m_others.at(-1 - from);
    }
    // Every entry as a string.
    QStringList strings() const;
    // Keeps the first max entries.
    void truncate(qsizetype max) {
        if (max < size())
            m_spans.resize(std::max<qsizetype>(max, 0));
    }

    // Building, in the order of the file.
    void reserve(qsizetype entries, qsizetype plainBytes);
    void appendPlain(QByteArrayView value) {
        m_spans.append({m_plain.size(), value.size()});
        m_plain.append(value);
    }
    void appendOther(QString entry) {
        m_spans.append({-1 - m_others.size(), 0});
        m_others.append(std::move(entry));
    }

private:
    QByteArray m_plain;
    QStringList m_others;
    // For each entry: where its value lies in m_plain and its length, or
    // -1 - its index in m_others.
    QList<std::pair<qsizetype, qsizetype>> m_spans;
};
