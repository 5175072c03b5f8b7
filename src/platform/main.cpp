#include "platform.h"
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

// The toolkit's warnings tell of its surroundings, not of the game, which
// plays on (under Wine, for one, it finds no screen size to read); a player
// is not asked to read them.
static void ignoreWarning(const char*, va_list) {}

int main(int argc, char** argv) {
    useParentConsole();
    int status = checkCommandLine(argc, argv);
    if (status >= 0)
        return status;
    glutInitErrorFunc(fatalError);
    glutInitWarningFunc(ignoreWarning);
    glutInit(&argc, argv);
    // The sound is the game's own: where it is missing, no system alert instead.
    PlaySoundA("Original Tetris theme (Tetris Soundtrack)", NULL, SND_ASYNC | SND_NODEFAULT);
    createGameWindow();
    glutMainLoop();
    return 0;
}
