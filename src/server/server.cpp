#include "server.h"

#include "platform.h"
#include "protocol.h"
#include "referee.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

const char* const serverUsage = R"(Usage: kaveto-server [OPTIONS]
Serves Kaveto's online games over WebSockets at /ws/CODE, and the browser
version's files with --web.

  --port P        the port to listen on (7742; 0: one the system picks)
  --listen ADDR   the address to listen on (127.0.0.1; 0.0.0.0: every one)
  --web DIR       serve the browser version from DIR (scripts/web builds it)
  --state DIR     where unfinished games are kept through a restart
                  ($XDG_STATE_HOME/kaveto-server)
  --origin URL    a page that may open games besides the server's own;
                  as often as needed
  --grace S       seconds a dropped player keeps the seat (60)
  --message-limit BYTES, --rate PER-SECOND, --queue MESSAGES,
  --header-limit BYTES, --silence S, --per-address N, --rooms N
                  the limits (256, 20, 64, 8192, 10, 32, 10000)
  --help          print this and exit
)";

namespace {

/* ---------------- The server's state, on its one thread ---------------- */

class Session;

// A room: two seats, each with its secret token and its player's connection
// while there is one, the watchers, the moves, what is asked of it next.
struct Room {
    std::string code;
    std::string tokens[2];
    Session* players[2] = {nullptr, nullptr};
    std::set<Session*> watchers;
    std::string moves;
    Position position = {{0, 0}};
    bool started = false, abandoned = false;
    // The seat (1 or 2) whose player left it for good.
    int abandonedBy = 0;
    bool rematch[2] = {false, false};
    // Since when the game is over or abandoned, and each seat's grace.
    Clock::time_point since;
    std::unique_ptr<net::steady_timer> grace[2];
};

struct State {
    ServerOptions options;
    net::io_context* io = nullptr;
    std::map<std::string, std::unique_ptr<Room>> rooms;
    std::map<std::string, int> connections;
    std::string webRoot;
};

State* state = nullptr;

void logLine(const std::string& line) {
    if (state->options.log)
        std::fprintf(stderr, "kaveto-server: %s\n", line.c_str());
}

// What a client sent, fit for a log line: printable, and short.
std::string printable(const std::string& text) {
    std::string shown;
    for (char c : text.substr(0, 100))
        shown += c >= ' ' && c < 127 ? c : '?';
    return shown;
}

// A connection counted against its address for as long as it lasts.
struct Counted {
    explicit Counted(std::string from) : address(std::move(from)) { state->connections[address]++; }
    ~Counted() {
        if (--state->connections[address] == 0)
            state->connections.erase(address);
    }
    std::string address;
};

std::string newToken() {
    unsigned char bytes[16];
    if (!secureRandom(bytes, sizeof bytes))
        return "";
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += digits[b >> 4];
        token += digits[b & 15];
    }
    return token;
}

// The game's lines on disk, one event a line: a seat taken, a move, the
// seats swapped for a rematch, the game abandoned.
void keep(const Room& room, const std::string& line) {
    if (state->options.state.empty())
        return;
    std::string why;
    if (!appendFile(state->options.state + "/" + room.code, line + "\n", why))
        logLine("cannot keep game " + room.code + " (" + why + ")");
}

void forget(const Room& room) {
    if (!state->options.state.empty())
        removeFile(state->options.state + "/" + room.code);
}

bool over(const Room& room) { return room.moves.size() == 27; }

/* ---------------- A player's or a watcher's connection ---------------- */

void broadcast(Room& room, const std::string& message);
void leaveRoom(Session* session, bool forGood);

class Session : public std::enable_shared_from_this<Session> {
  public:
    Session(tcp::socket&& socket, std::shared_ptr<Counted> counted)
        : ws(std::move(socket)), counted(std::move(counted)), address(this->counted->address),
          hello(ws.get_executor()) {}

