#include "platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

std::string dataFolder(bool state) {
    const char* named = std::getenv(state ? "XDG_STATE_HOME" : "XDG_CONFIG_HOME");
    if (named != nullptr && named[0] == '/')
        return named;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return "";
    return std::string(home) + (state ? "/.local/state" : "/.config");
}

bool makeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    return true;
}

bool readFile(const std::string& path, std::string& text, std::string& why, size_t limit) {
    text.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (errno == ENOENT || errno == ENOTDIR)
            return true;
        why = std::strerror(errno);
        return false;
    }
    char buffer[4096];
    size_t got;
    while (text.size() <= limit && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    if (failed)
        why = std::strerror(errno);
    std::fclose(file);
    return !failed;
}

bool replaceFile(const std::string& path, const std::string& text, std::string& why) {
    std::string temporary = path + ".XXXXXX";
    int fd = makeFolders(path) ? mkstemp(&temporary[0]) : -1;
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                   fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    if (!written)
        why = std::strerror(errno);
    if (close(fd) != 0 && written) {
        why = std::strerror(errno);
        written = false;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
        why = std::strerror(errno);
        written = false;
    }
    if (!written)
        std::remove(temporary.c_str());
    return written;
}

bool appendFile(const std::string& path, const std::string& text, std::string& why) {
    const int fd = makeFolders(path) ? open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0600) : -1;
    bool written =
        fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (!written)
        why = std::strerror(errno);
    if (fd >= 0)
        close(fd);
    return written;
}

std::vector<std::string> folderFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return names;
    while (const dirent* entry = readdir(listing)) {
        struct stat about;
        const std::string name = entry->d_name;
        if (stat((folder + "/" + name).c_str(), &about) == 0 && S_ISREG(about.st_mode))
            names.push_back(name);
    }
    closedir(listing);
    return names;
}

bool removeFile(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

bool secureRandom(unsigned char* bytes, size_t count) {
    while (count > 0) {
        const ssize_t got = getrandom(bytes, count, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

void allowManyFiles() {
    rlimit files;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
}

double peakMemoryMegabytes() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void useParentConsole() {}
