#include "swapcontrol.h"

#include <cstring>

bool hasExtension(const char* list, const char* name) {
    size_t length = std::strlen(name);
    for (const char* at = list; at != nullptr && *at != '\0';) {
        const char* end = std::strchr(at, ' ');
        size_t word = end != nullptr ? static_cast<size_t>(end - at) : std::strlen(at);
        if (word == length && std::strncmp(at, name, length) == 0)
            return true;
        at = end != nullptr ? end + 1 : nullptr;
    }
    return false;
}
