// Frames drawn by the real display callback in a real context, read back.

#include "glharness.h"

#include "computer.h"
#include "frame.h"
#include "game.h"
#include "history.h"
#include "input.h"
#include "menus.h"
#include "referee.h"
#include "render_gl.h"
#include "reviewpage.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

// Xlib's macros clash with GoogleTest's names, so it comes after.
#include <GL/glx.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace {

class Render : public ::testing::Test {
  protected:
    void SetUp() override { resetGame(); }
    void TearDown() override { resetGame(); }
};

// Pixels that pass a test in the 9 x 9 box about the projected centre of
// cell index k: a ball covers the box, cube edges cross it in thin lines.
template <typename Test> int atCellCentre(const Frame& frame, int k, Test test) {
    double x, y, z, wx, wy;
    homePosition(k, x, y, z);
    projectToWindow(x, y, z, wx, wy);
    int cx = static_cast<int>(std::lround(wx)), cy = static_cast<int>(std::lround(wy));
    return frame.count(cx - 4, cy - 4, cx + 4, cy + 4, test);
}

bool lit(Rgb p) { return !isDark(p); }

// Bounding box of the pixels in a search region that pass a test.
struct Box {
    int left = 100000, bottom = 100000, right = -1, top = -1;
    int count = 0;
};

template <typename Test> Box findText(const Frame& frame, int x0, int y0, int x1, int y1, Test t) {
    Box box;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            if (t(frame.at(x, y))) {
                box.count++;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.bottom = std::min(box.bottom, y);
                box.top = std::max(box.top, y);
            }
    return box;
}

// The first glyph of a line of text that should start at window pixel
// (x, y): a box small enough to hold no other line.
template <typename Test> Box firstGlyph(const Frame& frame, int x, int y, Test test) {
    return findText(frame, x - 5, y - 2, x + 7, y + 9, test);
}

void expectLineAt(const Box& glyph, int x, int y) {
    EXPECT_GT(glyph.count, 5);
    EXPECT_NEAR(glyph.left, x, 3);
    EXPECT_NEAR(glyph.bottom, y, 2);
}

bool white(Rgb p) { return p.red > 150 && p.green > 150 && p.blue > 150; }

TEST_F(Render, EmptyBoardShowsTheCubesInTheirLevelColoursAndNoBall) {
    Frame frame = renderFrame();
    for (int k = 0; k < 27; k++)
        EXPECT_LT(atCellCentre(frame, k, lit), 30) << "a ball at cell index " << k;

    // Sample each cube's twelve edges: its pixels carry the level's channel.
    for (int k = 0; k < 27; k++) {
        double cx, cy, cz;
        homePosition(k, cx, cy, cz);
        int level = k / 9, samples = 0, matching = 0;
        for (int axis = 0; axis < 3; axis++)
            for (int corner = 0; corner < 4; corner++)
                for (int step = 1; step < 10; step++) {
                    double p[3];
                    p[axis] = -0.3 + 0.6 * step / 10;
                    p[(axis + 1) % 3] = corner & 1 ? 0.3 : -0.3;
                    p[(axis + 2) % 3] = corner & 2 ? 0.3 : -0.3;
                    double wx, wy;
                    projectToWindow(cx + p[0], cy + p[1], cz + p[2], wx, wy);
                    int x = static_cast<int>(std::lround(wx)),
                        y = static_cast<int>(std::lround(wy));
                    samples++;
                    if (frame.count(x - 1, y - 1, x + 1, y + 1,
                                    [&](Rgb q) { return dominates(q, level); }) > 0)
                        matching++;
                }
        EXPECT_GT(matching, samples * 6 / 10) << "cube " << k;
    }
    // The front row of the bottom level is full red.
    int brightest = 0;
    for (int y = 150; y < 800; y++)
        for (int x = 0; x < 800; x++)
            if (dominates(frame.at(x, y), 0))
                brightest = std::max(brightest, frame.at(x, y).red);
    EXPECT_GT(brightest, 240);
}

TEST_F(Render, BallsShowInTheirOwnersColourAtTheirCells) {
    spots[0][0][0] = 1; // cell 1, player 1
    spots[4][1][1] = 1; // cell 14, player 2
    spots[8][2][0] = 1; // cell 27, player 1
    r2 = 0, g2 = 0, b2 = 1;
    Frame frame = renderFrame();
    auto red = [](Rgb p) { return dominates(p, 0); };
    auto blue = [](Rgb p) { return dominates(p, 2); };
    EXPECT_GE(atCellCentre(frame, 0, red), 50);
    EXPECT_GE(atCellCentre(frame, 13, blue), 50);
    EXPECT_GE(atCellCentre(frame, 26, red), 50);
    EXPECT_LT(atCellCentre(frame, 4, lit), 30);
}

TEST_F(Render, AnEntryOtherThanOneDrawsNoBall) {
    Frame empty = renderFrame();
    spots[0][0][0] = 2;
    spots[4][1][1] = 2;
    spots[8][2][1] = -1;
    Frame withTwos = renderFrame();
    EXPECT_TRUE(withTwos == empty);
}

