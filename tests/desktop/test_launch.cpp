// Starting the program: its command line, the one running copy later launches
// hand their files to (real processes), where the settings file lives.
#include "support/App.h"
#include "support/Session.h"
#include "support/Tones.h"

#include "core/playlist/PlsFormat.h"
#include "core/system/AppPaths.h"
#include "core/system/CommandLine.h"
#include "desktop/SingleInstance.h"

#include <QDialog>
#include <QProcess>

#include <csignal>
#include <future>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kDeadline = 20000;

// Sets the variables (a null value: removes them).
void setEnv(std::initializer_list<std::pair<const char*, QString>> vars) {
    for (const auto& [name, value] : vars)
        value.isNull() ? qunsetenv(name) : qputenv(name, value.toLocal8Bit());
}

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void commandLineFiles() {
        // Made absolute, quotes at the ends gone; a file address is its path.
        QCOMPARE(
            ::commandLineFiles({"/music/My Song.mp3", "/m//x.pls", "a.mp3", "sub/../b.m3u",
                                "../c.mp3", "./d", "\"/m/a b.mp3\"", "\"e.mp3", "f.mp3\"",
                                "in\"side.mp3", "file:///m/a%20b.mp3", "http://radio/stream", "",
                                "\"\""},
                               QStringLiteral("/home/u")),
            QStringList({"/music/My Song.mp3", "/m//x.pls", "/home/u/a.mp3", "/home/u/b.m3u",
                         "/home/c.mp3", "/home/u/d", "/m/a b.mp3", "/home/u/e.mp3", "/home/u/f.mp3",
                         "/home/u/in\"side.mp3", "/m/a b.mp3", "http://radio/stream"}));
        // Help, version, unknown ones refused; "--" ends them; Qt's own pass.
        using A = Launch::Action;
        const struct {
            QStringList args;
            A action;
            QStringList files;
        } rows[] = {
            {{"--help", "x.mp3"}, A::Help, {}},
            {{"-v"}, A::Version, {}},
            {{"--bogus", "x.mp3"}, A::Refused, {}},
            {{"-x.mp3"}, A::Refused, {}},
            {{"--", "-x.mp3", "--help"}, A::Run, {"/home/u/-x.mp3", "/home/u/--help"}},
            {{"-platform", "offscreen", "-reverse", "a.mp3"}, A::Run, {"/home/u/a.mp3"}},
        };
        for (const auto& r : rows) {
            const Launch launch = readLaunch(QStringList{"jukora"} + r.args, "/home/u");
            QCOMPARE(launch.action, r.action);
            QCOMPARE(launch.files, r.files);
        }
        QCOMPARE(readLaunch({"jukora", "-platform", "offscreen"}, "/").platform, "offscreen");
        // No display where Qt would look for an X or Wayland one.
        QVERIFY(!missingDisplay("wayland-egl", "", "").isEmpty());
        for (const auto& [platform, x, wayland] :
             {std::tuple{"xcb", ":0", ""}, {"", "", "wayland-0"}, {"offscreen", "", ""}})
            QVERIFY(missingDisplay(platform, x, wayland).isEmpty());
    }
    void optionsWithoutAWindow() {
        // Answered without a window, the settings and the list untouched.
        Session s;
        writeBytes(s.path("home/jk.ini"), "[Jukora]\nFilesH=5000\n");
        const struct {
            QStringList args;
            bool display;
            int code;
            QByteArray out, err;
        } rows[] = {
            {{"--help"}, true, 0, "Usage: jukora [options] [file or folder...]\n", ""},
            {{"--version"}, true, 0, "jukora 4.0.52\n", ""},
            {{"--bogus"}, true, 2, "", "jukora: Unknown option 'bogus'.\nUsage: jukora"},
            {{}, false, 1, "", "jukora: no display; set DISPLAY or WAYLAND_DISPLAY\n"},
        };
        for (const auto& r : rows) {
            QProcessEnvironment env = s.env;
            if (!r.display)
                env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(s.path("bin/jukora"), r.args);
            QVERIFY(p.waitForFinished(kDeadline));
            QCOMPARE(p.exitCode(), r.code);
            QVERIFY(p.readAllStandardOutput().startsWith(r.out));
            QVERIFY(p.readAllStandardError().startsWith(r.err));
        }
        QVERIFY(QFile::exists(s.path("home/jk.ini")) && s.saved().isEmpty());
    }
    void settingsFile() {
        QTemporaryDir dir;
        const QString home = dir.path() + "/home", config = dir.path() + "/config";
        const QByteArray oldHome = qgetenv("HOME"), oldProfile = qgetenv("USERPROFILE");
        QDir().mkpath(home);
        // USERPROFILE's when set; else the configuration folder (never a relative one).
        const QByteArray old = "[Jukora]\r\nFilesH=5000\r\n; kept\r\nDirectory=/m/\xE9t\xE9\r\n";
        writeBytes(home + "/jk.ini", old);
        setEnv({{"USERPROFILE", dir.path()}, {"HOME", home}});
        QVERIFY(!AppPaths::moveOldSettingsFile());
        for (const QString& xdg : {QString(), QStringLiteral("relative/config")}) {
            setEnv({{"USERPROFILE", QString()}, {"XDG_CONFIG_HOME", xdg}});
            QCOMPARE(AppPaths::settingsFile(), home + "/.config/jukora/jk.ini");
            QVERIFY(QFileInfo(home + "/.config/jukora").isDir());
        }
        setEnv({{"XDG_CONFIG_HOME", config}});
        const QString now = config + "/jukora/jk.ini";
        // The old file moves once, every byte kept; then it is no more looked at.
        QVERIFY(AppPaths::settingsFile() == now && AppPaths::moveOldSettingsFile());
        writeBytes(home + "/jk.ini", "[Jukora]\nFilesH=9999\n");
        QVERIFY(!AppPaths::moveOldSettingsFile());
        QVERIFY(readBytes(now) == old && QFile::exists(home + "/jk.ini"));
        setEnv({{"HOME", QString::fromLocal8Bit(oldHome)},
                {"USERPROFILE", QString::fromLocal8Bit(oldProfile)},
                {"XDG_CONFIG_HOME", QString()}});
    }
    void filesInTheWindow() {
        // The command line's files replace the saved list; minimized, playing the first.
        App p(false);
        writeBytes(p.env.autosaveFile(), "[playlist]\r\nFile1=/saved.mp3\r\n");
        writeBytes(p.env.settingsFile(), "[Jukora]\nNowPV=True\n");
        const QStringList songs = {p.env.path("a.wav"), p.env.path("b.wav"), p.env.path("c.wav")};
        for (const QString& f : songs)
            writeBytes(f, Tones::wavBytes(10, 440, 8000));
        writeBytes(p.env.path("list.m3u"), "b.wav\n");
        p.start({songs[0], p.env.path("list.m3u")});
        QCOMPARE(p.entries(), songs.mid(0, 2));
        QVERIFY(p.w->isMinimized() && p.state.listPlaying && p.state.player1File == songs[0]);
        // Now Playing opens after them, not minimized; a press closes it.
        QVERIFY(p.w->nowPlayingWindow() && !p.w->nowPlayingWindow()->isMinimized());
        p.w->toggleNowPlaying();
        QTRY_VERIFY(!p.w->nowPlayingWindow());
        // A later launch's files wait for an open dialog, then replace the list and play.
        p.w->stopAll();
        p.state.currentIndex = 1;
        QDialog dialog;
        dialog.setModal(true);
        dialog.show();
        p.w->openLaunchFiles({songs[2]});
        QCOMPARE(p.entries(), songs.mid(0, 2));
        dialog.close();
        QTRY_COMPARE(p.entries(), songs.mid(2));
        QVERIFY(!p.w->isMinimized() && p.w->player1() && p.state.player1File == songs[2]);
        // Without files only the window comes up.
        p.w->stopAll();
        p.w->showMinimized();
        p.w->openLaunchFiles({});
        QVERIFY(!p.w->isMinimized() && !p.w->player1());
        QCOMPARE(p.entries(), songs.mid(2));
    }
    void secondLaunchHandsOver() {
        Session s;
        const QByteArray ini = "[Jukora]\nFilesH=5000\n; a line of my own\n";
        writeBytes(s.path("home/jk.ini"), ini);
        for (const char* name : {"music/a.wav", "c.wav", "music/e.wav", "music/f.wav"})
            writeBytes(s.path(name), Tones::wavBytes(0.2, 440.0, 8000));
        QProcess* first = s.launch();
        QTRY_VERIFY_WITH_TIMEOUT(s.answers(), kDeadline);
        QTRY_COMPARE_WITH_TIMEOUT(readBytes(s.path("config/jukora/jk.ini")), ini, kDeadline);
        QVERIFY(!QFile::exists(s.path("home/jk.ini")));
        // The settings file moved; a second launch hands its files over and ends.
        QVERIFY(Session::endsWell(s.launch({"a.wav", "../c.wav"})));
        QTRY_COMPARE_WITH_TIMEOUT(s.saved(), QStringList({s.path("music/a.wav"), s.path("c.wav")}),
                                  kDeadline);
        // A killed copy's socket does not count; of two launches at once, one runs.
        first->kill();
        QVERIFY(first->waitForFinished(kDeadline));
        QVERIFY(QFileInfo::exists(s.socket()) && !s.answers());
        QProcess* a = s.launch({"e.wav"});
        QProcess* b = s.launch({"f.wav"});
        QTRY_VERIFY_WITH_TIMEOUT((a->state() == QProcess::NotRunning) !=
                                     (b->state() == QProcess::NotRunning),
                                 kDeadline);
        QProcess* ended = a->state() == QProcess::NotRunning ? a : b;
        QVERIFY(Session::endsWell(ended));
        QTRY_COMPARE_WITH_TIMEOUT(
            s.saved(), QStringList{s.path(ended == a ? "music/e.wav" : "music/f.wav")}, kDeadline);
        QCOMPARE((ended == a ? b : a)->state(), QProcess::Running);
    }
    void runningCopyKeepsAnswering() {
        QTemporaryDir dir;
        const QString socket = dir.path() + "/s.socket";
        SingleInstance server(socket);
        QCOMPARE(server.start({}, 100), SingleInstance::Start::First);
        QList<QStringList> arrived;
        std::future<bool> launch; // on a thread of its own, as another process
        // Handled once the launch has its answer, in a loop of their own (a dialog's).
        connect(&server, &SingleInstance::filesArrived, this, [&](const QStringList& files) {
            QTRY_VERIFY_WITH_TIMEOUT(
                launch.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 3000);
            QTest::qWait(50);
            arrived << files;
        });
        const auto handOver = [&](const QStringList& files) {
            launch = std::async(std::launch::async, [socket, files] {
                return SingleInstance(socket).handOver(files, 10000);
            });
            QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 1, 10000);
            QVERIFY(launch.get());
            QCOMPARE(arrived.takeFirst(), files);
        };
        handOver({"/m/a.mp3", QString::fromUtf8("/m/\xc3\xa9t\xc3\xa9 b.mp3")});
        // No socket can be made (no folder, a byte too long): alone; no copy: no hand-over.
        const QString longName = dir.path() + u'/' + QString(107 - dir.path().size(), u'x');
        for (const QString& bad : {dir.path() + "/none/s.socket", longName})
            QCOMPARE(SingleInstance(bad).start({}, 100), SingleInstance::Start::Alone);
        QVERIFY(!SingleInstance(dir.path() + "/none.socket").handOver({}, 100));
        // A copy that ends while the files are on their way: the launch stops
        // at once, without a hand-over.
        {
            const QString gone = dir.path() + "/gone.socket";
            const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un a = {};
            a.sun_family = AF_UNIX;
            std::memcpy(a.sun_path, QFile::encodeName(gone).constData(), size_t(gone.size()));
            QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    ::listen(listener, 1) == 0);
            std::future<bool> sending = std::async(std::launch::async, [gone] {
                return SingleInstance(gone).handOver(QStringList(4000, QString(2000, u'x')), 60000);
            });
            const int fd = ::accept(listener, nullptr, nullptr);
            char head[8];
            QCOMPARE(::recv(fd, head, sizeof head, MSG_WAITALL), qsizetype(sizeof head));
            ::close(fd);
            ::close(listener);
            QVERIFY(sending.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
            QVERIFY(!sending.get());
        }
        // A copy that ends removes its socket, not one made there since.
        const QString other = dir.path() + "/other.socket";
        auto older = std::make_unique<SingleInstance>(other);
        QCOMPARE(older->start({}, 100), SingleInstance::Start::First);
        QFile::remove(other);
        {
            SingleInstance newer(other);
            QCOMPARE(newer.start({}, 100), SingleInstance::Start::First);
            older.reset();
            QVERIFY(QFile::exists(other));
        }
        QVERIFY(!QFile::exists(other));
        // All descriptors taken by a flood: the copy answers once some are free.
        rlimit old;
        ::getrlimit(RLIMIT_NOFILE, &old);
        const rlimit low = {rlim_t(QDir("/proc/self/fd").count()) + 24, old.rlim_max};
        ::setrlimit(RLIMIT_NOFILE, &low);
        std::vector<int> flood;
        for (int fd; (fd = rawConnection(socket)) >= 0;)
            flood.push_back(fd);
        QTest::qWait(200);
        for (int fd : flood)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &old);
        handOver({"/m/after the flood.mp3"});
        // A launch that ends halfway through its message is let go at once.
        const int halfway = rawConnection(socket, SingleInstance::message({"/m/a.mp3"}).left(12));
        QTRY_COMPARE(server.connectionCount(), 1);
        ::close(halfway);
        QTRY_COMPARE(server.connectionCount(), 0);
        // Silent connections are dropped, never more than the limit held.
        server.setIdleTimeout(300);
        std::vector<int> silent;
        for (int i = 0; i < SingleInstance::kMaxConnections + 4; ++i)
            silent.push_back(rawConnection(socket));
        handOver({});
        QVERIFY(server.connectionCount() <= SingleInstance::kMaxConnections);
        QTRY_COMPARE(server.connectionCount(), 0);
        // Too long, another program's, an unended last name: refused at once.
        QByteArray tooLong = SingleInstance::message({});
        qToBigEndian<quint32>(quint32(SingleInstance::kMaxMessage + 1), tooLong.data() + 4);
        QByteArray unended = SingleInstance::message({"/m/a.mp3"});
        unended.chop(1);
        qToBigEndian<quint32>(quint32(unended.size() - 8), unended.data() + 4);
        for (const QByteArray& bad : {tooLong, QByteArray("GET / HTTP/1.0\r\n\r\n"), unended}) {
            const int fd = rawConnection(socket, bad);
            char c;
            QTRY_COMPARE(::recv(fd, &c, 1, MSG_DONTWAIT), 0);
            ::close(fd);
        }
        QVERIFY(arrived.isEmpty());
        // The longest list arrives whole, over many reads.
        QStringList many;
        for (int i = 0; i < 32767; ++i)
            many << QStringLiteral("/m/%1/").arg(i) + QString(200, u'x');
        handOver(many);
    }
    void shutdownAtAnyMoment_data() {
        // A message for a zero.pls (/dev/zero): 0 none, 1 at the start, 2 a later launch.
        QTest::addColumn<int>("messageAt");
        QTest::addColumn<int>("signalCount");
        QTest::newRow("during a message of the start-up") << 1 << 1;
        QTest::newRow("during a message for a later launch's files") << 2 << 1;
        QTest::newRow("again and again") << 0 << 2000;
    }
    void shutdownAtAnyMoment() {
        QFETCH(int, messageAt);
        QFETCH(int, signalCount);
        Session s;
        QFile::link("/dev/zero", s.path("music/zero.pls"));
        const QStringList list = {"/m/a.mp3", "/m/b.mp3"};
        PlsFormat::write(s.path("bin/jukora.pls"), list, false, false);
        QProcess* first = s.launch(messageAt == 1 ? QStringList{"zero.pls"} : QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(s.answers(), kDeadline);
        if (messageAt == 2)
            QVERIFY(Session::endsWell(s.launch({"zero.pls"})));
        QTest::qWait(1000);
        const pid_t pid = pid_t(first->processId());
        ::kill(pid, SIGTERM);
        for (int i = 1; i < signalCount && !first->waitForFinished(2); ++i)
            ::kill(pid, SIGTERM);
        // The normal shutdown, whatever was open.
        QVERIFY(Session::endsWell(first));
        QCOMPARE(s.saved(), messageAt ? QStringList() : list);
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
