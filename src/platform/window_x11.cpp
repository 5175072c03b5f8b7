#include "window.h"

#include "swapcontrol.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The toolkit takes no notice of a DestroyNotify, so a window destroyed by
// another client would leave the game running without it. Xlib converts
// every such event as it arrives; the game's converter ends the game there,
// with _Exit: Xlib holds its lock, which exit's handlers would wait for.
Window gameWindow = 0;
Bool (*toolkitConverter)(Display*, XEvent*, xEvent*) = nullptr;

Bool convertDestroyNotify(Display* display, XEvent* event, xEvent* wire) {
    Bool converted = toolkitConverter(display, event, wire);
    if (converted && event->xdestroywindow.window == gameWindow)
        std::_Exit(0);
    return converted;
}

// Without its display the game can do nothing more; Xlib would print a
// paragraph, and the toolkit never learns of it.
int displayLost(Display*) {
    std::fputs("kaveto: lost the connection to the X display\n", stderr);
    std::_Exit(1);
}

} // namespace

const char* missingDisplay(bool displayNamed) {
    const char* display = std::getenv("DISPLAY");
    if (!displayNamed && (display == nullptr || *display == '\0'))
        return "no display: DISPLAY is not set; start the game on an X desktop";
    return nullptr;
}

void prepareGameWindow() {
    // The class ties the window to the desktop entry (StartupWMClass) and its icon.
    char name[] = "kaveto", className[] = "Kaveto";
    XClassHint hint = {name, className};
    Display* x = glXGetCurrentDisplay();
    gameWindow = glXGetCurrentDrawable();
    XSetClassHint(x, gameWindow, &hint);
    // Whose window it is, for window managers and tools.
    const long pid = static_cast<long>(getpid());
    XChangeProperty(x, gameWindow, XInternAtom(x, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    toolkitConverter = XESetWireToEvent(x, DestroyNotify, convertDestroyNotify);
    // On exit the toolkit destroys the window itself, from a handler of its
    // own that runs after this one: that must not cut exit short.
    std::atexit([] { gameWindow = 0; });
    XSetIOErrorHandler(displayLost);
    requestSwapInterval();
}

void quitGame() { std::exit(0); }

void* glProcedure(const char* name) {
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

void requestSwapInterval() {
    // Without it the spin's speed is the machine's frame rate, and the game
    // keeps a core busy drawing frames nobody can see.
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr)
        return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        auto swapInterval =
            reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(glProcedure("glXSwapIntervalEXT"));
        if (swapInterval != nullptr)
            swapInterval(display, glXGetCurrentDrawable(), 1);
    } else if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        auto swapInterval =
            reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(glProcedure("glXSwapIntervalMESA"));
        if (swapInterval != nullptr)
            swapInterval(1);
    }
}
