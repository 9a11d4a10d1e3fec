// The program's own icon for its windows and taskbar entry.
#pragma once

#include <QIcon>

// The icon the install ships (an SVG, built into the program).
QIcon ProgramIcon();
