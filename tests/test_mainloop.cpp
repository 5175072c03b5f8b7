// The marking spin as the real main loop runs it: keys go in through the
// keyboard callback, the loop's own idle passes turn the cubes, and timers
// in the same loop watch, each step waiting with a time-out.

#include "game.h"
#include "glwindow.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

bool turned(int k) { return myWorld.cubes[k]->ctm.m[0][1] != 0.0; }

double angleOf(int k) { return myWorld.cubes[k]->ctm.m[0][1]; }

double degreesOf(int k) {
    const Matrix& m = myWorld.cubes[k]->ctm;
    return std::atan2(m.m[0][1], m.m[0][0]) * 180 / 3.14159265358979;
}

// One step of the scenario: an action, then a condition that the loop must
// bring about before the deadline.
struct Step {
    const char* name;
    std::function<void()> action;
    std::function<bool()> done;
};

std::vector<Step> steps;
size_t current = 0;
bool started = false;
int passes = 0;
std::chrono::steady_clock::time_point deadline;
std::vector<std::string> failures;

void next(int) {
    passes++;
    if (current < steps.size() && !started) {
        steps[current].action();
        started = true;
        passes = 0;
        deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    }
    if (current < steps.size() && steps[current].done()) {
        current++;
        started = false;
    } else if (current < steps.size() && std::chrono::steady_clock::now() > deadline) {
        failures.push_back(std::string("timed out: ") + steps[current].name);
        current = steps.size();
    }
    if (current >= steps.size())
        glutLeaveMainLoop();
    else
        glutTimerFunc(1, next, 0);
}

TEST(MainLoop, ADigitSpinsTheLandingCubeUntilAnotherDigitOrTheMove) {
    double firstAngle = 0, secondAngle = 0, paceFrom = 0, degreesPerSecond = 0;
    std::chrono::steady_clock::time_point paceStart;
    bool othersStill = true, firstKept = true;
    // No cube outside these has turned.
    auto noneTurnedBut = [](std::initializer_list<int> cells) {
        for (int k = 0; k < 27; k++)
            if (turned(k) && std::find(cells.begin(), cells.end(), k) == cells.end())
                return false;
        return true;
    };
    steps = {
        {"'5' spins the cube of cell 5", [] { keyAction('5', 0, 0); },
         [&] {
             othersStill = othersStill && noneTurnedBut({4});
             return turned(4) && angleOf(4) > 0.05;
         }},
        {"the spin turns by the clock, 30 degrees a second",
         [&] {
             paceStart = std::chrono::steady_clock::now();
             paceFrom = degreesOf(4);
         },
         [&] {
             std::chrono::duration<double> spent = std::chrono::steady_clock::now() - paceStart;
             degreesPerSecond = (degreesOf(4) - paceFrom) / spent.count();
             return spent.count() >= 1.0;
         }},
        {"'5', space, then '5' spins cell 14", [] { keyAction(' ', 0, 0), keyAction('5', 0, 0); },
         [] { return turned(13) && angleOf(13) > 0.05; }},
        {"'8' moves the spin to cell 8",
         [&] {
             keyAction('8', 0, 0);
             firstAngle = angleOf(13);
         },
         [&] { return turned(7) && angleOf(7) > 0.05; }},
        {"the first cube keeps its angle while the second turns on",
         [&] { secondAngle = angleOf(7); },
         [&] {
             firstKept = firstKept && angleOf(13) == firstAngle && noneTurnedBut({7, 13});
             return angleOf(7) > secondAngle + 0.05;
         }},
        {"space stops the spin and brings every cube home", [] { keyAction(' ', 0, 0); },
         [&] { return passes > 50; }},
    };
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    glutTimerFunc(1, next, 0);
    glutMainLoop();

    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_NEAR(degreesPerSecond, 30, 3);
    EXPECT_TRUE(othersStill) << "only the marked cube turns";
    EXPECT_TRUE(firstKept) << "the cube marked first stays at its angle";
    EXPECT_EQ(spots[4][0][0], 1);
    EXPECT_EQ(spots[7][0][1], 1) << "the second ball went to the cell of the last digit";
    EXPECT_EQ(spots[4][1][1], 0);
    for (int k = 0; k < 27; k++)
        EXPECT_FALSE(turned(k)) << "cube " << k << " still turns after the move";
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!openGameWindow(&argc, argv))
        return 1;
    return RUN_ALL_TESTS();
}
