// Starting the program on the desktop: the files of its command line, the
// one running copy that later launches hand their files to (real processes
// of the built program), and where the settings file lives.
#include "support/App.h"
#include "support/Session.h"
#include "support/TestEnv.h"

#include "core/playlist/PlsFormat.h"
#include "core/settings/IniFile.h"
#include "core/system/AppPaths.h"
#include "core/system/CommandLine.h"
#include "desktop/SingleInstance.h"

#include <QDialog>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kDeadline = 20000;

// Environment variables set (a null value: removed) for one scope.
struct ScopedEnv {
    std::vector<std::pair<const char*, QByteArray>> old;
    ScopedEnv(std::initializer_list<std::pair<const char*, QString>> vars) {
        for (const auto& [name, value] : vars) {
            old.emplace_back(name, qgetenv(name));
            set(name, value.toLocal8Bit());
        }
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : old)
            set(name, value);
    }
    static void set(const char* name, const QByteArray& v) {
        v.isNull() ? qunsetenv(name) : qputenv(name, v);
    }
};

// A launch on a thread of its own, as another process would hand over.
struct Launch {
    std::atomic<bool> done = false;
    std::atomic<bool> handed = false;
    std::thread thread;
    Launch(const QString& socket, const QStringList& files) {
        thread = std::thread([this, socket, files] {
            handed = SingleInstance(socket).handOver(files, 10000);
            done = true;
        });
    }
    ~Launch() { thread.join(); }
};

// A connection that sends what it is given, and no more.
int rawConnection(const QString& socket, const QByteArray& bytes = {}) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socket);
    std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size())
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Whether the other end closed the connection (within ms).
bool closedByServer(int fd, int ms) {
    QElapsedTimer clock;
    clock.start();
    char c;
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents();
        if (::recv(fd, &c, 1, MSG_DONTWAIT) == 0)
            return true;
        QThread::msleep(5);
    }
    return false;
}

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void commandLineFiles_data();
    void commandLineFiles();
    void settingsFile();
    void filesInTheWindow();
    void secondLaunchHandsOver();
    void launchesAtOnce();
    void runningCopyKeepsAnswering();
    void shutdownAtAnyMoment_data();
    void shutdownAtAnyMoment();
};

void TestLaunch::commandLineFiles_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("absolute, as given") << QStringList{"/music/My Song.mp3", "/m//x.pls"}
                                        << QStringList{"/music/My Song.mp3", "/m//x.pls"};
    QTest::newRow("relative") << QStringList{"a.mp3", "sub/../b.m3u", "../c.mp3", "./d"}
                              << QStringList{"/home/u/a.mp3", "/home/u/b.m3u", "/home/c.mp3",
                                             "/home/u/d"};
    QTest::newRow("quotes at the ends")
        << QStringList{"\"/m/a b.mp3\"", "\"a.mp3", "b.mp3\"", "in\"side.mp3"}
        << QStringList{"/m/a b.mp3", "/home/u/a.mp3", "/home/u/b.mp3", "/home/u/in\"side.mp3"};
    QTest::newRow("addresses") << QStringList{"file:///m/a%20b.mp3", "http://radio/stream", "",
                                              "\"\""}
                               << QStringList{"/m/a b.mp3", "http://radio/stream"};
}

void TestLaunch::commandLineFiles() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, files);
    QCOMPARE(::commandLineFiles(args, QStringLiteral("/home/u")), files);
}

