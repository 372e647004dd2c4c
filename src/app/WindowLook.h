#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The fonts and colours the windows are designed with. The design's fonts
// (Arial, MS Sans Serif) map to the closest sans-serif face the system has.
namespace WindowLook {
QFont arial(double points = 8.25, bool bold = false);
QFont msSansSerif(bool bold = false);

// Gives a widget a background and a text colour of its own.
void setColours(QWidget* w, QPalette::ColorRole backRole, const QColor& back,
                QPalette::ColorRole textRole, const QColor& text);
} // namespace WindowLook
