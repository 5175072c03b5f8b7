#ifndef KAVETO_TOOLS_GLWINDOW_H
#define KAVETO_TOOLS_GLWINDOW_H

// Initialises GLUT and opens the game's own window, as main does, then waits
// (with a time-out) until the server shows it; once per test process, which
// it gives HOME and XDG folders of its own, empty, removed at exit.
bool openGameWindow(int* argc, char** argv);

#endif
