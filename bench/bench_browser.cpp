// The File Browser on a folder of 10,000 files: opening it, typing one
// character into the pattern box, and "Add All" into the playlist.
#include "BenchApp.h"
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "core/playlist/PlaylistModel.h"
#include "core/system/HeapArenas.h"
#include "ui/browser/FileBrowserWindow.h"
#include "ui/lists/FileList.h"
#include "ui/lists/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kFiles = 10000;

// The main window's part: files go to a real playlist.
class PlaylistHost : public FileBrowserHost {
public:
    void addToPlaylist(const QStringList& paths) override { model.append(paths); }
    void showTagWindow(const QString&) override {}
    QRectF mainWindowTwips() const override { return QRectF(3000, 2500, 9150, 3885); }
    PlaylistModel model;
};

// A folder of 10,000 songs with realistic names, and a few subfolders.
struct BigFolder {
    TestEnv env;
    QString folder = env.path("Music/Collection");

    BigFolder() {
        QDir().mkpath(folder);
        for (const char* sub : {"Albums", "Live", "Singles", "Bootlegs"})
            QDir().mkpath(folder + u'/' + QLatin1String(sub));
        const QStringList names = samplePaths(kFiles);
        for (int i = 0; i < kFiles; ++i) {
            const QString name = names[i].section(u'/', -1);
            QFile f(folder + QStringLiteral("/%1 %2").arg(i, 5, 10, QLatin1Char('0')).arg(name));
            if (!f.open(QIODevice::WriteOnly))
                qFatal("cannot write the benchmark folder");
        }
    }
};

BigFolder& bigFolder() {
    static BigFolder folder;
    return folder;
}

struct Window {
    ScriptedPlatform platform;
    AppState state;
    PlaylistHost host;
    std::unique_ptr<FileBrowserWindow> w;

    explicit Window(const QString& folder) {
        state.settings.browseFolder = folder;
        state.settings.browserFileFolder = folder;
        state.settings.browserPattern = QStringLiteral("*.*");
    }
    void open() {
        w = std::make_unique<FileBrowserWindow>(state, platform.platform, host);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->show();
        w->load();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("browser not shown");
        w->repaint();
    }
};

// The window shown on the folder: the load (twice), both lists filled and
// painted.
void BM_OpenFolder(benchmark::State& s) {
    const QString folder = bigFolder().folder;
    for (auto _ : s) {
        Window t(folder);
        t.open();
        if (t.w->fileList->count() != kFiles)
            s.SkipWithError("files missing");
        s.PauseTiming();
        t.w.reset();
        QCoreApplication::processEvents();
        s.ResumeTiming();
    }
}

// One keystroke in the pattern box: the list is read again and repainted.
// The keystrokes alternate: "*.*" becomes "*.*x", which lists no file, and
// back, which lists all 10,000.
void BM_TypeIntoPattern(benchmark::State& s) {
    Window t(bigFolder().folder);
    t.open();
    bool narrow = false;
    for (auto _ : s) {
        t.w->patternEdit->setFocus();
        if (narrow)
            QTest::keyClick(t.w->patternEdit, Qt::Key_Backspace);
        else
            QTest::keyClick(t.w->patternEdit, 'x');
        t.w->fileList->repaint();
        narrow = !narrow;
    }
}

// "Add All" of the 10,000 files into an empty playlist.
void BM_AddAll(benchmark::State& s) {
    Window t(bigFolder().folder);
    t.open();
    for (auto _ : s) {
        s.PauseTiming();
        t.host.model.clear();
        t.w->fileList->clearSelection();
        s.ResumeTiming();
        t.w->addAll();
        t.w->fileList->repaint();
    }
    if (t.host.model.count() != kFiles)
        s.SkipWithError("entries missing");
}

// The file list alone: a re-read of the folder.
void BM_FileListRead(benchmark::State& s) {
    FileList list;
    list.setPath(bigFolder().folder);
    for (auto _ : s)
        list.refresh();
}

// The folder list alone: a re-read of the folder (subfolders only).
void BM_FolderListRead(benchmark::State& s) {
    FolderList list;
    list.setPath(bigFolder().folder);
    for (auto _ : s)
        list.refresh();
}

} // namespace

BENCHMARK(BM_OpenFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeIntoPattern)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileListRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FolderListRead)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
