// The settings table: what each key gives when it is missing or odd, and
// that a save and a load agree, key for key and in order.
#include "core/settings/IniFile.h"
#include "core/settings/SettingsTable.h"

#include <QMap>
#include <QtTest>

using File = QMap<QString, QString>;

namespace {

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

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void saveAndLoadAgree();
};

void TestSettings::values_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    // Rows of key|text|value loaded. Halves go to the even one; places no
    // screen can have are no places, and nothing overflows.
    const QString rows = QStringLiteral(
        "Loop|1|1;Loop| 1 |1;Loop|2|2;Loop|0.5|0;Loop|1.5|2;Loop|3|kept;Loop|-1|kept;"
        "Loop|True|kept;Loop||kept;FilesX||3000;FilesX|0|3000;FilesY||2500;FilesY|-120|2500;"
        "FilesH||0;FilesH|5000 twips|5000;PlayW|abc|0;NowPX|  1.5e3|1500;NowPY|   -45|-45;"
        "PlayX|12abc|12;PlayY|1.25|1.25;PlayH|2E3|2000;PortX|7e|7;PortY|.|0;"
        "ID3X|2147483647|2147483647;FilesY|99999999999999999999|2500;ID3Y|-2147483648|0;"
        "NowPW|1e400|0;Sequence|TRUE|True;Sequence|2|True;Sequence|0|False;"
        "Sequence|maybe|kept;Sequence||kept;Mask| *.mp3 | *.mp3 ;Directory||;NowPV|True|True;");
    for (const QString& row : rows.split(u';', Qt::SkipEmptyParts)) {
        const QStringList r = row.split(u'|');
        QTest::newRow(qPrintable(row)) << r[0] << r[1] << r[2];
    }
}

void TestSettings::values() {
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, value);
    QCOMPARE(loaded(key, text), value);
}

void TestSettings::saveAndLoadAgree() {
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
    for (const auto& [key, text] : {std::pair{"Loop", "1"},
                                    {"FilesH", "4500"},
                                    {"NowPY", "-30"},
                                    {"NowPV", "True"},
                                    {"Sequence", "True"},
                                    {"ExportPlaylist", "M3U"}})
        QCOMPARE(file[key], QLatin1String(text));
    AppSettings back;
    const MainWindowValues v = loadFrom(file, back);
    QCOMPARE(saved(back, v.loop.value_or(-1), MainWindowPlace{v.mainHeight, v.mainLeft, v.mainTop},
                   v.nowPlayingOpen == QLatin1String("True")),
             file);

    // Without a place for the main window its three keys are left alone; a
    // write that fails ends the save.
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

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
