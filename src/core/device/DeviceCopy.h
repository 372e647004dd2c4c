#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Copies the playlist's files into one folder, in playlist order, each under
// its own name or numbered in play order (0001-Song.mp3), and writes the
// playlist file beside them.
namespace DeviceCopy {

// True for the file systems whose names follow the FAT rules: FAT and exFAT
// as the kernel or FUSE mounts them, and "fuseblk" (FUSE over a disk, how
// exFAT and NTFS are mounted where the kernel has no driver of its own).
bool takesFatNames(const QString& fileSystem);

// The name with each character a FAT or exFAT volume cannot hold (control
// characters, " * / : < > ? \ |) and each dot or space at its end replaced
// by "_".
QString fatName(const QString& name);

// What names a folder on a device takes.
struct NameRules {
    // The FAT rules for characters (fatName) and letter case.
    bool fat = false;
    // Characters past ASCII become "_" too: a FAT volume whose driver takes
    // no others (fusefat).
    bool asciiOnly = false;
    // The longest name: in UTF-16 units where names follow the FAT rules
    // (FAT's long names and exFAT's hold 255), in bytes of UTF-8 elsewhere.
    int maxLength = 255;
};

// The name the copy of the entry at a 1-based position gets: the source's
// name after the rules, with the play-order number in front when sequence.
// One too long loses characters at the end, before its extension (up to 16
// characters after the last dot), never inside a character.
QString copyName(const QString& source, int position, bool sequence, const NameRules& rules = {});

struct Job {
    QStringList entries;
    QString folder;
    bool sequence = false;
    // "M3U" or "PLS" writes playlist.m3u or playlist.pls beside the copies;
    // anything else writes none.
    QString playlistType;
    // The target folder's file system, as the system names it ("vfat").
    QString fileSystem;
};

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
    // Copies of this run that a later entry of the same name replaced (the
    // same as the device tells names apart). Names that only the device's
    // rules made the same are told apart by a number ("a_b (2).mp3")
    // instead.
    int replaced = 0;
};

// Called before each file, between pieces of a copy, while a copy is being
// flushed and after each file; false cancels the run at once: a copy that
// has not been reported copied is left out whole.
using ProgressFn = std::function<bool(const Progress&)>;
// Called with the 1-based entry of each copy that is complete under its name
// on the device, in playlist order.
using CopiedFn = std::function<void(int entry)>;

// Entries whose file does not exist are skipped; their numbers and names
// stay unused. Names are made to fit the folder (copyName), and names that
// only the rules made the same are told apart (see Result::replaced).
// Each file is written under a temporary name in the folder, flushed to the
// device (while the next one is copied) and only then renamed, so that a
// failed, cancelled or interrupted copy leaves no truncated file under a
// real name; temporary files that an interrupted run left behind are removed
// first. A source that changes size
// while it is read fails, and so does a read-only file of the same name
// (it is not replaced). The playlist file lists every entry under its
// copy's name, the skipped ones too; it is written only when every copy
// succeeded. The folder is flushed last, so that a Complete outcome means
// all of it is on the device.
Result run(const Job& job, const ProgressFn& progress = {}, const CopiedFn& copied = {});

} // namespace DeviceCopy
