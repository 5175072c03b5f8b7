#ifndef KAVETO_REVIEWPAGE_H
#define KAVETO_REVIEWPAGE_H

#include <vector>

// Draws the review in the status strip, whose viewport is set, in a picture
// of side pixels: the graph of the game's values and each player's moves
// counted; called by display while the review is shown.
void drawReview(int side);

// Marks the board while the review is shown, its viewport set: the cell of
// the move shown in white and, where it was not best, the landing cells of
// the best columns before it in the mover's colour.
void drawReviewMarks(int side);

// Where the review draws, in the strip's 800 x 150 pixels from its bottom
// left: the point of the value after `move` moves, when the graph's values
// reach `extent` rows either side of zero at most.
void reviewPoint(int move, int value, int extent, float& x, float& y);
// The rows either side of zero that the graph of these values shows.
int reviewExtent(const std::vector<int>& values);

#endif
