#pragma once

#include "core/system/AppPaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>

// A temporary profile folder (the settings file's home) and program folder
// (the autosaved playlist's), set up for one test and removed after it.
class TestEnv {
public:
    TestEnv() : m_oldProfile(qgetenv("USERPROFILE")) {
        QDir().mkpath(profile());
        QDir().mkpath(programFolder());
        qputenv("USERPROFILE", profile().toLocal8Bit());
        AppPaths::setProgramFolderOverride(programFolder());
        AppPaths::setDataFolderOverride(path("data"));
    }
    ~TestEnv() {
        m_oldProfile.isNull() ? qunsetenv("USERPROFILE") : qputenv("USERPROFILE", m_oldProfile);
        AppPaths::setProgramFolderOverride(QString());
        AppPaths::setDataFolderOverride(QString());
    }

    QString profile() const { return path("profile"); }
    QString programFolder() const { return path("program"); }
    QString settingsFile() const { return path("profile/jk.ini"); }
    QString autosaveFile() const { return path("program/jukora.pls"); }
    // A path inside the temporary folder.
    QString path(const QString& name) const { return m_dir.path() + u'/' + name; }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldProfile;
};

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Writes a file, making the folders on its way.
inline void makeFile(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    writeBytes(path, bytes);
}

// Files of the given relative paths in a folder.
inline void makeFiles(const QString& folder, std::initializer_list<const char*> names) {
    for (const char* name : names)
        makeFile(folder + u'/' + QLatin1String(name));
}

// A text field of width characters, filled with pad after the value.
inline QByteArray tagField(const QByteArray& value, int width, char pad) {
    return value.left(width).leftJustified(width, pad);
}

// The 128 bytes of an ID3v1 tag (album "Album"); pad fills each text field.
inline QByteArray id3v1Tag(const QByteArray& title, const QByteArray& artist = "",
                           const QByteArray& year = "", const QByteArray& comment = "",
                           quint8 genre = 0, char pad = '\0', const QByteArray& header = "TAG") {
    return header + tagField(title, 30, pad) + tagField(artist, 30, pad) +
           tagField("Album", 30, pad) + tagField(year, 4, pad) + tagField(comment, 30, pad) +
           char(genre);
}

// Realistic full paths of songs, 60 to 120 characters long.
inline QStringList samplePaths(int count) {
    static const QStringList artists =
        QStringLiteral("The Beatles|Miles Davis|Ella Fitzgerald|Nina Simone|Kraftwerk|"
                       "Joni Mitchell|Radiohead|Aretha Franklin")
            .split(u'|');
    static const QStringList albums =
        QStringLiteral("Greatest Hits (Remastered 2009)|Live at the Royal Albert Hall|"
                       "Kind of Blue|Blue|The Man-Machine|Sessions")
            .split(u'|');
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString p = QStringLiteral("/home/user/Music/%1/%2/%3 - Track %4 of the collection.mp3")
                        .arg(artists[i % 8], albums[(i / 8) % 6])
                        .arg(i % 97 + 1, 2, 10, QLatin1Char('0'))
                        .arg(i);
        if (i % 3 == 0)
            p.insert(17, QStringLiteral("Archive/Collected Works/"));
        out << p;
    }
    return out;
}
