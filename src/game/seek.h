#ifndef KAVETO_SEEK_H
#define KAVETO_SEEK_H

#include <string>

// Playing someone: the server's queue at /ws/pair until an opponent is
// found, then the room made for the two, played as any online game. The
// same on the desktop and in the browser.

// The server that Play someone asks on the desktop (HOST:PORT): --server,
// or the one typed the first time; remembered in the settings.
extern std::string seekServer;

// Seconds alone before the computer is offered.
extern int offerSeconds;

// Looks for an opponent: on the page's own server in the browser, on
// seekServer on the desktop (asked for in the strip when there is none).
void onlineSeek();
// The Online menu's first entry: Play someone; after offerSeconds alone,
// Play the computer while you wait (the computer's chosen level, good if
// none, in a new game while the search goes on); once someone is found
// meanwhile, Switch to the online game (the computer's game left uncounted).
void seekChoose();
// That entry's label.
std::string seekEntry();
// Whether looking for an opponent now.
bool seeking();
// Stops looking, the server told.
void seekStop();
// The strip's line while looking: the counts; "" when not looking.
std::string seekLine();

#endif
