#include "computer.h"

#include "fall.h"
#include "game.h"
#include "words.h"

#include <GL/freeglut_std.h>

#include <algorithm>

int opponentLevel = 0;
int computerPlays = 1;
int computerOff = 0;

namespace {

// Each move the computer starts has a number; a timer whose number is no
// longer the pending one belongs to a cancelled move.
int pendingMove = 0;
int movesStarted = 0;

// Why the book could not be had; empty while it may still come.
std::string bookTrouble;
// The line that waiting for the book put in the notice, if any.
std::string waiting;

std::mt19937& randomMoves() {
    static std::mt19937 random{std::random_device{}()};
    return random;
}

} // namespace

bool solverReady() {
    if (bookReady())
        return true;
    waiting = bookTrouble.empty()
                  ? "The computer is getting ready: its book is still loading."
                  : "The computer cannot play: its book " + bookTrouble + ". Two players play on.";
    notice = waiting;
    glutPostRedisplay();
    return false;
}

void bookArrived() {
    // Another line, a bad address's say, stays.
    if (notice == waiting)
        notice.clear();
    computerTurn();
    glutPostRedisplay();
}

void bookUnavailable(const std::string& why) {
    bookTrouble = why;
    chooseOpponent(opponentLevel, computerPlays);
    solverReady();
}

void cancelComputerMove() {
    if (pendingMove == 0)
        return;
    pendingMove = 0;
    // As when a player picks another column, the cube keeps its angle.
    animation();
    colSelected = 0;
    spotSelected = 0;
}

Position boardPosition() {
    Position position = {{0, 0}};
    for (int c = 0; c < 9; c++)
        for (int l = 0; l < 3; l++)
            for (int p = 0; p < 2; p++)
                if (spots[c][l][p] == 1)
                    position.balls[p] |= uint32_t{1} << (9 * l + c);
    return position;
}

int computerColumn(const Position& position, int level, std::mt19937& random) {
    static const int slack[4] = {0, 4, 1, 0};
    int within = movesWithin(position, slack[level]);
    int choices[9], count = 0;
    for (int c = 0; c < 9; c++)
        if (within >> c & 1)
            choices[count++] = c;
    return choices[std::uniform_int_distribution<int>(0, count - 1)(random)];
}

int currentMoveValues(int values[9]) {
    static Position known = {{~0u, ~0u}};
    static int knownValues[9], knownLegal = 0;
    Position position = boardPosition();
    if (position.balls[0] != known.balls[0] || position.balls[1] != known.balls[1]) {
        known = position;
        knownLegal = moveValues(position, knownValues);
    }
    std::copy(knownValues, knownValues + 9, values);
    return knownLegal;
}

void hint() {
    if (turn == computerSide || gamecount == 27 || reviewShown == 1 || !solverReady())
        return;
    const int column = computerColumn(boardPosition(), 3, randomMoves());
    chooseColumn(column + 1);
    say("Hint: column " + std::to_string(column + 1) + ".");
    glutPostRedisplay();
}

void chooseOpponent(int level, int plays) {
    cancelComputerMove();
    opponentLevel = level;
    computerPlays = plays;
    // Without its book the computer cannot play: the choice stands, the
    // notice says why, and two players play on.
    const bool cannot = level != 0 && !bookTrouble.empty();
    if (cannot)
        solverReady();
    computerSide = level == 0 || cannot || computerOff == 1 ? -1 : plays;
    // Once, so that no move of the computer's waits for it.
    if (level != 0)
        prepareSearch();
    computerTurn();
    glutPostRedisplay();
}

void startNewGame() {
    cancelComputerMove();
    newGame();
}

void computerTurn() {
    // Its mark waits for the ball before it to land, so that each move is seen.
    if (computerSide < 0 || turn != computerSide || gamecount == 27 || pendingMove != 0 ||
        reviewShown == 1 || fallingCell() >= 0 || !solverReady())
        return;
    chooseColumn(computerColumn(boardPosition(), opponentLevel, randomMoves()) + 1);
    pendingMove = ++movesStarted;
    glutTimerFunc(computerDelay, computerDrop, pendingMove);
    glutPostRedisplay();
}

void computerDrop(int move) {
    if (move != pendingMove)
        return;
    pendingMove = 0;
    playMove();
}
