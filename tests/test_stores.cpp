// kaveto-server's stores met through the real server on loopback: SQLite
// through kills at random moments and an older server's files; a real
// PostgreSQL, started here, shared by two servers through a kill, a hang,
// and the database's own restart.

#include "wsraw.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// The 27 moves of a game in which column 1 fills at move 19.
const std::string columns = "123456789123456789123456789";

// The next message but what the room says of its players on the way.
bool heard(RawSocket& socket, std::string& got) {
    while (socket.receive(got, 2000))
        if (got != "start" && got.rfind("back ", 0) != 0 && got.rfind("gone ", 0) != 0)
            return true;
    return false;
}

// A game of two raw players, and the moves that either of them heard confirmed.
struct Game {
    explicit Game(std::string code = "") : code(std::move(code)) {}
    std::string code;
    Seat seats[2];
    std::string confirmed;
    // The move sent and not yet heard back, 0 for none.
    char sent = 0;

    bool join(int port) {
        std::string got;
        return seats[0].take(port, code, "hello 1 play") &&
               seats[1].take(port, code, "hello 1 play") && seats[0].socket.receive(got) &&
               seats[1].socket.receive(got);
    }
    // Both players back with their tokens, as many times as a refusal asks
    // for within the time.
    bool resume(int port, int milliseconds = 2000) {
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (Seat& s : seats) {
            const std::string token = s.token;
            while (!s.take(port, code, "hello 1 resume " + token) || s.token != token) {
                if (Clock::now() > end)
                    return false;
                // Polled as a client's retries are, a little apart.
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        return true;
    }
    // The next move sent, and read back by both; false when the server went.
    bool step() {
        const int n = static_cast<int>(confirmed.size());
        sent = columns[n];
        const std::string move = "move " + std::to_string(n) + " " + sent;
        if (!seats[n % 2].socket.sendText(move))
            return false;
        bool either = false, both = true;
        for (Seat& s : seats) {
            std::string got;
            const bool one = heard(s.socket, got) && got == "moved" + move.substr(4);
            either = either || one;
            both = both && one;
        }
        if (either) {
            confirmed += sent;
            sent = 0;
        }
        return both;
    }
};

// What the room holds after a restart: every move confirmed, none twice; the
// move in flight at the kill may have been kept without its answer.
void expectKept(Game& game) {
    const std::string& held = game.seats[0].moves == "-" ? "" : game.seats[0].moves;
    EXPECT_EQ(game.seats[0].moves, game.seats[1].moves) << game.code;
    if (held.size() == game.confirmed.size() + 1 && game.sent != 0)
        EXPECT_EQ(held, game.confirmed + game.sent) << game.code;
    else
        EXPECT_EQ(held, game.confirmed) << game.code;
    game.confirmed = held;
    game.sent = 0;
}

TEST(Stores, SqliteLosesNoConfirmedMoveThroughKillsAtRandomMomentsAndTakesInOlderFiles) {
    TempFolder state;
    const std::string one(32, 'a'), two(32, 'b');
    std::ofstream(state.path + "/OLDER") << "seat 1 " << one << "\nseat 2 " << two << "\nmove 1\n";
    // A crash in the middle of an append left a torn last line, never confirmed.
    std::ofstream(state.path + "/TORN")
        << "seat 1 " << one << "\nseat 2 " << two << "\nmove 5\nmove 3\nmo";
    auto server = std::make_unique<ServerProcess>(state.path, 0);
    ASSERT_GT(server->port, 0);
    const int port = server->port;
    EXPECT_FALSE(std::ifstream(state.path + "/OLDER")) << "moved into the database";
    EXPECT_TRUE(std::ifstream(state.path + "/games.sqlite"));
    for (const auto& [code, moves] : {std::pair{"OLDER", "1"}, std::pair{"TORN", "53"}}) {
        Seat back;
        ASSERT_TRUE(back.take(port, code, "hello 1 resume " + two)) << code;
        EXPECT_EQ(back.moves, moves);
    }

    Game games[6];
    for (int g = 0; g < 6; g++) {
        games[g].code = "KILLED" + std::to_string(g);
        ASSERT_TRUE(games[g].join(port));
    }
    // The first time, the server dies at the very write that would pass a
    // size (SIGXFSZ), in the middle of a commit; then the kills fall anywhere
    // in the stream of moves and commits.
    std::mt19937 random(7742);
    for (int kill = 0; kill < 5; kill++) {
        std::thread killer;
        if (kill == 0) {
            server->kill();
            rlimit was;
            getrlimit(RLIMIT_FSIZE, &was);
            rlimit small = was;
            small.rlim_cur = std::filesystem::file_size(state.path + "/games.sqlite-wal") + 40000;
            setrlimit(RLIMIT_FSIZE, &small);
            server = std::make_unique<ServerProcess>(state.path, port);
            setrlimit(RLIMIT_FSIZE, &was);
            ASSERT_EQ(server->port, port);
            for (Game& game : games)
                ASSERT_TRUE(game.resume(port)) << game.code;
        } else {
            const int after = std::uniform_int_distribution<int>(1000, 30000)(random);
            killer = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::microseconds(after));
                server->kill();
            });
        }
        for (bool on = true, moving = true; on && moving;) {
            moving = false;
            for (Game& game : games)
                if (on && game.confirmed.size() < 24) {
                    on = game.step();
                    moving = true;
                }
        }
        if (killer.joinable())
            killer.join();
        server->kill();
        server = std::make_unique<ServerProcess>(state.path, port);
        ASSERT_EQ(server->port, port);
        for (Game& game : games) {
            ASSERT_TRUE(game.resume(port)) << game.code;
            expectKept(game);
        }
    }
    for (Game& game : games) {
        while (game.confirmed.size() < 27)
            ASSERT_TRUE(game.step()) << game.code;
        std::string got;
        EXPECT_TRUE(game.seats[0].socket.receive(got) && got == "over");
    }
}

