// The text-file and profile-string services against real files.
#include "support/TestEnv.h"

#include "app/IniFile.h"
#include "platform/ProfileString.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestTextFiles : public QObject {
    Q_OBJECT
private slots:
    void linesOfUtf8OrWindows1252();
    void atomicWriteKeepsOldFileOnFailure();
    void iniKeepsOtherLinesAndIgnoresCase();
    void iniCreatesFileAndSection();
    void iniValueStaysOneLine();
};

void TestTextFiles::linesOfUtf8OrWindows1252() {
    QList<QByteArray> lines;
    TextFile::forEachLine(QByteArray("\xEF\xBB\xBFone\r\n\r\ntwo\nthree\r\n"),
                          [&](const char* p, qsizetype n) { lines << QByteArray(p, n); });
    QCOMPARE(lines, QList<QByteArray>({"one", "", "two", "three"}));
    const auto decode = [](const QByteArray& b) {
        return TextFile::decodeLine(b.data(), b.size());
    };
    QCOMPARE(decode("Caf\xC3\xA9 \xE2\x82\xAC"), QStringLiteral("Café €"));
    // The same letters as an older system wrote them.
    QCOMPARE(decode("Caf\xE9 \x80 \x93quoted\x94"), QString::fromUtf8("Café € “quoted”"));
    // A truncated UTF-8 sequence is not valid UTF-8.
    QCOMPARE(decode("ab\xC3"), QString::fromUtf8("abÃ"));
}

void TestTextFiles::atomicWriteKeepsOldFileOnFailure() {
    TestEnv env;
    const QString path = env.path("list.txt");
    QVERIFY(TextFile::writeAtomically(path, "first"));
    QVERIFY(TextFile::writeAtomically(path, "second"));
    QCOMPARE(readBytes(path), QByteArray("second"));
    // A read-only file is not replaced.
    QFile::setPermissions(path, QFile::ReadOwner);
    QVERIFY(!TextFile::writeAtomically(path, "third"));
    QCOMPARE(readBytes(path), QByteArray("second"));
    // A missing folder fails without leaving anything behind.
    QVERIFY(!TextFile::writeAtomically(env.path("missing/list.txt"), "x"));
    QCOMPARE(QDir(env.path("")).entryList(QDir::Files | QDir::Hidden), QStringList({"list.txt"}));
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
    QVERIFY(!QFile::exists(env.settingsFile()));
    QCOMPARE(ReadIni("Jukora", "Loop"), QString());
    WriteIni("Jukora", "FilesH", 3885.0);
    WriteIni("Jukora", "Sequence", true);
    QCOMPARE(readBytes(env.settingsFile()), QByteArray("[Jukora]\nFilesH=3885\nSequence=True\n"));
    QCOMPARE(iniText(1234.5), QStringLiteral("1234.5"));
    QCOMPARE(iniText(-15.0), QStringLiteral("-15"));
    // Long values come back whole.
    const QString folder = "/home/user/" + QString(300, u'x') + QStringLiteral("/é");
    WriteIni("Jukora", "Directory", folder);
    QCOMPARE(ReadIni("Jukora", "Directory"), folder);
}

void TestTextFiles::iniValueStaysOneLine() {
    TestEnv env;
    ProfileStringFile f(env.settingsFile());
    QVERIFY(f.load());
    f.setValue("Jukora", "Mask", QStringLiteral("a\r\n[Evil]\nb"));
    QVERIFY(f.save());
    QCOMPARE(ReadIni("Jukora", "Mask"), QStringLiteral("a  [Evil] b"));
    QCOMPARE(ReadIni("Evil", "b"), QString());
}

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
