#ifndef KAVETO_SOUND_H
#define KAVETO_SOUND_H

// The Windows call that plays a named sound, and our own of the same shape
// elsewhere: there the desktop's sound theme is asked for an event of that
// name. Either way the call returns at once and its result may be ignored.
#ifdef _WIN32
#include <windows.h>

#include <mmsystem.h>
#else
#include <cstddef>

typedef int BOOL;
typedef void* HMODULE;
typedef unsigned long DWORD;

#define SND_ASYNC 0x0001
#define SND_NODEFAULT 0x0002

// Starts the sound called pszSound once, in the background; hmod and
// fdwSound are accepted for the call's shape, the sound is always async and
// a missing one is never replaced by another.
// Returns nonzero when the request was handed on.
BOOL PlaySoundA(const char* pszSound, HMODULE hmod, DWORD fdwSound);
#endif

// Starts one of the game's own sounds once, in the background, by name:
// land1, land2, land3, full, row, win, loss or end. Where it cannot be
// played (no device, no sound server, a missing file): silence, no message.
void playGameSound(const char* name);

#endif
