// Matrix, Shape and World arithmetic, with the exact values the game's
// positions depend on; no window needed.

#include "CWorld.h"
#include "game.h"
#include "pick.h"
#include "settings.h"
#include "swapcontrol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

void expectIdentity(const Matrix& a) {
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            EXPECT_EQ(a.m[r][c], r == c ? 1.0 : 0.0) << r << "," << c;
}

void expectPosition(const Shape& piece, double x, double y, double z, double tolerance) {
    EXPECT_NEAR(piece.ctm.m[0][3], x, tolerance);
    EXPECT_NEAR(piece.ctm.m[1][3], y, tolerance);
    EXPECT_NEAR(piece.ctm.m[2][3], z, tolerance);
    EXPECT_EQ(piece.ctm.m[3][3], 1.0);
}

TEST(Matrix, StartsAsIdentityAndNormalizeKeepsAnyMatrix) {
    Matrix a;
    expectIdentity(a);
    a.rotate(1, 2, 3, 33);
    Matrix before = a;
    a.normalize();
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            EXPECT_EQ(a.m[r][c], before.m[r][c]);
}

TEST(Matrix, ZeroAngleIsNoTurn) {
    Matrix a;
    a.translate(1, -2, 3);
    a.rotate(0.3, 0.4, 0.5, 0);
    double v[4] = {1, 1, 1, 1};
    a.multiply_vector(v);
    EXPECT_EQ(v[0], 2.0);
    EXPECT_EQ(v[1], -1.0);
    EXPECT_EQ(v[2], 4.0);
}

TEST(Matrix, QuarterTurnKeepsTheSevenDecimalPiResidue) {
    Matrix a;
    a.rotate(0, 0, 1, 90);
    double v[4] = {1, 0, 0, 1};
    a.multiply_vector(v);
    // cos(90 degrees) with pi as 3.1415926 is 2.6794897e-8, not 0.
    EXPECT_NEAR(v[0], 2.6794897e-8, 1e-15);
    EXPECT_NE(v[0], 0.0);
    EXPECT_EQ(v[1], -1.0);
    EXPECT_EQ(v[2], 0.0);
    EXPECT_EQ(v[3], 1.0);
}

TEST(Matrix, PositiveAngleTurnsClockwiseSeenFromTheAxisTip) {
    struct Case {
        double ax, ay, az, px, py, pz, ex, ey, ez;
    } cases[] = {
        {0, 0, 1, 1, 0, 0, 0, -1, 0}, {1, 0, 0, 0, 1, 0, 0, 0, -1}, {0, 1, 0, 1, 0, 0, 0, 0, 1}};
    for (const Case& c : cases) {
        Matrix a;
        a.rotate(c.ax, c.ay, c.az, 90);
        double v[4] = {c.px, c.py, c.pz, 1};
        a.multiply_vector(v);
        EXPECT_NEAR(v[0], c.ex, 1e-7);
        EXPECT_NEAR(v[1], c.ey, 1e-7);
        EXPECT_NEAR(v[2], c.ez, 1e-7);
    }
}

TEST(Matrix, ZeroAxisOnlyShrinks) {
    Matrix a;
    a.rotate(0, 0, 0, 60);
    double theta = 60 * 3.1415926 / 180;
    float c = std::cos(theta);
    EXPECT_EQ(a.m[0][0], std::cos(theta));
    EXPECT_EQ(a.m[1][1], static_cast<double>(c));
    EXPECT_EQ(a.m[2][2], static_cast<double>(c));
    EXPECT_EQ(a.m[3][3], 1.0);
    EXPECT_NE(a.m[0][0], a.m[1][1]) << "R[0][0] uses the double cosine, the others the float";
    for (int r = 0; r < 4; r++)
        for (int col = 0; col < 4; col++)
            EXPECT_TRUE(r == col || a.m[r][col] == 0.0) << r << "," << col;
}

TEST(Matrix, LongAxisScalesAlongIt) {
    Matrix a;
    a.rotate(0, 0, 2, 90);
    double v[4] = {0, 0, 1, 0};
    a.multiply_vector(v);
    // cos + t * L^2 with L = 2: about 4 instead of 1.
    EXPECT_NEAR(v[2], 4.0, 1e-6);
}

