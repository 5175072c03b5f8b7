#include "gameprocess.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const gameTitle = "Kaveto by Lorvane & Tessmer";

Window findByTitle(Display* x, Window parent) {
    Window root, parentOut, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(x, parent, &root, &parentOut, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < n && found == 0; i++) {
        char* name = nullptr;
        if (XFetchName(x, children[i], &name) && name != nullptr) {
            if (std::strcmp(name, gameTitle) == 0)
                found = children[i];
            XFree(name);
        }
        if (found == 0)
            found = findByTitle(x, children[i]);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

} // namespace

int Shot::count(int x0, int y0, int x1, int y1, const std::function<bool(Pixel)>& test) const {
    int n = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            if (test(at(x, y)))
                n++;
    return n;
}

bool Shot::operator==(const Shot& other) const {
    if (width != other.width || height != other.height)
        return false;
    for (size_t i = 0; i < pixels.size(); i++) {
        const Pixel &a = pixels[i], &b = other.pixels[i];
        if (a.red != b.red || a.green != b.green || a.blue != b.blue)
            return false;
    }
    return true;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

std::string gamePath() {
    const char* path = std::getenv("KAVETO_BINARY");
    return path != nullptr ? path : "kaveto";
}

GameProcess::GameProcess(const std::vector<std::string>& environment) {
    x = XOpenDisplay(nullptr);
    char name[] = "/tmp/kaveto-output.XXXXXX";
    int fd = mkstemp(name);
    outputPath = name;
    pid = fork();
    if (pid == 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        for (const std::string& setting : environment)
            putenv(strdup(setting.c_str()));
        std::string path = gamePath();
        execl(path.c_str(), "kaveto", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fd);
}

GameProcess::~GameProcess() {
    if (running()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (x != nullptr)
        XCloseDisplay(x);
    std::remove(outputPath.c_str());
}

bool GameProcess::running() {
    if (pid <= 0)
        return false;
    int code;
    pid_t done = waitpid(pid, &code, WNOHANG);
    if (done == 0)
        return true;
    if (done == pid)
        status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
    pid = -1;
    return false;
}

int GameProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (!waitFor([this] { return !running(); }, timeout))
        return -1;
    return status;
}

Window GameProcess::waitForWindow() {
    if (x == nullptr)
        return 0;
    waitFor([this] {
        gameWindow = findByTitle(x, DefaultRootWindow(x));
        if (gameWindow == 0)
            return false;
        XWindowAttributes attributes;
        return XGetWindowAttributes(x, gameWindow, &attributes) &&
               attributes.map_state == IsViewable;
    });
    // With no window manager the keyboard follows the pointer.
    if (gameWindow != 0)
        moveTo(400, 400);
    return gameWindow;
}

std::string GameProcess::output() const {
    std::ifstream in(outputPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Shot GameProcess::screenshot() const {
    Shot shot;
    XWindowAttributes attributes;
    if (gameWindow == 0 || !XGetWindowAttributes(x, gameWindow, &attributes))
        return shot;
    XImage* image =
        XGetImage(x, gameWindow, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return shot;
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.reserve(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; y++)
        for (int col = 0; col < shot.width; col++) {
            unsigned long p = XGetPixel(image, col, y);
            shot.pixels.push_back({static_cast<int>((p & image->red_mask) >> 16),
                                   static_cast<int>((p & image->green_mask) >> 8),
                                   static_cast<int>(p & image->blue_mask)});
        }
    XDestroyImage(image);
    return shot;
}

Shot GameProcess::waitForShot(const std::function<bool(const Shot&)>& test) {
    Shot last;
    waitFor([&] {
        last = screenshot();
        return last.width > 0 && test(last);
    });
    return last;
}

void GameProcess::moveTo(int wx, int wy) {
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(x, gameWindow, DefaultRootWindow(x), wx, wy, &rootX, &rootY, &child);
    XTestFakeMotionEvent(x, -1, rootX, rootY, CurrentTime);
    XSync(x, False);
}

void GameProcess::typeKeysym(KeySym key, bool shifted) {
    KeyCode shift = XKeysymToKeycode(x, XK_Shift_L);
    KeyCode code = XKeysymToKeycode(x, key);
    if (shifted)
        XTestFakeKeyEvent(x, shift, True, CurrentTime);
    XTestFakeKeyEvent(x, code, True, CurrentTime);
    XTestFakeKeyEvent(x, code, False, CurrentTime);
    if (shifted)
        XTestFakeKeyEvent(x, shift, False, CurrentTime);
    XSync(x, False);
}

void GameProcess::type(const std::string& characters) {
    for (char c : characters) {
        if (c == ' ')
            typeKeysym(XK_space);
        else if (c >= 'A' && c <= 'Z')
            typeKeysym(XStringToKeysym(std::string(1, c - 'A' + 'a').c_str()), true);
        else
            typeKeysym(XStringToKeysym(std::string(1, c).c_str()));
    }
}

void GameProcess::click(int button) {
    XTestFakeButtonEvent(x, button, True, CurrentTime);
    XTestFakeButtonEvent(x, button, False, CurrentTime);
    XSync(x, False);
}

void GameProcess::clickAt(int wx, int wy, int button) {
    moveTo(wx, wy);
    click(button);
}
