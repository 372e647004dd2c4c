// The copy of the playlist onto a device; real folders stand for the device.
#include "support/TestEnv.h"

#include "export/DeviceCopy.h"
#include "playlist/PathNames.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QString makeFile(const TestEnv& env, const QString& name, int size, char fill = 'a') {
    const QString path = env.path(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeBytes(path, QByteArray(size, fill));
    return path;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestDeviceCopy : public QObject {
    Q_OBJECT
private slots:
    void namesAndNumbers();
    void missingSourcesLeaveGaps();
    void duplicateNamesReplaceAndAreCounted();
    void secondRunReplaces();
    void unwritableTargetFails();
    void fullDeviceLeavesNoPartialFile();
    void cancelStopsAfterCurrentFile();
};

void TestDeviceCopy::namesAndNumbers() {
    QCOMPARE(DeviceCopy::copyName("/m/Song.mp3", 3, true), QStringLiteral("0003-Song.mp3"));
    QCOMPARE(DeviceCopy::copyName("/m/Song.mp3", 3, false), QStringLiteral("Song.mp3"));
    QCOMPARE(DeviceCopy::copyName("/m/x.mp3", 9999, true), QStringLiteral("9999-x.mp3"));
    QCOMPARE(DeviceCopy::copyName("/m/x.mp3", 10000, true), QStringLiteral("10000-x.mp3"));
    // A file in a volume's root gets one separator, as any other.
    QCOMPARE(PathNames::join("/", "x.mp3"), QStringLiteral("/x.mp3"));
    QCOMPARE(PathNames::join("/media/stick", "x.mp3"), QStringLiteral("/media/stick/x.mp3"));
}

void TestDeviceCopy::missingSourcesLeaveGaps() {
    TestEnv env;
    const QString device = env.path("device");
    QDir().mkpath(device);
    const QStringList entries = {makeFile(env, "src/one.mp3", 1000), env.path("src/gone.mp3"),
                                 makeFile(env, "src/three.mp3", 3000)};
    int copiedCalls = 0;
    const auto r = DeviceCopy::run(entries, device, true, {}, [&] { ++copiedCalls; });
    QCOMPARE(r.outcome, DeviceCopy::Outcome::Complete);
    QCOMPARE(r.copied, 2);
    QCOMPARE(copiedCalls, 2);
    QCOMPARE(filesIn(device), QStringList({"0001-one.mp3", "0003-three.mp3"}));
    QCOMPARE(QFileInfo(device + "/0003-three.mp3").size(), 3000);
    // A folder ending in a separator (a volume's root) gets no second one.
    const auto root = DeviceCopy::run({entries[0]}, device + "/", false);
    QCOMPARE(root.copied, 1);
    QVERIFY(QFile::exists(device + "/one.mp3"));
}

void TestDeviceCopy::duplicateNamesReplaceAndAreCounted() {
    TestEnv env;
    const QString device = env.path("device");
    QDir().mkpath(device);
    const QStringList entries = {makeFile(env, "a/song.mp3", 100, 'a'),
                                 makeFile(env, "b/song.mp3", 200, 'b')};
    auto r = DeviceCopy::run(entries, device, false);
    QCOMPARE(r.copied, 2);
    QCOMPARE(r.replaced, 1);
    QCOMPARE(readBytes(device + "/song.mp3"), QByteArray(200, 'b'));
    r = DeviceCopy::run(entries, device, true);
    QCOMPARE(r.replaced, 0);
    QCOMPARE(filesIn(device), QStringList({"0001-song.mp3", "0002-song.mp3", "song.mp3"}));
}

void TestDeviceCopy::secondRunReplaces() {
    TestEnv env;
    const QString device = env.path("device");
    QDir().mkpath(device);
    const QString src = makeFile(env, "src/x.mp3", 500, 'x');
    DeviceCopy::run({src}, device, false);
    writeBytes(src, QByteArray(50, 'y'));
    const auto r = DeviceCopy::run({src}, device, false);
    QCOMPARE(r.outcome, DeviceCopy::Outcome::Complete);
    QCOMPARE(r.replaced, 0); // an older copy is no duplicate of this run
    QCOMPARE(readBytes(device + "/x.mp3"), QByteArray(50, 'y'));
}

void TestDeviceCopy::unwritableTargetFails() {
    TestEnv env;
    const QString src = makeFile(env, "src/x.mp3", 500);
    // A folder that does not exist.
    auto r = DeviceCopy::run({src}, env.path("nowhere"), false);
    QCOMPARE(r.outcome, DeviceCopy::Outcome::Failed);
    // A read-only file of the same name stays as it was.
    const QString device = env.path("device");
    makeFile(env, "device/x.mp3", 10, 'r');
    QFile::setPermissions(device + "/x.mp3", QFile::ReadOwner);
    r = DeviceCopy::run({src, makeFile(env, "src/y.mp3", 10)}, device, false);
    QCOMPARE(r.outcome, DeviceCopy::Outcome::Failed);
    QCOMPARE(r.copied, 0);
    QCOMPARE(readBytes(device + "/x.mp3"), QByteArray(10, 'r'));
    QCOMPARE(filesIn(device), QStringList({"x.mp3"}));
}

void TestDeviceCopy::fullDeviceLeavesNoPartialFile() {
    // The limit on file size stands in for a full device: a write past it
    // fails part-way, as on a device that fills up.
    TestEnv env;
    const QString device = env.path("device");
    QDir().mkpath(device);
    const QStringList entries = {makeFile(env, "src/small.mp3", 100 * 1024),
                                 makeFile(env, "src/big.mp3", 3 * 1024 * 1024),
                                 makeFile(env, "src/after.mp3", 1000)};
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 1024 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const auto r = DeviceCopy::run(entries, device, true);
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(r.outcome, DeviceCopy::Outcome::Failed);
    QCOMPARE(r.copied, 1);
    // The copy made before stays; no truncated or temporary file is left.
    QCOMPARE(filesIn(device), QStringList({"0001-small.mp3"}));
}

void TestDeviceCopy::cancelStopsAfterCurrentFile() {
    TestEnv env;
    const QString device = env.path("device");
    QDir().mkpath(device);
    QStringList entries;
    for (int i = 0; i < 5; ++i)
        entries << makeFile(env, QStringLiteral("src/%1.mp3").arg(i), 2000);
    int seen = 0;
    const auto r = DeviceCopy::run(entries, device, false, [&](const DeviceCopy::Progress& p) {
        seen = p.file;
        return p.file < 2;
    });
    QCOMPARE(r.outcome, DeviceCopy::Outcome::Cancelled);
    QCOMPARE(r.copied, 2);
    QCOMPARE(seen, 2);
    QCOMPARE(filesIn(device), QStringList({"0.mp3", "1.mp3"}));
}

QTEST_GUILESS_MAIN(TestDeviceCopy)
#include "test_devicecopy.moc"
