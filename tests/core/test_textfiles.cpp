// The text-file and profile-string services against real files, a FIFO, a
// device and a real full file system.
#include "support/SmallDisk.h"
#include "support/TestEnv.h"

#include "core/files/TextFile.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlsFormat.h"
#include "core/settings/IniFile.h"
#include "core/settings/ProfileString.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QtTest>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList linesOf(TextFile::Lines& lines) {
    QStringList out;
    for (QByteArrayView line; lines.next(line);)
        out << TextFile::decodeLine(line.data(), line.size());
    return out;
}

QByteArray withMark(QStringEncoder::Encoding encoding, const QString& text) {
    return QStringEncoder(encoding, QStringEncoder::Flag::WriteBom)(text);
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestTextFiles : public QObject {
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void readsOnlyRegularFilesOfSaneSize();
    void atomicWriteKeepsOldFileOnFailure();
    void linkChainsAndStaleTemporaries();
    void largestPlaylistsReadBack();
    void fullDiskKeepsOldFile();
    void iniKeepsOtherLinesAndIgnoresCase();
    void iniCreatesFileAndSection();
};

void TestTextFiles::lines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    const QString feff(QChar(0xFEFF));
    const auto row = [](const char* tag, const QByteArray& bytes, const QStringList& lines) {
        QTest::newRow(tag) << bytes << lines;
    };
    row("CR LF, LF, mark at the start", "\xEF\xBB\xBFone\r\n\r\ntwo\nthree\r\n",
        {"one", "", "two", "three"});
    row("CR alone", "one\rtwo\r\rthree", {"one", "two", "", "three"});
    row("UTF-8", "Caf\xC3\xA9 \xE2\x82\xAC", {"Café €"});
    // The same letters as an older system wrote them.
    row("Windows-1252", "Caf\xE9 \x80 \x93q\x94", {QString::fromUtf8("Café € “q”")});
    row("cut UTF-8 sequence", "ab\xC3", {"abÃ"});
    row("U+FEFF starting a later line",
        "a\n\xEF\xBB\xBF"
        "b\n",
        {"a", feff + "b"});
    const QStringList expected = {"/m/Ärger.mp3", feff + "x", "", "日本"};
    for (const auto& [end, tag] : {std::pair("\r", "CR"), {"\n", "LF"}, {"\r\n", "CR LF"}}) {
        const QString text = expected.join(QLatin1String(end));
        QTest::addRow("UTF-8, %s", tag) << text.toUtf8() << expected;
        for (auto e : {QStringEncoder::Utf8, QStringEncoder::Utf16LE, QStringEncoder::Utf16BE,
                       QStringEncoder::Utf32LE, QStringEncoder::Utf32BE})
            QTest::addRow("%s mark, %s", QStringEncoder::nameForEncoding(e), tag)
                << withMark(e, text) << expected;
    }
    // A file is read 64 KiB at a time: a CR LF cut in two, a CR alone at the
    // end of a piece, a line longer than a piece.
    QTest::newRow("pieces")
        << QByteArray(65535, 'a') + "\r\n" + QByteArray(65534, 'b') + "\rc\n" +
               QByteArray(200000, 'd') + "\r\n\r\nlast"
        << QStringList{
               QString(65535, 'a'), QString(65534, 'b'), "c", QString(200000, 'd'), "", "last"};
}

void TestTextFiles::lines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    TestEnv env;
    writeBytes(env.path("list"), bytes);
    TextFile::Lines memory(bytes), file(env.path("list"));
    QCOMPARE(linesOf(memory), expected);
    QCOMPARE(linesOf(file), expected);
    QVERIFY(!file.failed());
    // Reads of 1 to 8 bytes, as a FUSE or network file system may give
    // them, end anywhere: in the mark, in a character, between CR and LF.
    for (qsizetype piece = 1; piece <= 8; ++piece) {
        TextFile::Lines shortReads(env.path("list"), TextFile::kMaxReadSize, piece);
        QCOMPARE(linesOf(shortReads), expected);
    }
}

