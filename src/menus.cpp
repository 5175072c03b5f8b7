#include "menus.h"

#include "computer.h"
#include "frame.h"
#include "game.h"
#include "history.h"
#include "settings.h"

#include <GL/freeglut.h>

#include <cstdlib>
#include <string>

namespace {

struct Colour {
    const char* label;
    float red, green, blue;
};

// Menu value v picks entry v - 1; the two lists share no colour.
const Colour player1Colours[4] = {
    {" Red ", 1, 0, 0}, {" Blue ", 0, 0, 1}, {" Cyan ", 0, 1, 1}, {" Magenta ", 1, 0, 1}};
const Colour player2Colours[4] = {{" Green ", 0, 1, 0},
                                  {" Yellow ", 1, 1, 0},
                                  {" Orange ", 1, 0.3f, 0},
                                  {" Grey ", 0.3f, 0.3f, 0.3f}};

// The opponent's entries; the one in force is marked with a leading '*'.
const char* const opponentLabels[4] = {" Two players ", " Computer: easy ", " Computer: good ",
                                       " Computer: perfect "};
int opponentMenu = 0;
int mainMenuId = 0;

// Relabels entry `entry` (from 1) of a menu, leaving the current menu current.
void relabel(int menuId, int entry, const std::string& label, int value) {
    int current = glutGetMenu();
    glutSetMenu(menuId);
    glutChangeToMenuEntry(entry, label.c_str(), value);
    if (current != 0)
        glutSetMenu(current);
}

// Writes the opponent menu's labels for the choices in force.
void labelOpponents() {
    for (int level = 0; level < 4; level++) {
        std::string label = opponentLabels[level];
        relabel(opponentMenu, level + 1, level == opponentLevel ? "*" + label : label, level + 1);
    }
    relabel(opponentMenu, 5,
            computerPlays == 0 ? " Computer plays Player 1 " : " Computer plays Player 2 ", 5);
}

int colourMenu(void (*handler)(int), const Colour (&colours)[4]) {
    int id = glutCreateMenu(handler);
    for (int i = 0; i < 4; i++)
        glutAddMenuEntry(colours[i].label, i + 1);
    return id;
}

// The menu value of the colour (red, green, blue) in the list, or the first's.
int colourValue(const Colour (&colours)[4], float red, float green, float blue) {
    for (int i = 0; i < 4; i++)
        if (colours[i].red == red && colours[i].green == green && colours[i].blue == blue)
            return i + 1;
    return 1;
}

// The main menu's toggles, labelled for what choosing them does.
void labelToggles() {
    relabel(mainMenuId, 8, showColumnValues ? " Hide column values " : " Show column values ", 9);
    relabel(mainMenuId, 9, showRows ? " Hide rows " : " Show rows ", 10);
    relabel(mainMenuId, 15, showMarks ? " No marks on balls " : " Marks on balls ", 15);
}

// Every change of a choice is written at once.
void remember() { saveSettings(choicesInForce()); }

void setColour(const Colour (&colours)[4], int value, float& red, float& green, float& blue) {
    if (value < 1 || value > 4)
        return;
    red = colours[value - 1].red;
    green = colours[value - 1].green;
    blue = colours[value - 1].blue;
}

// The toolkit draws a menu window when it shows it, before the window has
// taken its new size, and then not again until the pointer moves over an
// entry: a menu, or a submenu, would open black. So while a menu is open its
// windows are drawn again every tenth of a second, from the first frame in
// which their size has arrived.
int firstMenuWindow = 0;
bool menuOpen = false;
bool redrawTimerSet = false;

void redrawMenus(int) {
    redrawTimerSet = false;
    if (!menuOpen)
        return;
    int current = glutGetWindow();
    for (int window = firstMenuWindow; window < firstMenuWindow + 5; window++) {
        glutSetWindow(window);
        glutPostRedisplay();
    }
    glutSetWindow(current);
    redrawTimerSet = true;
    glutTimerFunc(100, redrawMenus, 0);
}

void menuStatus(int status, int, int) {
    menuOpen = status == GLUT_MENU_IN_USE;
    if (menuOpen && !redrawTimerSet) {
        redrawTimerSet = true;
        glutTimerFunc(30, redrawMenus, 0);
    }
}

} // namespace

