#ifndef KAVETO_BOARD_H
#define KAVETO_BOARD_H

#include <cstdint>

// A position and where a move puts its ball, apart from any toolkit: what
// the rules referee and the solver share, and all that the server needs.

// A position: the balls of each player (0 = player 1) as sets of cells, bit
// 9 * level + column as in the game's cell index; player 1 is on turn when
// both hold as many balls.
struct Position {
    uint32_t balls[2];
};

// How many balls are on the board.
int ballCount(const Position& position);
// The player on turn (0 or 1).
int playerOnTurn(const Position& position);
// The cell (0 to 26) where a ball dropped into column c (0 to 8) lands, or -1
// when the column is full.
int landingIndex(const Position& position, int column);
// Drops a ball of the player on turn into column c, which has room.
Position afterMove(const Position& position, int column);

#endif
