#ifndef KAVETO_TOOLS_WSRAW_H
#define KAVETO_TOOLS_WSRAW_H

// A WebSocket client written from the protocol's frames over a plain TCP
// socket, for the tests and the benchmark: it sends what a well-behaved
// client would not, and reads what the server answers, byte for byte.

#include <string>
#include <vector>

// A TCP connection to 127.0.0.1:port, without Nagle's delay, from another
// loopback address if asked; -1 when refused.
int loopbackConnection(int port, const char* from = nullptr);
// A frame as the client sends it: masked, with its opcode (1 text, 2 binary,
// 8 close, 9 ping, 10 pong).
std::string clientFrame(int opcode, const std::string& payload, bool final = true);
// Takes one whole frame from the front of what was read: its opcode and
// payload; false while the frame is not whole.
bool takeFrame(std::string& read, int& opcode, std::string& payload);

class RawSocket {
  public:
    RawSocket() = default;
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;
    ~RawSocket();

    // Connects to 127.0.0.1:port, leaving the connection it had; false when it cannot.
    bool connectTo(int port);
    // Connects and asks for the WebSocket at path, with extra header lines
    // (each ending in \r\n); true when the server answers 101. The answer's
    // status line is kept in `answer`.
    bool open(int port, const std::string& path, const std::string& headers = "");
    // Sends bytes as they are.
    bool sendRaw(const std::string& bytes);
    bool sendText(const std::string& text) { return sendRaw(clientFrame(1, text)); }
    // The next text message, answering pings on the way; false on a close
    // (its code in closeCode), the end of the connection, or the time-out.
    bool receive(std::string& text, int milliseconds = 5000);
    // Sends the text and expects that answer next.
    bool ask(const std::string& text, const std::string& expected);
    // Whether the server ended the connection (a close frame or the end of
    // the stream) within the time.
    bool closedWithin(int milliseconds);

    int fd = -1;
    int closeCode = 0;
    // The loopback address it connects from (127.0.0.2 …); the system's if empty.
    std::string from;
    std::string answer;

  private:
    std::string read;
};

// A seat taken in a room: "seat S TOKEN MOVES" read into its parts.
struct Seat {
    RawSocket socket;
    int seat = -1;
    std::string token, moves;
    // Opens /ws/CODE, says hello, and reads the seat; false when no seat came.
    bool take(int port, const std::string& code, const std::string& hello);
};

// What a watcher of the room is told as it comes, a line a message, up to a
// moment's silence: "seat 0 - MOVES" first, "start" once both seats are
// taken; "" when there is no such room.
std::string watched(int port, const std::string& code);

// An HTTP request as it is, and the whole answer, up to the connection's end.
std::string fetch(int port, const std::string& request);

// A folder of its own under /tmp, removed with all it holds at the end.
struct TempFolder {
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    std::string path;
};
// The whole of a file; "" when it cannot be read.
std::string fileText(const std::string& path);

// kaveto-server ($KAVETO_SERVER) as a process of its own, keeping its games
// in the state folder, on the port asked for or one the system picks (0).
struct ServerProcess {
    // The state folder, the port, and more options, as kaveto-server takes them.
    ServerProcess(const std::string& state, int port, const std::vector<std::string>& more = {});
    ~ServerProcess();
    // Ends it at once, as a crash would.
    void kill();
    // Sends it a signal: SIGSTOP hangs it as a hung machine, SIGCONT lets it go on.
    void signal(int number) const;
    int pid = -1;
    // The port it listens on, read from its first line, and the operator's
    // port, from its second; 0 if it did not start.
    int port = 0, adminPort = 0;
};

// A PostgreSQL of its own in a folder under /tmp, on a Unix socket there,
// no TCP; its programs refuse root, so as root they run as nobody. Flushed
// to the disk only when `durable` (a benchmark's), not for a test.
struct Postgres {
    explicit Postgres(bool durable = false);
    ~Postgres();
    bool start();
    bool stop();
    TempFolder folder;
    bool durable;
    // The URI that kaveto-server's --store takes; empty if it did not start.
    std::string uri;
};

#endif
