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
    void linesAreUtf8OrWindows1252();
    void lineEndsAndByteOrderMark();
    void atomicWriteKeepsOldFileOnFailure();
    void iniKeepsOtherLinesAndIgnoresCase();
    void iniCreatesFileAndSection();
    void iniLongValuesComeBackWhole();
    void iniValueStaysOneLine();
};

void TestTextFiles::linesAreUtf8OrWindows1252() {
    const QByteArray utf8 = "Caf\xC3\xA9 \xE2\x82\xAC";
    QCOMPARE(TextFile::decodeLine(utf8.constData(), utf8.size()), QStringLiteral("Café €"));
    // The same letters as an older system wrote them.
    const QByteArray cp1252 = "Caf\xE9 \x80 \x93quoted\x94";
    QCOMPARE(TextFile::decodeLine(cp1252.constData(), cp1252.size()),
             QString::fromUtf8("Café € “quoted”"));
    // A truncated UTF-8 sequence is not valid UTF-8.
    const QByteArray cut = "ab\xC3";
    QCOMPARE(TextFile::decodeLine(cut.constData(), cut.size()), QString::fromUtf8("abÃ"));
}

void TestTextFiles::lineEndsAndByteOrderMark() {
    QStringList lines;
    TextFile::forEachLine(QByteArray("\xEF\xBB\xBF"
                                     "one\r\ntwo\nthree"),
                          [&](const char* p, qsizetype n) { lines << QString::fromUtf8(p, n); });
    QCOMPARE(lines, QStringList({"one", "two", "three"}));
    lines.clear();
    TextFile::forEachLine(QByteArray("\r\nx\r\n"),
                          [&](const char* p, qsizetype n) { lines << QString::fromUtf8(p, n); });
    QCOMPARE(lines, QStringList({"", "x"}));
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
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(readBytes(path), QByteArray("second"));
    // A missing folder fails without leaving anything behind.
    QVERIFY(!TextFile::writeAtomically(env.path("missing/list.txt"), "x"));
    QCOMPARE(QDir(env.path("")).entryList(QDir::Files), QStringList({"list.txt"}));
}

void TestTextFiles::iniKeepsOtherLinesAndIgnoresCase() {
    TestEnv env;
    writeBytes(env.settingsFile(), "; written by hand\r\n"
                                   "[Other]\r\n"
                                   "Loop=other section\r\n"
                                   "\r\n"
                                   "[JUKORA]\r\n"
                                   "loop = 1\r\n"
                                   "Unknown=kept\r\n"
                                   "\r\n"
                                   "[Last]\r\n"
                                   "x=y\r\n");
    QCOMPARE(ReadIni("Jukora", "Loop"), QStringLiteral("1"));
    QCOMPARE(ReadIni("other", "LOOP"), QStringLiteral("other section"));
    QCOMPARE(ReadIni("Jukora", "Missing"), QString());
    QCOMPARE(ReadIni("Nowhere", "Loop"), QString());
    WriteIni("Jukora", "LOOP", QStringLiteral("0"));
    WriteIni("Jukora", "Mask", QStringLiteral("*.mp3"));
    QCOMPARE(readBytes(env.settingsFile()), QByteArray("; written by hand\r\n"
                                                       "[Other]\r\n"
                                                       "Loop=other section\r\n"
                                                       "\r\n"
                                                       "[JUKORA]\r\n"
                                                       "LOOP=0\r\n"
                                                       "Unknown=kept\r\n"
                                                       "Mask=*.mp3\r\n"
                                                       "\r\n"
                                                       "[Last]\r\n"
                                                       "x=y\r\n"));
}

void TestTextFiles::iniCreatesFileAndSection() {
    TestEnv env;
    QVERIFY(!QFile::exists(env.settingsFile()));
    QCOMPARE(ReadIni("Jukora", "Loop"), QString());
    WriteIni("Jukora", "FilesH", 3885.0);
    WriteIni("Jukora", "Sequence", true);
    QCOMPARE(ReadIni("Jukora", "FilesH"), QStringLiteral("3885"));
    QCOMPARE(ReadIni("jukora", "sequence"), QStringLiteral("True"));
    QCOMPARE(readBytes(env.settingsFile()), QByteArray("[Jukora]\nFilesH=3885\nSequence=True\n"));
    QCOMPARE(iniText(1234.5), QStringLiteral("1234.5"));
    QCOMPARE(iniText(-15.0), QStringLiteral("-15"));
}

void TestTextFiles::iniLongValuesComeBackWhole() {
    TestEnv env;
    const QString folder =
        QStringLiteral("/home/user/") + QString(300, u'x') + QStringLiteral("/é");
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
