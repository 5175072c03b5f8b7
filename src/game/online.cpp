#include "online.h"

#include "client.h"
#include "computer.h"
#include "game.h"
#include "history.h"
#include "menus.h"
#include "platform.h"
#include "seek.h"
#include "settings.h"
#include "window.h"
#include "words.h"

#include <GL/freeglut_std.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <sstream>

int onlineSeat = -1;

namespace {

/* ---------------- The online game's state ---------------- */

// Where the game is, the seat's token, and whether the seat was asked for.
GameAddress address;
std::string token;
bool watching = false;
// The connection: open, its state in words, the next try's wait.
bool connected = false, leaving = false;
std::string connection;
double backoff = 0.5;
// The game: begun; the other player gone for now (1) or for good (2);
// rematches offered; the result counted in the record; whether the server
// paired the players, where a seat lost to stalling ends the game.
bool started = false, counted = false, paired = false;
int other = 0;
bool rematch[2] = {false, false};
// A move of ours sent and not yet confirmed, the moves come to be played,
// one of them being shown before it drops.
int sent = -1;
std::deque<int> arriving;
bool dropping = false, applying = false;
// The address typed in the strip (the server's, for Play someone, when
// askingServer), and what to tell the other player.
bool asking = false, askingServer = false;
std::string typed, tell;
bool polling = false, retrying = false;

const unsigned pollPeriod = 200, quickPollPeriod = 16, dropDelay = 500;

/* ---------------- Tokens kept for a return ---------------- */

std::string tokensPath() {
    const std::string folder = dataFolder(true);
    return folder.empty() ? "" : folder + "/kaveto/online";
}

// The kept lines "URL TOKEN", the one for this URL set or dropped.
std::string keptToken(const std::string& url, const std::string* replace) {
    std::string text, why, line, found, kept;
    if (tokensPath().empty() || !readFile(tokensPath(), text, why, 1 << 16))
        return "";
    std::istringstream lines(text);
    while (std::getline(lines, line)) {
        const size_t space = line.find(' ');
        if (space == std::string::npos)
            continue;
        if (line.substr(0, space) == url)
            found = line.substr(space + 1);
        else
            kept += line + "\n";
    }
    if (replace != nullptr) {
        if (!replace->empty())
            kept += url + " " + *replace + "\n";
        replaceFile(tokensPath(), kept, why);
    }
    return isToken(found) ? found : "";
}

/* ---------------- The turn, the title, the record ---------------- */

int seatOnTurn() { return turn + 1; }

// The window's title says whose turn it is, "Your turn" with a sound.
void tellTurn() {
    if (onlineSeat < 0) {
        announce("Kaveto by Lorvane & Tessmer", false);
        return;
    }
    if (onlineSeat > 0 && started && gamecount < 27 && seatOnTurn() == onlineSeat)
        announce("Kaveto: Your turn", true);
    else if (gamecount == 27)
        announce("Kaveto: GAME OVER", false);
    else
        announce(seatOnTurn() == 1 ? "Kaveto: Player 1's turn" : "Kaveto: Player 2's turn", false);
}

void countResult() {
    if (counted || onlineSeat <= 0 || gamecount != 27)
        return;
    counted = true;
    const int mine = countRows(spots, onlineSeat - 1), theirs = countRows(spots, 2 - onlineSeat);
    countOnlineGame(mine > theirs ? 1 : mine == theirs ? 0 : -1);
}

/* ---------------- Moves ---------------- */

void schedulePoll();

// The next move that came: the other's column is marked for a moment, as
// the computer marks its own, then dropped; ours drops at once.
void dropNext(int);

void playArrived() {
    if (dropping || arriving.empty())
        return;
    const int column = arriving.front();
    const bool ours = onlineSeat == seatOnTurn() && sent == column;
    chooseColumn(column + 1);
    if (ours) {
        dropNext(0);
        return;
    }
    dropping = true;
    glutTimerFunc(dropDelay, dropNext, 0);
    glutPostRedisplay();
}

void dropNext(int) {
    dropping = false;
    if (arriving.empty())
        return;
    const int column = arriving.front();
    arriving.pop_front();
    if (onlineSeat == seatOnTurn() && sent == column)
        sent = -1;
    // The mark may have moved under the player's keys: mark again, then play.
    chooseColumn(column + 1);
    applying = true;
    playMove();
    applying = false;
    countResult();
    tellTurn();
    glutPostRedisplay();
    playArrived();
}

// The board as the server has it: its moves, from the start.
void takeMoves(const std::string& moves) {
    std::vector<int> columns;
    if (moves != "-")
        for (char c : moves)
            columns.push_back(c - '1');
    arriving.clear();
    dropping = false;
    sent = -1;
    if (columns != gameMoves || movesOnBoard != static_cast<int>(gameMoves.size())) {
        if (columns.empty())
            newGameWithoutMoves();
        else
            playMovesFromStart(columns);
    }
    counted = gamecount == 27;
}

/* ---------------- The connection ---------------- */

void connect() {
    connected = false;
    connection = "connecting to " + address.host + ":" + std::to_string(address.port) + "…";
    clientConnect(address);
    schedulePoll();
}

void retry(int) {
    retrying = false;
    if (onlineSeat >= 0 || !address.host.empty())
        connect();
}

void lost(const std::string& why) {
    connected = false;
    if (leaving || address.host.empty())
        return;
    const int wait = static_cast<int>(backoff * 1000);
    connection = (why.empty() ? std::string("the connection is lost") : why) +
                 "; trying again in " + std::to_string((wait + 999) / 1000) + " s";
    if (!retrying) {
        retrying = true;
        glutTimerFunc(static_cast<unsigned>(wait), retry, 0);
    }
    backoff = std::min(10.0, backoff * 2);
    glutPostRedisplay();
}

void hello() {
    if (!token.empty())
        clientSend("hello 1 resume " + token);
    else
        clientSend(watching ? "hello 1 watch" : "hello 1 play");
}

void received(const std::string& text) {
    std::vector<std::string> words;
    if (!splitMessage(text, words))
        return;
    const std::string& word = words[0];
    int seat = 0, n = 0, column = 0;
    const bool numbered = words.size() == 2 && wordNumber(words[1], 0, 2, seat);
    if (word == "seat" && words.size() == 4 && wordNumber(words[1], 0, 2, seat) &&
        isMoveList(words[3])) {
        onlineSeat = seat;
        if (seat > 0 && isToken(words[2]) && words[2] != token) {
            token = words[2];
            keptToken(address.url(), &token);
        }
        started = false;
        rematch[0] = rematch[1] = false;
        takeMoves(words[3]);
    } else if (word == "start" && words.size() == 1) {
        started = true;
    } else if (word == "moved" && words.size() == 3 && wordNumber(words[1], 0, 26, n) &&
               wordNumber(words[2], 1, 9, column)) {
        const int known = movesOnBoard + static_cast<int>(arriving.size());
        if (n == known)
            arriving.push_back(column - 1);
        else if (n > known)
            clientConnect(address); // out of step: the server's moves on return
        playArrived();
    } else if (word == "over" && words.size() == 1) {
        countResult();
    } else if (word == "abandoned" && numbered && paired && onlineSeat > 0 && !counted &&
               gamecount < 27) {
        // A paired game ends when a seat is lost: a win for the other.
        counted = true;
        countOnlineGame(seat == onlineSeat ? -1 : 1);
        other = seat == onlineSeat ? 0 : 2;
        if (seat == onlineSeat)
            notice = "You took too long to move: the game is lost.";
        say(seat == onlineSeat ? notice : "Player " + std::to_string(seat) + " has gone for good.");
    } else if ((word == "gone" || word == "back" || word == "abandoned") && numbered &&
               seat != onlineSeat) {
        other = word == "gone" ? 1 : word == "back" ? 0 : 2;
        say("Player " + std::to_string(seat) +
            (other == 1   ? " has left."
             : other == 0 ? " is back."
                          : " has gone for good."));
    } else if (word == "rematch" && numbered && seat >= 1) {
        rematch[seat - 1] = true;
    } else if (word == "error" && words.size() == 2) {
        const std::string& what = words[1];
        if (what == "token") {
            token.clear();
            keptToken(address.url(), &token);
            hello();
        } else if (what == "seats") {
            watching = true;
            notice = "That game has its two players: you are watching it.";
            hello();
        } else if (what == "version") {
            leaving = true;
            connection = "the server speaks a newer version of the game";
        } else if (what == "stale" || what == "turn" || what == "full" || what == "over" ||
                   what == "busy") {
            // Out of step with the server, or a move it could not keep: its
            // moves on return, and the player plays again.
            sent = -1;
            clientConnect(address);
        }
    }
    tellTurn();
}

void poll(int) {
    polling = false;
    if (onlineSeat < 0 && address.host.empty())
        return;
    for (const ClientEvent& event : clientEvents()) {
        if (event.kind == clientOpened) {
            connected = true;
            backoff = 0.5;
            connection = "connected";
            hello();
        } else if (event.kind == clientMessage) {
            received(event.text);
        } else {
            lost(event.text);
        }
    }
    glutPostRedisplay();
    schedulePoll();
}

// A few times a second while online; every frame while a move of ours is on its way.
void schedulePoll() {
    if (polling || address.host.empty())
        return;
    polling = true;
    glutTimerFunc(sent >= 0 ? quickPollPeriod : pollPeriod, poll, 0);
}

// While online the computer plays no side.
void setOnline(bool on) {
    computerOff = on ? 1 : 0;
    chooseOpponent(opponentLevel, computerPlays);
}

std::string randomCode() {
    static const char letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    unsigned char bytes[6];
    std::string code;
    if (!secureRandom(bytes, sizeof bytes))
        return "KAVETO";
    for (unsigned char b : bytes)
        code += letters[b % 32];
    return code;
}

void begin(const GameAddress& where, bool watch) {
    // One connection at a time: a search for an opponent ends here.
    seekStop();
    if (!address.host.empty())
        onlineLeave();
    address = where;
    watching = watch;
    token = watch ? "" : keptToken(address.url(), nullptr);
    onlineSeat = watch ? 0 : -1;
    started = counted = leaving = paired = false;
    other = 0;
    backoff = 0.5;
    setOnline(true);
    connect();
    glutPostRedisplay();
}

} // namespace