void TestLaunch::settingsFile() {
    QTemporaryDir dir;
    const QString home = dir.path() + "/home", config = dir.path() + "/config";
    QDir().mkpath(home);
    // USERPROFILE, when set, holds it as ever, and nothing moves.
    const QByteArray old = "[Jukora]\r\nFilesH=5000\r\n; kept\r\nDirectory=/m/\xE9t\xE9\r\n";
    writeBytes(home + "/jk.ini", old);
    {
        ScopedEnv env{{"USERPROFILE", dir.path()}, {"HOME", home}};
        QCOMPARE(AppPaths::settingsFile(), dir.path() + "/jk.ini");
        QVERIFY(!AppPaths::moveOldSettingsFile());
    }
    // Otherwise in the configuration folder, made when missing; a relative
    // XDG_CONFIG_HOME does not count.
    for (const QString& xdg : {QString(), QStringLiteral("relative/config")}) {
        ScopedEnv env{{"USERPROFILE", QString()}, {"HOME", home}, {"XDG_CONFIG_HOME", xdg}};
        QCOMPARE(AppPaths::settingsFile(), home + "/.config/jukora/jk.ini");
        QVERIFY(QFileInfo(home + "/.config/jukora").isDir());
    }
    ScopedEnv env{{"USERPROFILE", QString()}, {"HOME", home}, {"XDG_CONFIG_HOME", config}};
    const QString now = config + "/jukora/jk.ini";
    QCOMPARE(AppPaths::settingsFile(), now);
    // The old file moves once, every byte kept; then it is no more looked at.
    QVERIFY(AppPaths::moveOldSettingsFile());
    QCOMPARE(readBytes(now), old);
    QVERIFY(!QFile::exists(home + "/jk.ini"));
    writeBytes(home + "/jk.ini", "[Jukora]\nFilesH=9999\n");
    QVERIFY(!AppPaths::moveOldSettingsFile());
    QCOMPARE(readBytes(now), old);
    QVERIFY(QFile::exists(home + "/jk.ini"));
}

void TestLaunch::filesInTheWindow() {
    // The command line's files replace the saved playlist, a list read in
    // its place; the window starts minimized and Player 1 plays the first.
    App p(false);
    writeBytes(p.env.autosaveFile(), "[playlist]\r\nFile1=/saved.mp3\r\n");
    writeBytes(p.env.settingsFile(), "[Jukora]\nNowPV=True\n");
    const QStringList songs = {p.env.path("a.wav"), p.env.path("b.wav"), p.env.path("c.wav")};
    for (const QString& f : songs)
        writeBytes(f, Tones::wavBytes(10, 440, 8000));
    writeBytes(p.env.path("list.m3u"), "b.wav\n");
    p.start({songs[0], p.env.path("list.m3u")});
    QCOMPARE(p.entries(), songs.mid(0, 2));
    QVERIFY(p.w->windowState() & Qt::WindowMinimized);
    QVERIFY(p.state.listPlaying && p.w->player1());
    QCOMPARE(p.state.player1File, songs[0]);
    // Now Playing opens after them, and not minimized; a press closes it.
    QVERIFY(p.w->nowPlayingWindow() && !p.w->nowPlayingWindow()->isMinimized());
    p.w->toggleNowPlaying();
    QTRY_VERIFY(!p.w->nowPlayingWindow());
    // Play List saved the list and the keys.
    QCOMPARE(PlsFormat::read(p.env.autosaveFile()), songs.mid(0, 2));
    QCOMPARE(ReadIni("Jukora", "Sequence"), QStringLiteral("False"));

    // A later launch's files wait while a dialog is open, and come once it
    // has closed.
    p.w->stopAll();
    p.state.currentIndex = 1;
    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    p.w->openLaunchFiles({songs[2]});
    QCOMPARE(p.entries(), songs.mid(0, 2));
    dialog.close();
    // Then they replace the list, which plays from its top, with the window
    // brought up.
    QTRY_COMPARE(p.entries(), songs.mid(2));
    QVERIFY(!p.w->isMinimized());
    QCOMPARE(p.state.player1File, songs[2]);
    QVERIFY(p.w->player1());
    // Without files only the window comes up.
    p.w->stopAll();
    p.w->showMinimized();
    p.w->openLaunchFiles({});
    QVERIFY(!p.w->isMinimized());
    QCOMPARE(p.entries(), songs.mid(2));
    QVERIFY(!p.w->player1());
}

