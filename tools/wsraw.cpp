#include "wsraw.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <glob.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

std::string clientFrame(int opcode, const std::string& payload, bool final) {
    static std::mt19937 random(7);
    std::string frame;
    frame += static_cast<char>((final ? 0x80 : 0) | opcode);
    const size_t n = payload.size();
    if (n < 126) {
        frame += static_cast<char>(0x80 | n);
    } else if (n < 65536) {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(n >> 8);
        frame += static_cast<char>(n & 255);
    } else {
        frame += static_cast<char>(0x80 | 127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += static_cast<char>((n >> shift) & 255);
    }
    char mask[4];
    for (char& m : mask)
        m = static_cast<char>(random());
    frame.append(mask, 4);
    for (size_t i = 0; i < n; i++)
        frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    return frame;
}

bool takeFrame(std::string& read, int& opcode, std::string& payload) {
    if (read.size() < 2)
        return false;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(read.data());
    size_t length = b[1] & 127, at = 2;
    if (length == 126) {
        if (read.size() < 4)
            return false;
        length = static_cast<size_t>(b[2]) << 8 | b[3];
        at = 4;
    } else if (length == 127) {
        if (read.size() < 10)
            return false;
        length = 0;
        for (int i = 0; i < 8; i++)
            length = length << 8 | b[2 + i];
        at = 10;
    }
    if (read.size() < at + length)
        return false;
    opcode = b[0] & 15;
    payload = read.substr(at, length);
    read.erase(0, at + length);
    return true;
}

int loopbackConnection(int port, const char* from) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in source = {};
    source.sin_family = AF_INET;
    if (from != nullptr && (inet_pton(AF_INET, from, &source.sin_addr) != 1 ||
                            bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0)) {
        close(fd);
        return -1;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

RawSocket::~RawSocket() {
    if (fd >= 0)
        close(fd);
}

bool RawSocket::connectTo(int port) {
    if (fd >= 0)
        close(fd);
    read.clear();
    closeCode = 0;
    fd = loopbackConnection(port, from.empty() ? nullptr : from.c_str());
    return fd >= 0;
}

bool RawSocket::open(int port, const std::string& path, const std::string& headers) {
    if (!connectTo(port))
        return false;
    sendRaw("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
            "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n" +
            headers + "\r\n");
    // The answer's header, up to its blank line; frames may follow it.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    size_t blank;
    while ((blank = read.find("\r\n\r\n")) == std::string::npos) {
        pollfd p = {fd, POLLIN, 0};
        if (std::chrono::steady_clock::now() > end || poll(&p, 1, 100) < 0)
            return false;
        char buffer[4096];
        const ssize_t got = p.revents ? recv(fd, buffer, sizeof buffer, 0) : 0;
        if (p.revents && got <= 0)
            return false;
        read.append(buffer, got > 0 ? static_cast<size_t>(got) : 0);
    }
    answer = read.substr(0, read.find("\r\n"));
    read.erase(0, blank + 4);
    return answer.find(" 101 ") != std::string::npos;
}

bool RawSocket::sendRaw(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool RawSocket::receive(std::string& text, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int opcode;
        std::string payload;
        while (takeFrame(read, opcode, payload)) {
            if (opcode == 1) {
                text = payload;
                return true;
            }
            if (opcode == 9)
                sendRaw(clientFrame(10, payload));
            if (opcode == 8) {
                closeCode = payload.size() >= 2 ? static_cast<unsigned char>(payload[0]) << 8 |
                                                      static_cast<unsigned char>(payload[1])
                                                : 1005;
                return false;
            }
        }
        // Rounded up: a wait of a millisecond polls for one.
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now() + std::chrono::microseconds(999))
                .count());
        pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0)
            return false;
        char buffer[65536];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            closeCode = closeCode == 0 ? 1006 : closeCode;
            return false;
        }
        read.append(buffer, static_cast<size_t>(got));
    }
}

bool RawSocket::ask(const std::string& text, const std::string& expected) {
    std::string got;
    return sendText(text) && receive(got) && got == expected;
}

bool RawSocket::closedWithin(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::string text;
    while (std::chrono::steady_clock::now() < end) {
        // Rounded up: a wait of a millisecond polls for one.
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now() + std::chrono::microseconds(999))
                .count());
        if (!receive(text, std::max(1, left)))
            return closeCode != 0;
    }
    return false;
}

