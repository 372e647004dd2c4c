#include "core/playback/NextSong.h"

namespace {
QString textAt(const QStringList& e, qsizetype pos) {
    return pos >= 0 && pos < e.size() ? e.at(pos) : QString();
}
} // namespace

QString expectedNextFile(const NextSongInput& in) {
    auto opens = [&in](const QString& file) { return !in.opens || in.opens(file); };
    if (!in.listPlaying)
        return QString();
    if (in.singleSong) {
        // A single song that fails ends the run.
        const QString again = textAt(in.entries, in.focusedPosition);
        return in.loop == 1 && opens(again) ? again : QString();
    }
    // Each entry at most once: a run in which every entry fails ends.
    qsizetype pos = in.currentIndex;
    for (qsizetype tried = 0; tried < in.entries.size(); ++tried) {
        QString next = textAt(in.entries, ++pos);
        if (next.isEmpty()) {
            // An empty entry or the end of the list: Loop starts again at the
            // top, otherwise the run ends.
            if (in.loop != 1)
                return QString();
            pos = 0;
            next = textAt(in.entries, 0);
        }
        if (opens(next))
            return next;
    }
    return QString();
}
