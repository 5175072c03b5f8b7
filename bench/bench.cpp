// Measures, in one run, what a frame, a move and a spin step cost in the
// game's own window, against a frame that only clears and swaps and a frame
// that draws the same scene in the plainest way; then start-up time and peak
// memory of the built game; then, from outside the built game, its CPU use
// while nothing moves and while a cube spins, the frames it shows a second
// (counted as X damage to its window); then, in this process's real main
// loop, how fast the spin turns and what it costs with every frame drawn
// whole, as before, and with spin frames from the still copy. Prints a table.
//
// Usage: kaveto-bench [--profile]   (on an X display; $KAVETO_BINARY names
// the game for the start-up rows). --profile draws full-board frames only,
// for a profiler.

#include "computer.h"
#include "fall.h"
#include "frame.h"
#include "game.h"
#include "glwindow.h"
#include "history.h"
#include "input.h"
#include "menus.h"
#include "render_gl.h"
#include "xdrive.h"

#include <GL/freeglut.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A thing to time: how to set the scene up, and one run of it.
struct Case {
    std::string what;
    std::function<void()> setUp, run;
    int batch = 1;
    std::vector<double> times = {};
};

// Times every case in rounds, one batch of each per round, so that a slow
// spell of the machine touches all of them alike; each sample is the mean of
// a batch long enough to time well. Returns the median of each, in µs.
std::vector<double> medians(std::vector<Case>& cases, int rounds = 15) {
    for (Case& c : cases) {
        c.setUp();
        for (;;) {
            auto start = Clock::now();
            for (int i = 0; i < c.batch; i++)
                c.run();
            if (Clock::now() - start > std::chrono::milliseconds(20) || c.batch >= 1 << 20)
                break;
            c.batch *= 2;
        }
    }
    for (int round = 0; round < rounds; round++)
        for (Case& c : cases) {
            c.setUp();
            auto start = Clock::now();
            for (int i = 0; i < c.batch; i++)
                c.run();
            std::chrono::duration<double, std::micro> spent = Clock::now() - start;
            c.times.push_back(spent.count() / c.batch);
        }
    std::vector<double> result;
    for (Case& c : cases) {
        std::sort(c.times.begin(), c.times.end());
        result.push_back(c.times[c.times.size() / 2]);
    }
    return result;
}

// The board with its first n balls placed column by column, pieces at home.
void boardWith(int n) {
    std::memset(spots, 0, sizeof spots);
    for (int c = 0; c < 9; c++)
        *columnCount(c) = 0;
    turn = gamecount = spotSelected = colSelected = 0;
    instructions = 0;
    for (int i = 0; i < n; i++) {
        placeBall(landingCell(i % 9 + 1));
        turn = 1 - turn;
    }
    drawCubes();
}

void frame() {
    display();
    glFinish();
}

void floorFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    glFinish();
}

// The same balls, cubes and strip texts, drawn the plainest way: GLUT's own
// solid sphere and wire cube at each cell, one flush per frame.
void referenceFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 150, 800, 800);
    for (int k = 0; k < 27; k++) {
        double x, y, z;
        homePosition(k, x, y, z);
        glPushMatrix();
        glTranslated(x, y, z);
        for (int p = 0; p < 2; p++)
            if (spots[k % 9][k / 9][p] == 1) {
                glColor3f(p == 0 ? r1 : r2, p == 0 ? g1 : g2, p == 0 ? b1 : b2);
                glutSolidSphere(0.3, 25, 25);
            }
        float colour[3] = {0, 0, 0};
        colour[k / 9] = 0.33f * ((k / 3) % 3 + 1);
        glColor3fv(colour);
        glutWireCube(0.6);
        glPopMatrix();
    }
    glViewport(0, 0, 800, 150);
    font = GLUT_BITMAP_HELVETICA_18;
    glColor3f(1, 1, 1);
    output(-3.2f, 2.75f, "KAVETO");
    output(1.8f, 1.0f, turn == 0 ? "Player 1 Turn" : "Player 2 Turn");
    if (gamecount == 27)
        output(-1.0f, 0.0f, "GAME OVER");
    glFlush();
    glutSwapBuffers();
    glFinish();
}

struct Row {
    std::string what;
    double value;
    std::string unit;
};

