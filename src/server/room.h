#ifndef KAVETO_ROOM_H
#define KAVETO_ROOM_H

#include "board.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// What a message does to a room, apart from any transport: the seats and
// their tokens, a dropped player's grace, the watchers, the rematch, the
// referee's answers, and what is kept. The server's WebSocket sessions hand
// it each message and each lost connection; it answers through their Peer.

using RoomClock = std::chrono::steady_clock;
struct Room;

// A connection as the rooms see it.
class Peer {
  public:
    virtual ~Peer() = default;
    // Sends it a message.
    virtual void send(const std::string& message) = 0;
    // Closes it with that WebSocket close code once what was sent has gone.
    virtual void close(int code) = 0;
    // Forgets what was sent to it and has not gone yet.
    virtual void discard() {}
    // Its room, and its seat there: 1 or 2 a player's, 0 a watcher's, -1 before hello.
    Room* room = nullptr;
    int seat = -1;
    // The address it comes from, which the rooms it makes count against.
    std::string address;
};

// A room: two seats, each with its secret token and its player's connection
// while there is one, the watchers, the moves, what is asked of it next.
struct Room {
    std::string code;
    std::string tokens[2];
    Peer* players[2] = {nullptr, nullptr};
    std::set<Peer*> watchers;
    std::string moves;
    Position position = {{0, 0}};
    bool started = false, abandoned = false;
    // The seat (1 or 2) whose player left it for good.
    int abandonedBy = 0;
    bool rematch[2] = {false, false};
    // Since when the game is over or abandoned.
    RoomClock::time_point since;
    // How many graces each seat has begun: the end of an older one does nothing.
    unsigned graces[2] = {0, 0};
    // The address that made it, while it waits for its second player.
    std::string waitingFrom;
    // Made by the server for two strangers it paired: seats drawn at random,
    // and a player on turn who stalls loses the seat.
    bool paired = false;
    // How many move clocks the room has begun: the end of an older one does nothing.
    unsigned clocks = 0;
};

// Where the rooms' events are kept, a line each: "paired", "seat S TOKEN",
// "move C", "swap", "abandoned S". A store may be shared by several servers: each
// serves only the rooms it has claimed.
class RoomStore {
  public:
    virtual ~RoomStore() = default;
    // Adds an event to a room's; false, with the reason, when it was not kept.
    virtual bool keep(const std::string& code, const std::string& line, std::string& why) = 0;
    // Forgets a room's events.
    virtual void forget(const std::string& code) = 0;
    // The rooms this server serves from its start, by code: their events, a line each.
    virtual std::map<std::string, std::string> kept() = 0;
    // Takes a room not served here to serve it: its events, "" for a new one;
    // false, with the reason, when another server holds it or the store does not answer.
    virtual bool claim(const std::string& code, std::string& events, std::string& why) = 0;
    // Gives back a room claimed for nothing: nobody took a seat.
    virtual void unclaim(const std::string&) {}
    // Lets another server take a room kept here at once.
    virtual void letGo(const std::string&) {}
    // Whether events kept wait for flush() to be durable; their answers wait with them.
    virtual bool pending() const { return false; }
    // Makes the events kept durable, all or none.
    virtual void flush() {}
    // Whether other servers share it: the rooms are held by leases that renew() renews.
    virtual bool shared() const { return false; }
    // Renews the rooms this server holds, a third of a lease after the last time.
    virtual void renew() {}
    // Whether the store answers.
    virtual bool ready() { return true; }
    // The rooms this server may no longer serve, since last asked: taken by
    // another, or with events the store lost.
    std::vector<std::string> takeLost() {
        std::vector<std::string> taken;
        taken.swap(lost);
        return taken;
    }

    // Told how long each write to the disk or the database took, in seconds.
    std::function<void(double)> wrote;

  protected:
    std::vector<std::string> lost;
};

// What one address may ask of the rooms: at most `waiting` rooms waiting
// for a second player at once, and rooms made at `perMinute` a minute, as
// many at once.
struct AddressLimits {
    int waiting = 4;
    double perMinute = 10;
};

// The rooms of one server.
class Rooms {
  public:
    // `grace` seconds keep a dropped player's seat; at most `most` rooms;
    // `later` calls a function after some seconds; `log` says a line.
    Rooms(int grace, size_t most, AddressLimits limits, RoomStore* store,
          std::function<void(int seconds, std::function<void()>)> later,
          std::function<void(const std::string&)> log);
    // A message from a connection for the room of that code.
    void message(Peer& peer, const std::string& code, const std::vector<std::string>& words);
    // A connection gone: its player keeps the seat for the grace.
    void lost(Peer& peer);
    // The rooms kept, read once at start; a damaged one is left as it is.
    void load();
    // A room this server may no longer serve: its connections are closed
    // with 1013 so that they come back, and it is forgotten here, not in the store.
    void release(const std::string& code);
    // Forgets the rooms over or abandoned an hour before `now` that nobody is in.
    void sweep(RoomClock::time_point now);
    // Makes a room for two players paired by the server; its code, or "" when
    // none can be made now.
    std::string makePaired();
    // The players seated in games being played.
    long playing() const;
    // Seconds that a paired player on turn has to move; 0 for no limit.
    int moveTime = 120;
    // How many rooms there are.
    size_t size() const { return rooms.size(); }
    // The rooms refused, by why: "rooms" (the server's limit), "waiting"
    // (an address's rooms waiting for a player), "rate" (an address's pace),
    // "busy" (the store would not give it).
    const std::map<std::string, long>& refusals() const { return refused; }
    // Games started, ended at GAME OVER and abandoned, and moves played, since start.
    struct Counts {
        long started = 0, over = 0, abandoned = 0, moves = 0;
    };
    const Counts& counts() const { return counted; }

  private:
    void greet(Peer& peer, const std::string& code, const std::vector<std::string>& words);
    void play(Peer& peer, const std::vector<std::string>& words);
    void leave(Peer& peer, bool forGood);
    bool keep(const Room& room, const std::string& line);
    void startGame(Room& room);
    void endGame(Room& room, const std::string& how);
    void abandon(Room& room, int seat, const std::string& how);
    void startGrace(Room& room, int seat);
    bool mayMake(Peer& peer);
    void joined(Room& room);
    void drop(const std::string& code);
    Room* claim(Peer& peer, const std::string& code, const std::string& asked);
    Room* open(const std::string& code, const std::string& events);
    void startClock(Room& room);
    void forgetUnjoined(const std::string& code);

    // An address's rooms waiting for a second player, and its bucket of rooms to make.
    struct Maker {
        int waiting = 0;
        double tokens = 0;
        RoomClock::time_point filled;
    };

    int grace;
    size_t most;
    AddressLimits limits;
    std::map<std::string, Maker> makers;
    std::map<std::string, long> refused;
    Counts counted;
    RoomStore* store;
    std::function<void(int, std::function<void()>)> later;
    std::function<void(const std::string&)> log;
    std::map<std::string, std::unique_ptr<Room>> rooms;
};

#endif