void onlinePaired(const std::string& where) {
    onlineJoin(where, false);
    paired = !address.host.empty();
}

void onlineJoin(const std::string& where, bool watch) {
    GameAddress found;
    std::string why;
    if (!defaultServer(where, found) && !parseGameAddress(where, found, why)) {
        notice = "Not a game's address (" + why + "): " + where;
        glutPostRedisplay();
        return;
    }
    tell.clear();
    begin(found, watch);
}

void onlineHost() {
    GameAddress found;
    std::string told, why;
    if (!hostRoom(randomCode(), found, told, why)) {
        notice = "Cannot host a game: " + why;
        glutPostRedisplay();
        return;
    }
    begin(found, false);
    tell = told;
}

void onlineAsk() {
    asking = true;
    askingServer = false;
    typed.clear();
    glutPostRedisplay();
}

void onlineAskServer() {
    asking = askingServer = true;
    typed.clear();
    glutPostRedisplay();
}

void onlineLeave() {
    seekStop();
    if (address.host.empty())
        return;
    leaving = true;
    if (connected)
        clientSend("bye");
    clientDisconnect();
    if (!token.empty()) {
        const std::string none;
        keptToken(address.url(), &none);
    }
    address = GameAddress();
    token.clear();
    tell.clear();
    onlineSeat = -1;
    arriving.clear();
    sent = -1;
    setOnline(false);
    tellTurn();
    glutPostRedisplay();
}

