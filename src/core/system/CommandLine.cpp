#include "core/system/CommandLine.h"

#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlaylistFiles.h"

#include <QDir>
#include <QUrl>

QStringList commandLineFiles(const QStringList& arguments, const QString& currentFolder) {
    QStringList files;
    files.reserve(arguments.size());
    for (const QString& argument : arguments) {
        QString name = PlaylistFiles::removeQuotes(argument);
        if (name.isEmpty())
            continue;
        if (name.startsWith(QLatin1String("file:"))) {
            const QUrl url(name);
            if (url.isLocalFile())
                name = url.toLocalFile();
        }
        if (!name.startsWith(u'/') && !M3uFormat::hasScheme(name))
            name = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(name));
        files << name;
    }
    return files;
}
