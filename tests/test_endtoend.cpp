// The built game as a player meets it: a separate process on a virtual X
// server, driven only by XTEST keys and clicks, judged from screenshots at
// pixels computed from the fixed camera.

// GoogleTest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include <chrono>

#include "solver.h"
#include "wsraw.h"
#include "xdrive.h"

#include <X11/keysym.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// Window pixel of the centre of cell index k at home, or of a point near it.
void cellPixel(int k, int& column, int& row, double dx = 0, double dy = 0, double dz = 0) {
    projectToWindow(k % 3 - 1 + dx, k / 9 - 1 + dy, (k / 3) % 3 - 1 + dz, column, row);
}

bool dark(Pixel p) { return p.red < 40 && p.green < 40 && p.blue < 40; }

// Whether p can be the colour (r, g, b) under the light: channels left out
// stay dark, chosen ones stay lit and keep their order; dim stays dim.
bool litFrom(Pixel p, const float* want) {
    const int seen[3] = {p.red, p.green, p.blue};
    for (int a = 0; a < 3; a++) {
        if ((want[a] == 0) != (seen[a] < 40))
            return false;
        for (int b = 0; b < 3; b++) {
            if (want[a] == 0 || want[b] == 0)
                continue;
            if (want[a] == want[b] ? std::abs(seen[a] - seen[b]) > 12
                                   : (want[a] > want[b]) != (seen[a] > seen[b]))
                return false;
        }
    }
    return std::max({want[0], want[1], want[2]}) > 0.5f || std::max({p.red, p.green, p.blue}) < 220;
}

const float red[3] = {1, 0, 0}, green[3] = {0, 1, 0}, white[3] = {1, 1, 1};

// Pixels of that colour in the 9 x 9 box below and right of a ball's centre,
// away from its highlight; a ball fills the box.
int ballPixels(const Shot& shot, int k, const float* colour, double dy = 0) {
    int column, row;
    cellPixel(k, column, row, 0, dy);
    column += 12, row += 12;
    return shot.count(column - 4, row - 4, column + 4, row + 4,
                      [&](Pixel p) { return litFrom(p, colour); });
}

// Pixels of that colour where the turn line stands, about (654, 94) from the bottom.
int turnLinePixels(const Shot& shot, const float* colour) {
    return shot.count(650, 694, 770, 712, [&](Pixel p) { return litFrom(p, colour); });
}

class EndToEnd : public ::testing::Test {
  protected:
    GameProcess game;
    Shot start;
    void SetUp() override {
        ASSERT_NE(game.waitForWindow(), 0u) << game.output();
        start = game.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
        ASSERT_GT(turnLinePixels(start, red), 60) << "no first frame";
    }
    Shot changedFrom(const Shot& before) {
        return game.waitForShot([&](const Shot& s) { return !(s == before); });
    }
};

// Points along the four vertical edges of cube k that carry its level's
// channel, out of 36, in a picture scaled by scale from the bottom-left corner.
int cubeEdgeHits(const Shot& shot, int k, int scale = 1) {
    int hits = 0;
    for (int corner = 0; corner < 4; corner++)
        for (int step = 1; step < 10; step++) {
            int column, row;
            cellPixel(k, column, row, corner & 1 ? 0.3 : -0.3, -0.3 + 0.06 * step,
                      corner & 2 ? 0.3 : -0.3);
            column *= scale;
            row = shot.height - scale * (800 - row);
            hits +=
                shot.count(column - scale, row - scale, column + scale, row + scale, [&](Pixel p) {
                    const int c[3] = {p.red, p.green, p.blue};
                    return c[k / 9] > 60 &&
                           c[k / 9] > 2 * std::max(c[(k / 9 + 1) % 3], c[(k / 9 + 2) % 3]);
                }) > 0;
        }
    return hits;
}

TEST_F(EndToEnd, FirstFrameShowsTheCubesInLevelColoursAndNoBall) {
    for (int k = 0; k < 27; k++) {
        EXPECT_GT(cubeEdgeHits(start, k), 36 * 6 / 10) << "cube " << k;
        int column, row;
        cellPixel(k, column, row);
        EXPECT_LT(
            start.count(column - 4, row - 4, column + 4, row + 4, [](Pixel p) { return !dark(p); }),
            30)
            << "a ball at cell index " << k;
    }
    EXPECT_EQ(turnLinePixels(start, green), 0);
}

TEST_F(EndToEnd, ADigitSetsTheLandingCubeTurning) {
    int column, row;
    cellPixel(4, column, row);
    auto around = [&](const Shot& s) {
        int n = 0;
        for (int y = row - 45; y <= row + 45; y++)
            for (int x = column - 45; x <= column + 45; x++)
                n += s.at(x, y).red * (x + 3 * y);
        return n;
    };
    game.type("5");
    Shot first = game.waitForShot([&](const Shot& s) { return around(s) != around(start); });
    EXPECT_NE(around(first), around(start));
    Shot later = game.waitForShot([&](const Shot& s) { return around(s) != around(first); });
    EXPECT_NE(around(later), around(first)) << "it goes on turning";
    // Far from cell 5, the top back cube is as it was.
    cellPixel(18, column, row);
    for (int y = row - 30; y <= row + 30; y++)
        for (int x = column - 30; x <= column + 30; x++)
            ASSERT_EQ(later.at(x, y).blue, start.at(x, y).blue) << x << "," << y;
}

