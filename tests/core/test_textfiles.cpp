// Text files and profile strings on real files, a FIFO, a device and a full
// file system, and the settings table over them.
#include "support/SmallDisk.h"
#include "support/TestEnv.h"
#include "support/Volumes.h"

#include "core/files/TextFile.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PlaylistFiles.h"
#include "core/playlist/PlsFormat.h"
#include "core/settings/IniFile.h"
#include "core/settings/ProfileString.h"
#include "core/settings/SettingsTable.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringEncoder>
#include <QtTest>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using File = QMap<QString, QString>;

namespace {

QStringList linesOf(TextFile::Lines& lines) {
    QStringList out;
    for (QByteArrayView line; lines.next(line);)
        out << TextFile::decodeLine(line.data(), line.size());
    return out;
}

MainWindowValues loadFrom(const File& file, AppSettings& s) {
    return SettingsTable::load([&](const QString& k) { return file.value(k); }, s);
}

// Every key as written, and the order of the writes.
File saved(const AppSettings& s, int loop, const std::optional<MainWindowPlace>& place,
           bool nowPlaying, QStringList* order = nullptr) {
    File file;
    SettingsTable::save(
        [&](const QString& k, const QString& t) {
            if (order)
                *order << k;
            file[k] = t;
            return true;
        },
        s, loop, place, nowPlaying);
    return file;
}

// What loading a file of the one key gives, as text: "kept" where the value
// stays as it was (the Loop box, "Sequence").
QString loaded(const QString& key, const QString& text) {
    AppSettings off, on;
    on.sequence = true;
    const MainWindowValues v = loadFrom({{key, text}}, off);
    loadFrom({{key, text}}, on);
    if (key == QLatin1String("Loop"))
        return v.loop ? QString::number(*v.loop) : QStringLiteral("kept");
    if (key == QLatin1String("Sequence"))
        return off.sequence != on.sequence ? QStringLiteral("kept") : iniText(off.sequence);
    const File back = saved(off, 0, MainWindowPlace{v.mainHeight, v.mainLeft, v.mainTop}, false);
    return key == QLatin1String("NowPV") ? v.nowPlayingOpen : back.value(key);
}

} // namespace

