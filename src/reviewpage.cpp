#include "reviewpage.h"

#include "game.h"
#include "history.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The graph's frame in the strip, clear of the title and the turn line: a
// move every 20 pixels from x = 45, zero at y = 95, the extent 38 pixels
// above and below.
const float graphLeft = 45, moveWidth = 20, zeroY = 95, halfHeight = 38;

void text(float x, float y, void* face, const std::string& line) {
    glRasterPos2f(x, y);
    for (char c : line)
        glutBitmapCharacter(face, c);
}

std::string countsLine(int player, const MoveCounts& c) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "Player %d: %d best, %d inaccuracies, %d mistakes, %d blunders, %d rows lost",
                  player + 1, c.best, c.inaccuracies, c.mistakes, c.blunders, c.rowsLost);
    return line;
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

    // Pixels of the strip, unlit: the colours are the players' own.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 800, 0, 150, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    float x, y, x1, y1;
    // The line at 0 and the scale, in grey.
    glColor3f(0.5f, 0.5f, 0.5f);
    reviewPoint(0, 0, extent, x, y);
    reviewPoint(27, 0, extent, x1, y1);
    glBegin(GL_LINES);
    glVertex2f(x, y);
    glVertex2f(x1, y1);
    glEnd();
    text(12, zeroY - 3, GLUT_BITMAP_HELVETICA_10, "0");
    text(8, zeroY + halfHeight - 3, GLUT_BITMAP_HELVETICA_10, "+" + std::to_string(extent));
    text(8, zeroY - halfHeight - 3, GLUT_BITMAP_HELVETICA_10, "-" + std::to_string(extent));
    // The position on the board: a white line across the graph.
    reviewPoint(movesOnBoard, 0, extent, x, y);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    glVertex2f(x, zeroY - halfHeight - 4);
    glVertex2f(x, zeroY + halfHeight + 4);
    glEnd();
    // The values, joined in grey, each point in the colour of who moved to it.
    glLineWidth(scale);
    glColor3f(0.6f, 0.6f, 0.6f);
    glBegin(GL_LINE_STRIP);
    for (size_t i = 0; i < values.size(); i++) {
        reviewPoint(static_cast<int>(i), values[i], extent, x, y);
        glVertex2f(x, y);
    }
    glEnd();
    glLineWidth(1.0f);
    glPointSize(5.0f * scale);
    glBegin(GL_POINTS);
    for (size_t i = 0; i < values.size(); i++) {
        if (i == 0)
            glColor3f(1.0f, 1.0f, 1.0f);
        else
            glColor3fv(colours[(i - 1) % 2]);
        reviewPoint(static_cast<int>(i), values[i], extent, x, y);
        glVertex2f(x, y);
    }
    glEnd();
    glPointSize(1.0f);

    // Each player's line in white after a square of their colour, which
    // keys the graph's points and reads on black whatever the colour.
    for (int p = 0; p < 2; p++) {
        const float base = 40.0f - 16.0f * static_cast<float>(p);
        glColor3fv(colours[p]);
        glRectf(graphLeft - 12, base, graphLeft - 4, base + 8);
        glColor3f(1.0f, 1.0f, 1.0f);
        text(graphLeft, base, GLUT_BITMAP_HELVETICA_12, countsLine(p, counts[p]));
    }
    std::string moves = "Moves: ";
    for (int column : gameMoves)
        moves += static_cast<char>('1' + column);
    glColor3f(1.0f, 1.0f, 1.0f);
    text(graphLeft, 8, GLUT_BITMAP_HELVETICA_12, moves);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
