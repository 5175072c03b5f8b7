#include "room.h"

#include "platform.h"
#include "protocol.h"
#include "referee.h"

#include <algorithm>
#include <sstream>

namespace {

// The WebSocket close codes that the rooms ask for.
const int closeNormal = 1000, closeTryAgainLater = 1013;

std::string newToken() {
    unsigned char bytes[16];
    if (!secureRandom(bytes, sizeof bytes))
        return "";
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += digits[b >> 4];
        token += digits[b & 15];
    }
    return token;
}

// A code no one chose: 8 of the letters and digits that cannot be misread.
std::string newCode() {
    static const char letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    unsigned char bytes[8];
    if (!secureRandom(bytes, sizeof bytes))
        return "";
    std::string code;
    for (unsigned char b : bytes)
        code += letters[b % 32];
    return code;
}

bool over(const Room& room) { return room.moves.size() == 27; }

std::string moveList(const Room& room) { return room.moves.empty() ? "-" : room.moves; }

void broadcast(Room& room, const std::string& message) {
    for (Peer* player : room.players)
        if (player != nullptr)
            player->send(message);
    for (Peer* watcher : room.watchers)
        watcher->send(message);
}

// A room as its kept lines tell it; false when they do not make a game.
bool readRoom(const std::string& text, Room& room) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> words;
        int number;
        if (!splitMessage(line, words)) {
            return false;
        } else if (words[0] == "seat" && words.size() == 3 && wordNumber(words[1], 1, 2, number) &&
                   isToken(words[2])) {
            room.tokens[number - 1] = words[2];
        } else if (words[0] == "move" && words.size() == 2 && wordNumber(words[1], 1, 9, number)) {
            if (!refereeMove(room.position, playerOnTurn(room.position) + 1,
                             static_cast<int>(room.moves.size()), number)
                     .empty())
                return false;
            room.moves += static_cast<char>('0' + number);
        } else if (words[0] == "paired" && words.size() == 1) {
            room.paired = true;
        } else if (words[0] == "swap" && words.size() == 1) {
            std::swap(room.tokens[0], room.tokens[1]);
            room.moves.clear();
            room.position = Position{{0, 0}};
        } else if (words[0] == "abandoned" && words.size() == 2 &&
                   wordNumber(words[1], 1, 2, number)) {
            room.abandoned = true;
            room.abandonedBy = number;
        } else {
            return false;
        }
    }
    room.started = !room.tokens[0].empty() && !room.tokens[1].empty();
    return true;
}

} // namespace

Rooms::Rooms(int grace, size_t most, AddressLimits limits, RoomStore* store,
             std::function<void(int, std::function<void()>)> later,
             std::function<void(const std::string&)> log)
    : grace(grace), most(most), limits(limits), store(store), later(std::move(later)),
      log(std::move(log)) {}

// Whether the peer's address may make a room now; a refusal is counted.
bool Rooms::mayMake(Peer& peer) {
    Maker& maker = makers[peer.address];
    const RoomClock::time_point now = RoomClock::now();
    if (maker.waiting == 0 && maker.tokens == 0 && maker.filled == RoomClock::time_point())
        maker.tokens = limits.perMinute;
    else
        maker.tokens =
            std::min(limits.perMinute,
                     maker.tokens + limits.perMinute / 60 *
                                        std::chrono::duration<double>(now - maker.filled).count());
    maker.filled = now;
    const char* why = rooms.size() >= most              ? "rooms"
                      : maker.waiting >= limits.waiting ? "waiting"
                      : maker.tokens < 1                ? "rate"
                                                        : nullptr;
    if (why == nullptr) {
        maker.tokens -= 1;
        return true;
    }
    refused[why]++;
    log("refused a room to " + peer.address + ": " + why);
    peer.send("error rooms");
    peer.close(closeTryAgainLater);
    return false;
}

// A room's second player came: it no longer waits on its maker's count.
void Rooms::joined(Room& room) {
    if (room.waitingFrom.empty())
        return;
    auto maker = makers.find(room.waitingFrom);
    if (maker != makers.end())
        maker->second.waiting--;
    room.waitingFrom.clear();
}

// A room forgotten, with what it kept.
void Rooms::drop(const std::string& code) {
    auto found = rooms.find(code);
    if (found == rooms.end())
        return;
    joined(*found->second);
    if (store != nullptr)
        store->forget(code);
    rooms.erase(found);
}

