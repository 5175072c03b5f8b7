// The solver against plain searches written here: an exhaustive minimax over
// the game's own board and count, and the book against the live search.

#include "computer.h"
#include "game.h"
#include "history.h"
#include "referee.h"
#include "reviewtext.h"
#include "solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

// A position reached by random moves from the start.
Position randomPosition(int balls, std::mt19937& random) {
    Position position = {{0, 0}};
    std::uniform_int_distribution<int> column(0, 8);
    for (int n = 0; n < balls; n++) {
        int c;
        do
            c = column(random);
        while (landingIndex(position, c) < 0);
        position = afterMove(position, c);
    }
    return position;
}

// Every move to the end, with no table and no symmetry, on the game's board;
// the result is counted by the game's own row count.
int plainMinimax(int board[9][3][2], int player) {
    int best = player == 0 ? -100 : 100;
    bool moved = false;
    for (int c = 0; c < 9; c++) {
        int level = 0;
        while (level < 3 && (board[c][level][0] || board[c][level][1]))
            level++;
        if (level == 3)
            continue;
        moved = true;
        board[c][level][player] = 1;
        int value = plainMinimax(board, 1 - player);
        board[c][level][player] = 0;
        best = player == 0 ? std::max(best, value) : std::min(best, value);
    }
    return moved ? best : countRows(board, 0) - countRows(board, 1);
}

// Turns the square of columns a quarter turn, then mirrors it when asked.
Position turned(const Position& position, int quarters, bool mirrored) {
    Position image = {{0, 0}};
    for (int p = 0; p < 2; p++)
        for (int cell = 0; cell < 27; cell++) {
            if (!(position.balls[p] >> cell & 1))
                continue;
            int x = cell % 3 - 1, z = cell / 3 % 3 - 1;
            for (int q = 0; q < quarters; q++) {
                int t = x;
                x = z;
                z = -t;
            }
            if (mirrored)
                x = -x;
            image.balls[p] |= uint32_t{1} << (cell / 9 * 9 + 3 * (z + 1) + x + 1);
        }
    return image;
}

TEST(Solver, SearchAgreesWithAPlainExhaustiveMinimax) {
    std::mt19937 random(1);
    for (int i = 0; i < 60; i++) {
        Position position = randomPosition(18 + i % 4, random);
        int board[9][3][2] = {};
        for (int cell = 0; cell < 27; cell++)
            for (int p = 0; p < 2; p++)
                board[cell % 9][cell / 9][p] = position.balls[p] >> cell & 1;
        ASSERT_EQ(rowDifference(position), countRows(board, 0) - countRows(board, 1));
        ASSERT_EQ(searchValue(position), plainMinimax(board, playerOnTurn(position)))
            << "position " << i << " of " << ballCount(position) << " balls";
    }
}

TEST(Solver, BookHoldsWhatTheSearchFinds) {
    ASSERT_EQ(bookDataSize, bookSize()) << "the book built in is the one the index expects";
    std::mt19937 random(2);
    for (int i = 0; i < 24; i++) {
        Position position = randomPosition(i < 20 ? 12 : 10 + i % 2, random);
        EXPECT_EQ(positionValue(position), searchValue(position)) << "position " << i;
    }
}

TEST(Solver, EveryValueIsTheBestOfItsMoves) {
    std::mt19937 random(3);
    for (int balls = 0; balls < 27; balls++)
        for (int i = 0; i < 4; i++) {
            Position position = randomPosition(balls, random);
            int values[9], legal = moveValues(position, values);
            int sign = playerOnTurn(position) == 0 ? 1 : -1, best = -100;
            for (int c = 0; c < 9; c++)
                if (legal >> c & 1) {
                    // A move's value counts the rows that it makes.
                    ASSERT_EQ(values[c], positionValue(afterMove(position, c)));
                    best = std::max(best, sign * values[c]);
                }
            ASSERT_EQ(sign * positionValue(position), best) << balls << " balls";
            for (int slack : {0, 1, 4}) {
                int within = 0;
                for (int c = 0; c < 9; c++)
                    within |= ((legal >> c & 1) && sign * values[c] >= best - slack) << c;
                EXPECT_EQ(movesWithin(position, slack), within) << balls << " balls, " << slack;
            }
        }
}

TEST(Computer, EachLevelPlaysWithinItsSlackOfTheBest) {
    std::mt19937 random(5);
    const int slack[4] = {0, 4, 1, 0};
    for (int i = 0; i < 90; i++) {
        Position position = randomPosition(i % 27, random);
        int level = 1 + i % 3, values[9], legal = moveValues(position, values);
        int sign = playerOnTurn(position) == 0 ? 1 : -1, best = -100;
        for (int c = 0; c < 9; c++)
            if (legal >> c & 1)
                best = std::max(best, sign * values[c]);
        int column = computerColumn(position, level, random);
        ASSERT_TRUE(legal >> column & 1);
        EXPECT_GE(sign * values[column], best - slack[level]) << "level " << level;
    }
}

