#include "pairing.h"

#include "protocol.h"

#include <algorithm>

namespace {

const int closeNormal = 1000, closeTryAgainLater = 1013;

} // namespace

Pairing::Pairing(Rooms& rooms, std::function<void(int, std::function<void()>)> later)
    : rooms(rooms), later(std::move(later)) {}

void Pairing::message(Peer& peer, const std::vector<std::string>& words) {
    int version;
    if (words[0] == "hello") {
        if (peer.seat >= 0) {
            peer.send("error hello");
        } else if (words.size() != 3 || words[2] != "pair" ||
                   !wordNumber(words[1], 1, 999999999, version)) {
            peer.send("error syntax");
        } else if (version > protocolVersion) {
            peer.send("error version");
            peer.close(closeNormal);
        } else {
            // Waiting is its seat: it waits once.
            peer.seat = 0;
            queue.push_back(&peer);
            tell(&peer);
            pair();
            tick();
        }
    } else if (words[0] == "bye" && words.size() == 1 && peer.seat == 0) {
        leave(peer);
        peer.close(closeNormal);
    } else {
        peer.send(peer.seat < 0 ? "error hello" : "error syntax");
    }
}

void Pairing::lost(Peer& peer) { leave(peer); }

void Pairing::leave(Peer& peer) {
    queue.erase(std::remove(queue.begin(), queue.end(), &peer), queue.end());
    peer.seat = -2;
}

// The first two waiting go to a room made for them; when none can be made
// now, they are told to come back later.
void Pairing::pair() {
    while (queue.size() >= 2) {
        Peer* pair[2] = {queue[0], queue[1]};
        queue.erase(queue.begin(), queue.begin() + 2);
        const std::string code = rooms.makePaired();
        for (Peer* peer : pair) {
            peer->seat = -2;
            peer->send(code.empty() ? "error busy" : "paired " + code);
            peer->close(code.empty() ? closeTryAgainLater : closeNormal);
        }
    }
}

// "waiting N M": N players waiting, M playing; to one who just came, or to
// all when it has changed.
void Pairing::tell(Peer* only) {
    const std::string now =
        "waiting " + std::to_string(queue.size()) + " " + std::to_string(rooms.playing());
    if (only != nullptr) {
        only->send(now);
        return;
    }
    if (now == told)
        return;
    told = now;
    for (Peer* peer : queue)
        peer->send(now);
}

// Once a second while anyone waits: the counts, if they changed.
void Pairing::tick() {
    if (ticking || queue.empty())
        return;
    ticking = true;
    later(1, [this] {
        ticking = false;
        tell();
        tick();
    });
}
