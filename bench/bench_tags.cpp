// The tags of the 32,767-entry web page on disk, by kind of tag: what the
// ID3v1 reader alone costs (the page before other tags were read) and what
// the tags of every kind cost now, per file and for the whole page. Then
// the tags of one large file of zeros (a preallocated download) of each
// ending, which the windows read on their thread. Last, the list with song
// titles shown: scrolled through from top to bottom, and the memory of every
// title read.
#include "BenchApp.h"

#include "support/TestEnv.h"
#include "support/Tones.h"

#include "core/playlist/HtmlPage.h"
#include "core/tags/ID3.h"
#include "core/tags/SongTags.h"
#include "core/tags/SongTitles.h"
#include "ui/main/PlaylistView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <map>
#include <memory>

#include <malloc.h>

namespace {

constexpr int kFull = 32767;

enum Kind { ID3v1, ID3v2, Flac, Untagged };

// kFull copies of one small real file of a kind, made once per kind: a
// tagged one second of sound, or (ID3v1) the page benchmark's 200 bytes.
struct Files {
    QTemporaryDir dir;
    QStringList paths;

    explicit Files(Kind kind) {
        const QStringList tags = {"-metadata", "title=A Title of the Song", "-metadata",
                                  "artist=The Artist"};
        QByteArray bytes;
        const QString sample = dir.path() + (kind == Flac ? "/sample.flac" : "/sample.mp3");
        switch (kind) {
        case ID3v1:
            bytes = QByteArray(72, '\x55') + "TAG" +
                    QByteArray("A Title of the Song").leftJustified(30, ' ') +
                    QByteArray("The Artist").leftJustified(95, ' ');
            break;
        case ID3v2:
        case Flac:
            if (!Tones::encode(sample, tags, 1.0))
                qFatal("ffmpeg could not make the sample");
            bytes = readBytes(sample);
            break;
        case Untagged:
            if (!Tones::encode(sample, {"-id3v2_version", "0"}, 1.0))
                qFatal("ffmpeg could not make the sample");
            bytes = readBytes(sample);
            break;
        }
        const QString folder = dir.path() + "/music";
        QDir().mkpath(folder);
        for (int i = 0; i < kFull; ++i) {
            paths << folder + QStringLiteral("/%1 - Track.").arg(i) +
                         (kind == Flac ? "flac" : "mp3");
            QFile f(paths.last());
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                qFatal("cannot write the files");
        }
    }

    static std::map<int, std::unique_ptr<Files>>& all() {
        static std::map<int, std::unique_ptr<Files>> files;
        return files;
    }
    static const QStringList& of(int kind) {
        auto& f = all()[kind];
        if (!f)
            f = std::make_unique<Files>(Kind(kind));
        return f->paths;
    }
};

// Arg 0: the kind of file. Arg 1: 0 for the ID3v1 reader alone, 1 for the
// tags of every kind.
void BM_ReadTags(benchmark::State& s) {
    const QStringList& paths = Files::of(int(s.range(0)));
    const bool every = s.range(1) == 1;
    for (auto _ : s) {
        int titles = 0;
        for (const QString& path : paths) {
            if (every) {
                titles += !Tags::readSongTags(path).title.isEmpty();
            } else {
                ID3::TagRecord record;
                titles += ID3::readTag(path, record);
            }
        }
        benchmark::DoNotOptimize(titles);
    }
}

// The whole page, tags read for every entry.
void BM_HtmlPage(benchmark::State& s) {
    const QStringList& paths = Files::of(int(s.range(0)));
    for (auto _ : s)
        benchmark::DoNotOptimize(HtmlPage::render(paths, QStringLiteral("p.html"), false, false));
}

const char* const kEndings[] = {"mp3", "flac", "ogg", "opus", "spx", "m4a", "wav"};

// Arg 0: the ending (kEndings). Arg 1: the size in MB. The file takes no
// disk space.
void BM_ZeroFile(benchmark::State& s) {
    QTemporaryDir dir;
    QFile f(dir.path() + "/zeros." + kEndings[s.range(0)]);
    if (!f.open(QIODevice::WriteOnly) || !f.resize(s.range(1) * 1'000'000))
        qFatal("cannot make the file");
    f.close();
    s.SetLabel(kEndings[s.range(0)]);
    for (auto _ : s)
        benchmark::DoNotOptimize(Tags::readSongTags(f.fileName()));
}

// Every kFull tagged file in the list, the key held (Arg 0: 0 for PageDown
// through the whole list, as fast as the window takes the keys; 1 for End,
// then Home, ten times), with song titles shown (Arg 1: 1) or the paths
// (0): the longest time the window spends on one turn of its event loop,
// while the titles of the rows shown arrive from their thread. One run
// each: the titles are read once.
void BM_ScrollWithTitles(benchmark::State& s) {
    const QStringList& paths = Files::of(ID3v2);
    MainWindowFixture f;
    f.fill(paths);
    f.w->showSongTitles(s.range(1) == 1);
    PlaylistView* view = f.w->playlistView;
    view->setFocus();
    std::vector<double> turns;
    const auto press = [&](Qt::Key key) {
        QElapsedTimer turn;
        turn.start();
        QTest::keyClick(view, key);
        QCoreApplication::processEvents();
        turns.push_back(double(turn.nsecsElapsed()) / 1e6);
    };
    for (auto _ : s) {
        if (s.range(0) == 0) {
            while (view->currentIndex().row() < kFull - 1)
                press(Qt::Key_PageDown);
        } else {
            for (int i = 0; i < 10; ++i)
                press(Qt::Key_End), press(Qt::Key_Home);
        }
    }
    std::sort(turns.begin(), turns.end());
    s.counters["longest_turn_ms"] = turns.back();
    s.counters["p99_turn_ms"] = turns[turns.size() * 99 / 100];
    s.counters["turns_over_16ms"] =
        double(std::count_if(turns.begin(), turns.end(), [](double t) { return t > 16; }));
    s.counters["presses"] = double(turns.size());
    s.counters["titles_read"] = double(f.w->songTitles().count());
}

// The heap that the titles of all kFull songs take once read.
void BM_TitlesMemory(benchmark::State& s) {
    const QStringList& paths = Files::of(ID3v2);
    for (auto _ : s) {
        const size_t before = mallinfo2().uordblks;
        auto titles = std::make_unique<SongTitles>();
        for (const QString& path : paths)
            titles->title(path);
        s.counters["MiB"] = double(mallinfo2().uordblks - before) / (1024.0 * 1024.0);
        s.counters["bytes_per_title"] = double(mallinfo2().uordblks - before) / kFull;
    }
}

} // namespace

BENCHMARK(BM_ScrollWithTitles)
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_TitlesMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ZeroFile)
    ->ArgsProduct({benchmark::CreateDenseRange(0, int(std::size(kEndings)) - 1, 1), {200, 2000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTags)
    ->ArgsProduct({{ID3v1, ID3v2, Flac, Untagged}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlPage)->DenseRange(ID3v1, Untagged)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    useOneHeapArena();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    // The files go before the program's statics do.
    Files::all().clear();
    benchmark::Shutdown();
    return 0;
}
