#include "window.h"

#include "swapcontrol.h"

#include <windows.h>

#include <cstdlib>

#include <GL/freeglut.h>

namespace {

typedef const char*(WINAPI* ExtensionsProc)(HDC);
typedef BOOL(WINAPI* SwapIntervalProc)(int);

} // namespace

const char* missingDisplay(bool) { return nullptr; }

void prepareGameWindow() {
    // A window closed ends the game with status 0, as on X; the window's
    // icon comes from the program's resources.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_EXIT);
    requestSwapInterval();
}

void quitGame() { std::exit(0); }

void* glProcedure(const char* name) {
    // wglGetProcAddress answers 0, 1, 2, 3 or -1 for what it does not have.
    PROC procedure = wglGetProcAddress(name);
    const INT_PTR value = reinterpret_cast<INT_PTR>(procedure);
    if (value >= -1 && value <= 3)
        return nullptr;
    return reinterpret_cast<void*>(procedure);
}

void requestSwapInterval() {
    auto extensions = reinterpret_cast<ExtensionsProc>(glProcedure("wglGetExtensionsStringARB"));
    const char* list = extensions != nullptr ? extensions(wglGetCurrentDC()) : nullptr;
    auto swapInterval = reinterpret_cast<SwapIntervalProc>(glProcedure("wglSwapIntervalEXT"));
    if (hasExtension(list, "WGL_EXT_swap_control") && swapInterval != nullptr)
        swapInterval(1);
}