bool Seat::take(int port, const std::string& code, const std::string& hello) {
    std::string answer;
    if (!socket.open(port, "/ws/" + code) || !socket.sendText(hello) || !socket.receive(answer))
        return false;
    char tokenRead[64] = "", movesRead[64] = "";
    if (std::sscanf(answer.c_str(), "seat %d %63s %63s", &seat, tokenRead, movesRead) != 3)
        return false;
    token = tokenRead;
    moves = movesRead;
    return true;
}

std::string watched(int port, const std::string& code) {
    RawSocket watcher;
    std::string told, got;
    if (!watcher.open(port, "/ws/" + code) || !watcher.sendText("hello 1 watch"))
        return "";
    while (watcher.receive(got, 200))
        told += got + "\n";
    return told.rfind("seat 0 ", 0) == 0 ? told : "";
}

std::string fetch(int port, const std::string& request) {
    RawSocket s;
    if (!s.connectTo(port) || !s.sendRaw(request))
        return "";
    std::string answer;
    char buffer[4096];
    ssize_t got;
    while ((got = recv(s.fd, buffer, sizeof buffer, 0)) > 0)
        answer.append(buffer, static_cast<size_t>(got));
    return answer;
}

TempFolder::TempFolder() {
    char name[] = "/tmp/kaveto-test.XXXXXX";
    if (mkdtemp(name) != nullptr)
        path = name;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove_all(path, ignored);
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ServerProcess::ServerProcess(const std::string& state, int asked,
                             const std::vector<std::string>& more) {
    int out[2];
    if (pipe(out) != 0)
        return;
    pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        // Its lines of games started and ended are not the test's.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 2);
        const std::string portText = std::to_string(asked);
        const char* path = std::getenv("KAVETO_SERVER");
        // The operator's address on a port of the system's choosing, as
        // several servers may run at once.
        std::vector<const char*> argv = {path,          "--port",  portText.c_str(), "--state",
                                         state.c_str(), "--admin", "127.0.0.1:0"};
        for (const std::string& option : more)
            argv.push_back(option.c_str());
        argv.push_back(nullptr);
        execv(path, const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    close(out[1]);
    // "kaveto-server: listening on http://127.0.0.1:PORT/", then the
    // operator's "… http://127.0.0.1:PORT/"
    int* ports[2] = {&port, &adminPort};
    for (int* found : ports) {
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        const size_t colon = line.rfind(':');
        if (colon != std::string::npos)
            *found = std::atoi(line.c_str() + colon + 1);
    }
    close(out[0]);
}

void ServerProcess::signal(int number) const {
    if (pid > 0)
        ::kill(pid, number);
}

void ServerProcess::kill() {
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

ServerProcess::~ServerProcess() { kill(); }

namespace {

// One of PostgreSQL's programs, as Debian installs them.
std::string postgresProgram(const std::string& name) {
    glob_t found;
    std::string path;
    if (glob(("/usr/lib/postgresql/*/bin/" + name).c_str(), 0, nullptr, &found) == 0)
        path = found.gl_pathv[found.gl_pathc - 1];
    globfree(&found);
    return path;
}

// Runs a program, quiet, as nobody when this is root; whether it succeeded.
bool runQuietly(const std::vector<std::string>& words) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(126);
        std::vector<char*> argv;
        for (const std::string& word : words)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace

Postgres::Postgres(bool durable) : durable(durable) {
    chmod(folder.path.c_str(), 0755);
    if (getuid() == 0 && chown(folder.path.c_str(), 65534, 65534) != 0)
        return;
    if (runQuietly({postgresProgram("initdb"), "-D", folder.path + "/data", "-U", "kaveto",
                    "--auth=trust", "--no-sync"}) &&
        start())
        uri = "postgresql:///postgres?host=" + folder.path + "&user=kaveto";
}

Postgres::~Postgres() { stop(); }

bool Postgres::start() {
    return runQuietly(
        {postgresProgram("pg_ctl"), "-D", folder.path + "/data", "-l", folder.path + "/log", "-w",
         "-o",
         "-k " + folder.path + " -h '' -c max_connections=50" + (durable ? "" : " -c fsync=off"),
         "start"});
}

bool Postgres::stop() {
    return runQuietly(
        {postgresProgram("pg_ctl"), "-D", folder.path + "/data", "-m", "fast", "-w", "stop"});
}
