#include "client.h"

#include "platform.h"
#include "server.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#ifdef KAVETO_TLS
#include <boost/asio/ssl.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket/ssl.hpp>
#endif

#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

namespace beast = boost::beast;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

/* The connection runs on a thread of its own, which keeps it alive with
   pings whatever the game's window is doing (a window dragged on Windows
   stops the toolkit's timers); the game takes its events from a queue. */

namespace {

std::mutex lock;
std::vector<ClientEvent> events;
// Each connection's number; events of one that is closed are dropped.
unsigned generation = 0;

void post(unsigned from, int kind, const std::string& text) {
    std::lock_guard<std::mutex> held(lock);
    if (from == generation)
        events.push_back({kind, text});
}

class Link {
  public:
    virtual ~Link() = default;
    virtual void start() = 0;
    virtual void send(std::string text) = 0;
};

#ifdef KAVETO_TLS
net::ssl::context& tlsContext() {
    // Certificates are checked against the system's store.
    static net::ssl::context context = [] {
        net::ssl::context made(net::ssl::context::tls_client);
        made.set_default_verify_paths();
        made.set_verify_mode(net::ssl::verify_peer);
        return made;
    }();
    return context;
}
#endif

template <bool Secure> struct StreamOf { using type = beast::tcp_stream; };
#ifdef KAVETO_TLS
template <> struct StreamOf<true> { using type = beast::ssl_stream<beast::tcp_stream>; };
#endif

template <bool Secure>
class Connection : public Link, public std::enable_shared_from_this<Connection<Secure>> {
  public:
    Connection(net::io_context& io, GameAddress address, unsigned number)
        : resolver(io), ws(make(io)), address(std::move(address)), number(number) {}

    void start() override {
        auto self = this->shared_from_this();
        resolver.async_resolve(address.host, std::to_string(address.port),
                               [self](beast::error_code error, tcp::resolver::results_type found) {
                                   if (error)
                                       return self->failed("cannot find " + self->address.host);
                                   self->connect(found);
                               });
    }

    void send(std::string text) override {
        queue.push_back(std::move(text));
        if (open && queue.size() == 1)
            writeNext();
    }

  private:
    using Stream = typename StreamOf<Secure>::type;

    static websocket::stream<Stream> make(net::io_context& io) {
#ifdef KAVETO_TLS
        if constexpr (Secure)
            return websocket::stream<Stream>(io, tlsContext());
        else
#endif
            return websocket::stream<Stream>(io);
    }

    void connect(const tcp::resolver::results_type& found) {
        beast::get_lowest_layer(ws).expires_after(std::chrono::seconds(10));
        auto self = this->shared_from_this();
        beast::get_lowest_layer(ws).async_connect(found, [self](beast::error_code error,
                                                                const tcp::endpoint&) {
            if (error)
                return self->failed("cannot reach " + self->where() + " (" + error.message() + ")");
            beast::error_code ignored;
            beast::get_lowest_layer(self->ws).socket().set_option(tcp::no_delay(true), ignored);
            self->secure();
        });
    }

    void secure() {
#ifdef KAVETO_TLS
        if constexpr (Secure) {
            // The server's name, to find its certificate and to check it against.
            SSL_set_tlsext_host_name(ws.next_layer().native_handle(), address.host.c_str());
            ws.next_layer().set_verify_callback(net::ssl::host_name_verification(address.host));
            auto self = this->shared_from_this();
            ws.next_layer().async_handshake(
                net::ssl::stream_base::client, [self](beast::error_code error) {
                    if (error)
                        return self->failed("no trusted TLS with " + self->where() + " (" +
                                            error.message() + ")");
                    self->handshake();
                });
            return;
        }
#endif
        handshake();
    }

    void handshake() {
        ws.set_option(websocket::stream_base::decorator([](websocket::request_type& request) {
            request.set(beast::http::field::user_agent, "kaveto");
        }));
        auto self = this->shared_from_this();
        ws.async_handshake(address.host + ":" + std::to_string(address.port), "/ws/" + address.code,
                           [self](beast::error_code error) {
                               if (error)
                                   return self->failed("no game server at " + self->where() + " (" +
                                                       error.message() + ")");
                               self->opened();
                           });
    }

