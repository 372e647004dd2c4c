// The playlist at its largest: imports, exports, the editing commands and
// the start-up with a full autosaved playlist. Each operation is timed
// against a baseline run in turn with it in every iteration, so that both
// meet the same load: the counter "x_sort" is the operation's time over a
// plain std::sort of the same 32,767 paths, "x_empty" the start-up's over an
// empty Qt main window's (and "x_window" over the main window's without a
// list), "x_write" a save's over one write and sync of its bytes.
#include "BenchApp.h"
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "core/playlist/PlaylistEdits.h"
#include "core/playlist/PlsFormat.h"
#include "core/system/AppPaths.h"
#include "core/system/HeapArenas.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kFull = 32767;

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

double seconds(const std::function<void()>& f) {
    QElapsedTimer clock;
    clock.start();
    f();
    return double(clock.nsecsElapsed()) / 1e9;
}

// Per iteration: setup (not timed), the operation (the iteration's time),
// then the baseline; the counter is the ratio of the two sums.
void against(benchmark::State& s, const char* counter, const std::function<void()>& setup,
             const std::function<void()>& op, const std::function<void()>& baseline) {
    double opTotal = 0, baseTotal = 0;
    for (auto _ : s) {
        setup();
        const double t = seconds(op);
        s.SetIterationTime(t);
        opTotal += t;
        baseTotal += seconds(baseline);
    }
    s.counters[counter] = opTotal / baseTotal;
}

const QStringList& paths() {
    static const QStringList p = samplePaths(kFull);
    return p;
}

// A plain std::sort of the same paths, case-sensitive.
void plainSort() {
    QStringList copy = paths();
    std::sort(copy.begin(), copy.end());
    benchmark::DoNotOptimize(copy.constData());
}

// One write of the bytes to a new file and its sync: what a save cannot do
// without.
void plainWrite(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
        ::fdatasync(fd) != 0)
        qFatal("cannot write the baseline file");
    ::close(fd);
}

struct Fixture : MainWindowFixture {
    void fill() { MainWindowFixture::fill(paths()); }
};

void BM_ImportPLS(benchmark::State& s) {
    Fixture f;
    const QString file = f.env.path("big.pls");
    PlsFormat::write(file, paths(), false, false);
    against(
        s, "x_sort",
        [&] {
            f.w->playlistModel().clear();
            QCoreApplication::processEvents();
        },
        [&] {
            f.w->addToPlaylist({file});
            QCoreApplication::processEvents();
        },
        plainSort);
    if (f.w->playlistModel().count() != kFull)
        s.SkipWithError("import lost entries");
}

// The autosave: render, one write, one sync, the rename.
void BM_ExportPLS(benchmark::State& s) {
    Fixture f;
    f.fill();
    const QString file = f.env.path("out.pls"), plain = f.env.path("plain.pls");
    const QByteArray bytes =
        PlsFormat::render(paths(), false, false, nullptr, PlsFormat::Form::Exchange);
    against(
        s, "x_write", [] {},
        [&] { PlsFormat::write(file, f.w->playlistModel().entries(), false, false); },
        [&] { plainWrite(plain, bytes); });
    s.counters["x_sort"] =
        seconds([&] { PlsFormat::write(file, f.w->playlistModel().entries(), false, false); }) /
        seconds(plainSort);
    if (QFile(file).size() != bytes.size())
        s.SkipWithError("export wrote something else");
}

void BM_SortAToZ(benchmark::State& s) {
    Fixture f;
    const QStringList reversed(paths().rbegin(), paths().rend());
    against(
        s, "x_sort",
        [&] {
            f.w->playlistModel().replaceAll(reversed);
            QCoreApplication::processEvents();
        },
        [&] {
            f.w->sortAToZ();
            QCoreApplication::processEvents();
        },
        plainSort);
}

void BM_SortAToZCore(benchmark::State& s) {
    const QStringList reversed(paths().rbegin(), paths().rend());
    against(
        s, "x_sort", [] {},
        [&] { benchmark::DoNotOptimize(PlaylistEdits::sortedAToZ(reversed).constData()); },
        plainSort);
}

// Shuffle as the user has it: moves, settings and autosave written, the list
// as read back.
void BM_Shuffle(benchmark::State& s) {
    Fixture f;
    f.fill();
    against(
        s, "x_sort", [] {},
        [&] {
            f.w->shuffle();
            QCoreApplication::processEvents();
        },
        plainSort);
    if (f.w->playlistModel().count() != kFull || !f.platform.messages.shown.isEmpty())
        s.SkipWithError("shuffle lost entries or could not save");
}