class TestTextFiles : public QObject {
    Q_OBJECT
private slots:
    void lines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        const QString feff(QChar(0xFEFF));
        const auto row = [](const char* tag, const QByteArray& bytes, const QStringList& lines) {
            QTest::newRow(tag) << bytes << lines;
        };
        row("CR LF, LF, mark at the start", "\xEF\xBB\xBFone\r\n\r\ntwo\nthree\r\n",
            {"one", "", "two", "three"});
        row("CR alone", "one\rtwo\r\rthree", {"one", "two", "", "three"});
        // A lead byte at each end of the two-, three- and four-byte forms.
        const QByteArray leads =
            "\xC2\xA2 \xDF\xBF \xE0\xA4\x85 \xEF\xBD\xA1 \xF0\x9F\x98\x80 \xF4\x80\x80\x80";
        row("UTF-8", "Caf\xC3\xA9 \xE2\x82\xAC " + leads, {QString::fromUtf8("Café € " + leads)});
        // The same letters as an older system wrote them.
        row("Windows-1252", "Caf\xE9 \x80 \x93q\x94", {QString::fromUtf8("Café € “q”")});
        row("cut UTF-8 sequence", "ab\xC3", {"abÃ"});
        // Overlong forms, a code point past U+10FFFF and a surrogate are no
        // UTF-8; the code points at the ends of the ranges are.
        row("invalid UTF-8 forms",
            "\xE0\x80\xAF\n\xF0\x80\x80\xAF\n\xF4\xA0\x80\x80\n\xED\xA0\x80\n"
            "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF\xE0\xA0\x80\xF0\x90\x80\x80",
            {QString::fromUtf8("à€¯"), QString::fromUtf8("ð€€¯"), QString::fromUtf8("ô\u00a0€€"),
             QString::fromUtf8("í\u00a0€"),
             QString::fromUtf8(
                 "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF\xE0\xA0\x80\xF0\x90\x80\x80")});
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
                    << QByteArray(QStringEncoder(e, QStringEncoder::Flag::WriteBom)(text))
                    << expected;
        }
        // Read 64 KiB at a time: a CR LF cut, a CR ending a piece, a long line.
        QTest::newRow("pieces")
            << QByteArray(65535, 'a') + "\r\n" + QByteArray(65534, 'b') + "\rc\n" +
                   QByteArray(200000, 'd') + "\r\n\r\nlast"
            << QStringList{
                   QString(65535, 'a'), QString(65534, 'b'), "c", QString(200000, 'd'), "", "last"};
    }
    void lines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        TestEnv env;
        writeBytes(env.path("list"), bytes);
        TextFile::Lines memory(bytes), file(env.path("list"));
        QCOMPARE(linesOf(memory), expected);
        QCOMPARE(linesOf(file), expected);
        QVERIFY(!file.failed());
        // Reads of 1 to 8 bytes (FUSE, network file systems) end anywhere.
        for (qsizetype piece = 1; piece <= 8; ++piece) {
            TextFile::Lines shortReads(env.path("list"), TextFile::kMaxReadSize, piece);
            QCOMPARE(linesOf(shortReads), expected);
        }
    }
    void readsOnlyRegularFilesOfSaneSize() {
        TestEnv env;
        QByteArray out = "stale";
        const QString fifo = env.path("x.pls");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // A FIFO, an endless device, a folder, a missing file: refused at once.
        for (const QString& path :
             {fifo, QStringLiteral("/dev/zero"), env.path(""), env.path("no")}) {
            QVERIFY2(!TextFile::readAll(path, out), qPrintable(path));
            QVERIFY(out.isEmpty());
        }
        writeBytes(env.path("ten"), "0123456789");
        QVERIFY(TextFile::readAll(env.path("ten"), out, 10));
        QCOMPARE(out, QByteArray("0123456789"));
        QVERIFY(!TextFile::readAll(env.path("ten"), out, 9));
    }
    void atomicWriteKeepsOldFileOnFailure() {
        TestEnv env;
        const QString path = env.path("list.txt");
        QVERIFY(TextFile::writeAtomically(path, "first"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        QVERIFY(TextFile::writeAtomically(path, "second"));
        QCOMPARE(readBytes(path), QByteArray("second"));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0640u);
        // A read-only file is not replaced.
        QFile::setPermissions(path, QFile::ReadOwner);
        QVERIFY(!TextFile::writeAtomically(path, "third"));
        QCOMPARE(readBytes(path), QByteArray("second"));
        // A missing folder fails without leaving anything behind.
        QVERIFY(!TextFile::writeAtomically(env.path("missing/list.txt"), "x"));
        QCOMPARE(filesIn(env.path("")), QStringList({"list.txt"}));
    }
    void linkChainsAndStaleTemporaries() {
        TestEnv env;
        const auto link = [&](const char* target, const char* name) {
            return ::symlink(target, QFile::encodeName(env.path(name)).constData()) == 0;
        };
        // Links, relative or not, lead to the saved file; the links stay.
        const QString real = env.path("real/");
        QVERIFY(QDir().mkpath(real));
        QVERIFY(link("real/list.pls", "mid.pls"));
        QVERIFY(link(QFile::encodeName(env.path("mid.pls")).constData(), "jukora.pls"));
        // Beside it, killed saves' temporaries go; a locked one, a link and
        // other names stay.
        makeFiles(real, {".list.pls.x1a2b3c4d", ".list.pls.x0", ".list.pls.xabc", ".list.pls.x",
                         ".list.pls.x123456789", ".list.pls.xG1", ".list.pls.x1.x2", "list.pls.x1",
                         ".list.pls.y1", ".list.plsx1"});
        QVERIFY(link("list.pls", "real/.list.pls.xdead"));
        const int running =
            ::open(QFile::encodeName(real + ".list.pls.xabc").constData(), O_RDONLY);
        QCOMPARE(::flock(running, LOCK_EX | LOCK_NB), 0);
        QVERIFY(TextFile::writeAtomically(env.path("jukora.pls"), "first"));
        QVERIFY(TextFile::writeAtomically(env.path("jukora.pls"), "second"));
        ::close(running);
        QVERIFY(QFileInfo(env.path("jukora.pls")).isSymLink() &&
                QFileInfo(env.path("mid.pls")).isSymLink());
        QCOMPARE(readBytes(real + "list.pls"), QByteArray("second"));
        QCOMPARE(filesIn(real),
                 QStringList({".list.pls.x", ".list.pls.x1.x2", ".list.pls.x123456789",
                              ".list.pls.xG1", ".list.pls.xabc", ".list.pls.xdead", ".list.pls.y1",
                              ".list.plsx1", "list.pls", "list.pls.x1"}));
        // A loop of links and a link into a missing folder fail.
        QVERIFY(link("loop-b", "loop-a") && link("loop-a", "loop-b") && link("gone/x", "nowhere"));
        for (const char* name : {"loop-a", "nowhere"})
            QVERIFY2(!TextFile::writeAtomically(env.path(name), "x"), name);
    }
    void largestPlaylistsReadBack() {
        // The longest entry, as often as a playlist takes one, read back whole.
        const QString entry =
            QStringLiteral("/music/") + QString(4084, u'x') + QStringLiteral(".mp3");
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
        }
    }
    void fullDiskKeepsOldFile() {
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
    void iniFiles() {
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
        // With no file yet, the write makes it and its section.
        QFile::remove(env.settingsFile());
        QCOMPARE(ReadIni("Jukora", "Loop"), QString());
        WriteIni("Jukora", "FilesH", 3885.0);
        WriteIni("Jukora", "Sequence", true);
        QCOMPARE(readBytes(env.settingsFile()),
                 QByteArray("[Jukora]\nFilesH=3885\nSequence=True\n"));
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
    void settingsValues() {
        // Rows of key|text|value loaded; halves go to the even one.
        const QString rows = QStringLiteral(
            "Loop|1|1;Loop| 1 |1;Loop|2|2;Loop|0.5|0;Loop|1.5|2;Loop|3|kept;Loop|-1|kept;"
            "Loop|True|kept;Loop||kept;FilesX||3000;FilesX|0|3000;FilesY||2500;FilesY|-120|2500;"
            "FilesH||0;FilesH|5000 twips|5000;PlayW|abc|0;NowPX|  1.5e3|1500;NowPY|   -45|-45;"
            "PlayX|12abc|12;PlayY|1.25|1.25;PlayH|2E3|2000;PortX|7e|7;PortY|.|0;"
            "ID3X|2147483647|2147483647;FilesY|99999999999999999999|2500;ID3Y|-2147483648|0;"
            "NowPW|1e400|0;Sequence|TRUE|True;Sequence|2|True;Sequence|0|False;"
            "Sequence|maybe|kept;Sequence||kept;Mask| *.mp3 | *.mp3 ;Directory||;NowPV|True|True");
        for (const QString& row : rows.split(u';')) {
            const QStringList r = row.split(u'|');
            QVERIFY2(loaded(r[0], r[1]) == r[2], qPrintable(row + " gives " + loaded(r[0], r[1])));
        }
    }
    void saveAndLoadAgree() {
        AppSettings s;
        s.browseFolder = QStringLiteral("/home/u/Music");
        s.player1Width = 6765;
        s.nowPlayingTop = -30;
        s.sequence = true;
        s.devicePlaylistType = QStringLiteral("M3U");
        QStringList order;
        const File file = saved(s, 1, MainWindowPlace{4500, 3000, 2500}, true, &order);
        QCOMPARE(order, SettingsTable::keys());
        QCOMPARE(order.size(), 33);
        for (const QString& pair :
             QStringLiteral("Loop=1 FilesH=4500 NowPY=-30 NowPV=True Sequence=True "
                            "ExportPlaylist=M3U")
                 .split(u' '))
            QCOMPARE(pair.section(u'=', 0, 0) + '=' + file[pair.section(u'=', 0, 0)], pair);
        AppSettings back;
        const MainWindowValues v = loadFrom(file, back);
        QCOMPARE(saved(back, v.loop.value_or(-1),
                       MainWindowPlace{v.mainHeight, v.mainLeft, v.mainTop},
                       v.nowPlayingOpen == QLatin1String("True")),
                 file);

        // Without a main window place its keys stay; a failed write ends it.
        QStringList written;
        const auto write = [&](const QString& k, const QString&) {
            written << k;
            return k != QLatin1String("NowPX");
        };
        QVERIFY(!SettingsTable::save(write, s, 0, std::nullopt, false));
        for (const char* key : {"FilesH", "FilesX", "FilesY"})
            order.removeAll(QLatin1String(key));
        QCOMPARE(written, order.mid(0, order.indexOf("NowPX") + 1));
    }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
