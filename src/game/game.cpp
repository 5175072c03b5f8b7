#include "game.h"

#include <GL/freeglut_std.h>

#include <algorithm>
#include <chrono>

/* ---------------- Game state ---------------- */

// Board and turn
int spots[9][3][2];
int col1, col2, col3, col4, col5, col6, col7, col8, col9;
int turn = 0;
int gamecount = 0;
int spotSelected = 0;
int colSelected = 0;
World myWorld;

// Who plays
int computerSide = -1;
void (*turnBegins)() = nullptr;
void (*movePlayed)(int) = nullptr;
bool (*moveOffered)(int) = nullptr;
void (*ballPlaced)(int, int) = nullptr;
void (*boardChanged)() = nullptr;

// Status strip
int instructions = 0;
int reviewShown = 0;
int recordShown = 0;
std::string notice;

// Colours
float r = 1.0f, g = 1.0f, b = 1.0f;
float r1 = 1.0f, g1 = 0.0f, b1 = 0.0f;
float r2 = 0.0f, g2 = 1.0f, b2 = 0.0f;

// Camera and window
float xeye = 3.0f, yeye = 3.0f, zeye = 7.0f;
float xref = 0.0f, yref = 0.0f, zref = 0.0f;
float Vx = 0.0f, Vy = 1.0f, Vz = 0.0f;
float vangle = 40.0f;
float dnear = 1.0f, dfar = 10.0f;
int winWidth = 800, winHeight = 800;

/* ---------------- Rules ---------------- */

int* columnCount(int c) {
    static int* const counters[9] = {&col1, &col2, &col3, &col4, &col5, &col6, &col7, &col8, &col9};
    return counters[c];
}

int landingCell(int k) {
    int filled = *columnCount(k - 1);
    return filled < 3 ? 9 * filled + k : 0;
}

void placeBall(int n) {
    int c = (n - 1) % 9;
    int l = (n - 1) / 9;
    ++*columnCount(c);
    spots[c][l][turn] = 1;
    gamecount++;
}

void turnBoard(double x, double y, double z, double angle) {
    for (Sphere* sphere : myWorld.spheres)
        sphere->rotate_origin(x, y, z, angle);
    for (Cube* cube : myWorld.cubes)
        cube->rotate_origin(x, y, z, angle);
}

void spinCube(int k) {
    Matrix& ctm = myWorld.cubes[k]->ctm;
    // Axis and position pass through float, as the spin has always done.
    float ax = ctm.m[0][2], ay = ctm.m[1][2], az = ctm.m[2][2];
    float px = ctm.m[0][3], py = ctm.m[1][3], pz = ctm.m[2][3];
    myWorld.cubes[k]->rotate(ax, ay, az, 0.5);
    // rotate also swings the centre about the origin; put it back.
    ctm.m[0][3] = px;
    ctm.m[1][3] = py;
    ctm.m[2][3] = pz;
}

void drawCubes() {
    Cube* oldCubes[27];
    Sphere* oldSpheres[27];
    for (int k = 0; k < 27; k++) {
        oldCubes[k] = myWorld.cubes[k];
        oldSpheres[k] = myWorld.spheres[k];
    }
    for (int k = 0; k < 27; k++)
        myWorld.cubes[k] = new Cube;
    for (int k = 0; k < 27; k++)
        myWorld.spheres[k] = new Sphere;
    double x, y, z;
    for (int k = 0; k < 27; k++) {
        homePosition(k, x, y, z);
        myWorld.cubes[k]->translate(x, y, z);
    }
    for (int k = 0; k < 27; k++) {
        homePosition(k, x, y, z);
        myWorld.spheres[k]->translate(x, y, z);
    }
    // Nothing else points at the old pieces.
    for (int k = 0; k < 27; k++) {
        delete oldCubes[k];
        delete oldSpheres[k];
    }
    if (boardChanged != nullptr)
        boardChanged();
    glutPostRedisplay();
}

namespace {

// Whether the player holds the cell at x-position x, level and row, each 0 to
// 2; false outside the board.
bool holds(const int board[9][3][2], int player, int x, int level, int row) {
    return x >= 0 && x < 3 && level >= 0 && level < 3 && row >= 0 && row < 3 &&
           board[3 * row + x][level][player] == 1;
}

} // namespace

int countRows(const int board[9][3][2], int player) {
    // A row of three has a middle cell and runs one step to either side of
    // it, the step one of the 26 to a neighbour; each row is met twice, once
    // with each of its two opposite steps.
    int found = 0;
    for (int x = 0; x < 3; x++)
        for (int level = 0; level < 3; level++)
            for (int row = 0; row < 3; row++) {
                if (!holds(board, player, x, level, row))
                    continue;
                for (int dx = -1; dx <= 1; dx++)
                    for (int dl = -1; dl <= 1; dl++)
                        for (int dr = -1; dr <= 1; dr++)
                            if ((dx != 0 || dl != 0 || dr != 0) &&
                                holds(board, player, x - dx, level - dl, row - dr) &&
                                holds(board, player, x + dx, level + dl, row + dr))
                                found++;
            }
    return found / 2;
}

