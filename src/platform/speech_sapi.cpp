#include "speech.h"

#include <windows.h>

#include <sapi.h>

#include <string>

const bool speechAlwaysOn = false;

namespace {

// The system's voice, made at the first sentence and kept.
ISpVoice* voice = nullptr;
bool tried = false;

} // namespace

bool speak(const std::string& sentence, std::string& why) {
    if (!tried) {
        tried = true;
        // COM may be set up already, in another mode: the voice comes all the same.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                    reinterpret_cast<void**>(&voice))))
            voice = nullptr;
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, sentence.c_str(), -1, nullptr, 0);
    if (voice == nullptr || length <= 0) {
        why = "the system has no voice";
        return false;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, sentence.c_str(), -1, &wide[0], length);
    // Queued after what is being said, spoken on the voice's own thread.
    if (FAILED(voice->Speak(wide.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr))) {
        why = "the system's voice does not answer";
        return false;
    }
    return true;
}
