#ifndef KAVETO_WORDS_H
#define KAVETO_WORDS_H

#include <string>
#include <vector>

// The board and what happens on it in words, for a player who cannot see
// the picture: the same sentences in the browser's live region and in the
// desktop's speech. Players are "Player 1" and "Player 2", never colours.

// Whether the desktop speaks what happens (0 at start): the menu's " Speak moves ".
extern int speakMoves;
// Whether the board in words is shown always (0 at start): the menu's " Board in words ".
extern int boardInWords;

// What a column (0 to 8) holds from the bottom up and where the next ball
// lands: "Column 5: Player 1, Player 2, empty — lands on level 3", "Column 2: full".
std::string columnWords(const int board[9][3][2], int c);
// One level (0 to 2): "Level 1: columns 1 and 5 Player 1, column 7 Player 2".
std::string levelWords(const int board[9][3][2], int level);
// The board level by level, the levels joined by "; ".
std::string boardWords(const int board[9][3][2]);
// A move as it is played into cell index k: "Player 1: column 5, level 2",
// "The computer (Player 2): column 7, level 1".
std::string moveWords(int k, int player);
// Each row of three that the ball in cell k completed for its player:
// "Player 1 made a row: columns 1, 5, 9 on level 1".
std::vector<std::string> rowWords(const int board[9][3][2], int k, int player);
// GAME OVER with both counts and who won.
std::string gameOverWords(const int board[9][3][2]);

// Says a sentence: in the browser always, on the desktop while speakMoves
// is on; a speech service that cannot be reached gets one line at the
// strip's foot.
void say(const std::string& sentence);
// A move in words as its ball is placed: the move, its rows, then the turn
// or GAME OVER.
void tellMove(int k, int player);
// The keys that ask, l for the last move again, b for the board, c then a
// digit for one column; in the review, of the position shown. True when the
// key was taken.
bool askKey(unsigned char key);

#endif