void menu() {
    // The toolkit gives each of the five menus a window of its own,
    // numbered after the game's, in the order the menus are made.
    const int gameWindow = glutGetWindow();
    int player1Menu = colourMenu(colour1, player1Colours);
    int player2Menu = colourMenu(colour2, player2Colours);
    int playerMenu = glutCreateMenu(player);
    glutAddSubMenu("Player1", player1Menu);
    glutAddSubMenu("Player2", player2Menu);
    opponentMenu = glutCreateMenu(opponent);
    for (int value = 1; value <= 5; value++)
        glutAddMenuEntry("", value);
    labelOpponents();
    mainMenuId = glutCreateMenu(mainMenu);
    glutAddSubMenu(" Colours ", playerMenu);
    glutAddMenuEntry(" Game Instructions ", 2);
    glutAddMenuEntry(" Helpful Reminders ", 3);
    glutAddMenuEntry(" Single Player Rules ", 6);
    glutAddMenuEntry(" Keyboard ", 5);
    glutAddSubMenu(" Opponent ", opponentMenu);
    glutAddMenuEntry(" Hint ", 8);
    glutAddMenuEntry(" Show column values ", 9);
    glutAddMenuEntry(" Hide rows ", 10);
    glutAddMenuEntry(" New game ", 7);
    glutAddMenuEntry(" Undo ", 11);
    glutAddMenuEntry(" Redo ", 12);
    glutAddMenuEntry(" Review ", 13);
    glutAddMenuEntry(" Record ", 14);
    glutAddMenuEntry(" Marks on balls ", 15);
    glutAddMenuEntry(" Quit", 4);
    firstMenuWindow = gameWindow + 1;
    glutMenuStatusFunc(menuStatus);
}

void useSettings(const Settings& settings) {
    setColour(player1Colours, settings.colour1, r1, g1, b1);
    setColour(player2Colours, settings.colour2, r2, g2, b2);
    if (settings.opponent >= 0 && settings.opponent <= 3)
        chooseOpponent(settings.opponent, settings.computerPlays == 0 ? 0 : 1);
    labelOpponents();
    showColumnValues = settings.columnValues == 1 ? 1 : 0;
    showRows = settings.rows == 0 ? 0 : 1;
    showMarks = settings.marks == 1 ? 1 : 0;
    labelToggles();
}

Settings choicesInForce() {
    Settings settings;
    settings.colour1 = colourValue(player1Colours, r1, g1, b1);
    settings.colour2 = colourValue(player2Colours, r2, g2, b2);
    settings.opponent = opponentLevel;
    settings.computerPlays = computerPlays;
    settings.columnValues = showColumnValues;
    settings.rows = showRows;
    settings.marks = showMarks;
    return settings;
}

void mainMenu(int value) {
    // A page takes the place of the review or the record, and these of each other.
    if (value == 2 || value == 3 || value == 5 || value == 6 || value == 14)
        closeReview();
    if (value == 2 || value == 3 || value == 5 || value == 6 || value == 13)
        recordShown = 0;
    // The values are not the page codes they pick.
    switch (value) {
    case 2:
        instructions = 1;
        break;
    case 3:
        instructions = 2;
        break;
    case 5:
        instructions = 3;
        break;
    case 6:
        instructions = 4;
        break;
    case 7:
        newGameWithoutMoves();
        break;
    case 11:
        undo();
        break;
    case 12:
        redo();
        break;
    case 13:
        toggleReview();
        break;
    case 8:
        hint();
        break;
    case 9:
        showColumnValues = 1 - showColumnValues;
        labelToggles();
        remember();
        break;
    case 10:
        showRows = 1 - showRows;
        labelToggles();
        remember();
        break;
    case 14:
        shownRecord = loadRecord();
        recordShown = 1;
        break;
    case 15:
        showMarks = 1 - showMarks;
        labelToggles();
        remember();
        break;
    case 4:
        std::exit(0);
    default:
        break;
    }
    glutPostRedisplay();
}

void opponent(int value) {
    if (value >= 1 && value <= 4)
        chooseOpponent(value - 1, computerPlays);
    else if (value == 5)
        chooseOpponent(opponentLevel, 1 - computerPlays);
    labelOpponents();
    if (value >= 1 && value <= 5)
        remember();
    glutPostRedisplay();
}

void player(int) { glutPostRedisplay(); }

void colour1(int value) {
    setColour(player1Colours, value, r1, g1, b1);
    if (value >= 1 && value <= 4)
        remember();
    glutPostRedisplay();
}

void colour2(int value) {
    setColour(player2Colours, value, r2, g2, b2);
    if (value >= 1 && value <= 4)
        remember();
    glutPostRedisplay();
}
