// A second launch of the program with files, from its start until it ends:
// by then the running copy has taken its files into its list.
#include "support/Session.h"

#include <QCoreApplication>
#include <QThread>

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

} // namespace

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
