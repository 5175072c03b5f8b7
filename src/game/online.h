#ifndef KAVETO_ONLINE_H
#define KAVETO_ONLINE_H

#include <string>

// A game across two machines: the local player plays their seat by keys and
// clicks as always, the other's balls arrive from the server as the
// computer's do. The same on the desktop and in the browser; only the
// connection (client.h) differs.

// The seat played here (1 or 2), 0 while watching, -1 when not online.
extern int onlineSeat;

// Takes a seat in the game at the address (HOST:PORT/CODE, ws://… or
// wss://…, or a code alone where the page's own server hosts), or watches
// it; a game played before at that address takes its seat back with the
// token kept for it. A bad address is told in the strip.
void onlineJoin(const std::string& where, bool watch);
// Takes a seat in the room that the server made for a pair of strangers:
// there a seat lost to stalling ends the game, counted.
void onlinePaired(const std::string& where);
// Hosts a game: a room with a fresh code, here or on the page's server; the
// strip says what to tell the other player.
void onlineHost();
// Asks for the address in the strip, typed with the keys.
void onlineAsk();
// Asks in the strip for the server that Play someone asks (HOST:PORT), then looks there.
void onlineAskServer();
// Leaves the game for good: the other player is told.
void onlineLeave();

// Whether a game is online now, connected or not.
bool onlineActive();
// The game's moveOffered while online: a move made here is sent to the
// server, and played when it comes back; true, and nothing played here.
bool onlineOffers(int column);
// Whether the local player may play now: not online, or online, connected,
// with the seat on turn, the game started and no move of theirs on its way.
bool onlineMayMove();
// Whether the choice (Undo, Redo, the hint, the column values, the
// computer, the review before GAME OVER) waits for the end of an online
// game; the notice then says so.
bool onlineRefuses(const char* what);
// New game in an online game: a rematch offered at GAME OVER, the seats
// swapped once both have chosen it; false when not online.
bool onlineNewGame();
// While the address is asked for, takes the typed character: letters,
// digits, '.', ':', '/', '-', Backspace, Enter, Escape; while looking for
// an opponent, Escape stops; false otherwise.
bool onlineTyping(unsigned char key);
// The strip's line for the online game: who is who and the connection's
// state, what is being typed, or the search for an opponent; empty when
// not online.
std::string onlineLine();

#endif
