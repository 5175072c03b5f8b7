// The server under load, on loopback: kaveto-server ($KAVETO_SERVER, or two
// behind HAProxy with --haproxy) holds many games of 27 moves at once, their
// players pausing before each move (0.1 to 0.3 s, or as --pause asks);
// reports how long a move takes to reach the other player (p50, p99), the
// store's writes, the servers' CPU seconds and peak memory, and checks that
// both players of every game saw the same moves. The games are kept in
// SQLite, or with --postgres in a PostgreSQL started here. Then many idle
// connections, and the memory each costs. A process plays 4,000 games at
// most, for the files a process may open. With --failover, one game behind
// HAProxy on two servers sharing a PostgreSQL: the server that holds it is
// killed, or hung (--hang), and both players come back through HAProxy.
//
//   kaveto-bench-online [GAMES] [IDLE] [--haproxy] [--postgres] [--pause MS-MS]
//                                                      (1000, 5000)
//   kaveto-bench-online --failover [--hang]
//   kaveto-bench-online --pairing    (1,000 players asking for an opponent over 10 s)

#include "platform.h"
#include "wsraw.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <queue>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A player: its socket, what it has read, its game's moves as it saw them,
// and when its last move went.
struct Player {
    int fd = -1;
    std::string read, seen;
    int seat = 0;
    bool handshaken = false;
    Clock::time_point sent;
};

struct Game {
    Player players[2];
    std::string moves;
    int heights[9] = {};
    // The player in seat 1 or 2: the seats go in the order the hellos came.
    Player& seated(int seat) { return players[0].seat == seat ? players[0] : players[1]; }
};

// A player's connection, which the loop reads as bytes come.
int connectTo(int port) {
    const int fd = loopbackConnection(port);
    if (fd >= 0)
        fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

bool sendAll(int fd, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n > 0)
            at += static_cast<size_t>(n);
        else if (n < 0 && errno != EAGAIN)
            return false;
    }
    return true;
}

std::string upgrade(int port, const std::string& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
}

// A process's CPU seconds, and its peak and present memory in KB.
void usage(int pid, double& cpu, long& peak, long& resident) {
    const std::string text = fileText("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; i++)
        if (i == 14 || i == 15)
            ticks += std::atol(field.c_str());
    cpu = static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            peak = std::atol(line.c_str() + 6);
        if (line.rfind("VmRSS:", 0) == 0)
            resident = std::atol(line.c_str() + 6);
    }
}

// HAProxy in front of two servers, sending both players of a room to one by
// hashing the room's path, each server checked on its /readyz; the
// configuration of docs/online.md.
struct Proxy {
    int pid = -1;
    std::string config;
    Proxy(int port, const ServerProcess& first, const ServerProcess& second) {
        config = "/tmp/kaveto-bench-haproxy.cfg";
        std::ofstream(config) << "global\n  maxconn 9000\ndefaults\n  mode http\n"
                                 "  timeout connect 5s\n  timeout client 60s\n"
                                 "  timeout server 60s\n  timeout tunnel 1h\n"
                                 "  option http-no-delay\nfrontend games\n  bind 127.0.0.1:"
                              << port
                              << "\n  default_backend kaveto\nbackend kaveto\n  balance uri\n"
                                 "  hash-type consistent\n  option httpchk GET /readyz\n"
                                 "  default-server inter 2s fall 2 rise 2 on-marked-down "
                                 "shutdown-sessions\n  server one 127.0.0.1:"
                              << first.port << " check port " << first.adminPort
                              << "\n  server two 127.0.0.1:" << second.port << " check port "
                              << second.adminPort << "\n";
        pid = fork();
        if (pid == 0) {
            execlp("haproxy", "haproxy", "-q", "-f", config.c_str(), nullptr);
            _exit(127);
        }
    }
    ~Proxy() {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        std::remove(config.c_str());
    }
};

int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

// What the players of some games saw: each move's time to the other
// player in ms, games finished, games whose players agree, errors.
struct Outcome {
    std::vector<double> latencies;
    int finished = 0, agreeing = 0, failures = 0;
};