// False, and said in the log, when the event could not be kept.
bool Rooms::keep(const Room& room, const std::string& line) {
    std::string why;
    if (store == nullptr || store->keep(room.code, line, why))
        return true;
    log("cannot keep game " + room.code + " (" + why + ")");
    return false;
}

void Rooms::startGame(Room& room) {
    if (room.started || room.tokens[0].empty() || room.tokens[1].empty())
        return;
    room.started = true;
    counted.started++;
    log("game " + room.code + " started");
    broadcast(room, "start");
    startClock(room);
}

void Rooms::endGame(Room& room, const std::string& how) {
    room.since = RoomClock::now();
    log("game " + room.code + " ended: " + how);
}

void Rooms::abandon(Room& room, int seat, const std::string& how) {
    room.abandoned = true;
    room.abandonedBy = seat + 1;
    keep(room, "abandoned " + std::to_string(seat + 1));
    broadcast(room, "abandoned " + std::to_string(seat + 1));
    if (!over(room)) {
        counted.abandoned++;
        endGame(room, how + " by player " + std::to_string(seat + 1));
    }
}

// A seat left empty for the grace time: the game is abandoned.
void Rooms::startGrace(Room& room, int seat) {
    const unsigned which = ++room.graces[seat];
    const std::string code = room.code;
    later(grace, [this, code, seat, which] {
        auto found = rooms.find(code);
        if (found == rooms.end())
            return;
        Room& room = *found->second;
        if (room.graces[seat] != which || room.players[seat] != nullptr || room.abandoned)
            return;
        // Nobody else ever came: nothing to keep.
        if (!room.started && room.players[1 - seat] == nullptr && room.watchers.empty())
            drop(code);
        else
            abandon(room, seat, "abandoned");
    });
}

void Rooms::leave(Peer& peer, bool forGood) {
    Room& room = *peer.room;
    if (peer.seat == 0) {
        room.watchers.erase(&peer);
        return;
    }
    const int seat = peer.seat - 1;
    if (seat < 0 || room.players[seat] != &peer)
        return;
    room.players[seat] = nullptr;
    if (room.abandoned)
        return;
    if (forGood && !room.started && room.players[1 - seat] == nullptr && room.watchers.empty()) {
        drop(room.code);
        return;
    }
    if (forGood) {
        abandon(room, seat, "left");
        return;
    }
    broadcast(room, "gone " + std::to_string(seat + 1));
    startGrace(room, seat);
}

void Rooms::lost(Peer& peer) {
    if (peer.room != nullptr)
        leave(peer, false);
    peer.room = nullptr;
}

void Rooms::greet(Peer& peer, const std::string& code, const std::vector<std::string>& words) {
    int version;
    if (words.size() < 3 || !wordNumber(words[1], 1, 999999999, version)) {
        peer.send("error syntax");
        return;
    }
    if (version > protocolVersion) {
        peer.send("error version");
        peer.close(closeNormal);
        return;
    }
    auto found = rooms.find(code);
    Room* made = found != rooms.end() ? found->second.get() : claim(peer, code, words[2]);
    if (made == nullptr)
        return;
    Room& r = *made;
    int s = -1;
    if (words[2] == "watch" && words.size() == 3) {
        s = 0;
    } else if (words[2] == "play" && words.size() == 3) {
        for (int i = 1; i >= 0; i--)
            if (r.tokens[i].empty() && !r.abandoned)
                s = i + 1;
        // Strangers paired: the first to come draws a seat.
        unsigned char coin = 0;
        if (r.paired && s == 1 && r.tokens[1].empty() && secureRandom(&coin, 1))
            s = 1 + (coin & 1);
        if (s < 0) {
            peer.send("error seats");
            return;
        }
        r.tokens[s - 1] = newToken();
        // A seat that could not be kept is not given.
        if (!keep(r, "seat " + std::to_string(s) + " " + r.tokens[s - 1])) {
            r.tokens[s - 1].clear();
            peer.send("error busy");
            peer.close(closeTryAgainLater);
            if (r.tokens[0].empty() && r.tokens[1].empty() && r.watchers.empty())
                drop(code);
            return;
        }
        if (!r.tokens[0].empty() && !r.tokens[1].empty())
            joined(r);
    } else if (words[2] == "resume" && words.size() == 4 && isToken(words[3])) {
        for (int i = 0; i < 2; i++)
            if (r.tokens[i] == words[3])
                s = i + 1;
        if (s < 0) {
            peer.send("error token");
            return;
        }
        // A player back before the old connection was seen to drop.
        if (Peer* old = r.players[s - 1]) {
            old->room = nullptr;
            old->close(closeNormal);
        }
    } else {
        peer.send("error syntax");
        return;
    }
    peer.seat = s;
    peer.room = &r;
    if (s == 0)
        r.watchers.insert(&peer);
    peer.send("seat " + std::to_string(s) + " " + (s == 0 ? "-" : r.tokens[s - 1]) + " " +
              moveList(r));
    if (s > 0) {
        r.players[s - 1] = &peer;
        if (words[2] == "resume")
            broadcast(r, "back " + std::to_string(s));
    }
    if (r.started)
        peer.send("start");
    else
        startGame(r);
    if (over(r))
        peer.send("over");
    if (r.abandoned)
        peer.send("abandoned " + std::to_string(r.abandonedBy));
    for (int i = 0; i < 2; i++)
        if (r.rematch[i])
            peer.send("rematch " + std::to_string(i + 1));
    for (int i = 0; i < 2; i++)
        if (s != i + 1 && !r.tokens[i].empty() && r.players[i] == nullptr && !r.abandoned)
            peer.send("gone " + std::to_string(i + 1));
}

