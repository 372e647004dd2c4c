// Jukora idle with a full playlist against Audacious idle with the same
// list, side by side in one run: what each process alone holds (its private
// dirty pages) and its proportional set size (PSS); the CPU time each takes
// to play the same song with its window shown, and Jukora's wakeups when
// idle; and how
// soon the first song is heard after Play List in a program that has just
// started and loaded its decoder.
#include "support/Listener.h"
#include "support/ScriptedPlatform.h"
#include "support/TestEnv.h"
#include "support/Tones.h"

#include "core/playlist/PlsFormat.h"
#include "core/system/HeapArenas.h"
#include "engine/MediaEngine.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <clocale>
#include <cstdio>

#include <unistd.h>

namespace {

constexpr int kFull = 32767;

// One line of the process's memory summary ("Pss:"), in MiB.
double rollupMiB(qint64 pid, const QByteArray& key) {
    QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

double pssMiB(qint64 pid) {
    return rollupMiB(pid, "Pss:");
}

// A process left idle until its memory stops changing (a second without
// change, at most `ms`); its PSS then.
double idlePss(QProcess& p, int ms) {
    p.waitForStarted();
    QElapsedTimer clock;
    clock.start();
    double last = -1;
    int still = 0;
    while (clock.elapsed() < ms && p.state() == QProcess::Running) {
        QThread::msleep(250);
        const double now = pssMiB(p.processId());
        still = qAbs(now - last) < 0.2 ? still + 1 : 0;
        last = now;
        if (still >= 4 && clock.elapsed() > 3000)
            break;
    }
    return last;
}

// A private X display for both programs, as a desktop would give them.
struct Display {
    QProcess server;
    QString name;
    Display() {
        // Xvfb picks a free display and writes its number once it is ready.
        server.start(QStringLiteral("Xvfb"),
                     {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (server.waitForReadyRead(20000))
            name = u':' + QString::fromLatin1(server.readLine().trimmed());
    }
    ~Display() {
        server.terminate();
        server.waitForFinished();
    }
};

// The CPU time (user and system, every thread) a process has taken, in ms.
double cpuMs(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    // After the name: state, then the fields up to utime (the 12th) and stime.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? (fields[11].toDouble() + fields[12].toDouble()) * 1000 /
                                    double(sysconf(_SC_CLK_TCK))
                              : 0;
}

// How often the process's threads have been woken (their context switches).
double wakeups(qint64 pid) {
    double n = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pid))
                                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/%1/task/%2/status").arg(pid).arg(task));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:") ||
                line.startsWith("nonvoluntary_ctxt_switches:"))
                n += line.mid(line.indexOf(':') + 1).trimmed().toDouble();
    }
    return n;
}

// The environment of a desktop session on the private display, in env's
// folders.
QProcessEnvironment sessionEnvironment(const Display& display, const TestEnv& env) {
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    base.insert(QStringLiteral("DISPLAY"), display.name);
    base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    base.insert(QStringLiteral("HOME"), env.profile());
    base.insert(QStringLiteral("XDG_CONFIG_HOME"), env.profile() + QStringLiteral("/.config"));
    base.insert(QStringLiteral("XDG_DATA_HOME"), env.profile() + QStringLiteral("/.local/share"));
    base.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return base;
}

// A 60 s song played by Jukora (Player 1 shown, as a launch with a file
// plays it) and by Audacious (its window shown) at once, into one private
// sound server's null sink: each one's CPU time per second of playing over
// 20 s, after 3 s to settle. Then Jukora with no song: its wakeups per
// second over 10 s.
void BM_PlayingCostAgainstAudacious(benchmark::State& s) {
    Display display;
    Listener listener;
    if (display.name.isEmpty() || !listener.error().isEmpty()) {
        s.SkipWithError("no Xvfb or no PulseAudio");
        return;
    }
    TestEnv env;
    Tones tones;
    const QString song = tones.tone(QStringLiteral("song.wav"), 60.0);
    const QString program = env.programFolder() + QStringLiteral("/jukora");
    QFile::copy(QStringLiteral(JUKORA_BINARY), program);
    QProcessEnvironment base = sessionEnvironment(display, env);
    base.insert(QStringLiteral("JUKORA_AUDIO"), QStringLiteral("pulse"));
    const bool audacious = !QStandardPaths::findExecutable(QStringLiteral("audacious")).isEmpty();
    for (auto _ : s) {
        QProcess jukora, other;
        jukora.setProcessEnvironment(base);
        other.setProcessEnvironment(base);
        jukora.start(program, {song});
        if (audacious)
            other.start(QStringLiteral("audacious"), {song});
        QThread::msleep(3000);
        const double j0 = cpuMs(jukora.processId()), a0 = audacious ? cpuMs(other.processId()) : 0;
        QThread::msleep(20000);
        const double j = (cpuMs(jukora.processId()) - j0) / 20,
                     a = audacious ? (cpuMs(other.processId()) - a0) / 20 : 0;
        s.counters["jukora_cpu_ms_per_s"] = j;
        if (audacious) {
            s.counters["audacious_cpu_ms_per_s"] = a;
            s.counters["jukora_to_audacious"] = j / std::max(a, 1e-9);
        }
        other.terminate();
        other.waitForFinished();
        jukora.terminate();
        jukora.waitForFinished();
        QProcess idle;
        idle.setProcessEnvironment(base);
        idle.start(program, {});
        QThread::msleep(5000);
        const double w0 = wakeups(idle.processId()), c0 = cpuMs(idle.processId());
        QThread::msleep(10000);
        s.counters["idle_wakeups_per_s"] = (wakeups(idle.processId()) - w0) / 10;
        s.counters["idle_cpu_ms_per_s"] = (cpuMs(idle.processId()) - c0) / 10;
        idle.terminate();
        idle.waitForFinished();
        s.SetIterationTime(20);
    }
}