void TestLaunch::secondLaunchHandsOver() {
    Session s;
    const QByteArray ini = "[Jukora]\nFilesH=5000\n; a line of my own\n";
    writeBytes(s.path("home/jk.ini"), ini);
    s.songs({"music/a.wav", "c.wav", "music/e.wav", "music/f.wav"});
    QProcess* first = s.launch();
    QTRY_VERIFY_WITH_TIMEOUT(s.answers(), kDeadline);
    // The first start moved the settings file.
    QTRY_COMPARE_WITH_TIMEOUT(readBytes(s.path("config/jukora/jk.ini")), ini, kDeadline);
    QVERIFY(!QFile::exists(s.path("home/jk.ini")));

    // A second launch hands its files over, in order, made absolute (the
    // names and lists: filesInTheWindow), and ends; the first plays them.
    const QString music = s.path("music");
    QVERIFY(Session::endsWell(s.launch({"a.wav", "../c.wav"})));
    const QStringList handed = {music + "/a.wav", s.path("c.wav")};
    QTRY_COMPARE_WITH_TIMEOUT(s.saved(), handed, kDeadline);
    // Without files it only brings the first one up.
    QVERIFY(Session::endsWell(s.launch()));
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(s.saved(), handed);

    // A copy that ended without closing its socket leaves it behind: the
    // next launch becomes the running copy all the same.
    first->kill();
    QVERIFY(first->waitForFinished(kDeadline));
    QVERIFY(QFileInfo::exists(s.socket()) && !s.answers());
    QProcess* next = s.launch({"e.wav"});
    QTRY_VERIFY_WITH_TIMEOUT(s.answers(), kDeadline);
    QVERIFY(Session::endsWell(s.launch({"f.wav"})));
    QTRY_COMPARE_WITH_TIMEOUT(s.saved(), QStringList{music + "/f.wav"}, kDeadline);
    QCOMPARE(next->state(), QProcess::Running);
}

void TestLaunch::launchesAtOnce() {
    // Two launches at the same moment: one runs, the other hands over.
    Session s;
    s.songs({"music/a.wav", "music/b.wav"});
    QProcess* a = s.launch({"a.wav"});
    QProcess* b = s.launch({"b.wav"});
    QTRY_VERIFY_WITH_TIMEOUT(
        (a->state() == QProcess::NotRunning) != (b->state() == QProcess::NotRunning), kDeadline);
    QProcess* ended = a->state() == QProcess::NotRunning ? a : b;
    QVERIFY(Session::endsWell(ended));
    const QString file = s.path(ended == a ? "music/a.wav" : "music/b.wav");
    QTRY_COMPARE_WITH_TIMEOUT(s.saved(), QStringList{file}, kDeadline);
    QCOMPARE((ended == a ? b : a)->state(), QProcess::Running);
}

