// The layers of src/ as the includes show them: core < engine < ui, desktop <
// app; the core includes only Qt Core of Qt; no circle of includes.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

const QHash<QString, QStringList> kMayInclude = {
    {"core", {"core"}},
    {"engine", {"core", "engine"}},
    {"ui", {"core", "engine", "ui"}},
    {"desktop", {"core", "engine", "desktop"}},
    {"app", {"core", "engine", "ui", "desktop", "app"}},
};

struct Include {
    QString name;
    bool quoted;
};

QList<Include> includesOf(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    static const QRegularExpression re(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"),
                                       QRegularExpression::MultilineOption);
    QList<Include> out;
    auto it = re.globalMatch(QString::fromUtf8(f.readAll()));
    while (it.hasNext()) {
        const auto m = it.next();
        out.append({m.captured(2), m.captured(1) == u'"'});
    }
    return out;
}

// Whether a Qt header belongs to Qt Core: <QtCore/...>, or a class header
// found in Qt Core's own folder.
bool isQtCoreHeader(const QString& name) {
    if (name.startsWith(QLatin1String("QtCore/")) || name == QLatin1String("QtCore"))
        return true;
    if (name.contains(u'/'))
        return false;
    return QFileInfo::exists(QStringLiteral(QTCORE_INCLUDE_DIR "/") + name);
}

} // namespace

class TestLayers : public QObject {
    Q_OBJECT
private slots:
    void includesFollowTheLayers() {
        const QString src = QStringLiteral(JUKORA_SOURCE_DIR "/src/");
        QHash<QString, QStringList> graph; // file -> files of src/ it includes
        QStringList faults;
        QDirIterator it(src, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next().mid(src.size());
            const QString layer = file.section(u'/', 0, 0);
            if (!kMayInclude.contains(layer)) {
                faults << file + QStringLiteral(": not in a layer's folder");
                continue;
            }
            for (const Include& inc : includesOf(src + file)) {
                if (inc.quoted && inc.name.endsWith(QLatin1String(".moc")))
                    continue; // the meta-object code of the file itself
                if (inc.quoted) {
                    const QString to = inc.name.section(u'/', 0, 0);
                    if (!QFileInfo::exists(src + inc.name))
                        faults << file + QStringLiteral(": \"%1\" is not named from src/")
                                             .arg(inc.name);
                    else if (!kMayInclude[layer].contains(to))
                        faults << file + QStringLiteral(": %1 may not include %2")
                                             .arg(layer, inc.name);
                    else
                        graph[file] << inc.name;
                } else if (layer == QLatin1String("core") && inc.name.startsWith(u'Q') &&
                           !isQtCoreHeader(inc.name)) {
                    faults << file + QStringLiteral(": <%1> is not of Qt Core").arg(inc.name);
                }
            }
        }
        // No circle: a depth-first walk that meets a file on its own path.
        QHash<QString, int> mark; // 1 on the path, 2 done
        std::function<void(const QString&, QStringList&)> walk = [&](const QString& f,
                                                                     QStringList& path) {
            mark[f] = 1;
            path << f;
            for (const QString& to : graph.value(f)) {
                if (mark.value(to) == 1)
                    faults << QStringLiteral("a circle of includes: ") + path.join(" -> ") +
                                  " -> " + to;
                else if (mark.value(to) == 0)
                    walk(to, path);
            }
            path.removeLast();
            mark[f] = 2;
        };
        for (const QString& f : graph.keys()) {
            QStringList path;
            if (mark.value(f) == 0)
                walk(f, path);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

QTEST_APPLESS_MAIN(TestLayers)
#include "test_layers.moc"
