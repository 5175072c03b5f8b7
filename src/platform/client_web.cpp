#include "client.h"

#include <emscripten.h>
#include <emscripten/websocket.h>

#include <cstdlib>

/* The browser's WebSocket: its callbacks come on the page's one thread,
   and are queued for the game as the desktop's thread queues them. */

// clang-format off
EM_JS(char*, pageServer, (), {
    var where = (window.location.protocol === 'https:' ? 'wss://' : 'ws://') + window.location.host;
    var size = lengthBytesUTF8(where) + 1, text = _malloc(size);
    stringToUTF8(where, text, size);
    return text;
});
EM_JS(char*, pageLink, (const char* code), {
    var link = window.location.origin + window.location.pathname + '?play=' + UTF8ToString(code);
    Module.page.share(link);
    var size = lengthBytesUTF8(link) + 1, text = _malloc(size);
    stringToUTF8(link, text, size);
    return text;
});
// clang-format on

namespace {

std::vector<ClientEvent> events;
EMSCRIPTEN_WEBSOCKET_T socket = 0;
bool opened = false;
// Each connection's number, handed to its callbacks: events of one that is
// closed are dropped.
uintptr_t generation = 0;

EM_BOOL onOpen(int, const EmscriptenWebSocketOpenEvent*, void* from) {
    if (reinterpret_cast<uintptr_t>(from) == generation) {
        opened = true;
        events.push_back({clientOpened, ""});
    }
    return EM_TRUE;
}

EM_BOOL onMessage(int, const EmscriptenWebSocketMessageEvent* event, void* from) {
    if (reinterpret_cast<uintptr_t>(from) == generation && event->isText && event->numBytes > 0)
        events.push_back({clientMessage, std::string(reinterpret_cast<const char*>(event->data),
                                                     event->numBytes - 1)});
    return EM_TRUE;
}

EM_BOOL onClose(int, const EmscriptenWebSocketCloseEvent*, void* from) {
    if (reinterpret_cast<uintptr_t>(from) == generation)
        events.push_back(
            {clientClosed, opened ? "" : "no Kaveto server answers: online play needs one"});
    return EM_TRUE;
}

// The page's own server as a game's address.
bool pageAddress(const std::string& code, GameAddress& address) {
    char* where = pageServer();
    std::string why;
    const bool found = parseGameAddress(std::string(where) + "/ws/" + code, address, why);
    std::free(where);
    return found;
}

} // namespace

void clientDisconnect() {
    generation++;
    events.clear();
    opened = false;
    if (socket > 0) {
        emscripten_websocket_close(socket, 1000, "");
        emscripten_websocket_delete(socket);
    }
    socket = 0;
}

void clientConnect(const GameAddress& address) {
    clientDisconnect();
    EmscriptenWebSocketCreateAttributes attributes;
    emscripten_websocket_init_create_attributes(&attributes);
    const std::string url = address.url();
    attributes.url = url.c_str();
    socket = emscripten_websocket_new(&attributes);
    if (socket <= 0) {
        events.push_back({clientClosed, "this browser cannot open a WebSocket"});
        return;
    }
    void* from = reinterpret_cast<void*>(generation);
    emscripten_websocket_set_onopen_callback(socket, from, onOpen);
    emscripten_websocket_set_onmessage_callback(socket, from, onMessage);
    emscripten_websocket_set_onclose_callback(socket, from, onClose);
}

void clientSend(const std::string& text) {
    if (socket > 0 && opened)
        emscripten_websocket_send_utf8_text(socket, text.c_str());
}

std::vector<ClientEvent> clientEvents() {
    std::vector<ClientEvent> taken;
    taken.swap(events);
    return taken;
}

bool hostRoom(const std::string& code, GameAddress& address, std::string& tell, std::string&) {
    if (!pageAddress(code, address))
        return false;
    char* link = pageLink(code.c_str());
    tell = link;
    std::free(link);
    return true;
}

bool defaultServer(const std::string& code, GameAddress& address) {
    // The queue of the players without a code, at a path no room's code can be.
    if (code == "pair" && pageAddress("PAIR", address)) {
        address.code = code;
        return true;
    }
    return isRoomCode(code) && pageAddress(code, address);
}
