// Playing the list song after song: the gap between songs, the longest
// stall of the event loop around a change of song, the start of playback,
// and what playing costs in CPU time and memory.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "core/playback/MediaControl.h"
#include "core/system/HeapArenas.h"
#include "ui/main/MainWindow.h"
#include "ui/player/NowPlayingWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <clocale>
#include <sys/resource.h>
#include <time.h>

namespace {

struct Program {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    MainWindow w{state, platform.platform};
    Program() {
        w.load();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qFatal("main window not shown");
    }
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until done() holds or the time is up, as the program's
// own loop runs: waiting for events, not spinning.
template <typename Done> void runUntil(Done done, int ms) {
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    check.start();
    if (!done())
        loop.exec();
}

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

// Twenty songs of one second through Play List. The run is timed from the
// first song's start (state Playing) to Player 1 closing after the last
// song. The null audio output reports each end early by its buffer; a run
// of one song, timed the same way, gives that for the last song, so that
//   gap = (run of 20 - 19 s - run of 1) / 19.
// A 1 ms timer measures how late the event loop turns. On a shared machine
// most of that lateness is the thread waiting for a core, so the stall is
// taken as the user-interface thread's own CPU time between two turns: the
// longest within 100 ms of a song's end is the stall of the song change.
// The longest wall-clock lateness is reported beside it.
struct Stalls {
    double aroundChange = 0; // CPU time of the thread, ms
    double elsewhere = 0;
    double lateWall = 0; // lateness by the clock, ms, anywhere in the run
};

qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double timedRun(const QStringList& files, Stalls* stalls) {
    Program p;
    p.w.playlistModel().append(files);
    QElapsedTimer clock;
    qint64 firstStart = -1;
    qint64 lastTurn = 0;
    qint64 lastCpu = threadCpuNs();
    struct Turn {
        qint64 when, late, cpu;
    };
    std::vector<Turn> turns;
    std::vector<qint64> ends;
    QTimer turn;
    turn.setInterval(1);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (firstStart >= 0)
            turns.push_back({now, now - lastTurn - 1000000, cpu - lastCpu});
        lastTurn = now;
        lastCpu = cpu;
    });
    clock.start();
    turn.start();
    QObject::connect(&p.w.playback().engine(1), &MediaControl::PlayStateChange, [&](int st) {
        if (st == MediaControl::Playing && firstStart < 0)
            firstStart = clock.nsecsElapsed();
        if (st == MediaControl::MediaEnded)
            ends.push_back(clock.nsecsElapsed());
    });
    p.w.playList();
    runUntil([&] { return !p.w.player1(); }, 60000);
    if (stalls) {
        for (const Turn& t : turns) {
            const bool near = std::any_of(ends.begin(), ends.end(), [&](qint64 e) {
                return std::abs(t.when - e) <= 100000000;
            });
            double& worst = near ? stalls->aroundChange : stalls->elsewhere;
            worst = std::max(worst, double(t.cpu) / 1e6);
            stalls->lateWall = std::max(stalls->lateWall, double(t.late) / 1e6);
        }
    }
    return double(clock.nsecsElapsed() - firstStart) / 1e6;
}

void BM_ListRunGap(benchmark::State& s) {
    Tones tones;
    QStringList files;
    for (int i = 0; i < 20; ++i)
        files << tones.tone(QStringLiteral("s%1.wav").arg(i), 1.0);
    for (auto _ : s) {
        const double one = timedRun({files.first()}, nullptr);
        Stalls stalls;
        const double twenty = timedRun(files, &stalls);
        s.counters["gap_ms"] = (twenty - 19000.0 - one) / 19.0;
        s.counters["longest_stall_ms"] = stalls.aroundChange;
        s.counters["stall_elsewhere_ms"] = stalls.elsewhere;
        s.counters["late_wall_ms"] = stalls.lateWall;
        s.SetIterationTime(twenty / 1000.0);
    }
}