    void start(http::request<http::string_body> request, std::string code) {
        roomCode = std::move(code);
        const ServerOptions& o = state->options;
        ws.read_message_max(o.messageLimit);
        websocket::stream_base::timeout timeout{std::chrono::seconds(o.silence),
                                                std::chrono::seconds(o.silence), true};
        ws.set_option(timeout);
        ws.set_option(websocket::stream_base::decorator(
            [](websocket::response_type& r) { r.set(http::field::server, "kaveto-server"); }));
        beast::get_lowest_layer(ws).expires_never();
        lastRefill = Clock::now();
        tokens = 2 * o.rate;
        ws.async_accept(request, [self = shared_from_this()](beast::error_code error) {
            if (!error)
                self->opened();
        });
    }

    // Sends a message, or closes the connection of a reader that is too slow.
    void send(const std::string& message) {
        if (closing)
            return;
        if (queue.size() >= state->options.queueLimit) {
            closing = true;
            beast::get_lowest_layer(ws).socket().close();
            return;
        }
        queue.push_back(message);
        if (queue.size() == 1)
            writeNext();
    }

    // Closes with that code once what is queued has gone.
    void closeWith(websocket::close_code code) {
        if (closing)
            return;
        closing = true;
        closeCode = code;
        if (queue.empty())
            ws.async_close(closeCode, [self = shared_from_this()](beast::error_code) {});
    }

    Room* room = nullptr;
    // 1 or 2 for a player's seat, 0 for a watcher, -1 before hello.
    int seat = -1;

  private:
    void opened() {
        // A connection that says nothing goes.
        hello.expires_after(std::chrono::seconds(state->options.silence));
        hello.async_wait([self = shared_from_this()](beast::error_code error) {
            if (!error && self->seat < 0)
                self->closeWith(websocket::close_code::policy_error);
        });
        read();
    }

    void read() {
        ws.async_read(buffer, [self = shared_from_this()](beast::error_code error, size_t) {
            if (error) {
                self->gone();
                return;
            }
            self->received();
            if (!self->closing)
                self->read();
            else
                self->drain();
        });
    }

    // After a close of ours, reads on until the other side closes too.
    void drain() {
        buffer.clear();
        ws.async_read(buffer, [self = shared_from_this()](beast::error_code error, size_t) {
            if (error)
                self->gone();
            else
                self->drain();
        });
    }

    void writeNext() {
        ws.text(true);
        ws.async_write(net::buffer(queue.front()),
                       [self = shared_from_this()](beast::error_code error, size_t) {
                           if (error)
                               return;
                           self->queue.pop_front();
                           if (!self->queue.empty())
                               self->writeNext();
                           else if (self->closing && self->closeCode != websocket::close_code::none)
                               self->ws.async_close(self->closeCode, [self](beast::error_code) {});
                       });
    }

    void gone() {
        hello.cancel();
        if (room != nullptr)
            leaveRoom(this, false);
        room = nullptr;
    }

    // About 20 messages a second, twice that at once; a flood is closed.
    bool withinRate() {
        const ServerOptions& o = state->options;
        const Clock::time_point now = Clock::now();
        tokens = std::min(
            2 * o.rate, tokens + o.rate * std::chrono::duration<double>(now - lastRefill).count());
        lastRefill = now;
        if (tokens < 1)
            return false;
        tokens -= 1;
        return true;
    }

    void received() {
        if (closing)
            return;
        if (!ws.got_text()) {
            closeWith(websocket::close_code::unknown_data);
            return;
        }
        if (!withinRate()) {
            logLine("closed " + address + ": a flood of messages");
            closeWith(websocket::close_code::policy_error);
            return;
        }
        const std::string text = beast::buffers_to_string(buffer.data());
        buffer.clear();
        std::vector<std::string> words;
        if (!splitMessage(text, words)) {
            send("error syntax");
            return;
        }
        answer(words);
    }

    void answer(const std::vector<std::string>& words);
    void greet(const std::vector<std::string>& words);

    websocket::stream<beast::tcp_stream> ws;
    beast::flat_buffer buffer;
    std::deque<std::string> queue;
    std::shared_ptr<Counted> counted;
    std::string address, roomCode;
    net::steady_timer hello;
    double tokens = 0;
    Clock::time_point lastRefill;
    bool closing = false;
    websocket::close_code closeCode = websocket::close_code::none;
};