void BM_IdleMemoryAgainstAudacious(benchmark::State& s) {
    Display display;
    if (display.name.isEmpty()) {
        s.SkipWithError("Xvfb did not start");
        return;
    }
    TestEnv env;
    // The installed program's layout: the autosave beside a copy of it.
    const QString program = env.programFolder() + QStringLiteral("/jukora");
    QFile::copy(QStringLiteral(JUKORA_BINARY), program);
    const QStringList list = samplePaths(kFull);
    PlsFormat::write(env.autosaveFile(), list, false, false);
    PlsFormat::write(env.path(QStringLiteral("list.pls")), list, false, false);
    const QProcessEnvironment base = sessionEnvironment(display, env);
    const bool audacious = !QStandardPaths::findExecutable(QStringLiteral("audacious")).isEmpty();
    for (auto _ : s) {
        QProcess jukora;
        jukora.setProcessEnvironment(base);
        jukora.start(program, {});
        const double own = idlePss(jukora, 20000);
        if (own <= 0) {
            s.SkipWithError(qPrintable(QStringLiteral("Jukora did not start: ") +
                                       QString::fromLocal8Bit(jukora.readAllStandardError())));
            break;
        }
        s.counters["jukora_pss_MiB"] = own;
        const double ownPrivate = rollupMiB(jukora.processId(), "Private_Dirty:");
        s.counters["jukora_private_MiB"] = ownPrivate;
        if (audacious) {
            QProcess other;
            other.setProcessEnvironment(base);
            other.start(QStringLiteral("audacious"), {"-E", env.path(QStringLiteral("list.pls"))});
            const double theirs = idlePss(other, 30000);
            const double theirsPrivate = rollupMiB(other.processId(), "Private_Dirty:");
            s.counters["audacious_pss_MiB"] = theirs;
            s.counters["audacious_private_MiB"] = theirsPrivate;
            s.counters["jukora_to_audacious"] = own / theirs;
            s.counters["jukora_to_audacious_private"] = ownPrivate / theirsPrivate;
            other.terminate();
            other.waitForFinished();
        }
        jukora.terminate();
        jukora.waitForFinished();
        s.SetIterationTime(1);
    }
    if (!audacious)
        s.SetLabel("audacious is not installed: Jukora alone");
}

// The child: the main window with a list of one tone, the decoder loaded as
// main() loads it, left idle; then Play List, timed until the song is heard:
// its first loud samples arriving from a recording of a private sound
// server's null sink (parec at 2 ms latency, so the figure includes the
// sound server's own buffering, as a listener would). Without PulseAudio
// the song counts as heard when its position first moves.
int firstSongChild(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    Listener listener;
    const bool hear = listener.error().isEmpty();
    if (hear)
        qputenv("JUKORA_AUDIO", "pulse");
    TestEnv env;
    Tones tones;
    ScriptedPlatform platform;
    AppState state;
    MainWindow w(state, platform.platform);
    w.load();
    w.playlistModel().append(tones.tone(QStringLiteral("first.wav"), 3.0));
    w.show();
    QTimer::singleShot(250, [] { MediaEngine::preload(); });
    QElapsedTimer clock;
    double heard = -1;
    QProcess recorder;
    qint64 recorded = 0;
    QObject::connect(&recorder, &QProcess::readyReadStandardOutput, [&] {
        const QByteArray pcm = recorder.readAllStandardOutput();
        recorded += pcm.size();
        const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
        for (qsizetype i = 0; i < pcm.size() / 2 && heard < 0 && clock.isValid(); ++i)
            if (qAbs(samples[i]) > 1000)
                heard = double(clock.nsecsElapsed()) / 1e6;
    });
    if (hear)
        recorder.start(QStringLiteral("parec"),
                       {"-d", "heard.monitor", "--format=s16le", "--rate=44100", "--channels=1",
                        "--raw", "--latency-msec=2"});
    else
        QObject::connect(&w.playback().engine(1), &MediaControl::positionChanged, [&](double at) {
            if (at > 0 && heard < 0 && clock.isValid())
                heard = double(clock.nsecsElapsed()) / 1e6;
        });
    QTest::qWait(2500);
    if (hear && recorded == 0)
        return 1;
    clock.start();
    w.playList();
    if (!QTest::qWaitFor([&] { return heard >= 0; }, 10000))
        return 1;
    std::printf("%f\n", heard);
    std::fflush(stdout);
    w.stopAll();
    recorder.terminate();
    recorder.waitForFinished();
    return 0;
}

void BM_FirstSongAfterStart(benchmark::State& s) {
    std::vector<double> times;
    for (auto _ : s) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--first-song-child"});
        child.waitForFinished(30000);
        const double ms = child.readAllStandardOutput().trimmed().toDouble();
        if (child.exitCode() != 0 || ms <= 0) {
            s.SkipWithError("first-song child failed");
            return;
        }
        times.push_back(ms);
        s.SetIterationTime(ms / 1000);
    }
    std::sort(times.begin(), times.end());
    s.counters["median_ms"] = times[times.size() / 2];
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
        s.SetLabel("no PulseAudio: until the position moves");
    s.counters["worst_ms"] = times.back();
}

} // namespace

BENCHMARK(BM_PlayingCostAgainstAudacious)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_IdleMemoryAgainstAudacious)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_FirstSongAfterStart)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // As the program runs.
    useOneHeapArena();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("JUKORA_AUDIO"))
        qputenv("JUKORA_AUDIO", "null");
    if (argc == 2 && QByteArray(argv[1]) == "--first-song-child")
        return firstSongChild(argc, argv);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
