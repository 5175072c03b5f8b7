#include "reviewpage.h"

#include "game.h"
#include "history.h"
#include "reviewtext.h"

#include <GL/freeglut.h>

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

// The bitmap fonts hold Latin-1 alone: an em dash is drawn as a bar of its
// width, a little above the baseline.
void emDash() {
    static const GLubyte bar[4] = {0xff, 0xe0, 0, 0};
    glBitmap(11, 1, 0, -4, 12, 0, bar);
}

void text(float x, float y, void* face, const std::string& line) {
    glRasterPos2f(x, y);
    for (size_t i = 0; i < line.size(); i++) {
        if (line.compare(i, 3, "\u2014") == 0) {
            emDash();
            i += 2;
        } else {
            glutBitmapCharacter(face, static_cast<unsigned char>(line[i]));
        }
    }
}

// A ring about a point of the graph, larger for a costlier kind of move.
void ring(float x, float y, int kind, float scale) {
    const float radius = 3.5f + 2.0f * static_cast<float>(kind);
    glLineWidth(scale);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < 24; i++) {
        const float angle = static_cast<float>(i) * 6.2831853f / 24.0f;
        glVertex2f(x + radius * std::cos(angle), y + radius * std::sin(angle));
    }
    glEnd();
    glLineWidth(1.0f);
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
    // Each move that was not best, ringed in its mover's colour.
    for (size_t i = 1; i < values.size(); i++) {
        const int side = i % 2 == 1 ? 1 : -1;
        const int kind = moveKind(side * values[i - 1], side * values[i]);
        if (kind == 0)
            continue;
        glColor3fv(colours[(i - 1) % 2]);
        reviewPoint(static_cast<int>(i), values[i], extent, x, y);
        ring(x, y, kind, scale);
    }

    // The move shown, then each player's line in white after a square of
    // their colour, which keys the graph's points and reads on black
    // whatever the colour.
    glColor3f(1.0f, 1.0f, 1.0f);
    text(graphLeft, moveLineY, GLUT_BITMAP_HELVETICA_12, moveLine(gameMoves, values, movesOnBoard));
    for (int p = 0; p < 2; p++) {
        const float base = countsY - 16.0f * static_cast<float>(p);
        glColor3fv(colours[p]);
        glRectf(graphLeft - 12, base, graphLeft - 4, base + 8);
        glColor3f(1.0f, 1.0f, 1.0f);
        text(graphLeft, base, GLUT_BITMAP_HELVETICA_12, countsLine(p, counts[p]));
    }
    std::string moves = "Moves: ";
    for (int column : gameMoves)
        moves += static_cast<char>('1' + column);
    glColor3f(1.0f, 1.0f, 1.0f);
    text(graphLeft, movesY, GLUT_BITMAP_HELVETICA_12, moves);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
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
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(3.0f * static_cast<float>(side) / 800.0f);
    for (int k = 0; k < 27; k++)
        if (bestCells >> k & 1)
            myWorld.cubes[k]->draw(mover[0], mover[1], mover[2]);
    myWorld.cubes[played]->draw(1.0f, 1.0f, 1.0f);
    glLineWidth(1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}
