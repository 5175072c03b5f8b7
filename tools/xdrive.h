#ifndef KAVETO_TOOLS_XDRIVE_H
#define KAVETO_TOOLS_XDRIVE_H

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
    // Writes the shot as a binary PPM image; false if it could not.
    bool writePpm(const std::string& path) const;
};

// Waits for a condition, polling every pollMs milliseconds, for at most the time-out.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(20), int pollMs = 20);

class GameProcess {
  public:
    // Starts the game with these extra NAME=value settings in its environment
    // and these arguments; its output goes to a file that output() reads. It
    // gets HOME and XDG folders of its own, empty, unless the settings name them.
    explicit GameProcess(const std::vector<std::string>& environment = {},
                         const std::vector<std::string>& arguments = {});
    // Kills the game if it still runs and removes its output files.
    ~GameProcess();

    // The game's top-level window once it is viewable, or 0 after the time-out;
    // polls every pollMs milliseconds.
    Window waitForWindow(int pollMs = 20);
    // Everything the game printed on stdout and stderr so far.
    std::string output() const;
    // Waits for the game to end; its exit status, or -1 after the time-out
    // (or when a signal ended it).
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool running();
    pid_t processId() const { return pid; }
    // CPU time the game has used so far, user and system, all its threads,
    // in clock ticks (100 a second); -1 once it has ended.
    long cpuTicks() const;
    // Ends the game at once and waits for it.
    void stop();

    Display* display() const { return x; }
    Window window() const { return gameWindow; }
    // The window's content now.
    Shot screenshot() const;
    // Waits until a screenshot passes the test, returns the last one taken;
    // polls every pollMs milliseconds.
    Shot waitForShot(const std::function<bool(const Shot&)>& test, int pollMs = 20);
    // Waits for a screenshot that passes the test and then stays as it is for
    // a quarter of a second: a ball that fell has come to rest.
    Shot waitForRest(const std::function<bool(const Shot&)>& test);

    // Real input through XTEST, at window coordinates.
    void moveTo(int x, int y);
    void typeKeysym(KeySym key, bool shifted = false, bool control = false);
    void type(const std::string& characters);
    void click(int button);
    // Presses or releases a button where the pointer stands.
    void button(int button, bool down);
    void clickAt(int x, int y, int button);
    // Opens the right-button menu at window point (x, y) and follows the
    // entries by position (0 first), submenu by submenu, clicking the last;
    // false if a menu did not show or stay until the end. Entries are
    // rowHeight pixels tall: the toolkit's menu font on X.
    bool pickMenu(int x, int y, const std::vector<int>& entries, int rowHeight = 25);
    // What the first open menu window shows; empty when no menu is open.
    Shot menuShot() const;
    // Asks the window to close, as a window manager does.
    void closeWindow();
    // Destroys the game's window from this client, as a window closer does.
    void destroyWindow();

  private:
    void moveToRoot(int x, int y);

    Display* x = nullptr;
    Window gameWindow = 0;
    pid_t pid = -1;
    int status = -1;
    std::string outputPath;
    std::string home;
};

// The path of the built game: $KAVETO_BINARY, else kaveto on the PATH.
std::string gamePath();

// Where the scene point (x, y, z) shows in the window, in X's pixel
// coordinates (origin at the top left), from the game's fixed camera: eye
// (3, 3, 7) looking at the origin, +y up, 40 degrees, board viewport
// 800 x 800 whose bottom edge is 150 pixels above the window's.
void projectToWindow(double x, double y, double z, int& column, int& row);

#endif
