#include "menus.h"

#include "computer.h"
#include "fall.h"
#include "frame.h"
#include "game.h"
#include "history.h"
#include "online.h"
#include "seek.h"
#include "settings.h"
#include "window.h"
#include "words.h"

#include <GL/freeglut_std.h>

void (*menusChanged)() = nullptr;

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

std::string opponentLabel(int level) {
    return level == opponentLevel ? std::string("*") + opponentLabels[level]
                                  : opponentLabels[level];
}

// An entry of the table: a fixed label, or one that the choices in force
// write; the submenu it opens, or -1; its value.
struct Entry {
    const char* label;
    std::string (*labelled)();
    int submenu;
    int value;
};

const Entry mainEntries[] = {
    {" Colours ", nullptr, coloursMenuIndex, 0},
    {" Game Instructions ", nullptr, -1, 2},
    {" Helpful Reminders ", nullptr, -1, 3},
    {" Single Player Rules ", nullptr, -1, 6},
    {" Keyboard ", nullptr, -1, 5},
    {" Opponent ", nullptr, opponentMenuIndex, 0},
    {" Hint ", nullptr, -1, 8},
    {nullptr,
     [] { return std::string(showColumnValues ? " Hide column values " : " Show column values "); },
     -1, 9},
    {nullptr, [] { return std::string(showRows ? " Hide rows " : " Show rows "); }, -1, 10},
    {" New game ", nullptr, -1, 7},
    {" Undo ", nullptr, -1, 11},
    {" Redo ", nullptr, -1, 12},
    {" Review ", nullptr, -1, 13},
    {" Record ", nullptr, -1, 14},
    {nullptr, [] { return std::string(showMarks ? " No marks on balls " : " Marks on balls "); },
     -1, 15},
    {" Online ", nullptr, onlineMenuIndex, 0},
    {nullptr, [] { return std::string(soundOn ? " Sound off " : " Sound on "); }, -1, 16},
    {nullptr, [] { return std::string(animationOn ? " Animation off " : " Animation on "); }, -1,
     17},
    {nullptr, [] { return std::string(speakMoves ? " Stop speaking moves " : " Speak moves "); },
     -1, 18},
    {nullptr,
     [] { return std::string(boardInWords ? " Hide board in words " : " Board in words "); }, -1,
     19},
    {" Quit", nullptr, -1, 4},
};
const Entry colourEntries[] = {{"Player1", nullptr, player1MenuIndex, 0},
                               {"Player2", nullptr, player2MenuIndex, 0}};
const Entry player1Entries[] = {{player1Colours[0].label, nullptr, -1, 1},
                                {player1Colours[1].label, nullptr, -1, 2},
                                {player1Colours[2].label, nullptr, -1, 3},
                                {player1Colours[3].label, nullptr, -1, 4}};
const Entry player2Entries[] = {{player2Colours[0].label, nullptr, -1, 1},
                                {player2Colours[1].label, nullptr, -1, 2},
                                {player2Colours[2].label, nullptr, -1, 3},
                                {player2Colours[3].label, nullptr, -1, 4}};
const Entry opponentEntries[] = {
    {nullptr, [] { return opponentLabel(0); }, -1, 1},
    {nullptr, [] { return opponentLabel(1); }, -1, 2},
    {nullptr, [] { return opponentLabel(2); }, -1, 3},
    {nullptr, [] { return opponentLabel(3); }, -1, 4},
    {nullptr,
     [] {
         return std::string(computerPlays == 0 ? " Computer plays Player 1 "
                                               : " Computer plays Player 2 ");
     },
     -1, 5},
};

const Entry onlineEntries[] = {{nullptr, seekEntry, -1, 4},
                               {" Host a game here ", nullptr, -1, 1},
                               {" Join a game\u2026 ", nullptr, -1, 2},
                               {" Leave ", nullptr, -1, 3}};

struct Table {
    void (*handler)(int);
    const Entry* entries;
    int count;
};

template <int n> constexpr Table table(void (*handler)(int), const Entry (&entries)[n]) {
    return {handler, entries, n};
}

const Table menus[menuCount] = {table(mainMenu, mainEntries),     table(player, colourEntries),
                                table(colour1, player1Entries),   table(colour2, player2Entries),
                                table(opponent, opponentEntries), table(online, onlineEntries)};

// The menu value of the colour (red, green, blue) in the list, or the first's.
int colourValue(const Colour (&colours)[4], float red, float green, float blue) {
    for (int i = 0; i < 4; i++)
        if (colours[i].red == red && colours[i].green == green && colours[i].blue == blue)
            return i + 1;
    return 1;
}

// The animation as chosen in the menu, or -1 while it has never been: the
// browser's wish for reduced motion then decides.
int animationChoice = -1;

// Every change of a choice is written at once.
void remember() { saveSettings(choicesInForce()); }

void setColour(const Colour (&colours)[4], int value, float& red, float& green, float& blue) {
    if (value < 1 || value > 4)
        return;
    red = colours[value - 1].red;
    green = colours[value - 1].green;
    blue = colours[value - 1].blue;
}