TEST_F(Render, TurnLineInThePlayersColourWhereItBelongs) {
    auto red = [](Rgb p) { return dominates(p, 0); };
    auto green = [](Rgb p) { return dominates(p, 1); };
    Frame first = renderFrame();
    Box line = findText(first, 600, 70, 799, 120, red);
    EXPECT_GT(line.count, 60);
    EXPECT_NEAR(line.left, 654, 3);
    EXPECT_NEAR(line.bottom, 94, 4);
    EXPECT_EQ(findText(first, 600, 70, 799, 120, green).count, 0);

    turn = 1;
    Frame second = renderFrame();
    Box other = findText(second, 600, 70, 799, 120, green);
    EXPECT_GT(other.count, 60);
    EXPECT_NEAR(other.left, 654, 3);
    EXPECT_EQ(findText(second, 600, 70, 799, 120, red).count, 0);

    turn = 2;
    Frame none = renderFrame();
    EXPECT_EQ(findText(none, 600, 70, 799, 120, lit).count, 0);
}

TEST_F(Render, TitleSitsOnTheStripsTopEdge) {
    Frame frame = renderFrame();
    Box title = findText(frame, 0, 140, 200, 180, white);
    EXPECT_GT(title.count, 60);
    EXPECT_NEAR(title.left, 13, 3);
    EXPECT_NEAR(title.bottom, 150, 2);
    // The strip's text area holds nothing else at start.
    EXPECT_EQ(findText(frame, 0, 0, 599, 140, lit).count, 0);
}

TEST_F(Render, EachPageShowsItsLinesInItsColour) {
    const struct {
        int code;
        float red, green, blue;
        bool seventhLine;
    } pages[] = {{1, 1, 1, 1, true}, {2, 0, 1, 0, false}, {3, 0, 1, 1, true}, {4, 0, 1, 1, true}};
    for (const auto& page : pages) {
        instructions = page.code;
        Frame frame = renderFrame();
        auto inColour = [&](Rgb p) {
            return !isDark(p) && (page.red > 0.5f) == (p.red > 128) &&
                   (page.green > 0.5f) == (p.green > 128) && (page.blue > 0.5f) == (p.blue > 128);
        };
        expectLineAt(firstGlyph(frame, 45, 132, inColour), 45, 132);
        EXPECT_GT(findText(frame, 0, 86, 799, 99, inColour).count, 30) << "page " << page.code;
        Box seventh = findText(frame, 0, 46, 799, 60, inColour);
        if (page.seventhLine)
            EXPECT_GT(seventh.count, 30) << "page " << page.code;
        else
            EXPECT_EQ(seventh.count, 0) << "page " << page.code;
    }
    instructions = 6;
    EXPECT_EQ(findText(renderFrame(), 0, 0, 599, 140, lit).count, 0);
}

TEST_F(Render, PageLinesStepDownAndRight) {
    // Page 4 has lines that start at the margin, which show the slant.
    instructions = 4;
    Frame frame = renderFrame();
    auto cyan = [](Rgb p) { return p.red < 100 && p.green > 128 && p.blue > 128; };
    // Line 1 at (45, 132) and line 4, after one blank, at (70, 90); each line
    // 11.5 to 14.5 pixels lower and 7 to 9 further right than the one above.
    expectLineAt(firstGlyph(frame, 45, 132, cyan), 45, 132);
    Box gameB = firstGlyph(frame, 73, 90, cyan);
    expectLineAt(gameB, 73, 90);
    Box challenge = findText(frame, 70, gameB.bottom - 32, 110, gameB.bottom - 20, cyan);
    EXPECT_GE(challenge.left - gameB.left, 2 * 7 - 3);
    EXPECT_LE(challenge.left - gameB.left, 2 * 9 - 3);
    EXPECT_GE(gameB.bottom - challenge.bottom, 23);
    EXPECT_LE(gameB.bottom - challenge.bottom, 29);
}

TEST_F(Render, GameOverOnceTheBoardIsFull) {
    instructions = 3;
    gamecount = 26;
    Frame notYet = renderFrame();
    EXPECT_EQ(instructions, 3);
    gamecount = 27;
    Frame over = renderFrame();
    EXPECT_EQ(instructions, 5);
    Box text = findText(over, 200, 70, 560, 110, white);
    EXPECT_GT(text.count, 60);
    EXPECT_NEAR(text.left, 282, 3);
    EXPECT_NEAR(text.bottom, 79, 3);
    // The page chosen before is gone, and choosing one now does not bring it back.
    auto cyan = [](Rgb p) { return p.red < 100 && p.green > 128 && p.blue > 128; };
    EXPECT_GT(findText(notYet, 0, 0, 599, 145, cyan).count, 0);
    EXPECT_EQ(findText(over, 0, 0, 599, 145, cyan).count, 0);
    instructions = 2;
    Frame again = renderFrame();
    EXPECT_TRUE(again == over);
}

