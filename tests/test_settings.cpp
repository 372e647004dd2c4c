// The settings table: what each key gives when it is missing or odd, and
// that a save and a load agree, key for key and in order.
#include "app/SettingsTable.h"

#include <QMap>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void absentKeys();
    void oddValues();
    void loopTexts_data();
    void loopTexts();
    void leadingNumbers_data();
    void leadingNumbers();
    void saveWritesEveryKeyInOrder();
    void saveStopsAtFirstFailure();
};

static MainWindowValues loadFrom(const QMap<QString, QString>& file, AppSettings& s) {
    return SettingsTable::load([&](const QString& k) { return file.value(k); }, s);
}

void TestSettings::absentKeys() {
    AppSettings s;
    s.Sequence = true; // a missing Sequence keeps the value it had
    const MainWindowValues v = loadFrom({}, s);
    QVERIFY(!v.loop);
    QCOMPARE(v.filesH, 0.0);
    QCOMPARE(v.filesX, 3000.0);
    QCOMPARE(v.filesY, 2500.0);
    QCOMPARE(v.nowPV, QString());
    QCOMPARE(s.Directory, QString());
    QCOMPARE(s.PlayW, 0.0);
    QVERIFY(s.Sequence);
    QCOMPARE(SettingsTable::keys().size(), 33);
    QCOMPARE(SettingsTable::keys().first(), QStringLiteral("Directory"));
    QCOMPARE(SettingsTable::keys().last(), QStringLiteral("ExportPlaylist"));
}

void TestSettings::oddValues() {
    AppSettings s;
    MainWindowValues v = loadFrom({{"Loop", "yes"},
                                   {"FilesX", "0"},
                                   {"FilesY", "-120"},
                                   {"FilesH", "5000 twips"},
                                   {"PlayW", "abc"},
                                   {"NowPX", "  1.5e3"},
                                   {"Sequence", "TRUE"},
                                   {"Mask", " *.mp3 "}},
                                  s);
    QVERIFY(!v.loop);
    QCOMPARE(v.filesX, 3000.0);
    QCOMPARE(v.filesY, 2500.0);
    QCOMPARE(v.filesH, 5000.0);
    QCOMPARE(s.PlayW, 0.0);
    QCOMPARE(s.NowPX, 1500.0);
    QVERIFY(s.Sequence);
    QCOMPARE(s.Mask, QStringLiteral(" *.mp3 "));
    loadFrom({{"Sequence", "2"}}, s);
    QVERIFY(s.Sequence);
    loadFrom({{"Sequence", "0"}}, s);
    QVERIFY(!s.Sequence);
    loadFrom({{"Sequence", "maybe"}}, s);
    QVERIFY(!s.Sequence);
}

void TestSettings::loopTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: the box keeps its state
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("grey") << "2" << 2;
    QTest::newRow("blanks") << " 1 " << 1;
    QTest::newRow("half to even down") << "0.5" << 0;
    QTest::newRow("half to even up") << "1.5" << 2;
    QTest::newRow("too big") << "3" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("word") << "True" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestSettings::loopTexts() {
    QFETCH(QString, text);
    QFETCH(int, value);
    auto v = SettingsTable::loopValue(text);
    QCOMPARE(v.value_or(-1), value);
}

void TestSettings::leadingNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "3885" << 3885.0;
    QTest::newRow("letters after") << "12abc" << 12.0;
    QTest::newRow("blanks before") << "   -45" << -45.0;
    QTest::newRow("fraction") << "1.25" << 1.25;
    QTest::newRow("exponent") << "2E3" << 2000.0;
    QTest::newRow("bare exponent letter") << "7e" << 7.0;
    QTest::newRow("none") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    // Places no screen can have are no places: nothing overflows.
    QTest::newRow("largest") << "2147483647" << 2147483647.0;
    QTest::newRow("past the largest") << "99999999999999999999" << 0.0;
    QTest::newRow("far negative") << "-2147483648" << 0.0;
    QTest::newRow("huge exponent") << "1e400" << 0.0;
}

void TestSettings::leadingNumbers() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(SettingsTable::leadingNumber(text), value);
}

void TestSettings::saveWritesEveryKeyInOrder() {
    AppSettings s;
    s.Directory = QStringLiteral("/home/u/Music");
    s.PlayW = 6765;
    s.NowPY = -30;
    s.Sequence = true;
    s.ExportPlaylist = QStringLiteral("M3U");
    QStringList order;
    QMap<QString, QString> file;
    QVERIFY(SettingsTable::save(
        [&](const QString& k, const QString& t) {
            order << k;
            file[k] = t;
            return true;
        },
        s, 1, MainWindowPlace{4500, 3000, 2500}, true));
    QCOMPARE(order, SettingsTable::keys());
    QCOMPARE(file["Loop"], QStringLiteral("1"));
    QCOMPARE(file["FilesH"], QStringLiteral("4500"));
    QCOMPARE(file["PlayW"], QStringLiteral("6765"));
    QCOMPARE(file["NowPY"], QStringLiteral("-30"));
    QCOMPARE(file["NowPV"], QStringLiteral("True"));
    QCOMPARE(file["Sequence"], QStringLiteral("True"));

    AppSettings back;
    const MainWindowValues v = loadFrom(file, back);
    QCOMPARE(back.Directory, s.Directory);
    QCOMPARE(back.PlayW, 6765.0);
    QCOMPARE(back.NowPY, -30.0);
    QCOMPARE(back.ExportPlaylist, QStringLiteral("M3U"));
    QVERIFY(back.Sequence);
    QCOMPARE(v.loop.value_or(-1), 1);
    QCOMPARE(v.filesH, 4500.0);
    QCOMPARE(v.nowPV, QStringLiteral("True"));
}

void TestSettings::saveStopsAtFirstFailure() {
    AppSettings s;
    QStringList written;
    const auto write = [&](const QString& k, const QString&) {
        written << k;
        return k != QLatin1String("NowPX");
    };
    QVERIFY(!SettingsTable::save(write, s, 0, MainWindowPlace{}, false));
    QCOMPARE(written, SettingsTable::keys().mid(0, 29));
    // Without a place for the main window its three keys are left alone.
    written.clear();
    QVERIFY(!SettingsTable::save(write, s, 0, std::nullopt, false));
    QStringList expected = SettingsTable::keys().mid(0, 29);
    for (const char* key : {"FilesH", "FilesX", "FilesY"})
        expected.removeAll(QLatin1String(key));
    QCOMPARE(written, expected);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
