#include "words.h"

#include "computer.h"
#include "game.h"
#include "history.h"
#include "online.h"
#include "reviewtext.h"
#include "speech.h"

#include <GL/freeglut_std.h>

int speakMoves = 0;
int boardInWords = 0;

namespace {

// 1 after c, while the column's digit is awaited.
int columnAsked = 0;

std::string playerName(int player) { return "Player " + std::to_string(player + 1); }

// Who played a move: the computer and the other machine by what they are.
std::string moverName(int player) {
    if (computerSide == player)
        return "The computer (" + playerName(player) + ")";
    if (onlineSeat > 0 && onlineSeat - 1 != player)
        return "The other player (" + playerName(player) + ")";
    return playerName(player);
}

// "1", "1 and 5", "1, 2 and 5".
std::string listed(const std::vector<int>& numbers) {
    std::string out;
    for (size_t i = 0; i < numbers.size(); i++)
        out += (i == 0                    ? ""
                : i + 1 == numbers.size() ? " and "
                                          : ", ") +
               std::to_string(numbers[i]);
    return out;
}

std::string columnsWord(const std::vector<int>& columns) {
    return (columns.size() == 1 ? "column " : "columns ") + listed(columns);
}

// The cells of a row as the issue of a row is said: on one level, in one
// column, or across both.
std::string rowCells(uint32_t row) {
    std::vector<int> columns, levels;
    for (int k = 0; k < 27; k++)
        if (row >> k & 1) {
            columns.push_back(k % 9 + 1);
            levels.push_back(k / 9 + 1);
        }
    auto joined = [](const std::vector<int>& n) {
        return std::to_string(n[0]) + ", " + std::to_string(n[1]) + ", " + std::to_string(n[2]);
    };
    if (levels[0] == levels[2])
        return "columns " + joined(columns) + " on level " + std::to_string(levels[0]);
    if (columns[0] == columns[2])
        return "column " + std::to_string(columns[0]) + " on levels 1, 2, 3";
    return "columns " + joined(columns) + " on levels " + joined(levels);
}

Position positionOf(const int board[9][3][2]) {
    Position position = {{0, 0}};
    for (int k = 0; k < 27; k++)
        for (int p = 0; p < 2; p++)
            if (board[k % 9][k / 9][p] == 1)
                position.balls[p] |= uint32_t{1} << k;
    return position;
}

} // namespace

std::string columnWords(const int board[9][3][2], int c) {
    std::string out = "Column " + std::to_string(c + 1) + ": ";
    int filled = 0;
    while (filled < 3 && (board[c][filled][0] == 1 || board[c][filled][1] == 1))
        filled++;
    if (filled == 3)
        return out + "full";
    for (int level = 0; level < 3; level++)
        out += (level > 0 ? ", " : "") +
               (level < filled ? playerName(board[c][level][0] == 1 ? 0 : 1) : "empty");
    return out + " \u2014 lands on level " + std::to_string(filled + 1);
}

std::string levelWords(const int board[9][3][2], int level) {
    std::string out = "Level " + std::to_string(level + 1) + ": ";
    bool any = false;
    for (int p = 0; p < 2; p++) {
        std::vector<int> columns;
        for (int c = 0; c < 9; c++)
            if (board[c][level][p] == 1)
                columns.push_back(c + 1);
        if (columns.empty())
            continue;
        out += (any ? ", " : "") + columnsWord(columns) + " " + playerName(p);
        any = true;
    }
    return any ? out : out + "empty";
}

std::string boardWords(const int board[9][3][2]) {
    return levelWords(board, 0) + "; " + levelWords(board, 1) + "; " + levelWords(board, 2);
}

std::string moveWords(int k, int player) {
    return moverName(player) + ": column " + std::to_string(k % 9 + 1) + ", level " +
           std::to_string(k / 9 + 1);
}

std::vector<std::string> rowWords(const int board[9][3][2], int k, int player) {
    std::vector<std::string> said;
    for (uint32_t row : completedRows(positionOf(board), player))
        if (row >> k & 1)
            said.push_back(playerName(player) + " made a row: " + rowCells(row));
    return said;
}

std::string gameOverWords(const int board[9][3][2]) {
    const int rows[2] = {countRows(board, 0), countRows(board, 1)};
    return "GAME OVER. Player 1: " + counted(rows[0], "row", "rows") +
           ", Player 2: " + counted(rows[1], "row", "rows") + ". " +
           (rows[0] > rows[1]   ? "Player 1 wins."
            : rows[1] > rows[0] ? "Player 2 wins."
                                : "Draw.");
}

void say(const std::string& sentence) {
    if (!speechAlwaysOn && speakMoves == 0)
        return;
    // The line stays while speech cannot be had: a move clears the notice
    // before its sentences.
    std::string why;
    if (speak(sentence, why))
        return;
    notice = "Moves cannot be spoken: " + why + ".";
    glutPostRedisplay();
}

void tellMove(int k, int player) {
    say(moveWords(k, player));
    for (const std::string& row : rowWords(spots, k, player))
        say(row);
    say(gamecount == 27 ? gameOverWords(spots) : playerName(turn) + "'s turn");
}

bool askKey(unsigned char key) {
    if (columnAsked == 1) {
        columnAsked = 0;
        if (key >= '1' && key <= '9') {
            say(columnWords(spots, key - '1'));
            return true;
        }
    }
    if (key == 'c') {
        columnAsked = 1;
        return true;
    }
    if (key == 'b') {
        say(boardWords(spots));
        return true;
    }
    if (key != 'l')
        return false;
    if (reviewShown == 1) {
        say(moveLine(gameMoves, gameValues(), movesOnBoard));
    } else if (movesOnBoard == 0) {
        say("No move yet.");
    } else {
        // The last ball on the board: the top one of the last move's column.
        const int c = gameMoves[movesOnBoard - 1];
        say(moveWords(9 * (*columnCount(c) - 1) + c, (movesOnBoard - 1) % 2));
    }
    return true;
}