// Plays games [first, first + count) through the port, the mover pausing
// between pause[0] and pause[1] ms, until all are over or the deadline.
Outcome play(int port, int first, int count, const int pause[2], Clock::time_point deadline) {
    Outcome out;
    std::mt19937 random(static_cast<unsigned>(42 + first));
    std::vector<Game> all(static_cast<size_t>(count));
    for (int g = 0; g < count; g++)
        for (int s = 0; s < 2; s++) {
            Player& p = all[g].players[s];
            p.fd = connectTo(port);
            char code[16];
            std::snprintf(code, sizeof code, "G%05d", first + g);
            if (p.fd < 0 || !sendAll(p.fd, upgrade(port, std::string("/ws/") + code))) {
                std::fprintf(stderr, "kaveto-bench-online: cannot connect player %d\n",
                             2 * (first + g) + s);
                out.failures++;
                return out;
            }
        }
    // Every socket in one epoll set; the moves due, soonest first.
    const int events = epoll_create1(0);
    for (size_t i = 0; i < 2 * all.size(); i++) {
        epoll_event wanted = {};
        wanted.events = EPOLLIN;
        wanted.data.u64 = i;
        epoll_ctl(events, EPOLL_CTL_ADD, all[i / 2].players[i % 2].fd, &wanted);
    }
    using Due = std::pair<Clock::time_point, size_t>;
    std::priority_queue<Due, std::vector<Due>, std::greater<Due>> due;
    std::uniform_int_distribution<int> pausing(pause[0], pause[1]);
    auto schedule = [&](size_t game, Clock::time_point at) {
        due.push({at + std::chrono::milliseconds(pausing(random)), game});
    };
    std::vector<epoll_event> ready(256);
    while (out.finished < count && Clock::now() < deadline) {
        Clock::time_point now = Clock::now();
        while (!due.empty() && due.top().first <= now) {
            Game& game = all[due.top().second];
            due.pop();
            Player& mover = game.seated(static_cast<int>(game.moves.size() % 2) + 1);
            int column;
            do
                column = static_cast<int>(random() % 9);
            while (game.heights[column] == 3);
            mover.sent = Clock::now();
            sendAll(mover.fd, clientFrame(1, "move " + std::to_string(game.moves.size()) + " " +
                                                 std::to_string(column + 1)));
        }
        const int wait =
            due.empty() ? 10
                        : static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               due.top().first - now)
                                               .count());
        const int n = epoll_wait(events, ready.data(), static_cast<int>(ready.size()),
                                 std::max(0, std::min(wait, 10)));
        for (int e = 0; e < n; e++) {
            const size_t i = ready[e].data.u64;
            Game& game = all[i / 2];
            Player& p = game.players[i % 2];
            char buffer[4096];
            const ssize_t got = recv(p.fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                continue;
            p.read.append(buffer, static_cast<size_t>(got));
            if (!p.handshaken) {
                const size_t end = p.read.find("\r\n\r\n");
                if (end == std::string::npos)
                    continue;
                p.handshaken = true;
                p.read.erase(0, end + 4);
                sendAll(p.fd, clientFrame(1, "hello 1 play"));
            }
            int opcode;
            std::string text;
            while (takeFrame(p.read, opcode, text)) {
                if (opcode == 9)
                    sendAll(p.fd, clientFrame(10, text));
                if (opcode != 1)
                    continue;
                const Clock::time_point at = Clock::now();
                if (text.rfind("seat ", 0) == 0) {
                    p.seat = text[5] - '0';
                } else if (text == "start" && p.seat == 1) {
                    schedule(i / 2, at);
                } else if (text.rfind("moved ", 0) == 0) {
                    const int move = std::atoi(text.c_str() + 6);
                    p.seen += text.back();
                    Player& mover = game.seated(move % 2 + 1);
                    if (&p != &mover) {
                        // The move has reached the other player.
                        out.latencies.push_back(
                            std::chrono::duration<double, std::milli>(at - mover.sent).count());
                        game.moves += text.back();
                        game.heights[text.back() - '1']++;
                        if (game.moves.size() < 27)
                            schedule(i / 2, at);
                    }
                } else if (text == "over" && p.seat == 2) {
                    out.finished++;
                } else if (text.rfind("error", 0) == 0) {
                    out.failures++;
                }
            }
        }
    }
    close(events);
    for (Game& game : all) {
        out.agreeing += game.players[0].seen == game.players[1].seen && game.moves.size() == 27 &&
                        game.players[0].seen == game.moves;
        for (Player& p : game.players)
            close(p.fd);
    }
    return out;
}

