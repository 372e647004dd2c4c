#include "PlaylistFiles.h"

#include "HtmlPage.h"
#include "M3uFormat.h"
#include "PathNames.h"
#include "PlsFormat.h"

namespace PlaylistFiles {

QString removeQuotes(QString name) {
    if (name.endsWith(u'"'))
        name.chop(1);
    if (name.startsWith(u'"'))
        name.remove(0, 1);
    return name;
}

PlaylistKind importKind(const QString& name) {
    if (PathNames::endsWith(name, "pls"))
        return PlaylistKind::Pls;
    if (PathNames::endsWith(name, "m3u"))
        return PlaylistKind::M3u;
    return PlaylistKind::Other;
}

PlaylistKind exportKind(const QString& name) {
    const PlaylistKind kind = importKind(name);
    if (kind != PlaylistKind::Other)
        return kind;
    if (PathNames::endsWith(name, "htm") || PathNames::endsWith(name, "html"))
        return PlaylistKind::Html;
    return PlaylistKind::Other;
}

QStringList entriesFromName(const QString& name, int room) {
    if (room <= 0)
        return {};
    switch (importKind(name)) {
    case PlaylistKind::Pls:
        return PlsFormat::read(name, room);
    case PlaylistKind::M3u:
        return M3uFormat::read(name, room);
    default:
        return {name};
    }
}

bool writePlaylist(PlaylistKind kind, const QString& path, const QStringList& entries,
                   bool relative, bool addSequence) {
    switch (kind) {
    case PlaylistKind::Pls:
        return PlsFormat::write(path, entries, relative, addSequence);
    case PlaylistKind::M3u:
        return M3uFormat::write(path, entries, relative, addSequence);
    case PlaylistKind::Html:
        return HtmlPage::write(path, entries, relative, addSequence);
    case PlaylistKind::Other:
        break;
    }
    return false;
}

} // namespace PlaylistFiles