void broadcast(Room& room, const std::string& message) {
    for (Session* player : room.players)
        if (player != nullptr)
            player->send(message);
    for (Session* watcher : room.watchers)
        watcher->send(message);
}

std::string moveList(const Room& room) { return room.moves.empty() ? "-" : room.moves; }

void startGame(Room& room) {
    if (room.started || room.tokens[0].empty() || room.tokens[1].empty())
        return;
    room.started = true;
    logLine("game " + room.code + " started");
    broadcast(room, "start");
}

void endGame(Room& room, const std::string& how) {
    room.since = Clock::now();
    logLine("game " + room.code + " ended: " + how);
}

// A seat left empty for the grace time: the game is abandoned.
void startGrace(Room& room, int seat) {
    room.grace[seat].reset(new net::steady_timer(*state->io));
    room.grace[seat]->expires_after(std::chrono::seconds(state->options.grace));
    const std::string code = room.code;
    room.grace[seat]->async_wait([code, seat](beast::error_code error) {
        auto found = state->rooms.find(code);
        if (error || found == state->rooms.end())
            return;
        Room& room = *found->second;
        if (room.players[seat] != nullptr || room.abandoned)
            return;
        room.abandoned = true;
        room.abandonedBy = seat + 1;
        keep(room, "abandoned " + std::to_string(seat + 1));
        broadcast(room, "abandoned " + std::to_string(seat + 1));
        if (!over(room))
            endGame(room, "abandoned by player " + std::to_string(seat + 1));
    });
}

void leaveRoom(Session* session, bool forGood) {
    Room& room = *session->room;
    if (session->seat == 0) {
        room.watchers.erase(session);
        return;
    }
    const int seat = session->seat - 1;
    if (seat < 0 || room.players[seat] != session)
        return;
    room.players[seat] = nullptr;
    if (room.abandoned)
        return;
    if (forGood) {
        room.abandoned = true;
        room.abandonedBy = seat + 1;
        keep(room, "abandoned " + std::to_string(seat + 1));
        broadcast(room, "abandoned " + std::to_string(seat + 1));
        if (!over(room))
            endGame(room, "left by player " + std::to_string(seat + 1));
        return;
    }
    broadcast(room, "gone " + std::to_string(seat + 1));
    startGrace(room, seat);
}

void Session::greet(const std::vector<std::string>& words) {
    int version;
    if (words.size() < 3 || !wordNumber(words[1], 1, 999999999, version)) {
        send("error syntax");
        return;
    }
    if (version > protocolVersion) {
        send("error version");
        closeWith(websocket::close_code::normal);
        return;
    }
    auto found = state->rooms.find(roomCode);
    if (found == state->rooms.end()) {
        // A room is made by its first player.
        if (words[2] != "play") {
            send(words[2] == "resume" ? "error token" : "error room");
            return;
        }
        if (state->rooms.size() >= state->options.rooms) {
            send("error rooms");
            closeWith(websocket::close_code::try_again_later);
            return;
        }
        found = state->rooms.emplace(roomCode, std::make_unique<Room>()).first;
        found->second->code = roomCode;
    }
    Room& r = *found->second;
    int s = -1;
    if (words[2] == "watch" && words.size() == 3) {
        s = 0;
    } else if (words[2] == "play" && words.size() == 3) {
        for (int i = 1; i >= 0; i--)
            if (r.tokens[i].empty() && !r.abandoned)
                s = i + 1;
        if (s < 0) {
            send("error seats");
            return;
        }
        r.tokens[s - 1] = newToken();
        keep(r, "seat " + std::to_string(s) + " " + r.tokens[s - 1]);
    } else if (words[2] == "resume" && words.size() == 4 && isToken(words[3])) {
        for (int i = 0; i < 2; i++)
            if (r.tokens[i] == words[3])
                s = i + 1;
        if (s < 0) {
            send("error token");
            return;
        }
        // A player back before the old connection was seen to drop.
        if (Session* old = r.players[s - 1]) {
            old->room = nullptr;
            old->closeWith(websocket::close_code::normal);
        }
        r.grace[s - 1].reset();
    } else {
        send("error syntax");
        return;
    }
    seat = s;
    room = &r;
    if (s == 0)
        r.watchers.insert(this);
    send("seat " + std::to_string(s) + " " + (s == 0 ? "-" : r.tokens[s - 1]) + " " + moveList(r));
    if (s > 0) {
        const bool back = words[2] == "resume";
        r.players[s - 1] = this;
        if (back)
            broadcast(r, "back " + std::to_string(s));
    }
    if (r.started)
        send("start");
    else
        startGame(r);
    if (over(r))
        send("over");
    if (r.abandoned)
        send("abandoned " + std::to_string(r.abandonedBy));
    for (int i = 0; i < 2; i++)
        if (r.rematch[i])
            send("rematch " + std::to_string(i + 1));
    for (int i = 0; i < 2; i++)
        if (s != i + 1 && !r.tokens[i].empty() && r.players[i] == nullptr && !r.abandoned)
            send("gone " + std::to_string(i + 1));
}

