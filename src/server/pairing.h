#ifndef KAVETO_PAIRING_H
#define KAVETO_PAIRING_H

#include "room.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// Players who ask for an opponent at /ws/pair, apart from any transport:
// paired first come first served, each pair sent to a room made for them;
// while they wait, how many wait and how many play.
class Pairing {
  public:
    // The rooms that pairs are sent to; `later` calls a function after some seconds.
    Pairing(Rooms& rooms, std::function<void(int seconds, std::function<void()>)> later);
    // A message from a connection to /ws/pair.
    void message(Peer& peer, const std::vector<std::string>& words);
    // A connection gone: it waits no more.
    void lost(Peer& peer);
    // How many wait now.
    size_t size() const { return queue.size(); }

  private:
    void pair();
    void leave(Peer& peer);
    void tell(Peer* only = nullptr);
    void tick();

    Rooms& rooms;
    std::function<void(int, std::function<void()>)> later;
    std::deque<Peer*> queue;
    // What the waiting were last told, and whether a second's tick is coming.
    std::string told;
    bool ticking = false;
};

#endif