TEST_F(Render, GameOverCountsTheRowsBelowIt) {
    const char* game = "1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 5 6 4 3 7 2 8 1 9 ";
    for (const char* key = game; *key != '\0'; key++)
        keyAction(static_cast<unsigned char>(*key), 0, 0);
    ASSERT_EQ(countRows(spots, 0), 7);
    ASSERT_EQ(countRows(spots, 1), 5);
    const char* lines[3] = {"Player 1: 7 rows", "Player 2: 5 rows", "Player 1 wins"};
    // Each line where it belongs, in its colour, as wide as its text: the
    // players' lines about (282, 52) and (473, 52), who won about (284, 26).
    const struct {
        int x0, x1, y0, y1, left, bottom;
    } boxes[3] = {
        {270, 460, 44, 72, 282, 52}, {462, 640, 44, 72, 473, 52}, {270, 460, 16, 42, 284, 26}};
    for (int who = 0; who < 2; who++) {
        (who == 0 ? colour1 : colour2)(2);
        const float colours[3][3] = {{r1, g1, b1}, {r2, g2, b2}, {1, 1, 1}};
        Frame frame = renderFrame();
        int inBoxes = 0;
        for (int i = 0; i < 3; i++) {
            auto inColour = [&](Rgb p) {
                return !isDark(p) && (colours[i][0] > 0.5f) == (p.red > 128) &&
                       (colours[i][1] > 0.5f) == (p.green > 128) &&
                       (colours[i][2] > 0.5f) == (p.blue > 128);
            };
            Box text =
                findText(frame, boxes[i].x0, boxes[i].y0, boxes[i].x1, boxes[i].y1, inColour);
            EXPECT_NEAR(text.left, boxes[i].left, 3) << lines[i];
            // The baseline: letters without descenders stand on it.
            EXPECT_NEAR(findText(frame, text.left, boxes[i].bottom - 1, text.left + 8,
                                 boxes[i].bottom + 12, inColour)
                            .bottom,
                        boxes[i].bottom, 2)
                << lines[i];
            int width = glutBitmapLength(GLUT_BITMAP_HELVETICA_18,
                                         reinterpret_cast<const unsigned char*>(lines[i]));
            EXPECT_NEAR(text.right - text.left, width, 3) << lines[i];
            inBoxes += frame.count(boxes[i].x0, boxes[i].y0, boxes[i].x1, boxes[i].y1, lit);
            EXPECT_EQ(frame.count(boxes[i].x0, boxes[i].y0, boxes[i].x1, boxes[i].y1, lit),
                      text.count)
                << lines[i] << " is all in its colour";
        }
        // Nothing else below "GAME OVER"; above it the picture is pinned.
        EXPECT_EQ(frame.count(0, 0, 799, 74, lit), inBoxes);
    }
    // A draw, and a single row.
    resetGame();
    spots[0][0][0] = spots[1][0][0] = spots[2][0][0] = 1;
    spots[0][1][1] = spots[1][1][1] = spots[2][1][1] = 1;
    instructions = 5;
    Frame draw = renderFrame();
    int drawWidth =
        glutBitmapLength(GLUT_BITMAP_HELVETICA_18, reinterpret_cast<const unsigned char*>("Draw"));
    EXPECT_NEAR(findText(draw, 270, 16, 460, 42, white).right -
                    findText(draw, 270, 16, 460, 42, white).left,
                drawWidth, 3);
    int oneRow = glutBitmapLength(GLUT_BITMAP_HELVETICA_18,
                                  reinterpret_cast<const unsigned char*>("Player 1: 1 row"));
    Box one = findText(draw, 270, 44, 460, 72, lit);
    EXPECT_NEAR(one.right - one.left, oneRow, 3);
}

TEST_F(Render, TurnedBoardLeavesTheStripWhereItWas) {
    spots[6][0][0] = 1;
    Frame home = renderFrame();
    turnBoard(0, 1, 0, 90);
    Frame turned = renderFrame();
    EXPECT_FALSE(turned == home);
    for (int y = 0; y < 150; y++)
        for (int x = 0; x < 800; x++) {
            Rgb a = home.at(x, y), b = turned.at(x, y);
            ASSERT_TRUE(a.red == b.red && a.green == b.green && a.blue == b.blue) << x << "," << y;
        }
}

} // namespace

namespace {

// The frame as the game drew it before its ball was kept as built geometry:
// every ball drawn afresh by GLUT, every cube face by face, the strip as
// display draws it. The game's frames must match it to the pixel.
Frame directFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (gamecount == 27)
        instructions = 5;
    glColor3f(r, g, b);
    glViewport(0, 150, 800, 800);
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    for (int p = 0; p < 2; p++)
        for (int k = 0; k < 27; k++)
            if (spots[k % 9][k / 9][p] == 1) {
                glColor3fv(colours[p]);
                glPushMatrix();
                myWorld.spheres[k]->ctm_multiply();
                glutSolidSphere(0.3, 25, 25);
                glPopMatrix();
                glFlush();
            }
    for (int k = 0; k < 27; k++) {
        float colour[3] = {0, 0, 0};
        colour[k / 9] = (k / 3) % 3 == 0 ? 0.33f : (k / 3) % 3 == 1 ? 0.66f : 1.0f;
        glPushMatrix();
        myWorld.cubes[k]->ctm_multiply();
        glScalef(0.3f, 0.3f, 0.3f);
        for (int face = 0; face < 6; face++)
            myWorld.cubes[k]->draw_face(face, colour[0], colour[1], colour[2]);
        glPopMatrix();
    }
    // The strip has nothing to compare against but itself: draw it as the game does.
    int page = instructions;
    instructions = 0;
    glViewport(0, 0, 800, 150);
    font = GLUT_BITMAP_HELVETICA_18;
    glColor3f(1, 1, 1);
    output(-3.2f, 2.75f, "KAVETO");
    glColor3fv(colours[turn]);
    output(1.8f, 1.0f, turn == 0 ? "Player 1 Turn" : "Player 2 Turn");
    instructions = page;
    if (page == 5) {
        glColor3f(1, 1, 1);
        output(-1.0f, 0.0f, "GAME OVER");
    }
    glFlush();
    glutSwapBuffers();
    glFinish();
    return readWindow();
}

