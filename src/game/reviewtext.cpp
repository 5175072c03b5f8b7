#include "reviewtext.h"

#include "solver.h"

#include <algorithm>

namespace {

// The position after the first n moves.
Position positionAfter(const std::vector<int>& moves, int n) {
    Position position = {{0, 0}};
    for (int i = 0; i < n; i++)
        position = afterMove(position, moves[i]);
    return position;
}

// The columns (bit c) of the best value for the player on turn; worked out
// once a position, since a frame asks again for the same one.
int bestColumns(const Position& position) {
    static Position known = {{~0u, ~0u}};
    static int knownBest = 0;
    if (position.balls[0] == known.balls[0] && position.balls[1] == known.balls[1])
        return knownBest;
    int values[9], legal = moveValues(position, values), best = -100;
    const int side = playerOnTurn(position) == 0 ? 1 : -1;
    for (int c = 0; c < 9; c++)
        if (legal >> c & 1)
            best = std::max(best, side * values[c]);
    knownBest = 0;
    for (int c = 0; c < 9; c++)
        if ((legal >> c & 1) && side * values[c] == best)
            knownBest |= 1 << c;
    known = position;
    return knownBest;
}

// "5", "5 or 7", "1, 2 or 3": the digits of the columns.
std::string columnList(int columns) {
    std::string list;
    int left = __builtin_popcount(static_cast<unsigned>(columns));
    for (int c = 0; c < 9; c++) {
        if (!(columns >> c & 1))
            continue;
        list += static_cast<char>('1' + c);
        left--;
        list += left > 1 ? ", " : left == 1 ? " or " : "";
    }
    return list;
}

std::string signedValue(int value) { return (value > 0 ? "+" : "") + std::to_string(value); }

} // namespace

std::string counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string countsLine(int player, const MoveCounts& c) {
    return "Player " + std::to_string(player + 1) + ": " + std::to_string(c.best) + " best, " +
           counted(c.inaccuracies, "inaccuracy", "inaccuracies") + ", " +
           counted(c.mistakes, "mistake", "mistakes") + ", " +
           counted(c.blunders, "blunder", "blunders") + ", " +
           counted(c.rowsLost, "row lost", "rows lost");
}

std::string moveLine(const std::vector<int>& moves, const std::vector<int>& values, int shown) {
    const Position before = positionAfter(moves, shown == 0 ? 0 : shown - 1);
    const int best = bestColumns(before);
    if (shown == 0)
        return "Start: Player 1 to move, best: " + columnList(best) + " (" +
               signedValue(values[0]) + ")";
    static const char* const kinds[4] = {"best", "an inaccuracy", "a mistake", "a blunder"};
    const int player = (shown - 1) % 2, side = player == 0 ? 1 : -1, column = moves[shown - 1];
    const int from = side * values[shown - 1], to = side * values[shown];
    const int kind = moveKind(from, to);
    std::string line = "Move " + std::to_string(shown) + ": Player " + std::to_string(player + 1) +
                       ", column " + std::to_string(column + 1) + " \u2014 " + kinds[kind];
    if (kind != 0)
        line += ", " + counted(from - to, "row lost", "rows lost") +
                "; best: " + columnList(best & ~(1 << column));
    return line;
}

void reviewMarks(const std::vector<int>& moves, const std::vector<int>& values, int shown,
                 int& played, uint32_t& bestCells) {
    played = -1;
    bestCells = 0;
    if (shown == 0)
        return;
    const Position before = positionAfter(moves, shown - 1);
    const int column = moves[shown - 1];
    played = landingIndex(before, column);
    const int side = (shown - 1) % 2 == 0 ? 1 : -1;
    if (moveKind(side * values[shown - 1], side * values[shown]) == 0)
        return;
    const int best = bestColumns(before);
    for (int c = 0; c < 9; c++)
        if ((best >> c & 1) && c != column)
            bestCells |= uint32_t{1} << landingIndex(before, c);
}