void printTable(const std::vector<Row>& rows) {
    std::printf("| measure | median |\n|---|---:|\n");
    for (const Row& row : rows)
        std::printf("| %s | %.2f %s |\n", row.what.c_str(), row.value, row.unit.c_str());
}

double turnLine(const Shot& s) {
    return s.count(650, 694, 770, 712, [](Pixel p) { return p.red > 150 && p.green < 80; });
}

// Exec to the first frame on screen, in milliseconds; the median of runs.
double startupMilliseconds(int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        auto start = Clock::now();
        GameProcess game;
        if (game.waitForWindow(1) == 0)
            return -1;
        game.waitForShot([](const Shot& s) { return turnLine(s) > 60; }, 1);
        std::chrono::duration<double, std::milli> spent = Clock::now() - start;
        times.push_back(spent.count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The game's peak resident memory after a whole game played through X.
double peakKilobytesAfterAGame() {
    GameProcess game;
    if (game.waitForWindow() == 0)
        return -1;
    for (int level = 0; level < 3; level++)
        game.type("1 2 3 4 5 6 7 8 9 ");
    game.waitForShot([](const Shot& s) {
        return s.count(280, 706, 420, 722, [](Pixel p) { return p.red > 150 && p.blue > 150; }) >
               60;
    });
    std::ifstream status("/proc/" + std::to_string(game.processId()) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6));
    return -1;
}

// Ticks the game uses over the next span of time.
long ticksOver(GameProcess& game, std::chrono::seconds span) {
    long before = game.cpuTicks();
    std::this_thread::sleep_for(span);
    return game.cpuTicks() - before;
}

// Frames the game shows a second, counted over a span as the X server's
// damage reports of its window: one for each buffer swap.
double framesPerSecond(GameProcess& game, std::chrono::seconds span) {
    Display* x = game.display();
    int eventBase, errorBase;
    if (!XDamageQueryExtension(x, &eventBase, &errorBase))
        return -1;
    Damage damage = XDamageCreate(x, game.window(), XDamageReportRawRectangles);
    XSync(x, False);
    int frames = 0;
    auto start = Clock::now();
    while (Clock::now() - start < span) {
        while (XPending(x) > 0) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == eventBase + XDamageNotify &&
                !reinterpret_cast<XDamageNotifyEvent*>(&event)->more)
                frames++;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    XDamageDestroy(x, damage);
    XSync(x, False);
    std::chrono::duration<double> spent = Clock::now() - start;
    return frames / spent.count();
}

bool turnLineIn(const Shot& s, bool playerOne) {
    return s.count(650, 694, 770, 712, [&](Pixel p) {
        return playerOne ? p.red > 150 && p.green < 80 : p.green > 150 && p.red < 80;
    }) > 60;
}

// Plays the moves through X and waits until the other player's turn shows.
bool play(GameProcess& game, const std::string& moves) {
    game.type(moves);
    bool playerOne = moves.size() / 2 % 2 == 0;
    return turnLineIn(game.waitForShot([&](const Shot& s) { return turnLineIn(s, playerOne); }),
                      playerOne);
}

// The built game's CPU use, and frames while a cube spins, from outside.
void measureTheGameFromOutside(std::vector<Row>& rows) {
    const auto span = std::chrono::seconds(10);
    GameProcess game;
    if (game.waitForWindow() == 0 || !play(game, ""))
        return;
    rows.push_back(
        {"CPU, nothing moving, at start (10 s)", double(ticksOver(game, span)), "ticks"});
    play(game, "5 ");
    rows.push_back({"CPU, a move's first second: its ball's fall, then rest",
                    double(ticksOver(game, std::chrono::seconds(1))), "ticks"});
    rows.push_back(
        {"CPU, nothing moving, after a move (10 s)", double(ticksOver(game, span)), "ticks"});
    game.type("5");
    rows.push_back({"frames a second, a cube spinning (empty board)",
                    framesPerSecond(game, std::chrono::seconds(5)), "/s"});
    rows.push_back(
        {"CPU, a cube spinning, empty board (10 s)", double(ticksOver(game, span)), "ticks"});
    game.stop();

    GameProcess full;
    if (full.waitForWindow() == 0 || !play(full, "") ||
        !play(full, "1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 "))
        return;
    full.type("9");
    rows.push_back({"frames a second, the last cube spinning (26 balls)",
                    framesPerSecond(full, std::chrono::seconds(5)), "/s"});
    rows.push_back(
        {"CPU, the last cube spinning, 26 balls (10 s)", double(ticksOver(full, span)), "ticks"});
}

// In this process's real main loop: first how far the marking spin turns a
// second, followed by a timer for 3 s after '5', often enough to count whole
// turns; then what a spin costs, drawn whole as before or from the still
// copy: CPU over 10 s, all threads (100 ticks = one core), and frames a second.
Clock::time_point spinStart;
double spinAngle = 0, spinTotal = 0, spinDegrees = -1;

struct SpinCost {
    std::string what;
    int balls, fromStill;
    double ticks = -1, perSecond = -1;
};
std::vector<SpinCost> spinCosts = {
    {"a cube spinning, empty board, whole frames", 0, 0},
    {"a cube spinning, empty board, from the still copy", 0, 1},
    {"the last cube spinning, 26 balls, whole frames", 26, 0},
    {"the last cube spinning, 26 balls, from the still copy", 26, 1},
};
size_t spinCostIndex = 0;
// The rest of the run, from inside the loop: the toolkit would destroy the
// window on leaving it, and the game ends when its window is destroyed.
std::function<void()> afterTheSpin;
long framesShown = 0, framesAtStart = 0;
double ticksAtStart = 0;

double cpuTicksOfThisProcess() {
    timespec spent;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &spent);
    return 100 * (spent.tv_sec + spent.tv_nsec / 1e9);
}

