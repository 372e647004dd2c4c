// The playlist editor at the list's largest: a folder of 5,000 songs in 500
// folders added, a keystroke in Jump to Song over 32,767 entries, and undo
// and redo after 100 steps of A - Z and Shuffle, with the memory the steps
// keep.
#include "BenchApp.h"
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "core/playlist/PlaylistHistory.h"
#include "core/system/HeapArenas.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int kFull = 32767;

struct Fixture : MainWindowFixture {
    void fill() { MainWindowFixture::fill(samplePaths(kFull)); }
};

double msSince(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

// 5,000 files in 500 folders (10 each, with a cover picture each that is
// not media), added as Add Folder adds them, shown in the list.
void BM_AddFolder(benchmark::State& s) {
    Fixture f;
    const QString root = f.env.path(QStringLiteral("Music"));
    for (int d = 0; d < 500; ++d) {
        const QString folder = QStringLiteral("%1/Artist %2/Album %3").arg(root).arg(d / 10).arg(d);
        QDir().mkpath(folder);
        for (int i = 0; i < 10; ++i)
            QFile(QStringLiteral("%1/Track %2.mp3").arg(folder).arg(i + 1))
                .open(QIODevice::WriteOnly);
        QFile(folder + QStringLiteral("/cover.jpg")).open(QIODevice::WriteOnly);
    }
    for (auto _ : s) {
        s.PauseTiming();
        f.w->playlistModel().clear();
        QCoreApplication::processEvents();
        s.ResumeTiming();
        f.w->addToPlaylist({root});
        QCoreApplication::processEvents();
    }
    if (f.w->playlistModel().count() != 5000)
        s.SkipWithError("songs missing");
}

// A search typed into Jump to Song, key by key, each key as the user types
// it: the matches are searched, listed and painted. The time is a key's;
// "max_turn_ms" the longest turn of the event loop while typing, that is
// the longest the window did not answer.
void BM_JumpKeystroke(benchmark::State& s) {
    Fixture f;
    f.fill();
    f.w->jumpToSong();
    QLineEdit* edit = f.w->jumpWindow()->searchEdit;
    const QString typed = QStringLiteral("miles track 4");
    QElapsedTimer clock;
    clock.start();
    double last = 0, longest = 0;
    QTimer beat;
    beat.setInterval(0);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const double now = msSince(clock);
        longest = std::max(longest, now - last);
        last = now;
    });
    double typing = 0;
    for (auto _ : s) {
        s.PauseTiming();
        edit->clear();
        QCoreApplication::processEvents();
        s.ResumeTiming();
        beat.start();
        last = msSince(clock);
        for (QChar c : typed) {
            const double t = msSince(clock);
            QTest::keyClick(edit, c.toLatin1());
            // The turns after the key, until the window is idle.
            QEventLoop idle;
            QTimer::singleShot(20, &idle, &QEventLoop::quit);
            idle.exec();
            typing += msSince(clock) - t - 20;
        }
        beat.stop();
    }
    s.counters["max_turn_ms"] = longest;
    s.counters["key_ms"] = typing / double(s.iterations() * typed.size());
    if (f.w->jumpWindow()->matches().isEmpty())
        s.SkipWithError("nothing found");
}

// After 100 steps of A - Z and Shuffle: one undo or redo, the list shown.
// "max_ms" is the slowest, "history_MiB" what the 100 steps keep beyond the
// list itself.
void BM_UndoRedo(benchmark::State& s) {
    Fixture f;
    f.fill();
    PlaylistHistory& history = f.w->commands().history();
    for (int i = 0; i < PlaylistHistory::kLimit / 2; ++i) {
        f.w->shuffle();
        f.w->sortAToZ();
    }
    QCoreApplication::processEvents();
    s.counters["history_MiB"] = double(history.extraBytes()) / (1024.0 * 1024.0);
    double slowest = 0;
    bool back = true;
    for (auto _ : s) {
        QElapsedTimer clock;
        clock.start();
        if (back)
            history.undo();
        else
            history.redo();
        QCoreApplication::processEvents();
        slowest = std::max(slowest, msSince(clock));
        if (!(back ? history.canUndo() : history.canRedo()))
            back = !back;
    }
    s.counters["max_ms"] = slowest;
    if (f.w->playlistModel().count() != kFull)
        s.SkipWithError("entries lost");
}

} // namespace

BENCHMARK(BM_AddFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMillisecond)->Iterations(200);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
