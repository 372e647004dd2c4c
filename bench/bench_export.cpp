// Copy Playlist at the size of a well-filled music stick: 200 files of 5 MB
// (1 GB) copied through the Export Media window into a folder on the same
// disk, against cp of the same files in the same run, and the longest wait
// of the event loop for its next turn while the progress dialog shows.
// Copy Playlist ends with every copy on the disk, where cp ends with them in
// memory: cp is timed alone and with the flush of its copies after it, which
// is what the same guarantee costs it.
#include "BenchApp.h"
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "core/system/HeapArenas.h"
#include "ui/export/ExportMediaHost.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFiles = 200;
constexpr qint64 kFileSize = 5 * 1024 * 1024;
constexpr qint64 kTotal = kFiles * kFileSize;

class Host : public ExportMediaHost {
public:
    const QStringList& playlistEntries() const override { return entries; }
    void showTagWindow(const QString&) override {}
    QRectF mainWindowTwips() const override { return QRectF(3000, 2500, 9150, 3885); }
    QStringList entries;
};

// Bytes that do not compress or repeat, different in every file.
QByteArray noise(qint64 size, quint64 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint64 x = seed * 0x9E3779B97F4A7C15ull + 1;
    auto* out = reinterpret_cast<quint64*>(bytes.data());
    for (qint64 i = 0; i < size / 8; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        out[i] = x;
    }
    return bytes;
}

// Records the longest time between two ticks of a 1 ms timer while the
// window's progress dialog is on the screen.
class GapMeter {
public:
    explicit GapMeter(const ExportMediaWindow* w) : m_w(w) {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
        m_timer.start();
    }
    qint64 longestNs() const { return m_longest; }
    int ticks() const { return m_ticks; }

private:
    void tick() {
        const QProgressDialog* dialog = m_w->copyProgress;
        if (!dialog || !dialog->isVisible()) {
            m_last = -1;
            return;
        }
        const qint64 now = m_clock.nsecsElapsed();
        if (m_last >= 0)
            m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        ++m_ticks;
    }

    const ExportMediaWindow* m_w;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_longest = 0;
    int m_ticks = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Flushes every file of a folder and the folder itself to the disk, as the
// copy does; the seconds it took.
double flush(const QString& folder) {
    QElapsedTimer t;
    t.start();
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const int fd = ::open(QFile::encodeName(folder + u'/' + name).constData(), O_RDONLY);
        ::fdatasync(fd);
        ::close(fd);
    }
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    ::fsync(dir);
    ::close(dir);
    return double(t.nsecsElapsed()) / 1e9;
}

bool allCopied(const QString& folder) {
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    if (files.size() != kFiles)
        return false;
    return std::all_of(files.begin(), files.end(),
                       [](const QFileInfo& f) { return f.size() == kFileSize; });
}

void BM_CopyPlaylistVsCp(benchmark::State& s) {
    // The sources and the copies live in one temporary folder on the disk of
    // /tmp, removed at the end whatever happens in between.
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/jukora-bench-export-XXXXXX"));
    if (!work.isValid() || QStorageInfo(work.path()).bytesAvailable() < 4 * kTotal) {
        s.SkipWithError("no room for 3 GB in the temporary folder");
        return;
    }
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    Host host;
    const QString sources = work.path() + QStringLiteral("/music");
    QDir().mkpath(sources);
    for (int i = 0; i < kFiles; ++i) {
        const QString path =
            sources + QStringLiteral("/Track %1.mp3").arg(i + 1, 3, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(noise(kFileSize, quint64(i))) != kFileSize) {
            s.SkipWithError("cannot write the sources");
            return;
        }
        host.entries << path;
    }

    // Each run starts with nothing waiting to be written back: the page
    // cache keeps the sources, and no run pays for an earlier one's writing.
    ::sync();

    auto w = std::make_unique<ExportMediaWindow>(state, platform.platform, host);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) {
        s.SkipWithError("window not shown");
        return;
    }

    double windowSeconds = 0, cpSeconds = 0, cpFlushedSeconds = 0;
    std::vector<double> windowRuns, cpRuns, cpFlushedRuns;
    qint64 longestGap = 0;
    int ticks = 0;
    int iteration = 0;
    for (auto _ : s) {
        const QString ours = work.path() + QStringLiteral("/jukora-%1").arg(iteration);
        const QString theirs = work.path() + QStringLiteral("/cp-%1").arg(iteration);
        QDir().mkpath(ours);
        QDir().mkpath(theirs);

        const auto runWindow = [&] {
            w->folderList->setPath(ours);
            platform.messages.shown.clear();
            GapMeter gaps(w.get());
            QElapsedTimer t;
            t.start();
            w->copyPlaylist();
            const double seconds = double(t.nsecsElapsed()) / 1e9;
            longestGap = std::max(longestGap, gaps.longestNs());
            ticks += gaps.ticks();
            return seconds;
        };
        const auto runCp = [&] {
            QProcess cp;
            QElapsedTimer t;
            t.start();
            cp.start(QStringLiteral("cp"),
                     QStringList{QStringLiteral("-f")} << host.entries << theirs);
            cp.waitForFinished(-1);
            const double seconds = double(t.nsecsElapsed()) / 1e9;
            if (cp.exitStatus() != QProcess::NormalExit || cp.exitCode() != 0)
                return -1.0;
            return seconds;
        };

        // Which goes first alternates, and neither finds the other's
        // writing still under way.
        double mine = 0, theirsTime = 0, theirFlush = 0;
        if (iteration % 2 == 0) {
            mine = runWindow();
            theirsTime = runCp();
            theirFlush = flush(theirs);
        } else {
            theirsTime = runCp();
            theirFlush = flush(theirs);
            ::sync();
            mine = runWindow();
        }
        s.SetIterationTime(mine);

        const bool ok = theirsTime > 0 && w->fileList->path() == ours && allCopied(ours) &&
                        allCopied(theirs) && platform.messages.shown.size() == 1 &&
                        platform.messages.shown[0] == QStringLiteral("Export Complete!");
        QDir(ours).removeRecursively();
        QDir(theirs).removeRecursively();
        ::sync();
        if (!ok) {
            s.SkipWithError("a copy is incomplete");
            break;
        }
        std::fprintf(stderr, "run %d: window %.3f s, cp %.3f s, flushed %.3f s\n", iteration, mine,
                     theirsTime, theirsTime + theirFlush);
        windowSeconds += mine;
        cpSeconds += theirsTime;
        cpFlushedSeconds += theirsTime + theirFlush;
        windowRuns.push_back(mine);
        cpRuns.push_back(theirsTime);
        cpFlushedRuns.push_back(theirsTime + theirFlush);
        ++iteration;
    }
    w.reset();

    if (iteration > 0) {
        const double mb = double(kTotal) / 1e6 * iteration;
        s.counters["window_MBps"] = mb / windowSeconds;
        s.counters["cp_MBps"] = mb / cpSeconds;
        s.counters["throughput_vs_cp"] = cpSeconds / windowSeconds;
        // The machine's other work makes single runs vary; the medians
        // say what a typical run gives.
        s.counters["median_vs_cp"] = median(cpRuns) / median(windowRuns);
        s.counters["vs_cp_flushed"] = cpFlushedSeconds / windowSeconds;
        s.counters["median_vs_cp_flushed"] = median(cpFlushedRuns) / median(windowRuns);
        s.counters["longest_gap_ms"] = double(longestGap) / 1e6;
        s.counters["ticks"] = ticks;
    }
    s.SetBytesProcessed(qint64(iteration) * kTotal);
}

} // namespace

BENCHMARK(BM_CopyPlaylistVsCp)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
