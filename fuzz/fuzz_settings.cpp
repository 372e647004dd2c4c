// Any bytes as the keys of the settings table, read twice: as the settings
// file (the [Jukora] section, as the program reads it) and as plain
// key=value lines, kept exactly. The settings loaded are saved into what
// they came from, with and without the main window's place, and loaded
// again. Beside the sanitizers' own checks: every value reads back as it was
// saved (a number to the 15 digits it is written with), and a second save
// writes the same texts as the first.
#include "core/settings/IniFile.h"
#include "core/settings/ProfileString.h"
#include "core/settings/SettingsTable.h"

#include <QByteArray>
#include <QMap>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }
}

// The keys' texts, as a settings file or as plain lines.
class Store {
public:
    Store(const QByteArray& bytes, bool asFile) : m_file(QString()), m_asFile(asFile) {
        if (asFile) {
            m_file.parse(bytes);
            return;
        }
        for (const QByteArray& line : bytes.split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                m_map[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
        }
    }
    QString read(const QString& key) const {
        return m_asFile ? m_file.value(kSection, key) : m_map.value(key);
    }
    bool write(const QString& key, const QString& text) {
        if (m_asFile)
            m_file.setValue(kSection, key, text);
        else
            m_map[key] = text;
        return true;
    }
    QByteArray bytes() const {
        if (m_asFile)
            return m_file.bytes();
        QByteArray out;
        for (auto it = m_map.begin(); it != m_map.end(); ++it)
            out += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
        return out;
    }

private:
    static inline const QString kSection = QStringLiteral("Jukora");
    ProfileStringFile m_file;
    QMap<QString, QString> m_map;
    bool m_asFile;
};

struct Loaded {
    AppSettings settings;
    MainWindowValues window;
};

Loaded load(const Store& store) {
    Loaded out;
    out.window = SettingsTable::load([&](const QString& k) { return store.read(k); }, out.settings);
    return out;
}

void save(Store& store, const Loaded& loaded, int loop, bool withPlace) {
    std::optional<MainWindowPlace> place;
    if (withPlace)
        place = MainWindowPlace{loaded.window.mainHeight, loaded.window.mainLeft,
                                loaded.window.mainTop};
    require(
        SettingsTable::save([&](const QString& k, const QString& t) { return store.write(k, t); },
                            loaded.settings, loop, place,
                            loaded.window.nowPlayingOpen == QLatin1StringView("True")),
        "a save that failed");
}

// The same number as far as its text in the file tells.
bool sameNumber(double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-14 * std::fabs(a);
}

void check(const QByteArray& bytes, bool asFile, bool withPlace, int loop) {
    Store store(bytes, asFile);
    const Loaded first = load(store);
    save(store, first, first.window.loop.value_or(loop), withPlace);
    const QByteArray saved = store.bytes();
    const Loaded second = load(store);

    const AppSettings &a = first.settings, &b = second.settings;
    for (QString AppSettings::*text :
         {&AppSettings::browseFolder, &AppSettings::browserFileFolder, &AppSettings::browserDrive,
          &AppSettings::browserPattern, &AppSettings::exportFileFolder, &AppSettings::exportDrive,
          &AppSettings::exportFolder, &AppSettings::devicePlaylistType})
        require(a.*text == b.*text, "a text that does not read back");
    for (double AppSettings::*number :
         {&AppSettings::fileBrowserHeight, &AppSettings::fileBrowserLeft,
          &AppSettings::fileBrowserTop, &AppSettings::tagWindowLeft, &AppSettings::tagWindowTop,
          &AppSettings::exportMediaHeight, &AppSettings::exportMediaLeft,
          &AppSettings::exportMediaTop, &AppSettings::player1Width, &AppSettings::player1Height,
          &AppSettings::player1Left, &AppSettings::player1Top, &AppSettings::player2Width,
          &AppSettings::player2Height, &AppSettings::player2Left, &AppSettings::player2Top,
          &AppSettings::nowPlayingWidth, &AppSettings::nowPlayingLeft, &AppSettings::nowPlayingTop})
        require(sameNumber(a.*number, b.*number), "a number that does not read back");
    require(a.sequence == b.sequence, "Sequence does not read back");
    const MainWindowValues &v = first.window, &w = second.window;
    require(w.loop == first.window.loop.value_or(loop), "Loop does not read back");
    require(w.nowPlayingOpen == iniText(v.nowPlayingOpen == QLatin1StringView("True")),
            "NowPV does not read back");
    require(sameNumber(v.mainHeight, w.mainHeight) && sameNumber(v.mainLeft, w.mainLeft) &&
                sameNumber(v.mainTop, w.mainTop),
            "the main window's place does not read back");

    save(store, second, *w.loop, withPlace);
    require(store.bytes() == saved, "a second save that writes other texts");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const int loop = int(size % 3);
    for (const bool asFile : {true, false}) {
        for (const bool withPlace : {true, false})
            check(bytes, asFile, withPlace, loop);
    }
    return 0;
}
