#include "referee.h"

#include <cstdio>

std::string refereeMove(Position& position, int seat, int balls, int column) {
    if (column < 1 || column > 9)
        return "column";
    const int down = ballCount(position);
    if (down == 27)
        return "over";
    if (balls != down)
        return "stale";
    if (seat != playerOnTurn(position) + 1)
        return "turn";
    if (landingIndex(position, column - 1) < 0)
        return "full";
    position = afterMove(position, column - 1);
    return "";
}

std::string parseMoves(const char* digits, std::vector<int>& columns) {
    columns.clear();
    if (*digits == '\0')
        return "no moves given";
    Position position = {{0, 0}};
    for (const char* at = digits; *at != '\0'; at++) {
        const unsigned char c = static_cast<unsigned char>(*at);
        const int column = c >= '1' && c <= '9' ? c - '0' : 0;
        const std::string refused =
            refereeMove(position, playerOnTurn(position) + 1, ballCount(position), column);
        if (refused == "column") {
            char what[32];
            // A byte that prints nothing, or moves the terminal's cursor, is shown as a number.
            std::snprintf(what, sizeof what, c >= 32 && c < 127 ? "'%c'" : "byte 0x%02x", c);
            return std::string(what) + " is not a column (1 to 9)";
        }
        if (refused == "over")
            return "more than 27 moves";
        if (refused == "full")
            return "move " + std::to_string(at - digits + 1) + ": column " + *at + " is full";
        columns.push_back(column - 1);
    }
    return "";
}
