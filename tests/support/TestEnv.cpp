#include "TestEnv.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestEnv::TestEnv() {
    m_profile = m_dir.path() + QStringLiteral("/profile");
    m_program = m_dir.path() + QStringLiteral("/program");
    QDir().mkpath(m_profile);
    QDir().mkpath(m_program);
    m_oldProfile = qgetenv("USERPROFILE");
    qputenv("USERPROFILE", m_profile.toLocal8Bit());
    AppPaths::setProgramFolderOverride(m_program);
    AppPaths::setDataFolderOverride(m_dir.path() + QStringLiteral("/data"));
}

TestEnv::~TestEnv() {
    if (m_oldProfile.isNull())
        qunsetenv("USERPROFILE");
    else
        qputenv("USERPROFILE", m_oldProfile);
    AppPaths::setProgramFolderOverride(QString());
    AppPaths::setDataFolderOverride(QString());
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray tagField(const QByteArray& value, int width, char pad) {
    QByteArray f = value.left(width);
    f.append(width - f.size(), pad);
    return f;
}

QByteArray id3v1Tag(const QByteArray& title, const QByteArray& artist, const QByteArray& year,
                    const QByteArray& comment, quint8 genre, char pad, const QByteArray& header) {
    return header + tagField(title, 30, pad) + tagField(artist, 30, pad) +
           tagField("Album", 30, pad) + tagField(year, 4, pad) + tagField(comment, 30, pad) +
           char(genre);
}

QStringList samplePaths(int count) {
    static const char* artists[] = {"The Beatles", "Miles Davis",    "Ella Fitzgerald",
                                    "Nina Simone", "Kraftwerk",      "Joni Mitchell",
                                    "Radiohead",   "Aretha Franklin"};
    static const char* albums[] = {"Greatest Hits (Remastered 2009)",
                                   "Live at the Royal Albert Hall",
                                   "Kind of Blue",
                                   "Blue",
                                   "The Man-Machine",
                                   "Sessions"};
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString p = QStringLiteral("/home/user/Music/%1/%2/%3 - Track %4 of the collection.mp3")
                        .arg(QLatin1String(artists[i % 8]))
                        .arg(QLatin1String(albums[(i / 8) % 6]))
                        .arg(i % 97 + 1, 2, 10, QLatin1Char('0'))
                        .arg(i);
        if (i % 3 == 0)
            p.insert(17, QStringLiteral("Archive/Collected Works/"));
        out << p;
    }
    return out;
}

void makeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    writeBytes(path, bytes);
}

void makeFiles(const QString& folder, std::initializer_list<const char*> names) {
    for (const char* name : names)
        makeFile(folder + u'/' + QLatin1String(name));
}
