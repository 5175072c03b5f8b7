#include "reviewpage.h"

#include "game.h"
#include "history.h"
#include "render.h"
#include "reviewtext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

// The graph's frame in the strip, clear of the title and the turn line: a
// move every 20 pixels from x = 45, zero at y = 103, the extent 30 pixels
// above and below; below it a line a text, 16 pixels apart.
const float graphLeft = 45, moveWidth = 20, zeroY = 103, halfHeight = 30;
const float moveLineY = 56, countsY = 40, movesY = 8;

const float white[3] = {1.0f, 1.0f, 1.0f};

// A ring about a point of the graph, larger for a costlier kind of move.
void ring(float x, float y, int kind, float scale, const float colour[3]) {
    const float radius = 3.5f + 2.0f * static_cast<float>(kind);
    float points[24][2];
    for (int i = 0; i < 24; i++) {
        const float angle = static_cast<float>(i) * 6.2831853f / 24.0f;
        points[i][0] = x + radius * std::cos(angle);
        points[i][1] = y + radius * std::sin(angle);
    }
    renderGraphLines(points, 24, 2, colour, scale);
}

} // namespace

int reviewExtent(const std::vector<int>& values) {
    int extent = 3;
    for (int v : values)
        extent = std::max(extent, std::abs(v));
    return extent;
}

void reviewPoint(int move, int value, int extent, float& x, float& y) {
    x = graphLeft + moveWidth * static_cast<float>(move);
    y = zeroY + halfHeight * static_cast<float>(value) / static_cast<float>(extent);
}

void drawReview(int side) {
    const std::vector<int>& values = gameValues();
    MoveCounts counts[2];
    countMoves(values, counts);
    const int extent = reviewExtent(values);
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    const float scale = static_cast<float>(side) / 800.0f;
    renderGraph(true);

    // The line at 0 and the scale, in grey.
    const float grey[3] = {0.5f, 0.5f, 0.5f}, lighter[3] = {0.6f, 0.6f, 0.6f};
    float line[2][2];
    reviewPoint(0, 0, extent, line[0][0], line[0][1]);
    reviewPoint(27, 0, extent, line[1][0], line[1][1]);
    renderGraphLines(line, 2, 0, grey, 1.0f);
    renderGraphText(12, zeroY - 3, 10, grey, "0");
    renderGraphText(8, zeroY + halfHeight - 3, 10, grey, "+" + std::to_string(extent));
    renderGraphText(8, zeroY - halfHeight - 3, 10, grey, "-" + std::to_string(extent));
    // The position on the board: a white line across the graph.
    float x, y;
    reviewPoint(movesOnBoard, 0, extent, x, y);
    const float across[2][2] = {{x, zeroY - halfHeight - 4}, {x, zeroY + halfHeight + 4}};
    renderGraphLines(across, 2, 0, white, 1.0f);
    // The values, joined in grey, each point in the colour of who moved to it.
    float points[28][2], pointColours[28][3];
    const int count = static_cast<int>(values.size());
    for (int i = 0; i < count; i++) {
        reviewPoint(i, values[i], extent, points[i][0], points[i][1]);
        for (int c = 0; c < 3; c++)
            pointColours[i][c] = i == 0 ? 1.0f : colours[(i - 1) % 2][c];
    }
    renderGraphLines(points, count, 1, lighter, scale);
    renderGraphPoints(points, pointColours, count, 5.0f * scale);
    // Each move that was not best, ringed in its mover's colour.
    for (int i = 1; i < count; i++) {
        const int side = i % 2 == 1 ? 1 : -1;
        const int kind = moveKind(side * values[i - 1], side * values[i]);
        if (kind != 0)
            ring(points[i][0], points[i][1], kind, scale, colours[(i - 1) % 2]);
    }

    // The move shown, then each player's line in white after a square of
    // their colour, which keys the graph's points and reads on black
    // whatever the colour.
    renderGraphText(graphLeft, moveLineY, 12, white, moveLine(gameMoves, values, movesOnBoard));
    for (int p = 0; p < 2; p++) {
        const float base = countsY - 16.0f * static_cast<float>(p);
        renderGraphRect(graphLeft - 12, base, graphLeft - 4, base + 8, colours[p]);
        renderGraphText(graphLeft, base, 12, white, countsLine(p, counts[p]));
    }
    std::string moves = "Moves: ";
    for (int column : gameMoves)
        moves += static_cast<char>('1' + column);
    renderGraphText(graphLeft, movesY, 12, white, moves, movesText);
    renderGraph(false);
}

void drawReviewMarks(int side) {
    int played;
    uint32_t bestCells;
    reviewMarks(gameMoves, gameValues(), movesOnBoard, played, bestCells);
    if (played < 0)
        return;
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    const float* mover = colours[(movesOnBoard - 1) % 2];
    // Unlit and over everything, so that a cell behind others shows too.
    renderOver(true, 3.0f * static_cast<float>(side) / 800.0f);
    for (int k = 0; k < 27; k++)
        if (bestCells >> k & 1)
            myWorld.cubes[k]->draw(mover[0], mover[1], mover[2]);
    myWorld.cubes[played]->draw(1.0f, 1.0f, 1.0f);
    renderOver(false, 1.0f);
}