TEST_F(Render, FramesMatchDrawingEveryPieceAfreshToThePixel) {
    const char* games[] = {"", "5 2 8 ", "1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 ",
                           "7 7 7 3 1 qw6e", "4 4 9 1 a5"};
    for (const char* keys : games) {
        resetGame();
        for (const char* key = keys; *key != '\0'; key++)
            keyAction(static_cast<unsigned char>(*key), 0, 0);
        for (int i = 0; i < 37; i++)
            at9(); // a turned cube among the others
        colour2(4);
        // The rows drawn at GAME OVER have a test of their own.
        if (gamecount == 27)
            mainMenu(10);
        Frame game = renderFrame();
        Frame direct = directFrame();
        // Below "GAME OVER" stands the count of rows, which has a test of its own.
        int differ = 0;
        for (size_t i = 3 * 800 * 75; i < game.pixels.size(); i++)
            differ += game.pixels[i] != direct.pixels[i];
        EXPECT_EQ(differ, 0) << "bytes differ after \"" << keys << "\"";
    }
}

} // namespace

namespace {

// FNV-1a over the rows from fromRow (counted from the bottom) to the top.
unsigned long long pictureHash(const Frame& frame, int fromRow = 0) {
    unsigned long long hash = 14695981039346656037ull;
    for (size_t i = 3 * 800 * static_cast<size_t>(fromRow); i < frame.pixels.size(); i++)
        hash = (hash ^ frame.pixels[i]) * 1099511628211ull;
    return hash;
}

TEST_F(Render, PicturesAtRestAreTheOnesTheGameHasAlwaysShown) {
    // Read back from frames drawn before the game drew only on change and
    // fitted its picture to the window, in an 800 x 800 window, with this
    // renderer; the strip below "GAME OVER" is left out of that picture.
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (std::string(renderer).rfind("llvmpipe (LLVM 15.0.6, 256 bits)", 0) != 0)
        GTEST_SKIP() << "pictures were read with another renderer than " << renderer;
    const struct {
        const char* keys;
        int menu, spins, fromRow;
        unsigned long long hash;
    } pictures[] = {
        {"", 0, 0, 0, 0x43ac06ce8c66746bull},
        {"5 2 8 7", 0, 0, 0, 0x4a6df76b6f130273ull},
        {"7 7 7 3 1 qw6e", 0, 37, 0, 0xa7db69fff3fbf8cdull},
        {"4 4 9 1 asd", 0, 0, 0, 0x97b135da65a49053ull},
        {"1 ", 2, 0, 0, 0x84fc79c47777f53dull},
        {"1 ", 3, 0, 0, 0xd75a064ff8b971e7ull},
        {"1 2 ", 5, 0, 0, 0xd3e2429155897700ull},
        {"1 2 3 ", 6, 0, 0, 0x2ca9ececd61686cdull},
        {"7 8 9 ", -1, 0, 0, 0x85a8b2be8919110dull},
        {"1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 5 6 4 3 7 2 8 1 9 ", 0, 0, 75, 0x899423954f553c39ull},
    };
    for (const auto& picture : pictures) {
        resetGame();
        for (const char* key = picture.keys; *key != '\0'; key++)
            keyAction(static_cast<unsigned char>(*key), 0, 0);
        for (int i = 0; i < picture.spins; i++)
            at9();
        // The rows drawn at GAME OVER are hidden, to compare with the plain board.
        if (gamecount == 27)
            mainMenu(10);
        if (picture.menu > 0)
            mainMenu(picture.menu);
        else if (picture.menu < 0)
            colour1(4), colour2(3);
        Frame frame = renderFrame();
        EXPECT_EQ(pictureHash(frame, picture.fromRow), picture.hash)
            << "\"" << picture.keys << "\"";
    }
}

void press(const char* keys) {
    for (const char* key = keys; *key != '\0'; key++)
        keyAction(static_cast<unsigned char>(*key), 0, 0);
}

// Where the ball of cell index k shows now, turned with the board.
void ballOnScreen(int k, double& wx, double& wy) {
    const Matrix& m = myWorld.spheres[k]->ctm;
    projectToWindow(m.m[0][3], m.m[1][3], m.m[2][3], wx, wy);
}

bool exactly(Rgb p, int red, int green, int blue) {
    return p.red == red && p.green == green && p.blue == blue;
}

TEST_F(Render, EachCountedRowIsALineThroughItsBallsAtGameOver) {
    for (int level = 0; level < 3; level++)
        press("1 2 3 4 5 6 7 8 9 ");
    for (const char* turn : {"", "w"}) {
        press(turn);
        Frame shown = renderFrame();
        mainMenu(10);
        Frame hidden = renderFrame();
        mainMenu(10);
        // Segments of the counted rows on screen, and the owner's colour.
        struct Segment {
            double x0, y0, x1, y1;
            int player;
        };
        std::vector<Segment> segments;
        for (int p = 0; p < 2; p++)
            for (uint32_t row : completedRows(boardPosition(), p)) {
                Segment s;
                s.player = p;
                ballOnScreen(__builtin_ctz(row), s.x0, s.y0);
                ballOnScreen(31 - __builtin_clz(row), s.x1, s.y1);
                segments.push_back(s);
            }
        ASSERT_EQ(segments.size(), static_cast<size_t>(countRows(spots, 0) + countRows(spots, 1)));
        for (const Segment& s : segments) {
            // Between the centres of its end balls, in the owner's colour but
            // where other rows' lines cross it.
            int owned = 0;
            for (double t : {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9}) {
                int x = static_cast<int>(std::lround(s.x0 + t * (s.x1 - s.x0)));
                int y = static_cast<int>(std::lround(s.y0 + t * (s.y1 - s.y0)));
                owned += shown.count(x - 1, y - 1, x + 1, y + 1, [&](Rgb p) {
                    return s.player == 0 ? exactly(p, 255, 0, 0) : exactly(p, 0, 255, 0);
                }) > 0;
            }
            EXPECT_GE(owned, 4) << "view '" << turn << "', a row of player " << s.player + 1;
        }
        // Every pixel that the lines change lies on a counted row's segment.
        int stray = 0, changed = 0;
        for (int y = 150; y < 800; y++)
            for (int x = 0; x < 800; x++) {
                if (shown.at(x, y).red == hidden.at(x, y).red &&
                    shown.at(x, y).green == hidden.at(x, y).green &&
                    shown.at(x, y).blue == hidden.at(x, y).blue)
                    continue;
                changed++;
                bool near = false;
                for (const Segment& s : segments) {
                    double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
                    double t = std::clamp(((x - s.x0) * dx + (y - s.y0) * dy) / (dx * dx + dy * dy),
                                          0.0, 1.0);
                    near = near || std::hypot(x - s.x0 - t * dx, y - s.y0 - t * dy) < 3.5;
                }
                stray += !near;
            }
        EXPECT_GT(changed, 100);
        EXPECT_EQ(stray, 0) << "view '" << turn << "': line pixels off every counted row";
    }
}

TEST_F(Render, ColumnValuesShowAboveTheColumnsAndChangeAfterAMove) {
    press("5 ");
    mainMenu(9);
    for (int round = 0; round < 2; round++) {
        Frame frame = renderFrame();
        int values[9], legal = moveValues(boardPosition(), values);
        int sign = turn == 0 ? 1 : -1, best = -100;
        for (int c = 0; c < 9; c++)
            if (legal >> c & 1)
                best = std::max(best, sign * values[c]);
        for (int c = 0; c < 9; c++) {
            ASSERT_TRUE(legal >> c & 1);
            char text[8];
            std::snprintf(text, sizeof text, sign * values[c] > 0 ? "+%d" : "%d", sign * values[c]);
            int width = glutBitmapLength(GLUT_BITMAP_HELVETICA_18,
                                         reinterpret_cast<const unsigned char*>(text));
            const Matrix& top = myWorld.spheres[18 + c]->ctm;
            double x, y;
            projectToWindow(top.m[0][3], top.m[1][3] + 0.45, top.m[2][3], x, y);
            bool white = sign * values[c] == best;
            auto inColour = [&](Rgb p) {
                return white ? exactly(p, 255, 255, 255)
                             : (turn == 0 ? exactly(p, 255, 0, 0) : exactly(p, 0, 255, 0));
            };
            int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
            EXPECT_GT(frame.count(x0, y0, x0 + width, y0 + 13, inColour), 8)
                << "column " << c + 1 << ", \"" << text << "\"";
            EXPECT_EQ(frame.count(x0 + width + 1, y0, x0 + width + 6, y0 + 13, inColour), 0)
                << "column " << c + 1 << " is wider than \"" << text << "\"";
        }
        press("1 ");
    }
}

TEST_F(Render, HintMarksTheBestColumnAndSpacePlaysIt) {
    press("5 1 ");
    int values[9], legal = moveValues(boardPosition(), values), best = -100;
    for (int c = 0; c < 9; c++)
        if (legal >> c & 1)
            best = std::max(best, values[c]);
    mainMenu(8);
    ASSERT_NE(spotSelected, 0);
    int column = (spotSelected - 1) % 9;
    EXPECT_EQ(values[column], best);
    for (int i = 0; i < 3; i++)
        stepSpin(0);
    EXPECT_NE(myWorld.cubes[spotSelected - 1]->ctm.m[0][1], 0.0) << "its cube turns";
    int cell = spotSelected;
    press(" ");
    EXPECT_EQ(spots[column][(cell - 1) / 9][0], 1) << "space played the hinted cell";
}

// A spin frame is drawn from a copy of the still board; each must be, to the
// byte, the whole frame of the same moment.

// After the keys, the menu choices and a cell marked, the frame after each of
// `steps` spin steps; `fromStill` 0 draws every one whole.
std::vector<Frame> spinFrames(const char* keys, std::initializer_list<int> menu, int steps,
                              int fromStill) {
    resetGame();
    press(keys);
    for (int value : menu)
        mainMenu(value);
    spinFramesFromStill = fromStill;
    std::vector<Frame> frames;
    for (int step = 0; step <= steps; step++) {
        if (step > 0)
            spinCube(spinningCube());
        frames.push_back(renderFrame());
    }
    spinFramesFromStill = 1;
    return frames;
}

// Resizes the real window and lets the toolkit tell the game, within a time-out.
bool resizeWindow(int width, int height) {
    glutReshapeWindow(width, height);
    auto start = std::chrono::steady_clock::now();
    while (winWidth != width || winHeight != height) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10))
            return false;
        glutMainLoopEvent();
    }
    return true;
}