void TestLaunch::runningCopyKeepsAnswering() {
    QTemporaryDir dir;
    const QString socket = dir.path() + "/s.socket";
    SingleInstance server(socket);
    QCOMPARE(server.start({}, 100), SingleInstance::Start::First);
    QList<QStringList> arrived;
    std::unique_ptr<Launch> launch;
    // The files are handled once the launch has its answer; the handling
    // may run a dialog's loop meanwhile, while the launch's socket goes.
    connect(&server, &SingleInstance::filesArrived, this, [&](const QStringList& files) {
        QTRY_VERIFY_WITH_TIMEOUT(launch->done, 3000);
        QTest::qWait(50);
        arrived << files;
    });
    const auto handOver = [&](const QStringList& files) {
        launch = std::make_unique<Launch>(socket, files);
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 1, 10000);
        QVERIFY(launch->handed);
        QCOMPARE(arrived.takeFirst(), files);
    };
    handOver({"/m/a.mp3", QString::fromUtf8("/m/\xc3\xa9t\xc3\xa9 b.mp3")});

    // All descriptors taken by a flood of connections: the copy waits, and
    // answers once there are some again.
    rlimit old;
    ::getrlimit(RLIMIT_NOFILE, &old);
    const rlim_t open = rlim_t(QDir("/proc/self/fd").count());
    rlimit low = old;
    low.rlim_cur = open + 24;
    ::setrlimit(RLIMIT_NOFILE, &low);
    std::vector<int> flood;
    for (int fd; (fd = rawConnection(socket)) >= 0;)
        flood.push_back(fd);
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    for (int fd : flood)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);
    handOver({"/m/after the flood.mp3"});

    // Silent connections are dropped after a while, and never more are held
    // than the limit; a launch among them gets through.
    server.setIdleTimeout(300);
    std::vector<int> silent;
    for (int i = 0; i < SingleInstance::kMaxConnections + 4; ++i)
        silent.push_back(rawConnection(socket));
    handOver({});
    QVERIFY(server.connectionCount() <= SingleInstance::kMaxConnections);
    QTRY_COMPARE(server.connectionCount(), 0);
    for (int fd : silent)
        ::close(fd);

    // A message longer than any list, one of another program and one that
    // does not end its last name are refused at once: nothing arrives.
    QByteArray tooLong = SingleInstance::message({});
    qToBigEndian<quint32>(quint32(SingleInstance::kMaxMessage + 1), tooLong.data() + 4);
    QByteArray unended = SingleInstance::message({"/m/a.mp3"});
    unended.chop(1);
    qToBigEndian<quint32>(quint32(unended.size() - 8), unended.data() + 4);
    for (const QByteArray& bad : {tooLong, QByteArray("GET / HTTP/1.0\r\n\r\n"), unended}) {
        const int fd = rawConnection(socket, bad);
        QVERIFY(closedByServer(fd, 5000));
        ::close(fd);
    }
    QVERIFY(arrived.isEmpty());

    // The longest list arrives whole.
    QStringList many;
    for (int i = 0; i < 32767; ++i)
        many << QStringLiteral("/m/%1/").arg(i) + QString(200, u'x');
    handOver(many);
}

void TestLaunch::shutdownAtAnyMoment_data() {
    // A zero.pls that is /dev/zero: no songs, and a message that says so.
    QTest::addColumn<QStringList>("firstLaunch");
    QTest::addColumn<QStringList>("secondLaunch");
    QTest::addColumn<int>("signalCount");
    QTest::addColumn<QStringList>("saved");
    const QStringList list = {"/m/a.mp3", "/m/b.mp3"};
    QTest::newRow("during a message of the start-up")
        << QStringList{"zero.pls"} << QStringList() << 1 << QStringList();
    QTest::newRow("during a message for a later launch's files")
        << QStringList() << QStringList{"zero.pls"} << 1 << QStringList();
    QTest::newRow("again and again") << QStringList() << QStringList() << 2000 << list;
}

void TestLaunch::shutdownAtAnyMoment() {
    QFETCH(QStringList, firstLaunch);
    QFETCH(QStringList, secondLaunch);
    QFETCH(int, signalCount);
    QFETCH(QStringList, saved);
    Session s;
    QFile::link("/dev/zero", s.path("music/zero.pls"));
    PlsFormat::write(s.path("bin/jukora.pls"), {"/m/a.mp3", "/m/b.mp3"}, false, false);
    QProcess* first = s.launch(firstLaunch);
    QTRY_VERIFY_WITH_TIMEOUT(s.answers(), kDeadline);
    if (!secondLaunch.isEmpty())
        QVERIFY(Session::endsWell(s.launch(secondLaunch)));
    QTest::qWait(1000);
    // Again and again while the shutdown runs, when asked to.
    const pid_t pid = pid_t(first->processId());
    ::kill(pid, SIGTERM);
    for (int i = 1; i < signalCount && !first->waitForFinished(2); ++i)
        ::kill(pid, SIGTERM);
    // The normal shutdown, whatever was open, and only that.
    QVERIFY(Session::endsWell(first));
    QCOMPARE(s.saved(), saved);
}

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
