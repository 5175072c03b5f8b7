// The server on loopback, met by clients written from the protocol's frames:
// hostile ones beside a game that completes, and a game that lives through
// the server killed outright and started again.

#include "server.h"
#include "wsraw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// A seat taken in a room: "seat S TOKEN MOVES" read into its parts.
struct Seat {
    RawSocket socket;
    int seat = -1;
    std::string token, moves;
    bool take(int port, const std::string& code, const std::string& hello) {
        std::string answer;
        if (!socket.open(port, "/ws/" + code) || !socket.sendText(hello) || !socket.receive(answer))
            return false;
        char token_[64] = "", moves_[64] = "";
        if (std::sscanf(answer.c_str(), "seat %d %63s %63s", &seat, token_, moves_) != 3)
            return false;
        token = token_;
        moves = moves_;
        return true;
    }
};

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

// An HTTP request as it is, and the whole answer, up to the connection's end.
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

} // namespace
