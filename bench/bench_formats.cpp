// The playlist files at the playlist's largest: M3U out and in, the web
// page over real tagged files on disk, and what a drop of 4000 names adds.
#include "support/TestEnv.h"

#include "core/playlist/HtmlPage.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/tags/ID3.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kFull = 32767;
constexpr int kDrop = 4000;

// The sample songs as small tagged files (about 200 bytes each) under a
// temporary folder, made once for all benchmarks that need them.
struct TaggedFiles {
    QTemporaryDir dir;
    QStringList paths;

    TaggedFiles() {
        const QStringList samples = samplePaths(kFull);
        paths.reserve(samples.size());
        QSet<QString> folders;
        for (const QString& s : samples) {
            const QString path = dir.path() + s;
            const QString folder = path.left(path.lastIndexOf(u'/'));
            if (!folders.contains(folder)) {
                QDir().mkpath(folder);
                folders.insert(folder);
            }
            paths << path;
        }
        QByteArray bytes(72, '\x55');
        bytes += "TAG";
        const qsizetype tag = bytes.size();
        bytes += QByteArray(125, ' ');
        for (int i = 0; i < paths.size(); ++i) {
            const QByteArray title = "Track " + QByteArray::number(i);
            const QByteArray artist = "Artist " + QByteArray::number(i % 8);
            bytes.replace(tag, 30, title.leftJustified(30, ' '));
            bytes.replace(tag + 30, 30, artist.leftJustified(30, ' '));
            QFile f(paths.at(i));
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                qFatal("cannot write the tagged files");
        }
    }

    static std::unique_ptr<TaggedFiles>& instance() {
        static std::unique_ptr<TaggedFiles> files;
        return files;
    }
    static TaggedFiles& get() {
        if (!instance())
            instance() = std::make_unique<TaggedFiles>();
        return *instance();
    }
};

void BM_ExportM3U(benchmark::State& s) {
    QTemporaryDir dir;
    const QStringList paths = samplePaths(kFull);
    const QString file = dir.path() + QStringLiteral("/out.m3u");
    for (auto _ : s)
        if (!M3uFormat::write(file, paths, false, false))
            s.SkipWithError("write failed");
}

void BM_ImportM3U(benchmark::State& s) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/big.m3u");
    M3uFormat::write(file, samplePaths(kFull), false, false);
    qsizetype count = 0;
    for (auto _ : s) {
        const QStringList entries = M3uFormat::read(file);
        count = entries.size();
        benchmark::DoNotOptimize(entries);
    }
    if (count != kFull)
        s.SkipWithError("import lost entries");
}

// A foreign list of relative names, each joined to the list's folder.
void BM_ImportM3URelative(benchmark::State& s) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/names.m3u");
    M3uFormat::write(file, samplePaths(kFull), true, false);
    for (auto _ : s)
        benchmark::DoNotOptimize(M3uFormat::read(file));
}

// Arg: the number of entries, every one a tagged file on disk.
void BM_ExportHTML(benchmark::State& s) {
    const TaggedFiles& files = TaggedFiles::get();
    const QStringList entries = files.paths.mid(0, s.range(0));
    QTemporaryDir dir;
    const QString page = dir.path() + QStringLiteral("/list.html");
    for (auto _ : s)
        if (!HtmlPage::write(page, entries, false, false))
            s.SkipWithError("write failed");
    if (!QFile(page).size())
        s.SkipWithError("no page");
}

void BM_ReadID3Tag(benchmark::State& s) {
    const TaggedFiles& files = TaggedFiles::get();
    const QStringList entries = files.paths.mid(0, kDrop);
    for (auto _ : s) {
        int found = 0;
        for (const QString& path : entries) {
            ID3::TagRecord record;
            found += ID3::readTag(path, record);
        }
        if (found != kDrop)
            s.SkipWithError("tags missing");
    }
    s.SetItemsProcessed(s.iterations() * kDrop);
}

// The core of a drop of 4000 media files: quotes off, format by ending,
// entries up to the room left in the playlist.
void BM_DropEntries(benchmark::State& s) {
    const QStringList names = samplePaths(kDrop);
    for (auto _ : s) {
        QStringList unquoted;
        unquoted.reserve(names.size());
        for (const QString& name : names)
            unquoted += PlaylistFiles::removeQuotes(name);
        const QStringList added = PlaylistFiles::entriesFromNames(unquoted, kFull);
        if (added.size() != kDrop)
            s.SkipWithError("drop lost names");
        benchmark::DoNotOptimize(added);
    }
}

} // namespace

BENCHMARK(BM_ExportM3U)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportM3U)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportM3URelative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportHTML)->Arg(kDrop)->Arg(kFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadID3Tag)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DropEntries)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    // The tagged files go before the program's statics do.
    TaggedFiles::instance().reset();
    benchmark::Shutdown();
    return 0;
}
