// The Windows build under Wine beside the Linux build, each driven through
// X as a player drives it: the same frames to the pixel, a menu on the right
// button, and Quit's status. Run by scripts/windows --test, which names the
// two programs in $KAVETO_BINARY and $KAVETO_WINDOWS_BINARY.

// GoogleTest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "xdrive.h"

#include <cstdlib>
#include <string>

namespace {

// The turn line of player 1 (red) or of player 2 (green), about (654, 94)
// from the bottom.
bool turnLine(const Shot& s, bool playerOne) {
    return s.count(650, 694, 770, 712, [&](Pixel p) {
        return playerOne ? p.red > 150 && p.green < 80 : p.green > 150 && p.red < 80;
    }) > 60;
}

struct Frames {
    Shot first, afterAMove;
    bool menuOpened = false;
    int quitStatus = -1;
    std::string output;
};

// The first frame, the frame after "5 ", whether the right button opens the
// menu, and the status that Quit ends the game with.
Frames play(const char* binaryVariable) {
    Frames frames;
    const char* binary = std::getenv(binaryVariable);
    if (binary == nullptr)
        return frames;
    setenv("KAVETO_BINARY", binary, 1);
    GameProcess game;
    if (game.waitForWindow() == 0)
        return frames;
    frames.first = game.waitForShot([](const Shot& s) { return turnLine(s, true); });
    // Wine lets a window have the keys once it has been clicked: a click in
    // the strip, where it meets no cell.
    game.clickAt(100, 760, 1);
    game.type("5 ");
    frames.afterAMove = game.waitForShot([](const Shot& s) { return turnLine(s, false); });
    game.clickAt(400, 300, 3);
    Shot menu;
    frames.menuOpened = waitFor([&] { return (menu = game.menuShot()).width > 0; });
    game.clickAt(200, 760, 1);
    waitFor([&] { return game.menuShot().width == 0; });
    // Quit, the last of the main menu's 17 entries, between 2-pixel borders;
    // Windows' menu font is not X's.
    const int rowHeight = menu.height > 4 ? (menu.height - 4) / 17 : 25;
    if (game.pickMenu(400, 300, {16}, rowHeight) || !game.running())
        frames.quitStatus = game.waitForExit();
    frames.output = game.output();
    return frames;
}

TEST(Wine, TheWindowsBuildShowsTheFramesOfTheLinuxBuild) {
    ASSERT_NE(std::getenv("KAVETO_WINDOWS_BINARY"), nullptr);
    Frames linux = play("KAVETO_BINARY");
    Frames windows = play("KAVETO_WINDOWS_BINARY");
    ASSERT_GT(linux.first.width, 0) << "the Linux build showed no frame";
    ASSERT_GT(windows.first.width, 0) << "the Windows build showed no frame: " << windows.output;
    EXPECT_TRUE(windows.first == linux.first) << "the first frame";
    EXPECT_TRUE(windows.afterAMove == linux.afterAMove) << "the frame after 5 and space";
    EXPECT_TRUE(windows.menuOpened) << "the right button opens the menu";
    EXPECT_EQ(windows.quitStatus, 0) << "Quit ends the game with status 0";
    EXPECT_EQ(linux.quitStatus, 0);
    EXPECT_EQ(windows.output, "");
}

TEST(Wine, TheWindowsBuildAnswersOnItsConsoleAndEndsWhenItsWindowCloses) {
    const char* binary = std::getenv("KAVETO_WINDOWS_BINARY");
    ASSERT_NE(binary, nullptr);
    setenv("KAVETO_BINARY", binary, 1);
    GameProcess version({}, {"--version"});
    EXPECT_EQ(version.waitForExit(), 0);
    EXPECT_EQ(version.output(), "kaveto 1.0\r\n");
    GameProcess bad({}, {"--moves", "55551"});
    EXPECT_EQ(bad.waitForExit(), 2);
    EXPECT_EQ(bad.output(), "kaveto: --moves: move 4: column 5 is full\r\n");
    GameProcess game;
    ASSERT_NE(game.waitForWindow(), 0u);
    game.waitForShot([](const Shot& s) { return turnLine(s, true); });
    game.closeWindow();
    EXPECT_EQ(game.waitForExit(), 0) << "a window closed ends the game with status 0";
}

} // namespace
