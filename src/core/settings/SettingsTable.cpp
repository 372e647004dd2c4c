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
    {"Directory", Kind::Text, &AppSettings::Directory},
    {"File", Kind::Text, &AppSettings::File},
    {"Drive", Kind::Text, &AppSettings::Drive},
    {"Mask", Kind::Text, &AppSettings::Mask},
    {"FileExport", Kind::Text, &AppSettings::FileExport},
    {"DriveExport", Kind::Text, &AppSettings::DriveExport},
    {"DirExport", Kind::Text, &AppSettings::DirExport},
    {"Loop", Kind::Loop},
    {"FilesH", Kind::FilesH},
    {"FilesX", Kind::FilesX},
    {"FilesY", Kind::FilesY},
    {"FilesListH", Kind::Number, nullptr, &AppSettings::FilesListH},
    {"FilesListX", Kind::Number, nullptr, &AppSettings::FilesListX},
    {"FilesListY", Kind::Number, nullptr, &AppSettings::FilesListY},
    {"ID3X", Kind::Number, nullptr, &AppSettings::ID3X},
    {"ID3Y", Kind::Number, nullptr, &AppSettings::ID3Y},
    {"PortH", Kind::Number, nullptr, &AppSettings::PortH},
    {"PortX", Kind::Number, nullptr, &AppSettings::PortX},
    {"PortY", Kind::Number, nullptr, &AppSettings::PortY},
    {"PlayW", Kind::Number, nullptr, &AppSettings::PlayW},
    {"PlayH", Kind::Number, nullptr, &AppSettings::PlayH},
    {"PlayX", Kind::Number, nullptr, &AppSettings::PlayX},
    {"PlayY", Kind::Number, nullptr, &AppSettings::PlayY},
    {"Play2W", Kind::Number, nullptr, &AppSettings::Play2W},
    {"Play2H", Kind::Number, nullptr, &AppSettings::Play2H},
    {"Play2X", Kind::Number, nullptr, &AppSettings::Play2X},
    {"Play2Y", Kind::Number, nullptr, &AppSettings::Play2Y},
    {"NowPW", Kind::Number, nullptr, &AppSettings::NowPW},
    {"NowPX", Kind::Number, nullptr, &AppSettings::NowPX},
    {"NowPY", Kind::Number, nullptr, &AppSettings::NowPY},
    {"NowPV", Kind::NowPV},
    {"Sequence", Kind::Boolean},
    {"ExportPlaylist", Kind::Text, &AppSettings::ExportPlaylist},
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
                settings.Sequence = *b;
            break;
        case Kind::Loop:
            out.loop = loopValue(text);
            break;
        case Kind::FilesH:
            out.filesH = leadingNumber(text);
            break;
        case Kind::FilesX: {
            const double v = leadingNumber(text);
            out.filesX = v > 0 ? v : 3000;
            break;
        }
        case Kind::FilesY: {
            const double v = leadingNumber(text);
            out.filesY = v > 0 ? v : 2500;
            break;
        }
        case Kind::NowPV:
            out.nowPV = text;
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
            text = iniText(settings.Sequence);
            break;
        case Kind::Loop:
            text = QString::number(loop);
            break;
        case Kind::FilesH:
            text = iniText(place->filesH);
            break;
        case Kind::FilesX:
            text = iniText(place->filesX);
            break;
        case Kind::FilesY:
            text = iniText(place->filesY);
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
