#ifndef KAVETO_PLATFORM_H
#define KAVETO_PLATFORM_H

#include <string>

// What differs between the systems the game runs on, apart from any toolkit;
// platform_posix.cpp or platform_windows.cpp is linked in.

// The folder under which the game keeps its settings (state false) or its
// record (state true): $XDG_CONFIG_HOME or $XDG_STATE_HOME where it names an
// absolute path, else ~/.config or ~/.local/state; on Windows the user's
// roaming or local application data. Empty when there is none.
std::string dataFolder(bool state);
// Makes the folders of path that are missing, for the user alone.
bool makeFolders(const std::string& path);
// Reads the whole file into text, or stops once it holds more than limit
// bytes; a missing file reads as empty. False, with the reason, when it
// cannot be read.
bool readFile(const std::string& path, std::string& text, std::string& why, size_t limit);
// Writes the text to a new file beside path, then puts that file in path's
// place in one step, so that path holds the old text or the new, whole;
// false, with the reason, when it cannot.
bool replaceFile(const std::string& path, const std::string& text, std::string& why);
// The most memory the process has held so far, in MB.
double peakMemoryMegabytes();
// Where the game is a program without a console (Windows): sends stdout and
// stderr to the console it was started from, if there is one. Elsewhere,
// nothing. Called first thing in main.
void useParentConsole();

#endif
