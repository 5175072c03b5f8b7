#ifndef KAVETO_SPEECH_H
#define KAVETO_SPEECH_H

#include <string>

// Words for a player who cannot see the board: the browser's live region,
// which a screen reader reads, or the desktop's speech service
// (speech-dispatcher on Linux, the system's speech on Windows).

// Whether sentences go out without being asked for: in the browser, whose
// live region only a screen reader reads.
extern const bool speechAlwaysOn;
// Says the sentence after those before it, returning at once; false, with
// the reason, when there is nobody to say it.
bool speak(const std::string& sentence, std::string& why);

#endif