// After a handler: the menus show what is in force, and a frame shows it.
void changed() {
    if (menusChanged != nullptr)
        menusChanged();
    glutPostRedisplay();
}

} // namespace

std::vector<MenuEntry> menuEntries(int menu) {
    std::vector<MenuEntry> entries;
    if (menu < 0 || menu >= menuCount)
        return entries;
    for (int i = 0; i < menus[menu].count; i++) {
        const Entry& entry = menus[menu].entries[i];
        entries.push_back({entry.labelled != nullptr ? entry.labelled() : entry.label,
                           entry.submenu, entry.value});
    }
    return entries;
}

MenuHandler menuHandler(int menu) {
    return menu >= 0 && menu < menuCount ? menus[menu].handler : nullptr;
}

void chooseFromMenu(int menu, int value) {
    if (menu >= 0 && menu < menuCount)
        menus[menu].handler(value);
}

void useSettings(const Settings& settings) {
    setColour(player1Colours, settings.colour1, r1, g1, b1);
    setColour(player2Colours, settings.colour2, r2, g2, b2);
    if (settings.opponent >= 0 && settings.opponent <= 3)
        chooseOpponent(settings.opponent, settings.computerPlays == 0 ? 0 : 1);
    showColumnValues = settings.columnValues == 1 ? 1 : 0;
    showRows = settings.rows == 0 ? 0 : 1;
    showMarks = settings.marks == 1 ? 1 : 0;
    soundOn = settings.sound == 0 ? 0 : 1;
    speakMoves = settings.speak == 1 ? 1 : 0;
    boardInWords = settings.boardInWords == 1 ? 1 : 0;
    animationChoice = settings.animation == 0 || settings.animation == 1 ? settings.animation : -1;
    animationOn = animationChoice == 0 ? 0 : 1;
    if (!settings.server.empty())
        seekServer = settings.server;
    changed();
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
    settings.sound = soundOn;
    settings.speak = speakMoves;
    settings.boardInWords = boardInWords;
    settings.animation = animationChoice;
    settings.server = seekServer;
    return settings;
}

std::string colourWords() {
    const Settings in = choicesInForce();
    auto name = [](const char* label) {
        const std::string text(label);
        return text.substr(1, text.size() - 2);
    };
    return "Player 1 plays " + name(player1Colours[in.colour1 - 1].label) + ", Player 2 " +
           name(player2Colours[in.colour2 - 1].label);
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
        if (!onlineNewGame())
            newGameWithoutMoves();
        break;
    case 11:
        if (reviewShown == 1 || !onlineRefuses("Undo"))
            undo();
        break;
    case 12:
        if (reviewShown == 1 || !onlineRefuses("Redo"))
            redo();
        break;
    case 13:
        if (gamecount == 27 || !onlineRefuses("The review, until GAME OVER,"))
            toggleReview();
        break;
    case 8:
        if (!onlineRefuses("The hint"))
            hint();
        break;
    case 9:
        if (!onlineRefuses("Showing the column values")) {
            showColumnValues = 1 - showColumnValues;
            remember();
        }
        break;
    case 10:
        showRows = 1 - showRows;
        remember();
        break;
    case 14:
        shownRecord = loadRecord();
        recordShown = 1;
        break;
    case 15:
        showMarks = 1 - showMarks;
        remember();
        break;
    case 16:
        soundOn = 1 - soundOn;
        remember();
        break;
    case 17:
        animationOn = 1 - animationOn;
        animationChoice = animationOn;
        // A ball still falling lands now.
        landFall();
        remember();
        break;
    case 18:
        speakMoves = 1 - speakMoves;
        remember();
        if (speakMoves == 1)
            say("Moves will be spoken. " + boardWords(spots));
        break;
    case 19:
        boardInWords = 1 - boardInWords;
        // Shown in the place of a page or the record, as they replace each other.
        if (boardInWords == 1 && instructions != 5) {
            instructions = 0;
            recordShown = 0;
        }
        remember();
        break;
    case 4:
        quitGame();
        return;
    default:
        break;
    }
    changed();
}

void opponent(int value) {
    if (value >= 1 && value <= 5 && onlineRefuses("The computer"))
        value = 0;
    if (value >= 1 && value <= 4)
        chooseOpponent(value - 1, computerPlays);
    else if (value == 5)
        chooseOpponent(opponentLevel, 1 - computerPlays);
    if (value >= 1 && value <= 5)
        remember();
    changed();
}

void player(int) { changed(); }

void colour1(int value) {
    setColour(player1Colours, value, r1, g1, b1);
    if (value >= 1 && value <= 4)
        remember();
    changed();
}

void colour2(int value) {
    setColour(player2Colours, value, r2, g2, b2);
    if (value >= 1 && value <= 4)
        remember();
    changed();
}

void online(int value) {
    if (value == 1)
        onlineHost();
    else if (value == 2)
        onlineAsk();
    else if (value == 3)
        onlineLeave();
    else if (value == 4)
        seekChoose();
    changed();
}
