#ifndef KAVETO_STARTUP_H
#define KAVETO_STARTUP_H

// Sets the clear colour, projection, camera and depth test; once, in a new context.
void init();
// Reshape callback: keeps the window's size, to which display fits the picture.
void reshape(int width, int height);
// Opens the game's window after glutInit, builds the menus, registers the
// callbacks and sets light and material: everything before the main loop.
void createGameWindow();

#endif
