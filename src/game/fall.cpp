#include "fall.h"

#include "game.h"
#include "online.h"
#include "sound.h"

#include <GL/freeglut_std.h>

#include <algorithm>
#include <chrono>
#include <cmath>

int animationOn = 1;
int soundOn = 1;

namespace {

using Clock = std::chrono::steady_clock;

// A ball starts one cell above the top level; the bottom level's 3 cells
// take bottomFall seconds under constant acceleration, a shorter fall the
// square root of its share of that. Then one small bounce.
const double bottomFall = 0.3, bounceTime = 0.1, bounceHeight = 0.1;
// GAME OVER's rows one after another; a move's chimes one after another.
const double rowStep = 0.12, chimeStep = 0.15;
const Clock::duration framePeriod = std::chrono::microseconds(1000000 / 60);

struct Motion {
    int cell = -1, player = 0;
    Clock::time_point start;
    double fallTime = 0;
    bool knocked = false;
    // The chimes still to play, the next at nextChime.
    int chimes = 0;
    Clock::time_point nextChime;
    // The rows drawn one by one since revealStart, rowsToShow of them.
    bool revealing = false;
    Clock::time_point revealStart;
    int rowsToShow = 0;
    bool timerSet = false;
} motion;

double secondsSince(Clock::time_point then) {
    return std::chrono::duration<double>(Clock::now() - then).count();
}

void setTimer() {
    if (motion.timerSet)
        return;
    motion.timerSet = true;
    glutTimerFunc(static_cast<unsigned>(
                      std::chrono::duration_cast<std::chrono::milliseconds>(framePeriod).count()),
                  stepFall, 0);
}

// The sound of the game's end, from the side of whoever plays here: won or
// lost against the computer or the other machine, one ending otherwise.
const char* endingSound() {
    const int mine = onlineSeat > 0                        ? onlineSeat - 1
                     : onlineSeat < 0 && computerSide >= 0 ? 1 - computerSide
                                                           : -1;
    const int rows[2] = {countRows(spots, 0), countRows(spots, 1)};
    if (mine < 0 || rows[0] == rows[1])
        return "end";
    return rows[mine] > rows[1 - mine] ? "win" : "loss";
}

// The knock of a ball on its level, and the chimes of the rows it made.
void knock(int k, int player) {
    motion.knocked = true;
    static const char* const knocks[3] = {"land1", "land2", "land3"};
    gameSound(knocks[k / 9]);
    int without[9][3][2];
    std::copy(&spots[0][0][0], &spots[0][0][0] + 9 * 3 * 2, &without[0][0][0]);
    without[k % 9][k / 9][player] = 0;
    motion.chimes = countRows(spots, player) - countRows(without, player);
    motion.nextChime = Clock::now() + std::chrono::milliseconds(100);
}

// The ball at rest: GAME OVER's rows begin, its sound plays.
void rest() {
    motion.cell = -1;
    if (gamecount != 27)
        return;
    motion.rowsToShow = countRows(spots, 0) + countRows(spots, 1);
    motion.revealing = animationOn == 1 && motion.rowsToShow > 1;
    motion.revealStart = Clock::now();
    gameSound(endingSound());
}

// The computer's turn waits for the landing; a turn begun meanwhile goes on.
void resumeTurn(int) {
    if (turnBegins != nullptr)
        turnBegins();
}

} // namespace

void gameSound(const char* name) {
    if (soundOn == 1)
        playGameSound(name);
}

void startFall(int k, int player) {
    landFall();
    if (animationOn == 0) {
        knock(k, player);
        rest();
        if (motion.chimes > 0)
            setTimer();
        return;
    }
    motion.cell = k;
    motion.player = player;
    motion.start = Clock::now();
    motion.fallTime = bottomFall * std::sqrt((3 - k / 9) / 3.0);
    motion.knocked = false;
    motion.chimes = 0;
    setTimer();
}

void landFall() {
    const bool wasFalling = motion.cell >= 0;
    motion.cell = -1;
    motion.chimes = 0;
    motion.revealing = false;
    if (wasFalling)
        glutTimerFunc(0, resumeTurn, 0);
}

int fallingCell() { return motion.cell; }

int fallingPlayer() { return motion.player; }

double fallHeight() {
    if (motion.cell < 0)
        return 0;
    const double t = secondsSince(motion.start), drop = 3 - motion.cell / 9;
    if (t < motion.fallTime) {
        const double share = t / motion.fallTime;
        return drop * (1 - share * share);
    }
    const double u = std::min(1.0, (t - motion.fallTime) / bounceTime);
    return bounceHeight * 4 * u * (1 - u);
}

int rowsShownNow(int count) {
    if (!motion.revealing)
        return count;
    return std::min(count, 1 + static_cast<int>(secondsSince(motion.revealStart) / rowStep));
}

void stepFall(int) {
    motion.timerSet = false;
    bool frame = motion.cell >= 0 || motion.revealing;
    if (motion.cell >= 0) {
        const double t = secondsSince(motion.start);
        if (!motion.knocked && t >= motion.fallTime)
            knock(motion.cell, motion.player);
        if (t >= motion.fallTime + bounceTime) {
            rest();
            resumeTurn(0);
        }
    } else if (motion.revealing &&
               secondsSince(motion.revealStart) >= rowStep * (motion.rowsToShow - 1)) {
        motion.revealing = false;
    }
    if (motion.chimes > 0 && Clock::now() >= motion.nextChime) {
        gameSound("row");
        motion.chimes--;
        motion.nextChime = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(chimeStep));
    }
    if (frame)
        glutPostRedisplay();
    if (motion.cell >= 0 || motion.revealing || motion.chimes > 0)
        setTimer();
}
