#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>

// The order people expect of names: letters without regard to case, an
// accented letter beside its base letter ("École" beside "Ecole"), and runs
// of digits by their value ("Track 2" before "Track 10"). A - Z and the File
// Browser's lists use it.
namespace NaturalOrder {

// The text with letters folded to their lower-case base letters, for
// finding names the way people type them ("ecole" finds "École").
QString fold(QStringView text);

// A text whose plain code-point order is the natural order of the names it
// is made from: letters folded to their lower-case base letters, each run of
// digits as a mark that sorts before letters, its length, and its digits
// without leading zeros. Names that differ only in case, accents or leading
// zeros have the same key.
QString key(QStringView name);
// The same key, added to the end of out.
void appendKey(std::u16string& out, QStringView name);

// Whether a comes before b; names of the same key are equal.
bool less(const QString& a, const QString& b);

// The names in natural order; equal ones keep their order.
QStringList sorted(const QStringList& names);

} // namespace NaturalOrder
