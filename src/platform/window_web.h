#ifndef KAVETO_WINDOW_WEB_H
#define KAVETO_WINDOW_WEB_H

#include <string>
#include <vector>

// The browser's page as the game's units see it (window_web.cpp): what the
// renderer hands over and the page's part of the start.

// A text of the picture: where its baseline starts, in canvas pixels from
// the bottom left, its size in pixels, its colour, and its kind (render.h).
struct PageText {
    float x, y, size;
    float colour[3];
    std::string text;
    int kind;
    bool operator==(const PageText& other) const;
};
// Lays the frame's texts over the canvas, in place of those shown before.
void showPageTexts(const std::vector<PageText>& texts);
// Names the page's nine column buttons for what their columns hold, and
// shows them always or only when they have the focus; when that changed.
void showColumns();
// Tells the page that the first frame is drawn: the book may come now.
void firstFrameShown();
// Makes a WebGL 2 context on the page's canvas, current; false, and the page
// says so, where the browser has none.
bool createContext();
// The moves that the page's address asks for (?moves=DIGITS), or false when
// it asks for none.
bool addressMoves(std::string& digits);
// The online game that the page's address asks to play (?play=CODE) or to
// watch (?watch=CODE), or false when it asks for none.
bool addressGame(std::string& code, bool& watch);

#endif
