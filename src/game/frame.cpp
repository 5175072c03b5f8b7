#include "frame.h"

#include "computer.h"
#include "fall.h"
#include "game.h"
#include "menus.h"
#include "online.h"
#include "render.h"
#include "reviewpage.h"
#include "speech.h"
#include "words.h"

#include <algorithm>
#include <cstdio>

// Light and material, set once at start
const float light_ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const float light_diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const float light_specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const float light_position[4] = {2.0f, 5.0f, 5.0f, 0.0f};
const float mat_ambient[4] = {0.7f, 0.7f, 0.7f, 1.0f};
const float mat_diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const float mat_specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const float high_shininess[1] = {100.0f};

int showRows = 1;
int showColumnValues = 0;
int showMarks = 0;
Record shownRecord;
int spinFramesFromStill = 1;
long framesFromStill = 0;

namespace {

// Information pages 1 to 4, top to bottom; page 2 has six lines.
const char* const pageLines[4][7] = {
    {"Game Instructions:", "     1. Players alternate placing balls into anyavailable space.",
     "     2. Players attemp to align three balls of their selected colour in a row or column.",
     "     3. Once all 27 cubes have been placed, examine 6 faces to calculate scorse.",
     "     4. Each unique vertical, horizontal or diagonal row of the same colour scores a point.",
     "     5. Don't forget to count the internal rows", "     6. Player with the most rows WINS"},
    {"Helpful Reminders::",
     "     1. RED is the bottom row. GREEN is the middle row, BLUE is the top row.",
     "     2. Clicking NumbLock or Caps Lock makes it difficult to use your number key pad or "
     "hotkeys.",
     "     3. After every turn  the cube returns to its intial position, it is players "
     "responisbility to manipulate cube.",
     "     4. Cubes rotates and stays mid rotation to mark places where you are considering "
     "dropping your ball",
     "     5. States which players turn it is, and their colour in lower right corner", nullptr},
    {"Keyboard:", "     1. Use Number pad to select various boxes", "     2. Rotations of View",
     "               'Q' and 'A' to rotate X-axis", "               'W' and 'S' to rotate Y-axis",
     "               'E' and 'D' to rotate Z-axis", "     3. Press space bar to make move"},
    {"Single Player:", "     Game A:",
     "                  Fill the box creating the least number of rows possible.",
     " Game B:", "              Fill the box creating the most number of rows possible.",
     "CHALLENGE:", "          Fill the box WITHOUT creating ANY rows in ANY direction."},
};

const float pageColours[4][3] = {{1, 1, 1}, {0, 1, 0}, {0, 1, 1}, {0, 1, 1}};

// Each line 0.6 below the last; the perspective slants the column of text.
const float lineY[7] = {2.05f, 1.45f, 0.85f, 0.25f, -0.35f, -0.95f, -1.55f};

void drawPage(int page) {
    for (int line = 0; line < 7 && pageLines[page - 1][line] != nullptr; line++)
        renderText(-3.0f, lineY[line], 12, pageColours[page - 1], pageLines[page - 1][line]);
    // Where moves are said, the keys that ask for words, on a line below.
    if (page == 3 && (speechAlwaysOn || speakMoves == 1))
        renderText(-3.0f, lineY[6] - 0.6f, 12, pageColours[2],
                   "     4. 'L' the last move, 'B' the board, 'C' and a digit a column, in words");
}

// The record against the computer, a line a level, set out as a page.
void drawRecord() {
    static const char* const levels[4] = {"Easy", "Good", "Perfect", "Online"};
    const float white[3] = {1.0f, 1.0f, 1.0f};
    renderText(-3.0f, lineY[0], 12, white, "Record against the computer:");
    for (int level = 0; level < 4; level++) {
        char line[96];
        std::snprintf(line, sizeof line, "%s: %d won, %d drawn, %d lost", levels[level],
                      shownRecord.won[level], shownRecord.drawn[level], shownRecord.lost[level]);
        renderText(-3.0f, lineY[level + 1], 12, white, line);
    }
}

// The picture is laid out for an 800 x 800 window; in a window of any other
// size it is scaled to the largest square that fits, centred, black around it.
void pictureBox(int& left, int& bottom, int& side) {
    side = std::min(winWidth, winHeight);
    left = (winWidth - side) / 2;
    bottom = (winHeight - side) / 2;
}

// The viewport of a rectangle of the 800 x 800 picture, scaled and placed as the picture is.
void pictureViewport(int x, int y, int width, int height) {
    int left, bottom, side;
    pictureBox(left, bottom, side);
    renderViewport(left + x * side / 800, bottom + y * side / 800, width * side / 800,
                   height * side / 800);
}

// Below "GAME OVER": each player's rows of three in their colour, and who won.
void drawScore() {
    char line[32];
    const int rows[2] = {countRows(spots, 0), countRows(spots, 1)};
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    const float x[2] = {-1.05f, 0.6f}, y[2] = {-1.25f, -0.9f};
    for (int p = 0; p < 2; p++) {
        std::snprintf(line, sizeof line, "Player %d: %d %s", p + 1, rows[p],
                      rows[p] == 1 ? "row" : "rows");
        renderText(x[p], y[p], 18, colours[p], line);
    }
    const float white[3] = {1.0f, 1.0f, 1.0f};
    renderText(-1.1f, -2.6f, 18, white,
               rows[0] > rows[1]   ? "Player 1 wins"
               : rows[1] > rows[0] ? "Player 2 wins"
                                   : "Draw");
}

// Where the ball of cell index k stands now, turned with the board.
void ballCentre(int k, float centre[3]) {
    for (int i = 0; i < 3; i++)
        centre[i] = static_cast<float>(myWorld.spheres[k]->ctm.m[i][3]);
}

// At GAME OVER, each row of three that the count counts, as a line through
// its balls in its owner's colour; unlit and over the balls, so that the
// rows inside the cube show too.
// Just after the last ball lands they come one by one, player 1's first.
void drawRows(int side) {
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    renderOver(true, 3.0f * static_cast<float>(side) / 800.0f);
    const Position board = boardPosition();
    int shown = rowsShownNow(countRows(spots, 0) + countRows(spots, 1));
    for (int p = 0; p < 2; p++) {
        float ends[2 * 49][3];
        int points = 0;
        for (uint32_t row : completedRows(board, p)) {
            if (shown-- <= 0)
                break;
            ballCentre(__builtin_ctz(row), ends[points++]);
            ballCentre(31 - __builtin_clz(row), ends[points++]);
        }
        renderLines(ends, points, colours[p]);
    }
    renderOver(false, 1.0f);
}

// Above each column with room, a little over its top cell and turned with
// the board, the value of playing there for the player on turn, from that
// player's side; the best ones in white.
void drawColumnValues() {
    int values[9];
    int legal = currentMoveValues(values);
    int sign = turn == 0 ? 1 : -1, best = -100;
    for (int c = 0; c < 9; c++)
        if (legal >> c & 1)
            best = std::max(best, sign * values[c]);
    const float player[3] = {turn == 0 ? r1 : r2, turn == 0 ? g1 : g2, turn == 0 ? b1 : b2};
    const float white[3] = {1.0f, 1.0f, 1.0f};
    for (int c = 0; c < 9; c++) {
        if (!(legal >> c & 1))
            continue;
        float top[3], middle[3], at[3];
        ballCentre(18 + c, top);
        ballCentre(9 + c, middle);
        for (int i = 0; i < 3; i++)
            at[i] = top[i] + 0.45f * (top[i] - middle[i]);
        char text[8];
        std::snprintf(text, sizeof text, sign * values[c] > 0 ? "+%d" : "%d", sign * values[c]);
        renderLabel(at, sign * values[c] == best ? white : player, text);
    }
}

// The balls at rest, and the falling one above its cell, hidden by the
// pieces in front of it as any ball is.
void drawBoard(int turning) {
    const int falling = fallingCell();
    if (falling < 0) {
        myWorld.draw_world(spots, r1, g1, b1, r2, g2, b2, turning, showMarks);
        return;
    }
    int resting[9][3][2];
    std::copy(&spots[0][0][0], &spots[0][0][0] + 9 * 3 * 2, &resting[0][0][0]);
    resting[falling % 9][falling / 9][fallingPlayer()] = 0;
    myWorld.draw_world(resting, r1, g1, b1, r2, g2, b2, turning, showMarks);
    Sphere* ball = myWorld.spheres[falling];
    const Matrix home = ball->ctm;
    ball->ctm.m[1][3] += fallHeight();
    if (fallingPlayer() == 0)
        ball->draw(r1, g1, b1);
    else
        ball->draw(r2, g2, b2);
    if (fallingPlayer() == 0 && showMarks == 1)
        ball->draw_band();
    ball->ctm = home;
}

} // namespace

