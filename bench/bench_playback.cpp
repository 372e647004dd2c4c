// Playing the list song after song: the gap between songs, the longest
// stall of the event loop around a change of song, the start of playback,
// and what playing costs in CPU time and memory.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "app/frmFiles.h"
#include "playback/MediaPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <clocale>
#include <sys/resource.h>

namespace {

struct Program {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    frmFiles w{state, platform.platform};
    Program() {
        w.Form_Load();
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

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

// Twenty songs of one second through Play List. Each song's start (state
// Playing) and the end of the run are stamped; the gap per change of song
// is the time beyond the songs' own length.
void BM_ListRunGap(benchmark::State& s) {
    Tones tones;
    QStringList files;
    for (int i = 0; i < 20; ++i)
        files << tones.tone(QStringLiteral("s%1.wav").arg(i), 1.0);
    for (auto _ : s) {
        Program p;
        p.w.playlistModel().append(files);
        QElapsedTimer clock;
        qint64 firstStart = -1;
        qint64 lastEnd = -1;
        qint64 longestStall = 0;
        qint64 lastTurn = 0;
        QTimer turn;
        turn.setInterval(0);
        QObject::connect(&turn, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (firstStart >= 0 && lastEnd < 0)
                longestStall = std::max(longestStall, now - lastTurn);
            lastTurn = now;
        });
        clock.start();
        turn.start();
        p.w.btnPlay_Click();
        QObject::connect(p.w.player1()->MediaPlayer1, &MediaPlayer::PlayStateChange, [&](int st) {
            if (st == MediaPlayer::Playing && firstStart < 0)
                firstStart = clock.nsecsElapsed();
        });
        while (p.w.player1() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        lastEnd = clock.nsecsElapsed();
        const double gapMs = (double(lastEnd - firstStart) / 1e6 - 20000.0) / 19.0;
        s.counters["gap_ms"] = gapMs;
        s.counters["longest_stall_ms"] = double(longestStall) / 1e6;
        s.SetIterationTime(double(lastEnd - firstStart) / 1e9);
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
        p.w.btnPlay_Click();
        MediaPlayer* m = p.w.player1()->MediaPlayer1;
        while (m->playState() != MediaPlayer::Playing && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        s.SetIterationTime(times.back() / 1000.0);
        p.w.btnStop_Click();
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
    p.w.setFocusedPosition(0);
    for (auto _ : s) {
        p.w.btnPlaysong_Click();
        p.w.btnPlay2_Click();
        QElapsedTimer clock;
        clock.start();
        while (p.w.player1()->MediaPlayer1->playState() != MediaPlayer::Playing &&
               clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double cpu0 = cpuSeconds();
        clock.restart();
        while (clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double cpu = cpuSeconds() - cpu0;
        s.counters["cpu_percent_of_core"] = 100.0 * cpu / (double(clock.elapsed()) / 1000.0);
        s.counters["resident_MiB"] = double(residentKiB()) / 1024.0;
        s.SetIterationTime(double(clock.elapsed()) / 1000.0);
        p.w.btnStop_Click();
    }
}

} // namespace

BENCHMARK(BM_ListRunGap)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartOfPlayback)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayingCost)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
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