void countedDisplay() {
    display();
    framesShown++;
}

void startSpinCost();

void endSpinCost(int) {
    std::chrono::duration<double> spent = Clock::now() - spinStart;
    SpinCost& cost = spinCosts[spinCostIndex];
    cost.ticks = cpuTicksOfThisProcess() - ticksAtStart;
    cost.perSecond = (framesShown - framesAtStart) / spent.count();
    spinFramesFromStill = 1;
    if (++spinCostIndex < spinCosts.size())
        startSpinCost();
    else
        afterTheSpin();
}

void beginSpinCost(int) {
    spinStart = Clock::now();
    ticksAtStart = cpuTicksOfThisProcess();
    framesAtStart = framesShown;
    glutTimerFunc(10000, endSpinCost, 0);
}

// Marks the cell on top of the balls; the spin settles for a second first.
void startSpinCost() {
    const SpinCost& cost = spinCosts[spinCostIndex];
    animation();
    boardWith(cost.balls);
    spinFramesFromStill = cost.fromStill;
    keyAction(cost.balls == 26 ? '9' : '5', 0, 0);
    glutTimerFunc(1000, beginSpinCost, 0);
}

double cubeAngle(int k) {
    const Matrix& m = myWorld.cubes[k]->ctm;
    return std::atan2(m.m[0][1], m.m[0][0]) * 180 / 3.14159265358979;
}

void watchSpin(int) {
    double angle = cubeAngle(4), step = angle - spinAngle;
    spinTotal += step < -180 ? step + 360 : step > 180 ? step - 360 : step;
    spinAngle = angle;
    std::chrono::duration<double> spent = Clock::now() - spinStart;
    if (spent.count() < 3) {
        glutTimerFunc(5, watchSpin, 0);
        return;
    }
    spinDegrees = spinTotal / spent.count();
    startSpinCost();
}

// Enters the loop for good; then runs then, which must end the process.
void measureSpinInTheMainLoop(std::function<void()> then) {
    afterTheSpin = std::move(then);
    boardWith(0);
    glutDisplayFunc(countedDisplay);
    keyAction('5', 0, 0);
    spinStart = Clock::now();
    glutTimerFunc(5, watchSpin, 0);
    glutMainLoop();
}

} // namespace

// A position reached by random moves from the start.
Position randomPosition(int balls, std::mt19937& random) {
    Position position = {{0, 0}};
    for (int n = 0; n < balls; n++) {
        int c;
        do
            c = static_cast<int>(random() % 9);
        while (landingIndex(position, c) < 0);
        position = afterMove(position, c);
    }
    return position;
}

