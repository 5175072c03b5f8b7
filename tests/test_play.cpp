// A game played through the real keyboard and menu callbacks, in the game's
// real window, checked on the state and on the frames drawn.

#include "glharness.h"

#include "computer.h"
#include "frame.h"
#include "game.h"
#include "history.h"
#include "input.h"
#include "menus.h"
#include "online.h"
#include "referee.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace {

class Play : public ::testing::Test {
  protected:
    void SetUp() override { resetGame(); }
    void TearDown() override { resetGame(); }
};

void press(const char* keys) {
    for (const char* key = keys; *key != '\0'; key++)
        keyAction(static_cast<unsigned char>(*key), 0, 0);
}

// Everything a key may change, to compare before and after.
struct State {
    int board[9][3][2], counts[9], turn, gamecount, spotSelected, colSelected;
    double pieces[54][4][4];
    bool operator==(const State& other) const {
        return std::memcmp(this, &other, sizeof(State)) == 0;
    }
};

State snapshot() {
    State s;
    std::memset(&s, 0, sizeof s);
    std::memcpy(s.board, spots, sizeof spots);
    for (int c = 0; c < 9; c++)
        s.counts[c] = *columnCount(c);
    s.turn = turn, s.gamecount = gamecount;
    s.spotSelected = spotSelected, s.colSelected = colSelected;
    for (int k = 0; k < 27; k++) {
        std::memcpy(s.pieces[k], myWorld.spheres[k]->ctm.m, sizeof(double[4][4]));
        std::memcpy(s.pieces[27 + k], myWorld.cubes[k]->ctm.m, sizeof(double[4][4]));
    }
    return s;
}

Shape& piece(int i) {
    return i < 27 ? static_cast<Shape&>(*myWorld.spheres[i])
                  : static_cast<Shape&>(*myWorld.cubes[i - 27]);
}

void expectAllHome() {
    for (int i = 0; i < 54; i++) {
        double x, y, z;
        homePosition(i % 27, x, y, z);
        Matrix home;
        home.translate(x, y, z);
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                ASSERT_EQ(piece(i).ctm.m[r][c], home.m[r][c]) << "piece " << i;
    }
}

// The invariants of the game state that no sequence of keys may break.
void expectInvariants(const char* context) {
    int total = 0;
    for (int c = 0; c < 9; c++) {
        int balls = 0;
        for (int l = 0; l < 3; l++) {
            int owners = spots[c][l][0] + spots[c][l][1];
            ASSERT_LE(owners, 1) << context;
            ASSERT_EQ(owners, l < *columnCount(c) ? 1 : 0) << "gap in column " << c << context;
            balls += owners;
        }
        ASSERT_EQ(*columnCount(c), balls) << context;
        total += balls;
    }
    ASSERT_EQ(gamecount, total) << context;
    ASSERT_TRUE(turn == 0 || turn == 1) << context;
    ASSERT_EQ(turn, gamecount % 2) << context;
    ASSERT_EQ(colSelected, spotSelected != 0 ? 1 : 0) << context;
    if (spotSelected != 0) {
        ASSERT_EQ((spotSelected - 1) / 9, *columnCount((spotSelected - 1) % 9)) << context;
    }
}

TEST_F(Play, DigitsFillEachColumnFromTheBottomUpToGameOver) {
    for (int level = 0; level < 3; level++)
        for (int k = 1; k <= 9; k++) {
            int mover = turn;
            keyAction(static_cast<unsigned char>('0' + k), 0, 0);
            ASSERT_EQ(spotSelected, 9 * level + k);
            ASSERT_EQ(colSelected, 1);
            keyAction(' ', 0, 0);
            ASSERT_EQ(spots[k - 1][level][mover], 1);
            ASSERT_EQ(spots[k - 1][level][1 - mover], 0);
            ASSERT_EQ(turn, 1 - mover);
            ASSERT_EQ(spotSelected, 0);
            ASSERT_EQ(colSelected, 0);
            expectInvariants(" while filling");
        }
    EXPECT_EQ(gamecount, 27);
    auto white = [](Rgb p) { return p.red > 150 && p.green > 150 && p.blue > 150; };
    EXPECT_GT(renderFrame().count(280, 77, 420, 95, white), 60) << "GAME OVER";
    // Every column is full: digits now change nothing, and neither does space.
    State full = snapshot();
    press("123456789 5 ");
    EXPECT_TRUE(snapshot() == full);
}

