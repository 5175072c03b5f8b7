#include "swapcontrol.h"

#include <GL/glx.h>

#include <cstring>

bool hasExtension(const char* list, const char* name) {
    size_t length = std::strlen(name);
    for (const char* at = list; at != nullptr && *at != '\0';) {
        const char* end = std::strchr(at, ' ');
        size_t word = end != nullptr ? static_cast<size_t>(end - at) : std::strlen(at);
        if (word == length && std::strncmp(at, name, length) == 0)
            return true;
        at = end != nullptr ? end + 1 : nullptr;
    }
    return false;
}

void requestSwapInterval() {
    // Without it the spin's speed is the machine's frame rate, and the game
    // keeps a core busy drawing frames nobody can see.
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr)
        return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        auto swapInterval = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (swapInterval != nullptr)
            swapInterval(display, glXGetCurrentDrawable(), 1);
    } else if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        auto swapInterval = reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (swapInterval != nullptr)
            swapInterval(1);
    }
}
