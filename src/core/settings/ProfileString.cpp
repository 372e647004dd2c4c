#include "core/settings/ProfileString.h"

#include "core/files/TextFile.h"

#include <QFileInfo>

namespace {

QString sectionName(const QString& line) {
    QString t = line.trimmed();
    if (t.size() >= 2 && t.startsWith(u'[')) {
        qsizetype close = t.indexOf(u']');
        if (close > 0)
            return t.mid(1, close - 1).trimmed();
    }
    return QString();
}

bool isSectionHeader(const QString& line) {
    QString t = line.trimmed();
    return t.startsWith(u'[') && t.indexOf(u']') > 0;
}

// The key of a key=value line, or an empty text for other lines.
QString keyOf(const QString& line) {
    qsizetype eq = line.indexOf(u'=');
    if (eq <= 0)
        return QString();
    QString t = line.left(eq).trimmed();
    if (t.startsWith(u';') || t.startsWith(u'#'))
        return QString();
    return t;
}

} // namespace

ProfileStringFile::ProfileStringFile(QString path) : m_path(std::move(path)) {
#ifdef Q_OS_WIN
    m_lineEnd = QStringLiteral("\r\n");
#else
    m_lineEnd = QStringLiteral("\n");
#endif
}

bool ProfileStringFile::load() {
    m_lines.clear();
    QByteArray bytes;
    if (!TextFile::readAll(m_path, bytes))
        return !QFileInfo(m_path).exists() && !QFileInfo(m_path).isSymLink();
    parse(bytes);
    return true;
}

void ProfileStringFile::parse(const QByteArray& bytes) {
    m_lines.clear();
    if (bytes.contains("\r\n"))
        m_lineEnd = QStringLiteral("\r\n");
    else if (bytes.contains('\n'))
        m_lineEnd = QStringLiteral("\n");
    TextFile::forEachLine(
        bytes, [this](const char* p, qsizetype n) { m_lines.append(TextFile::decodeLine(p, n)); });
}

int ProfileStringFile::findSection(const QString& section) const {
    for (int i = 0; i < m_lines.size(); ++i) {
        if (isSectionHeader(m_lines[i]) &&
            sectionName(m_lines[i]).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int ProfileStringFile::sectionEnd(int headerLine) const {
    int i = headerLine + 1;
    while (i < m_lines.size() && !isSectionHeader(m_lines[i]))
        ++i;
    return i;
}

int ProfileStringFile::findKey(int headerLine, const QString& key) const {
    int end = sectionEnd(headerLine);
    for (int i = headerLine + 1; i < end; ++i) {
        if (keyOf(m_lines[i]).compare(key, Qt::CaseInsensitive) == 0 &&
            !keyOf(m_lines[i]).isEmpty())
            return i;
    }
    return -1;
}

QString ProfileStringFile::value(const QString& section, const QString& key) const {
    int header = findSection(section);
    if (header < 0)
        return QString();
    int line = findKey(header, key);
    if (line < 0)
        return QString();
    const QString& l = m_lines[line];
    return l.mid(l.indexOf(u'=') + 1).trimmed();
}

void ProfileStringFile::setValue(const QString& section, const QString& key, const QString& value) {
    QString v = value;
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString line = key + u'=' + v;
    int header = findSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    int existing = findKey(header, key);
    if (existing >= 0) {
        m_lines[existing] = line;
        return;
    }
    // After the last non-blank line of the section.
    int at = sectionEnd(header);
    while (at - 1 > header && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, line);
}

QByteArray ProfileStringFile::bytes() const {
    QString text;
    // The reader drops a byte-order mark at the start: a first line that
    // starts with U+FEFF gets one in front, so that it reads back as it was.
    if (!m_lines.isEmpty() && m_lines.first().startsWith(QChar(0xFEFF)))
        text += QChar(0xFEFF);
    for (const QString& l : m_lines) {
        text += l;
        text += m_lineEnd;
    }
    return text.toUtf8();
}

bool ProfileStringFile::save() const {
    return TextFile::writeAtomically(m_path, bytes());
}
