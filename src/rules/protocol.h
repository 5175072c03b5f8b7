#ifndef KAVETO_PROTOCOL_H
#define KAVETO_PROTOCOL_H

#include <string>
#include <vector>

// The online protocol's words, apart from any transport: one WebSocket text
// frame a message, words separated by single spaces (docs/online.md). The
// server, the desktop's client and the browser's read and write them here.

// The version this build speaks.
const int protocolVersion = 1;
// The longest message either side sends or takes, in bytes.
const size_t longestMessage = 256;

// The words of a message: printable ASCII, one space between words, none
// before or after, at most longestMessage bytes; false for anything else.
bool splitMessage(const std::string& text, std::vector<std::string>& words);
// The whole number that a word writes, from low to high; false otherwise.
bool wordNumber(const std::string& word, int low, int high, int& number);
// Whether the word is a room's code: 4 to 8 of A-Z and 0-9.
bool isRoomCode(const std::string& word);
// Whether the word is a seat's token: 32 of 0-9 and a-f.
bool isToken(const std::string& word);
// Whether the word writes moves: '-' for none, else 1 to 27 of 1-9.
bool isMoveList(const std::string& word);

// Where a game is: ws or wss, the host, the port and the room's code.
struct GameAddress {
    bool secure = false;
    std::string host;
    int port = 0;
    std::string code;
    // ws://host:port/ws/CODE, as a browser or the client opens it.
    std::string url() const;
};
// Reads HOST:PORT/CODE, ws://HOST[:PORT]/ws/CODE or wss://HOST[:PORT]/ws/CODE
// (the port 80 or 443 when left out); false, with the reason in a few
// words, for anything else.
bool parseGameAddress(const std::string& text, GameAddress& address, std::string& why);

#endif
