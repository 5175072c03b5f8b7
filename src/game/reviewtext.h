#ifndef KAVETO_REVIEWTEXT_H
#define KAVETO_REVIEWTEXT_H

#include "history.h"

#include <cstdint>
#include <string>
#include <vector>

// The review's words and marks, apart from any toolkit: what it says of each
// player's moves and of the move shown, and which cells it marks for it.
// `moves` are the game's columns, `values` the value of each position from
// the empty board on (gameValues), `shown` how many moves are on the board.

// "n thing" or "n things", as n asks.
std::string counted(int n, const char* one, const char* many);
// A player's counts: "Player 1: 9 best, 1 inaccuracy, 2 mistakes, 0 blunders, 1 row lost".
std::string countsLine(int player, const MoveCounts& counts);
// The line of the move shown: "Move 17: Player 1, column 3 — a mistake, 2 rows
// lost; best: 5 or 7", or at the start whose turn it is and the best first
// columns with the value.
std::string moveLine(const std::vector<int>& moves, const std::vector<int>& values, int shown);
// The cell index of the ball of the move shown (-1 at the start), and where
// that move was not best, the landing cells of the best columns before it
// (bit k for cell index k; none otherwise).
void reviewMarks(const std::vector<int>& moves, const std::vector<int>& values, int shown,
                 int& played, uint32_t& bestCells);

#endif
