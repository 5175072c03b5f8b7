#ifndef KAVETO_PLATFORM_H
#define KAVETO_PLATFORM_H

#include <cstddef>
#include <string>
#include <vector>

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
// Adds the text at the end of the file, made for the user alone if missing;
// false, with the reason, when it cannot.
bool appendFile(const std::string& path, const std::string& text, std::string& why);
// The names of the plain files in a folder; none when it cannot be read.
std::vector<std::string> folderFiles(const std::string& folder);
// Removes a file; false when it could not be removed (a missing one can).
bool removeFile(const std::string& path);
// Fills the bytes from the system's cryptographic random source; false when
// it cannot.
bool secureRandom(unsigned char* bytes, size_t count);
// Lets the process hold as many open files (and connections) as the system
// allows it, not only the first thousand or so.
void allowManyFiles();
// The most memory the process has held so far, in MB.
double peakMemoryMegabytes();
// Where the game is a program without a console (Windows): sends stdout and
// stderr to the console it was started from, if there is one. Elsewhere,
// nothing. Called first thing in main.
void useParentConsole();

#endif
