// The built game started as a player starts it, on a virtual X server with
// no sound device.

// GoogleTest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "xdrive.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

bool reddish(Pixel p) { return p.red > 150 && p.green < 80 && p.blue < 80; }

// A data folder that holds a sound of the game's name, so that the sound
// stack finds it and tries, without a sound card, to play it.
std::string soundTheme() {
    char folder[] = "/tmp/kaveto-sounds.XXXXXX";
    std::string root = mkdtemp(folder);
    std::string path = root + "/sounds";
    for (const char* part : {"", "/freedesktop", "/freedesktop/stereo"}) {
        path = root + "/sounds" + part;
        mkdir(path.c_str(), 0700);
    }
    std::ofstream wav(path + "/Original Tetris theme (Tetris Soundtrack).wav", std::ios::binary);
    const unsigned int rate = 8000, samples = 8000;
    auto word = [&](unsigned int v, int bytes) {
        for (int i = 0; i < bytes; i++)
            wav.put(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    wav << "RIFF";
    word(36 + samples, 4);
    wav << "WAVEfmt ";
    word(16, 4), word(1, 2), word(1, 2), word(rate, 4), word(rate, 4), word(1, 2), word(8, 2);
    wav << "data";
    word(samples, 4);
    for (unsigned int i = 0; i < samples; i++)
        wav.put(static_cast<char>(128 + (i % 16 < 8 ? 40 : -40)));
    return root;
}

TEST(Program, OpensItsWindowShowsTheFirstFrameAndPrintsNothing) {
    std::string theme = soundTheme();
    GameProcess game({"XDG_DATA_HOME=" + theme});
    Window window = game.waitForWindow();
    ASSERT_NE(window, 0u) << game.output();

    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(game.display(), window, &attributes));
    EXPECT_EQ(attributes.width, 800);
    EXPECT_EQ(attributes.height, 800);
    int x, y;
    Window child;
    XTranslateCoordinates(game.display(), window, DefaultRootWindow(game.display()), 0, 0, &x, &y,
                          &child);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 0);

    // "Player 1 Turn" in red about (654, 94) from the bottom, i.e. row 706.
    Shot first =
        game.waitForShot([](const Shot& s) { return s.count(650, 690, 770, 712, reddish) > 60; });
    EXPECT_GT(first.count(650, 690, 770, 712, reddish), 60);
    EXPECT_GT(first.count(0, 0, 799, 640, [](Pixel p) { return p.blue > 60; }), 500)
        << "the blue top level of cubes";
    EXPECT_TRUE(game.running());
    EXPECT_EQ(game.output(), "");
    std::system(("rm -rf '" + theme + "'").c_str());

    // The class that ties the window to the desktop entry, as a desktop reads it.
    std::string command = "xprop -id " + std::to_string(window) + " WM_CLASS";
    FILE* xprop = popen(command.c_str(), "r");
    ASSERT_NE(xprop, nullptr);
    char line[256] = "";
    std::fgets(line, sizeof line, xprop);
    EXPECT_EQ(pclose(xprop), 0);
    EXPECT_STREQ(line, "WM_CLASS(STRING) = \"kaveto\", \"Kaveto\"\n");
}

TEST(Program, AnswersHelpVersionAndBadArgumentsWithoutADisplay) {
    GameProcess help({"DISPLAY="}, {"--help"});
    EXPECT_EQ(help.waitForExit(), 0);
    std::string usage = help.output();
    EXPECT_EQ(usage.rfind("Usage: kaveto", 0), 0u) << usage;
    for (const char* key : {"1 ... 9", "space", "q a, w s, e d", "-display"})
        EXPECT_NE(usage.find(key), std::string::npos) << key;

    GameProcess version({"DISPLAY="}, {"--version"});
    EXPECT_EQ(version.waitForExit(), 0);
    EXPECT_EQ(version.output(), "kaveto 1.0\n");

    for (auto arguments :
         std::vector<std::vector<std::string>>{{"--bogus"},
                                               {"-iconic", "extra"},
                                               {"-display"},
                                               {"-geometry", "640x480", "-x"},
                                               {"--moves"},
                                               {"--moves", ""},
                                               {"--moves", "5120"},
                                               {"--moves", "12a"},
                                               {"--moves", "55551"},
                                               {"--moves", "1234567891234567891234567891"}}) {
        GameProcess bad({}, arguments);
        EXPECT_EQ(bad.waitForExit(), 2) << arguments.back();
        std::string said = bad.output();
        EXPECT_EQ(said.rfind("kaveto: ", 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST(Program, TakesTheToolkitsDisplayOption) {
    // The display named on the command line, where $DISPLAY names none.
    GameProcess game({"DISPLAY="}, {"-display", std::getenv("DISPLAY")});
    EXPECT_NE(game.waitForWindow(), 0u) << game.output();
    EXPECT_TRUE(game.running());
}

TEST(Program, SaysInOneLineWhenThereIsNoDisplay) {
    for (const char* setting : {"DISPLAY=", "DISPLAY=:4711"}) {
        GameProcess game({setting});
        EXPECT_EQ(game.waitForExit(), 1) << setting;
        std::string said = game.output();
        EXPECT_EQ(said.rfind("kaveto: ", 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

} // namespace