/* ---------------- Callbacks ---------------- */

void ab1() { spinCube(0); }
void ab2() { spinCube(1); }
void ab3() { spinCube(2); }
void ab4() { spinCube(3); }
void ab5() { spinCube(4); }
void ab6() { spinCube(5); }
void ab7() { spinCube(6); }
void ab8() { spinCube(7); }
void ab9() { spinCube(8); }
void am1() { spinCube(9); }
void am2() { spinCube(10); }
void am3() { spinCube(11); }
void am4() { spinCube(12); }
void am5() { spinCube(13); }
void am6() { spinCube(14); }
void am7() { spinCube(15); }
void am8() { spinCube(16); }
void am9() { spinCube(17); }
void at1() { spinCube(18); }
void at2() { spinCube(19); }
void at3() { spinCube(20); }
void at4() { spinCube(21); }
void at5() { spinCube(22); }
void at6() { spinCube(23); }
void at7() { spinCube(24); }
void at8() { spinCube(25); }
void at9() { spinCube(26); }

namespace {

// The marked cell's spin function, or none; a toolkit timer steps it 60
// times a second, each step one frame, so that the spin's speed is the same
// on every machine and nothing runs while nothing turns.
void (*spinFunction)() = nullptr;
bool spinTimerSet = false;
using Clock = std::chrono::steady_clock;
const Clock::duration spinPeriod = std::chrono::microseconds(1000000 / 60);
Clock::time_point nextSpinStep;

void setSpinTimer() {
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextSpinStep - Clock::now());
    spinTimerSet = true;
    glutTimerFunc(static_cast<unsigned>(std::max<long long>(0, wait.count())), stepSpin, 0);
}

} // namespace

void stepSpin(int) {
    spinTimerSet = false;
    if (spinFunction == nullptr)
        return;
    spinFunction();
    glutPostRedisplay();
    // Steps keep to the clock; after a long stall the spin goes on from now
    // rather than catching up in a burst.
    nextSpinStep += spinPeriod;
    if (nextSpinStep < Clock::now() - spinPeriod)
        nextSpinStep = Clock::now();
    setSpinTimer();
}

void startSpin(void (*spin)()) {
    spinFunction = spin;
    if (spinTimerSet)
        return;
    nextSpinStep = Clock::now() + spinPeriod;
    setSpinTimer();
}

void animation() { spinFunction = nullptr; }

namespace {

// The spin callback of each cell, by cell index.
void (*const spinFunctions[27])() = {ab1, ab2, ab3, ab4, ab5, ab6, ab7, ab8, ab9,
                                     am1, am2, am3, am4, am5, am6, am7, am8, am9,
                                     at1, at2, at3, at4, at5, at6, at7, at8, at9};

struct ViewKey {
    unsigned char key;
    double x, y, z, angle;
};

// Quarter turns of the board; only lower-case letters act.
const ViewKey viewKeys[] = {{'q', 1, 0, 0, 90},  {'a', 1, 0, 0, -90}, {'w', 0, 1, 0, 90},
                            {'s', 0, 1, 0, -90}, {'e', 0, 0, 1, 90},  {'d', 0, 0, 1, -90}};

} // namespace

int spinningCube() {
    const auto* found = std::find(spinFunctions, spinFunctions + 27, spinFunction);
    return found == spinFunctions + 27 ? -1 : static_cast<int>(found - spinFunctions);
}

void chooseColumn(int k) {
    int n = landingCell(k);
    // A full column's key is ignored, so a space never passes the turn empty.
    if (n == 0)
        return;
    colSelected = 1;
    startSpin(spinFunctions[n - 1]);
    spotSelected = n;
}

void playMove() {
    if (colSelected == 1 && moveOffered != nullptr && moveOffered((spotSelected - 1) % 9))
        return;
    animation();
    if (colSelected == 0)
        return;
    colSelected = 0;
    notice.clear();
    const int column = (spotSelected - 1) % 9, cell = spotSelected - 1, mover = turn;
    placeBall(spotSelected);
    spotSelected = 0;
    turn = turn == 0 ? 1 : 0;
    drawCubes();
    if (ballPlaced != nullptr)
        ballPlaced(cell, mover);
    if (movePlayed != nullptr)
        movePlayed(column);
    if (turnBegins != nullptr)
        turnBegins();
}

void newGame() {
    animation();
    std::fill(&spots[0][0][0], &spots[0][0][0] + sizeof spots / sizeof(int), 0);
    for (int c = 0; c < 9; c++)
        *columnCount(c) = 0;
    turn = 0;
    gamecount = 0;
    spotSelected = 0;
    colSelected = 0;
    instructions = 0;
    notice.clear();
    drawCubes();
    if (turnBegins != nullptr)
        turnBegins();
}

bool turnView(unsigned char key) {
    for (const ViewKey& view : viewKeys)
        if (view.key == key) {
            if (boardChanged != nullptr)
                boardChanged();
            turnBoard(view.x, view.y, view.z, view.angle);
            return true;
        }
    return false;
}
