// A second launch of the program with files, from its start until it ends:
// by then the running copy has taken its files into its list.
#include "support/Session.h"

#include "desktop/SingleInstance.h"

#include <QCoreApplication>
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

} // namespace

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