TEST_F(EndToEnd, MovesDropBallsAndPassTheTurn) {
    game.type("7 ");
    Shot one = game.waitForRest([](const Shot& s) { return turnLinePixels(s, green) > 60; });
    EXPECT_GT(ballPixels(one, 6, red), 70) << "red ball in the front-left bottom cell";
    EXPECT_EQ(turnLinePixels(one, red), 0);
    game.type("7 ");
    Shot two = game.waitForRest([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    EXPECT_GT(ballPixels(two, 15, green), 70) << "green ball on top of it";
    EXPECT_GT(ballPixels(two, 6, red), 70);
    // Nothing moves now, and the game draws nothing: its process sleeps.
    long before = game.cpuTicks();
    EXPECT_FALSE(waitFor([&] { return game.cpuTicks() - before > 3; }, std::chrono::seconds(3)))
        << game.cpuTicks() - before << " ticks in 3 s";
}

TEST_F(EndToEnd, AViewKeyTurnsTheBoardAndTheNextMoveBringsItHome) {
    game.type("w");
    Shot turned = changedFrom(start);
    // 'w' brings the right side to the front: the back-right top cube
    // stands at the back left now, so its corner region changed.
    EXPECT_FALSE(turned == start);
    game.type("1 ");
    Shot home = game.waitForRest([](const Shot& s) { return turnLinePixels(s, green) > 60; });
    EXPECT_GT(ballPixels(home, 0, red, 0), 20) << "a red ball at cell 1, seen from home";
    // Apart from the ball and the strip, the picture is the first frame again.
    int column, row;
    cellPixel(26, column, row);
    for (int y = row - 40; y <= row + 40; y++)
        for (int x = column - 40; x <= column + 40; x++)
            ASSERT_EQ(home.at(x, y).blue, start.at(x, y).blue) << x << "," << y;
}

TEST_F(EndToEnd, EveryMenuColourShowsOnBallsAndTurnLines) {
    const float colours[2][4][3] = {{{1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 0, 1}},
                                    {{0, 1, 0}, {1, 1, 0}, {1, 0.3f, 0}, {0.3f, 0.3f, 0.3f}}};
    // A ball each in the front row; each player chooses while on turn.
    game.type("7 8 ");
    game.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    for (int who = 0; who < 2; who++) {
        if (who == 1) {
            game.type("9 ");
            game.waitForShot([&](const Shot& s) { return turnLinePixels(s, green) > 60; });
        }
        for (int pick : {1, 2, 3, 0}) {
            ASSERT_TRUE(game.pickMenu(400, 300, {0, who, pick})) << who << ", " << pick;
            const float* want = colours[who][pick];
            auto shows = [&](const Shot& s) {
                return turnLinePixels(s, want) > 60 && ballPixels(s, 6 + who, want) > 70;
            };
            EXPECT_TRUE(shows(game.waitForShot(shows)))
                << "player " << who + 1 << ", entry " << pick;
        }
    }
}

TEST_F(EndToEnd, EachPageShowsThroughTheMenu) {
    const struct {
        int entry;
        float colour[3];
    } pages[] = {{1, {1, 1, 1}}, {2, {0, 1, 0}}, {3, {0, 1, 1}}, {4, {0, 1, 1}}};
    Shot last = start;
    for (const auto& page : pages) {
        ASSERT_TRUE(game.pickMenu(400, 300, {page.entry})) << "entry " << page.entry;
        // The heading stands at (45, 132) from the bottom.
        Shot s = changedFrom(last);
        s = game.waitForShot([&](const Shot& shot) {
            return shot.count(40, 656, 200, 670, [&](Pixel p) { return litFrom(p, page.colour); }) >
                   30;
        });
        EXPECT_GT(s.count(40, 656, 200, 670, [&](Pixel p) { return litFrom(p, page.colour); }), 30)
            << "entry " << page.entry;
        last = s;
    }
}

TEST_F(EndToEnd, AWholeGameTypedAtFullSpeedEndsAsTypedSlowlyWithGameOver) {
    const std::string moves = "123456789123456789123456789";
    for (int level = 0; level < 3; level++)
        game.type("1 2 3 4 5 6 7 8 9 ");
    // "GAME OVER" about (282, 79) from the bottom.
    auto over = [](const Shot& s) {
        return s.count(280, 706, 420, 722, [](Pixel p) { return litFrom(p, white); }) > 60;
    };
    // Each move landed the ball before it; the last one's rows come one by one.
    Shot fast = game.waitForRest(over);
    EXPECT_TRUE(over(fast));
    EXPECT_GT(turnLinePixels(fast, green), 60) << "the 27th ball was player 1's";
    EXPECT_GT(ballPixels(fast, 24, red), 20) << "the last ball, cell 25";
    ASSERT_TRUE(game.pickMenu(400, 300, {12})); // the review: the history
    Shot fastReview = game.waitForRest([&](const Shot& s) { return !(s == fast); });
    game.stop();

    GameProcess slow;
    ASSERT_NE(slow.waitForWindow(), 0u);
    Shot before = slow.waitForRest([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    for (char c : moves) {
        slow.type(std::string(1, c) + " ");
        before = slow.waitForRest([&](const Shot& s) { return !(s == before); });
    }
    EXPECT_TRUE(before == fast) << "the picture at GAME OVER";
    ASSERT_TRUE(slow.pickMenu(400, 300, {12}));
    Shot slowReview = slow.waitForRest([&](const Shot& s) { return !(s == before); });
    EXPECT_TRUE(slowReview == fastReview) << "the review of the same moves";
    slow.stop();

    // A game opened from its moves opens at rest, all rows drawn at once.
    GameProcess opened({}, {"--moves", moves});
    ASSERT_NE(opened.waitForWindow(), 0u);
    Shot shown = opened.waitForShot([&](const Shot& s) { return s == fast; });
    EXPECT_TRUE(shown == fast);
    EXPECT_EQ(opened.output(), "");
}

TEST_F(EndToEnd, KeysOutsideTheTableLeaveThePictureAsItIs) {
    // Each key goes by, then 'q' shows that it was read; the picture must be
    // what 'q' alone makes of the first frame in a game of its own.
    game.type("QAWSED0");
    for (KeySym key : {XK_Escape, XK_Return, XK_Left, XK_Up, XK_Right, XK_Down, XK_F1})
        game.typeKeysym(key);
    game.type("q");
    Shot got = changedFrom(start);
    game.stop(); // the two windows would stand on top of each other

    GameProcess reference;
    ASSERT_NE(reference.waitForWindow(), 0u);
    Shot first = reference.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    EXPECT_TRUE(first == start);
    reference.type("q");
    Shot wanted = reference.waitForShot([&](const Shot& s) { return !(s == first); });
    EXPECT_TRUE(got == wanted);
}

// The pixels of one colour in a box, as offsets from their top-left corner:
// the shape of a line of bitmap text.
std::vector<std::pair<int, int>> textShape(const Shot& shot, int x0, int y0, int x1, int y1,
                                           const float* colour) {
    std::vector<std::pair<int, int>> shape;
    int left = x1, top = y1;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            if (litFrom(shot.at(x, y), colour)) {
                shape.emplace_back(x, y);
                left = std::min(left, x), top = std::min(top, y);
            }
    for (auto& p : shape)
        p.first -= left, p.second -= top;
    return shape;
}

// The window resized, once it shows a frame of the new size: one with the
// turn line's shape in the box where it should stand.
Shot resized(GameProcess& game, int width, int height, const std::vector<std::pair<int, int>>& line,
             int x0, int y0, int x1, int y1) {
    XResizeWindow(game.display(), game.window(), width, height);
    XSync(game.display(), False);
    return game.waitForShot([&](const Shot& s) {
        return s.width == width && s.height == height && textShape(s, x0, y0, x1, y1, red) == line;
    });
}

TEST_F(EndToEnd, AResizedWindowShowsThePictureScaledAndWhole) {
    // The turn line, whole, in the first frame: about (654, 94) from the bottom.
    const auto turnLine = textShape(start, 600, 680, 799, 720, red);
    ASSERT_GT(turnLine.size(), 60u);

    // Twice the size: every cube where it stood, twice as far from the
    // bottom-left corner; the text as large as before, where it belongs.
    Shot big = resized(game, 1600, 1600, turnLine, 1250, 1360, 1599, 1430);
    ASSERT_EQ(big.width, 1600);
    for (int k = 0; k < 27; k++)
        EXPECT_GT(cubeEdgeHits(big, k, 2), 36 * 6 / 10) << "cube " << k;
    EXPECT_TRUE(textShape(big, 1250, 1360, 1599, 1430, red) == turnLine);
    EXPECT_GT(big.count(1300, 1390, 1320, 1412, [](Pixel p) { return litFrom(p, red); }), 5);

    // Lower than wide: a picture 500 pixels square, black beside it, and the
    // turn line whole although it reaches past the picture's right edge.
    Shot small = resized(game, 600, 500, turnLine, 420, 400, 599, 470);
    ASSERT_EQ(small.width, 600);
    EXPECT_TRUE(textShape(small, 420, 400, 599, 470, red) == turnLine);
    EXPECT_EQ(small.count(0, 0, 49, 499, [](Pixel p) { return !dark(p); }), 0);
    EXPECT_GT(small.count(50, 0, 549, 499, [](Pixel p) { return !dark(p); }), 500);
    EXPECT_TRUE(game.running());
}

TEST_F(EndToEnd, TheMenuShowsWholeBeforeThePointerMoves) {
    const int bright = 128;
    auto lit = [&](const Shot& s) {
        return s.count(0, 0, s.width - 1, s.height - 1, [&](Pixel p) { return p.red > bright; });
    };
    game.clickAt(400, 300, 3);
    ASSERT_TRUE(waitFor([&] { return game.menuShot().width > 0; }));
    // The pointer stays where it clicked, on the menu's border. A picture
    // caught while the toolkit paints the menu at its first size is redrawn
    // within a tenth of a second: the first picture is the first that lasts.
    Shot first, before;
    waitFor(
        [&] {
            before = first;
            first = game.menuShot();
            return first.width > 0 && lit(first) > first.width * first.height / 2 &&
                   first == before;
        },
        std::chrono::milliseconds(2000), 150);
    Shot whole = first;
    ASSERT_GT(lit(first), first.width * first.height / 2) << "the menu opened black";
    // Over an entry and back: the toolkit paints the menu whole itself.
    game.moveTo(450, 340);
    game.moveTo(400, 300);
    ASSERT_TRUE(waitFor([&] {
        whole = game.menuShot();
        return whole == first;
    })) << "the menu painted after a hover differs from its first picture";
    game.clickAt(200, 700, 1);
    EXPECT_TRUE(waitFor([&] { return game.menuShot().width == 0; }));
}

TEST_F(EndToEnd, ClicksPlayAndADragTurnsAsTheKeysDo) {
    // The pointer moving over the board, no button held: no frame, no work.
    long before = game.cpuTicks();
    for (int i = 0; i < 200; i++)
        game.moveTo(200 + 2 * i, 200 + i);
    EXPECT_LE(game.cpuTicks() - before, 4) << "ticks while the pointer moved";
    EXPECT_TRUE(game.screenshot() == start);

    // The centres of the top faces of column 5's top cell, at home, and of
    // column 3's once 'w' has taken (1, 1, -1) to (1, 1, 1).
    int x5, y5, x3, y3;
    projectToWindow(0, 1.5, 0, x5, y5);
    projectToWindow(1, 1.5, 1, x3, y3);
    game.clickAt(x5, y5, 1);
    Shot marked = changedFrom(start);
    EXPECT_FALSE(changedFrom(marked) == marked) << "the marked cube turns";
    game.clickAt(x5, y5, 1);
    Shot one = game.waitForRest([](const Shot& s) { return turnLinePixels(s, green) > 60; });
    game.type("w");
    changedFrom(one);
    game.clickAt(x3, y3, 1);
    game.clickAt(x3, y3, 1);
    Shot played = game.waitForRest([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    // A drag of 250 pixels to the left, in one motion.
    game.moveTo(400, 400);
    game.button(1, true);
    game.moveTo(150, 400);
    game.button(1, false);
    Shot dragged = changedFrom(played);
    game.stop(); // the two windows would stand on top of each other

    GameProcess reference;
    ASSERT_NE(reference.waitForWindow(), 0u);
    reference.type("5 3 ");
    Shot keyed = reference.waitForShot([&](const Shot& s) { return s == played; });
    EXPECT_TRUE(keyed == played) << "the clicks played 5 and 3 as the keys do";
    reference.type("w");
    Shot turned = reference.waitForShot([&](const Shot& s) { return s == dragged; });
    EXPECT_TRUE(turned == dragged) << "the drag turned the board as 'w' does";
}

TEST_F(EndToEnd, AGameStartedFromItsMovesShowsThePictureOfThoseMovesPlayed) {
    game.type("5 1 3 7 9 ");
    Shot keyed = game.waitForRest([](const Shot& s) { return turnLinePixels(s, green) > 60; });
    game.stop();
    GameProcess moved({}, {"--moves", "51379"});
    ASSERT_NE(moved.waitForWindow(), 0u) << moved.output();
    Shot first = moved.waitForShot([&](const Shot& s) { return s == keyed; });
    EXPECT_TRUE(first == keyed);
    // Undo takes them back one by one, to the first frame of a new game.
    for (int i = 0; i < 5; i++)
        moved.typeKeysym(XK_z, false, true);
    Shot none = moved.waitForShot([&](const Shot& s) { return s == start; });
    EXPECT_TRUE(none == start);
    EXPECT_EQ(moved.output(), "");
}

// Folders of a test's own for the game to remember in, kept across the runs
// of the game that the test starts, removed at its end.
struct Home : TempFolder {
    std::vector<std::string> environment() const {
        return {"HOME=" + path, "XDG_CONFIG_HOME=" + path + "/config",
                "XDG_STATE_HOME=" + path + "/state"};
    }
    std::string settings() const { return path + "/config/kaveto/settings"; }
    std::string record() const { return path + "/state/kaveto/record"; }
    void write(const std::string& path, const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << text;
    }
};

const float blue[3] = {0, 0, 1};

// White text above the board: the best columns' values.
int whiteAboveTheBoard(const Shot& s) {
    return s.count(100, 0, 700, 200,
                   [](Pixel p) { return p.red == 255 && p.green == 255 && p.blue == 255; });
}

TEST_F(EndToEnd, ChoicesSurviveARestartAndWithoutTheFileTheGameStartsAsNew) {
    game.stop();
    Home home;
    {
        GameProcess first(home.environment());
        ASSERT_NE(first.waitForWindow(), 0u);
        first.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
        ASSERT_TRUE(first.pickMenu(400, 300, {0, 0, 1}));                // player 1 blue
        ASSERT_TRUE(first.pickMenu(400, 300, {5, 3}));                   // the perfect computer
        ASSERT_TRUE(first.pickMenu(400, 300, {7}));                      // the columns' values
        ASSERT_TRUE(first.pickMenu(400, 300, {20}) || !first.running()); // Quit
        EXPECT_EQ(first.waitForExit(), 0);
        EXPECT_EQ(first.output(), "");
    }
    const std::string text = fileText(home.settings());
    for (const char* line : {"player1-colour=blue\n", "opponent=perfect\n",
                             "computer-plays=player2\n", "column-values=shown\n", "marks=off\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    {
        GameProcess again(home.environment());
        ASSERT_NE(again.waitForWindow(), 0u);
        Shot shown = again.waitForShot([](const Shot& s) {
            return turnLinePixels(s, blue) > 60 && whiteAboveTheBoard(s) > 10;
        });
        EXPECT_GT(turnLinePixels(shown, blue), 60) << "player 1 plays blue";
        EXPECT_GT(whiteAboveTheBoard(shown), 10) << "the columns' values are shown";
        // The computer answers a move: player 1 is on turn again.
        again.type("5 ");
        again.waitForShot([](const Shot& s) { return turnLinePixels(s, green) > 60; });
        Shot answered =
            again.waitForShot([](const Shot& s) { return turnLinePixels(s, blue) > 60; });
        EXPECT_GT(turnLinePixels(answered, blue), 60) << "the perfect computer played player 2";
        EXPECT_EQ(again.output(), "");
    }
    std::filesystem::remove(home.settings());
    GameProcess fresh(home.environment());
    ASSERT_NE(fresh.waitForWindow(), 0u);
    Shot first = fresh.waitForShot([&](const Shot& s) { return s == start; });
    EXPECT_TRUE(first == start) << "no settings file: the first frame of a new game";
}

TEST_F(EndToEnd, AGameToTheEndAgainstTheComputerCountsOnceInTheRecord) {
    game.stop();
    Home home;
    home.write(home.settings(), "opponent=easy\ncomputer-plays=player2\n");
    home.write(home.record(), "easy=2 0 1\n");
    // 26 moves played: player 1, the player, has the last.
    const std::string moves = "51379864241573698249316852";
    Position position = {{0, 0}};
    for (char c : moves)
        position = afterMove(position, c - '1');
    const int last = [&] {
        for (int c = 0; c < 9; c++)
            if (landingIndex(position, c) >= 0)
                return c;
        return -1;
    }();
    const int difference = rowDifference(afterMove(position, last));
    const int won = 2 + (difference > 0), drawn = difference == 0, lost = 1 + (difference < 0);
    const std::string counted = "easy=" + std::to_string(won) + " " + std::to_string(drawn) + " " +
                                std::to_string(lost) + "\n";
    auto over = [](const Shot& s) {
        return s.count(280, 706, 420, 722, [](Pixel p) { return litFrom(p, white); }) > 60;
    };
    GameProcess player(home.environment(), {"--moves", moves});
    ASSERT_NE(player.waitForWindow(), 0u);
    player.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    player.type(std::string(1, static_cast<char>('1' + last)) + " ");
    player.waitForShot(over);
    ASSERT_TRUE(waitFor([&] { return fileText(home.record()).find(counted) != std::string::npos; }))
        << fileText(home.record());
    // Taken back and played to the end again: the game counts once.
    player.typeKeysym(XK_z, false, true);
    player.waitForShot([&](const Shot& s) { return !over(s); });
    player.type(std::string(1, static_cast<char>('1' + last)) + " ");
    Shot end = player.waitForShot(over);
    // The record page, in place of GAME OVER.
    ASSERT_TRUE(player.pickMenu(400, 300, {13}));
    player.waitForShot([&](const Shot& s) { return !over(s); });
    EXPECT_NE(fileText(home.record()).find(counted), std::string::npos) << fileText(home.record());
    EXPECT_EQ(player.output(), "");
}

TEST_F(EndToEnd, ABadFileOrAFolderThatCannotBeWrittenGetsOneLineAndTheGamePlaysOn) {
    game.stop();
    Home home;
    home.write(home.settings(), "player1-colour=blue\nplayer1-colour=green\nbogus\n");
    {
        GameProcess bad(home.environment());
        ASSERT_NE(bad.waitForWindow(), 0u);
        Shot shown = bad.waitForShot([](const Shot& s) { return turnLinePixels(s, blue) > 60; });
        EXPECT_GT(turnLinePixels(shown, blue), 60) << "the good line stands";
        ASSERT_TRUE(waitFor([&] { return !bad.output().empty(); }));
        EXPECT_EQ(bad.output(), "kaveto: " + home.settings() +
                                    ": line 2 is not understood and was skipped; the defaults "
                                    "stand for it\n");
        EXPECT_EQ(fileText(home.settings()), "player1-colour=blue\nplayer1-colour=green\nbogus\n")
            << "the file stays as it is until a choice changes";
    }
    // The game's own folder is a file now: each choice fails to be saved, told once.
    std::filesystem::remove_all(home.path + "/config/kaveto");
    home.write(home.path + "/config/kaveto", "not a folder");
    GameProcess readOnly(home.environment());
    ASSERT_NE(readOnly.waitForWindow(), 0u);
    ASSERT_TRUE(readOnly.pickMenu(400, 300, {0, 1, 1}));
    ASSERT_TRUE(readOnly.pickMenu(400, 300, {0, 1, 2}));
    readOnly.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    ASSERT_TRUE(waitFor([&] { return !readOnly.output().empty(); }));
    const std::string said = readOnly.output();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(said.rfind("kaveto: cannot save the choices in " + home.settings(), 0), 0u) << said;
    EXPECT_TRUE(readOnly.running());
}

TEST_F(EndToEnd, QuitFromTheMenuEndsWithStatusZero) {
    ASSERT_TRUE(game.pickMenu(400, 300, {20}) || !game.running());
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_EQ(game.output(), "");
}

TEST_F(EndToEnd, ClosingTheWindowEndsTheGame) {
    game.closeWindow();
    EXPECT_EQ(game.waitForExit(), 0);
}

TEST_F(EndToEnd, ADestroyedWindowEndsTheGameWithinASecond) {
    auto start = std::chrono::steady_clock::now();
    game.destroyWindow();
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(game.output(), "");
}

} // namespace

namespace {

// The board's part of a window, above the strip, whose texts say who is who.
Shot board(const Shot& shot) {
    Shot part = shot;
    part.height = std::min(shot.height, 640);
    part.pixels.resize(static_cast<size_t>(part.width) * part.height);
    return part;
}

// Where the ball's pixels stand in the board: the centre of those lit from
// red that differ from the empty board's, and how many there are.
struct Seen {
    double seconds, row;
    int pixels;
};

Seen redBall(const Shot& shot, const Shot& empty, double seconds) {
    double rows = 0;
    int n = 0;
    for (int y = 0; y < 640; y++)
        for (int x = 0; x < 800; x++) {
            const Pixel p = shot.at(x, y), q = empty.at(x, y);
            if (litFrom(p, red) && (p.red != q.red || p.green != q.green || p.blue != q.blue))
                rows += y, n++;
        }
    return {seconds, n > 0 ? rows / n : 0, n};
}

TEST_F(EndToEnd, ABallFallsDownItsColumnAndRestsAsTheMoveLeavesIt) {
    int column, top, bottom;
    cellPixel(4, column, top, 0, 3); // one cell above column 5's top level
    cellPixel(4, column, bottom);    // its bottom cell
    const double cell = (bottom - top) / 3.0;
    const auto key = std::chrono::steady_clock::now();
    game.type("5 ");
    std::vector<Seen> seen;
    for (double t = 0; t < 1.0;) {
        t = std::chrono::duration<double>(std::chrono::steady_clock::now() - key).count();
        Seen ball = redBall(game.screenshot(), start, t);
        if (ball.pixels > 200)
            seen.push_back(ball);
    }
    Shot rest = game.waitForRest([](const Shot& s) { return turnLinePixels(s, green) > 60; });
    ASSERT_GT(seen.size(), 8u) << "frames of the fall";
    EXPECT_LT(std::abs(seen.front().row - top), 0.6 * cell) << "first seen above the top level";
    double lowest = seen.front().row, landed = -1, bounce = 0;
    for (const Seen& ball : seen) {
        EXPECT_GT(ball.row, lowest - 0.2 * cell) << "down the column but for a small bounce";
        bounce = std::max(bounce, lowest - ball.row);
        lowest = std::max(lowest, ball.row);
        if (landed < 0 && std::abs(ball.row - seen.back().row) < 0.04 * cell)
            landed = ball.seconds;
    }
    EXPECT_GT(bounce, 0.02 * cell) << "one bounce";
    EXPECT_GT(landed, 0.2);
    EXPECT_LT(landed, 0.6);
    EXPECT_LT(std::abs(seen.back().row - bottom), 0.25 * cell) << "at rest in its cell";

    // Undo during a fall: the empty board at once.
    game.type("5 ");
    game.typeKeysym(XK_z, false, true);
    EXPECT_TRUE(game.waitForRest([](const Shot& s) { return turnLinePixels(s, green) > 60; }) ==
                rest);
    game.stop();

    // The picture at rest is the one the move has always left; without the
    // animation it is the first frame after the key.
    Home home;
    home.write(home.settings(), "animation=0\n");
    GameProcess still(home.environment());
    ASSERT_NE(still.waitForWindow(), 0u);
    still.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    still.type("5");
    still.waitForShot([&](const Shot& s) { return !(s == start); });
    still.type(" ");
    Shot first = still.waitForShot([](const Shot& s) { return turnLinePixels(s, green) > 60; });
    EXPECT_TRUE(first == rest) << "no fall: the picture at rest at once";
    still.stop();
    GameProcess moved({}, {"--moves", "5"});
    ASSERT_NE(moved.waitForWindow(), 0u);
    EXPECT_TRUE(moved.waitForShot([&](const Shot& s) { return s == rest; }) == rest);
}

// A PulseAudio server of the test's own, into a null sink, on a socket in
// its folder; pactl asks it what it has been sent.
struct SoundServer : TempFolder {
    pid_t pid = -1;
    SoundServer() {
        std::ofstream(path + "/default.pa")
            << "load-module module-null-sink\n"
            << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << path
            << "/native\n";
        pid = fork();
        if (pid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1), dup2(null, 2);
            setenv("HOME", path.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
            const std::string script = path + "/default.pa";
            execlp("pulseaudio", "pulseaudio", "-n", "-F", script.c_str(), "--daemonize=no",
                   "--exit-idle-time=-1", "--use-pid-file=no", static_cast<char*>(nullptr));
            _exit(127);
        }
        waitFor([&] { return ask("info").find("Server String") != std::string::npos; });
    }
    ~SoundServer() {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    std::string address() const { return "PULSE_SERVER=unix:" + path + "/native"; }
    std::string ask(const std::string& command) const {
        std::string text;
        FILE* out = popen((address() + " pactl " + command + " 2>/dev/null").c_str(), "r");
        if (out == nullptr)
            return text;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
            text.append(buffer, n);
        pclose(out);
        return text;
    }
    // The game's sounds that it was sent, by name, from its sample cache.
    std::set<std::string> sounds() const {
        std::set<std::string> names;
        std::istringstream lines(ask("list samples short"));
        for (std::string index, name; lines >> index >> name;) {
            if (name.rfind("kaveto-", 0) == 0)
                names.insert(name.substr(7));
            lines.ignore(1 << 20, '\n');
        }
        return names;
    }
};

TEST_F(EndToEnd, LandingsFullColumnsRowsAndTheEndReachTheSoundServerUnlessSoundIsOff) {
    game.stop();
    SoundServer speakers;
    ASSERT_NE(speakers.ask("info"), "") << "no PulseAudio";
    Home home;
    std::vector<std::string> environment = home.environment();
    environment.push_back(speakers.address());
    using Names = std::set<std::string>;
    {
        // Player 1 fills column 1 and makes a row of three in it.
        GameProcess game(environment, {"--moves", "1212"});
        ASSERT_NE(game.waitForWindow(), 0u);
        game.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
        game.type("1 ");
        EXPECT_TRUE(waitFor([&] {
            return speakers.sounds() == Names{"land3", "row"};
        })) << "the knock of the top level and a row's chime";
        game.type("1");
        EXPECT_TRUE(waitFor([&] { return speakers.sounds().count("full") == 1; }));
        EXPECT_EQ(game.output(), "");
    }
    {
        // The last ball of a game of two players at one keyboard.
        GameProcess game(environment, {"--moves", "12345678912345678912345678"});
        ASSERT_NE(game.waitForWindow(), 0u);
        game.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
        game.type("9 ");
        EXPECT_TRUE(waitFor([&] { return speakers.sounds().count("end") == 1; }));
    }
    SoundServer quiet;
    environment.back() = quiet.address();
    home.write(home.settings(), "sound=0\n");
    GameProcess game(environment, {"--moves", "1212"});
    ASSERT_NE(game.waitForWindow(), 0u);
    game.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    game.type("1 ");
    game.waitForRest([](const Shot& s) { return turnLinePixels(s, green) > 60; });
    game.type("1");
    EXPECT_FALSE(waitFor([&] { return !quiet.sounds().empty(); }, std::chrono::seconds(1)))
        << "sound=0: nothing sounds";
    // Turned on from the menu, the next landing sounds.
    ASSERT_TRUE(game.pickMenu(400, 300, {16}));
    EXPECT_TRUE(
        waitFor([&] { return fileText(home.settings()).find("sound=1\n") != std::string::npos; }));
    game.type("2 ");
    EXPECT_TRUE(waitFor([&] { return quiet.sounds().count("land3") == 1; }));
}

// A speech-dispatcher of the test's own, on a socket in its folder, whose
// one voice writes each sentence it is given into a file, a line each.
struct SpeechServer : TempFolder {
    pid_t pid = -1;
    explicit SpeechServer(const SoundServer& sound) {
        std::filesystem::create_directories(path + "/conf/modules");
        std::ofstream(path + "/conf/speechd.conf")
            << "AddModule \"log\" \"sd_generic\" \"log.conf\"\nDefaultModule log\n"
            << "LanguageDefaultModule \"en\" \"log\"\nAudioOutputMethod \"pulse\"\n";
        std::ofstream(path + "/conf/modules/log.conf")
            << "GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> " << path << "/said\"\n"
            << "GenericCmdDependency \"printf\"\nGenericLanguage \"en\" \"en\" \"utf-8\"\n"
            << "AddVoice \"en\" \"MALE1\" \"log\"\nDefaultVoice \"log\"\n";
        pid = fork();
        if (pid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1), dup2(null, 2);
            setenv("HOME", path.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
            putenv(strdup(sound.address().c_str()));
            const std::string socket = path + "/socket", conf = path + "/conf";
            execlp("speech-dispatcher", "speech-dispatcher", "-s", "-t", "0", "-c", "unix_socket",
                   "-S", socket.c_str(), "-C", conf.c_str(), "-L", path.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        waitFor([&] { return std::filesystem::exists(path + "/socket"); });
    }
    ~SpeechServer() {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    std::string address() const { return "SPEECHD_ADDRESS=unix_socket:" + path + "/socket"; }
    // The sentences said so far, in order.
    std::vector<std::string> said() const {
        std::vector<std::string> lines;
        std::istringstream text(fileText(path + "/said"));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }
};

TEST_F(EndToEnd, SpeakMovesSaysEachMoveAndWhatTheKeysAskToSpeechDispatcher) {
    game.stop();
    SoundServer speakers;
    SpeechServer speech(speakers);
    Home home;
    home.write(home.settings(), "speak=1\n");
    std::vector<std::string> environment = home.environment();
    environment.push_back(speech.address());
    using Lines = std::vector<std::string>;
    {
        GameProcess spoken(environment, {"--moves", "51"});
        ASSERT_NE(spoken.waitForWindow(), 0u);
        spoken.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
        spoken.type("3 ");
        EXPECT_TRUE(waitFor([&] { return speech.said().size() >= 3; }));
        spoken.type("bc5l");
        EXPECT_TRUE(waitFor([&] { return speech.said().size() >= 6; }));
        EXPECT_EQ(
            speech.said(),
            (Lines{"Column 3: lands on level 1.", "Player 1: column 3, level 1", "Player 2's turn",
                   "Level 1: columns 3 and 5 Player 1, column 1 Player 2; Level 2: empty; "
                   "Level 3: empty",
                   "Column 5: Player 1, empty, empty \u2014 lands on level 2",
                   "Player 1: column 3, level 1"}));
        // Turned off from the menu: the next move says nothing.
        ASSERT_TRUE(spoken.pickMenu(400, 300, {18}));
        EXPECT_TRUE(waitFor([&] {
            return fileText(home.settings()).find("speak=0\n") != std::string::npos;
        })) << fileText(home.settings());
        spoken.type("7 ");
        spoken.waitForRest([](const Shot& s) { return turnLinePixels(s, red) > 60; });
        EXPECT_FALSE(waitFor([&] { return speech.said().size() > 6; }, std::chrono::seconds(1)));
        EXPECT_EQ(spoken.output(), "");
    }
    // Without the service: one line at the strip's foot, and play goes on.
    environment.back() = "SPEECHD_ADDRESS=unix_socket:" + home.path + "/nothing";
    home.write(home.settings(), "speak=1\n");
    GameProcess mute(environment);
    ASSERT_NE(mute.waitForWindow(), 0u);
    mute.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; });
    mute.type("5 ");
    auto footLine = [](const Shot& s) {
        return s.count(40, 780, 500, 799, [](Pixel p) { return litFrom(p, white); }) > 100;
    };
    Shot told = mute.waitForShot(
        [&](const Shot& s) { return footLine(s) && turnLinePixels(s, green) > 60; });
    EXPECT_TRUE(footLine(told)) << "the notice at the strip's foot";
    mute.type("1 ");
    EXPECT_GT(turnLinePixels(
                  mute.waitForShot([](const Shot& s) { return turnLinePixels(s, red) > 60; }), red),
              60)
        << "the game plays on";
    EXPECT_EQ(mute.output(), "");
}

// The moves of the online games' tests.
const std::string columns = "513798642415736982493168527";

// Move n of an online game, games[0] being player 1's: by keys or by a click
// on the top of the column; then both windows show the same board, and the
// next player's turn line.
bool onlineMove(std::unique_ptr<GameProcess> (&games)[2], int n,
                std::chrono::milliseconds within = std::chrono::seconds(10)) {
    GameProcess& mover = *games[n % 2];
    const int column = columns[n] - '1';
    if (n % 3 == 0) {
        int x, y;
        projectToWindow(column % 3 - 1, 1.5, column / 3 - 1, x, y);
        mover.clickAt(x, y, 1);
        mover.clickAt(x, y, 1);
    } else {
        mover.moveTo(400, 400);
        mover.type(std::string(1, columns[n]) + " ");
    }
    const float* next = n % 2 == 0 ? green : red;
    Shot shots[2];
    return waitFor(
        [&] {
            for (int s = 0; s < 2; s++)
                shots[s] = games[s]->screenshot();
            return turnLinePixels(shots[0], next) > 60 && turnLinePixels(shots[1], next) > 60 &&
                   board(shots[0]) == board(shots[1]);
        },
        within);
}

} // namespace

TEST(Online, TwoGamesPlayOneBoardThroughTheServerTheirDropsAndItsRestart) {
    Home state, homes[2];
    auto server = std::make_unique<ServerProcess>(state.path, 0);
    ASSERT_GT(server->port, 0);
    const std::string where = "127.0.0.1:" + std::to_string(server->port) + "/DUEL";
    const char* const places[2] = {"800x800+0+0", "800x800+1000+0"};
    std::unique_ptr<GameProcess> games[2];
    auto start = [&](int seat) {
        games[seat] = std::make_unique<GameProcess>(
            homes[seat].environment(),
            std::vector<std::string>{"-geometry", places[seat], "--play", where});
        ASSERT_NE(games[seat]->waitForWindow(), 0u) << games[seat]->output();
    };
    // Player 1 first, then player 2: the server's seats in that order.
    for (int seat = 0; seat < 2; seat++) {
        start(seat);
        // A watcher finds the room once the first seat is taken, the game
        // started once the second is.
        ASSERT_TRUE(waitFor([&] {
            const std::string told = watched(server->port, "DUEL");
            return seat == 0 ? !told.empty() : told.find("\nstart\n") != std::string::npos;
        }));
    }
    // The strip's foot: "You are Player N; connected" is short; "…; waiting
    // for Player 2" and "…; the connection is lost; trying again" are longer.
    auto footIs = [&](int seat, bool shortLine) {
        return waitFor([&] {
            const Shot s = games[seat]->screenshot();
            const int beyond =
                s.count(240, 762, 420, 778, [](Pixel p) { return litFrom(p, white); });
            return s.count(40, 762, 200, 778, [](Pixel p) { return litFrom(p, white); }) > 20 &&
                   (shortLine ? beyond == 0 : beyond > 20);
        });
    };
    auto move = [&](int n) { return onlineMove(games, n); };
    for (int seat = 0; seat < 2; seat++)
        ASSERT_TRUE(footIs(seat, true)) << "player " << seat + 1 << " has heard of the start";
    for (int n = 0; n < 9; n++)
        ASSERT_TRUE(move(n)) << "move " << n + 1;
    // Out of turn: player 1's keys do nothing.
    const Shot before = games[0]->screenshot();
    games[0]->moveTo(400, 400);
    games[0]->type("3 ");
    EXPECT_FALSE(waitFor([&] { return !(games[0]->screenshot() == before); },
                         std::chrono::milliseconds(700)));
    ASSERT_TRUE(move(9));
    // Player 2 killed, and started again on the same machine: its seat back.
    games[1]->stop();
    start(1);
    ASSERT_TRUE(footIs(1, true)) << "player 2 is back in the seat";
    for (int n = 10; n < 16; n++)
        ASSERT_TRUE(move(n)) << "move " << n + 1 << " after player 2's return";
    // The server killed outright and started again on its games: both see
    // the connection lost (a longer line), then return.
    server->kill();
    for (int seat = 0; seat < 2; seat++)
        ASSERT_TRUE(footIs(seat, false)) << "player " << seat + 1 << " sees the loss";
    server = std::make_unique<ServerProcess>(state.path, std::stoi(where.substr(10)));
    ASSERT_GT(server->port, 0);
    for (int seat = 0; seat < 2; seat++)
        ASSERT_TRUE(footIs(seat, true)) << "player " << seat + 1 << " is back";
    for (int n = 16; n < 27; n++)
        ASSERT_TRUE(move(n)) << "move " << n + 1 << " after the server's return";
    // GAME OVER in both, and every move kept, in order.
    for (auto& game : games)
        EXPECT_GT(
            game->screenshot().count(280, 706, 420, 722, [](Pixel p) { return litFrom(p, white); }),
            60);
    const std::string told = watched(server->port, "DUEL");
    EXPECT_EQ(told.substr(0, told.find('\n')), "seat 0 - " + columns)
        << "every move kept, in order";
}

TEST(Online, TwoStrangersChoosePlaySomeoneAndPlayAGameToItsEnd) {
    Home state, homes[2];
    ServerProcess server(state.path, 0);
    ASSERT_GT(server.port, 0);
    const std::string given = "127.0.0.1:" + std::to_string(server.port);
    const char* const places[2] = {"800x800+0+0", "800x800+1000+0"};
    std::unique_ptr<GameProcess> games[2];
    for (int i = 0; i < 2; i++) {
        games[i] = std::make_unique<GameProcess>(
            homes[i].environment(),
            std::vector<std::string>{"-geometry", places[i], "--server", given});
        ASSERT_NE(games[i]->waitForWindow(), 0u) << games[i]->output();
    }
    // The first waits alone, and the strip says so; the second finds it.
    ASSERT_TRUE(games[0]->pickMenu(400, 300, {15, 0}));
    // "Looking for an opponent — 0 others waiting, 0 playing, on …" reaches
    // further right than the line while it connects.
    auto strip = [](GameProcess& game) {
        return game.screenshot().count(500, 762, 790, 778,
                                       [](Pixel p) { return litFrom(p, white); });
    };
    ASSERT_TRUE(waitFor([&] { return strip(*games[0]) > 50; })) << "the waiting line";
    // Pictures for the documentation, where they are asked for.
    const char* shots = std::getenv("KAVETO_SHOTS");
    if (shots != nullptr)
        games[0]->screenshot().writePpm(std::string(shots) + "/waiting.ppm");
    ASSERT_TRUE(games[1]->pickMenu(400, 300, {15, 0}));
    // The seats were drawn. Once both feet say "You are Player N; connected",
    // they differ in the digit only, and player 1's has fewer lit pixels: a
    // "1" against a "2". (Before the seat is told, a foot says "Online; …".)
    int lit[2];
    ASSERT_TRUE(waitFor([&] {
        const Shot s[2] = {games[0]->screenshot(), games[1]->screenshot()};
        int left = 800, right = -1;
        for (int i = 0; i < 2; i++)
            lit[i] = s[i].count(40, 762, 790, 778, [](Pixel p) { return litFrom(p, white); });
        for (int y = 762; y <= 778; y++)
            for (int x = 40; x < 790; x++)
                if (litFrom(s[0].at(x, y), white) != litFrom(s[1].at(x, y), white)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return lit[0] > 20 && right >= left && right - left < 12;
    })) << "both seated";
    if (lit[1] < lit[0])
        std::swap(games[0], games[1]);
    ASSERT_TRUE(onlineMove(games, 0)) << "move 1";
    if (shots != nullptr)
        games[1]->screenshot().writePpm(std::string(shots) + "/paired.ppm");
    for (int n = 1; n < 27; n++)
        ASSERT_TRUE(onlineMove(games, n)) << "move " << n + 1;
    for (auto& game : games)
        EXPECT_GT(
            game->screenshot().count(280, 706, 420, 722, [](Pixel p) { return litFrom(p, white); }),
            60)
            << "GAME OVER";
    // The server given is remembered for the next time.
    for (Home& home : homes)
        EXPECT_NE(fileText(home.settings()).find("server=" + given + "\n"), std::string::npos);
}