TEST_F(Render, SpinFramesFromTheStillCopyAreTheWholeFramesToTheByte) {
    const struct {
        const char* keys;
        std::initializer_list<int> menu;
        int width, height;
    } states[] = {
        {"5", {2}, 600, 500},
        {"5 2 8 1 3 7 4 6 9 5 2 8 1 qw3", {3, 9}, 800, 800},
        {"1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9", {}, 800, 800},
    };
    const int steps = 60;
    for (const auto& state : states) {
        ASSERT_TRUE(resizeWindow(state.width, state.height));
        std::vector<Frame> whole = spinFrames(state.keys, state.menu, steps, 0);
        long before = framesFromStill;
        std::vector<Frame> cheap = spinFrames(state.keys, state.menu, steps, 1);
        EXPECT_EQ(framesFromStill - before, steps) << "\"" << state.keys << "\"";
        for (int step = 0; step <= steps; step++)
            ASSERT_TRUE(cheap[step] == whole[step]) << "\"" << state.keys << "\" at " << state.width
                                                    << " x " << state.height << ", step " << step;
        EXPECT_FALSE(whole[0] == whole[steps]) << "the cube turns";
    }
    ASSERT_TRUE(resizeWindow(800, 800));
}

// Runs the toolkit's own loop, timers and X events, until the condition
// holds or 10 s have passed.
bool runLoopUntil(const std::function<bool()>& condition) {
    auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10))
            return false;
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Until n more frames have been drawn from the still copy.
std::function<bool()> framesFromTheCopy(long n) {
    long target = framesFromStill + n;
    return [target] { return framesFromStill >= target; };
}