void Rooms::message(Peer& peer, const std::string& code, const std::vector<std::string>& words) {
    if (words[0] == "hello") {
        if (peer.seat >= 0)
            peer.send("error hello");
        else
            greet(peer, code, words);
        return;
    }
    if (peer.seat < 0 || peer.room == nullptr) {
        peer.send("error hello");
        return;
    }
    if (words[0] == "bye" && words.size() == 1) {
        leave(peer, true);
        peer.room = nullptr;
        peer.close(closeNormal);
        return;
    }
    if (peer.seat == 0 && (words[0] == "move" || words[0] == "rematch")) {
        peer.send("error watching");
        return;
    }
    play(peer, words);
}

// A move or a rematch from a seat.
void Rooms::play(Peer& peer, const std::vector<std::string>& words) {
    Room& r = *peer.room;
    int n, column;
    if (words[0] == "move" && words.size() == 3 && wordNumber(words[1], 0, 99, n) &&
        wordNumber(words[2], 0, 99, column)) {
        if (!r.started || r.abandoned) {
            peer.send(r.abandoned ? "error over" : "error waiting");
            return;
        }
        const Position before = r.position;
        const std::string refused = refereeMove(r.position, peer.seat, n, column);
        if (!refused.empty()) {
            peer.send("error " + refused);
            return;
        }
        // Never confirmed before it is kept: the client sends it again.
        if (!keep(r, "move " + std::to_string(column))) {
            r.position = before;
            peer.send("error busy");
            return;
        }
        r.moves += static_cast<char>('0' + column);
        counted.moves++;
        broadcast(r, "moved " + words[1] + " " + words[2]);
        startClock(r);
        if (over(r)) {
            broadcast(r, "over");
            counted.over++;
            endGame(r, "27 balls down");
        }
        return;
    }
    if (words[0] != "rematch" || words.size() != 1) {
        peer.send("error syntax");
        return;
    }
    if (!over(r) || r.abandoned) {
        peer.send("error playing");
        return;
    }
    r.rematch[peer.seat - 1] = true;
    broadcast(r, "rematch " + std::to_string(peer.seat));
    if (!(r.rematch[0] && r.rematch[1]))
        return;
    // A new game, the seats swapped: each player keeps a token, now the other seat's.
    std::swap(r.tokens[0], r.tokens[1]);
    std::swap(r.players[0], r.players[1]);
    r.moves.clear();
    r.position = Position{{0, 0}};
    r.rematch[0] = r.rematch[1] = false;
    r.started = false;
    keep(r, "swap");
    for (int i = 0; i < 2; i++)
        if (r.players[i] != nullptr) {
            r.players[i]->seat = i + 1;
            r.players[i]->send("seat " + std::to_string(i + 1) + " " + r.tokens[i] + " -");
        }
    for (Peer* watcher : r.watchers)
        watcher->send("seat 0 - -");
    startGame(r);
}