// What the operator's /readyz answers: 200 or 503.
int readiness(int adminPort) {
    const std::string answer = fetch(adminPort, "GET /readyz HTTP/1.0\r\n\r\n");
    return answer.size() > 12 ? std::atoi(answer.c_str() + 9) : 0;
}

// Whether /readyz answers that status within the time.
bool readyBecomes(int adminPort, int status, int milliseconds) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (readiness(adminPort) != status)
        if (Clock::now() > end)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return true;
}

TEST(Stores, TwoServersShareAPostgresAndTakeOverEachOthersRoomsKilledOrHung) {
    Postgres database;
    ASSERT_FALSE(database.uri.empty()) << "PostgreSQL did not start";
    TempFolder stateA, stateB, stateC;
    const std::vector<std::string> shared = {"--store", database.uri, "--lease", "3"};
    auto a = std::make_unique<ServerProcess>(stateA.path, 0, shared);
    ServerProcess b(stateB.path, 0, shared);
    ASSERT_GT(a->port, 0);
    ASSERT_GT(b.port, 0);

    // A room served by a: b refuses it while a holds it.
    Game game("SHARED");
    ASSERT_TRUE(game.join(a->port));
    for (int n = 0; n < 7; n++)
        ASSERT_TRUE(game.step());
    Seat early;
    EXPECT_FALSE(early.take(b.port, "SHARED", "hello 1 resume " + game.seats[0].token));
    EXPECT_TRUE(early.socket.closedWithin(2000));
    EXPECT_EQ(early.socket.closeCode, 1013) << "held by a";

    // a killed: its players come back on b once the lease runs out.
    const Clock::time_point killed = Clock::now();
    a->kill();
    ASSERT_TRUE(game.resume(b.port, 10000));
    const double failover = std::chrono::duration<double>(Clock::now() - killed).count();
    std::printf("failover: both players back %.2f s after the kill\n", failover);
    expectKept(game);
    EXPECT_EQ(game.confirmed, columns.substr(0, 7));
    ASSERT_TRUE(game.step());

    // b hangs with a move on its way; c takes the room over, and the move
    // sent to b while it hung is never kept.
    ServerProcess c(stateC.path, 0, shared);
    ASSERT_GT(c.port, 0);
    b.signal(SIGSTOP);
    Game old("SHARED");
    const int stale = static_cast<int>(game.confirmed.size());
    ASSERT_TRUE(game.seats[stale % 2].socket.sendText("move " + std::to_string(stale) + " 9"));
    for (int s = 0; s < 2; s++)
        std::swap(old.seats[s].socket.fd, game.seats[s].socket.fd);
    ASSERT_TRUE(game.resume(c.port, 10000));
    expectKept(game);
    EXPECT_EQ(game.confirmed, columns.substr(0, 8));
    ASSERT_TRUE(game.step());
    b.signal(SIGCONT);
    for (Seat& s : old.seats) {
        EXPECT_TRUE(s.socket.closedWithin(5000)) << "b lets go of the room it lost";
        EXPECT_EQ(s.socket.closeCode, 1013);
    }
    ASSERT_TRUE(game.resume(c.port));
    EXPECT_EQ(game.seats[0].moves, columns.substr(0, 9)) << "nothing written by b after it lost";

    // The database stopped under c: not ready, nothing confirmed, and back
    // by itself once the database is.
    ASSERT_TRUE(database.stop());
    EXPECT_TRUE(readyBecomes(c.adminPort, 503, 5000));
    Seat newcomer;
    EXPECT_FALSE(newcomer.take(c.port, "NEWROOM", "hello 1 play"));
    const int n = static_cast<int>(game.confirmed.size());
    ASSERT_TRUE(game.seats[n % 2].socket.sendText("move " + std::to_string(n) + " " + columns[n]));
    std::string got;
    EXPECT_TRUE(heard(game.seats[n % 2].socket, got) && got == "error busy") << got;
    ASSERT_TRUE(database.start());
    EXPECT_TRUE(readyBecomes(c.adminPort, 200, 5000));
    ASSERT_TRUE(game.resume(c.port, 10000));
    expectKept(game);
    while (game.confirmed.size() < 27)
        ASSERT_TRUE(game.step());
    EXPECT_TRUE(game.seats[0].socket.receive(got) && got == "over");
    EXPECT_TRUE(newcomer.take(c.port, "NEWROOM", "hello 1 play"));

    // Two strangers paired by c play on b, where the path's hash may send
    // them: the room was made in the database, not held by c.
    RawSocket strangers[2];
    std::string paired[2];
    for (int i = 0; i < 2; i++)
        ASSERT_TRUE(strangers[i].open(c.port, "/ws/pair") && strangers[i].sendText("hello 1 pair"));
    for (int i = 0; i < 2; i++)
        while (strangers[i].receive(got) && got.rfind("paired ", 0) != 0) {
        }
    ASSERT_EQ(got.substr(0, 7), "paired ");
    Seat first, second;
    ASSERT_TRUE(first.take(b.port, got.substr(7), "hello 1 play"));
    ASSERT_TRUE(second.take(b.port, got.substr(7), "hello 1 play"));
    EXPECT_EQ(first.seat + second.seat, 3);
}

} // namespace