// What the screen shows in the window now is what a whole frame of this moment shows.
bool showsTheWholeFrame(int window) {
    glutSetWindow(window);
    Frame shown = readScreen();
    spinFramesFromStill = 0;
    Frame whole = renderFrame();
    spinFramesFromStill = 1;
    return shown == whole;
}

// Pixels on screen in the box [x0, x1] x [y0, y1] of the window's X
// coordinates that are not black, whichever window shows them.
int litOnScreen(int x0, int y0, int x1, int y1) {
    Frame screen = readScreen();
    return screen.count(x0, screen.height - 1 - y1, x1, screen.height - 1 - y0,
                        [](Rgb p) { return !isDark(p); });
}

TEST_F(Render, AnExposeAMenuOrAResizeDuringASpinLeavesEveryFrameWhole) {
    const int window = glutGetWindow();
    Display* x = glXGetCurrentDisplay();
    Window game = glXGetCurrentDrawable();
    press("1 2 3 4 5 6 7 8 9 1 2 3 45");
    ASSERT_TRUE(runLoopUntil(framesFromTheCopy(10))) << "the spin runs from the copy";
    EXPECT_TRUE(showsTheWholeFrame(window)) << "while spinning";

    // A window over the game's top left corner, black in the picture, then
    // gone: the server exposes what it covered.
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(x, game, DefaultRootWindow(x), 0, 0, &rootX, &rootY, &child);
    XSetWindowAttributes cover;
    cover.override_redirect = True;
    cover.background_pixel = WhitePixel(x, DefaultScreen(x));
    Window over =
        XCreateWindow(x, DefaultRootWindow(x), rootX, rootY, 200, 200, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &cover);
    XMapRaised(x, over);
    XSync(x, False);
    ASSERT_TRUE(runLoopUntil([] { return litOnScreen(10, 10, 150, 150) > 10000; }))
        << "the other window shows over the game's";
    XDestroyWindow(x, over);
    XSync(x, False);
    ASSERT_TRUE(runLoopUntil(framesFromTheCopy(3)));
    EXPECT_TRUE(showsTheWholeFrame(window)) << "after an expose";

    // The menu opened there and closed by a click outside it, with no choice.
    XTestFakeMotionEvent(x, -1, rootX + 20, rootY + 20, CurrentTime);
    XTestFakeButtonEvent(x, 3, True, CurrentTime);
    XTestFakeButtonEvent(x, 3, False, CurrentTime);
    XFlush(x);
    ASSERT_TRUE(runLoopUntil([] { return litOnScreen(30, 30, 120, 120) > 2000; }))
        << "the menu opens";
    XTestFakeMotionEvent(x, -1, rootX + 700, rootY + 700, CurrentTime);
    XTestFakeButtonEvent(x, 1, True, CurrentTime);
    XTestFakeButtonEvent(x, 1, False, CurrentTime);
    XFlush(x);
    ASSERT_TRUE(runLoopUntil([] { return litOnScreen(30, 30, 120, 120) == 0; }))
        << "the menu closes";
    ASSERT_TRUE(runLoopUntil(framesFromTheCopy(3)));
    EXPECT_TRUE(showsTheWholeFrame(window)) << "after the menu";
    EXPECT_EQ(spotSelected, 14) << "no entry was chosen";

    // Resized while the cube turns, and back.
    for (int size : {600, 800}) {
        glutReshapeWindow(size, size - 100 * (size == 600));
        ASSERT_TRUE(runLoopUntil([size] { return winWidth == size; }));
        ASSERT_TRUE(runLoopUntil(framesFromTheCopy(3)));
        EXPECT_TRUE(showsTheWholeFrame(window)) << "after a resize to " << size;
    }
    ASSERT_TRUE(resizeWindow(800, 800));
}

