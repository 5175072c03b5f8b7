#include "history.h"

#include "reviewtext.h"
#include "words.h"

#include "computer.h"
#include "game.h"
#include "settings.h"
#include "solver.h"

#include <GL/freeglut_std.h>

#include <algorithm>

std::vector<int> gameMoves;
int movesOnBoard = 0;

namespace {

// The values of the positions known so far, from the start, and the moves
// that led to them.
std::vector<int> knownValues;
std::vector<int> valuedMoves;
// The page before the 27th ball, which GAME OVER took the place of.
int pageBeforeGameOver = 0;
// Whether this game has counted in the record; once a game.
bool gameCounted = false;

// A game against the computer counts in the record when its last ball is
// first played, from the player's side.
void countInRecord() {
    if (computerSide < 0 || gameCounted)
        return;
    gameCounted = true;
    const int player = 1 - computerSide;
    const int difference = countRows(spots, player) - countRows(spots, 1 - player);
    countGame(opponentLevel, difference > 0 ? 1 : difference == 0 ? 0 : -1);
}

// One move taken back: its ball leaves its cell, the counters and the turn
// are as before it.
void takeBack() {
    const int column = gameMoves[--movesOnBoard];
    const int level = --*columnCount(column);
    turn = spots[column][level][0] == 1 ? 0 : 1;
    spots[column][level][turn] = 0;
    if (gamecount-- == 27)
        instructions = pageBeforeGameOver;
}

// The next taken-back move played again.
void playAgain() {
    if (gamecount == 26)
        pageBeforeGameOver = instructions;
    placeBall(landingCell(gameMoves[movesOnBoard++] + 1));
    turn = 1 - turn;
}

// After moves taken back or played again: no cell marked, every piece home;
// then, unless the review holds the game, the turn begins as after a move.
void settle() {
    animation();
    colSelected = 0;
    spotSelected = 0;
    drawCubes();
    if (reviewShown == 0 && turnBegins != nullptr)
        turnBegins();
}

int movesOf(int player) { return (movesOnBoard + 1 - player) / 2; }

// The player whom the computer plays against, or -1 when two people play.
int person() { return computerSide < 0 ? -1 : 1 - computerSide; }

} // namespace

void recordMove(int column) {
    // The next frame puts GAME OVER in the page's place.
    if (gamecount == 27) {
        pageBeforeGameOver = instructions;
        recordShown = 0;
        countInRecord();
    }
    gameMoves.resize(movesOnBoard);
    gameMoves.push_back(column);
    movesOnBoard++;
}

void newGameWithoutMoves() {
    reviewShown = 0;
    recordShown = 0;
    gameCounted = false;
    gameMoves.clear();
    movesOnBoard = 0;
    startNewGame();
}

void undo() {
    if (reviewShown == 1) {
        stepReview(-1);
        return;
    }
    const int player = person();
    // Against the computer, the player must have a move to take back.
    if (movesOnBoard == 0 || (player >= 0 && movesOf(player) == 0))
        return;
    cancelComputerMove();
    if (player < 0) {
        takeBack();
    } else {
        const int wanted = movesOf(player) - 1;
        while (turn != player || movesOf(player) != wanted)
            takeBack();
    }
    settle();
}

void redo() {
    if (reviewShown == 1) {
        stepReview(1);
        return;
    }
    if (movesOnBoard == static_cast<int>(gameMoves.size()))
        return;
    cancelComputerMove();
    const int player = person();
    do
        playAgain();
    while (player >= 0 && turn != player && movesOnBoard < static_cast<int>(gameMoves.size()));
    settle();
}

void playMovesFromStart(const std::vector<int>& columns) {
    newGameWithoutMoves();
    // The computer, if it plays player 1, waits for the moves.
    cancelComputerMove();
    gameMoves = columns;
    while (movesOnBoard < static_cast<int>(gameMoves.size()))
        playAgain();
    settle();
}

void toggleReview() {
    if (reviewShown == 1) {
        closeReview();
        return;
    }
    if (!solverReady())
        return;
    // The computer waits while the game is reviewed.
    cancelComputerMove();
    reviewShown = 1;
    say(moveLine(gameMoves, gameValues(), movesOnBoard));
    glutPostRedisplay();
}

void closeReview() {
    if (reviewShown == 0)
        return;
    reviewShown = 0;
    if (turnBegins != nullptr)
        turnBegins();
    glutPostRedisplay();
}

void stepReview(int moves) {
    if (reviewShown == 0)
        return;
    const int target =
        std::max(0, std::min(static_cast<int>(gameMoves.size()), movesOnBoard + moves));
    if (target == movesOnBoard)
        return;
    while (movesOnBoard > target)
        takeBack();
    while (movesOnBoard < target)
        playAgain();
    settle();
    say(moveLine(gameMoves, gameValues(), movesOnBoard));
}

const std::vector<int>& gameValues() {
    // Values hold as far as the game's moves are still those they came from.
    size_t same = 0;
    while (same < valuedMoves.size() && same < gameMoves.size() &&
           valuedMoves[same] == gameMoves[same])
        same++;
    knownValues.resize(std::min(knownValues.size(), same + 1));
    valuedMoves = gameMoves;
    Position position = {{0, 0}};
    for (size_t i = 0; i <= gameMoves.size(); i++) {
        if (i >= knownValues.size())
            knownValues.push_back(positionValue(position));
        if (i < gameMoves.size())
            position = afterMove(position, gameMoves[i]);
    }
    return knownValues;
}

int moveKind(int before, int after) {
    auto sign = [](int v) { return v > 0 ? 1 : v < 0 ? -1 : 0; };
    if (before == after)
        return 0;
    if (sign(before) == sign(after))
        return 1;
    return sign(before) - sign(after) == 1 ? 2 : 3;
}

void countMoves(const std::vector<int>& values, MoveCounts counts[2]) {
    counts[0] = counts[1] = MoveCounts{0, 0, 0, 0, 0};
    for (size_t i = 1; i < values.size(); i++) {
        const int player = static_cast<int>(i - 1) % 2, side = player == 0 ? 1 : -1;
        const int before = side * values[i - 1], after = side * values[i];
        MoveCounts& c = counts[player];
        c.rowsLost += before - after;
        int* const kinds[4] = {&c.best, &c.inaccuracies, &c.mistakes, &c.blunders};
        ++*kinds[moveKind(before, after)];
    }
}

void jumpReview(int direction) {
    if (reviewShown == 0)
        return;
    const std::vector<int>& values = gameValues();
    const int moves = static_cast<int>(gameMoves.size());
    for (int k = movesOnBoard + direction; k >= 1 && k <= moves; k += direction) {
        const int side = (k - 1) % 2 == 0 ? 1 : -1;
        if (moveKind(side * values[k - 1], side * values[k]) != 0) {
            stepReview(k - movesOnBoard);
            return;
        }
    }
}
