#ifndef KAVETO_SOLVER_H
#define KAVETO_SOLVER_H

#include "board.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The solved game, apart from any toolkit. A value is the final difference
// "rows of player 1 minus rows of player 2" when both play perfectly from a
// position on, the rows already made included.

// Rows of three completed so far by player 1, minus those of player 2.
int rowDifference(const Position& position);
// The rows of three that the player (0 or 1) holds whole, as sets of cells.
std::vector<uint32_t> completedRows(const Position& position, int player);

// The value of the position, from the book where it holds it, otherwise by
// searching; a few milliseconds at most.
int positionValue(const Position& position);
// The value after each column is played next, for the columns with room;
// returns the set of those columns (bit c for column c). A move's value
// includes the rows it makes.
int moveValues(const Position& position, int values[9]);
// The columns (bit c for column c) whose value is at most slack rows worse,
// for the player on turn, than the position's; faster than moveValues.
int movesWithin(const Position& position, int slack);
// The value by search alone, never the book: positionValue past the book.
int searchValue(const Position& position);
// Makes the search's tables, and a table of 2^22 entries (32 MB) unless it
// has one; the first search does it by itself otherwise, in 40 ms or so.
void prepareSearch();
// Empties the search's table and sizes it at 2^bits entries of 8 bytes.
void resizeSearchTable(int bits);

// Positions of n balls, as the solve and the book order them: one block for
// each class of column heights under the board's symmetries, holding every
// colouring of those heights with player 1's share of the balls.
// How many positions of n balls there are in that order.
size_t positionsOfPly(int balls);
// The place of a position among those of its number of balls; positions
// share a place only when they are images of one another.
size_t plyIndex(const Position& position);
// The occupied cells of each block of positions of n balls, in order; in a
// block the colourings follow the combinations of player 1's balls among the
// occupied cells, in the order of the cells, in colex order.
std::vector<uint32_t> heightsOfPly(int balls);

// The book: the value of every position of up to bookPlies balls, one signed
// byte each, ply after ply in the order above.
const int bookPlies = 12;
// The place of a position of up to bookPlies balls in the book.
size_t bookIndex(const Position& position);
// How many entries the book has.
size_t bookSize();
// The book in use and its size in bytes, which is bookSize(): built into the
// desktop's programs; in the browser it comes after the first frame.
extern const int8_t* bookData;
extern size_t bookDataSize;
// Whether the book is there: without it, a value near the start would take
// the search minutes.
bool bookReady();

#endif