TEST(Matrix, PreMultiplyBySelfSquares) {
    Matrix a;
    a.rotate(0, 0, 1, 30);
    a.translate(1, 2, 3);
    Matrix expected;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            double sum = 0;
            for (int k = 0; k < 4; k++)
                sum += a.m[i][k] * a.m[k][j];
            expected.m[i][j] = sum;
        }
    a.matrix_pre_multiply(&a);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            EXPECT_EQ(a.m[i][j], expected.m[i][j]);
}

TEST(Matrix, TranslateForcesCornerAndKeepsBottomRow) {
    Matrix a;
    a.m[3][0] = 5;
    a.m[3][3] = 7;
    a.translate(1, 2, 3);
    EXPECT_EQ(a.m[3][3], 1.0);
    EXPECT_EQ(a.m[3][0], 5.0);
    EXPECT_EQ(a.m[0][3], 1.0);
    EXPECT_EQ(a.m[1][3], 2.0);
    EXPECT_EQ(a.m[2][3], 3.0);
}

TEST(Matrix, VectorProductHonoursW) {
    Matrix a;
    a.translate(10, 20, 30);
    double point[4] = {1, 2, 3, 1}, direction[4] = {1, 2, 3, 0};
    a.multiply_vector(point);
    a.multiply_vector(direction);
    EXPECT_EQ(point[0], 11.0);
    EXPECT_EQ(point[2], 33.0);
    EXPECT_EQ(direction[0], 1.0);
    EXPECT_EQ(direction[2], 3.0);
    float single[4] = {0.1f, 0, 0, 1};
    a.multiply_vector(single);
    EXPECT_EQ(single[0], static_cast<float>(0.1f + 10.0));
}

TEST(Matrix, TransposeSwapsAcrossTheDiagonal) {
    Matrix a;
    a.translate(4, 5, 6);
    a.transpose();
    EXPECT_EQ(a.m[3][0], 4.0);
    EXPECT_EQ(a.m[3][2], 6.0);
    EXPECT_EQ(a.m[0][3], 0.0);
}

TEST(Shape, TranslateAddsToThePosition) {
    Cube piece;
    expectPosition(piece, 0, 0, 0, 0);
    piece.translate(-1, 0, 1);
    expectPosition(piece, -1, 0, 1, 0);
    piece.translate(1, 1, 1);
    expectPosition(piece, 0, 1, 2, 0);
    EXPECT_EQ(piece.ctm.m[0][0], 1.0);
    double x, y, z;
    piece.getRef(x, y, z);
    EXPECT_EQ(y, 1.0);
    EXPECT_EQ(z, 2.0);
}

TEST(Shape, RotateOriginMovesThePositionAlone) {
    Sphere piece;
    piece.translate(1, 0, 0);
    piece.rotate_origin(0, 0, 1, 90);
    expectPosition(piece, 2.6794897e-8, -1, 0, 1e-15);
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            EXPECT_EQ(piece.ctm.m[r][c], r == c ? 1.0 : 0.0);
}

TEST(Shape, RotateTurnsOrientationToo) {
    Cube piece;
    piece.translate(1, 0, 0);
    piece.rotate(0, 0, 1, 90);
    expectPosition(piece, 2.6794897e-8, -1, 0, 1e-15);
    // The piece's own x axis now points along -y.
    EXPECT_EQ(piece.ctm.m[1][0], -1.0);
    EXPECT_NEAR(piece.ctm.m[0][1], 1.0, 1e-15);
    Cube same;
    same.translate(1, 0, 0);
    same.rotate_mc(0, 0, 1, 90);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            EXPECT_EQ(same.ctm.m[r][c], piece.ctm.m[r][c]);
}

TEST(Shape, RotateOriginRoundTripsAndDrifts) {
    Sphere atOrigin;
    atOrigin.rotate_origin(1, 1, 0, 37);
    expectPosition(atOrigin, 0, 0, 0, 0);

    Sphere onAxis;
    onAxis.translate(0, 0, 1);
    onAxis.rotate_origin(0, 0, 1, 90);
    // t and cos pass through float, so z comes out as 1 + 2.7e-8.
    expectPosition(onAxis, 0, 0, 1, 1e-7);

    Sphere back;
    back.translate(1, 0, 0);
    back.rotate_origin(0, 1, 0, 90);
    back.rotate_origin(0, 1, 0, -90);
    expectPosition(back, 1, 0, 0, 1e-14);

    Sphere four;
    four.translate(1, 0, 0);
    for (int i = 0; i < 4; i++)
        four.rotate_origin(0, 0, 1, 90);
    // Four quarter turns do not close exactly: about 1.07e-7 is left over.
    EXPECT_NEAR(four.ctm.m[1][3], 1.0718e-7, 1e-10);
    EXPECT_NEAR(four.ctm.m[0][3], 1.0, 1e-14);
}

