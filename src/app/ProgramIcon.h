// The program's own icon for its windows and taskbar entry.
#pragma once

#include <QIcon>

class QImage;

// The icon the install ships (an SVG, built into the program), when Qt can
// draw SVG here; otherwise the same figure drawn directly.
QIcon ProgramIcon();

// The figure drawn directly, size x size pixels.
QImage DrawProgramIcon(int size);