// The games played by processes of 4,000 games each, their outcomes merged.
Outcome playAll(int port, int games, const int pause[2], Clock::time_point deadline) {
    const int slice = 4000;
    if (games <= slice)
        return play(port, 0, games, pause, deadline);
    TempFolder results;
    std::vector<int> workers;
    for (int first = 0; first < games; first += slice) {
        const int pid = fork();
        if (pid == 0) {
            const Outcome out = play(port, first, std::min(slice, games - first), pause, deadline);
            std::ofstream file(results.path + "/" + std::to_string(first));
            file << out.finished << ' ' << out.agreeing << ' ' << out.failures << '\n';
            for (double latency : out.latencies)
                file << latency << '\n';
            file.close();
            _exit(0);
        }
        workers.push_back(pid);
    }
    Outcome all;
    for (int pid : workers)
        waitpid(pid, nullptr, 0);
    for (int first = 0; first < games; first += slice) {
        std::istringstream file(fileText(results.path + "/" + std::to_string(first)));
        int finished = 0, agreeing = 0, failures = 1;
        file >> finished >> agreeing >> failures;
        all.finished += finished;
        all.agreeing += agreeing;
        all.failures += failures;
        for (double latency; file >> latency;)
            all.latencies.push_back(latency);
    }
    return all;
}

// The mean and the 99th percentile's bucket of kaveto_store_write_seconds,
// in ms, from the server's /metrics.
void storeWrites(int adminPort, double& mean, double& p99) {
    std::istringstream page(fetch(adminPort, "GET /metrics HTTP/1.0\r\n\r\n"));
    std::vector<std::pair<double, double>> buckets;
    double sum = 0, count = 0;
    std::string line;
    const std::string name = "kaveto_store_write_seconds";
    while (std::getline(page, line)) {
        if (line.rfind(name + "_sum ", 0) == 0)
            sum = std::atof(line.c_str() + name.size() + 5);
        else if (line.rfind(name + "_count ", 0) == 0)
            count = std::atof(line.c_str() + name.size() + 7);
        else if (line.rfind(name + "_bucket{le=\"", 0) == 0)
            buckets.emplace_back(std::atof(line.c_str() + name.size() + 12),
                                 std::atof(line.c_str() + line.rfind(' ') + 1));
    }
    mean = count > 0 ? 1000 * sum / count : 0;
    p99 = 0;
    for (const auto& [bound, below] : buckets)
        if (below >= 0.99 * count) {
            p99 = 1000 * bound;
            break;
        }
}

// One game through the proxy; its server killed (or hung) after 9 moves;
// how long until both players have their seats back through the proxy,
// polling a tenth of a second apart; then the game to its end.
int failover(int port, std::vector<std::unique_ptr<ServerProcess>>& servers, bool hang) {
    Seat seats[2];
    std::string got;
    for (Seat& seat : seats)
        if (!seat.take(port, "FAILOVER", "hello 1 play"))
            return 1;
    const std::string columns = "513798642415736982493168527";
    auto move = [&](int n) {
        const std::string text = "move " + std::to_string(n) + " " + columns[n];
        if (!seats[n % 2].socket.sendText(text))
            return false;
        for (Seat& seat : seats)
            while (seat.socket.receive(got) && got != "moved" + text.substr(4)) {
            }
        return got == "moved" + text.substr(4);
    };
    for (int n = 0; n < 9; n++)
        if (!move(n))
            return 1;
    ServerProcess* holder = nullptr;
    for (auto& server : servers)
        if (fetch(server->adminPort, "GET /metrics HTTP/1.0\r\n\r\n").find("kaveto_rooms 1\n") !=
            std::string::npos)
            holder = server.get();
    if (holder == nullptr)
        return 1;
    const Clock::time_point lost = Clock::now();
    if (hang)
        holder->signal(SIGSTOP);
    else
        holder->kill();
    for (Seat& seat : seats) {
        const std::string token = seat.token;
        while (!seat.take(port, "FAILOVER", "hello 1 resume " + token) || seat.token != token) {
            if (Clock::now() - lost > std::chrono::seconds(60))
                return 1;
            usleep(100000);
        }
    }
    const double back = std::chrono::duration<double>(Clock::now() - lost).count();
    bool whole = seats[0].moves == columns.substr(0, 9) && seats[1].moves == seats[0].moves;
    for (int n = 9; n < 27 && whole; n++)
        whole = move(n);
    std::printf("failover: the server %s, both players back through HAProxy %.2f s later with "
                "every move; the game %s\n",
                hang ? "hung (SIGSTOP)" : "killed (SIGKILL)", back,
                whole ? "played to its end" : "NOT played to its end");
    if (hang)
        holder->signal(SIGCONT);
    return whole ? 0 : 1;
}