// From Play List to the first song playing, median of ten.
void BM_StartOfPlayback(benchmark::State& s) {
    Tones tones;
    const QString file = tones.tone(QStringLiteral("start.wav"), 5.0);
    Program p;
    p.w.playlistModel().append(file);
    std::vector<double> times;
    for (auto _ : s) {
        QElapsedTimer clock;
        clock.start();
        MediaControl* m = &p.w.playback().engine(1);
        bool playing = false;
        auto c = QObject::connect(m, &MediaControl::PlayStateChange, [&](int st) {
            if (st == MediaControl::Playing && !playing) {
                playing = true;
                times.push_back(double(clock.nsecsElapsed()) / 1e6);
            }
        });
        p.w.playList();
        runUntil([&] { return playing; }, 10000);
        QObject::disconnect(c);
        if (!playing)
            times.push_back(10000);
        s.SetIterationTime(times.back() / 1000.0);
        p.w.stopAll();
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    s.counters["median_ms"] = times[times.size() / 2];
}

// CPU time per second of playing a 30 s stereo file, and the memory of the
// program with the full playlist and both players open.
void BM_PlayingCost(benchmark::State& s) {
    Tones tones;
    const QString file = tones.tone(QStringLiteral("long.wav"), 30.0);
    Program p;
    QStringList many = samplePaths(32766);
    many.prepend(file);
    p.w.playlistModel().append(many);
    p.w.commands().setFocusedPosition(0);
    for (auto _ : s) {
        s.counters["resident_no_player_MiB"] = double(residentKiB()) / 1024.0;
        p.w.playSong();
        runUntil([] { return false; }, 1000);
        s.counters["resident_player1_MiB"] = double(residentKiB()) / 1024.0;
        p.w.play2Song();
        QElapsedTimer clock;
        clock.start();
        runUntil([&] { return p.w.playback().engine(1).playState() == MediaControl::Playing; },
                 10000);
        const double cpu0 = cpuSeconds();
        clock.restart();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = cpuSeconds() - cpu0;
        s.counters["cpu_percent_of_core"] = 100.0 * cpu / (double(clock.elapsed()) / 1000.0);
        s.counters["resident_MiB"] = double(residentKiB()) / 1024.0;
        s.SetIterationTime(double(clock.elapsed()) / 1000.0);
        p.w.stopAll();
    }
}

// One tick of the Now Playing strip with both players open: two tag reads
// and two lines set.
void BM_NowPlayingRefresh(benchmark::State& s) {
    Tones tones;
    Program p;
    p.w.playlistModel().append(QStringList(
        {tones.tone(QStringLiteral("a.mp3"), 2.0), tones.tone(QStringLiteral("b.mp3"), 2.0)}));
    p.w.commands().setFocusedPosition(0);
    p.w.playSong();
    p.w.commands().setFocusedPosition(1);
    p.w.play2Song();
    p.w.toggleNowPlaying();
    NowPlayingWindow* now = p.w.nowPlayingWindow();
    for (auto _ : s)
        now->refresh();
    p.w.stopAll();
}

// The program's memory as songs follow each other: a looped list of short
// songs, the resident size after 100 and after 1,000 changes of song. What a
// change leaves behind shows as the difference.
void BM_MemoryOverSongChanges(benchmark::State& s) {
    Tones tones;
    QStringList files;
    for (int i = 0; i < 10; ++i)
        files << tones.tone(QStringLiteral("c%1.wav").arg(i), 0.05);
    for (auto _ : s) {
        Program p;
        p.w.playlistModel().append(files);
        p.w.playback().setLoop(1);
        int changes = 0;
        long at100 = 0;
        QObject::connect(&p.w.playback().engine(1), &MediaControl::PlayStateChange, [&](int st) {
            if (st == MediaControl::MediaEnded && ++changes == 100)
                at100 = residentKiB();
        });
        QElapsedTimer clock;
        clock.start();
        p.w.playList();
        runUntil([&] { return changes >= 1000; }, 600000);
        const long at1000 = residentKiB();
        p.w.stopAll();
        s.counters["changes"] = changes;
        s.counters["resident_at_100_MiB"] = double(at100) / 1024.0;
        s.counters["resident_at_1000_MiB"] = double(at1000) / 1024.0;
        s.counters["growth_per_change_KiB"] = double(at1000 - at100) / 900.0;
        s.SetIterationTime(double(clock.elapsed()) / 1000.0);
    }
}

} // namespace

BENCHMARK(BM_NowPlayingRefresh)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListRunGap)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartOfPlayback)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayingCost)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryOverSongChanges)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    // As the program runs.
    useOneHeapArena();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("JUKORA_AUDIO"))
        qputenv("JUKORA_AUDIO", "null");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
