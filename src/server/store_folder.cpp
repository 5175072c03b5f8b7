#include "store.h"

#include "platform.h"
#include "protocol.h"

bool readRoomFile(const std::string& path, std::string& events) {
    std::string text, why;
    if (!readFile(path, text, why, 1 << 20))
        return false;
    events = text.substr(0, text.rfind('\n') + 1);
    return true;
}

bool FolderStore::keep(const std::string& code, const std::string& line, std::string& why) {
    const auto start = std::chrono::steady_clock::now();
    const bool kept = appendFile(folder + "/" + code, line + "\n", why);
    if (wrote)
        wrote(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return kept;
}

void FolderStore::forget(const std::string& code) { removeFile(folder + "/" + code); }

std::map<std::string, std::string> FolderStore::kept() {
    std::map<std::string, std::string> found;
    for (const std::string& code : folderFiles(folder)) {
        std::string events;
        if (isRoomCode(code) && readRoomFile(folder + "/" + code, events))
            found[code] = events;
    }
    return found;
}

bool FolderStore::claim(const std::string& code, std::string& events, std::string&) {
    if (!readRoomFile(folder + "/" + code, events))
        events.clear();
    return true;
}
