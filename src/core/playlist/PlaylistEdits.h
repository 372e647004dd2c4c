#pragma once

#include <QStringList>

#include <random>
#include <vector>

// The editing rules of the playlist on plain data, so that bulk commands run
// over a copy and reach the view once.
namespace PlaylistEdits {

// The non-empty entries in ascending order, letters compared without regard
// to case; entries that compare equal keep their order.
QStringList sortedAToZ(const QStringList& entries);

// Where a move carries the entry at current: one place down (+1) or up
// (-1); -1 when it does not move, because the text at the target position
// is empty or either position holds no entry.
int moveTarget(const QStringList& entries, int current, int direction);

// The moves on plain data. After a move the old position is deselected, the
// new one selected, and current follows the entry.
bool moveEntry(QStringList& entries, std::vector<char>& selected, int& current, int direction);

// Takes each entry in turn, from the top down, and carries it 1 to 10 places
// up or down with even chances; current ends where the last move left it.
void shuffle(QStringList& entries, std::vector<char>& selected, int& current, std::mt19937& rng);

} // namespace PlaylistEdits
