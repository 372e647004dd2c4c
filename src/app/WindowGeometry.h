#pragma once

#include <QSize>

#include <functional>

class QWidget;

// A top-level window's place and size in twips, the whole window with its
// frame, as the settings file keeps them. Before a window is first shown its
// frame is not known; the frame of another window on the screen stands in
// for it.
namespace WindowGeometry {
double outerWidth(const QWidget* w);
double outerHeight(const QWidget* w);
double left(const QWidget* w);
double top(const QWidget* w);
void setOuterWidth(QWidget* w, double twips);
void setOuterHeight(QWidget* w, double twips);
void setLeft(QWidget* w, double twips);
void setTop(QWidget* w, double twips);

// Width and height the window's frame adds to its inner area, or the frame
// of another window on the screen while its own is not yet known.
QSize frameExtra(const QWidget* w);

// The resize rule of a window that only grows downwards: the whole width is
// held at widthTwips and the whole height kept at minHeightTwips or more.
void holdWidth(QWidget* w, double widthTwips, double minHeightTwips);

// Runs a window's resize rule after every resize and change of window state,
// and once more when its frame first becomes known on the screen (the held
// width and least height count the frame). A window whose sizes, set before
// then, must be set again with the frame gives frameKnown: it runs at that
// moment instead of the rule.
void followResizes(QWidget* w, std::function<void()> rule, std::function<void()> frameKnown = {});
} // namespace WindowGeometry
