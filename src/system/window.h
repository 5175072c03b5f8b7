#ifndef KAVETO_WINDOW_H
#define KAVETO_WINDOW_H

// What the window system asks of the game beyond the toolkit:
// window_x11.cpp on X, window_win32.cpp on Windows (announce.cpp on both),
// window_web.cpp in the browser, linked in.

// Why no window can be opened, in one line, or null when one can be tried;
// displayNamed is whether -display named a display. Before glutInit.
const char* missingDisplay(bool displayNamed);
// Once the game's window exists, its context current: ties the window to the
// desktop's entry for the game, and ends the game when the window is
// destroyed (status 0) or its display is lost (status 1).
void prepareGameWindow();
// Ends the game, as Quit in the menu: the program with status 0.
void quitGame();
// Puts the title on the window (the page in the browser), with the sound of
// a message when it says that it is the player's turn.
void announce(const char* title, bool yours);
// A GL entry point beyond GL 1.1, from the driver; null where it has none.
void* glProcedure(const char* name);

#endif
