#pragma once

#include <QString>
#include <QStringList>

// The files named by the program's arguments, in their order: double quotes
// at the ends removed as a Windows-style launcher may leave them, a file: URL
// made a path, a relative name made absolute against currentFolder, other
// addresses (http://...) kept as given, empty arguments left out.
QStringList commandLineFiles(const QStringList& arguments, const QString& currentFolder);
