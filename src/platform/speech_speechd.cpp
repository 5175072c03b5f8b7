#include "speech.h"

#include <libspeechd.h>

#include <cstdlib>

const bool speechAlwaysOn = false;

namespace {

// Opened at the first sentence and kept; never started here: a desktop
// that has the service runs it.
SPDConnection* connection = nullptr;
bool tried = false;

} // namespace

bool speak(const std::string& sentence, std::string& why) {
    if (!tried) {
        tried = true;
        char* error = nullptr;
        connection = spd_open2("kaveto", "moves", nullptr, SPD_MODE_THREADED, nullptr, 0, &error);
        std::free(error);
    }
    if (connection == nullptr || spd_say(connection, SPD_MESSAGE, sentence.c_str()) < 0) {
        why = "speech-dispatcher does not answer";
        return false;
    }
    return true;
}
