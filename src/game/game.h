#ifndef KAVETO_GAME_H
#define KAVETO_GAME_H

#include "CWorld.h"

#include <string>

// Board and turn: spots[c][l][p] is 1 when player p holds level l of column c.
extern int spots[9][3][2];
extern int col1, col2, col3, col4, col5, col6, col7, col8, col9;
extern int turn;
extern int gamecount;
extern int spotSelected;
extern int colSelected;
extern World myWorld;

// Status strip: the page code (0 none, 1 to 4 pages, 5 game over).
extern int instructions;
// 1 while the review of the game's moves is shown in place of the page: the
// moves wait, neither the players nor the computer move.
extern int reviewShown;
// 1 while the record of games against the computer is shown in place of the
// page, at GAME OVER too.
extern int recordShown;
// A line at the strip's foot: why something asked for cannot be done yet, or
// what was wrong with the moves a game was asked to start from; empty for
// none, and cleared by the next move or a new game.
extern std::string notice;

// Colours: the world's, player 1's and player 2's.
extern float r, g, b;
extern float r1, g1, b1;
extern float r2, g2, b2;

// Camera, fixed for the whole run, and the window's size, which the reshape callback keeps.
extern float xeye, yeye, zeye;
extern float xref, yref, zref;
extern float Vx, Vy, Vz;
extern float vangle;
extern float dnear, dfar;
extern int winWidth, winHeight;

// Rules of a move, apart from the toolkit; the input callbacks call them.
// The counter of column c (0 to 8), one of col1 ... col9.
int* columnCount(int c);
// The cell number (1 to 27) where a ball dropped by the digit k (1 to 9) lands,
// or 0 when that column is full.
int landingCell(int k);
// Records a ball of the player on turn in cell n: its column, spots, gamecount.
void placeBall(int n);
// Turns every piece's position by angle degrees about an axis through the centre.
void turnBoard(double x, double y, double z, double angle);
// Turns the cube of cell index k by 0.5 degree about its own z axis, in place.
void spinCube(int k);
// Replaces all 54 pieces with fresh ones at home; after every move.
void drawCubes();
// How many of the board's 49 rows of three (along the axes, the planes'
// diagonals, and corner to corner through the centre) hold three balls of
// the player (0 or 1); shown at GAME OVER.
int countRows(const int board[9][3][2], int player);

// Marks the landing cell of the digit k's column, as that digit does; a full
// column changes nothing.
void chooseColumn(int k);
// Plays the marked cell for the player on turn and passes the turn, as space
// does; only stops the spin when no cell is marked.
void playMove();
// Starts a new game: the board, the counters and the turn as at start, no
// page, no cell marked, every piece at home; colours and opponent stay.
void newGame();

// The player whose moves the computer makes (0 or 1), or -1 when two people
// play; digits and space do nothing while it is on turn.
extern int computerSide;
// Called whenever a move has passed the turn or a new game begins; the
// computer's turn sets it to take its move.
extern void (*turnBegins)();
// Called after each move with its column (0 to 8), before turnBegins; the
// game's history keeps it.
extern void (*movePlayed)(int column);
// Called as a move's ball has been placed, with its cell index and its
// player, before movePlayed: what the move shows and sounds begins.
extern void (*ballPlaced)(int k, int player);
// Called whenever the pieces move otherwise: put back at home after any
// change of the board, or turned with the view.
extern void (*boardChanged)();
// Asked as a move is about to be played, with its column: when it answers
// true the move is not played here (an online game's server plays it).
extern bool (*moveOffered)(int column);

// Turns the board a quarter turn as the view key ('q', 'a', 'w', 's', 'e' or
// 'd') does; false, and nothing turned, for any other key.
bool turnView(unsigned char key);

// Callbacks, on the toolkit's one thread.
// One spin step of the cube of cell 9 * level + d; chosen by a column key to mark that cell.
void ab1();
void ab2();
void ab3();
void ab4();
void ab5();
void ab6();
void ab7();
void ab8();
void ab9();
void am1();
void am2();
void am3();
void am4();
void am5();
void am6();
void am7();
void am8();
void am9();
void at1();
void at2();
void at3();
void at4();
void at5();
void at6();
void at7();
void at8();
void at9();
// Stops the marking spin; space calls it before the move.
void animation();
// Marks a cell with its spin function (one of ab1 ... at9), stepped 60 times a second
// from now on; replaces the spin before, whose cube keeps its angle.
void startSpin(void (*spin)());
// Timer callback: one step of the marking spin and a frame, then the next step's timer.
void stepSpin(int);
// The cell index of the cube that the marking spin turns, or -1 while none turns;
// each frame asks it.
int spinningCube();

#endif
