// The window's start once the application exists: the audio output, the
// window shown, then the files to start with (whose messages show over it)
// and the remote control.
#pragma once

class TFrmPhonaraPlayer;
struct TCommandLine;

// The exit status when the program ends here (the audio could not start, or
// a signal asked for the end), or -1 when the event loop is to run.
int StartWindow(TFrmPhonaraPlayer& window, const TCommandLine& commandLine);

// Whether the window can show: a display is named (DISPLAY, WAYLAND_DISPLAY)
// or Qt is told which platform to use (QT_QPA_PLATFORM, -platform). Always
// true where the desktop is not X11 or Wayland.
bool WindowCanShow(int argc, char* argv[]);
