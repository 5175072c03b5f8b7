#include "platform.h"

#include <emscripten.h>

#include <cstdlib>

/* The browser keeps the settings and the record in its local storage, each
   file's text under its path, so that they are read and written as the
   desktop's files are. */

// clang-format off
EM_JS(char*, storedText, (const char* key, int* failed), {
    var text = null;
    try {
        text = window.localStorage.getItem(UTF8ToString(key));
    } catch (error) {
        HEAP32[failed >> 2] = 1;
    }
    if (text === null)
        return 0;
    var size = lengthBytesUTF8(text) + 1, copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
EM_JS(int, storeText, (const char* key, const char* text), {
    try {
        window.localStorage.setItem(UTF8ToString(key), UTF8ToString(text));
        return 1;
    } catch (error) {
        return 0;
    }
});
EM_JS(double, heapMegabytes, (), { return HEAP8.length / (1024 * 1024); });
// clang-format on

std::string dataFolder(bool state) { return state ? "state" : "config"; }

bool makeFolders(const std::string&) { return true; }

bool readFile(const std::string& path, std::string& text, std::string& why, size_t limit) {
    int failed = 0;
    char* stored = storedText(path.c_str(), &failed);
    text = stored != nullptr ? std::string(stored) : "";
    std::free(stored);
    if (text.size() > limit)
        text.resize(limit + 1);
    if (failed != 0)
        why = "the browser's storage cannot be read";
    return failed == 0;
}

bool replaceFile(const std::string& path, const std::string& text, std::string& why) {
    if (storeText(path.c_str(), text.c_str()) != 0)
        return true;
    why = "the browser's storage is full or not allowed";
    return false;
}

double peakMemoryMegabytes() { return heapMegabytes(); }

void useParentConsole() {}
