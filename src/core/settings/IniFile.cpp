#include "core/settings/IniFile.h"

#include "core/settings/ProfileString.h"
#include "core/system/AppPaths.h"

#include <cmath>

QString ReadIni(const QString& section, const QString& key) {
    ProfileStringFile file(AppPaths::settingsFile());
    if (!file.load())
        return QString();
    return file.value(section, key);
}

void WriteIni(const QString& section, const QString& key, const QString& value) {
    ProfileStringFile file(AppPaths::settingsFile());
    if (!file.load())
        return;
    file.setValue(section, key, value);
    file.save();
}

void WriteIni(const QString& section, const QString& key, double value) {
    WriteIni(section, key, iniText(value));
}

void WriteIni(const QString& section, const QString& key, bool value) {
    WriteIni(section, key, iniText(value));
}

QString iniText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

QString iniText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