// A room as the store tells it, served here from now: a dropped player has
// the grace to come back.
Room* Rooms::open(const std::string& code, const std::string& events) {
    auto room = std::make_unique<Room>();
    room->code = code;
    if (!readRoom(events, *room)) {
        log("game " + code + " is damaged; left as it is");
        return nullptr;
    }
    // Nothing in it was ever confirmed, unless the server made it for a pair.
    if (room->tokens[0].empty() && room->tokens[1].empty() && !room->paired)
        return nullptr;
    room->since = RoomClock::now();
    Room& kept = *room;
    rooms[code] = std::move(room);
    for (int seat = 0; seat < 2; seat++)
        if (!kept.tokens[seat].empty() && !kept.abandoned)
            startGrace(kept, seat);
    if (kept.tokens[0].empty() && kept.tokens[1].empty())
        forgetUnjoined(code);
    startClock(kept);
    return &kept;
}

// A room not served here: the store's, or made by its first player; null when refused.
Room* Rooms::claim(Peer& peer, const std::string& code, const std::string& asked) {
    std::string events, why;
    if (store != nullptr && !store->claim(code, events, why)) {
        refused["busy"]++;
        log("refused game " + code + " to " + peer.address + ": " + why);
        peer.send("error busy");
        peer.close(closeTryAgainLater);
        return nullptr;
    }
    if (Room* room = events.empty() ? nullptr : open(code, events))
        return room;
    if (asked != "play" || !mayMake(peer)) {
        if (asked != "play")
            peer.send(asked == "resume" ? "error token" : "error room");
        if (store != nullptr)
            store->unclaim(code);
        return nullptr;
    }
    auto room = std::make_unique<Room>();
    room->code = code;
    room->waitingFrom = peer.address;
    makers[peer.address].waiting++;
    return (rooms[code] = std::move(room)).get();
}

void Rooms::load() {
    if (store != nullptr)
        for (const auto& [code, text] : store->kept())
            open(code, text);
}

void Rooms::release(const std::string& code) {
    auto found = rooms.find(code);
    if (found == rooms.end())
        return;
    Room& room = *found->second;
    joined(room);
    std::vector<Peer*> peers(room.watchers.begin(), room.watchers.end());
    for (Peer* player : room.players)
        if (player != nullptr)
            peers.push_back(player);
    for (Peer* peer : peers) {
        peer->room = nullptr;
        peer->discard();
        peer->close(closeTryAgainLater);
    }
    log("game " + code + " is no longer served here");
    rooms.erase(found);
}

void Rooms::sweep(RoomClock::time_point now) {
    for (auto at = rooms.begin(); at != rooms.end();) {
        Room& room = *at->second;
        const bool ended = over(room) || room.abandoned;
        const bool empty =
            room.players[0] == nullptr && room.players[1] == nullptr && room.watchers.empty();
        ++at;
        if (ended && empty && now - room.since > std::chrono::hours(1))
            drop(room.code);
    }
}

// A paired player on turn who has not moved in the time loses the seat.
void Rooms::startClock(Room& room) {
    const unsigned which = ++room.clocks;
    if (!room.paired || moveTime <= 0 || !room.started || over(room) || room.abandoned)
        return;
    const std::string code = room.code;
    later(moveTime, [this, code, which] {
        auto found = rooms.find(code);
        if (found == rooms.end())
            return;
        Room& room = *found->second;
        if (room.clocks == which && room.started && !over(room) && !room.abandoned)
            abandon(room, playerOnTurn(room.position), "stalled");
    });
}

// A room made for a pair that neither came to is forgotten after the grace.
void Rooms::forgetUnjoined(const std::string& code) {
    later(grace, [this, code] {
        auto found = rooms.find(code);
        if (found != rooms.end() && found->second->tokens[0].empty() &&
            found->second->tokens[1].empty() && found->second->watchers.empty())
            drop(code);
    });
}

std::string Rooms::makePaired() {
    if (rooms.size() >= most) {
        refused["rooms"]++;
        return "";
    }
    std::string code = newCode(), events, why;
    if (code.empty() || rooms.count(code) != 0 ||
        (store != nullptr && !store->claim(code, events, why)) || !events.empty())
        return "";
    auto room = std::make_unique<Room>();
    room->code = code;
    room->paired = true;
    if (!keep(*room, "paired")) {
        store->unclaim(code);
        return "";
    }
    // Where servers share the store, the players' own may serve it.
    if (store != nullptr && store->shared()) {
        store->letGo(code);
        return code;
    }
    rooms[code] = std::move(room);
    forgetUnjoined(code);
    return code;
}

long Rooms::playing() const {
    long players = 0;
    for (const auto& [code, room] : rooms)
        if (room->started && !over(*room) && !room->abandoned)
            players += (room->players[0] != nullptr) + (room->players[1] != nullptr);
    return players;
}
