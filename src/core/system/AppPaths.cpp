#include "core/system/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString g_programFolder;
QString g_dataFolder;
} // namespace

namespace AppPaths {

namespace {

QString homeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

QString configFolder() {
    // A relative $XDG_CONFIG_HOME is not to be used.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.startsWith(u'/'))
        return config;
    return homeFolder() + QStringLiteral("/.config");
}

} // namespace

QString settingsFile() {
    const QString profile = qEnvironmentVariable("USERPROFILE");
    if (!profile.isEmpty())
        return QDir::cleanPath(profile + QStringLiteral("/jk.ini"));
    const QString folder = QDir::cleanPath(configFolder() + QStringLiteral("/jukora"));
    QDir().mkpath(folder);
    return folder + QStringLiteral("/jk.ini");
}

bool moveOldSettingsFile() {
    if (!qEnvironmentVariable("USERPROFILE").isEmpty())
        return false;
    const QString old = QDir::cleanPath(homeFolder() + QStringLiteral("/jk.ini"));
    const QString now = settingsFile();
    if (old == now || !QFileInfo(old).isFile() || QFileInfo::exists(now))
        return false;
    // A plain rename keeps the file as it is; across file systems Qt copies
    // it and removes the old one only when the copy is whole.
    return QFile::rename(old, now);
}

QString programFolder() {
    if (!g_programFolder.isEmpty())
        return g_programFolder;
    return QCoreApplication::applicationDirPath();
}

bool isSystemFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    // A program installed by the package manager: its folder may be
    // writable for root, but the playlist does not belong there.
    const QString f = QDir::cleanPath(folder) + u'/';
    for (const char* system : {"/usr/", "/bin/", "/sbin/", "/opt/", "/snap/"}) {
        if (f.startsWith(QLatin1String(system)))
            return true;
    }
#else
    Q_UNUSED(folder);
#endif
    return false;
}

QString autosaveFile() {
    const QString folder = programFolder();
    QFileInfo info(folder);
    if (info.isDir() && info.isWritable() && !isSystemFolder(folder))
        return QDir::toNativeSeparators(folder + QStringLiteral("/jukora.pls"));
    QString data = g_dataFolder.isEmpty()
                       ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                       : g_dataFolder;
    QDir().mkpath(data);
    return QDir::toNativeSeparators(data + QStringLiteral("/jukora.pls"));
}

QString autosaveToRead() {
    const QString file = autosaveFile();
    if (QFileInfo::exists(file))
        return file;
    const QString old = QDir::toNativeSeparators(programFolder() + QStringLiteral("/jukora.pls"));
    return QFileInfo::exists(old) ? old : file;
}

void setProgramFolderOverride(const QString& folder) {
    g_programFolder = folder;
}
void setDataFolderOverride(const QString& folder) {
    g_dataFolder = folder;
}

} // namespace AppPaths
