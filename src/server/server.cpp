#include "server.h"

#include "metrics.h"
#include "pairing.h"
#include "platform.h"
#include "protocol.h"
#include "room.h"
#include "store.h"

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
#include <thread>
#include <utility>

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
  --state DIR     the folder of the server's state ($XDG_STATE_HOME/kaveto-server)
  --store STORE   where unfinished games are kept through a restart:
                  sqlite:PATH (DIR/games.sqlite; the rooms' files of an older
                  server in DIR are moved in at start), postgresql://... (a
                  database that several servers share), or folder (a file a
                  room in DIR)
  --lease S       seconds a server's hold on a room in a shared database
                  lasts unrenewed; another takes it over after (15)
  --origin URL    a page that may open games besides the server's own;
                  as often as needed
  --grace S       seconds a dropped player keeps the seat (60)
  --move-time S   seconds a player paired with a stranger (/ws/pair) has to
                  move before losing the seat (120; 0: no limit); games by
                  code have none
  --message-limit BYTES, --rate PER-SECOND, --queue MESSAGES,
  --header-limit BYTES, --silence S, --per-address N, --rooms N
                  the limits (256, 20, 64, 8192, 10, 32, 10000)
  --admin ADDR:PORT
                  the operator's address, never the public one: /healthz,
                  /readyz and /metrics (127.0.0.1:7743; none: no such address)
  --drain S       on SIGTERM, seconds before every player is closed with 1012
                  so that they reconnect elsewhere; /readyz answers 503 at
                  once, and no connection is taken (5)
  --waiting-rooms N, --rooms-per-minute N
                  the rooms one address may have waiting for a second player,
                  and make in a minute (4, 10)
  --health ADDR:PORT
                  ask a server's operator address whether it runs: status 0
                  when it does, 1 when not (a container's health check)
  --help          print this and exit
)";

namespace {

/* ---------------- The server's state, on its one thread ---------------- */

class Session;

struct State {
    ServerOptions options;
    net::io_context* io = nullptr;
    std::unique_ptr<RoomStore> store;
    std::unique_ptr<Rooms> rooms;
    std::unique_ptr<Pairing> pairing;
    std::map<std::string, int> connections;
    std::string webRoot;
    // The players' and watchers' connections open now.
    std::set<Session*> sessions;
    // What /metrics tells; what the transport refused, by why.
    ServerFigures figures;
    std::map<std::string, long> refused;
    // Since SIGTERM: /readyz says so, no connection is taken.
    bool draining = false;
    // The connections whose messages wait for the store's commit, and whether it is asked for.
    std::vector<std::shared_ptr<Session>> held;
    bool flushing = false;
};

State* state = nullptr;

void flush();

// After the rooms have acted: what they kept is made durable before its
// answers go, in one commit for all that came at once; the rooms the store
// lost are let go.
void settle() {
    RoomStore* store = state->store.get();
    if (store == nullptr)
        return;
    if (!store->pending()) {
        for (const std::string& code : store->takeLost())
            state->rooms->release(code);
    } else if (!state->flushing) {
        state->flushing = true;
        net::post(*state->io, flush);
    }
}

// Says why something was refused, and counts it.
void refuse(const std::string& why, const std::string& line) {
    state->refused[why]++;
    if (state->options.log)
        std::fprintf(stderr, "kaveto-server: %s\n", line.c_str());
}

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

/* ---------------- A player's or a watcher's connection ---------------- */

class Session : public std::enable_shared_from_this<Session>, public Peer {
  public:
    Session(tcp::socket&& socket, std::shared_ptr<Counted> counted)
        : ws(std::move(socket)), counted(std::move(counted)), hello(ws.get_executor()) {
        address = this->counted->address;
        state->sessions.insert(this);
    }
    ~Session() override { state->sessions.erase(this); }

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

    // Sends a message once what the rooms kept is durable.
    void send(const std::string& message) override {
        if (closing)
            return;
        if (state->store != nullptr && state->store->pending()) {
            if (held.empty())
                state->held.push_back(shared_from_this());
            held.push_back(message);
            return;
        }
        deliver(message);
    }

