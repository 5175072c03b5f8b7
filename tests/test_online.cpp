// The server on loopback, met by clients written from the protocol's frames:
// hostile ones beside a game that completes, and a game that lives through
// the server killed outright and started again.

#include "protocol.h"
#include "room.h"
#include "server.h"
#include "store.h"
#include "wsraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The 27 moves of a game in which column 1 fills at move 19.
const std::string columns = "123456789123456789123456789";

// The mover sends move n; both players (and the watcher) read it back.
void play(Seat* players[2], int n, RawSocket* watcher = nullptr) {
    Seat& mover = *players[n % 2];
    const std::string move = "move " + std::to_string(n) + " " + columns[n];
    ASSERT_TRUE(mover.socket.sendText(move));
    for (RawSocket* s : {&players[0]->socket, &players[1]->socket, watcher}) {
        std::string got;
        if (s != nullptr) {
            ASSERT_TRUE(s->receive(got) && got == "moved" + move.substr(4)) << move << ": " << got;
        }
    }
}

TEST(Server, HostileClientsAreRefusedOrClosedWhileAGameBesideThemCompletes) {
    TempFolder state, web;
    std::ofstream(web.path + "/index.html") << "<!doctype html><title>Kaveto</title>";
    std::ofstream(web.path + "/kaveto.wasm") << "\\0asm";
    std::ofstream(state.path + "/../kaveto-secret") << "secret";
    ServerOptions options;
    options.port = 0;
    options.state = state.path;
    options.web = web.path;
    options.silence = 4;
    options.perAddress = 530;
    options.log = false;
    std::string why;
    const int port = startServer(options, why);
    ASSERT_GT(port, 0) << why;
    struct Stop {
        ~Stop() { stopServer(); }
    } stop;

    Seat one, two, watcher;
    ASSERT_TRUE(one.take(port, "GAME1", "hello 1 play"));
    ASSERT_TRUE(two.take(port, "GAME1", "hello 1 play"));
    EXPECT_EQ(one.seat, 1);
    EXPECT_EQ(two.seat, 2);
    EXPECT_EQ(one.moves, "-");
    std::string got;
    ASSERT_TRUE(one.socket.receive(got) && got == "start");
    ASSERT_TRUE(two.socket.receive(got) && got == "start");
    Seat* players[2] = {&one, &two};

    // Moves out of turn, stale, off the board; a resume with a wrong token.
    EXPECT_TRUE(two.socket.ask("move 0 1", "error turn"));
    EXPECT_TRUE(one.socket.ask("move 3 1", "error stale"));
    EXPECT_TRUE(one.socket.ask("move 0 10", "error column"));
    EXPECT_TRUE(one.socket.ask("move x 1", "error syntax"));
    Seat thief;
    EXPECT_FALSE(thief.take(port, "GAME1", "hello 1 resume " + std::string(32, 'a')));
    EXPECT_TRUE(thief.socket.ask("hello 1 play", "error seats")) << "two seats only";
    ASSERT_TRUE(watcher.take(port, "GAME1", "hello 1 watch"));
    EXPECT_EQ(watcher.seat, 0);
    ASSERT_TRUE(watcher.socket.receive(got) && got == "start");
    EXPECT_TRUE(watcher.socket.ask("move 0 1", "error watching"));

    // 500 connections that never speak, and the ones past the address's limit.
    std::vector<std::unique_ptr<RawSocket>> silent;
    for (int i = 0; i < 526; i++) {
        silent.push_back(std::make_unique<RawSocket>());
        ASSERT_TRUE(silent.back()->connectTo(port));
    }
    RawSocket past;
    ASSERT_TRUE(past.connectTo(port));
    EXPECT_TRUE(past.closedWithin(1000)) << "past the limit of 530 connections";
    EXPECT_FALSE(silent.back()->closedWithin(100));
    // Room for the hostile ones to come.
    silent.resize(500);
    for (int n = 0; n < 10; n++)
        play(players, n, &watcher.socket);

    // A message of a megabyte, a binary frame, bytes that are not UTF-8.
    for (const auto& [frame, code] :
         std::vector<std::pair<std::string, int>>{{clientFrame(1, std::string(1 << 20, 'x')), 1009},
                                                  {clientFrame(2, "hello 1 play"), 1003},
                                                  {clientFrame(1, "hello \xff\xfe"), 1007}}) {
        RawSocket hostile;
        ASSERT_TRUE(hostile.open(port, "/ws/HOST1"));
        hostile.sendRaw(frame);
        EXPECT_TRUE(hostile.closedWithin(2000));
        EXPECT_EQ(hostile.closeCode, code);
    }
    // A flood: the connection is closed as a policy breach.
    RawSocket flood;
    ASSERT_TRUE(flood.open(port, "/ws/HOST2"));
    for (int i = 0; i < 200; i++)
        flood.sendText("x");
    EXPECT_TRUE(flood.closedWithin(2000));
    EXPECT_EQ(flood.closeCode, 1008);
    // A page from elsewhere; the server's own page; a newer version.
    RawSocket foreign, own, newer;
    EXPECT_FALSE(foreign.open(port, "/ws/GAME1", "Origin: http://evil.example\r\n"));
    EXPECT_NE(foreign.answer.find("403"), std::string::npos) << foreign.answer;
    EXPECT_TRUE(
        own.open(port, "/ws/GAME1", "Origin: http://127.0.0.1:" + std::to_string(port) + "\r\n"));
    ASSERT_TRUE(newer.open(port, "/ws/GAME1"));
    EXPECT_TRUE(newer.ask("hello 2 play", "error version"));
    EXPECT_TRUE(newer.closedWithin(2000));
    for (int n = 10; n < 19; n++)
        play(players, n, &watcher.socket);
    // Column 1 is full now.
    EXPECT_TRUE(two.socket.ask("move 19 1", "error full"));

    // A header past its limit; the browser's files and nothing outside them.
    EXPECT_EQ(
        fetch(port, "GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(9000, 'a') + "\r\n\r\n")
            .find("200"),
        std::string::npos);
    const std::string page = fetch(port, "GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(page.rfind("HTTP/1.1 200", 0), 0u) << page;
    EXPECT_NE(page.find("Content-Type: text/html"), std::string::npos);
    EXPECT_NE(fetch(port, "GET /kaveto.wasm HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
                  .find("Content-Type: application/wasm"),
              std::string::npos);
    for (const char* outside : {"/../kaveto-secret", "/%2e%2e/kaveto-secret", "/..%2fsecret"})
        EXPECT_EQ(fetch(port, std::string("GET ") + outside +
                                  " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
                      .find("secret"),
                  std::string::npos)
            << outside;

    for (int n = 19; n < 27; n++)
        play(players, n, &watcher.socket);
    for (RawSocket* s : {&one.socket, &two.socket, &watcher.socket})
        EXPECT_TRUE(s->receive(got) && got == "over") << got;
    EXPECT_TRUE(one.socket.ask("move 27 1", "error over"));
    // Silent ones are closed once their silence has lasted.
    EXPECT_TRUE(silent[0]->closedWithin(8000));
    std::filesystem::remove(state.path + "/../kaveto-secret");
}

// A GET on the operator's address: the status code, and the body after it.
int get(int port, const std::string& path, std::string* body = nullptr) {
    const int fd = loopbackConnection(port);
    if (fd < 0)
        return 0;
    const std::string request =
        "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + "Connection: close\r\n\r\n";
    std::string answer;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    if (body != nullptr)
        *body = answer.substr(std::min(answer.size(), answer.find("\r\n\r\n") + 4));
    return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

TEST(Server, TheOperatorSeesHealthAndMetricsAndSigtermDrainsThePlayers) {
    TempFolder state;
    ServerProcess server(state.path, 0, {"--drain", "1"});
    ASSERT_GT(server.adminPort, 0);
    EXPECT_EQ(get(server.adminPort, "/healthz"), 200);
    EXPECT_EQ(get(server.adminPort, "/readyz"), 200);
    EXPECT_EQ(get(server.port, "/metrics"), 404) << "never on the public address";
    Seat one, two;
    ASSERT_TRUE(one.take(server.port, "OPER", "hello 1 play"));
    ASSERT_TRUE(two.take(server.port, "OPER", "hello 1 play"));
    std::string seen;
    for (int n = 0; n < 3; n++) {
        Seat& mover = n % 2 == 0 ? one : two;
        ASSERT_TRUE(mover.socket.sendText("move " + std::to_string(n) + " 5"));
        while (one.socket.receive(seen, 2000) && seen.rfind("moved " + std::to_string(n), 0) != 0) {
        }
    }
    std::string metrics;
    ASSERT_EQ(get(server.adminPort, "/metrics", &metrics), 200);
    for (const char* line :
         {"kaveto_moves_total 3\n", "kaveto_games_started_total 1\n", "kaveto_connections 2\n",
          "kaveto_rooms 1\n", "kaveto_move_seconds_count 3\n", "kaveto_waiting 0\n",
          "kaveto_store_up 1\n", "kaveto_store_write_seconds_count 5\n",
          "kaveto_build_info{version=\""})
        EXPECT_NE(metrics.find(line), std::string::npos) << line << " in\n" << metrics;
    {
        std::ofstream(state.path + "/metrics.txt") << metrics;
        const std::string check = "promtool check metrics < " + state.path + "/metrics.txt";
        EXPECT_EQ(std::system(check.c_str()), 0) << metrics;
    }
    // One address opens hundreds of rooms and leaves them before anyone
    // came: refused soon, first for its rooms waiting, then for its pace,
    // while a player from another address still gets a seat.
    int made = 0;
    std::vector<std::unique_ptr<Seat>> waiting;
    auto leave = [](Seat& seat) {
        EXPECT_TRUE(seat.socket.sendText("bye") && seat.socket.closedWithin(2000));
    };
    for (int i = 0; i < 300; i++) {
        // The first four rooms wait for a player until the tenth try; later
        // ones are left at once.
        if (i == 10)
            for (auto& kept : waiting)
                leave(*kept);
        auto hoarder = std::make_unique<Seat>();
        hoarder->socket.from = "127.0.0.2";
        if (!hoarder->take(server.port, "HOARD" + std::to_string(i), "hello 1 play"))
            continue;
        made++;
        if (waiting.size() < 4)
            waiting.push_back(std::move(hoarder));
        else
            leave(*hoarder);
    }
    // Ten a minute: one more if the machine took six seconds over it.
    EXPECT_GE(made, 10);
    EXPECT_LE(made, 11);
    Seat other;
    EXPECT_TRUE(other.take(server.port, "OTHER", "hello 1 play"));
    ASSERT_EQ(get(server.adminPort, "/metrics", &metrics), 200);
    for (const std::string& line :
         {std::string("kaveto_refused_total{reason=\"waiting\"} 6\n"),
          "kaveto_refused_total{reason=\"rate\"} " + std::to_string(300 - 6 - made) + "\n"})
        EXPECT_NE(metrics.find(line), std::string::npos) << line << " in\n" << metrics;

    // SIGTERM: not ready at once, the players closed with 1012 after the
    // drain, and the server ends with status 0.
    kill(server.pid, SIGTERM);
    int ready = 0;
    for (int tries = 0; tries < 90 && (ready = get(server.adminPort, "/readyz")) != 503; tries++)
        usleep(10000);
    EXPECT_EQ(ready, 503) << "not ready within 0.9 s of SIGTERM";
    std::string ignored;
    while (one.socket.receive(ignored, 3000)) {
    }
    EXPECT_EQ(one.socket.closeCode, 1012);
    int status = -1;
    waitpid(server.pid, &status, 0);
    server.pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(Server, AGameLivesThroughTheServerKilledOutrightAndStartedAgain) {
    TempFolder state;
    auto server = std::make_unique<ServerProcess>(state.path, 0);
    ASSERT_GT(server->port, 0);
    const int port = server->port;
    Seat one, two;
    ASSERT_TRUE(one.take(port, "KEPT", "hello 1 play"));
    ASSERT_TRUE(two.take(port, "KEPT", "hello 1 play"));
    std::string got;
    ASSERT_TRUE(one.socket.receive(got) && two.socket.receive(got));
    Seat* players[2] = {&one, &two};
    for (int n = 0; n < 13; n++)
        play(players, n);
    server->kill();
    EXPECT_FALSE(one.socket.receive(got, 2000)) << "the connection ends with the server";
    server = std::make_unique<ServerProcess>(state.path, port);
    ASSERT_EQ(server->port, port);
    // Each player back in their seat, every move there.
    Seat again[2];
    for (int s = 0; s < 2; s++) {
        ASSERT_TRUE(again[s].take(port, "KEPT", "hello 1 resume " + players[s]->token));
        EXPECT_EQ(again[s].seat, s + 1);
        EXPECT_EQ(again[s].moves, columns.substr(0, 13));
    }
    Seat* back[2] = {&again[0], &again[1]};
    // Each hears that it is started, and of the other's absence until it is back.
    for (Seat& s : again)
        while (s.socket.receive(got, 300)) {
        }
    for (int n = 13; n < 27; n++)
        play(back, n);
    EXPECT_TRUE(again[0].socket.receive(got) && got == "over");
}

// The next message that begins so, passing over others; "" if none came in time.
std::string awaited(RawSocket& socket, const std::string& start, int milliseconds = 3000) {
    std::string got;
    while (socket.receive(got, milliseconds))
        if (got.rfind(start, 0) == 0)
            return got;
    return "";
}

TEST(Server, StrangersArePairedExactlyInPairsAndOneWhoStallsLosesTheSeat) {
    TempFolder state;
    ServerProcess server(state.path, 0, {"--move-time", "2", "--per-address", "400"});
    ASSERT_GT(server.port, 0);
    auto arrive = [&](RawSocket& socket) {
        return socket.open(server.port, "/ws/pair") && socket.sendText("hello 1 pair");
    };
    std::mt19937 random(35);
    for (int count : {2, 3, 101}) {
        std::vector<std::unique_ptr<RawSocket>> players;
        std::vector<int> order(static_cast<size_t>(count));
        for (int i = 0; i < count; i++) {
            players.push_back(std::make_unique<RawSocket>());
            order[static_cast<size_t>(i)] = i;
        }
        std::shuffle(order.begin(), order.end(), random);
        for (int i : order)
            ASSERT_TRUE(arrive(*players[static_cast<size_t>(i)]));
        // Every one paired with exactly one other, but the odd one, who waits.
        std::map<std::string, std::vector<RawSocket*>> rooms;
        RawSocket* odd = nullptr;
        for (auto& player : players) {
            const std::string paired = awaited(*player, "paired ", 1500);
            if (paired.empty())
                odd = player.get();
            else
                rooms[paired.substr(7)].push_back(player.get());
        }
        EXPECT_EQ(rooms.size(), static_cast<size_t>(count / 2));
        for (const auto& [code, pair] : rooms)
            EXPECT_EQ(pair.size(), 2u) << code;
        EXPECT_EQ(odd != nullptr, count % 2 == 1);
        // Each pair's room: two different seats, no third, watchers welcome.
        const std::string code = rooms.begin()->first;
        Seat first, second, third, watcher;
        ASSERT_TRUE(first.take(server.port, code, "hello 1 play"));
        ASSERT_TRUE(second.take(server.port, code, "hello 1 play"));
        EXPECT_EQ(first.seat + second.seat, 3);
        EXPECT_FALSE(third.take(server.port, code, "hello 1 play"));
        EXPECT_EQ(third.socket.answer.substr(9, 3), "101");
        EXPECT_TRUE(watcher.take(server.port, code, "hello 1 watch"));
        if (count == 101) {
            // The one waiting is told that two now play.
            EXPECT_EQ(awaited(*odd, "waiting 1 2"), "waiting 1 2");
            EXPECT_TRUE(odd->sendText("bye") && odd->closedWithin(2000));
            // A game by code may pause; a paired player on turn who stalls
            // loses the seat after the move time, and the game is over.
            Seat one, two;
            ASSERT_TRUE(one.take(server.port, "FRIENDS", "hello 1 play"));
            ASSERT_TRUE(two.take(server.port, "FRIENDS", "hello 1 play"));
            Seat& onTurn = first.seat == 1 ? first : second;
            ASSERT_TRUE(onTurn.socket.sendText("move 0 5"));
            EXPECT_EQ(awaited(first.socket, "abandoned", 5000), "abandoned 2");
            EXPECT_EQ(awaited(watcher.socket, "abandoned"), "abandoned 2");
            EXPECT_EQ(awaited(one.socket, "abandoned", 100), "") << "friends may pause";
        }
    }
    // One who left the queue is never paired: the next two are.
    RawSocket gone, next, last;
    ASSERT_TRUE(arrive(gone));
    EXPECT_EQ(awaited(gone, "waiting ").substr(0, 10), "waiting 1 ");
    EXPECT_TRUE(gone.ask("hello 1 pair", "error hello")) << "one connection waits once";
    EXPECT_TRUE(gone.sendText("bye") && gone.closedWithin(2000));
    ASSERT_TRUE(arrive(next));
    EXPECT_EQ(awaited(next, "paired ", 1500), "");
    ASSERT_TRUE(arrive(last));
    const std::string paired = awaited(last, "paired ");
    EXPECT_FALSE(paired.empty());
    EXPECT_EQ(awaited(next, "paired "), paired);
}

/* ---------------- The rooms without sockets ---------------- */

// A connection that keeps what it is sent and how it was closed.
struct FakePeer : Peer {
    std::vector<std::string> got;
    int closed = 0;
    void send(const std::string& message) override { got.push_back(message); }
    void close(int code) override { closed = code; }
    std::string last() const { return got.empty() ? "" : got.back(); }
    bool saw(const std::string& message) const {
        return std::find(got.begin(), got.end(), message) != got.end();
    }
    // The token of "seat S TOKEN MOVES".
    std::string token() const {
        for (const std::string& m : got)
            if (m.rfind("seat ", 0) == 0)
                return m.substr(7, 32);
        return "";
    }
};

// The rooms' events kept in memory, in order; none while `failing`.
struct MemoryStore : RoomStore {
    std::map<std::string, std::string> lines;
    bool failing = false;
    bool keep(const std::string& code, const std::string& line, std::string& why) override {
        if (failing) {
            why = "no room on the disk";
            return false;
        }
        lines[code] += line + "\n";
        return true;
    }
    void forget(const std::string& code) override { lines.erase(code); }
    std::map<std::string, std::string> kept() override { return lines; }
    // Another server holds the rooms of these codes.
    std::set<std::string> elsewhere;
    bool claim(const std::string& code, std::string& events, std::string& why) override {
        why = "held by another server";
        events = lines.count(code) ? lines[code] : "";
        return elsewhere.count(code) == 0;
    }
};

// Rooms whose timers are fired by the test, and whose log it reads.
struct Server {
    MemoryStore store;
    std::vector<std::function<void()>> timers;
    std::vector<std::string> log;
    Rooms rooms{60,
                3,
                AddressLimits{2, 4},
                &store,
                [this](int, std::function<void()> f) { timers.push_back(f); },
                [this](const std::string& line) { log.push_back(line); }};
    void say(FakePeer& peer, const std::string& text, const std::string& code = "ROOM") {
        std::vector<std::string> words;
        ASSERT_TRUE(splitMessage(text, words)) << text;
        rooms.message(peer, code, words);
    }
    void fire() {
        auto due = std::move(timers);
        timers.clear();
        for (auto& f : due)
            f();
    }
};

TEST(Rooms, TwoSeatsAWatcherRefereedMovesAndWhatIsKept) {
    Server server;
    FakePeer one, two, three, watcher;
    server.say(one, "hello 1 play");
    EXPECT_EQ(one.seat, 1);
    EXPECT_EQ(one.last(), "seat 1 " + one.token() + " -");
    server.say(two, "hello 1 play");
    EXPECT_EQ(two.seat, 2);
    EXPECT_TRUE(one.saw("start") && two.saw("start"));
    server.say(three, "hello 1 play");
    EXPECT_EQ(three.last(), "error seats");
    server.say(watcher, "hello 1 watch");
    EXPECT_EQ(watcher.got.front(), "seat 0 - -");
    server.say(watcher, "move 0 5");
    EXPECT_EQ(watcher.last(), "error watching");
    server.say(two, "move 0 5");
    EXPECT_EQ(two.last(), "error turn");
    server.say(one, "move 0 5");
    for (FakePeer* p : {&one, &two, &watcher})
        EXPECT_EQ(p->last(), "moved 0 5");
    server.say(two, "move 0 4");
    EXPECT_EQ(two.last(), "error stale");
    server.say(one, "hello 1 play");
    EXPECT_EQ(one.last(), "error hello");
    server.say(one, "dance");
    EXPECT_EQ(one.last(), "error syntax");
    EXPECT_EQ(server.store.lines["ROOM"],
              "seat 1 " + one.token() + "\nseat 2 " + two.token() + "\nmove 5\n");
    // The whole game: GAME OVER to everyone, then a rematch swaps the seats.
    const std::string rest = "12346789123456789123456789";
    for (size_t i = 0; i < rest.size(); i++)
        server.say(i % 2 == 0 ? two : one,
                   "move " + std::to_string(i + 1) + " " + std::string(1, rest[i]));
    EXPECT_TRUE(one.saw("over") && two.saw("over") && watcher.saw("over"));
    const std::string tokens[2] = {one.token(), two.token()};
    server.say(one, "rematch");
    EXPECT_EQ(two.last(), "rematch 1");
    server.say(two, "rematch");
    EXPECT_EQ(one.seat, 2);
    EXPECT_EQ(two.seat, 1);
    EXPECT_TRUE(one.saw("seat 2 " + tokens[0] + " -")) << "each keeps a token, the other seat's";
    EXPECT_EQ(watcher.last(), "start");
}

TEST(Rooms, ADroppedPlayerKeepsTheSeatForTheGraceThenTheGameIsAbandoned) {
    Server server;
    FakePeer one, two, back, late;
    server.say(one, "hello 1 play");
    server.say(two, "hello 1 play");
    server.rooms.lost(one);
    EXPECT_EQ(two.last(), "gone 1");
    server.say(back, "hello 1 resume " + one.token());
    EXPECT_EQ(back.got.front(), "seat 1 " + one.token() + " -");
    EXPECT_EQ(two.last(), "back 1");
    // Dropped again: the first grace's end cuts the second short in nothing.
    server.rooms.lost(back);
    ASSERT_EQ(server.timers.size(), 2u);
    server.timers[0]();
    EXPECT_EQ(two.last(), "gone 1");
    server.timers[1]();
    EXPECT_EQ(two.last(), "abandoned 1");
    EXPECT_NE(server.store.lines["ROOM"].find("abandoned 1\n"), std::string::npos);
    server.say(late, "hello 1 resume " + one.token());
    EXPECT_TRUE(late.saw("abandoned 1"));
    server.say(late, "move 0 5");
    EXPECT_EQ(late.last(), "error over");
    // Bye leaves for good at once.
    FakePeer a, b;
    server.say(a, "hello 1 play", "OTHER");
    server.say(b, "hello 1 play", "OTHER");
    server.say(b, "bye", "OTHER");
    EXPECT_EQ(b.closed, 1000);
    EXPECT_EQ(a.last(), "abandoned 2");
}

TEST(Rooms, NothingIsConfirmedThatWasNotKeptAndATornLastLineIsNeverRead) {
    Server server;
    FakePeer one, two;
    server.say(one, "hello 1 play");
    server.say(two, "hello 1 play");
    server.store.failing = true;
    server.say(one, "move 0 5");
    EXPECT_EQ(one.last(), "error busy");
    EXPECT_EQ(two.last(), "start") << "the other player is told nothing";
    FakePeer newcomer;
    server.say(newcomer, "hello 1 play", "FULLDISK");
    EXPECT_EQ(newcomer.last(), "error busy");
    EXPECT_EQ(newcomer.closed, 1013);
    EXPECT_EQ(server.rooms.size(), 1u) << "the room that could not be kept is not held";
    // The store answers again: the same move is played, as the first of the game.
    server.store.failing = false;
    server.say(one, "move 0 5");
    EXPECT_EQ(two.last(), "moved 0 5");
    EXPECT_EQ(server.store.lines["ROOM"].find("move 5\n"),
              server.store.lines["ROOM"].rfind("move 5\n"));

    // A room that another server holds is refused, to be asked again; one
    // that this server lost closes its players, who come back to what was kept.
    server.store.elsewhere = {"THERE"};
    FakePeer visitor;
    server.say(visitor, "hello 1 resume " + one.token(), "THERE");
    EXPECT_EQ(visitor.last(), "error busy");
    EXPECT_EQ(visitor.closed, 1013);
    server.rooms.release("ROOM");
    EXPECT_EQ(server.rooms.size(), 0u);
    EXPECT_EQ(one.closed, 1013);
    EXPECT_EQ(two.closed, 1013);
    FakePeer again;
    server.say(again, "hello 1 resume " + two.token());
    EXPECT_EQ(again.got.front(), "seat 2 " + two.token() + " 5");

    // A crash in the middle of an append leaves a torn last line: the
    // complete lines are the game, and the player takes the seat back.
    TempFolder folder;
    std::ofstream(folder.path + "/TORN")
        << "seat 1 " << one.token() << "\nseat 2 " << two.token() << "\nmove 5\nmo";
    std::ofstream(folder.path + "/HALF") << "seat 1 " << one.token().substr(0, 10);
    FolderStore files(folder.path);
    std::vector<std::string> log;
    Rooms loaded(
        60, 10, AddressLimits{}, &files, [](int, std::function<void()>) {},
        [&](const std::string& line) { log.push_back(line); });
    loaded.load();
    EXPECT_EQ(loaded.size(), 1u);
    EXPECT_TRUE(log.empty()) << log.front();
    FakePeer back;
    std::vector<std::string> words;
    splitMessage("hello 1 resume " + two.token(), words);
    loaded.message(back, "TORN", words);
    EXPECT_EQ(back.got.front(), "seat 2 " + two.token() + " 5");
}

TEST(Rooms, OneAddressCannotHoardRoomsAndAnotherStillGetsASeat) {
    MemoryStore store;
    std::vector<std::function<void()>> timers;
    Rooms rooms(
        60, 1000, AddressLimits{4, 10}, &store,
        [&](int, std::function<void()> f) { timers.push_back(f); }, [](const std::string&) {});
    auto hello = [&](FakePeer& peer, const std::string& code, const char* text) {
        std::vector<std::string> words;
        splitMessage(text, words);
        rooms.message(peer, code, words);
    };
    std::vector<std::unique_ptr<FakePeer>> made;
    auto attack = [&](const std::string& code) {
        made.push_back(std::make_unique<FakePeer>());
        made.back()->address = "192.0.2.66";
        hello(*made.back(), code, "hello 1 play");
        return made.back().get();
    };
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(attack("A" + std::to_string(i))->seat, 1);
    FakePeer* fifth = attack("A4");
    EXPECT_EQ(fifth->last(), "error rooms");
    EXPECT_EQ(fifth->closed, 1013);
    EXPECT_EQ(rooms.refusals().at("waiting"), 1);
    // Left before anyone came: forgotten when the grace ends, and their events too.
    for (int i = 0; i < 4; i++)
        rooms.lost(*made[i]);
    for (auto& f : timers)
        f();
    EXPECT_EQ(rooms.size(), 0u);
    EXPECT_TRUE(store.lines.empty());
    // Made and left at once, again and again: the pace runs out.
    int refused = 0;
    for (int i = 0; i < 20 && refused == 0; i++) {
        FakePeer* peer = attack("B" + std::to_string(i));
        if (peer->seat < 0) {
            refused = i;
            break;
        }
        hello(*peer, "B" + std::to_string(i), "bye");
    }
    EXPECT_EQ(refused, 6) << "ten rooms a minute, four of them made already";
    EXPECT_EQ(rooms.refusals().at("rate"), 1);
    EXPECT_EQ(rooms.size(), 0u);
    // A player from another address still makes a room, and a second joins it.
    FakePeer player, friendOf;
    player.address = "192.0.2.7";
    friendOf.address = "192.0.2.8";
    hello(player, "FRIENDS", "hello 1 play");
    hello(friendOf, "FRIENDS", "hello 1 play");
    EXPECT_EQ(player.seat, 1);
    EXPECT_EQ(friendOf.seat, 2);
}

TEST(Rooms, RoomsKeptAreReadBackAndTheLimitsHold) {
    Server first;
    FakePeer one, two;
    first.say(one, "hello 1 play");
    first.say(two, "hello 1 play");
    first.say(one, "move 0 5");
    // A second server on the same store: the game, its seats and its move.
    Server second;
    second.store.lines = first.store.lines;
    second.store.lines["BROKE"] = "seat 1 " + one.token() + "\nmove 0\n";
    second.rooms.load();
    EXPECT_EQ(second.rooms.size(), 1u);
    EXPECT_EQ(second.log, (std::vector<std::string>{"game BROKE is damaged; left as it is"}));
    FakePeer again;
    second.say(again, "hello 1 resume " + two.token());
    EXPECT_EQ(again.got.front(), "seat 2 " + two.token() + " 5");
    second.say(again, "move 1 3");
    EXPECT_EQ(again.last(), "moved 1 3");
    // Three rooms at most; a client from a newer protocol is told so.
    FakePeer x, y, z, newer;
    second.say(x, "hello 1 play", "R2");
    second.say(y, "hello 1 play", "R3");
    second.say(z, "hello 1 play", "R4");
    EXPECT_EQ(z.last(), "error rooms");
    EXPECT_EQ(z.closed, 1013);
    second.say(newer, "hello 2 play", "R2");
    EXPECT_EQ(newer.last(), "error version");
    EXPECT_EQ(newer.closed, 1000);
    FakePeer nobody;
    second.say(nobody, "hello 1 watch", "NONE");
    EXPECT_EQ(nobody.last(), "error room");
}

} // namespace
