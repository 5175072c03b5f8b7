#ifndef KAVETO_GAME_H
#define KAVETO_GAME_H

#include "CWorld.h"

// Board and turn: spots[c][l][p] is 1 when player p holds level l of column c.
extern int spots[9][3][2];
extern int col1, col2, col3, col4, col5, col6, col7, col8, col9;
extern int turn;
extern int gamecount;
extern int spotSelected;
extern int colSelected;
extern World myWorld;

// Status strip: the page code (0 none, 1 to 4 pages, 5 game over) and the text font.
extern int instructions;
extern void* font;

// Colours: the world's, player 1's and player 2's.
extern float r, g, b;
extern float r1, g1, b1;
extern float r2, g2, b2;

// Camera and window, fixed for the whole run.
extern float xeye, yeye, zeye;
extern float xref, yref, zref;
extern float Vx, Vy, Vz;
extern float vangle;
extern float dnear, dfar;
extern int winWidth, winHeight;

// Sets the clear colour, projection, camera and depth test; once, in a new context.
void init();
// Opens the game's window after glutInit and makes it ready for the main loop.
void createGameWindow();

#endif
