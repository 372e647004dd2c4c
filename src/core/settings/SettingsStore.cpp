#include "core/settings/SettingsStore.h"

#include "core/playback/PlaybackController.h"
#include "core/playlist/PlaylistModel.h"
#include "core/playlist/PlsFormat.h"
#include "core/settings/IniFile.h"
#include "core/settings/ProfileString.h"
#include "core/system/AppPaths.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("Jukora");
// The players' settings, beside the window and browsing keys.
const QString kPlayerSection = QStringLiteral("Player");
const QString kVolumeKey = QStringLiteral("Volume");
// Options of the list's look.
const QString kViewSection = QStringLiteral("View");
const QString kSongTitlesKey = QStringLiteral("SongTitles");

} // namespace

SettingsStore::SettingsStore(AppState& state, PlaylistModel& model, PlaybackController& playback)
    : m_state(state), m_model(model), m_playback(playback) {}

MainWindowValues SettingsStore::readKeys() {
    ProfileStringFile ini(AppPaths::settingsFile());
    ini.load();
    const MainWindowValues v = SettingsTable::load(
        [&ini](const QString& key) { return ini.value(kSection, key); }, m_state.settings);
    if (v.loop)
        m_playback.setLoop(*v.loop);
    bool isNumber = false;
    const int volume = ini.value(kPlayerSection, kVolumeKey).toInt(&isNumber);
    if (isNumber)
        m_playback.setVolume(volume);
    m_state.showSongTitles = ini.value(kViewSection, kSongTitlesKey)
                                 .compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    return v;
}

QString SettingsStore::readAutosave() {
    const QString path = AppPaths::autosaveToRead();
    if (!QFileInfo::exists(path))
        return {};
    bool readable = true;
    const int room = PlaylistModel::MaxEntries - m_model.count();
    if (room > 0)
        m_model.append(PlsFormat::find(path, room, &readable));
    if (readable)
        return {};
    // The next save would put a shorter list in its place, or an empty one:
    // the file moves aside, whole, for the user to recover.
    QString kept = path + QStringLiteral(".unreadable");
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = path + QStringLiteral(".unreadable-%1").arg(n);
    if (QFile::rename(path, kept))
        return QStringLiteral("The saved playlist could not be read. It is kept as\n\n") + kept;
    m_keepAutosave = path;
    return QStringLiteral("The saved playlist could not be read. It is not saved over while "
                          "Jukora runs:\n\n") +
           path;
}

SettingsStore::SaveResult SettingsStore::save(const std::optional<MainWindowPlace>& place,
                                              bool nowPlayingOpen) {
    SaveResult result;
    ProfileStringFile ini(AppPaths::settingsFile());
    result.keysWritten = ini.load();
    if (result.keysWritten) {
        SettingsTable::save(
            [&ini](const QString& key, const QString& text) {
                ini.setValue(kSection, key, text);
                return true;
            },
            m_state.settings, m_state.loop, place, nowPlayingOpen);
        ini.setValue(kPlayerSection, kVolumeKey, QString::number(m_state.volume));
        ini.setValue(kViewSection, kSongTitlesKey, iniText(m_state.showSongTitles));
        result.keysWritten = ini.save();
    }
    // The playlist is written whatever became of the keys, but never over a
    // saved one that could not be read.
    const QString autosave = AppPaths::autosaveFile();
    result.playlistWritten = autosave != m_keepAutosave &&
                             PlsFormat::writeFull(autosave, m_model.entries(), result.readBack);
    return result;
}

void SettingsStore::removeSettingsFile() {
    const QString ini = AppPaths::settingsFile();
    if (!QFile::exists(ini))
        return;
    QFile::setPermissions(ini, QFile::permissions(ini) | QFile::WriteOwner | QFile::WriteUser);
    QFile::remove(ini);
}
