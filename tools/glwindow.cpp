#include "glwindow.h"

#include "startup.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <string>
#include <thread>

namespace {

// Mesa unloads its driver at exit, before the leak check, which then cannot
// name the driver's own allocations to suppress them; keep it loaded.
int pinDriver(dl_phdr_info* info, size_t, void*) {
    if (std::strstr(info->dlpi_name, "_dri.so") != nullptr)
        dlopen(info->dlpi_name, RTLD_NOLOAD | RTLD_NODELETE | RTLD_NOW);
    return 0;
}

// The game remembers its players' choices under the XDG folders: a process
// of ours gives it folders of its own, removed at exit, and never the home's.
std::string privateHome;

void usePrivateFolders() {
    char folder[] = "/tmp/kaveto-home.XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return;
    privateHome = folder;
    setenv("HOME", folder, 1);
    setenv("XDG_CONFIG_HOME", (privateHome + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (privateHome + "/state").c_str(), 1);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(privateHome, ignored);
    });
}

} // namespace

bool openGameWindow(int* argc, char** argv) {
    usePrivateFolders();
    glutInit(argc, argv);
    createGameWindow();
    dl_iterate_phdr(pinDriver, nullptr);
    Display* x = glXGetCurrentDisplay();
    Window window = glXGetCurrentDrawable();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        glutMainLoopEvent();
        XWindowAttributes attributes;
        if (XGetWindowAttributes(x, window, &attributes) && attributes.map_state == IsViewable)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
