#ifndef KAVETO_SETTINGS_H
#define KAVETO_SETTINGS_H

#include <string>

// What the game remembers between runs, apart from any toolkit: the players'
// choices, in the settings file, and the record of games against the
// computer, in the record file; each a few key=value lines that a person can
// read, written whole into a new file that is then renamed over the old one.

// The choices made in the menu; the defaults are the start of the Parts.
struct Settings {
    int colour1 = 1;       // player 1's colour, its menu value: red, blue, cyan, magenta
    int colour2 = 1;       // player 2's: green, yellow, orange, grey
    int opponent = 0;      // 0 two players, 1 easy, 2 good, 3 perfect
    int computerPlays = 1; // the player the computer plays, 0 or 1
    int columnValues = 0;  // the values above the columns shown (1) or not
    int rows = 1;          // the rows drawn at GAME OVER (1) or not
    int marks = 0;         // the players' balls marked (1) or not
    int sound = 1;         // the game's sounds on (1) or off
    int speak = 0;         // the desktop speaks what happens (1) or not
    int boardInWords = 0;  // the board in words shown always (1) or not
    int animation = -1;    // balls fall (1) or not (0); -1 unchosen: they fall but
                           // where the browser asks for reduced motion
    std::string server;    // the server Play someone asks, HOST:PORT; "" none yet
};

// Games against the computer that reached GAME OVER, by level (0 easy, 1
// good, 2 perfect), and online games (3), from the player's side.
struct Record {
    int won[4] = {}, drawn[4] = {}, lost[4] = {};
};

// Reads settings from a file's text; lines it does not understand (an
// unknown key, a value out of range, junk) leave the defaults for what they
// would have set. Returns the number of the first such line, 0 if none.
int parseSettings(const std::string& text, Settings& settings);
// The text of a settings file, which parseSettings reads back.
std::string settingsText(const Settings& settings);
// The same for the record.
int parseRecord(const std::string& text, Record& record);
std::string recordText(const Record& record);

// Where the files live: $XDG_CONFIG_HOME/kaveto/settings and
// $XDG_STATE_HOME/kaveto/record, each below the home folder (~/.config,
// ~/.local/state) when its variable is unset, empty or not an absolute path;
// empty when there is no home folder either.
std::string settingsPath();
std::string recordPath();

// Reads the settings, once at start; says on stderr, once, in one line, what
// in the file was skipped or why it could not be read. A missing file or
// folder is the first run: the defaults.
Settings loadSettings();
// Writes the settings; the first failure is told on stderr in one line, and
// the game plays on. Called whenever a choice changes.
void saveSettings(const Settings& settings);
// Reads the record as it stands in its file now, the same way.
Record loadRecord();
// Adds one game to the record in its file: result 1 won, 0 drawn, -1 lost,
// for the level (1 easy to 3 perfect, 4 online); the record as it stands now.
Record countGame(int level, int result);
// Adds an online game to the record.
Record countOnlineGame(int result);

#endif
