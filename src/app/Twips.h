#pragma once

// Window sizes and positions are kept in twips, 1440 to the inch, at the
// screen's logical resolution (15 twips to the pixel at 96 dpi).
namespace Twips {
double perPixel();
int toPx(double twips);
double fromPx(int px);
} // namespace Twips
