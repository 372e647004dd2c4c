#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The file the next-song rule will play when the current song of a Player 1
// run ends, as things stand now; empty when the run will end there (or when
// no run is active). Entries whose file cannot be opened are passed over as
// the rule passes over them. Used to load that file ahead of time.
struct NextSongInput {
    const QStringList& entries;
    int currentIndex;
    int focusedPosition;
    bool listPlaying;
    bool singleSong;
    int loop; // the Loop box: 1 set
    // Whether a file can be played at all.
    std::function<bool(const QString&)> opens;
};

QString expectedNextFile(const NextSongInput& in);
