#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The profile-string (INI) service: "[section]" header lines followed by
// key=value lines. Section and key names compare without regard to case;
// every other line of the file (other sections, other keys, comments) is
// kept as it was. A value is one line of text.
class ProfileStringFile {
public:
    explicit ProfileStringFile(QString path);

    // Reads the file. A missing file reads as empty and is no failure; a file
    // that exists but cannot be read, or is no regular file, is.
    bool load();
    // Takes the lines of a file's bytes, as load() does.
    void parse(const QByteArray& bytes);

    // The value of key in section, surrounding blanks removed; empty when the
    // section or the key is missing.
    QString value(const QString& section, const QString& key) const;

    // Sets key in section, adding the key and the section as needed. Line
    // breaks inside the value are replaced by blanks so that the value stays
    // one line.
    void setValue(const QString& section, const QString& key, const QString& value);

    // The file's bytes as save() writes them.
    QByteArray bytes() const;
    // Writes the file through a temporary file; the old file stays whole when
    // this fails (a full disk, a read-only file).
    bool save() const;

    const QString& path() const { return m_path; }

private:
    int findSection(const QString& section) const;
    int sectionEnd(int headerLine) const;
    int findKey(int headerLine, const QString& key) const;

    QString m_path;
    QStringList m_lines;
    QString m_lineEnd;
};
