#ifndef KAVETO_STARTUP_H
#define KAVETO_STARTUP_H

// Reads the command line before the toolkit does: prints the usage or the
// version (0), or says in one line what is wrong (2: an argument that is not
// the toolkit's, 1: no display to open); -1 when the game should start.
int checkCommandLine(int argc, char** argv);
// Sets the clear colour, projection, camera and depth test; once, in a new context.
void init();
// Reshape callback: keeps the window's size, to which display fits the picture.
void reshape(int width, int height);
// Opens the game's window after glutInit, builds the menus, registers the
// callbacks and sets light and material: everything before the main loop.
void createGameWindow();

#endif