void boardViewport(int viewport[4]) {
    int left, bottom, side;
    pictureBox(left, bottom, side);
    viewport[0] = left;
    viewport[1] = bottom + 150 * side / 800;
    viewport[2] = viewport[3] = side;
}

void display() {
    // While a cube turns, the board without it is kept after a whole frame,
    // and the frames after start from that copy.
    // While a ball falls every frame is whole.
    const int turning = spinFramesFromStill == 1 && fallingCell() < 0 ? spinningCube() : -1;
    const bool wholeBoard = renderStartFrame(turning);
    // GAME OVER waits for the last ball to land.
    if (gamecount == 27 && fallingCell() < 0)
        instructions = 5;
    renderColour(r, g, b);
    // The board's viewport reaches 150 rows above the picture, which are never shown.
    int left, bottom, side;
    pictureBox(left, bottom, side);
    renderClip(left, bottom, side, side);
    pictureViewport(0, 150, 800, 800);
    if (wholeBoard) {
        drawBoard(turning);
        renderKeepBoard(turning);
    }
    if (turning >= 0)
        myWorld.draw_cube(turning);
    if (reviewShown == 1)
        drawReviewMarks(side);
    if (instructions == 5 && showRows == 1)
        drawRows(side);
    else if (instructions != 5 && showColumnValues == 1 && !onlineActive() && solverReady())
        drawColumnValues();
    renderClip(0, 0, 0, 0);

    // Bitmap text keeps its size in pixels; only where it starts follows the scale.
    pictureViewport(0, 0, 800, 150);
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    renderText(-3.2f, 2.75f, 18, white, "KAVETO");
    if (turn == 0 || turn == 1)
        renderText(1.8f, 1.0f, 18, colours[turn], turn == 0 ? "Player 1 Turn" : "Player 2 Turn",
                   turnText);
    if (reviewShown == 1) {
        drawReview(side);
    } else if (recordShown == 1) {
        drawRecord();
    } else if (instructions >= 1 && instructions <= 4) {
        drawPage(instructions);
    } else if (instructions == 5) {
        renderText(-1.0f, 0.0f, 18, white, "GAME OVER", gameOverText);
        drawScore();
    } else if (boardInWords == 1) {
        renderText(-3.0f, lineY[0], 12, white, colourWords() + ".", wordsText);
        for (int level = 0; level < 3; level++)
            renderText(-3.0f, lineY[level + 1], 12, white, levelWords(spots, level), wordsText);
    }
    // At the foot of the strip, where only the review writes: the online
    // game's line, and the notice.
    const std::string online = onlineLine();
    if ((!notice.empty() || !online.empty()) && reviewShown == 0) {
        renderGraph(true);
        renderGraphText(45, 24, 12, white, online);
        renderGraphText(45, 8, 12, white, notice);
        renderGraph(false);
    }
    renderEndFrame();
}
