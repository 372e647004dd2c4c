#pragma once

#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"

#include "core/system/HeapArenas.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <memory>

// The main window as the program shows it, over a temporary profile, with
// the scripted person.
struct MainWindowFixture {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    std::unique_ptr<MainWindow> w;

    MainWindowFixture() {
        w = std::make_unique<MainWindow>(state, platform.platform);
        w->load();
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("main window not shown");
    }
    // The list replaced by entries, and shown.
    void fill(const QStringList& entries) {
        w->playlistModel().replaceAll(entries);
        QCoreApplication::processEvents();
    }
};

// A benchmark program's main(): the heap as the program has it, offscreen
// unless told otherwise, every benchmark asked for.
inline int runBenchmarks(int argc, char** argv) {
    useOneHeapArena();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