TEST_F(Render, TheReviewGraphsTheValueAfterEveryMove) {
    const char* digits = "513798642415736982493168527";
    std::vector<int> columns;
    ASSERT_EQ(parseMoves(digits, columns), "");
    playMovesFromStart(columns);
    mainMenu(13);
    specialKey(GLUT_KEY_LEFT, 0, 0);
    Frame frame = renderFrame();
    // The values by the solver, position by position.
    std::vector<int> values;
    Position position = {{0, 0}};
    for (int column : columns) {
        values.push_back(positionValue(position));
        position = afterMove(position, column);
    }
    values.push_back(positionValue(position));
    // Each point's centre, down the column of pixels where it stands, in the
    // colour of who moved there (white for the empty board).
    std::vector<double> heights;
    for (size_t i = 0; i < values.size(); i++) {
        float px, py;
        reviewPoint(static_cast<int>(i), 0, 1, px, py);
        const int x = static_cast<int>(px);
        auto mover = [&](Rgb p) {
            return i == 0       ? exactly(p, 255, 255, 255)
                   : i % 2 == 1 ? exactly(p, 255, 0, 0)
                                : exactly(p, 0, 255, 0);
        };
        // Above the lines of text, which reach 66 pixels up.
        int sum = 0, n = 0;
        for (int y = 68; y < 150; y++)
            if (mover(frame.at(x, y)))
                sum += y, n++;
        ASSERT_GT(n, 2) << "no point for move " << i;
        heights.push_back(static_cast<double>(sum) / n);
    }
    // The line at 0, between the first two points.
    float zx, zy;
    reviewPoint(0, 0, 1, zx, zy);
    const int between = static_cast<int>(zx) + 10;
    Box zero = findText(frame, between, 68, between, 149, [](Rgb p) {
        return p.red > 100 && p.red < 160 && p.red == p.green && p.green == p.blue;
    });
    ASSERT_GT(zero.count, 0);
    // Heights above the line in proportion to the values, the largest 30 pixels.
    size_t largest = 0;
    for (size_t i = 0; i < values.size(); i++)
        if (std::abs(values[i]) > std::abs(values[largest]))
            largest = i;
    const double perRow = (heights[largest] - zero.bottom) / values[largest];
    EXPECT_NEAR(perRow * std::max(3, std::abs(values[largest])), 30, 1.5);
    for (size_t i = 0; i < values.size(); i++)
        EXPECT_NEAR(heights[i] - zero.bottom, perRow * values[i], 1.5) << "move " << i;
    // A move that lost rows is ringed in its mover's colour, the wider the
    // worse: inaccuracy, mistake, blunder; a best move is not.
    int ringed[4] = {};
    for (size_t i = 1; i < values.size(); i++) {
        const int side = i % 2 == 1 ? 1 : -1, from = side * values[i - 1], to = side * values[i];
        auto classOf = [](int v) { return v > 0 ? 2 : v == 0 ? 1 : 0; };
        const int kind = from == to                         ? 0
                         : classOf(from) == classOf(to)     ? 1
                         : classOf(from) - classOf(to) == 1 ? 2
                                                            : 3;
        float px, py;
        reviewPoint(static_cast<int>(i), 0, 1, px, py);
        const int x = static_cast<int>(px), y = static_cast<int>(std::lround(heights[i]));
        int reach = 0;
        for (int dx = 4; dx <= 12; dx++)
            if (frame.at(x + dx, y).red == (i % 2 == 1 ? 255 : 0) &&
                frame.at(x + dx, y).green == (i % 2 == 1 ? 0 : 255) &&
                frame.at(x + dx, y).blue == 0)
                reach = dx;
        if (kind == 0)
            EXPECT_EQ(reach, 0) << "a ring about best move " << i;
        else
            EXPECT_NEAR(reach, 3.5 + 2 * kind, 1) << "the ring of move " << i;
        ringed[kind]++;
    }
    EXPECT_GT(ringed[0] * ringed[1] * ringed[2], 0) << "best moves, inaccuracies and mistakes";
    // The moves whole on one line, the last one included though it is taken back.
    const std::string moves = std::string("Moves: ") + digits;
    Box line = findText(frame, 40, 0, 799, 20, [](Rgb p) { return exactly(p, 255, 255, 255); });
    EXPECT_NEAR(line.right - line.left,
                glutBitmapLength(GLUT_BITMAP_HELVETICA_12,
                                 reinterpret_cast<const unsigned char*>(moves.c_str())),
                3);
    mainMenu(13);
    EXPECT_EQ(reviewShown, 0);
}

// The cells (bit k) whose cube's twelve edges show pixels that pass the test
// at three in four of their points or more.
template <typename Test> uint32_t cellsOutlined(const Frame& frame, Test test) {
    uint32_t cells = 0;
    for (int k = 0; k < 27; k++) {
        const Matrix& m = myWorld.cubes[k]->ctm;
        int samples = 0, hits = 0;
        for (int axis = 0; axis < 3; axis++)
            for (int corner = 0; corner < 4; corner++)
                for (int step = 1; step < 10; step++) {
                    double p[3], wx, wy;
                    p[axis] = -0.3 + 0.6 * step / 10;
                    p[(axis + 1) % 3] = corner & 1 ? 0.3 : -0.3;
                    p[(axis + 2) % 3] = corner & 2 ? 0.3 : -0.3;
                    projectToWindow(m.m[0][3] + p[0], m.m[1][3] + p[1], m.m[2][3] + p[2], wx, wy);
                    const int x = static_cast<int>(std::lround(wx)),
                              y = static_cast<int>(std::lround(wy));
                    samples++;
                    hits += frame.count(x - 1, y - 1, x + 1, y + 1, test) > 0;
                }
        if (4 * hits >= 3 * samples)
            cells |= uint32_t{1} << k;
    }
    return cells;
}

