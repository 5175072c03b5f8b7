#ifndef KAVETO_COMPUTER_H
#define KAVETO_COMPUTER_H

#include "solver.h"

#include <random>
#include <string>

// The computer as a player: it marks its column as a digit does, lets the
// mark turn for computerDelay ms, then drops its ball as space does.

// The opponent: 0 two players, 1 easy, 2 good, 3 perfect.
extern int opponentLevel;
// The player the computer plays when it plays (0 or 1; player 2 at start).
extern int computerPlays;
// 1 while the computer plays no side whatever is chosen: an online game.
extern int computerOff;
// How long the computer's mark turns before its ball drops, in ms.
const unsigned computerDelay = 1000;

// The board of the game as the solver sees it.
Position boardPosition();
// The column (0 to 8) that the level (1 to 3) plays in the position, at
// random among those it finds good enough: perfect among the best, good
// among those at most 1 row worse, easy at most 4 rows worse.
int computerColumn(const Position& position, int level, std::mt19937& random);

// Whether the solver can answer now: its book is there. Otherwise the
// notice says why (the book is still loading, or could not be loaded), and
// what asked waits.
bool solverReady();
// The book has come (in the browser, after the first frame): what waited for
// it goes on.
void bookArrived();
// The book could not be had, for that reason: two players play on, whatever
// opponent is chosen.
void bookUnavailable(const std::string& why);

// The value of each column for the game's board, as moveValues gives them;
// worked out once a position.
int currentMoveValues(int values[9]);
// The menu's Hint: marks for the player on turn the column that the perfect
// level would play, as its digit does; nothing while the computer is on turn
// or the game is over.
void hint();
// Sets the opponent (level 0 to 3) and the player the computer plays;
// cancels a move the computer is marking, then lets it move if it is on turn.
// Without the book the computer plays no side, and the notice says why.
void chooseOpponent(int level, int plays);
// The menu's New game: cancels a move the computer is marking and starts a
// new game, in which the computer moves first if it plays player 1.
void startNewGame();
// Cancels a move the computer is marking; its cube keeps its angle.
void cancelComputerMove();
// Takes the computer's move if it is on turn and none is pending: its mark,
// then a timer for the drop; the game calls it as each turn begins.
void computerTurn();
// Timer callback: drops the computer's marked ball, unless that move was cancelled.
void computerDrop(int move);

#endif