void Session::answer(const std::vector<std::string>& words) {
    const std::string& word = words[0];
    if (word == "hello") {
        if (seat >= 0)
            send("error hello");
        else
            greet(words);
        return;
    }
    if (seat < 0 || room == nullptr) {
        send("error hello");
        return;
    }
    Room& r = *room;
    if (word == "bye" && words.size() == 1) {
        leaveRoom(this, true);
        room = nullptr;
        closeWith(websocket::close_code::normal);
        return;
    }
    if (seat == 0 && (word == "move" || word == "rematch")) {
        send("error watching");
        return;
    }
    int n, column;
    if (word == "move" && words.size() == 3 && wordNumber(words[1], 0, 99, n) &&
        wordNumber(words[2], 0, 99, column)) {
        if (!r.started || r.abandoned) {
            send(r.abandoned ? "error over" : "error waiting");
            return;
        }
        const std::string refused = refereeMove(r.position, seat, n, column);
        if (!refused.empty()) {
            send("error " + refused);
            return;
        }
        r.moves += static_cast<char>('0' + column);
        keep(r, "move " + std::to_string(column));
        broadcast(r, "moved " + words[1] + " " + words[2]);
        if (over(r)) {
            broadcast(r, "over");
            endGame(r, "27 balls down");
        }
        return;
    }
    if (word == "rematch" && words.size() == 1) {
        if (!over(r) || r.abandoned) {
            send("error playing");
            return;
        }
        r.rematch[seat - 1] = true;
        broadcast(r, "rematch " + std::to_string(seat));
        if (!(r.rematch[0] && r.rematch[1]))
            return;
        // A new game, the seats swapped: each player keeps a token, now the other seat's.
        std::swap(r.tokens[0], r.tokens[1]);
        std::swap(r.players[0], r.players[1]);
        r.moves.clear();
        r.position = Position{{0, 0}};
        r.rematch[0] = r.rematch[1] = false;
        r.started = false;
        keep(r, "swap");
        for (int i = 0; i < 2; i++)
            if (r.players[i] != nullptr) {
                r.players[i]->seat = i + 1;
                r.players[i]->send("seat " + std::to_string(i + 1) + " " + r.tokens[i] + " -");
            }
        for (Session* watcher : r.watchers)
            watcher->send("seat 0 - -");
        startGame(r);
        return;
    }
    send("error syntax");
}

/* ---------------- HTTP: the upgrade, and the browser's files ---------------- */

const char* contentType(const std::string& path) {
    static const std::pair<const char*, const char*> types[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript"},
        {".wasm", "application/wasm"},
        {".svg", "image/svg+xml"},
        {".webmanifest", "application/manifest+json"},
        {".png", "image/png"},
        {".css", "text/css"},
        {".gz", "application/gzip"},
        {".wav", "audio/wav"},
    };
    for (const auto& [ending, type] : types)
        if (path.size() >= std::strlen(ending) &&
            path.compare(path.size() - std::strlen(ending), std::string::npos, ending) == 0)
            return type;
    return "application/octet-stream";
}

