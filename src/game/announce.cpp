#include "sound.h"
#include "window.h"

#include <GL/freeglut_std.h>

void announce(const char* title, bool yours) {
    glutSetWindowTitle(title);
    // The desktop's sound of a message, where there is one; nothing otherwise.
    if (yours)
        PlaySoundA("message-new-instant", NULL, SND_ASYNC | SND_NODEFAULT);
}
