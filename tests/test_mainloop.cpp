// The marking spin as the real main loop runs it: keys go in through the
// keyboard callback, the loop's own idle passes turn the cubes, and timers
// in the same loop watch, each step waiting with a time-out.

#include "computer.h"
#include "fall.h"
#include "game.h"
#include "glwindow.h"
#include "history.h"
#include "input.h"
#include "online.h"
#include "seek.h"
#include "wsraw.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>
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

// Runs the steps in the main loop's own passes, one by one: the toolkit
// ends itself when glutMainLoop returns, and a test after needs it.
void runStepsPassByPass() {
    current = 0;
    started = false;
    glutTimerFunc(1, next, 0);
    while (current < steps.size()) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(MainLoop, TheComputerMarksItsColumnThenDropsItsBallAfterASecond) {
    newGame();
    chooseOpponent(3, 1);
    Position before;
    int marked = 0, gameAtMark = 0;
    bool keysIgnored = true, markedWhileFalling = false;
    double secondsToDrop = 0, secondsToMark = 0;
    std::chrono::steady_clock::time_point moved;
    steps = {
        {"after the player's move the computer marks a cell",
         [&] {
             keyAction('5', 0, 0), keyAction(' ', 0, 0);
             moved = std::chrono::steady_clock::now();
             before = boardPosition();
         },
         [&] {
             marked = spotSelected;
             markedWhileFalling = markedWhileFalling || (marked != 0 && fallingCell() >= 0);
             secondsToMark =
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - moved).count();
             return marked != 0 && turned(marked - 1);
         }},
        {"digits and space do nothing while the computer is on turn",
         [&] {
             keyAction(marked % 9 == 1 ? '2' : '1', 0, 0), keyAction(' ', 0, 0);
             keysIgnored = spotSelected == marked && gamecount == 1;
         },
         [] { return true; }},
        {"its ball drops into the marked cell", [] {},
         [&] {
             secondsToDrop =
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - moved).count();
             return gamecount == 2;
         }},
        {"the player moves again and the computer marks",
         [&] {
             keyAction('1', 0, 0), keyAction(' ', 0, 0);
             gameAtMark = gamecount;
         },
         [] { return spotSelected != 0; }},
        {"two players cancels the computer's move",
         [&] {
             chooseOpponent(0, 1);
             moved = std::chrono::steady_clock::now();
         },
         [&] {
             return std::chrono::steady_clock::now() - moved > std::chrono::milliseconds(1500);
         }},
    };
    runStepsPassByPass();

    ASSERT_TRUE(failures.empty()) << failures.front();
    EXPECT_TRUE(keysIgnored);
    EXPECT_FALSE(markedWhileFalling) << "the computer's mark waits for the player's ball to land";
    EXPECT_GT(secondsToMark, 0.35) << "a ball falls to the bottom in 0.3 s and bounces for 0.1 s";
    EXPECT_GT(secondsToDrop, 0.9);
    EXPECT_LT(secondsToDrop, 5.0);
    // The ball went where the mark was, and the perfect level plays a best move.
    int column = (marked - 1) % 9, level = (marked - 1) / 9;
    EXPECT_EQ(spots[column][level][1], 1);
    int values[9], legal = moveValues(before, values), best = 100;
    for (int c = 0; c < 9; c++)
        if (legal >> c & 1)
            best = std::min(best, values[c]);
    EXPECT_EQ(values[column], best);
    EXPECT_EQ(gamecount, gameAtMark) << "no ball after two players was chosen";
    EXPECT_EQ(turn, 1);
    EXPECT_EQ(colSelected, 0);
    newGame();
}