// The file a request's target names in the web folder, or "" for none: no
// '..', no '%', no '\', nothing outside the folder, links included.
std::string webFile(const std::string& target) {
    if (state->webRoot.empty() || target.empty() || target[0] != '/')
        return "";
    std::string path = target.substr(0, target.find('?'));
    if (path.find("..") != std::string::npos || path.find('%') != std::string::npos ||
        path.find('\\') != std::string::npos || path.find('\0') != std::string::npos)
        return "";
    if (path.back() == '/')
        path += "index.html";
    std::error_code error;
    const std::filesystem::path file =
        std::filesystem::canonical(std::filesystem::path(state->webRoot + path), error);
    if (error || !std::filesystem::is_regular_file(file, error))
        return "";
    const std::string found = file.string();
    return found.rfind(state->webRoot + "/", 0) == 0 ? found : "";
}

// The origin a page may open a game from: the server's own, as the page
// reached it, or one given.
bool originAllowed(const http::request<http::string_body>& request) {
    const auto origin = request.find(http::field::origin);
    if (origin == request.end())
        return true;
    const std::string from(origin->value());
    const std::string host(request[http::field::host]);
    if (from == "http://" + host || from == "https://" + host)
        return true;
    for (const std::string& allowed : state->options.origins)
        if (from == allowed)
            return true;
    return false;
}

class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(tcp::socket&& socket, std::string address)
        : stream(std::move(socket)), counted(std::make_shared<Counted>(address)),
          address(std::move(address)) {}

    void run() { read(); }

  private:
    void read() {
        parser.emplace();
        parser->header_limit(static_cast<std::uint32_t>(state->options.headerLimit));
        parser->body_limit(1024);
        stream.expires_after(std::chrono::seconds(state->options.silence));
        http::async_read(stream, buffer, *parser,
                         [self = shared_from_this()](beast::error_code error, size_t) {
                             if (!error)
                                 self->handle(self->parser->release());
                         });
    }

    void handle(http::request<http::string_body> request) {
        const std::string target(request.target());
        if (websocket::is_upgrade(request)) {
            const std::string code = target.rfind("/ws/", 0) == 0 ? target.substr(4) : "";
            if (!isRoomCode(code)) {
                reply(http::status::not_found, "no such game\n", request);
                return;
            }
            if (!originAllowed(request)) {
                logLine("refused " + address + ": a page from " +
                        printable(std::string(request[http::field::origin])));
                reply(http::status::forbidden, "this page may not open games\n", request);
                return;
            }
            auto session = std::make_shared<Session>(stream.release_socket(), counted);
            session->start(std::move(request), code);
            return;
        }
        if (request.method() != http::verb::get && request.method() != http::verb::head) {
            reply(http::status::method_not_allowed, "GET only\n", request);
            return;
        }
        const std::string file = webFile(target);
        std::ifstream in(file, std::ios::binary);
        if (file.empty() || !in) {
            reply(http::status::not_found, "not found\n", request);
            return;
        }
        std::ostringstream body;
        body << in.rdbuf();
        reply(http::status::ok, body.str(), request, contentType(file));
    }

    void reply(http::status status, std::string body,
               const http::request<http::string_body>& request, const char* type = "text/plain") {
        auto response =
            std::make_shared<http::response<http::string_body>>(status, request.version());
        response->set(http::field::server, "kaveto-server");
        response->set(http::field::content_type, type);
        response->keep_alive(request.keep_alive());
        const bool head = request.method() == http::verb::head;
        response->body() = std::move(body);
        response->prepare_payload();
        if (head)
            response->body().clear();
        http::async_write(
            stream, *response,
            [self = shared_from_this(), response, head](beast::error_code error, size_t) {
                if (!error && response->keep_alive() && !head)
                    self->read();
                else
                    self->stream.socket().shutdown(tcp::socket::shutdown_send, error);
            });
    }

    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
    std::shared_ptr<Counted> counted;
    std::string address;
};

/* ---------------- Accepting, and the games kept on disk ---------------- */

