#ifndef KAVETO_TESTS_GLHARNESS_H
#define KAVETO_TESTS_GLHARNESS_H

// The game's real window in this process, opened once before the tests run,
// and what a test needs to look at it.

#include <vector>

struct Rgb {
    int red, green, blue;
};

// One frame read back from the window, origin at the bottom left.
class Frame {
  public:
    int width = 800, height = 800;
    std::vector<unsigned char> pixels;
    Rgb at(int x, int y) const;
    // Pixels in the box [x0, x1] x [y0, y1] for which test holds.
    template <typename Test> int count(int x0, int y0, int x1, int y1, Test test) const {
        int n = 0;
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                if (test(at(x, y)))
                    n++;
        return n;
    }
    bool operator==(const Frame& other) const { return pixels == other.pixels; }
};

// Calls the game's display callback once and reads the frame it showed.
Frame renderFrame();
// Reads what the window shows now, at the size the game was last told.
Frame readWindow();
// Reads what the screen shows where the window stands, whatever window it
// belongs to.
Frame readScreen();

// Puts every global of the game back to its start value and every piece home.
void resetGame();

// Where the scene point (x, y, z) lands in the window, from the fixed camera:
// eye (3, 3, 7) looking at the origin, 40 degrees, board viewport (0, 150, 800, 800).
void projectToWindow(double x, double y, double z, double& wx, double& wy);

// Colour tests for read-back pixels.
bool isDark(Rgb p);
// The channel (0 red, 1 green, 2 blue) stands out clearly above the other two.
bool dominates(Rgb p, int channel);

#endif
