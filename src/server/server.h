#ifndef KAVETO_SERVER_H
#define KAVETO_SERVER_H

#include "room.h"

#include <memory>
#include <string>
#include <vector>

// The Kaveto server: rooms of two players and their watchers over
// WebSockets at /ws/CODE, the rules refereed here, every unfinished game
// kept on disk through a restart, and the browser version's files beside
// them. One thread; kaveto-server runs it, and the game starts one of its
// own to host a game.

// What the server is asked to be, and the limits it keeps to.
struct ServerOptions {
    std::string listen = "127.0.0.1";
    // The port, or 0 for one that the system picks; with `tries`, the first
    // free one of tries ports from it.
    int port = 7742;
    int tries = 1;
    // The browser version's folder, served beside the games; none if empty.
    std::string web;
    // The folder of the unfinished games; none if empty.
    std::string state;
    // Where they are kept: "folder", a file a room in the state folder;
    // "sqlite:PATH"; a PostgreSQL URI or "postgresql:" and its settings.
    // Empty: the folder, or in kaveto-server its games.sqlite.
    std::string store;
    // Seconds of a room's lease in a shared database.
    int lease = 15;
    // Opens a database where the program has them; null, with the reason, when it cannot.
    std::unique_ptr<RoomStore> (*openDatabase)(const ServerOptions&, std::string& why) = nullptr;
    // Pages that may open a game, besides the server's own address.
    std::vector<std::string> origins;
    // How long a dropped player keeps the seat, in seconds; how long a player
    // paired with a stranger has to move, 0 for no limit.
    int grace = 60;
    int moveTime = 120;
    // A message's bytes, the messages a second a connection may send (and
    // twice that at once), the messages waiting to be sent to one, the
    // bytes of a request's header, seconds of silence before the close.
    size_t messageLimit = 256;
    double rate = 20;
    size_t queueLimit = 64;
    size_t headerLimit = 8192;
    int silence = 10;
    // Connections from one address, and rooms in all; rooms one address has
    // waiting for a second player, and the rooms it may make a minute.
    int perAddress = 32;
    size_t rooms = 10000;
    int waitingRooms = 4;
    int roomsPerMinute = 10;
    // The operator's address (ADDR:PORT) for /healthz, /readyz and /metrics;
    // none if empty. Seconds of drain after SIGTERM before the players are closed.
    std::string admin;
    int drain = 5;
    // Whether a line a game started and ended, and a connection refused,
    // goes to stderr.
    bool log = true;
};

// Reads kaveto-server's arguments into the options; "" when they are good,
// else what is wrong, in a line.
std::string parseServerOptions(int argc, char** argv, ServerOptions& options);
// The usage of kaveto-server.
extern const char* const serverUsage;

// Starts a server on a thread of its own; the port it listens on, or 0 with
// the reason. One at a time.
int startServer(const ServerOptions& options, std::string& why);
// Stops the server started, and waits for its thread.
void stopServer();
// Asks the operator's address ADDR:PORT of a server for /healthz; 0 when it
// answers 200, else 1.
int checkHealth(const std::string& admin);
// Runs a server on this thread until SIGINT or SIGTERM, after one line on
// stdout with its address; the exit status.
int runServer(const ServerOptions& options);

#endif
