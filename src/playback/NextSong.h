#pragma once

#include <QString>
#include <QStringList>

// The file the next-song rule will name when the current song of a Player 1
// run ends, as things stand now; empty when the run will end there (or when
// no run is active). Used to load that file ahead of time.
struct NextSongInput {
    const QStringList& entries;
    int currentIndex;
    int focusedPosition;
    bool listPlaying;
    bool singleSong;
    int loop; // the Loop box: 1 set
};

QString expectedNextFile(const NextSongInput& in);
