// A second launch of the program with files, from its start until it ends:
// by then the running copy has taken its files into its list. The first
// launch with the largest playlist, until its window is on screen.
#include "support/Session.h"

#include "desktop/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <thread>

#include <benchmark/benchmark.h>

namespace {

void BM_SecondLaunch(benchmark::State& s) {
    Session session;
    session.songs({"music/a.wav", "music/b.wav"});
    QProcess* first = session.launch();
    for (int i = 0; i < 200 && !session.answers(); ++i)
        QThread::msleep(50);
    if (first->state() != QProcess::Running) {
        s.SkipWithError("the first copy did not start");
        return;
    }
    for (auto _ : s) {
        QProcess* second = session.launch({"a.wav", "b.wav"});
        if (!Session::endsWell(second))
            s.SkipWithError("the second launch did not hand over");
    }
}

// The largest hand-over, 32,767 names of the given length, from a launch
// on another thread until the running copy has the files.
void BM_LargestHandOver(benchmark::State& s) {
    QTemporaryDir dir;
    const QString socket = dir.path() + QStringLiteral("/s.socket");
    SingleInstance server(socket);
    server.start({}, 100);
    QStringList files;
    for (int i = 0; i < 32767; ++i) {
        const QString name = QStringLiteral("/m/%1/").arg(i);
        files << name + QString(int(s.range(0)) - name.size(), u'x');
    }
    qsizetype arrived = 0;
    QObject::connect(&server, &SingleInstance::filesArrived,
                     [&](const QStringList& f) { arrived = f.size(); });
    for (auto _ : s) {
        arrived = 0;
        std::thread launch([&] { SingleInstance(socket).handOver(files, 60000); });
        while (arrived == 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        launch.join();
    }
    s.counters["names"] = double(arrived);
}

// Milliseconds from the start of a program until Qt's painting log says that
// it put a main window's first frame on screen; 0 when it did not.
double untilFirstFrame(const QString& program, const QStringList& args, QProcessEnvironment env) {
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.widgets.painting=true"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setReadChannel(QProcess::StandardError);
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    double ms = 0;
    while (ms == 0 && (p.canReadLine() || p.waitForReadyRead(30000))) {
        while (p.canReadLine()) {
            const QByteArray line = p.readLine();
            if (line.startsWith("qt.widgets.painting: Flushing QRegion") &&
                line.contains("MainWindow(")) {
                ms = double(clock.nsecsElapsed()) / 1e6;
                break;
            }
        }
    }
    p.kill();
    p.waitForFinished(5000);
    return ms;
}

// The program with the largest autosaved playlist, from its launch until its
// window's first frame, each launch followed by one of a plain Qt window that
// shows a menu and a list of one path (plain_window, built beside it),
// measured alike: "x_plain" is the one over the other.
void BM_LaunchToWindow(benchmark::State& s) {
    Session session;
    PlsFormat::write(session.path("bin/jukora.pls"), samplePaths(32767), false, false);
    double jukora = 0, plain = 0;
    for (auto _ : s) {
        const double j = untilFirstFrame(session.path("bin/jukora"), {}, session.env);
        const double p = untilFirstFrame(QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/plain_window"),
                                         {}, session.env);
        if (j == 0 || p == 0) {
            s.SkipWithError("no first frame");
            return;
        }
        s.SetIterationTime(j / 1000);
        jukora += j;
        plain += p;
    }
    s.counters["x_plain"] = jukora / plain;
    s.counters["plain_ms"] = plain / double(s.iterations());
}

} // namespace

BENCHMARK(BM_LaunchToWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);
BENCHMARK(BM_LargestHandOver)->Arg(255)->Arg(4095)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SecondLaunch)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