    // What waited for the commit goes.
    void release() {
        if (held.empty())
            return;
        for (const std::string& message : held)
            deliver(message);
        held.clear();
        if (closing && queue.empty() && closeCode != websocket::close_code::none)
            ws.async_close(closeCode, [self = shared_from_this()](beast::error_code) {});
    }

    void discard() override { held.clear(); }

    // Closes with that code once what is queued has gone.
    void closeWith(websocket::close_code code) {
        if (closing)
            return;
        closing = true;
        closeCode = code;
        if (queue.empty() && held.empty())
            ws.async_close(closeCode, [self = shared_from_this()](beast::error_code) {});
    }

    void close(int code) override { closeWith(static_cast<websocket::close_code>(code)); }

  private:
    // Writes a message, or closes the connection of a reader that is too slow.
    void deliver(const std::string& message) {
        if (closing && closeCode == websocket::close_code::none)
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
                           else if (self->closing && self->held.empty() &&
                                    self->closeCode != websocket::close_code::none)
                               self->ws.async_close(self->closeCode, [self](beast::error_code) {});
                       });
    }

    void gone() {
        hello.cancel();
        if (roomCode == "pair")
            state->pairing->lost(*this);
        else
            state->rooms->lost(*this);
        settle();
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
            refuse("flood", "closed " + address + ": a flood of messages");
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
        const Clock::time_point start = Clock::now();
        if (roomCode == "pair")
            state->pairing->message(*this, words);
        else
            state->rooms->message(*this, roomCode, words);
        settle();
        if (words[0] == "move")
            state->figures.move.add(std::chrono::duration<double>(Clock::now() - start).count());
    }

    websocket::stream<beast::tcp_stream> ws;
    beast::flat_buffer buffer;
    std::deque<std::string> queue, held;
    std::shared_ptr<Counted> counted;
    std::string roomCode;
    net::steady_timer hello;
    double tokens = 0;
    Clock::time_point lastRefill;
    bool closing = false;
    websocket::close_code closeCode = websocket::close_code::none;
};

