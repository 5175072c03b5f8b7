#ifndef KAVETO_HISTORY_H
#define KAVETO_HISTORY_H

#include <string>
#include <vector>

// The game's moves in order, with the ones taken back until a new move
// replaces them: undo, redo, a game started from its moves, and the review,
// which values every move exactly.

// The columns (0 to 8) of the game's moves, the taken-back ones included.
extern std::vector<int> gameMoves;
// How many of gameMoves are on the board; the rest can be redone.
extern int movesOnBoard;

// Keeps a move that was just played (the game's movePlayed); a new move
// discards the moves that could be redone. The game's last ball, the first
// time it is played against the computer, counts in the record.
void recordMove(int column);
// The menu's New game: cancels the computer's move, closes the review or
// the record and starts a new game with no moves, not yet counted in the record.
void newGameWithoutMoves();

// Undo (the menu, Ctrl+Z): takes back the last move; against the computer,
// moves until the player is on turn with one move fewer of theirs. While the
// review is shown, one move whoever plays. Nothing when nothing can be.
void undo();
// Redo (the menu, Ctrl+Y): plays the next taken-back move again; against the
// computer, up to the player's next turn. While the review is shown, one move.
void redo();

// Starts the game with these moves played, all of them redoable from nothing.
void playMovesFromStart(const std::vector<int>& columns);

// The menu's Review: shows the review, or closes it when it is shown.
void toggleReview();
// Closes the review, if shown: play goes on from the position shown, and the
// computer moves if it is on turn.
void closeReview();
// While the review is shown: steps back (-1) or forward (1) one move, or to
// the start (-27) or the last move (27).
void stepReview(int moves);

// The exact value after each of the game's moves, from the empty board (0)
// on: the final difference in rows, player 1's minus player 2's, with perfect
// play; each position worked out once, from the book or the search.
const std::vector<int>& gameValues();

// The kind of a move, from the values of the positions before and after it
// from the mover's side: 0 best (no row lost), 1 an inaccuracy (the value
// keeps its sign), 2 a mistake (from above zero to zero, or from zero to
// below), 3 a blunder (from above zero to below). The one rule that the
// review's counts, its line and its jumps share.
int moveKind(int before, int after);

// What the review tells of each player's moves (0 player 1), from the values
// of the positions before and after each: each kind counted, and the rows
// lost in all.
struct MoveCounts {
    int best, inaccuracies, mistakes, blunders, rowsLost;
};
void countMoves(const std::vector<int>& values, MoveCounts counts[2]);
// While the review is shown: goes to the next move (direction 1) or the
// previous one (-1) that was not best, of either player; nothing past the last.
void jumpReview(int direction);

#endif