// The perfect level's decision, over 20 positions of each number of balls.
void measureDecisions(std::vector<Row>& rows) {
    std::mt19937 random(1);
    prepareSearch();
    std::vector<double> times;
    double worst = 0;
    int worstBalls = 0;
    for (int balls = 0; balls < 27; balls++)
        for (int i = 0; i < 20; i++) {
            Position position = randomPosition(balls, random);
            auto start = std::chrono::steady_clock::now();
            computerColumn(position, 3, random);
            std::chrono::duration<double, std::milli> spent =
                std::chrono::steady_clock::now() - start;
            times.push_back(spent.count());
            if (spent.count() > worst) {
                worst = spent.count();
                worstBalls = balls;
            }
        }
    std::sort(times.begin(), times.end());
    rows.push_back(
        {"computer's decision (perfect), median of 540 positions", times[times.size() / 2], "ms"});
    rows.push_back({"computer's decision, maximum (at " + std::to_string(worstBalls) + " balls)",
                    worst, "ms"});
    rows.push_back({"book built into the game", bookDataSize / 1e6, "MB"});
}

// Whole games through the callbacks, of random moves and of the perfect
// level's, with the review opened, stepped through and closed four times a
// game: how long the review takes to open, and the longest any callback
// takes, its frame included. The first opening finds the search cold.
void measureGamesWithTheReview(std::vector<Row>& rows) {
    std::mt19937 random(3);
    std::vector<double> opens;
    double longest = 0;
    std::string longestWhat;
    auto timed = [&](const std::string& what, const std::function<void()>& call) {
        auto start = Clock::now();
        call();
        frame();
        std::chrono::duration<double, std::milli> spent = Clock::now() - start;
        if (spent.count() > longest) {
            longest = spent.count();
            longestWhat = what;
        }
        return spent.count();
    };
    const int games = 20;
    for (int game = 0; game < games; game++) {
        const bool perfect = game % 2 == 1;
        newGameWithoutMoves();
        while (gamecount < 27) {
            timed(perfect ? "the perfect level's move" : "a digit", [&] {
                int column;
                if (perfect)
                    column = computerColumn(boardPosition(), 3, random);
                else
                    do
                        column = static_cast<int>(random() % 9);
                    while (landingCell(column + 1) == 0);
                keyAction(static_cast<unsigned char>('1' + column), 0, 0);
            });
            timed("space", [] { keyAction(' ', 0, 0); });
            if (gamecount % 7 != 6 && gamecount != 27)
                continue;
            opens.push_back(timed("the review opened", [] { mainMenu(13); }));
            for (int key : {GLUT_KEY_LEFT, GLUT_KEY_LEFT, GLUT_KEY_HOME, GLUT_KEY_END,
                            GLUT_KEY_LEFT, GLUT_KEY_RIGHT})
                timed("a step through the review", [key] { specialKey(key, 0, 0); });
            timed("the review closed", [] { mainMenu(13); });
        }
    }
    std::vector<double> sorted = opens;
    std::sort(sorted.begin(), sorted.end());
    rows.push_back({"review opens, with its frame, median of " + std::to_string(opens.size()),
                    sorted[sorted.size() / 2], "ms"});
    rows.push_back({"review opens, first (search cold)", opens.front(), "ms"});
    rows.push_back({"review opens, longest", sorted.back(), "ms"});
    rows.push_back({"longest callback with its frame over " + std::to_string(games) +
                        " whole games, random and perfect (" + longestWhat + ")",
                    longest, "ms"});
}