    void opened() {
        beast::get_lowest_layer(ws).expires_never();
        // Pings after 7.5 s of silence, and a close after 15 s without an answer.
        ws.set_option(websocket::stream_base::timeout{std::chrono::seconds(10),
                                                      std::chrono::seconds(15), true});
        ws.read_message_max(longestMessage);
        ws.text(true);
        open = true;
        post(number, clientOpened, "");
        if (!queue.empty())
            writeNext();
        read();
    }

    void read() {
        auto self = this->shared_from_this();
        ws.async_read(buffer, [self](beast::error_code error, size_t) {
            if (error)
                return self->failed("");
            post(self->number, clientMessage, beast::buffers_to_string(self->buffer.data()));
            self->buffer.clear();
            self->read();
        });
    }

    void writeNext() {
        auto self = this->shared_from_this();
        ws.async_write(net::buffer(queue.front()), [self](beast::error_code error, size_t) {
            if (error)
                return;
            self->queue.pop_front();
            if (!self->queue.empty())
                self->writeNext();
        });
    }

    void failed(const std::string& why) {
        if (closed)
            return;
        closed = true;
        post(number, clientClosed, why);
    }

    std::string where() const { return address.host + ":" + std::to_string(address.port); }

    tcp::resolver resolver;
    websocket::stream<Stream> ws;
    beast::flat_buffer buffer;
    std::deque<std::string> queue;
    GameAddress address;
    unsigned number;
    bool open = false, closed = false;
};

// The connection's thread and what it works on.
struct Running {
    net::io_context io{1};
    net::executor_work_guard<net::io_context::executor_type> work{io.get_executor()};
    std::shared_ptr<Link> link;
    std::thread thread;
};

std::unique_ptr<Running> running;

} // namespace

void clientDisconnect() {
    {
        std::lock_guard<std::mutex> held(lock);
        generation++;
        events.clear();
    }
    if (!running)
        return;
    running->io.stop();
    running->thread.join();
    running.reset();
}

void clientConnect(const GameAddress& address) {
    clientDisconnect();
    unsigned number;
    {
        std::lock_guard<std::mutex> held(lock);
        number = generation;
    }
#ifndef KAVETO_TLS
    if (address.secure) {
        post(number, clientClosed, "this build speaks ws:// only, not wss://");
        return;
    }
#endif
    running = std::make_unique<Running>();
#ifdef KAVETO_TLS
    if (address.secure)
        running->link = std::make_shared<Connection<true>>(running->io, address, number);
    else
#endif
        running->link = std::make_shared<Connection<false>>(running->io, address, number);
    std::shared_ptr<Link> link = running->link;
    net::post(running->io, [link] { link->start(); });
    running->thread = std::thread([io = &running->io] { io->run(); });
}

void clientSend(const std::string& text) {
    if (!running)
        return;
    std::shared_ptr<Link> link = running->link;
    net::post(running->io, [link, text] { link->send(text); });
}

std::vector<ClientEvent> clientEvents() {
    std::lock_guard<std::mutex> held(lock);
    std::vector<ClientEvent> taken;
    taken.swap(events);
    return taken;
}

namespace {

// This machine's own address as others on its network reach it: the one a
// packet to the outside would leave from (nothing is sent); else its name.
std::string machineAddress() {
    net::io_context io;
    net::ip::udp::socket probe(io);
    beast::error_code error;
    probe.connect(net::ip::udp::endpoint(net::ip::make_address("192.0.2.1"), 9), error);
    if (!error) {
        const std::string address = probe.local_endpoint(error).address().to_string();
        if (!error)
            return address;
    }
    return net::ip::host_name();
}

} // namespace

bool hostRoom(const std::string& code, GameAddress& address, std::string& tell, std::string& why) {
    static int port = 0;
    if (port == 0) {
        // Open to the other machines, on 7742 or the next port free; the
        // games it holds are kept beside the game's record.
        ServerOptions options;
        options.listen = "0.0.0.0";
        options.tries = 20;
        const std::string folder = dataFolder(true);
        options.state = folder.empty() ? "" : folder + "/kaveto/rooms";
        options.log = false;
        port = startServer(options, why);
        if (port == 0)
            return false;
    }
    address.secure = false;
    address.host = "127.0.0.1";
    address.port = port;
    address.code = code;
    tell = "kaveto --play " + machineAddress() + ":" + std::to_string(port) + "/" + code;
    return true;
}

bool defaultServer(const std::string&, GameAddress&) { return false; }