// 1,000 players arrive at /ws/pair over 10 s, one every 10 ms: how long
// from the second of a pair's hello until both are told their room.
int pairing(int port) {
    const int players = 1000;
    std::vector<std::unique_ptr<RawSocket>> sockets;
    std::vector<Clock::time_point> asked(players);
    std::vector<double> waits;
    std::vector<std::string> rooms(players);
    const Clock::time_point begin = Clock::now();
    int told = 0;
    while (told < players && Clock::now() - begin < std::chrono::seconds(40)) {
        const int due = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count() /
            10);
        while (static_cast<int>(sockets.size()) <= std::min(due, players - 1)) {
            sockets.push_back(std::make_unique<RawSocket>());
            asked[sockets.size() - 1] = Clock::now();
            if (!sockets.back()->open(port, "/ws/pair") ||
                !sockets.back()->sendText("hello 1 pair"))
                return 1;
        }
        // Those still waiting; a paired one's connection is closed.
        std::vector<pollfd> watched;
        for (size_t i = 0; i < sockets.size(); i++)
            watched.push_back({rooms[i].empty() ? sockets[i]->fd : -1, POLLIN, 0});
        ::poll(watched.data(), watched.size(), 2);
        for (size_t i = 0; i < watched.size(); i++) {
            std::string text;
            if ((watched[i].revents & POLLIN) == 0)
                continue;
            while (rooms[i].empty() && sockets[i]->receive(text, 1))
                if (text.rfind("paired ", 0) == 0) {
                    rooms[i] = text.substr(7);
                    told++;
                    // The pair is whole once its later player has asked.
                    const Clock::time_point now = Clock::now();
                    waits.push_back(
                        std::chrono::duration<double, std::milli>(now - asked[i]).count());
                }
        }
    }
    std::map<std::string, int> pairs;
    for (const std::string& room : rooms)
        pairs[room]++;
    int whole = 0;
    for (const auto& [room, count] : pairs)
        whole += !room.empty() && count == 2;
    std::sort(waits.begin(), waits.end());
    // Each pair's later player waits only for the server; its first, for the next to come.
    std::vector<double> later(waits.begin(), waits.begin() + static_cast<long>(waits.size() / 2));
    std::printf("pairing: %d players arriving over 10 s, %d told, %d rooms of two; the later of a "
                "pair told in p50 %.3f ms, p99 %.3f ms; every player told within p50 %.3f ms, "
                "max %.3f ms\n",
                players, told, whole, later.empty() ? 0 : later[later.size() / 2],
                later.empty() ? 0 : later[later.size() * 99 / 100],
                waits.empty() ? 0 : waits[waits.size() / 2], waits.empty() ? 0 : waits.back());
    return whole == players / 2 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    int games = 1000, idle = 5000;
    int pause[2] = {100, 300};
    bool proxied = false, postgres = false, failing = false, hang = false, pairs = false;
    int counts = 0;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--haproxy") == 0)
            proxied = true;
        else if (std::strcmp(argv[i], "--postgres") == 0)
            postgres = true;
        else if (std::strcmp(argv[i], "--failover") == 0)
            failing = proxied = postgres = true;
        else if (std::strcmp(argv[i], "--hang") == 0)
            hang = true;
        else if (std::strcmp(argv[i], "--pairing") == 0)
            pairs = true;
        else if (std::strcmp(argv[i], "--pause") == 0 && i + 1 < argc)
            std::sscanf(argv[++i], "%d-%d", &pause[0], &pause[1]);
        else
            (counts++ == 0 ? games : idle) = std::atoi(argv[i]);
    }
    allowManyFiles();
    TempFolder state;
    std::unique_ptr<Postgres> database;
    // Each server with its limits opened for a crowd from one address.
    std::vector<std::string> crowd = {"--per-address",      "100000", "--rooms",         "100000",
                                      "--silence",          "120",    "--waiting-rooms", "100000",
                                      "--rooms-per-minute", "1000000"};
    if (postgres) {
        database = std::make_unique<Postgres>(true);
        if (database->uri.empty()) {
            std::fprintf(stderr, "kaveto-bench-online: PostgreSQL did not start\n");
            return 1;
        }
        crowd.insert(crowd.end(), {"--store", database->uri});
    }
    std::vector<std::unique_ptr<ServerProcess>> servers;
    servers.push_back(std::make_unique<ServerProcess>(state.path + "/one", 0, crowd));
    if (proxied)
        servers.push_back(std::make_unique<ServerProcess>(state.path + "/two", 0, crowd));
    for (auto& server : servers)
        if (server->port == 0) {
            std::fprintf(stderr, "kaveto-bench-online: the server did not start\n");
            return 1;
        }
    std::unique_ptr<Proxy> proxy;
    int port = servers[0]->port;
    if (proxied) {
        port = freePort();
        proxy = std::make_unique<Proxy>(port, *servers[0], *servers[1]);
        RawSocket probe;
        for (int tries = 0; tries < 100 && !probe.connectTo(port); tries++)
            usleep(50000);
    }

    if (failing)
        return failover(port, servers, hang);
    if (pairs)
        return pairing(port);
    const Clock::time_point begin = Clock::now();
    Outcome out =
        playAll(port, games, pause,
                begin + std::chrono::milliseconds(27 * pause[1]) + std::chrono::seconds(60));
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    std::vector<double>& latencies = out.latencies;
    std::sort(latencies.begin(), latencies.end());
    auto quantile = [&](double q) {
        return latencies.empty() ? 0.0 : latencies[static_cast<size_t>(q * (latencies.size() - 1))];
    };
    std::printf("%d games of 27 moves%s, kept in %s, pauses of %d-%d ms: %d finished in %.1f s, "
                "%d with both players' moves agreeing, %d errors\n",
                games, proxied ? " behind HAProxy on two servers" : "",
                postgres ? "PostgreSQL" : "SQLite", pause[0], pause[1], out.finished, seconds,
                out.agreeing, out.failures);
    std::printf("a move to the other player: p50 %.3f ms, p99 %.3f ms over %zu moves\n",
                quantile(0.5), quantile(0.99), latencies.size());
    for (auto& server : servers) {
        double cpu, mean, p99;
        long peak = 0, resident = 0;
        usage(server->pid, cpu, peak, resident);
        storeWrites(server->adminPort, mean, p99);
        std::printf("server: %.2f CPU seconds, peak memory %.1f MB; a write to the store: mean "
                    "%.3f ms, p99 under %.2f ms\n",
                    cpu, peak / 1024.0, mean, p99);
    }
    proxy.reset();

    // Idle connections, each a WebSocket that has said hello as a watcher.
    if (!proxied && idle > 0) {
        double cpu;
        long peak = 0, before = 0, after = 0;
        RawSocket host;
        std::string seat;
        host.open(servers[0]->port, "/ws/IDLE");
        host.ask("hello 1 play", "");
        usage(servers[0]->pid, cpu, peak, before);
        std::vector<std::unique_ptr<RawSocket>> quiet;
        for (int i = 0; i < idle; i++) {
            quiet.push_back(std::make_unique<RawSocket>());
            if (!quiet.back()->open(servers[0]->port, "/ws/IDLE") ||
                !quiet.back()->sendText("hello 1 watch") || !quiet.back()->receive(seat)) {
                std::fprintf(stderr, "kaveto-bench-online: idle connection %d refused\n", i);
                break;
            }
        }
        usage(servers[0]->pid, cpu, peak, after);
        std::printf("%zu idle connections: %.1f KB each\n", quiet.size(),
                    static_cast<double>(after - before) / static_cast<double>(quiet.size()));
    }
    servers.clear();
    return out.agreeing == games ? 0 : 1;
}