// The store's commit, then the answers that waited for it; a room whose
// events it lost is let go, and its answers with it.
void flush() {
    state->flushing = false;
    state->store->flush();
    for (const std::string& code : state->store->takeLost())
        state->rooms->release(code);
    for (const std::shared_ptr<Session>& session : std::exchange(state->held, {}))
        session->release();
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

// The operator's page, on the admin address only.
std::string metricsPage() {
    ServerFigures& f = state->figures;
    const Rooms::Counts& counts = state->rooms->counts();
    f.connections = static_cast<long>(state->sessions.size());
    f.rooms = static_cast<long>(state->rooms->size());
    f.waiting = static_cast<long>(state->pairing->size());
    f.storeUp = state->store == nullptr || state->store->ready();
    f.started = counts.started;
    f.over = counts.over;
    f.abandoned = counts.abandoned;
    f.moves = counts.moves;
    f.refused = state->refused;
    for (const auto& [why, count] : state->rooms->refusals())
        f.refused[why] += count;
    return metricsText(f);
}

// Whether the server takes games: not draining, its store answering.
bool ready() { return !state->draining && (state->store == nullptr || state->store->ready()); }

class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(tcp::socket&& socket, std::string address, bool admin = false)
        : stream(std::move(socket)), counted(std::make_shared<Counted>(address)),
          address(std::move(address)), admin(admin) {}

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

    // /healthz while the loop runs, /readyz while it takes games, /metrics.
    void answerAdmin(const http::request<http::string_body>& request) {
        const std::string target(request.target());
        if (target == "/healthz")
            reply(http::status::ok, "ok\n", request);
        else if (target == "/readyz")
            reply(ready() ? http::status::ok : http::status::service_unavailable,
                  state->draining ? "draining\n"
                  : ready()       ? "ready\n"
                                  : "no store\n",
                  request);
        else if (target == "/metrics")
            reply(http::status::ok, metricsPage(), request, "text/plain; version=0.0.4");
        else
            reply(http::status::not_found, "not found\n", request);
    }

    void handle(http::request<http::string_body> request) {
        const std::string target(request.target());
        if (admin) {
            answerAdmin(request);
            return;
        }
        if (websocket::is_upgrade(request)) {
            const std::string code = target.rfind("/ws/", 0) == 0 ? target.substr(4) : "";
            if (!isRoomCode(code) && code != "pair") {
                reply(http::status::not_found, "no such game\n", request);
                return;
            }
            if (!originAllowed(request)) {
                refuse("origin", "refused " + address + ": a page from " +
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
    bool admin;
};

/* ---------------- Accepting, and the games kept on disk ---------------- */

void accept(tcp::acceptor& acceptor, bool admin = false) {
    acceptor.async_accept([&acceptor, admin](beast::error_code error, tcp::socket socket) {
        if (error == net::error::operation_aborted)
            return;
        if (!error && admin) {
            beast::error_code ignored;
            std::make_shared<HttpSession>(std::move(socket), "admin", true)->run();
        } else if (!error) {
            beast::error_code ignored;
            const std::string address = socket.remote_endpoint(ignored).address().to_string();
            const auto open = state->connections.find(address);
            if (open != state->connections.end() && open->second >= state->options.perAddress) {
                refuse("connections", "refused " + address + ": too many connections");
                socket.close(ignored);
            } else {
                socket.set_option(tcp::no_delay(true), ignored);
                std::make_shared<HttpSession>(std::move(socket), address)->run();
            }
        }
        accept(acceptor, admin);
    });
}

// Once a minute: a game over or abandoned an hour ago is forgotten.
void sweep(net::steady_timer& timer) {
    timer.expires_after(std::chrono::minutes(1));
    timer.async_wait([&timer](beast::error_code error) {
        if (error)
            return;
        state->rooms->sweep(Clock::now());
        settle();
        sweep(timer);
    });
}

// A third of a lease: the rooms held in a shared store are held on.
void renew(net::steady_timer& timer) {
    timer.expires_after(std::chrono::milliseconds(state->options.lease * 1000 / 3));
    timer.async_wait([&timer](beast::error_code error) {
        if (error)
            return;
        state->store->renew();
        settle();
        renew(timer);
    });
}

/* ---------------- Running ---------------- */

// The state first, so that it outlives the connections that the
// io_context's end destroys.
struct Running {
    State state;
    net::io_context io{1};
    tcp::acceptor acceptor{io}, adminAcceptor{io};
    net::steady_timer sweeper{io}, drainer{io}, renewer{io};
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

// The operator's address, ADDR:PORT, where one is asked for.
bool listenForAdmin(Running& r, std::string& why) {
    const std::string& asked = r.state.options.admin;
    if (asked.empty())
        return true;
    const size_t colon = asked.rfind(':');
    int port = 0;
    beast::error_code error;
    const net::ip::address address =
        net::ip::make_address(asked.substr(0, colon == std::string::npos ? 0 : colon), error);
    if (error || !wordNumber(asked.substr(colon + 1), 0, 65535, port)) {
        why = "--admin: '" + asked + "' is not ADDRESS:PORT";
        return false;
    }
    r.adminAcceptor.open(address.is_v6() ? tcp::v6() : tcp::v4(), error);
    r.adminAcceptor.set_option(net::socket_base::reuse_address(true), error);
    r.adminAcceptor.bind(tcp::endpoint(address, static_cast<unsigned short>(port)), error);
    if (!error)
        r.adminAcceptor.listen(net::socket_base::max_listen_connections, error);
    if (error) {
        why = "cannot listen for the operator on " + asked + " (" + error.message() + ")";
        return false;
    }
    accept(r.adminAcceptor, true);
    return true;
}

// SIGTERM: /readyz answers 503 and no connection is taken; after the drain
// every player and watcher is closed with 1012 (the service restarts), so
// that they come back, here or elsewhere; then the loop ends.
void drain(Running& r) {
    r.state.draining = true;
    beast::error_code ignored;
    r.acceptor.close(ignored);
    r.drainer.expires_after(std::chrono::seconds(r.state.options.drain));
    r.drainer.async_wait([&r](beast::error_code error) {
        if (error)
            return;
        for (Session* session : std::set<Session*>(r.state.sessions))
            session->close(static_cast<int>(websocket::close_code::service_restart));
        // A moment for the closes to go out.
        r.drainer.expires_after(std::chrono::milliseconds(200));
        r.drainer.async_wait([&r](beast::error_code) { r.io.stop(); });
    });
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
    if (!options.store.empty() && options.store != "folder") {
        if (options.openDatabase == nullptr) {
            why = "--store: this build keeps games in a folder only";
            return 0;
        }
        r.state.store = options.openDatabase(options, why);
        if (r.state.store == nullptr)
            return 0;
    } else if (!options.state.empty()) {
        r.state.store = std::make_unique<FolderStore>(options.state);
    }
    if (r.state.store != nullptr)
        r.state.store->wrote = [&r](double seconds) { r.state.figures.storeWrite.add(seconds); };
    auto later = [&r](int seconds, std::function<void()> call) {
        auto timer = std::make_shared<net::steady_timer>(r.io);
        timer->expires_after(std::chrono::seconds(seconds));
        timer->async_wait([timer, call](beast::error_code error) {
            if (error)
                return;
            call();
            settle();
        });
    };
    r.state.rooms = std::make_unique<Rooms>(
        options.grace, options.rooms,
        AddressLimits{options.waitingRooms, static_cast<double>(options.roomsPerMinute)},
        r.state.store.get(), later, logLine);
    r.state.rooms->moveTime = options.moveTime;
    r.state.pairing = std::make_unique<Pairing>(*r.state.rooms, later);
    const int port = listenOn(r, why);
    if (port == 0 || !listenForAdmin(r, why))
        return 0;
    r.state.rooms->load();
    accept(r.acceptor);
    sweep(r.sweeper);
    if (r.state.store != nullptr && r.state.store->shared())
        renew(r.renewer);
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
    options.admin = "127.0.0.1:7743";
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
        else if (name == "--store")
            options.store = value;
        else if (name == "--lease" && whole(3, 3600))
            options.lease = number;
        else if (name == "--origin")
            options.origins.push_back(value);
        else if (name == "--grace" && whole(1, 86400))
            options.grace = number;
        else if (name == "--move-time" && whole(0, 86400))
            options.moveTime = number;
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
        else if (name == "--admin")
            options.admin = value == "none" ? "" : value;
        else if (name == "--drain" && whole(0, 3600))
            options.drain = number;
        else if (name == "--waiting-rooms" && whole(1, 1000000))
            options.waitingRooms = number;
        else if (name == "--rooms-per-minute" && whole(1, 1000000))
            options.roomsPerMinute = number;
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

int checkHealth(const std::string& admin) {
    const size_t colon = admin.rfind(':');
    try {
        net::io_context io;
        tcp::resolver resolver(io);
        beast::tcp_stream stream(io);
        stream.expires_after(std::chrono::seconds(5));
        stream.connect(resolver.resolve(admin.substr(0, colon), admin.substr(colon + 1)));
        http::request<http::empty_body> request(http::verb::get, "/healthz", 11);
        request.set(http::field::host, admin);
        http::write(stream, request);
        beast::flat_buffer buffer;
        http::response<http::string_body> response;
        http::read(stream, buffer, response);
        return response.result() == http::status::ok ? 0 : 1;
    } catch (const std::exception&) {
        return 1;
    }
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
    if (!options.admin.empty())
        std::printf("kaveto-server: the operator's address http://%s:%d/\n",
                    running->adminAcceptor.local_endpoint().address().to_string().c_str(),
                    running->adminAcceptor.local_endpoint().port());
    std::fflush(stdout);
    net::signal_set signals(running->io, SIGINT, SIGTERM);
    signals.async_wait([](beast::error_code error, int signal) {
        if (error)
            return;
        if (signal == SIGTERM)
            drain(*running);
        else
            running->io.stop();
    });
    running->io.run();
    finish();
    return 0;
}
