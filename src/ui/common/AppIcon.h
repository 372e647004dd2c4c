#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icon and the small banner of the main window, drawn in code
// so that no image files need to travel with the program.
QIcon appIcon();
QPixmap bannerPixmap(int width, int height);
