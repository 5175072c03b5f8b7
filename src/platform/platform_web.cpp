#include "platform.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

/* The browser keeps the settings and the record in its local storage, each
   file's text under its path, so that they are read and written as the
   desktop's files are. */

// clang-format off
EM_JS(char*, storedText, (const char* key, int* length), {
    var text = null;
    try {
        text = window.localStorage.getItem(UTF8ToString(key));
    } catch (error) {
        HEAP32[length >> 2] = -1;
        return 0;
    }
    if (text === null)
        return 0;
    // The bytes whole, a NUL among them included.
    var size = lengthBytesUTF8(text) + 1, copy = _malloc(size);
    stringToUTF8(text, copy, size);
    HEAP32[length >> 2] = size - 1;
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
    int length = 0;
    char* stored = storedText(path.c_str(), &length);
    text = stored != nullptr ? std::string(stored, static_cast<size_t>(length)) : "";
    std::free(stored);
    if (text.size() > limit)
        text.resize(limit + 1);
    if (length < 0)
        why = "the browser's storage cannot be read";
    return length >= 0;
}

bool replaceFile(const std::string& path, const std::string& text, std::string& why) {
    if (storeText(path.c_str(), text.c_str()) != 0)
        return true;
    why = "the browser's storage is full or not allowed";
    return false;
}

bool secureRandom(unsigned char* bytes, size_t count) {
    // The browser's crypto.getRandomValues, 256 bytes at most at a time.
    for (size_t at = 0; at < count; at += 256)
        if (getentropy(bytes + at, std::min<size_t>(256, count - at)) != 0)
            return false;
    return true;
}

double peakMemoryMegabytes() { return heapMegabytes(); }

void useParentConsole() {}
