#pragma once

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
} // namespace WindowGeometry