bool onlineMayMove() {
    if (address.host.empty())
        return true;
    return connected && onlineSeat > 0 && started && other != 2 && gamecount < 27 &&
           seatOnTurn() == onlineSeat && sent < 0 && arriving.empty() && !dropping;
}

bool onlineActive() { return !address.host.empty(); }

bool onlineOffers(int column) {
    if (address.host.empty() || applying)
        return false;
    if (onlineMayMove()) {
        sent = column;
        clientSend("move " + std::to_string(movesOnBoard) + " " + std::to_string(column + 1));
        polling = false;
        schedulePoll();
    }
    return true;
}

bool onlineRefuses(const char* what) {
    if (address.host.empty())
        return false;
    notice = std::string(what) + " is off during an online game.";
    glutPostRedisplay();
    return true;
}

bool onlineNewGame() {
    if (address.host.empty())
        return false;
    if (gamecount == 27 && onlineSeat > 0 && connected) {
        clientSend("rematch");
        rematch[onlineSeat - 1] = true;
    } else {
        notice = "New game offers a rematch at GAME OVER of an online game.";
    }
    glutPostRedisplay();
    return true;
}

bool onlineTyping(unsigned char key) {
    if (!asking && seeking() && key == 27) {
        seekStop();
        return true;
    }
    if (!asking)
        return false;
    if (key == 27) {
        asking = false;
    } else if (key == 8 || key == 127) {
        if (!typed.empty())
            typed.pop_back();
    } else if (key == 13 && askingServer) {
        asking = false;
        seekServer = typed;
        saveSettings(choicesInForce());
        onlineSeek();
    } else if (key == 13) {
        asking = false;
        // The room's code is in capitals however it was typed.
        std::string where = typed;
        const size_t slash = where.rfind('/');
        for (size_t i = slash == std::string::npos ? where.size() : slash + 1; i < where.size();
             i++)
            where[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(where[i])));
        onlineJoin(where, false);
    } else if (((key >= 'a' && key <= 'z') || (key >= 'A' && key <= 'Z') ||
                (key >= '0' && key <= '9') || key == '.' || key == ':' || key == '/' ||
                key == '-') &&
               typed.size() < 100) {
        typed += static_cast<char>(key);
    }
    glutPostRedisplay();
    return true;
}

