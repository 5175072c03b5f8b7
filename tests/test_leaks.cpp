// A whole game through the keyboard callback, with turns and spins, in a
// process that LeakSanitizer watches: at exit every piece the game made
// must still be reachable through myWorld.

#include "game.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

// Mesa unloads its driver at exit, before the leak check, which then cannot
// name the driver's own allocations to suppress them; keep it loaded.
static int pinDriver(dl_phdr_info* info, size_t, void*) {
    if (std::strstr(info->dlpi_name, "_dri.so") != nullptr)
        dlopen(info->dlpi_name, RTLD_NOLOAD | RTLD_NODELETE | RTLD_NOW);
    return 0;
}

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    createGameWindow();
    dl_iterate_phdr(pinDriver, nullptr);
    const char* columns = "123456789";
    for (int move = 0; move < 27; move++) {
        keyAction(static_cast<unsigned char>(columns[(move * 4) % 9]), 0, 0);
        keyAction('q', 0, 0);
        ab5();
        keyAction(static_cast<unsigned char>(columns[move % 9]), 0, 0);
        keyAction(' ', 0, 0);
    }
    if (gamecount != 27) {
        std::fprintf(stderr, "the game did not fill the board: %d balls\n", gamecount);
        return 1;
    }
    return 0;
}
