// The Windows build under Wine beside the Linux build, each driven through
// X as a player drives it: the same frames to the pixel, a menu on the right
// button, and Quit's status. Run by scripts/windows --test, which names the
// two programs in $KAVETO_BINARY and $KAVETO_WINDOWS_BINARY.

// GoogleTest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "wsraw.h"
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
    frames.afterAMove = game.waitForRest([](const Shot& s) { return turnLine(s, false); });
    game.clickAt(400, 300, 3);
    Shot menu;
    frames.menuOpened = waitFor([&] { return (menu = game.menuShot()).width > 0; });
    game.clickAt(200, 760, 1);
    waitFor([&] { return game.menuShot().width == 0; });
    // Quit, the last of the main menu's 21 entries, between 2-pixel borders;
    // Windows' menu font is not X's.
    const int rowHeight = menu.height > 4 ? (menu.height - 4) / 21 : 25;
    if (game.pickMenu(400, 300, {20}, rowHeight) || !game.running())
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

TEST(Wine, TheWindowsBuildPlaysOnlineAgainstTheLinuxServer) {
    const char* binary = std::getenv("KAVETO_WINDOWS_BINARY");
    ASSERT_NE(binary, nullptr);
    TempFolder state;
    ServerProcess server(state.path, 0);
    ASSERT_GT(server.port, 0);
    // The Linux build's picture of the two moves to come, then the Windows
    // build in the game's first seat.
    GameProcess linux({}, {"--moves", "53"});
    ASSERT_NE(linux.waitForWindow(), 0u);
    const Shot expected = linux.waitForShot([](const Shot& s) { return turnLine(s, true); });
    linux.stop();
    setenv("KAVETO_BINARY", binary, 1);
    GameProcess game({}, {"--play", "127.0.0.1:" + std::to_string(server.port) + "/WINE"});
    ASSERT_NE(game.waitForWindow(), 0u) << game.output();
    ASSERT_TRUE(waitFor([&] { return !watched(server.port, "WINE").empty(); }));
    // Player 2, a client written from the protocol's frames, on this side.
    RawSocket other;
    std::string got;
    ASSERT_TRUE(other.open(server.port, "/ws/WINE"));
    ASSERT_TRUE(other.sendText("hello 1 play") && other.receive(got) &&
                got.rfind("seat 2 ", 0) == 0);
    ASSERT_TRUE(other.receive(got) && got == "start");
    // Once the game has heard of the start, its move arrives here, and ours there.
    game.clickAt(100, 760, 1);
    ASSERT_TRUE(waitFor([&] {
        game.moveTo(400, 400);
        game.type("5 ");
        return other.receive(got, 500) && got == "moved 0 5";
    })) << got;
    ASSERT_TRUE(other.sendText("move 1 3") && other.receive(got) && got == "moved 1 3");
    const Shot shown = game.waitForShot([&](const Shot& s) {
        return turnLine(s, true) && std::equal(s.pixels.begin(), s.pixels.begin() + 800 * 640,
                                               expected.pixels.begin(), [](Pixel a, Pixel b) {
                                                   return a.red == b.red && a.green == b.green &&
                                                          a.blue == b.blue;
                                               });
    });
    EXPECT_TRUE(turnLine(shown, true)) << "the turn back to player 1";
    game.stop();
}

} // namespace
