#include "sound.h"
#include "startup.h"

#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

// freeglut's own fatal errors (such as a display that cannot be opened),
// told in one line under the game's name.
static void fatalError(const char* format, va_list args) {
    std::fputs("kaveto: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    std::exit(1);
}

int main(int argc, char** argv) {
    const char* displayName = std::getenv("DISPLAY");
    if (displayName == nullptr || *displayName == '\0') {
        std::fputs("kaveto: no display: DISPLAY is not set; start the game on an X desktop\n",
                   stderr);
        return 1;
    }
    glutInitErrorFunc(fatalError);
    glutInit(&argc, argv);
    PlaySoundA("Original Tetris theme (Tetris Soundtrack)", NULL, SND_ASYNC);
    createGameWindow();
    glutMainLoop();
    return 0;
}
