#include "board.h"

int ballCount(const Position& position) {
    return __builtin_popcount(position.balls[0]) + __builtin_popcount(position.balls[1]);
}

int playerOnTurn(const Position& position) { return ballCount(position) % 2; }

int landingIndex(const Position& position, int column) {
    uint32_t all = position.balls[0] | position.balls[1];
    for (int cell = column; cell < 27; cell += 9)
        if ((all >> cell & 1) == 0)
            return cell;
    return -1;
}

Position afterMove(const Position& position, int column) {
    Position next = position;
    next.balls[playerOnTurn(position)] |= uint32_t{1} << landingIndex(position, column);
    return next;
}