void TestTextFiles::readsOnlyRegularFilesOfSaneSize() {
    TestEnv env;
    QByteArray out = "stale";
    const QString fifo = env.path("x.pls");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A FIFO nobody writes to, a device without end, a folder, a missing
    // file: refused at once, without reading.
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), env.path(""), env.path("no")}) {
        QVERIFY2(!TextFile::readAll(path, out), qPrintable(path));
        QVERIFY(out.isEmpty());
    }
    writeBytes(env.path("ten"), "0123456789");
    QVERIFY(TextFile::readAll(env.path("ten"), out, 10));
    QCOMPARE(out, QByteArray("0123456789"));
    QVERIFY(!TextFile::readAll(env.path("ten"), out, 9));
}

void TestTextFiles::atomicWriteKeepsOldFileOnFailure() {
    TestEnv env;
    const QString path = env.path("list.txt");
    QVERIFY(TextFile::writeAtomically(path, "first"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QVERIFY(TextFile::writeAtomically(path, "second"));
    QCOMPARE(readBytes(path), QByteArray("second"));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0640u);
    // A link stays a link; the file it names is replaced.
    QVERIFY(QFile::link(path, env.path("link.txt")));
    QVERIFY(TextFile::writeAtomically(env.path("link.txt"), "third"));
    QVERIFY(QFileInfo(env.path("link.txt")).isSymLink());
    QCOMPARE(readBytes(path), QByteArray("third"));
    // A read-only file is not replaced.
    QFile::setPermissions(path, QFile::ReadOwner);
    QVERIFY(!TextFile::writeAtomically(path, "fourth"));
    QCOMPARE(readBytes(path), QByteArray("third"));
    // A missing folder fails without leaving anything behind.
    QVERIFY(!TextFile::writeAtomically(env.path("missing/list.txt"), "x"));
    QCOMPARE(filesIn(env.path("")), QStringList({"link.txt", "list.txt"}));
}

void TestTextFiles::linkChainsAndStaleTemporaries() {
    TestEnv env;
    const auto link = [&](const char* target, const char* name) {
        return ::symlink(target, QFile::encodeName(env.path(name)).constData()) == 0;
    };
    // A chain of links, relative or not, leads to the file that is saved,
    // which need not exist yet; the links stay.
    const QString real = env.path("real/");
    QVERIFY(QDir().mkpath(real));
    QVERIFY(link("real/list.pls", "mid.pls"));
    QVERIFY(link(QFile::encodeName(env.path("mid.pls")).constData(), "jukora.pls"));
    // Beside it, what saves killed on their way left goes; a save in
    // progress (it holds its lock), a link and other names stay.
    makeFiles(real, {".list.pls.x1a2b3c4d", ".list.pls.x0", ".list.pls.xabc", ".list.pls.x",
                     ".list.pls.x123456789", ".list.pls.xG1", ".list.pls.x1.x2", "list.pls.x1",
                     ".list.pls.y1", ".list.plsx1"});
    QVERIFY(link("list.pls", "real/.list.pls.xdead"));
    const int running = ::open(QFile::encodeName(real + ".list.pls.xabc").constData(), O_RDONLY);
    QCOMPARE(::flock(running, LOCK_EX | LOCK_NB), 0);
    QVERIFY(TextFile::writeAtomically(env.path("jukora.pls"), "first"));
    QVERIFY(TextFile::writeAtomically(env.path("jukora.pls"), "second"));
    ::close(running);
    QVERIFY(QFileInfo(env.path("jukora.pls")).isSymLink() &&
            QFileInfo(env.path("mid.pls")).isSymLink());
    QCOMPARE(readBytes(real + "list.pls"), QByteArray("second"));
    QCOMPARE(filesIn(real),
             QStringList({".list.pls.x", ".list.pls.x1.x2", ".list.pls.x123456789", ".list.pls.xG1",
                          ".list.pls.xabc", ".list.pls.xdead", ".list.pls.y1", ".list.plsx1",
                          "list.pls", "list.pls.x1"}));
    // A loop of links and a link into a missing folder fail.
    QVERIFY(link("loop-b", "loop-a") && link("loop-a", "loop-b") && link("gone/x", "nowhere"));
    for (const char* name : {"loop-a", "nowhere"})
        QVERIFY2(!TextFile::writeAtomically(env.path(name), "x"), name);
}

void TestTextFiles::largestPlaylistsReadBack() {
    // The longest entry a playlist takes, as often as it takes one: files
    // larger than a settings file may be, read back whole.
    const QString entry = QStringLiteral("/music/") + QString(4084, u'x') + QStringLiteral(".mp3");
    QCOMPARE(entry.toUtf8().size(), PathNames::kMaxEntryBytes);
    const QStringList entries(PlaylistModel::MaxEntries, entry);
    TestEnv env;
    for (const auto& [name, limit] : {std::pair("jukora.pls", PlsFormat::kMaxFileSize),
                                      std::pair("list.m3u", M3uFormat::kMaxFileSize)}) {
        const PlaylistFiles::Format* format = PlaylistFiles::readableFormat(name);
        QVERIFY(format->write(env.path(name), entries, false, false));
        const qint64 size = QFileInfo(env.path(name)).size();
        QVERIFY2(size > TextFile::kMaxReadSize && size <= limit, name);
        QCOMPARE(format->read(env.path(name), PlaylistModel::MaxEntries), entries);
        QFile::remove(env.path(name));
    }
}

void TestTextFiles::fullDiskKeepsOldFile() {
    SmallDisk disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QByteArray old = "\r\n[playlist]\r\nFile1=/m/old.mp3\r\nTitle1=old\r\n\r\n";
    QVERIFY(TextFile::writeAtomically(disk.path("jukora.pls"), old));
    disk.fill();
    // Small enough to sit in a write buffer until the file is closed.
    QVERIFY(!TextFile::writeAtomically(disk.path("jukora.pls"), QByteArray(900, 'x')));
    QVERIFY(!TextFile::writeAtomically(disk.path("new.pls"), "x"));
    ProfileStringFile ini(disk.path("jukora.pls"));
    QVERIFY(ini.load());
    ini.setValue("Jukora", "Loop", "1");
    QVERIFY(!ini.save());
    QCOMPARE(readBytes(disk.path("jukora.pls")), old);
    QCOMPARE(filesIn(disk.path("")), QStringList({".filler", "jukora.pls"}));
}

void TestTextFiles::iniKeepsOtherLinesAndIgnoresCase() {
    TestEnv env;
    const QByteArray before = "; written by hand\r\n[Other]\r\nLoop=other section\r\n\r\n"
                              "[JUKORA]\r\nloop = 1\r\nUnknown=kept\r\n\r\n[Last]\r\nx=y\r\n";
    writeBytes(env.settingsFile(), before);
    QCOMPARE(ReadIni("Jukora", "Loop"), QStringLiteral("1"));
    QCOMPARE(ReadIni("other", "LOOP"), QStringLiteral("other section"));
    QCOMPARE(ReadIni("Jukora", "Missing"), QString());
    QCOMPARE(ReadIni("Nowhere", "Loop"), QString());
    WriteIni("Jukora", "LOOP", QStringLiteral("0"));
    WriteIni("Jukora", "Mask", QStringLiteral("*.mp3"));
    QByteArray after = before;
    after.replace("loop = 1", "LOOP=0").replace("kept\r\n", "kept\r\nMask=*.mp3\r\n");
    QCOMPARE(readBytes(env.settingsFile()), after);
}

void TestTextFiles::iniCreatesFileAndSection() {
    TestEnv env;
    QCOMPARE(ReadIni("Jukora", "Loop"), QString()); // no file yet
    WriteIni("Jukora", "FilesH", 3885.0);
    WriteIni("Jukora", "Sequence", true);
    QCOMPARE(readBytes(env.settingsFile()), QByteArray("[Jukora]\nFilesH=3885\nSequence=True\n"));
    QCOMPARE(iniText(1234.5), QStringLiteral("1234.5"));
    QCOMPARE(iniText(-15.0), QStringLiteral("-15"));
    // Long values come back whole; a value stays one line.
    const QString folder = "/home/user/" + QString(300, u'x') + QStringLiteral("/é");
    WriteIni("Jukora", "Directory", folder);
    QCOMPARE(ReadIni("Jukora", "Directory"), folder);
    WriteIni("Jukora", "Mask", QStringLiteral("a\r\n[Evil]\nb\rc"));
    QCOMPARE(ReadIni("Jukora", "Mask"), QStringLiteral("a  [Evil] b c"));
    QCOMPARE(ReadIni("Evil", "b"), QString());
    // A first line that starts with U+FEFF after the mark stays no section.
    writeBytes(env.settingsFile(), "\xEF\xBB\xBF\xEF\xBB\xBF[Jukora]\nLoop=1\n");
    WriteIni("Jukora", "Mask", QStringLiteral("*"));
    QCOMPARE(ReadIni("Jukora", "Loop"), QString());
}

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