bool sameBalls(const Position& a, const Position& b) {
    return a.balls[0] == b.balls[0] && a.balls[1] == b.balls[1];
}

bool imagesOfEachOther(const Position& a, const Position& b) {
    for (int s = 0; s < 8; s++)
        if (sameBalls(turned(a, s % 4, s >= 4), b))
            return true;
    return false;
}

TEST(Solver, SymmetricPositionsHaveOneValueAndEveryPlaceOnePosition) {
    std::mt19937 random(4);
    for (int balls = 0; balls <= 27; balls += 3) {
        Position position = randomPosition(balls, random);
        ASSERT_LT(plyIndex(position), positionsOfPly(balls));
        for (int s = 1; s < 8; s++) {
            Position image = turned(position, s % 4, s >= 4);
            if (balls <= bookPlies || balls >= 15) {
                EXPECT_EQ(positionValue(image), positionValue(position)) << balls << ", " << s;
            }
        }
    }
    // Every position of 4 balls: positions share a place only when they are
    // images of one another.
    std::vector<std::vector<Position>> byPlace(positionsOfPly(4));
    for (int a = 0; a < 9; a++)
        for (int b = 0; b < 9; b++)
            for (int c = 0; c < 9; c++)
                for (int d = 0; d < 9; d++) {
                    Position p = {{0, 0}};
                    for (int column : {a, b, c, d})
                        if (landingIndex(p, column) >= 0)
                            p = afterMove(p, column);
                    if (ballCount(p) == 4)
                        byPlace[plyIndex(p)].push_back(p);
                }
    for (size_t place = 0; place < byPlace.size(); place++) {
        std::vector<Position>& sharing = byPlace[place];
        if (sharing.empty())
            continue; // a position that no game reaches
        for (const Position& p : sharing)
            ASSERT_TRUE(imagesOfEachOther(p, sharing.front())) << "place " << place;
    }
}

TEST(Review, CountsEachMoveByWhatItCostAgainstTheBestMove) {
    std::mt19937 random(6);
    int seen[4] = {};
    const char* const kinds[4] = {"best", "inaccuracy", "mistake", "blunder"};
    for (int game = 0; game < 12; game++) {
        // Random games, and games that the perfect level mostly plays.
        gameMoves.clear();
        Position position = {{0, 0}};
        int expected[2][5] = {};
        for (int n = 0; n < 27; n++) {
            int values[9], legal = moveValues(position, values);
            int column = game % 3 == 0 && n % 4 != 3 ? computerColumn(position, 3, random)
                                                     : static_cast<int>(random() % 9);
            if (!(legal >> column & 1)) {
                n--;
                continue;
            }
            const int player = playerOnTurn(position), side = player == 0 ? 1 : -1;
            int best = -100;
            for (int c = 0; c < 9; c++)
                if (legal >> c & 1)
                    best = std::max(best, side * values[c]);
            const int played = side * values[column], cost = best - played;
            // Worth more than nothing, nothing, or less than nothing: before and after.
            const int from = best > 0 ? 2 : best == 0 ? 1 : 0;
            const int to = played > 0 ? 2 : played == 0 ? 1 : 0;
            const int kind = cost == 0 ? 0 : from == to ? 1 : from - to == 1 ? 2 : 3;
            ASSERT_TRUE(cost >= 0 && (kind != 3 || (from == 2 && to == 0))) << kinds[kind];
            expected[player][kind]++;
            seen[kind]++;
            expected[player][4] += cost;
            gameMoves.push_back(column);
            position = afterMove(position, column);
        }
        MoveCounts counts[2];
        countMoves(gameValues(), counts);
        for (int p = 0; p < 2; p++) {
            const int got[5] = {counts[p].best, counts[p].inaccuracies, counts[p].mistakes,
                                counts[p].blunders, counts[p].rowsLost};
            for (int i = 0; i < 5; i++)
                EXPECT_EQ(got[i], expected[p][i])
                    << "game " << game << ", player " << p + 1 << (i < 4 ? kinds[i] : "rows lost");
        }
        EXPECT_EQ(gameValues().back(), rowDifference(position));
    }
    for (int kind = 0; kind < 4; kind++)
        EXPECT_GT(seen[kind], 0) << "no " << kinds[kind] << " in these games";
    gameMoves.clear();
}

