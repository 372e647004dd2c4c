#pragma once

#include <QList>
#include <QRect>

// Keeping windows where the user can reach them. Rectangles are whole
// windows (frame included) in the desktop's pixels; screens are the parts of
// the monitors that windows may use.
namespace ScreenFit {

// True when every pixel of window lies on one screen or another.
bool onScreens(const QRect& window, const QList<QRect>& screens);

// The window unchanged when it lies on the screens; otherwise moved onto the
// screen it overlaps most (the closest one when it overlaps none), its size
// kept where it fits and cut to the screen's where it does not. With no
// screen at all the window stays as it is.
QRect fitOnScreens(const QRect& window, const QList<QRect>& screens);

} // namespace ScreenFit