TEST_F(Render, TheReviewMarksTheMovesCellAndTheBestCellsInEveryViewUntilItCloses) {
    const char* digits = "554669589869122273747343118";
    std::vector<int> columns;
    ASSERT_EQ(parseMoves(digits, columns), "");
    // Move 9 is a mistake; move 13 an inaccuracy whose ball, in cell 0, no
    // ball hides in the start view.
    for (int shown : {9, 13}) {
        // The cell of the move, and the landing cells of the best columns before it.
        Position before = {{0, 0}};
        for (int i = 0; i + 1 < shown; i++)
            before = afterMove(before, columns[i]);
        const int played = columns[shown - 1];
        const int playedCell =
            9 * (__builtin_popcount((before.balls[0] | before.balls[1]) & (0x40201u << played))) +
            played;
        int values[9], legal = moveValues(before, values), best = -100;
        for (int c = 0; c < 9; c++)
            if (legal >> c & 1)
                best = std::max(best, (shown % 2 == 1 ? 1 : -1) * values[c]);
        uint32_t bestCells = 0;
        for (int c = 0; c < 9; c++)
            if ((legal >> c & 1) && (shown % 2 == 1 ? 1 : -1) * values[c] == best && c != played)
                bestCells |= uint32_t{1} << landingIndex(before, c);
        ASSERT_NE(bestCells, 0u);
        // Magenta and yellow, which no cube's lines are drawn in.
        const int mover[3] = {255, shown % 2 == 1 ? 0 : 255, shown % 2 == 1 ? 255 : 0};
        for (const char* view : {"", "q", "ew"}) {
            resetGame();
            colour1(4);
            colour2(2);
            playMovesFromStart(columns);
            mainMenu(13);
            specialKey(GLUT_KEY_HOME, 0, 0);
            for (int i = 0; i < shown; i++)
                specialKey(GLUT_KEY_RIGHT, 0, 0);
            press(view);
            Frame marked = renderFrame();
            keyAction(27, 0, 0);
            Frame closed = renderFrame();
            auto white = [](Rgb p) { return exactly(p, 255, 255, 255); };
            auto moverColour = [&](Rgb p) { return exactly(p, mover[0], mover[1], mover[2]); };
            EXPECT_EQ(cellsOutlined(marked, white) & ~cellsOutlined(closed, white),
                      uint32_t{1} << playedCell)
                << "move " << shown << ", view '" << view << "'";
            EXPECT_EQ(cellsOutlined(marked, moverColour) & ~cellsOutlined(closed, moverColour),
                      bestCells)
                << "move " << shown << ", view '" << view << "'";
            // Closed, the board is the plain board of that position in that view.
            std::vector<int> prefix(columns.begin(), columns.begin() + shown);
            resetGame();
            colour1(4);
            colour2(2);
            playMovesFromStart(prefix);
            press(view);
            Frame plain = renderFrame();
            EXPECT_TRUE(std::equal(plain.pixels.begin() + 3 * 800 * 150, plain.pixels.end(),
                                   closed.pixels.begin() + 3 * 800 * 150))
                << "the marks stay after Escape, move " << shown << ", view '" << view << "'";
        }
    }
}

// The mean absolute difference of the grey of two frames over the disc of
// the ball of cell index k as it stands now: 0.299 red, 0.587 green, 0.114 blue.
double greyDifferenceOverBall(const Frame& a, const Frame& b, int k) {
    const Matrix& m = myWorld.spheres[k]->ctm;
    double cx, cy, ex, ey;
    projectToWindow(m.m[0][3], m.m[1][3], m.m[2][3], cx, cy);
    // A point 0.25 to the camera's right of the centre: (7, 0, -3) / sqrt(58).
    const double right = 0.25 / std::sqrt(58.0);
    projectToWindow(m.m[0][3] + 7 * right, m.m[1][3], m.m[2][3] - 3 * right, ex, ey);
    const double radius = std::hypot(ex - cx, ey - cy);
    auto grey = [](Rgb p) { return 0.299 * p.red + 0.587 * p.green + 0.114 * p.blue; };
    double sum = 0;
    int n = 0;
    for (int y = static_cast<int>(cy - radius); y <= static_cast<int>(cy + radius); y++)
        for (int x = static_cast<int>(cx - radius); x <= static_cast<int>(cx + radius); x++)
            if (std::hypot(x - cx, y - cy) <= radius) {
                sum += std::abs(grey(a.at(x, y)) - grey(b.at(x, y)));
                n++;
            }
    return sum / n;
}

TEST_F(Render, MarkedBallsOfThePlayersDifferInGreyInEveryColourAndView) {
    const int k = 24; // top level, front left
    double least = 1000, leastUnmarked = 1000;
    for (const char* view : {"", "q", "e"})
        for (int one = 1; one <= 4; one++)
            for (int two = 1; two <= 4; two++)
                for (int marks : {1, 0}) {
                    resetGame();
                    if (marks == 1)
                        mainMenu(15);
                    colour1(one);
                    colour2(two);
                    press(view);
                    Frame balls[2];
                    for (int p = 0; p < 2; p++) {
                        spots[k % 9][k / 9][p] = 1;
                        balls[p] = renderFrame();
                        spots[k % 9][k / 9][p] = 0;
                    }
                    double difference = greyDifferenceOverBall(balls[0], balls[1], k);
                    (marks == 1 ? least : leastUnmarked) =
                        std::min(marks == 1 ? least : leastUnmarked, difference);
                    EXPECT_TRUE(marks == 0 || difference > 40)
                        << "view '" << view << "', colours " << one << " and " << two << ": "
                        << difference;
                }
    // Without marks, cyan and orange are near alike in grey.
    EXPECT_LT(leastUnmarked, 25);
    EXPECT_GT(least, 2 * leastUnmarked);
}

} // namespace