void accept(tcp::acceptor& acceptor) {
    acceptor.async_accept([&acceptor](beast::error_code error, tcp::socket socket) {
        if (error == net::error::operation_aborted)
            return;
        if (!error) {
            beast::error_code ignored;
            const std::string address = socket.remote_endpoint(ignored).address().to_string();
            const auto open = state->connections.find(address);
            if (open != state->connections.end() && open->second >= state->options.perAddress) {
                logLine("refused " + address + ": too many connections");
                socket.close(ignored);
            } else {
                socket.set_option(tcp::no_delay(true), ignored);
                std::make_shared<HttpSession>(std::move(socket), address)->run();
            }
        }
        accept(acceptor);
    });
}

// The games kept in the state folder, as their lines tell them.
void loadGames() {
    const std::string folder = state->options.state;
    if (folder.empty())
        return;
    for (const std::string& code : folderFiles(folder)) {
        if (!isRoomCode(code))
            continue;
        std::string text, why;
        if (!readFile(folder + "/" + code, text, why, 1 << 20))
            continue;
        auto room = std::make_unique<Room>();
        room->code = code;
        std::istringstream lines(text);
        std::string line;
        bool good = true;
        while (good && std::getline(lines, line)) {
            std::vector<std::string> words;
            int number;
            if (!splitMessage(line, words)) {
                good = false;
            } else if (words[0] == "seat" && words.size() == 3 &&
                       wordNumber(words[1], 1, 2, number) && isToken(words[2])) {
                room->tokens[number - 1] = words[2];
            } else if (words[0] == "move" && words.size() == 2 &&
                       wordNumber(words[1], 1, 9, number)) {
                good = refereeMove(room->position, playerOnTurn(room->position) + 1,
                                   static_cast<int>(room->moves.size()), number)
                           .empty();
                room->moves += static_cast<char>('0' + number);
            } else if (words[0] == "swap" && words.size() == 1) {
                std::swap(room->tokens[0], room->tokens[1]);
                room->moves.clear();
                room->position = Position{{0, 0}};
            } else if (words[0] == "abandoned" && words.size() == 2 &&
                       wordNumber(words[1], 1, 2, number)) {
                room->abandoned = true;
                room->abandonedBy = number;
            } else {
                good = false;
            }
        }
        if (!good) {
            logLine("game " + code + " in " + folder + " is damaged; left as it is");
            continue;
        }
        room->started = !room->tokens[0].empty() && !room->tokens[1].empty();
        room->since = Clock::now();
        for (int seat = 0; seat < 2; seat++)
            if (!room->tokens[seat].empty() && !room->abandoned)
                startGrace(*room, seat);
        state->rooms[code] = std::move(room);
    }
}

// Once a minute: a game over or abandoned an hour ago is forgotten.
void sweep(net::steady_timer& timer) {
    timer.expires_after(std::chrono::minutes(1));
    timer.async_wait([&timer](beast::error_code error) {
        if (error)
            return;
        for (auto at = state->rooms.begin(); at != state->rooms.end();) {
            Room& room = *at->second;
            const bool ended = over(room) || room.abandoned;
            const bool empty =
                room.players[0] == nullptr && room.players[1] == nullptr && room.watchers.empty();
            if (ended && empty && Clock::now() - room.since > std::chrono::hours(1)) {
                forget(room);
                at = state->rooms.erase(at);
            } else {
                ++at;
            }
        }
        sweep(timer);
    });
}

/* ---------------- Running ---------------- */

// The state first, so that it outlives the connections that the
// io_context's end destroys.
struct Running {
    State state;
    net::io_context io{1};
    tcp::acceptor acceptor{io};
    net::steady_timer sweeper{io};
    std::thread thread;
};

std::unique_ptr<Running> running;

