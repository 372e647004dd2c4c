#pragma once

#include <functional>
#include <optional>

class QWidget;

// A top-level window's place and size in twips, the whole window with its
// frame, as the settings file keeps them: what is read from a window and set
// on it again gives the same window.
//
// The frame is the window system's, known only once the window is on the
// screen. Until then the frame of another window of the program stands in
// for it; whatever was set before is set again, exactly, once the real frame
// is known.
namespace WindowGeometry {
double outerWidth(const QWidget* w);
double outerHeight(const QWidget* w);
double left(const QWidget* w);
double top(const QWidget* w);

// Sets one measure, as the window's own rules (and the user) do.
void setOuterWidth(QWidget* w, double twips);
void setOuterHeight(QWidget* w, double twips);
void setLeft(QWidget* w, double twips);
void setTop(QWidget* w, double twips);

// Places a window where its saved values or its design say: the measures
// given are set, the others kept. The window then lands fully on an
// available screen: when the place is off every screen or partly beyond one,
// the window goes onto the nearest screen, its size kept where it fits.
struct Place {
    std::optional<double> left = {}, top = {}, width = {}, height = {};
};
void place(QWidget* w, const Place& p);

// The resize rule of a window that only grows downwards: the whole width is
// held at widthTwips and the whole height kept at minHeightTwips or more.
void holdWidth(QWidget* w, double widthTwips, double minHeightTwips);

// Runs a window's resize rule after every resize and change of window state,
// and once more when its frame becomes known (held widths and least heights
// count the frame).
void followResizes(QWidget* w, std::function<void()> rule);
} // namespace WindowGeometry
