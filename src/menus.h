#ifndef KAVETO_MENUS_H
#define KAVETO_MENUS_H

#include "settings.h"

// Builds the right-button menu tree once and leaves the main menu current.
void menu();
// Puts remembered choices in force, menu labels included; once at start,
// after menu.
void useSettings(const Settings& settings);
// The choices in force, as the settings file keeps them.
Settings choicesInForce();
// Main menu: a page for the status strip, the opponent, the hint, what the
// board shows, New game, Undo, Redo, the review, the record, the marks, or
// Quit; a choice that changes what is remembered is saved at once.
void mainMenu(int value);
// The " Opponent " submenu: 1 two players, 2 to 4 the computer's levels
// easy, good and perfect, 5 the other player for the computer.
void opponent(int value);
// The " Colours " submenu; holds only submenus.
void player(int value);
// Player 1's colour.
void colour1(int value);
// Player 2's colour.
void colour2(int value);

#endif