TEST(Review, TheLineOfEachMoveSaysItsKindItsCostAndTheBestColumns) {
    const char* const kinds[4] = {"best", "an inaccuracy", "a mistake", "a blunder"};
    int seen[4] = {};
    for (const char* digits : {"554669589869122273747343118", "551138799329446287135672468"}) {
        gameMoves.clear();
        for (const char* d = digits; *d != '\0'; d++)
            gameMoves.push_back(*d - '1');
        const std::vector<int> values = gameValues();
        for (int shown = 0; shown <= 27; shown++) {
            // The position before the move shown, its columns' values from the mover's side.
            Position before = {{0, 0}};
            for (int i = 0; i + 1 < shown; i++)
                before = afterMove(before, gameMoves[i]);
            int columnValues[9], legal = moveValues(before, columnValues), best = -100;
            const int side = playerOnTurn(before) == 0 ? 1 : -1;
            for (int c = 0; c < 9; c++)
                if (legal >> c & 1)
                    best = std::max(best, side * columnValues[c]);
            std::vector<int> bestColumns;
            const int played = shown == 0 ? -1 : gameMoves[shown - 1];
            for (int c = 0; c < 9; c++)
                if ((legal >> c & 1) && side * columnValues[c] == best && c != played)
                    bestColumns.push_back(c + 1);
            std::string list;
            for (size_t i = 0; i < bestColumns.size(); i++)
                list += (i == 0                        ? ""
                         : i + 1 == bestColumns.size() ? " or "
                                                       : ", ") +
                        std::to_string(bestColumns[i]);
            std::string expected;
            if (shown == 0) {
                expected = "Start: Player 1 to move, best: " + list + " (" + (best > 0 ? "+" : "") +
                           std::to_string(best) + ")";
            } else {
                const int cost = best - side * columnValues[played];
                const int from = best > 0 ? 2 : best == 0 ? 1 : 0;
                const int to = side * columnValues[played] > 0    ? 2
                               : side * columnValues[played] == 0 ? 1
                                                                  : 0;
                const int kind = cost == 0 ? 0 : from == to ? 1 : from - to == 1 ? 2 : 3;
                seen[kind]++;
                expected = "Move " + std::to_string(shown) + ": Player " +
                           std::to_string(playerOnTurn(before) + 1) + ", column " +
                           std::to_string(played + 1) + " \u2014 " + kinds[kind];
                if (cost > 0)
                    expected += ", " + std::to_string(cost) + (cost == 1 ? " row" : " rows") +
                                " lost; best: " + list;
            }
            EXPECT_EQ(moveLine(gameMoves, values, shown), expected) << digits << " at " << shown;
        }
    }
    for (int kind = 0; kind < 4; kind++)
        EXPECT_GT(seen[kind], 0) << "no move of the kind " << kinds[kind];
    gameMoves.clear();
}

TEST(Referee, AcceptsEveryLegalMoveAndRefusesEachIllegalOneWithItsReason) {
    // Random attempts of either seat, with the board's count right or not,
    // judged by the game's own rules: its landing cell, its turn, its count.
    std::mt19937 random(11);
    int refused[5] = {};
    const char* const reasons[5] = {"column", "over", "stale", "turn", "full"};
    for (int game = 0; game < 40; game++) {
        Position position = {{0, 0}};
        for (int attempt = 0; attempt < 200; attempt++) {
            const int seat = 1 + static_cast<int>(random() % 2);
            const int column = static_cast<int>(random() % 11);
            const int told =
                random() % 8 == 0 ? gamecount + static_cast<int>(random() % 3) - 1 : gamecount;
            const char* expected = column < 1 || column > 9   ? "column"
                                   : gamecount == 27          ? "over"
                                   : told != gamecount        ? "stale"
                                   : seat != turn + 1         ? "turn"
                                   : landingCell(column) == 0 ? "full"
                                                              : "";
            ASSERT_EQ(refereeMove(position, seat, told, column), expected);
            if (*expected == '\0') {
                placeBall(landingCell(column));
                turn = 1 - turn;
            } else {
                refused[std::find(reasons, reasons + 5, std::string(expected)) - reasons]++;
            }
            const Position board = boardPosition();
            ASSERT_TRUE(position.balls[0] == board.balls[0] && position.balls[1] == board.balls[1]);
        }
        // The game's board empty again, without a window to redraw.
        std::fill(&spots[0][0][0], &spots[0][0][0] + 54, 0);
        for (int c = 0; c < 9; c++)
            *columnCount(c) = 0;
        turn = gamecount = 0;
    }
    for (int i = 0; i < 5; i++)
        EXPECT_GT(refused[i], 0) << "no move refused as " << reasons[i];
}

TEST(Review, WordsAgreeInNumber) {
    EXPECT_EQ(countsLine(0, MoveCounts{0, 0, 0, 0, 0}),
              "Player 1: 0 best, 0 inaccuracies, 0 mistakes, 0 blunders, 0 rows lost");
    EXPECT_EQ(countsLine(1, MoveCounts{1, 1, 1, 1, 1}),
              "Player 2: 1 best, 1 inaccuracy, 1 mistake, 1 blunder, 1 row lost");
    EXPECT_EQ(countsLine(0, MoveCounts{2, 2, 2, 2, 2}),
              "Player 1: 2 best, 2 inaccuracies, 2 mistakes, 2 blunders, 2 rows lost");
}

} // namespace
