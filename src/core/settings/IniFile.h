#pragma once

#include <QString>

// One key of the settings file at a time, in the given section. The path is
// the settings file's, built afresh on every call.
QString ReadIni(const QString& section, const QString& key);
void WriteIni(const QString& section, const QString& key, const QString& value);
void WriteIni(const QString& section, const QString& key, double value);
void WriteIni(const QString& section, const QString& key, bool value);

// The text forms of the settings file: whole numbers without a fraction
// ("3885", not "3885.0"), Booleans as "True" or "False".
QString iniText(double value);
QString iniText(bool value);