TEST_F(Play, TwoDigitsThenSpacePlaysTheSecond) {
    press("37 ");
    EXPECT_EQ(spots[6][0][0], 1);
    EXPECT_EQ(spots[2][0][0], 0);
    EXPECT_EQ(col3, 0);
    EXPECT_EQ(col7, 1);
    press("44 4 4");
    EXPECT_EQ(spotSelected, 22) << "'4' over two balls chooses cell 22";
}

TEST_F(Play, SpaceWithoutAChoicePlacesNothingAndKeepsTheTurn) {
    State start = snapshot();
    press(" ");
    EXPECT_TRUE(snapshot() == start);
    press("5 ");
    press("  ");
    EXPECT_EQ(turn, 1);
    EXPECT_EQ(gamecount, 1);
}

TEST_F(Play, SameDigitTwiceChangesNothingMore) {
    press("6");
    State once = snapshot();
    press("6");
    EXPECT_TRUE(snapshot() == once);
}

TEST_F(Play, FullColumnsDigitIsIgnored) {
    press("5 5 5 ");
    ASSERT_EQ(col5, 3);
    State before = snapshot();
    press("5");
    EXPECT_TRUE(snapshot() == before) << "no column chosen";
    press(" ");
    EXPECT_TRUE(snapshot() == before) << "so space passes no turn";
    press("25");
    EXPECT_EQ(spotSelected, 2) << "the earlier choice stands";
    press(" ");
    EXPECT_EQ(spots[1][0][1], 1);
}

// Whether (red, green, blue) is one of a player's four colours.
bool oneOf(float red, float green, float blue, const float (&colours)[4][3]) {
    for (const auto& c : colours)
        if (red == c[0] && green == c[1] && blue == c[2])
            return true;
    return false;
}

TEST_F(Play, RandomKeysAndMenuChoicesKeepEveryInvariant) {
    const float colours1[4][3] = {{1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 0, 1}};
    const float colours2[4][3] = {{0, 1, 0}, {1, 1, 0}, {1, 0.3f, 0}, {0.3f, 0.3f, 0.3f}};
    for (unsigned stream : {1u, 2u, 3u, 4u}) {
        resetGame();
        std::mt19937 random(stream);
        std::uniform_int_distribution<int> anyCharacter(0, 255), choice(0, 15), value(-3, 11);
        // Keys that act come often, so that the board fills in every run.
        const char acting[] = " 123456789qawsed";
        for (int i = 0; i < 12000; i++) {
            int what = choice(random), v = value(random);
            if (what < 8) {
                keyAction(static_cast<unsigned char>(anyCharacter(random)), 0, 0);
            } else if (what < 13) {
                keyAction(static_cast<unsigned char>(acting[choice(random)]), 0, 0);
            } else if (what == 13) {
                // Quit, which ends the process, New game and Undo have tests of their own.
                if (v != 4 && v != 7 && v != 8 && v != 11)
                    mainMenu(v);
            } else {
                (what == 14 ? colour1 : colour2)(v);
                player(v);
            }
            if (i % 1000 == 0)
                display();
            expectInvariants(" after a random input");
            ASSERT_TRUE(oneOf(r1, g1, b1, colours1) && oneOf(r2, g2, b2, colours2));
            ASSERT_TRUE(instructions >= 0 && instructions <= 5);
            if (HasFatalFailure())
                FAIL() << "stream " << stream << ", input " << i;
        }
        EXPECT_EQ(gamecount, 27) << "stream " << stream;
        for (int k = 0; k < 27; k++)
            for (int a = 0; a < 3; a++) {
                EXPECT_NEAR(myWorld.spheres[k]->ctm.m[a][3], myWorld.cubes[k]->ctm.m[a][3], 1e-6);
                // Thousands of turns after the last move drift by rounding, no more.
                EXPECT_LE(std::abs(myWorld.cubes[k]->ctm.m[a][3]), 1 + 1e-3);
            }
    }
}

