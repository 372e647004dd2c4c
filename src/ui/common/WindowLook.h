#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QLineEdit;
class QWidget;

// The fonts and colours the windows are designed with. The design's fonts
// (Arial, MS Sans Serif) map to the closest sans-serif face the system has.
namespace WindowLook {
// The grey of the text boxes that show a song or a tag.
inline const QColor kSilver{192, 192, 192};

QFont arial(double points = 8.25, bool bold = false);
QFont msSansSerif(bool bold = false);

// Gives a widget a background and a text colour of its own. Where the design
// fixes a background, the text colour goes with it: the desktop's own text
// colour (white in a dark theme) may not be readable on it.
void setColours(QWidget* w, QPalette::ColorRole backRole, const QColor& back,
                QPalette::ColorRole textRole, const QColor& text);

// Makes a text box at least as tall as a line of its font needs (the design's
// boxes were drawn for a smaller font than the desktop's); its top stays.
void wholeLine(QLineEdit* box);
} // namespace WindowLook
