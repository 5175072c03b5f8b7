#ifndef KAVETO_TOOLS_GLWINDOW_H
#define KAVETO_TOOLS_GLWINDOW_H

// Initialises GLUT and opens the game's own window, as main does, then waits
// (with a time-out) until the server shows it; once per test process.
bool openGameWindow(int* argc, char** argv);

#endif
