#include "xdrive.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const gameTitle = "Kaveto by Lorvane & Tessmer";

// A window that goes away between two requests is a normal event here:
// the request fails and the caller sees an empty result.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

// The process whose window it says it is, or 0.
long windowPid(Display* x, Window window) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &items, &after, &data) == Success &&
        data != nullptr && items == 1)
        pid = *reinterpret_cast<long*>(data);
    if (data != nullptr)
        XFree(data);
    return pid;
}

// The game's window: its title is the game's (or, online, "Kaveto: Your
// turn" …), and where a window names its process, the process is this one.
Window findGameWindow(Display* x, Window parent, pid_t pid) {
    Window root, parentOut, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(x, parent, &root, &parentOut, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < n && found == 0; i++) {
        const long owner = windowPid(x, children[i]);
        char* name = nullptr;
        if ((owner == pid || owner == 0) && XFetchName(x, children[i], &name) && name != nullptr &&
            std::strncmp(name, gameTitle, 6) == 0)
            found = children[i];
        if (name != nullptr)
            XFree(name);
        if (found == 0)
            found = findGameWindow(x, children[i], pid);
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

bool Shot::writePpm(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (const Pixel& p : pixels)
        out.put(static_cast<char>(p.red))
            .put(static_cast<char>(p.green))
            .put(static_cast<char>(p.blue));
    return static_cast<bool>(out);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
             int pollMs) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return condition();
}

std::string gamePath() {
    const char* path = std::getenv("KAVETO_BINARY");
    return path != nullptr ? path : "kaveto";
}

GameProcess::GameProcess(const std::vector<std::string>& environment,
                         const std::vector<std::string>& arguments) {
    XSetErrorHandler(ignoreXError);
    x = XOpenDisplay(nullptr);
    char name[] = "/tmp/kaveto-output.XXXXXX";
    int fd = mkstemp(name);
    outputPath = name;
    char folder[] = "/tmp/kaveto-home.XXXXXX";
    if (mkdtemp(folder) != nullptr)
        home = folder;
    pid = fork();
    if (pid == 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        if (!home.empty()) {
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
            setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
        }
        for (const std::string& setting : environment)
            putenv(strdup(setting.c_str()));
        std::string path = gamePath();
        std::vector<char*> argv = {const_cast<char*>("kaveto")};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(fd);
}

void GameProcess::stop() {
    if (running()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

GameProcess::~GameProcess() {
    stop();
    if (x != nullptr)
        XCloseDisplay(x);
    std::remove(outputPath.c_str());
    std::error_code ignored;
    if (!home.empty())
        std::filesystem::remove_all(home, ignored);
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

Window GameProcess::waitForWindow(int pollMs) {
    if (x == nullptr)
        return 0;
    waitFor(
        [this] {
            gameWindow = findGameWindow(x, DefaultRootWindow(x), pid);
            if (gameWindow == 0)
                return false;
            XWindowAttributes attributes;
            return XGetWindowAttributes(x, gameWindow, &attributes) &&
                   attributes.map_state == IsViewable;
        },
        std::chrono::seconds(20), pollMs);
    // With no window manager the keyboard follows the pointer.
    if (gameWindow != 0)
        moveTo(400, 400);
    return gameWindow;
}

long GameProcess::cpuTicks() const {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t name = stat.rfind(')');
    if (pid <= 0 || name == std::string::npos)
        return -1;
    // Fields 14 and 15, counted from the pid, after the command's name in brackets.
    std::istringstream fields(stat.substr(name + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; i++)
        if (i >= 14)
            ticks += std::stol(field);
    return ticks;
}

std::string GameProcess::output() const {
    std::ifstream in(outputPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

namespace {

Shot shotOf(Display* x, Window window) {
    Shot shot;
    XWindowAttributes attributes;
    if (window == 0 || !XGetWindowAttributes(x, window, &attributes))
        return shot;
    XImage* image =
        XGetImage(x, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
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

} // namespace

Shot GameProcess::screenshot() const { return shotOf(x, gameWindow); }

Shot GameProcess::waitForShot(const std::function<bool(const Shot&)>& test, int pollMs) {
    Shot last;
    waitFor(
        [&] {
            last = screenshot();
            return last.width > 0 && test(last);
        },
        std::chrono::seconds(20), pollMs);
    return last;
}

Shot GameProcess::waitForRest(const std::function<bool(const Shot&)>& test) {
    Shot shot;
    for (int tries = 0; tries < 40; tries++) {
        shot = waitForShot(test);
        if (!waitFor([&] { return !(screenshot() == shot); }, std::chrono::milliseconds(250)))
            break;
    }
    return shot;
}

void GameProcess::moveTo(int wx, int wy) {
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(x, gameWindow, DefaultRootWindow(x), wx, wy, &rootX, &rootY, &child);
    moveToRoot(rootX, rootY);
}

void GameProcess::moveToRoot(int rootX, int rootY) {
    XTestFakeMotionEvent(x, -1, rootX, rootY, CurrentTime);
    XSync(x, False);
}

namespace {

struct MenuWindow {
    Window id;
    int x, y, width, height;
};

// The toolkit's pop-up menus that are on screen now, each a window of the root.
std::vector<MenuWindow> openMenus(Display* x) {
    std::vector<MenuWindow> menus;
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &n))
        return menus;
    for (unsigned int i = 0; i < n; i++) {
        char* name = nullptr;
        bool isMenu = XFetchName(x, children[i], &name) && name != nullptr &&
                      std::strcmp(name, "freeglut menu") == 0;
        if (name != nullptr)
            XFree(name);
        XWindowAttributes a;
        if (isMenu && XGetWindowAttributes(x, children[i], &a) && a.map_state == IsViewable)
            menus.push_back({children[i], a.x, a.y, a.width, a.height});
    }
    if (children != nullptr)
        XFree(children);
    return menus;
}

} // namespace

bool GameProcess::pickMenu(int wx, int wy, const std::vector<int>& entries, int rowHeight) {
    // Entries are rows of equal height between a 2-pixel border.
    const int border = 2;
    std::vector<Window> seen;
    clickAt(wx, wy, 3);
    for (size_t level = 0; level < entries.size(); level++) {
        MenuWindow menu{};
        bool shown = waitFor([&] {
            for (const MenuWindow& m : openMenus(x))
                if (std::find(seen.begin(), seen.end(), m.id) == seen.end()) {
                    menu = m;
                    return true;
                }
            return false;
        });
        if (!shown)
            return false;
        seen.push_back(menu.id);
        int rowY = menu.y + border + rowHeight * entries[level] + rowHeight / 2;
        moveToRoot(menu.x + menu.width / 2, rowY);
        if (level + 1 == entries.size())
            click(1);
    }
    return waitFor([&] { return openMenus(x).empty(); });
}

Shot GameProcess::menuShot() const {
    std::vector<MenuWindow> menus = openMenus(x);
    return menus.empty() ? Shot{} : shotOf(x, menus.front().id);
}

void GameProcess::closeWindow() {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = gameWindow;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, gameWindow, False, NoEventMask, &event);
    XSync(x, False);
}

void GameProcess::destroyWindow() {
    XDestroyWindow(x, gameWindow);
    XSync(x, False);
}

void projectToWindow(double px, double py, double pz, int& column, int& row) {
    // The camera's frame: f toward the origin, s to the right, u up.
    const double eye[3] = {3, 3, 7};
    double f[3] = {-eye[0], -eye[1], -eye[2]};
    double length = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double& c : f)
        c /= length;
    double s[3] = {-f[2], 0, f[0]}; // f x (0, 1, 0)
    length = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    s[0] /= length, s[2] /= length;
    double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    double d[3] = {px - eye[0], py - eye[1], pz - eye[2]};
    double right = s[0] * d[0] + s[1] * d[1] + s[2] * d[2];
    double up = u[0] * d[0] + u[1] * d[1] + u[2] * d[2];
    double ahead = f[0] * d[0] + f[1] * d[1] + f[2] * d[2];
    double focal = 1.0 / std::tan(20.0 * 3.14159265358979 / 180.0);
    double ndcX = focal * right / ahead, ndcY = focal * up / ahead;
    column = static_cast<int>(std::floor(400 + 400 * ndcX));
    int glY = static_cast<int>(std::floor(150 + 400 + 400 * ndcY));
    row = 799 - glY;
}

void GameProcess::typeKeysym(KeySym key, bool shifted, bool control) {
    KeyCode modifiers[2] = {shifted ? XKeysymToKeycode(x, XK_Shift_L) : KeyCode{0},
                            control ? XKeysymToKeycode(x, XK_Control_L) : KeyCode{0}};
    KeyCode code = XKeysymToKeycode(x, key);
    for (KeyCode modifier : modifiers)
        if (modifier != 0)
            XTestFakeKeyEvent(x, modifier, True, CurrentTime);
    XTestFakeKeyEvent(x, code, True, CurrentTime);
    XTestFakeKeyEvent(x, code, False, CurrentTime);
    for (KeyCode modifier : modifiers)
        if (modifier != 0)
            XTestFakeKeyEvent(x, modifier, False, CurrentTime);
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

void GameProcess::click(int number) {
    button(number, true);
    button(number, false);
}

void GameProcess::button(int number, bool down) {
    XTestFakeButtonEvent(x, number, down ? True : False, CurrentTime);
    XSync(x, False);
}

void GameProcess::clickAt(int wx, int wy, int button) {
    moveTo(wx, wy);
    click(button);
}
