// The tags of the 32,767-entry web page on disk, by kind of tag: what the
// ID3v1 reader alone costs (the page before other tags were read) and what
// the tags of every kind cost now, per file and for the whole page. Then
// the tags of one large file of zeros (a preallocated download) of each
// ending, which the windows read on their thread.
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "core/playlist/HtmlPage.h"
#include "core/tags/ID3.h"
#include "core/tags/SongTags.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

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

} // namespace

BENCHMARK(BM_ZeroFile)
    ->ArgsProduct({benchmark::CreateDenseRange(0, int(std::size(kEndings)) - 1, 1), {200, 2000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTags)
    ->ArgsProduct({{ID3v1, ID3v2, Flac, Untagged}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlPage)->DenseRange(ID3v1, Untagged)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    // The files go before the program's statics do.
    Files::all().clear();
    benchmark::Shutdown();
    return 0;
}
