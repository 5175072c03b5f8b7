#ifndef KAVETO_REFEREE_H
#define KAVETO_REFEREE_H

#include "board.h"

#include <string>
#include <vector>

// The rules referee, apart from any toolkit: whether a player may play a
// move, and why not. The game, its server and the browser ask the same one.

// Plays the move if the rules allow it: the player of seat 1 or 2 drops a
// ball into column 1 to 9 of a board that holds `balls` balls as far as the
// player knows. Returns "" when it is played, else why not, as the word the
// server sends: "column" (not 1 to 9), "over" (27 balls are down), "stale"
// (the board holds another number of balls), "turn" (the other player's),
// "full" (no room in the column); the position is then unchanged.
std::string refereeMove(Position& position, int seat, int balls, int column);

// The columns of DIGITS ('1' to '9' each), as a game from the start can play
// them; an empty string, else what is wrong in a few words.
std::string parseMoves(const char* digits, std::vector<int>& columns);

#endif
