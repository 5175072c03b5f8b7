#include "settings.h"

#include "platform.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

const char* const colour1Names[4] = {"red", "blue", "cyan", "magenta"};
const char* const colour2Names[4] = {"green", "yellow", "orange", "grey"};
const char* const opponentNames[4] = {"two-players", "easy", "good", "perfect"};
const char* const levelNames[4] = {"easy", "good", "perfect", "online"};
// Nothing a person writes here is this long; anything longer is junk.
const size_t longestLine = 200;
// A file larger than this is not one of ours; a long line in a smaller one
// is skipped as junk.
const size_t largestFile = 4 * 1024 * 1024;

// The index of value in names, or -1.
int indexOf(const std::string& value, const char* const* names, int count) {
    for (int i = 0; i < count; i++)
        if (value == names[i])
            return i;
    return -1;
}

// Calls take(key, value) for each key=value line, blank lines and # comments
// aside; returns the number of the first line that is not of that form or
// that take refuses.
template <typename Take> int eachLine(const std::string& text, Take take) {
    std::istringstream lines(text);
    std::string line;
    int number = 0, firstBad = 0;
    while (std::getline(lines, line)) {
        number++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const size_t equals = line.find('=');
        bool good = line.size() <= longestLine && equals != std::string::npos &&
                    take(line.substr(0, equals), line.substr(equals + 1));
        if (!good && firstBad == 0)
            firstBad = number;
    }
    return firstBad;
}

bool parseCount(const std::string& text, int& count) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    count = std::atoi(text.c_str());
    return true;
}

// Writes the text whole, in place of what path held.
bool writeWhole(const std::string& path, const std::string& text, std::string& why) {
    if (path.empty()) {
        why = "no home folder";
        return false;
    }
    return replaceFile(path, text, why);
}

// Each trouble is told once a run, in one line.
void tellOnce(bool& told, const std::string& line) {
    if (told)
        return;
    told = true;
    std::fprintf(stderr, "kaveto: %s\n", line.c_str());
}

bool settingsReadTold = false, settingsWriteTold = false;
bool recordReadTold = false, recordWriteTold = false;

// Reads a file with its parser, telling what could not be read or was skipped.
template <typename Parse> void loadInto(const std::string& path, Parse parse, bool& told) {
    std::string text, why;
    if (path.empty())
        return;
    const bool read = readFile(path, text, why, largestFile);
    if (read && text.size() > largestFile)
        why = "too large to be a file of the game's";
    if (!read || text.size() > largestFile) {
        tellOnce(told, path + ": cannot be read (" + why + "); the defaults stand");
        return;
    }
    int bad = parse(text);
    if (bad != 0)
        tellOnce(told, path + ": line " + std::to_string(bad) +
                           " is not understood and was skipped; the defaults stand for it");
}

} // namespace

int parseSettings(const std::string& text, Settings& settings) {
    return eachLine(text, [&settings](const std::string& key, const std::string& value) {
        int i;
        if (key == "player1-colour" && (i = indexOf(value, colour1Names, 4)) >= 0)
            settings.colour1 = i + 1;
        else if (key == "player2-colour" && (i = indexOf(value, colour2Names, 4)) >= 0)
            settings.colour2 = i + 1;
        else if (key == "opponent" && (i = indexOf(value, opponentNames, 4)) >= 0)
            settings.opponent = i;
        else if (key == "computer-plays" && (value == "player1" || value == "player2"))
            settings.computerPlays = value == "player1" ? 0 : 1;
        else if (key == "column-values" && (value == "shown" || value == "hidden"))
            settings.columnValues = value == "shown";
        else if (key == "rows" && (value == "shown" || value == "hidden"))
            settings.rows = value == "shown";
        else if (key == "marks" && (value == "on" || value == "off"))
            settings.marks = value == "on";
        else if (key == "sound" && (value == "0" || value == "1"))
            settings.sound = value == "1";
        else if (key == "animation" && (value == "0" || value == "1"))
            settings.animation = value == "1";
        else if (key == "speak" && (value == "0" || value == "1"))
            settings.speak = value == "1";
        else if (key == "board-in-words" && (value == "0" || value == "1"))
            settings.boardInWords = value == "1";
        else if (key == "server" && !value.empty() && value.size() < 200)
            settings.server = value;
        else
            return false;
        return true;
    });
}

