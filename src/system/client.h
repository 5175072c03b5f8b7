#ifndef KAVETO_CLIENT_H
#define KAVETO_CLIENT_H

#include "protocol.h"

#include <string>
#include <vector>

// A connection to a Kaveto server: client.cpp on a thread of its own with
// Boost.Beast on the desktop (ws://, and wss:// where it is built with
// TLS), client_web.cpp with the browser's WebSocket. One at a time.

// What has happened to the connection: it opened, a message came, or it
// closed (the text says why, when it never opened).
struct ClientEvent {
    int kind;
    std::string text;
};
const int clientOpened = 0, clientMessage = 1, clientClosed = 2;

// Opens a connection to the address's room, closing the one before; what
// happens arrives through clientEvents.
void clientConnect(const GameAddress& address);
// Sends a message once the connection is open.
void clientSend(const std::string& text);
// Closes the connection; no event comes for it after.
void clientDisconnect();
// What has happened since the last call, in order.
std::vector<ClientEvent> clientEvents();

// A room of one's own to host a game in: the desktop starts a server in
// this process, the browser uses the server that served its page. Where to
// play, and what to tell the other player; false, with why, when it cannot.
bool hostRoom(const std::string& code, GameAddress& address, std::string& tell, std::string& why);
// The server a room's code alone names, or "pair" its queue of players
// without a code, where there is one (the browser's page's own); false on
// the desktop.
bool defaultServer(const std::string& code, GameAddress& address);

#endif
