#include "NextSong.h"

namespace {
QString textAt(const QStringList& e, int pos) {
    return pos >= 0 && pos < e.size() ? e.at(pos) : QString();
}
} // namespace

QString expectedNextFile(const NextSongInput& in) {
    if (!in.listPlaying)
        return QString();
    if (in.singleSong)
        return in.loop == 1 ? textAt(in.entries, in.focusedPosition) : QString();
    const QString next = textAt(in.entries, in.currentIndex + 1);
    if (!next.isEmpty())
        return next;
    // Past the end, Loop starts again at the top.
    return in.loop == 1 ? textAt(in.entries, 0) : QString();
}