TEST(MainLoop, UndoAgainstTheComputerTakesBackItsReplyAndTheMoveAndItWaits) {
    newGameWithoutMoves();
    chooseOpponent(3, 1);
    std::chrono::steady_clock::time_point undone;
    int pendingCancelled = -1;
    steps = {
        {"two moves each, the computer's by its timer",
         [] { keyAction('5', 0, 0), keyAction(' ', 0, 0); }, [] { return gamecount == 2; }},
        {"", [] { keyAction('1', 0, 0), keyAction(' ', 0, 0); }, [] { return gamecount == 4; }},
        {"Ctrl+Z takes back the reply and the move",
         [&] {
             keyAction(26, 0, 0);
             undone = std::chrono::steady_clock::now();
         },
         [&] {
             return gamecount == 2 &&
                    std::chrono::steady_clock::now() - undone > std::chrono::milliseconds(1200);
         }},
        {"a move while the computer marks its reply, then Ctrl+Z",
         [&] {
             keyAction('9', 0, 0), keyAction(' ', 0, 0);
             keyAction(26, 0, 0);
             pendingCancelled = gamecount;
             undone = std::chrono::steady_clock::now();
         },
         [&] {
             return std::chrono::steady_clock::now() - undone > std::chrono::milliseconds(1200);
         }},
        {"Ctrl+Y plays the move again, and the computer replies", [] { keyAction(25, 0, 0); },
         [] { return gamecount == 4; }},
    };
    runStepsPassByPass();
    ASSERT_TRUE(failures.empty()) << failures.front();
    EXPECT_EQ(pendingCancelled, 2) << "the marked reply was cancelled with the move";
    EXPECT_EQ(gamecount, 4) << "the computer waited for a move after each undo";
    EXPECT_EQ(turn, 0);
    EXPECT_EQ(spots[4][0][0], 1);
    EXPECT_EQ(spots[0][0][0] + spots[0][1][0], 0) << "a new move left nothing of the first to redo";
    EXPECT_EQ(spots[8][0][0], 1) << "the last move taken back, played again";
    chooseOpponent(0, 1);
    newGameWithoutMoves();
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
    current = 0;
    started = false;
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

TEST(MainLoop, ABallFallsThenRestsAndAnyOtherChangeOfTheBoardLandsItAtOnce) {
    newGame();
    chooseOpponent(0, 1);
    std::vector<double> heights;
    double secondsToRest = 0;
    std::chrono::steady_clock::time_point moved;
    bool landedByUndo = false, landedBySecondMove = false, landedByView = false,
         landedByNewGame = false;
    steps = {
        {"a move's ball falls from a cell above the top level and comes to rest",
         [&] {
             keyAction('5', 0, 0), keyAction(' ', 0, 0);
             moved = std::chrono::steady_clock::now();
         },
         [&] {
             if (fallingCell() == 4)
                 heights.push_back(fallHeight());
             secondsToRest =
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - moved).count();
             return fallingCell() < 0;
         }},
        {"Undo during a fall",
         [&] {
             keyAction('5', 0, 0), keyAction(' ', 0, 0);
             landedByUndo = fallingCell() == 13;
             keyAction(26, 0, 0);
             landedByUndo = landedByUndo && fallingCell() < 0 && gamecount == 1;
         },
         [] { return true; }},
        {"a second move during a fall",
         [&] {
             keyAction('1', 0, 0), keyAction(' ', 0, 0), keyAction('2', 0, 0), keyAction(' ', 0, 0);
             landedBySecondMove = fallingCell() == 1 && spots[0][0][1] == 1 && gamecount == 3;
         },
         [] { return true; }},
        {"a view key during a fall",
         [&] {
             keyAction('q', 0, 0);
             landedByView = fallingCell() < 0;
         },
         [] { return true; }},
        {"New game during a fall",
         [&] {
             keyAction('3', 0, 0), keyAction(' ', 0, 0);
             startNewGame();
             landedByNewGame = fallingCell() < 0 && gamecount == 0;
         },
         [] { return true; }},
    };
    runStepsPassByPass();

    ASSERT_TRUE(failures.empty()) << failures.front();
    ASSERT_GT(heights.size(), 5u) << "frames of the fall";
    EXPECT_NEAR(heights.front(), 3.0, 0.3) << "from one cell above the top level";
    // Down the whole way but for one small bounce of about a tenth of a cell.
    double lowest = heights.front(), bounce = 0;
    for (double h : heights) {
        bounce = std::max(bounce, h - lowest);
        lowest = std::min(lowest, h);
    }
    EXPECT_LT(lowest, 0.02);
    EXPECT_GT(bounce, 0.03);
    EXPECT_LT(bounce, 0.15);
    EXPECT_GT(secondsToRest, 0.35);
    EXPECT_LT(secondsToRest, 0.8);
    EXPECT_TRUE(landedByUndo);
    EXPECT_TRUE(landedBySecondMove);
    EXPECT_TRUE(landedByView);
    EXPECT_TRUE(landedByNewGame);
}

TEST(MainLoop, AloneThePlayerIsOfferedTheComputerAndSwitchesToTheOpponentFoundMeanwhile) {
    TempFolder home, state;
    setenv("XDG_CONFIG_HOME", home.path.c_str(), 1);
    setenv("XDG_STATE_HOME", home.path.c_str(), 1);
    ServerProcess server(state.path, 0, {"--move-time", "1"});
    ASSERT_GT(server.port, 0);
    newGame();
    chooseOpponent(0, 1);
    seekServer = "127.0.0.1:" + std::to_string(server.port);
    offerSeconds = 1;
    RawSocket stranger;
    std::string paired;
    auto says = [](const char* part) { return seekLine().find(part) != std::string::npos; };
    steps = {
        {"Play someone waits, the counts in the strip", [] { seekChoose(); },
         [&] { return says("Looking for an opponent \u2014 0 others waiting, 0 playing"); }},
        {"a second alone, the computer is offered", [] {},
         [&] {
             return seekEntry() == " Play the computer while you wait " &&
                    says("Online: Play the computer while you wait");
         }},
        {"the computer (good, as none was chosen) answers the player's move",
         [] {
             seekChoose();
             keyAction('5', 0, 0), keyAction(' ', 0, 0);
         },
         [&] { return opponentLevel == 2 && gamecount == 2 && says("Playing the computer"); }},
        {"a stranger comes: the strip and the entry offer the switch",
         [&] {
             stranger.open(server.port, "/ws/pair");
             stranger.sendText("hello 1 pair");
         },
         [&] {
             return seekEntry() == " Switch to the online game " && says("An opponent is found") &&
                    gamecount == 2;
         }},
        {"switched: the paired room's new game, the computer off, the choice before kept",
         [] { seekChoose(); },
         [&] {
             return onlineSeat > 0 && gamecount == 0 && computerSide == -1 && opponentLevel == 0;
         }},
        {"the stranger takes the other seat; player 1 stalls and loses it, counted",
         [&] {
             while (stranger.receive(paired, 1000) && paired.rfind("paired ", 0) != 0) {
             }
             Seat other;
             other.take(server.port, paired.substr(7), "hello 1 play");
             std::swap(other.socket.fd, stranger.fd);
         },
         [&] {
             const std::string record = fileText(home.path + "/kaveto/record");
             return record.find(onlineSeat == 1 ? "online=0 0 1\n" : "online=1 0 0\n") !=
                    std::string::npos;
         }},
    };
    runStepsPassByPass();
    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_EQ(paired.substr(0, 7), "paired ") << "the stranger went to the same room";
    onlineLeave();
    EXPECT_NE(fileText(home.path + "/kaveto/settings").find("server=" + seekServer),
              std::string::npos);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!openGameWindow(&argc, argv))
        return 1;
    return RUN_ALL_TESTS();
}
