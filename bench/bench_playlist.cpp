// The playlist at its largest: imports, exports, the editing commands and
// the start-up with a full autosaved playlist.
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "app/frmFiles.h"
#include "playlist/PlsFormat.h"

#include <QApplication>
#include <QFile>
#include <QListView>
#include <QMainWindow>
#include <QtTest>

#include <benchmark/benchmark.h>

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

void BM_StartupEmptyQtWindow(benchmark::State& s) {
    for (auto _ : s) {
        QMainWindow w;
        w.resize(610, 259);
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            s.SkipWithError("window not shown");
    }
}

void BM_StartupFullPlaylist(benchmark::State& s) {
    TestEnv env;
    PlsFormat::write(env.autosaveFile(), samplePaths(kFull), false, false);
    for (auto _ : s) {
        ScriptedPlatform platform;
        AppState state;
        frmFiles w(state, platform.platform);
        w.Form_Load();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            s.SkipWithError("window not shown");
        if (w.playlistModel().count() != kFull)
            s.SkipWithError("autosave not restored");
        s.PauseTiming();
        w.hide();
        s.ResumeTiming();
    }
}

void BM_MemoryFullPlaylist(benchmark::State& s) {
    const long before = residentKiB();
    Fixture f;
    f.fill();
    f.w->playlist->scrollToBottom();
    QCoreApplication::processEvents();
    for (auto _ : s)
        benchmark::DoNotOptimize(f.w->playlistModel().count());
    s.counters["process_MiB"] = double(residentKiB()) / 1024.0;
    s.counters["window_and_list_MiB"] = double(residentKiB() - before) / 1024.0;
}

} // namespace

BENCHMARK(BM_ImportPLS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPLS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAToZ)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shuffle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveEverySecond)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupEmptyQtWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupFullPlaylist)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryFullPlaylist)->Iterations(1);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