TEST(Shape, UncalledHelpersDoWhatTheySay) {
    Cube piece;
    EXPECT_EQ(piece.scale, 1.0);
    piece.scale_change(0.5);
    EXPECT_EQ(piece.scale, 1.5);
    piece.rotate(0, 0, 1, 90);
    float ox, oy, oz;
    piece.transformNorm(1, 0, 0, ox, oy, oz);
    EXPECT_NEAR(ox, 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(oy, -1.0f);
    EXPECT_FLOAT_EQ(oz, 0.0f);
}

TEST(World, BuildsEveryPieceAtItsHome) {
    World world;
    const struct {
        int k;
        double x, y, z;
    } cells[] = {{0, -1, -1, -1}, {13, 0, 0, 0}, {26, 1, 1, 1}, {6, -1, -1, 1}, {20, 1, 1, -1}};
    for (const auto& cell : cells) {
        expectPosition(*world.cubes[cell.k], cell.x, cell.y, cell.z, 0);
        expectPosition(*world.spheres[cell.k], cell.x, cell.y, cell.z, 0);
    }
    for (int k = 0; k < 27; k++) {
        double x, y, z;
        homePosition(k, x, y, z);
        expectPosition(*world.cubes[k], x, y, z, 0);
        expectPosition(*world.spheres[k], x, y, z, 0);
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(world.cubes[k]->ctm.m[i][i], 1.0);
        EXPECT_NE(world.cubes[k], nullptr);
        for (int j = 0; j < k; j++)
            EXPECT_NE(world.cubes[j], world.cubes[k]);
    }
    // A World never frees its pieces; this one is the test's to free.
    for (int k = 0; k < 27; k++) {
        delete world.cubes[k];
        delete world.spheres[k];
    }
}

TEST(Cube, HoldsTheCornerAndFaceTables) {
    Cube cube;
    // Every face is a quad on one side of the box, its four corners sharing
    // the coordinate that names the side.
    const int sideAxis[6] = {2, 0, 2, 0, 1, 1};
    const float sideValue[6] = {-1, 1, 1, -1, 1, -1};
    for (int f = 0; f < 6; f++) {
        EXPECT_EQ(cube.face_flags[f], 1);
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(cube.vertices[cube.faces[f][i]][sideAxis[f]], sideValue[f]) << f;
    }
    EXPECT_EQ(cube.vertices[5][0], -1.0f);
    EXPECT_EQ(cube.vertices[5][1], 1.0f);
    EXPECT_EQ(cube.vertices[5][2], 1.0f);
}

// The rows of three of the board, found afresh: from every cell, one and two
// steps in each of the 13 directions whose first step that is not 0 is +1.
struct Cell {
    int x, level, row;
};
std::vector<std::vector<Cell>> everyRow() {
    std::vector<std::vector<Cell>> rows;
    for (int d = 0; d < 27; d++) {
        const int step[3] = {d % 3 - 1, d / 3 % 3 - 1, d / 9 - 1};
        int first = step[0] != 0 ? step[0] : step[1] != 0 ? step[1] : step[2];
        if (first != 1)
            continue;
        for (int c = 0; c < 27; c++) {
            const int at[3] = {c % 3, c / 3 % 3, c / 9};
            std::vector<Cell> row;
            for (int i = 0; i < 3; i++) {
                Cell cell{at[0] + i * step[0], at[1] + i * step[1], at[2] + i * step[2]};
                if (cell.x < 0 || cell.x > 2 || cell.level < 0 || cell.level > 2 || cell.row < 0 ||
                    cell.row > 2)
                    break;
                row.push_back(cell);
            }
            if (row.size() == 3)
                rows.push_back(row);
        }
    }
    return rows;
}

// The rows that hold three balls of the player.
std::vector<std::vector<Cell>> rowsOf(const int board[9][3][2], int player) {
    std::vector<std::vector<Cell>> held;
    for (const auto& row : everyRow()) {
        bool all = true;
        for (const Cell& cell : row)
            all = all && board[3 * cell.row + cell.x][cell.level][player] == 1;
        if (all)
            held.push_back(row);
    }
    return held;
}

// How many coordinates stay the same along a row: 2 on an axis, 1 on a
// plane's diagonal, 0 corner to corner.
int fixedCoordinates(const std::vector<Cell>& row) {
    return (row[0].x == row[2].x) + (row[0].level == row[2].level) + (row[0].row == row[2].row);
}

TEST(Score, CountsTheRowsOfThreeOfEachPlayer) {
    ASSERT_EQ(everyRow().size(), 49u);
    int board[9][3][2] = {};
    // One colour everywhere: all 49 rows; none for the other player.
    for (auto& column : board)
        for (auto& level : column)
            level[0] = 1;
    EXPECT_EQ(countRows(board, 0), 49);
    EXPECT_EQ(countRows(board, 1), 0);

    // Columns 1 to 9 played three times over: the players alternate cell by
    // cell, and only diagonals of planes come out whole.
    for (int c = 0; c < 9; c++)
        for (int l = 0; l < 3; l++) {
            board[c][l][0] = (9 * l + c) % 2 == 0;
            board[c][l][1] = (9 * l + c) % 2 == 1;
        }
    EXPECT_EQ(countRows(board, 0), 12);
    EXPECT_EQ(countRows(board, 1), 6);
    for (int player = 0; player < 2; player++)
        for (const auto& row : rowsOf(board, player))
            EXPECT_EQ(fixedCoordinates(row), 1);

    // The centre and the eight corners: the four rows corner to corner.
    for (int c = 0; c < 9; c++)
        for (int l = 0; l < 3; l++)
            board[c][l][0] = (c == 4 && l == 1) || (c % 3 != 1 && c / 3 != 1 && l != 1);
    EXPECT_EQ(countRows(board, 0), 4);
    for (const auto& row : rowsOf(board, 0))
        EXPECT_EQ(fixedCoordinates(row), 0);

    // The centre and the six cells beside it, none on an edge of the cube:
    // three rows, all inside; the other twenty cells have the twelve edges.
    for (int c = 0; c < 9; c++)
        for (int l = 0; l < 3; l++) {
            int middles = (c % 3 == 1) + (c / 3 == 1) + (l == 1);
            board[c][l][0] = middles >= 2;
            board[c][l][1] = middles < 2;
        }
    EXPECT_EQ(countRows(board, 0), 3);
    for (const auto& row : rowsOf(board, 0))
        EXPECT_EQ(row[1].x * 100 + row[1].level * 10 + row[1].row, 111) << "through the centre";
    EXPECT_EQ(countRows(board, 1), 12);
}

TEST(Score, AgreesWithEveryRowFoundAfreshOnRandomBoards) {
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> coin(0, 1), entry(-1, 2);
    for (int i = 0; i < 2000; i++) {
        int board[9][3][2];
        // Full boards, and boards of any entries, of which only 1 holds a ball.
        for (auto& column : board)
            for (auto& level : column) {
                int owner = coin(random);
                level[0] = i % 2 == 0 ? owner == 0 : entry(random);
                level[1] = i % 2 == 0 ? owner == 1 : entry(random);
            }
        for (int player = 0; player < 2; player++)
            ASSERT_EQ(countRows(board, player), static_cast<int>(rowsOf(board, player).size()))
                << "board " << i << ", player " << player;
    }
}

// The cell of the first box that the pointer's ray meets, by walking along the
// ray in steps of 1/1000 from the eye (3, 3, 7) looking at the origin with 40
// degrees: each box the cell's unit box grown by `margin` (negative shrinks it).
int walkToCell(double wx, double wy, const double centres[27][3], double margin) {
    const double eye[3] = {3, 3, 7};
    double ahead[3] = {-3, -3, -7}, length = std::sqrt(67.0);
    for (double& c : ahead)
        c /= length;
    // Right is ahead x up, then up is right x ahead, as a camera with +y up sees it.
    double right[3] = {-ahead[2], 0, ahead[0]};
    length = std::hypot(right[0], right[2]);
    right[0] /= length, right[2] /= length;
    double up[3] = {right[1] * ahead[2] - right[2] * ahead[1],
                    right[2] * ahead[0] - right[0] * ahead[2],
                    right[0] * ahead[1] - right[1] * ahead[0]};
    double half = std::tan(20 * 3.14159265358979 / 180);
    double a = ((wx - 0) / 800 * 2 - 1) * half, b = ((wy - 150) / 800 * 2 - 1) * half;
    for (int step = 0; step < 14000; step++) {
        double t = step / 1000.0, p[3];
        for (int i = 0; i < 3; i++)
            p[i] = eye[i] + t * (ahead[i] + a * right[i] + b * up[i]);
        for (int k = 0; k < 27; k++)
            if (std::abs(p[0] - centres[k][0]) <= 0.5 + margin &&
                std::abs(p[1] - centres[k][1]) <= 0.5 + margin &&
                std::abs(p[2] - centres[k][2]) <= 0.5 + margin)
                return k;
    }
    return -1;
}

TEST(Pick, TheFirstCellOnThePointersRayInEveryView) {
    const Camera camera = {{3, 3, 7}, {0, 0, 0}, {0, 1, 0}, 40};
    const int viewport[4] = {0, 150, 800, 800};
    const double axes[6][4] = {{1, 0, 0, 90},  {1, 0, 0, -90}, {0, 1, 0, 90},
                               {0, 1, 0, -90}, {0, 0, 1, 90},  {0, 0, 1, -90}};
    std::mt19937 random(11);
    std::uniform_real_distribution<double> across(0, 800), up(150, 800);
    std::uniform_int_distribution<int> anyTurn(0, 5), turns(0, 4);
    int compared = 0, hits = 0, misses = 0;
    for (int view = 0; view < 8; view++) {
        // The balls, turned as the view keys turn them.
        Sphere balls[27];
        for (int k = 0; k < 27; k++) {
            double x, y, z;
            homePosition(k, x, y, z);
            balls[k].translate(x, y, z);
        }
        for (int n = view == 0 ? 0 : turns(random) + 1; n > 0; n--) {
            const double* axis = axes[anyTurn(random)];
            for (Sphere& ball : balls)
                ball.rotate_origin(axis[0], axis[1], axis[2], axis[3]);
        }
        double centres[27][3];
        for (int k = 0; k < 27; k++)
            for (int a = 0; a < 3; a++)
                centres[k][a] = balls[k].ctm.m[a][3];
        for (int i = 0; i < 60; i++) {
            double wx = across(random), wy = up(random);
            // Where a box a hair smaller and a hair larger tell the same, that is the answer.
            int inner = walkToCell(wx, wy, centres, -0.004);
            if (inner != walkToCell(wx, wy, centres, 0.004))
                continue;
            compared++;
            (inner < 0 ? misses : hits)++;
            ASSERT_EQ(cellAt(wx, wy, centres, camera, viewport), inner)
                << "view " << view << ", point (" << wx << ", " << wy << ")";
        }
    }
    EXPECT_GT(compared, 8 * 60 * 9 / 10);
    EXPECT_GT(hits, 100);
    EXPECT_GT(misses, 20);
}

bool sameSettings(const Settings& a, const Settings& b) {
    return a.colour1 == b.colour1 && a.colour2 == b.colour2 && a.opponent == b.opponent &&
           a.computerPlays == b.computerPlays && a.columnValues == b.columnValues &&
           a.rows == b.rows && a.marks == b.marks;
}

TEST(Settings, BadLinesAreSkippedAndTheGoodOnesOfTheSameFileKept) {
    Settings chosen;
    chosen.colour1 = 3, chosen.colour2 = 4, chosen.opponent = 2, chosen.computerPlays = 0;
    chosen.columnValues = 1, chosen.rows = 0, chosen.marks = 1;
    Settings read;
    ASSERT_EQ(parseSettings(settingsText(chosen), read), 0);
    EXPECT_TRUE(sameSettings(read, chosen)) << "a written file reads back as it was written";

    // Each bad line, third in a file whose other lines are good.
    const std::string bad[] = {
        "colour=red",                               // an unknown key
        "player1-colour=green",                     // player 2's colour for player 1
        "player2-colour=red",                       // and the other way round
        "opponent=impossible",                      // a level that is not there
        "computer-plays=player3",                   // a player out of range
        "column-values=1",                          // a value not in the list
        "marks=",                                   // no value
        "rows",                                     // no '='
        "PLAYER1-COLOUR=red",                       // keys are lower case
        std::string("opponent=good\0\x01\xff", 17), // binary junk after a good value
        "\xde\xad\xbe\xef\x7f\x1b[2J",              // junk alone
        "marks=on" + std::string(1000000, ' '),     // a line of a megabyte
    };
    for (const std::string& line : bad) {
        Settings settings;
        int first = parseSettings("# comment\nplayer1-colour=cyan\n" + line +
                                      "\n\nplayer2-colour=grey\r\nmarks=on\n",
                                  settings);
        EXPECT_EQ(first, 3) << line.substr(0, 40);
        Settings wanted;
        wanted.colour1 = 3, wanted.colour2 = 4, wanted.marks = 1;
        EXPECT_TRUE(sameSettings(settings, wanted)) << line.substr(0, 40);
    }
    Record record;
    EXPECT_EQ(parseRecord("easy=1 2 3\ngood=4 5\nperfect=7 8 9 10\ngood=-1 0 0\n", record), 2);
    EXPECT_EQ(record.won[0] + record.drawn[0] + record.lost[0], 6);
    EXPECT_EQ(record.won[1] + record.won[2], 0);
    Record counted;
    counted.won[2] = 12, counted.lost[0] = 999999;
    ASSERT_EQ(parseRecord(recordText(counted), record = Record()), 0);
    EXPECT_EQ(record.won[2], 12);
    EXPECT_EQ(record.lost[0], 999999);
}

TEST(Settings, RandomBytesNeverBreakTheParsers) {
    std::mt19937 random(8);
    for (int i = 0; i < 3000; i++) {
        std::string text(random() % 300, '\0');
        for (char& c : text)
            c = static_cast<char>(i % 3 == 0 ? "=\n#aeinoprs-12 "[random() % 15] : random() % 256);
        Settings settings;
        Record record;
        parseSettings(text, settings);
        parseRecord(text, record);
        ASSERT_TRUE(settings.colour1 >= 1 && settings.colour1 <= 4 && settings.colour2 >= 1 &&
                    settings.colour2 <= 4 && settings.opponent >= 0 && settings.opponent <= 3);
        for (int level = 0; level < 3; level++)
            ASSERT_GE(std::min({record.won[level], record.drawn[level], record.lost[level]}), 0);
    }
}

TEST(Settings, FilesLiveUnderTheXdgFoldersOrTheHomeFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the files live in the user's application data";
#else
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/elsewhere/config", 1);
    setenv("XDG_STATE_HOME", "/elsewhere/state", 1);
    EXPECT_EQ(settingsPath(), "/elsewhere/config/kaveto/settings");
    EXPECT_EQ(recordPath(), "/elsewhere/state/kaveto/record");
    // Unset, empty or relative: the home folder's defaults.
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_EQ(settingsPath(), "/home/someone/.config/kaveto/settings");
    EXPECT_EQ(recordPath(), "/home/someone/.local/state/kaveto/record");
    setenv("XDG_STATE_HOME", "", 1);
    EXPECT_EQ(recordPath(), "/home/someone/.local/state/kaveto/record");
    unsetenv("HOME");
    EXPECT_EQ(settingsPath(), "");
#endif
}

TEST(SwapControl, ExtensionsMatchWholeNamesOnly) {
    const char* list = "GLX_ARB_create_context GLX_EXT_swap_control_tear GLX_MESA_swap_control";
    EXPECT_TRUE(hasExtension(list, "GLX_MESA_swap_control"));
    EXPECT_TRUE(hasExtension(list, "GLX_ARB_create_context"));
    EXPECT_FALSE(hasExtension(list, "GLX_EXT_swap_control"));
    EXPECT_FALSE(hasExtension(list, "GLX_MESA_swap"));
    EXPECT_FALSE(hasExtension("", "GLX_MESA_swap_control"));
    EXPECT_FALSE(hasExtension(nullptr, "GLX_MESA_swap_control"));
}

} // namespace
