#include "core/settings/SettingsTable.h"

#include "core/settings/IniFile.h"

#include <cmath>

namespace {

enum class Kind { Text, Number, Boolean, Loop, FilesH, FilesX, FilesY, NowPV };

struct Key {
    const char* name;
    Kind kind;
    QString AppSettings::*text = nullptr;
    double AppSettings::*number = nullptr;
};

const Key kKeys[] = {
    {"Directory", Kind::Text, &AppSettings::browseFolder},
    {"File", Kind::Text, &AppSettings::browserFileFolder},
    {"Drive", Kind::Text, &AppSettings::browserDrive},
    {"Mask", Kind::Text, &AppSettings::browserPattern},
    {"FileExport", Kind::Text, &AppSettings::exportFileFolder},
    {"DriveExport", Kind::Text, &AppSettings::exportDrive},
    {"DirExport", Kind::Text, &AppSettings::exportFolder},
    {"Loop", Kind::Loop},
    {"FilesH", Kind::FilesH},
    {"FilesX", Kind::FilesX},
    {"FilesY", Kind::FilesY},
    {"FilesListH", Kind::Number, nullptr, &AppSettings::fileBrowserHeight},
    {"FilesListX", Kind::Number, nullptr, &AppSettings::fileBrowserLeft},
    {"FilesListY", Kind::Number, nullptr, &AppSettings::fileBrowserTop},
    {"ID3X", Kind::Number, nullptr, &AppSettings::tagWindowLeft},
    {"ID3Y", Kind::Number, nullptr, &AppSettings::tagWindowTop},
    {"PortH", Kind::Number, nullptr, &AppSettings::exportMediaHeight},
    {"PortX", Kind::Number, nullptr, &AppSettings::exportMediaLeft},
    {"PortY", Kind::Number, nullptr, &AppSettings::exportMediaTop},
    {"PlayW", Kind::Number, nullptr, &AppSettings::player1Width},
    {"PlayH", Kind::Number, nullptr, &AppSettings::player1Height},
    {"PlayX", Kind::Number, nullptr, &AppSettings::player1Left},
    {"PlayY", Kind::Number, nullptr, &AppSettings::player1Top},
    {"Play2W", Kind::Number, nullptr, &AppSettings::player2Width},
    {"Play2H", Kind::Number, nullptr, &AppSettings::player2Height},
    {"Play2X", Kind::Number, nullptr, &AppSettings::player2Left},
    {"Play2Y", Kind::Number, nullptr, &AppSettings::player2Top},
    {"NowPW", Kind::Number, nullptr, &AppSettings::nowPlayingWidth},
    {"NowPX", Kind::Number, nullptr, &AppSettings::nowPlayingLeft},
    {"NowPY", Kind::Number, nullptr, &AppSettings::nowPlayingTop},
    {"NowPV", Kind::NowPV},
    {"Sequence", Kind::Boolean},
    {"ExportPlaylist", Kind::Text, &AppSettings::devicePlaylistType},
};

// The farthest a saved place can be, in twips: a 32-bit whole number. A
// larger value is nothing a screen can show, and no value at all.
constexpr double kMaxPlace = 2147483647.0;

std::optional<double> wholeNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace

namespace SettingsTable {

QStringList keys() {
    QStringList out;
    for (const Key& k : kKeys)
        out << QLatin1String(k.name);
    return out;
}

double leadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i].unicode() < 128 && text[i].isDigit()) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    qsizetype mantissaEnd = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        qsizetype expDigits = 0;
        while (j < n && text[j].unicode() < 128 && text[j].isDigit()) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            mantissaEnd = j;
    }
    bool ok = false;
    const double v = text.mid(start, mantissaEnd - start).toDouble(&ok);
    return ok && std::fabs(v) <= kMaxPlace ? v : 0;
}

std::optional<int> loopValue(const QString& text) {
    auto v = wholeNumber(text);
    if (!v)
        return std::nullopt;
    const double r = std::nearbyint(*v); // the default rounding sends halves to the even one
    if (r < 0 || r > 2)
        return std::nullopt;
    return int(r);
}

std::optional<bool> booleanValue(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    auto v = wholeNumber(t);
    if (!v)
        return std::nullopt;
    return *v != 0;
}

MainWindowValues load(const std::function<QString(const QString&)>& read, AppSettings& settings) {
    MainWindowValues out;
    for (const Key& k : kKeys) {
        const QString text = read(QLatin1String(k.name));
        switch (k.kind) {
        case Kind::Text:
            settings.*(k.text) = text;
            break;
        case Kind::Number:
            settings.*(k.number) = leadingNumber(text);
            break;
        case Kind::Boolean:
            if (auto b = booleanValue(text))
                settings.sequence = *b;
            break;
        case Kind::Loop:
            out.loop = loopValue(text);
            break;
        case Kind::FilesH:
            out.mainHeight = leadingNumber(text);
            break;
        case Kind::FilesX: {
            const double v = leadingNumber(text);
            out.mainLeft = v > 0 ? v : 3000;
            break;
        }
        case Kind::FilesY: {
            const double v = leadingNumber(text);
            out.mainTop = v > 0 ? v : 2500;
            break;
        }
        case Kind::NowPV:
            out.nowPlayingOpen = text;
            break;
        }
    }
    return out;
}

bool save(const std::function<bool(const QString&, const QString&)>& write,
          const AppSettings& settings, int loop, const std::optional<MainWindowPlace>& place,
          bool nowPlayingOpen) {
    for (const Key& k : kKeys) {
        const bool isPlace =
            k.kind == Kind::FilesH || k.kind == Kind::FilesX || k.kind == Kind::FilesY;
        if (isPlace && !place)
            continue;
        QString text;
        switch (k.kind) {
        case Kind::Text:
            text = settings.*(k.text);
            break;
        case Kind::Number:
            text = iniText(settings.*(k.number));
            break;
        case Kind::Boolean:
            text = iniText(settings.sequence);
            break;
        case Kind::Loop:
            text = QString::number(loop);
            break;
        case Kind::FilesH:
            text = iniText(place->mainHeight);
            break;
        case Kind::FilesX:
            text = iniText(place->mainLeft);
            break;
        case Kind::FilesY:
            text = iniText(place->mainTop);
            break;
        case Kind::NowPV:
            text = iniText(nowPlayingOpen);
            break;
        }
        if (!write(QLatin1String(k.name), text))
            return false;
    }
    return true;
}

} // namespace SettingsTable
