#include "PathNames.h"

namespace PathNames {

QString fileName(const QString& path) {
    qsizetype cut = path.lastIndexOf(u'/');
#ifdef Q_OS_WIN
    cut = std::max(cut, path.lastIndexOf(u'\\'));
#endif
    return cut < 0 ? path : path.mid(cut + 1);
}

QString title(const QString& fileName) {
    if (fileName.size() < 4)
        return fileName;
    return fileName.left(fileName.size() - 4);
}

QString sequenceNumber(int n) {
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

QString join(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/'))
        return folder + name;
#ifdef Q_OS_WIN
    if (folder.endsWith(u'\\'))
        return folder + name;
    return folder + u'\\' + name;
#else
    return folder + u'/' + name;
#endif
}

} // namespace PathNames
