#ifndef KAVETO_FRAME_H
#define KAVETO_FRAME_H

#include "settings.h"

// Draws one whole frame; the window's display callback, whenever the picture changes.
void display();
// The board's viewport (x, y, width, height) in window pixels from the bottom
// left, as display sets it for the window's size; its side is the picture's.
void boardViewport(int viewport[4]);

// What the board shows beyond the pieces, chosen from the menu: the rows of
// three at GAME OVER (1 at start), and the value of each column for the
// player on turn before it (0 at start).
extern int showRows;
extern int showColumnValues;
// Whether player 1's balls carry a dark band, so that the players' balls
// differ without colour (0 at start).
extern int showMarks;
// The record that the record page shows, read when the page is chosen.
extern Record shownRecord;

// Whether spin frames may start from a copy of the board kept from the last
// whole frame (1 at start; the benchmark and the tests set 0 for the whole
// frames of before), and how many have, which the tests read.
extern int spinFramesFromStill;
extern long framesFromStill;

#endif
