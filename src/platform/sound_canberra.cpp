#include "sound.h"

#include <alsa/asoundlib.h>
#include <canberra.h>

#include <unistd.h>

#include <climits>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Made once and kept for the whole run: destroying it would cut the sound short.
std::mutex soundLock;
ca_context* soundContext = nullptr;

// ALSA reports a missing card on stderr; the game's terminal stays clean.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

bool haveContext() {
    snd_lib_error_set_handler(quietAlsa);
    return soundContext != nullptr || ca_context_create(&soundContext) == CA_SUCCESS;
}

void playByName(std::string name) {
    std::lock_guard<std::mutex> hold(soundLock);
    if (haveContext())
        ca_context_play(soundContext, 0, CA_PROP_EVENT_ID, name.c_str(), nullptr);
}

// The game's own sounds: beside the program in a build folder, or in the
// data folder of the prefix it is installed in (bin/ or games/ beside share/).
std::string soundFolder() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "";
    const std::string program(self, static_cast<size_t>(length));
    const std::string folder = program.substr(0, program.rfind('/'));
    if (access((folder + "/sounds/land1.wav").c_str(), R_OK) == 0)
        return folder + "/sounds/";
    return folder + "/../share/kaveto/sounds/";
}

void playFile(std::string name) {
    std::lock_guard<std::mutex> hold(soundLock);
    // Never destroyed: a sound may still be starting while the game exits.
    static const std::string* const folder = new std::string(soundFolder());
    const std::string path = *folder + name + ".wav", event = "kaveto-" + name;
    // Kept by the sound server after the first time, by its event's name.
    if (haveContext())
        ca_context_play(soundContext, 0, CA_PROP_EVENT_ID, event.c_str(), CA_PROP_MEDIA_FILENAME,
                        path.c_str(), CA_PROP_CANBERRA_CACHE_CONTROL, "permanent", nullptr);
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

void playGameSound(const char* name) { std::thread(playFile, std::string(name)).detach(); }
