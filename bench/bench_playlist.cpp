// The playlist at its largest: imports, exports, the editing commands and
// the start-up with a full autosaved playlist.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/frmFiles.h"
#include "platform/AppPaths.h"
#include "playlist/PlaylistEdits.h"
#include "playlist/PlsFormat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QMainWindow>
#include <QProcess>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kFull = 32767;

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

struct Fixture {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    std::unique_ptr<frmFiles> w;
    QStringList paths = samplePaths(kFull);

    Fixture() {
        w = std::make_unique<frmFiles>(state, platform.platform);
        w->Form_Load();
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("main window not shown");
    }
    void fill() {
        w->playlistModel().replaceAll(paths);
        QCoreApplication::processEvents();
    }
};

void BM_ImportPLS(benchmark::State& s) {
    Fixture f;
    const QString file = f.env.path("big.pls");
    PlsFormat::write(file, f.paths, false, false);
    for (auto _ : s) {
        s.PauseTiming();
        f.w->playlistModel().clear();
        s.ResumeTiming();
        f.w->ImportPLS(file);
        QCoreApplication::processEvents();
    }
    if (f.w->playlistModel().count() != kFull)
        s.SkipWithError("import lost entries");
}

void BM_ExportPLS(benchmark::State& s) {
    Fixture f;
    f.fill();
    const QString file = f.env.path("out.pls");
    for (auto _ : s)
        f.w->ExportPLS(file, false, false);
}

void BM_SortAToZ(benchmark::State& s) {
    Fixture f;
    QStringList reversed(f.paths.rbegin(), f.paths.rend());
    for (auto _ : s) {
        s.PauseTiming();
        f.w->playlistModel().replaceAll(reversed);
        QCoreApplication::processEvents();
        s.ResumeTiming();
        f.w->btnSort_Click();
        QCoreApplication::processEvents();
    }
}

void BM_SortAToZCore(benchmark::State& s) {
    const QStringList paths = samplePaths(kFull);
    const QStringList reversed(paths.rbegin(), paths.rend());
    for (auto _ : s)
        benchmark::DoNotOptimize(PlaylistEdits::sortedAToZ(reversed));
}

void BM_Shuffle(benchmark::State& s) {
    Fixture f;
    f.fill();
    for (auto _ : s) {
        f.w->cmdShuffle_Click();
        QCoreApplication::processEvents();
    }
    if (f.w->playlistModel().count() != kFull)
        s.SkipWithError("shuffle lost entries");
}

void BM_RemoveEverySecond(benchmark::State& s) {
    Fixture f;
    for (auto _ : s) {
        s.PauseTiming();
        f.fill();
        QItemSelection sel;
        for (int i = 0; i < kFull; i += 2)
            sel.select(f.w->playlistModel().index(i), f.w->playlistModel().index(i));
        f.w->playlist->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
        s.ResumeTiming();
        f.w->btnDelete_Click();
        QCoreApplication::processEvents();
    }
    if (f.w->playlistModel().count() != kFull / 2)
        s.SkipWithError("wrong count after remove");
}

// Start-up as a whole process: the benchmark runs itself as a child that
// makes its QApplication, shows either an empty main window or frmFiles with
// the full autosaved playlist, reports its resident memory and ends.
int startupChild(int argc, char** argv, const QString& mode, const QString& folder) {
    QApplication app(argc, argv);
    AppPaths::setProgramFolderOverride(folder);
    qputenv("USERPROFILE", folder.toLocal8Bit());
    std::unique_ptr<QMainWindow> window;
    ScriptedPlatform platform;
    AppState state;
    if (mode == QLatin1String("empty")) {
        window = std::make_unique<QMainWindow>();
        window->resize(610, 259);
    } else {
        auto w = std::make_unique<frmFiles>(state, platform.platform);
        w->Form_Load();
        window = std::move(w);
    }
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return 1;
    QCoreApplication::processEvents();
    std::printf("%ld\n", residentKiB());
    std::fflush(stdout);
    return 0;
}

void BM_StartupProcess(benchmark::State& s) {
    const bool full = s.range(0) == 1;
    TestEnv env;
    if (full)
        PlsFormat::write(env.autosaveFile(), samplePaths(kFull), false, false);
    const QString self = QCoreApplication::applicationFilePath();
    const QStringList args = {QStringLiteral("--startup-child=") +
                                  (full ? QStringLiteral("full") : QStringLiteral("empty")),
                              env.programFolder()};
    long rss = 0;
    for (auto _ : s) {
        // The clock stops when the child says its window is shown, before
        // it tears down.
        QElapsedTimer clock;
        clock.start();
        QProcess child;
        child.start(self, args);
        while (!child.canReadLine() && child.waitForReadyRead(30000)) {
        }
        s.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        rss = child.readLine().trimmed().toLong();
        if (!child.waitForFinished(30000) || child.exitCode() != 0 || rss == 0) {
            s.SkipWithError("start-up child failed");
            break;
        }
    }
    s.counters["resident_MiB"] = double(rss) / 1024.0;
}

} // namespace

BENCHMARK(BM_ImportPLS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPLS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAToZ)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAToZCore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shuffle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveEverySecond)->Unit(benchmark::kMillisecond);
// Arg 0: an empty Qt main window; arg 1: frmFiles with 32,767 entries.
BENCHMARK(BM_StartupProcess)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && QByteArray(argv[1]).startsWith("--startup-child="))
        return startupChild(argc, argv, QString::fromLatin1(argv[1] + 16),
                            QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
