#ifndef KAVETO_TESTS_GAMEPROCESS_H
#define KAVETO_TESTS_GAMEPROCESS_H

// The built game as a separate process on this test's X server, seen and
// driven only through X: its window, screenshots, and XTEST input.

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct Pixel {
    int red, green, blue;
};

// A screenshot of the game's window, origin at the top left as X gives it.
struct Shot {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;
    Pixel at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Pixels in [x0, x1] x [y0, y1] that pass the test.
    int count(int x0, int y0, int x1, int y1, const std::function<bool(Pixel)>& test) const;
    bool operator==(const Shot& other) const;
};

// Waits for a condition, polling, for at most the time-out.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(20));

class GameProcess {
  public:
    // Starts the game with these extra NAME=value settings in its environment;
    // its output goes to files that output() reads.
    explicit GameProcess(const std::vector<std::string>& environment = {});
    // Kills the game if it still runs and removes its output files.
    ~GameProcess();

    // The game's top-level window once it is viewable, or 0 after the time-out.
    Window waitForWindow();
    // Everything the game printed on stdout and stderr so far.
    std::string output() const;
    // Waits for the game to end; its exit status, or -1 after the time-out
    // (or when a signal ended it).
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool running();

    Display* display() const { return x; }
    Window window() const { return gameWindow; }
    // The window's content now.
    Shot screenshot() const;
    // Waits until a screenshot passes the test, returns the last one taken.
    Shot waitForShot(const std::function<bool(const Shot&)>& test);

    // Real input through XTEST, at window coordinates.
    void moveTo(int x, int y);
    void typeKeysym(KeySym key, bool shifted = false);
    void type(const std::string& characters);
    void click(int button);
    void clickAt(int x, int y, int button);

  private:
    Display* x = nullptr;
    Window gameWindow = 0;
    pid_t pid = -1;
    int status = -1;
    std::string outputPath;
};

// The path of the built game.
std::string gamePath();

#endif
