// rand_s, the system's random numbers, is declared only when asked for first.
#define _CRT_RAND_S

#include "platform.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string lastError() {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, text, sizeof text, nullptr);
    std::string said = text;
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == '.'))
        said.pop_back();
    return said;
}

} // namespace

std::string dataFolder(bool state) {
    const char* folder = std::getenv(state ? "LOCALAPPDATA" : "APPDATA");
    return folder != nullptr && folder[0] != '\0' ? folder : "";
}

bool makeFolders(const std::string& path) {
    // Either slash separates; a drive ("C:") or a share is not made.
    for (size_t at = path.find_first_of("/\\", 1); at != std::string::npos;
         at = path.find_first_of("/\\", at + 1)) {
        std::string folder = path.substr(0, at);
        if (folder.back() == ':' || CreateDirectoryA(folder.c_str(), nullptr) ||
            GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_ACCESS_DENIED)
            continue;
        return false;
    }
    return true;
}

bool readFile(const std::string& path, std::string& text, std::string& why, size_t limit) {
    text.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        why = lastError();
        return false;
    }
    char buffer[4096];
    DWORD got = 0;
    bool whole = true;
    while (text.size() <= limit) {
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            why = lastError();
            whole = false;
            break;
        }
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    CloseHandle(file);
    return whole;
}

bool replaceFile(const std::string& path, const std::string& text, std::string& why) {
    const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + ".new";
    if (!makeFolders(path)) {
        why = lastError();
        return false;
    }
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = lastError();
        return false;
    }
    DWORD written = 0;
    bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                 written == text.size() && FlushFileBuffers(file);
    if (!whole)
        why = lastError();
    CloseHandle(file);
    if (whole && !MoveFileExA(temporary.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        why = lastError();
        whole = false;
    }
    if (!whole)
        DeleteFileA(temporary.c_str());
    return whole;
}

bool appendFile(const std::string& path, const std::string& text, std::string& why) {
    if (!makeFolders(path)) {
        why = lastError();
        return false;
    }
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = lastError();
        return false;
    }
    DWORD written = 0;
    const bool whole =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    if (!whole)
        why = lastError();
    CloseHandle(file);
    return whole;
}

std::vector<std::string> folderFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool removeFile(const std::string& path) {
    return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool secureRandom(unsigned char* bytes, size_t count) {
    // rand_s draws from the system's own generator (RtlGenRandom).
    for (size_t i = 0; i < count; i += 4) {
        unsigned int word;
        if (rand_s(&word) != 0)
            return false;
        for (size_t k = 0; k < 4 && i + k < count; k++)
            bytes[i + k] = static_cast<unsigned char>(word >> (8 * k));
    }
    return true;
}

void allowManyFiles() {}

double peakMemoryMegabytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
}

void useParentConsole() {
    // Output sent to a file or a pipe stays there. Otherwise, started from a
    // console, the program writes there; started by a double click, it has
    // nowhere to write, and writes nothing.
    const bool out = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN;
    const bool err = GetFileType(GetStdHandle(STD_ERROR_HANDLE)) != FILE_TYPE_UNKNOWN;
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
}
