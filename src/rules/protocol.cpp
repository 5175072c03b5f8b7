#include "protocol.h"

#include <cctype>

bool splitMessage(const std::string& text, std::vector<std::string>& words) {
    words.clear();
    if (text.empty() || text.size() > longestMessage)
        return false;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (word.empty())
                return false;
            words.push_back(word);
            word.clear();
        } else if (c > ' ' && c < 127) {
            word += c;
        } else {
            return false;
        }
    }
    if (word.empty())
        return false;
    words.push_back(word);
    return true;
}

bool wordNumber(const std::string& word, int low, int high, int& number) {
    if (word.empty() || word.size() > 9 || (word.size() > 1 && word[0] == '0'))
        return false;
    long value = 0;
    for (char c : word) {
        if (c < '0' || c > '9')
            return false;
        value = 10 * value + (c - '0');
    }
    if (value < low || value > high)
        return false;
    number = static_cast<int>(value);
    return true;
}

bool isRoomCode(const std::string& word) {
    if (word.size() < 4 || word.size() > 8)
        return false;
    for (char c : word)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

bool isToken(const std::string& word) {
    if (word.size() != 32)
        return false;
    for (char c : word)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

bool isMoveList(const std::string& word) {
    if (word == "-")
        return true;
    if (word.empty() || word.size() > 27)
        return false;
    for (char c : word)
        if (c < '1' || c > '9')
            return false;
    return true;
}

std::string GameAddress::url() const {
    return std::string(secure ? "wss://" : "ws://") + host + ":" + std::to_string(port) + "/ws/" +
           code;
}

bool parseGameAddress(const std::string& text, GameAddress& address, std::string& why) {
    address = GameAddress();
    std::string rest = text;
    bool url = false;
    if (rest.rfind("ws://", 0) == 0 || rest.rfind("wss://", 0) == 0) {
        address.secure = rest[2] == 's';
        rest = rest.substr(address.secure ? 6 : 5);
        url = true;
    }
    const size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        why = "no room's code after a '/'";
        return false;
    }
    std::string where = rest.substr(0, slash), path = rest.substr(slash + 1);
    if (url) {
        if (path.rfind("ws/", 0) != 0) {
            why = "the path is not /ws/CODE";
            return false;
        }
        path = path.substr(3);
    }
    const size_t colon = where.rfind(':');
    std::string port;
    if (colon != std::string::npos) {
        port = where.substr(colon + 1);
        where = where.substr(0, colon);
    } else if (!url) {
        why = "no port after the host";
        return false;
    }
    address.port = address.secure ? 443 : 80;
    if (!port.empty() && !wordNumber(port, 1, 65535, address.port)) {
        why = "the port is not a number from 1 to 65535";
        return false;
    }
    if (where.empty() || where.size() > 253) {
        why = "no host";
        return false;
    }
    for (char c : where)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') {
            why = "the host is not a name or an address";
            return false;
        }
    if (!isRoomCode(path)) {
        why = "the room's code is not 4 to 8 of A-Z and 0-9";
        return false;
    }
    address.host = where;
    address.code = path;
    return true;
}
