#ifndef KAVETO_MENUS_H
#define KAVETO_MENUS_H

#include "settings.h"

#include <string>
#include <vector>

// The right-button menu, apart from any toolkit: one table of its menus and
// entries, from which the desktop's toolkit menu (menu_glut.cpp) and the
// browser's HTML menu are both built, and the handlers that act on a choice.

// The menus: the main menu, " Colours ", "Player1", "Player2", " Opponent ",
// " Online ".
const int mainMenuIndex = 0, coloursMenuIndex = 1, player1MenuIndex = 2, player2MenuIndex = 3,
          opponentMenuIndex = 4, onlineMenuIndex = 5, menuCount = 6;

// One entry as it shows now: its label (a '*' before a choice in force, a
// toggle labelled for what choosing it does), the menu it opens (-1 for
// none) and the value it passes to its menu's handler.
struct MenuEntry {
    std::string label;
    int submenu;
    int value;
};
// The entries of a menu, in order, labelled for the choices in force.
std::vector<MenuEntry> menuEntries(int menu);
// The handler of a menu, which takes the value of the entry chosen.
typedef void (*MenuHandler)(int value);
MenuHandler menuHandler(int menu);
// The value chosen in a menu, passed to that menu's handler.
void chooseFromMenu(int menu, int value);
// Called after every handler, so that a menu shown anew shows the choices
// in force; the desktop relabels its toolkit menu there.
extern void (*menusChanged)();

// Puts remembered choices in force, menu labels included; once at start,
// after the menu is built.
void useSettings(const Settings& settings);
// The choices in force, as the settings file keeps them.
Settings choicesInForce();
// Main menu: a page for the status strip, the opponent, the hint, what the
// board shows, New game, Undo, Redo, the review, the record, the marks, the
// sound, the animation, or Quit; a choice that changes what is remembered is
// saved at once.
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
// The " Online " submenu: 1 host a game here, 2 join a game, 3 leave.
void online(int value);

// The players' colours in words: "Player 1 plays Red, Player 2 Green".
std::string colourWords();

// Builds the toolkit's right-button menu tree from the table once and
// leaves the main menu current (menu_glut.cpp, the desktop's).
void menu();

#endif
