#ifndef KAVETO_INPUT_H
#define KAVETO_INPUT_H

// The input callbacks, on the toolkit's one thread: each decodes its event
// and calls the rules that act on it.

// Every typed character: column keys, space for the move, view keys, Ctrl+Z
// and Ctrl+Y to undo and redo; in the review, n and p to the next and the
// previous move that was not best, Escape to close it.
void keyAction(unsigned char key, int x, int y);
// Keys that type no character: the arrows, Home and End step through the
// review while it is shown; nothing else.
void specialKey(int key, int x, int y);
// Mouse buttons: a left click marks the column under the pointer, or drops
// the ball when that column is marked; the right button belongs to the menu;
// the others change nothing.
void mouseAction(int button, int state, int x, int y);
// Pointer moved with a button held: a left-button drag turns the board a
// quarter turn for each quarter of the picture's side the pointer moves.
void mouseMotion(int x, int y);

// A column (0 to 8) chosen as a click chooses it, by the pointer or by the
// browser's button of that column: marked, or played when marked already.
void columnAction(int column);
// Gives the rules their hooks, once at start: the computer as each turn
// begins, the history and online play as moves are played and offered, the
// fall as a ball is placed and the board changes.
void connectGame();

// The column (0 to 8) under the window point (x, y) of the toolkit's
// coordinates (from the top left) where the pieces stand now, or -1.
int columnUnderPointer(int x, int y);

#endif
