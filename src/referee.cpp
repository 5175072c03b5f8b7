#include "referee.h"

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
