#pragma once

// Window sizes and positions are kept in twips, 1440 to the inch, at the
// screen's logical resolution (15 twips to the pixel at 96 dpi). This is the
// one place where twips and pixels meet.
namespace Twips {
double perPixel();
// Pixels for a number of twips. Any number converts: one far beyond a
// desktop (as a damaged settings file may hold) gives a place far off every
// screen, never an overflow; a number that is not one gives 0.
int toPx(double twips);
double fromPx(int px);
} // namespace Twips
