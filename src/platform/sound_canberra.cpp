#include "sound.h"

#include <alsa/asoundlib.h>
#include <canberra.h>

#include <mutex>
#include <string>
#include <thread>

namespace {

// Made once and kept for the whole run: destroying it would cut the sound short.
std::mutex soundLock;
ca_context* soundContext = nullptr;

// ALSA reports a missing card on stderr; the game's terminal stays clean.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void playByName(std::string name) {
    std::lock_guard<std::mutex> hold(soundLock);
    snd_lib_error_set_handler(quietAlsa);
    if (soundContext == nullptr && ca_context_create(&soundContext) != CA_SUCCESS)
        return;
    ca_context_play(soundContext, 0, CA_PROP_EVENT_ID, name.c_str(), nullptr);
}

} // namespace

BOOL PlaySoundA(const char* pszSound, HMODULE, DWORD) {
    if (pszSound == nullptr)
        return 0;
    // Looking the sound up and opening a device may block on a busy sound
    // server, so that happens off the caller's thread.
    std::thread(playByName, std::string(pszSound)).detach();
    return 1;
}
