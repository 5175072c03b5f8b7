#ifndef KAVETO_FALL_H
#define KAVETO_FALL_H

// What follows a move on the screen and in the speakers, apart from its
// state, which the move changed at once: the ball falls into its cell and
// bounces once, the rows it made chime, and at GAME OVER the rows are drawn
// one after another. A 60 Hz timer paces it, as it paces the spin; nothing
// runs while nothing moves.

// Whether balls fall and rows come one by one (1 at start): the menu's switch.
extern int animationOn;
// Whether the game sounds beyond its start (1 at start): the menu's switch.
extern int soundOn;

// Plays one of the game's own sounds (sound.h), unless sound is off.
void gameSound(const char* name);
// The game's ballPlaced: the ball of player in cell index k falls, then
// lands with its knock, its rows' chimes and, at GAME OVER, the ending; with
// animation off, all at once.
void startFall(int k, int player);
// The game's boardChanged: a falling ball is put at rest and every row is
// shown at once, silently.
void landFall();
// The cell index of the ball falling now, or -1.
int fallingCell();
// The player whose ball falls.
int fallingPlayer();
// How high above its cell the falling ball is now, in cells.
double fallHeight();
// How many of GAME OVER's rows, of count, are drawn now.
int rowsShownNow(int count);
// Timer callback: a frame of the fall or of the rows, the sounds due, and the next step's timer.
void stepFall(int);

#endif
