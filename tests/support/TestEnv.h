#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>

// A temporary profile folder (the settings file's home) and program folder
// (the autosaved playlist's), set up for one test and removed after it.
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    QString profile() const { return m_profile; }
    QString programFolder() const { return m_program; }
    QString settingsFile() const { return m_profile + QStringLiteral("/jk.ini"); }
    QString autosaveFile() const { return m_program + QStringLiteral("/jukora.pls"); }
    // A path inside the temporary folder.
    QString path(const QString& name) const { return m_dir.path() + u'/' + name; }

private:
    QTemporaryDir m_dir;
    QString m_profile;
    QString m_program;
    QByteArray m_oldProfile;
};

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Writes a file, making the folders on its way.
void makeFile(const QString& path, const QByteArray& bytes = "x");
// Files of the given relative paths in a folder.
void makeFiles(const QString& folder, std::initializer_list<const char*> names);
// A text field of width characters, filled with pad after the value.
QByteArray tagField(const QByteArray& value, int width, char pad);
// The 128 bytes of an ID3v1 tag (album "Album"); pad fills each text field.
QByteArray id3v1Tag(const QByteArray& title, const QByteArray& artist = "",
                    const QByteArray& year = "", const QByteArray& comment = "", quint8 genre = 0,
                    char pad = '\0', const QByteArray& header = "TAG");
// Realistic full paths of songs, 60 to 120 characters long.
QStringList samplePaths(int count);