std::string settingsText(const Settings& s) {
    auto pick = [](const char* const* names, int i, int count) {
        return i >= 0 && i < count ? names[i] : names[0];
    };
    return std::string(
               "# Kaveto's choices, written by the game; remove the file to forget them.\n") +
           "player1-colour=" + pick(colour1Names, s.colour1 - 1, 4) + "\n" +
           "player2-colour=" + pick(colour2Names, s.colour2 - 1, 4) + "\n" +
           "opponent=" + pick(opponentNames, s.opponent, 4) + "\n" +
           "computer-plays=" + (s.computerPlays == 0 ? "player1" : "player2") + "\n" +
           "column-values=" + (s.columnValues == 1 ? "shown" : "hidden") + "\n" +
           "rows=" + (s.rows == 1 ? "shown" : "hidden") + "\n" +
           "marks=" + (s.marks == 1 ? "on" : "off") + "\n" + "sound=" + (s.sound == 0 ? "0" : "1") +
           "\n" + "speak=" + (s.speak == 1 ? "1" : "0") + "\n" +
           "board-in-words=" + (s.boardInWords == 1 ? "1" : "0") + "\n" +
           (s.animation == -1  ? ""
            : s.animation == 0 ? "animation=0\n"
                               : "animation=1\n") +
           (s.server.empty() ? "" : "server=" + s.server + "\n");
}

int parseRecord(const std::string& text, Record& record) {
    return eachLine(text, [&record](const std::string& key, const std::string& value) {
        int level = indexOf(key, levelNames, 4), won, drawn, lost;
        std::istringstream words(value);
        std::string a, b, c, rest;
        words >> a >> b >> c;
        if (level < 0 || words >> rest || !parseCount(a, won) || !parseCount(b, drawn) ||
            !parseCount(c, lost))
            return false;
        record.won[level] = won;
        record.drawn[level] = drawn;
        record.lost[level] = lost;
        return true;
    });
}

std::string recordText(const Record& record) {
    std::string text = "# Games against the computer, by level, and online: won drawn lost.\n";
    for (int level = 0; level < 4; level++)
        text += std::string(levelNames[level]) + "=" + std::to_string(record.won[level]) + " " +
                std::to_string(record.drawn[level]) + " " + std::to_string(record.lost[level]) +
                "\n";
    return text;
}

std::string settingsPath() {
    std::string base = dataFolder(false);
    return base.empty() ? "" : base + "/kaveto/settings";
}

std::string recordPath() {
    std::string base = dataFolder(true);
    return base.empty() ? "" : base + "/kaveto/record";
}

Settings loadSettings() {
    Settings settings;
    loadInto(
        settingsPath(),
        [&settings](const std::string& text) { return parseSettings(text, settings); },
        settingsReadTold);
    return settings;
}

void saveSettings(const Settings& settings) {
    std::string why, path = settingsPath();
    if (!writeWhole(path, settingsText(settings), why))
        tellOnce(settingsWriteTold, "cannot save the choices in " +
                                        (path.empty() ? "~/.config" : path) + " (" + why +
                                        "); the game plays on");
}

Record loadRecord() {
    Record record;
    loadInto(
        recordPath(), [&record](const std::string& text) { return parseRecord(text, record); },
        recordReadTold);
    return record;
}

Record countGame(int level, int result) {
    Record record = loadRecord();
    if (level < 1 || level > 4)
        return record;
    (result > 0 ? record.won : result == 0 ? record.drawn : record.lost)[level - 1]++;
    std::string why, path = recordPath();
    if (!writeWhole(path, recordText(record), why))
        tellOnce(recordWriteTold, "cannot save the record in " +
                                      (path.empty() ? "~/.local/state" : path) + " (" + why +
                                      "); the game plays on");
    return record;
}

Record countOnlineGame(int result) { return countGame(4, result); }
