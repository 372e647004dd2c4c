#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Copies the playlist's files into one folder, in playlist order, each under
// its own name or numbered in play order (0001-Song.mp3).
namespace DeviceCopy {

// The name the copy of the entry at a 1-based position gets.
QString copyName(const QString& source, int position, bool sequence);

struct Progress {
    int file = 0;  // 1-based number of the entry being copied
    int files = 0; // entries in all
    QString name;  // the copy's name
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0; // of all files that exist
};

enum class Outcome { Complete, Failed, Cancelled };

struct Result {
    Outcome outcome = Outcome::Complete;
    int copied = 0;
    // Copies of this run that a later entry of the same name replaced.
    int replaced = 0;
};

// Called before each file, between pieces of a copy and after each file;
// false cancels the run once the file being copied is complete.
using ProgressFn = std::function<bool(const Progress&)>;
// Called after each file that was copied.
using CopiedFn = std::function<void()>;

// Entries whose file does not exist are skipped; their numbers stay unused.
// Each file is written under a temporary name in the folder and renamed
// when complete, so that a failed copy leaves no truncated file behind;
// a read-only file of the same name is not replaced (a failure).
Result run(const QStringList& entries, const QString& folder, bool sequence,
           const ProgressFn& progress = {}, const CopiedFn& copied = {});

// Copies one file as above; progress gets the bytes of this file done.
bool copyFile(const QString& source, const QString& destination,
              const std::function<void(qint64)>& progress = {});

} // namespace DeviceCopy
