// SIGTERM, SIGINT and SIGHUP (shutdown, logout, Ctrl+C in a terminal) end the
// program the way its close box does, so that the arrangement is saved and the
// audio device released. Any number of them, in any order, lead to one such
// end; a later one skips a question or message box that is open, never the
// save. Only a third Ctrl+C (SIGINT) ends the program at once, for a save
// that hangs (a network folder that does not answer): the file writer leaves
// the previous auto-save whole then.
#pragma once

class QWidget;

// Catches the three signals; call first thing in main. What arrives before the
// event loop runs is kept for it.
void InstallTerminationSignals();

// Whether one of the signals has arrived. If so, the caller ends the program
// itself, and the event loop will not act on that signal any more.
bool ConsumeTerminationRequest();

// Whether one of the signals has arrived in this run: a close it causes asks
// nobody anything.
bool TerminationRequested();

// Each caught signal closes the open dialogs; once the start-up has finished
// (StartupFinished), the first one also closes window (which must outlive
// the event loop).
void RouteTerminationSignals(QWidget* window);

// The start-up sequence is over: from now on a signal closes the window.
void StartupFinished();

// The exit status after the third Ctrl+C.
constexpr int ExitInterrupted = 130;
