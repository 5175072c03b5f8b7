#include "seek.h"

#include "client.h"
#include "computer.h"
#include "history.h"
#include "menus.h"
#include "online.h"
#include "settings.h"
#include "words.h"

#include <GL/freeglut_std.h>

std::string seekServer;
int offerSeconds = 30;

namespace {

// The queue's address, whether it is connected and looked at, and what it told:
// players waiting (this one among them) and playing; why it closed.
GameAddress queue;
bool looking = false, connected = false, polling = false;
int waitingCount = 0, playingCount = 0;
std::string trouble;
// The computer offered after a while alone, its game played meanwhile (the
// opponent chosen before kept to come back to), and the room found then.
bool offered = false, playingComputer = false;
int keptLevel = 0, keptPlays = 1;
unsigned search = 0;
GameAddress found;

const unsigned pollPeriod = 200, retryPeriod = 3000;

void poll(int);

void retry(int) {
    if (looking && !connected && found.host.empty())
        clientConnect(queue);
}

// A while alone: the computer is offered.
void offer(int which) {
    if (!looking || static_cast<unsigned>(which) != search || !found.host.empty())
        return;
    offered = true;
    say("No opponent yet: Online, Play the computer while you wait.");
    if (menusChanged != nullptr)
        menusChanged();
    glutPostRedisplay();
}

void schedule() {
    if (!polling && looking) {
        polling = true;
        glutTimerFunc(pollPeriod, poll, 0);
    }
}

void received(const std::string& text) {
    std::vector<std::string> words;
    if (!splitMessage(text, words))
        return;
    if (words[0] == "waiting" && words.size() == 3) {
        wordNumber(words[1], 0, 1000000000, waitingCount);
        wordNumber(words[2], 0, 1000000000, playingCount);
    } else if (words[0] == "paired" && words.size() == 2 && isRoomCode(words[1])) {
        GameAddress room = queue;
        room.code = words[1];
        // Out of the queue already: the server closes it, no bye to send.
        connected = false;
        if (playingComputer) {
            // The game with the computer goes on until the player switches.
            found = room;
            say("An opponent is found: Online, Switch to the online game.");
            if (menusChanged != nullptr)
                menusChanged();
            return;
        }
        seekStop();
        onlinePaired(room.url());
    } else if (words[0] == "error" && words.size() == 2) {
        trouble = words[1] == "busy" ? "the server is busy; try again later"
                                     : "the server refused (" + words[1] + ")";
    }
}

void poll(int) {
    polling = false;
    // Once the search is over the connection's events are the online game's.
    if (!looking)
        return;
    for (const ClientEvent& event : clientEvents()) {
        if (!looking)
            return;
        if (event.kind == clientOpened) {
            connected = true;
            trouble.clear();
            clientSend("hello 1 pair");
        } else if (event.kind == clientMessage) {
            received(event.text);
        } else {
            // Closed: said why, and tried again a little later.
            connected = false;
            if (!found.host.empty())
                continue;
            if (trouble.empty())
                trouble = event.text.empty() ? "the connection is lost" : event.text;
            glutTimerFunc(retryPeriod, retry, 0);
        }
    }
    glutPostRedisplay();
    schedule();
}

} // namespace

void onlineSeek() {
    if (onlineActive())
        onlineLeave();
    seekStop();
    if (!defaultServer("pair", queue)) {
        std::string why;
        if (seekServer.empty() || !parseGameAddress(seekServer + "/PAIR", queue, why)) {
            onlineAskServer();
            return;
        }
        queue.code = "pair";
        saveSettings(choicesInForce());
    }
    looking = true;
    trouble.clear();
    waitingCount = playingCount = 0;
    offered = playingComputer = false;
    found = GameAddress();
    glutTimerFunc(static_cast<unsigned>(offerSeconds) * 1000, offer, static_cast<int>(++search));
    clientConnect(queue);
    schedule();
    glutPostRedisplay();
}

bool seeking() { return looking; }

void seekStop() {
    if (!looking)
        return;
    if (connected)
        clientSend("bye");
    clientDisconnect();
    looking = connected = offered = playingComputer = false;
    found = GameAddress();
    glutPostRedisplay();
}

void seekChoose() {
    if (looking && !found.host.empty()) {
        const GameAddress room = found;
        chooseOpponent(keptLevel, keptPlays);
        seekStop();
        onlinePaired(room.url());
    } else if (looking && offered && !playingComputer) {
        playingComputer = true;
        keptLevel = opponentLevel;
        keptPlays = computerPlays;
        newGameWithoutMoves();
        chooseOpponent(opponentLevel > 0 ? opponentLevel : 2, computerPlays);
    } else {
        onlineSeek();
    }
}

std::string seekEntry() {
    if (looking && !found.host.empty())
        return " Switch to the online game ";
    if (looking && offered && !playingComputer)
        return " Play the computer while you wait ";
    return " Play someone ";
}

std::string seekLine() {
    if (!looking)
        return "";
    const std::string where = queue.host + ":" + std::to_string(queue.port);
    if (!trouble.empty())
        return "Looking for an opponent on " + where + ": " + trouble + ". Escape stops";
    if (!connected)
        return "Looking for an opponent: connecting to " + where + "\u2026";
    if (!found.host.empty())
        return "An opponent is found \u2014 Online: Switch to the online game";
    const int others = waitingCount > 0 ? waitingCount - 1 : 0;
    const std::string counts = std::to_string(others) + (others == 1 ? " other" : " others") +
                               " waiting, " + std::to_string(playingCount) + " playing";
    if (playingComputer)
        return "Playing the computer while looking for an opponent (" + counts + ")";
    if (offered)
        return "No opponent yet \u2014 " + counts + ". Online: Play the computer while you wait";
    return "Looking for an opponent \u2014 " + counts + ", on " + where + ". Escape stops";
}