// Opens the listening socket, the first free port of those asked for.
int listenOn(Running& r, std::string& why) {
    beast::error_code error;
    const net::ip::address address = net::ip::make_address(r.state.options.listen, error);
    if (error) {
        why = "'" + r.state.options.listen + "' is not an address to listen on";
        return 0;
    }
    for (int i = 0; i < std::max(1, r.state.options.tries); i++) {
        const int port = r.state.options.port == 0 ? 0 : r.state.options.port + i;
        beast::error_code failed;
        r.acceptor.open(address.is_v6() ? tcp::v6() : tcp::v4(), failed);
        r.acceptor.set_option(net::socket_base::reuse_address(true), failed);
        r.acceptor.bind(tcp::endpoint(address, static_cast<unsigned short>(port)), failed);
        if (!failed)
            r.acceptor.listen(net::socket_base::max_listen_connections, failed);
        if (!failed)
            return r.acceptor.local_endpoint().port();
        why = "cannot listen on " + r.state.options.listen + ":" + std::to_string(port) + " (" +
              failed.message() + ")";
        r.acceptor.close(failed);
    }
    return 0;
}

int prepare(const ServerOptions& options, std::string& why) {
    running = std::make_unique<Running>();
    Running& r = *running;
    r.state.options = options;
    r.state.io = &r.io;
    if (!options.web.empty()) {
        std::error_code error;
        r.state.webRoot = std::filesystem::canonical(options.web, error).string();
        if (error || !std::filesystem::is_directory(r.state.webRoot)) {
            why = "--web: " + options.web + " is not a folder";
            return 0;
        }
    }
    if (!options.state.empty() && !makeFolders(options.state + "/")) {
        why = "--state: cannot make " + options.state;
        return 0;
    }
    state = &r.state;
    const int port = listenOn(r, why);
    if (port == 0)
        return 0;
    loadGames();
    accept(r.acceptor);
    sweep(r.sweeper);
    return port;
}

void finish() {
    running.reset();
    state = nullptr;
}

} // namespace

std::string parseServerOptions(int argc, char** argv, ServerOptions& options) {
    const std::string stateFolder = dataFolder(true);
    options.state = stateFolder.empty() ? "" : stateFolder + "/kaveto-server";
    for (int i = 1; i < argc; i++) {
        const std::string name = argv[i];
        if (i + 1 == argc)
            return name + " needs a value, or is not an option";
        const std::string value = argv[++i];
        int number = 0;
        auto whole = [&](int low, int high) { return wordNumber(value, low, high, number); };
        if (name == "--port" && whole(0, 65535))
            options.port = number;
        else if (name == "--listen")
            options.listen = value;
        else if (name == "--web")
            options.web = value;
        else if (name == "--state")
            options.state = value;
        else if (name == "--origin")
            options.origins.push_back(value);
        else if (name == "--grace" && whole(1, 86400))
            options.grace = number;
        else if (name == "--message-limit" && whole(16, 1 << 20))
            options.messageLimit = static_cast<size_t>(number);
        else if (name == "--rate" && whole(1, 100000))
            options.rate = number;
        else if (name == "--queue" && whole(1, 100000))
            options.queueLimit = static_cast<size_t>(number);
        else if (name == "--header-limit" && whole(512, 1 << 20))
            options.headerLimit = static_cast<size_t>(number);
        else if (name == "--silence" && whole(1, 3600))
            options.silence = number;
        else if (name == "--per-address" && whole(1, 1000000))
            options.perAddress = number;
        else if (name == "--rooms" && whole(1, 10000000))
            options.rooms = static_cast<size_t>(number);
        else
            return "'" + name + " " + value + "' is not an option with a good value";
    }
    return "";
}

int startServer(const ServerOptions& options, std::string& why) {
    const int port = prepare(options, why);
    if (port == 0) {
        finish();
        return 0;
    }
    running->thread = std::thread([] { running->io.run(); });
    return port;
}

void stopServer() {
    if (!running)
        return;
    running->io.stop();
    if (running->thread.joinable())
        running->thread.join();
    finish();
}

int runServer(const ServerOptions& options) {
    std::string why;
    const int port = prepare(options, why);
    if (port == 0) {
        std::fprintf(stderr, "kaveto-server: %s\n", why.c_str());
        finish();
        return 1;
    }
    std::printf("kaveto-server: listening on http://%s:%d/\n", options.listen.c_str(), port);
    std::fflush(stdout);
    net::signal_set signals(running->io, SIGINT, SIGTERM);
    signals.async_wait([](beast::error_code, int) { running->io.stop(); });
    running->io.run();
    finish();
    return 0;
}