TEST_F(Play, KeysOutsideTheTableDoNothing) {
    press("3");
    State before = snapshot();
    for (int key = 0; key < 256; key++) {
        if (key == ' ' || (key >= '1' && key <= '9') || std::strchr("qawsed", key) != nullptr)
            continue;
        keyAction(static_cast<unsigned char>(key), 0, 0);
        ASSERT_TRUE(snapshot() == before) << "key " << key;
    }
    mouseAction(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
    mouseMotion(20, 20);
    EXPECT_TRUE(snapshot() == before);
}

// The toolkit's pointer coordinates (from the top left) of a scene point.
void pointerAt(double x, double y, double z, int& px, int& py) {
    double wx, wy;
    projectToWindow(x, y, z, wx, wy);
    px = static_cast<int>(wx);
    py = 800 - 1 - static_cast<int>(wy);
}

void leftClick(int x, int y, int releaseX, int releaseY) {
    mouseAction(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
    mouseAction(GLUT_LEFT_BUTTON, GLUT_UP, releaseX, releaseY);
}

void leftDrag(std::initializer_list<std::pair<int, int>> points) {
    auto first = *points.begin(), last = first;
    mouseAction(GLUT_LEFT_BUTTON, GLUT_DOWN, first.first, first.second);
    for (auto p : points)
        mouseMotion(p.first, p.second), last = p;
    mouseAction(GLUT_LEFT_BUTTON, GLUT_UP, last.first, last.second);
}

TEST_F(Play, ClicksMarkAndDropAsDigitsAndSpaceAndDragsTurnAsViewKeys) {
    // The top face of column 5's top cell, then of column 3's once 'w', which
    // takes (x, y, z) to (-z, y, x), has brought column 3 from (1, -1) to (1, 1).
    int x5, y5, x3, y3;
    pointerAt(0, 1.5, 0, x5, y5);
    pointerAt(1, 1.5, 1, x3, y3);
    leftClick(x5, y5, x5 + 3, y5 - 4);
    EXPECT_EQ(spotSelected, 5) << "a click within 5 pixels marks as '5' does";
    State marked = snapshot();
    leftClick(x5, y5, x5 + 6, y5);
    EXPECT_TRUE(snapshot() == marked) << "6 pixels apart is no click";
    leftClick(x5, y5, x5, y5);
    EXPECT_EQ(spots[4][0][0], 1) << "a click on the marked column drops as space does";
    EXPECT_EQ(turn, 1);
    press("w");
    leftClick(x3, y3, x3, y3);
    EXPECT_EQ(spotSelected, 3) << "the column under the pointer in the turned view";
    leftClick(x5, y5, x5, y5);
    EXPECT_EQ(spotSelected, 14) << "a click on another column moves the mark";

    // Drags, against the view keys on the same board.
    const struct {
        std::initializer_list<std::pair<int, int>> path;
        const char* keys;
    } drags[] = {
        {{{400, 400}, {150, 400}}, "w"},  {{{400, 400}, {650, 420}}, "s"},
        {{{400, 400}, {390, 150}}, "q"},  {{{400, 400}, {400, 650}}, "a"},
        {{{400, 400}, {210, 400}}, ""},   {{{400, 400}, {190, 250}}, "w"},
        {{{400, 400}, {-20, 400}}, "ww"}, {{{400, 400}, {199, 400}, {200, 400}, {400, 400}}, "ws"},
    };
    for (const auto& drag : drags) {
        resetGame();
        press("7");
        press(drag.keys);
        State wanted = snapshot();
        resetGame();
        press("7");
        leftDrag(drag.path);
        EXPECT_TRUE(snapshot() == wanted) << "a drag as \"" << drag.keys << "\"";
    }
    EXPECT_EQ(spotSelected, 7) << "a drag that turned the board neither marks nor drops";

    // While the computer is on turn a click does nothing and a drag turns.
    chooseOpponent(3, 0);
    press("w");
    State computers = snapshot();
    leftClick(x5, y5, x5, y5);
    mouseAction(GLUT_MIDDLE_BUTTON, GLUT_DOWN, x5, y5);
    mouseAction(GLUT_MIDDLE_BUTTON, GLUT_UP, x5, y5);
    mouseAction(3, GLUT_DOWN, x5, y5);
    EXPECT_TRUE(snapshot() == computers);
    leftDrag({{400, 400}, {150, 400}});
    EXPECT_FALSE(snapshot() == computers);
    resetGame();
    for (int level = 0; level < 3; level++)
        press("1 2 3 4 5 6 7 8 9 ");
    State over = snapshot();
    leftClick(x5, y5, x5, y5);
    EXPECT_TRUE(snapshot() == over) << "at GAME OVER a click does nothing";
}

TEST_F(Play, ViewKeysTurnEveryPositionAQuarterTurn) {
    struct {
        char key;
        int fromX, fromY, fromZ; // new (x, y, z) takes old coordinate |from| - 1, signed
    } table[] = {{'q', 1, 3, -2}, {'a', 1, -3, 2}, {'w', -3, 2, 1},
                 {'s', 3, 2, -1}, {'e', 2, -1, 3}, {'d', -2, 1, 3}};
    for (const auto& row : table) {
        resetGame();
        press("q"); // from a position that is not home, so that all coordinates matter
        double before[54][3];
        for (int i = 0; i < 54; i++)
            for (int a = 0; a < 3; a++)
                before[i][a] = piece(i).ctm.m[a][3];
        keyAction(static_cast<unsigned char>(row.key), 0, 0);
        const int from[3] = {row.fromX, row.fromY, row.fromZ};
        for (int i = 0; i < 54; i++)
            for (int a = 0; a < 3; a++) {
                double expected = before[i][std::abs(from[a]) - 1] * (from[a] < 0 ? -1 : 1);
                ASSERT_NEAR(piece(i).ctm.m[a][3], expected, 1e-6)
                    << "key " << row.key << ", piece " << i << ", axis " << a;
                for (int b = 0; b < 3; b++)
                    ASSERT_EQ(piece(i).ctm.m[a][b], a == b ? 1.0 : 0.0) << "orientation";
            }
        resetGame();
        for (int n = 0; n < 4; n++)
            keyAction(static_cast<unsigned char>(row.key), 0, 0);
        for (int i = 0; i < 54; i++) {
            double x, y, z;
            homePosition(i % 27, x, y, z);
            EXPECT_NEAR(piece(i).ctm.m[0][3], x, 1e-6);
            EXPECT_NEAR(piece(i).ctm.m[1][3], y, 1e-6);
            EXPECT_NEAR(piece(i).ctm.m[2][3], z, 1e-6);
        }
    }
}

TEST_F(Play, BallsStayInTheirCubesAndAMoveBringsEveryPieceHome) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> viewKey(0, 5);
    press("1");
    for (int i = 0; i < 500; i++) {
        keyAction(static_cast<unsigned char>("qawsed"[viewKey(random)]), 0, 0);
        if (i % 50 == 0)
            ab1();
    }
    for (int k = 0; k < 27; k++)
        for (int a = 0; a < 3; a++)
            ASSERT_NEAR(myWorld.spheres[k]->ctm.m[a][3], myWorld.cubes[k]->ctm.m[a][3], 1e-6);
    press(" ");
    expectAllHome();
    EXPECT_EQ(spots[0][0][0], 1);
}

TEST_F(Play, SpinTurnsOnlyItsOwnCubeAboutItsOwnZ) {
    State start = snapshot();
    const int n = 100;
    for (int i = 0; i < n; i++)
        am4();
    const Matrix& m = myWorld.cubes[12]->ctm;
    double a = n * 0.5 * 3.1415926 / 180;
    // Clockwise seen from +z, as every positive angle here.
    EXPECT_NEAR(m.m[0][0], std::cos(a), 1e-5);
    EXPECT_NEAR(m.m[0][1], std::sin(a), 1e-5);
    EXPECT_NEAR(m.m[1][0], -std::sin(a), 1e-5);
    EXPECT_NEAR(m.m[1][1], std::cos(a), 1e-5);
    EXPECT_NEAR(m.m[2][2], 1.0, 1e-5);
    // Cell 13 stands at (-1, 0, 0); its centre does not move at all.
    EXPECT_EQ(m.m[0][3], -1.0);
    EXPECT_EQ(m.m[1][3], 0.0);
    EXPECT_EQ(m.m[2][3], 0.0);
    State after = snapshot();
    for (int i = 0; i < 54; i++)
        ASSERT_TRUE(i == 27 + 12 ||
                    std::memcmp(after.pieces[i], start.pieces[i], sizeof after.pieces[i]) == 0);

    resetGame();
    for (int i = 0; i < 720; i++)
        am4();
    const Matrix& full = myWorld.cubes[12]->ctm;
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            EXPECT_NEAR(full.m[r][c], r == c ? 1.0 : 0.0, 1e-4) << "a full turn";
}

TEST_F(Play, EachSpinFunctionTurnsTheCubeOfItsCell) {
    void (*const spins[27])() = {ab1, ab2, ab3, ab4, ab5, ab6, ab7, ab8, ab9,
                                 am1, am2, am3, am4, am5, am6, am7, am8, am9,
                                 at1, at2, at3, at4, at5, at6, at7, at8, at9};
    for (int k = 0; k < 27; k++) {
        resetGame();
        press("e"); // the spin stays in place wherever the board is turned
        State before = snapshot();
        spins[k]();
        animation();
        State after = snapshot();
        for (int i = 0; i < 54; i++) {
            bool same = std::memcmp(after.pieces[i], before.pieces[i], sizeof after.pieces[i]) == 0;
            ASSERT_EQ(same, i != 27 + k) << "spin of cell index " << k << ", piece " << i;
        }
        for (int a = 0; a < 3; a++)
            EXPECT_NEAR(after.pieces[27 + k][a][3], before.pieces[27 + k][a][3], 1e-6);
    }
}

// Whether p can be the colour want under the light: each channel is scaled
// up by the same lighting and clipped at full, so channels left out stay
// dark, channels chosen stay lit, and their order is kept.
bool litFrom(Rgb p, const float* want) {
    const int seen[3] = {p.red, p.green, p.blue};
    for (int a = 0; a < 3; a++) {
        if ((want[a] == 0) != (seen[a] < 40))
            return false;
        for (int b = 0; b < 3; b++)
            if (want[a] > 0 && want[b] > 0 &&
                (want[a] == want[b] ? std::abs(seen[a] - seen[b]) > 12
                                    : (want[a] > want[b]) != (seen[a] > seen[b])))
                return false;
    }
    // A dim colour stays dim.
    return std::max({want[0], want[1], want[2]}) > 0.5f || std::max({p.red, p.green, p.blue}) < 220;
}

TEST_F(Play, ColourMenusRepaintBallsAndTurnLines) {
    press("7 8 "); // a ball of each player, in the front row: cells 7 and 8
    const float colours[2][4][3] = {{{1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 0, 1}},
                                    {{0, 1, 0}, {1, 1, 0}, {1, 0.3f, 0}, {0.3f, 0.3f, 0.3f}}};
    for (int who = 0; who < 2; who++)
        for (int value = 1; value <= 4; value++) {
            const float* want = colours[who][value - 1];
            (who == 0 ? colour1 : colour2)(value);
            EXPECT_EQ(who == 0 ? r1 : r2, want[0]);
            EXPECT_EQ(who == 0 ? g1 : g2, want[1]);
            EXPECT_EQ(who == 0 ? b1 : b2, want[2]);
            turn = who;
            Frame frame = renderFrame();
            auto hue = [&](Rgb p) { return litFrom(p, want); };
            auto lit = [](Rgb p) { return !isDark(p); };
            // Bitmap text is not smoothed: every lit pixel of the line has its colour.
            int line = frame.count(650, 88, 770, 106, lit);
            EXPECT_GT(line, 60);
            EXPECT_EQ(frame.count(650, 88, 770, 106, hue), line) << "turn line, value " << value;
            double x, y, z, wx, wy;
            homePosition(6 + who, x, y, z);
            projectToWindow(x, y, z, wx, wy);
            // Below and right of the centre, away from the highlight.
            int cx = static_cast<int>(wx) + 12, cy = static_cast<int>(wy) - 12;
            EXPECT_GT(frame.count(cx - 4, cy - 4, cx + 4, cy + 4, hue), 70)
                << "ball of player " << who + 1 << ", value " << value;
        }
    State before = snapshot();
    float before1[3] = {r1, g1, b1}, before2[3] = {r2, g2, b2};
    for (int value : {-1, 0, 5, 99}) {
        colour1(value);
        colour2(value);
        player(value);
    }
    EXPECT_TRUE(snapshot() == before);
    EXPECT_TRUE(r1 == before1[0] && g1 == before1[1] && b1 == before1[2]);
    EXPECT_TRUE(r2 == before2[0] && g2 == before2[1] && b2 == before2[2]);
}

TEST_F(Play, MainMenuValuesPickPagesAndOthersChangeNothing) {
    const int pageOf[7] = {-1, -1, 1, 2, -1, 3, 4};
    for (int value : {2, 3, 5, 6}) {
        mainMenu(value);
        EXPECT_EQ(instructions, pageOf[value]) << "value " << value;
    }
    for (int value : {0, 1, 99, -3}) {
        mainMenu(value);
        EXPECT_EQ(instructions, 4) << "value " << value;
    }
    glutSetMenu(glutGetMenu());
    EXPECT_EQ(glutGet(GLUT_MENU_NUM_ITEMS), 21)
        << "Colours, four pages, Opponent, Hint, column values, rows, New game, Undo, Redo, "
           "Review, Record, marks, Online, sound, animation, speech, board in words, Quit";
}

// A random game of n moves, as columns.
std::vector<int> randomColumns(int n, std::mt19937& random) {
    Position position = {{0, 0}};
    std::vector<int> columns;
    while (static_cast<int>(columns.size()) < n) {
        int c = static_cast<int>(random() % 9);
        if (landingIndex(position, c) < 0)
            continue;
        position = afterMove(position, c);
        columns.push_back(c);
    }
    return columns;
}

// Plays the first `count` of the columns by their digits and space.
void playByKeys(const std::vector<int>& columns, size_t count) {
    for (size_t i = 0; i < count; i++) {
        const char keys[3] = {static_cast<char>('1' + columns[i]), ' ', '\0'};
        press(keys);
    }
}

TEST_F(Play, UndoAndRedoGiveThePicturesOfTheShorterGameAndBack) {
    std::mt19937 random(21);
    for (int game = 0; game < 5; game++) {
        const int n = game == 0 ? 27 : 2 + static_cast<int>(random() % 25);
        const int k = game == 0 ? 27 : 1 + static_cast<int>(random() % n);
        const std::vector<int> columns = randomColumns(n, random);
        resetGame();
        playByKeys(columns, n - k);
        const Frame shorter = renderFrame();
        resetGame();
        // A page chosen before the last ball comes back when GAME OVER goes.
        playByKeys(columns, n - 1);
        mainMenu(3);
        const char last[3] = {static_cast<char>('1' + columns[n - 1]), ' ', '\0'};
        press(last);
        const Frame whole = renderFrame();
        EXPECT_EQ(instructions, n == 27 ? 5 : 2);
        // A cell marked and the board turned do not stay.
        press("q");
        for (int c = 1; c <= 9 && spotSelected == 0; c++)
            chooseColumn(c);
        for (int i = 0; i < k; i++)
            keyAction(26, 0, 0);
        EXPECT_EQ(gamecount, n - k);
        EXPECT_EQ(instructions, 2);
        instructions = 0;
        EXPECT_TRUE(renderFrame() == shorter) << "game " << game << ": " << k << " of " << n;
        for (int i = 0; i < k + 2; i++)
            keyAction(25, 0, 0);
        instructions = 2;
        EXPECT_TRUE(renderFrame() == whole) << "game " << game << ", redone";
        EXPECT_EQ(movesOnBoard, n);
    }
    // Nothing to undo or redo changes nothing; a new move after an undo
    // leaves nothing to redo.
    resetGame();
    press("4");
    State marked = snapshot();
    keyAction(26, 0, 0);
    keyAction(25, 0, 0);
    EXPECT_TRUE(snapshot() == marked);
    press(" 5 ");
    keyAction(26, 0, 0);
    press("6 ");
    State replaced = snapshot();
    keyAction(25, 0, 0);
    EXPECT_TRUE(snapshot() == replaced);
    EXPECT_EQ(gameMoves, (std::vector<int>{3, 5}));
}

TEST_F(Play, TheReviewStepsThroughTheGameAndPlayGoesOnFromWhereItStops) {
    press("5 1 9 3 ");
    mainMenu(13);
    ASSERT_EQ(reviewShown, 1);
    specialKey(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(gamecount, 3);
    State reviewed = snapshot();
    press("7 ");
    leftClick(400, 400, 400, 400);
    EXPECT_TRUE(snapshot() == reviewed) << "digits, space and clicks wait";
    specialKey(GLUT_KEY_HOME, 0, 0);
    EXPECT_EQ(gamecount, 0);
    specialKey(GLUT_KEY_END, 0, 0);
    EXPECT_EQ(gamecount, 4);
    specialKey(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(gamecount, 4);
    specialKey(GLUT_KEY_LEFT, 0, 0);
    keyAction(26, 0, 0);
    EXPECT_EQ(gamecount, 2) << "Undo steps one move in the review";
    keyAction(27, 0, 0);
    EXPECT_EQ(reviewShown, 0);
    press("2 ");
    EXPECT_EQ(gameMoves, (std::vector<int>{4, 0, 1})) << "the moves after it are gone";
    mainMenu(13);
    mainMenu(2);
    EXPECT_EQ(reviewShown, 0) << "a page closes the review";
    EXPECT_EQ(instructions, 1);
    // Against the computer, on turn now: it waits while the review is shown.
    mainMenu(13);
    chooseOpponent(3, 1);
    EXPECT_EQ(spotSelected, 0);
    mainMenu(13);
    EXPECT_NE(spotSelected, 0) << "closed, the review lets the computer move";
}

TEST_F(Play, NAndPVisitTheMovesThatWereNotBestInOrder) {
    const char* digits = "554669589869122273747343118";
    std::vector<int> columns, notBest;
    ASSERT_EQ(parseMoves(digits, columns), "");
    // The moves that lost rows, found from each position's column values.
    Position position = {{0, 0}};
    for (size_t i = 0; i < columns.size(); i++) {
        int values[9], legal = moveValues(position, values), best = -100;
        const int side = playerOnTurn(position) == 0 ? 1 : -1;
        for (int c = 0; c < 9; c++)
            if (legal >> c & 1)
                best = std::max(best, side * values[c]);
        if (side * values[columns[i]] < best)
            notBest.push_back(static_cast<int>(i) + 1);
        position = afterMove(position, columns[i]);
    }
    ASSERT_GT(notBest.size(), 5u);
    playMovesFromStart(columns);
    press("n");
    EXPECT_EQ(gamecount, 27) << "n waits for the review";
    mainMenu(13);
    specialKey(GLUT_KEY_HOME, 0, 0);
    std::vector<int> visited;
    for (size_t i = 0; i <= notBest.size(); i++) {
        press("n");
        visited.push_back(gamecount);
    }
    std::vector<int> expected = notBest;
    expected.push_back(notBest.back());
    EXPECT_EQ(visited, expected) << "forward, then nothing past the last";
    specialKey(GLUT_KEY_END, 0, 0);
    visited.clear();
    for (size_t i = 0; i <= notBest.size(); i++) {
        press("p");
        visited.push_back(gamecount);
    }
    expected.assign(notBest.rbegin(), notBest.rend());
    expected.push_back(notBest.front());
    EXPECT_EQ(visited, expected) << "back, then nothing before the first";
    EXPECT_EQ(gameMoves, columns) << "jumps take nothing back for good";
}

TEST_F(Play, OnlineTheAddressIsTypedAndWhatWaitsForTheEndSaysSo) {
    // Typed in the strip: the keys it takes, Backspace, Escape; a bad address
    // is told, and the keys go back to the game.
    mainMenu(7);
    online(2);
    press("10.0.0.7:77#42/ab");
    keyAction(8, 0, 0);
    EXPECT_EQ(onlineLine(), "The game's address (HOST:PORT/CODE), then Enter: 10.0.0.7:7742/a_");
    EXPECT_EQ(spotSelected, 0) << "the digits were the address's";
    keyAction(27, 0, 0);
    EXPECT_EQ(onlineLine(), "");
    online(2);
    press("nowhere");
    keyAction(13, 0, 0);
    EXPECT_EQ(notice, "Not a game's address (no room's code after a '/'): nowhere");
    press("5");
    EXPECT_EQ(spotSelected, 5);
    // Online (the server need not answer): what waits for the end says so.
    onlineJoin("127.0.0.1:9/WAIT", false);
    for (const auto& [value, what] :
         std::vector<std::pair<int, std::string>>{{11, "Undo"},
                                                  {12, "Redo"},
                                                  {8, "The hint"},
                                                  {9, "Showing the column values"},
                                                  {13, "The review, until GAME OVER,"}}) {
        mainMenu(value);
        EXPECT_EQ(notice, what + " is off during an online game.");
    }
    opponent(4);
    EXPECT_EQ(computerSide, -1) << "the computer plays no side online";
    EXPECT_EQ(notice, "The computer is off during an online game.");
    EXPECT_FALSE(onlineMayMove()) << "not before the server answers";
    online(3);
    EXPECT_TRUE(onlineMayMove());
    EXPECT_EQ(onlineLine(), "");
}

TEST_F(Play, NewGameGivesBackTheFirstFrame) {
    Frame first = renderFrame();
    press("5 1 9q");
    colour2(3);
    mainMenu(2);
    ASSERT_FALSE(renderFrame() == first);
    mainMenu(7);
    EXPECT_EQ(gamecount, 0);
    EXPECT_EQ(turn, 0);
    colour2(1);
    EXPECT_TRUE(renderFrame() == first);
    for (int level = 0; level < 3; level++)
        press("1 2 3 4 5 6 7 8 9 ");
    mainMenu(7);
    EXPECT_TRUE(renderFrame() == first) << "after GAME OVER too";
}

TEST_F(Play, APageChosenAfterTheLastBallStillShowsGameOver) {
    for (int level = 0; level < 3; level++)
        press("1 2 3 4 5 6 7 8 9 ");
    Frame over = renderFrame();
    mainMenu(5);
    EXPECT_TRUE(renderFrame() == over);
    EXPECT_EQ(instructions, 5);
}

TEST_F(Play, QuitEndsTheProcessWithStatusZero) {
    // A fresh copy of this test process quits, not a fork of this one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(mainMenu(4), ::testing::ExitedWithCode(0), "");
}

} // namespace
