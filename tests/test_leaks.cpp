// A whole game through the keyboard callback, with turns and spins, in a
// process that LeakSanitizer watches: at exit every piece the game made
// must still be reachable through myWorld.

#include "game.h"
#include "glwindow.h"
#include "input.h"

#include <GL/freeglut.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (!openGameWindow(&argc, argv))
        return 1;
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