void BM_RemoveEverySecond(benchmark::State& s) {
    Fixture f;
    against(
        s, "x_sort",
        [&] {
            f.fill();
            QItemSelection sel;
            for (int i = 0; i < kFull; i += 2)
                sel.select(f.w->playlistModel().index(i), f.w->playlistModel().index(i));
            f.w->playlistView->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
        },
        [&] {
            f.w->removeSelected();
            QCoreApplication::processEvents();
        },
        plainSort);
    if (f.w->playlistModel().count() != kFull / 2)
        s.SkipWithError("wrong count after remove");
}

// Start-up as a whole process: the benchmark runs itself as a child that
// makes its QApplication, shows either an empty main window or MainWindow with
// the full autosaved playlist, reports its resident memory and ends.
int startupChild(int argc, char** argv, const QString& mode, const QString& folder) {
    QApplication app(argc, argv);
    AppPaths::setProgramFolderOverride(folder);
    qputenv("USERPROFILE", folder.toLocal8Bit());
    std::unique_ptr<QMainWindow> window;
    ScriptedPlatform platform;
    AppState state;
    if (mode == QLatin1String("plain")) {
        // The plainest window that shows what ours does: a menu and a list
        // with one path in it.
        window = std::make_unique<QMainWindow>();
        window->menuBar()->addMenu(QStringLiteral("&Menu"))->addAction(QStringLiteral("Open"));
        auto* list = new QListWidget;
        list->addItem(QStringLiteral("/home/user/Music/The Artist/The Album/01 - The Song.mp3"));
        window->setCentralWidget(list);
        window->resize(610, 259);
    } else {
        if (mode == QLatin1String("titles"))
            writeBytes(folder + QStringLiteral("/jk.ini"), "[View]\nSongTitles=True\n");
        auto w = std::make_unique<MainWindow>(state, platform.platform);
        w->load();
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

// Starts a child; the clock stops when it says its window is shown, before
// it tears down. 0 when it failed.
double startChild(const QString& mode, const QString& folder, long& rss) {
    QElapsedTimer clock;
    clock.start();
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--startup-child=") + mode, folder});
    while (!child.canReadLine() && child.waitForReadyRead(30000)) {
    }
    const double t = double(clock.nsecsElapsed()) / 1e9;
    rss = child.readLine().trimmed().toLong();
    return child.waitForFinished(30000) && child.exitCode() == 0 && rss > 0 ? t : 0;
}

// The main window with the full autosaved playlist, each start followed by
// the same with song titles shown, one of the main window without an
// autosave and one of a plain Qt window that shows a menu and a list of one
// path: "x_plain" is the full start over the plain window's, "x_window" over
// the main window's without a list, "x_titles" the start with titles over
// the one without. Each child is this program, with the same libraries:
// what the program's own libraries cost counts in BM_LaunchToWindow.
void BM_Startup(benchmark::State& s) {
    TestEnv env;
    PlsFormat::write(env.autosaveFile(), paths(), false, false);
    const QString titled = env.path("titled"), none = env.path("none");
    QDir().mkpath(none);
    QDir().mkpath(titled);
    QFile::copy(env.autosaveFile(), titled + QStringLiteral("/jukora.pls"));
    double full = 0, titles = 0, window = 0, plain = 0;
    long fullRss = 0, titlesRss = 0, windowRss = 0, plainRss = 0;
    for (auto _ : s) {
        const double f = startChild(QStringLiteral("full"), env.programFolder(), fullRss);
        const double t = startChild(QStringLiteral("titles"), titled, titlesRss);
        const double w = startChild(QStringLiteral("full"), none, windowRss);
        const double p = startChild(QStringLiteral("plain"), none, plainRss);
        if (f == 0 || t == 0 || w == 0 || p == 0) {
            s.SkipWithError("start-up child failed");
            break;
        }
        s.SetIterationTime(f);
        full += f;
        titles += t;
        window += w;
        plain += p;
    }
    s.counters["x_plain"] = full / std::max(plain, 1e-9);
    s.counters["x_window"] = full / std::max(window, 1e-9);
    s.counters["x_titles"] = titles / std::max(full, 1e-9);
    s.counters["plain_ms"] = plain * 1000 / std::max<double>(1, double(s.iterations()));
    s.counters["resident_MiB"] = double(fullRss) / 1024.0;
    s.counters["window_MiB"] = double(windowRss) / 1024.0;
    s.counters["plain_MiB"] = double(plainRss) / 1024.0;
}

} // namespace

BENCHMARK(BM_ImportPLS)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ExportPLS)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SortAToZ)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SortAToZCore)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_Shuffle)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_RemoveEverySecond)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

int main(int argc, char** argv) {
    // As the program runs.
    useOneHeapArena();
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