std::string onlineLine() {
    if (asking)
        return (askingServer ? "The Kaveto server (HOST:PORT), then Enter: "
                             : "The game's address (HOST:PORT/CODE), then Enter: ") +
               typed + "_";
    if (seeking())
        return seekLine();
    if (address.host.empty())
        return "";
    std::string line = onlineSeat == 0  ? "Watching"
                       : onlineSeat > 0 ? "You are Player " + std::to_string(onlineSeat)
                                        : "Online";
    const int them = onlineSeat == 1 ? 2 : 1;
    if (!connected)
        line += "; " + connection;
    else if (other == 2)
        line += "; Player " + std::to_string(them) + " has gone";
    else if (other == 1)
        line += "; Player " + std::to_string(them) + " has left \u2014 waiting";
    else if (onlineSeat > 0 && !started)
        line += "; waiting for Player " + std::to_string(them);
    else if (onlineSeat > 0 && rematch[them - 1] && !rematch[onlineSeat - 1])
        line += "; Player " + std::to_string(them) + " offers a rematch: New game to accept";
    else if (onlineSeat > 0 && rematch[onlineSeat - 1])
        line += "; rematch offered, waiting for Player " + std::to_string(them);
    else
        line += "; connected";
    if (!tell.empty() && !started)
        line += ". Tell the other player: " + tell;
    return line;
}