// 100 games for each pairing of the levels and a player of random moves:
// player 1's average final difference, wins, draws and losses.
void playGames() {
    const char* const names[4] = {"random", "easy", "good", "perfect"};
    std::mt19937 random(2);
    prepareSearch();
    std::printf("| player 1 | player 2 | average | wins | draws | losses "
                "|\n|---|---|---:|---:|---:|---:|\n");
    for (int one = 0; one < 4; one++)
        for (int two = 0; two < 4; two++) {
            int total = 0, wins = 0, draws = 0;
            for (int game = 0; game < 100; game++) {
                Position position = {{0, 0}};
                while (ballCount(position) < 27) {
                    int level = playerOnTurn(position) == 0 ? one : two, column;
                    if (level == 0)
                        do
                            column = static_cast<int>(random() % 9);
                        while (landingIndex(position, column) < 0);
                    else
                        column = computerColumn(position, level, random);
                    position = afterMove(position, column);
                }
                int difference = rowDifference(position);
                total += difference;
                wins += difference > 0;
                draws += difference == 0;
            }
            std::printf("| %s | %s | %+.2f | %d | %d | %d |\n", names[one], names[two],
                        total / 100.0, wins, draws, 100 - wins - draws);
            std::fflush(stdout);
        }
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--games") == 0) {
        playGames();
        return 0;
    }
    bool profile = argc > 1 && std::strcmp(argv[1], "--profile") == 0;
    // The built game first: our own window would carry its title too.
    std::vector<Row> outside;
    if (!profile) {
        outside.push_back(
            {"start-up: exec to first frame on screen", startupMilliseconds(11), "ms"});
        outside.push_back(
            {"peak resident memory after a whole game", peakKilobytesAfterAGame() / 1024, "MiB"});
        measureTheGameFromOutside(outside);
    }
    if (!openGameWindow(&argc, argv)) {
        std::fputs("kaveto-bench: the window did not show\n", stderr);
        return 1;
    }
    // Balls fall here as they do for a player; nothing sounds.
    soundOn = 0;
    if (profile) {
        boardWith(27);
        for (int i = 0; i < 200; i++)
            frame();
        return 0;
    }

    auto board = [](int n, const char* turns = "") {
        return [n, turns] {
            boardWith(n);
            for (const char* key = turns; *key != '\0'; key++)
                keyAction(static_cast<unsigned char>(*key), 0, 0);
        };
    };
    // 26 balls and the last cell marked, its first frame drawn.
    auto lastCellSpinning = [] {
        boardWith(26);
        keyAction('9', 0, 0);
        frame();
    };
    std::vector<Case> cases = {
        {"frame, empty board", board(0), frame},
        {"frame, half-full board (13 balls)", board(13), frame},
        {"frame, full board", board(27), frame},
        {"frame, full board after view turns", board(27, "qw"), frame},
        {"floor: clear and swap only", board(27), floorFrame},
        {"reference: full board, plainest drawing", board(27), referenceFrame},
        // Without the animation: each fall cut short would leave a timer
        // that only the main loop, not run here, takes away.
        {"one move (a digit, then space through drawCubes), no animation",
         [] {
             animationOn = 0;
             boardWith(0);
         },
         [] {
             if (gamecount == 27)
                 boardWith(0);
             keyAction(static_cast<unsigned char>('1' + gamecount % 9), 0, 0);
             keyAction(' ', 0, 0);
         }},
        {"one spin step",
         [] {
             animationOn = 1;
             boardWith(0);
         },
         ab5},
        {"spin frame, 26 balls, drawn whole", lastCellSpinning,
         [] {
             spinFramesFromStill = 0;
             spinCube(26);
             frame();
             spinFramesFromStill = 1;
         }},
        {"spin frame, 26 balls, from the still copy", lastCellSpinning,
         [] {
             spinCube(26);
             frame();
         }},
        // Each batch within the 0.27 s that a ball takes to the top level and back.
        {"fall frame, the 26th ball falling onto 25", board(25, "8 "), frame},
    };
    std::vector<double> times = medians(cases);
    std::printf("Renderer: %s, OpenGL %s, 800 x 800 window\n\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    std::vector<Row> rows;
    for (size_t i = 0; i < cases.size(); i++)
        rows.push_back({cases[i].what, times[i], "µs"});
    double full = times[2], floor = times[4], reference = times[5];
    rows.insert(rows.end(), outside.begin(), outside.end());
    measureSpinInTheMainLoop([&] {
        rows.push_back({"spin, degrees a second (real main loop)", spinDegrees, "°/s"});
        for (const SpinCost& cost : spinCosts) {
            rows.push_back({"CPU, " + cost.what + " (10 s, real main loop)", cost.ticks, "ticks"});
            rows.push_back({"frames a second, " + cost.what, cost.perSecond, "/s"});
        }
        measureGamesWithTheReview(rows);
        measureDecisions(rows);
        printTable(rows);
        std::printf("\nfull board / floor: %.2f\nours / reference (full board): %.2f\n",
                    full / floor, full / reference);
        std::exit(0);
    });
}
