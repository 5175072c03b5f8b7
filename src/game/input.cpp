#include "input.h"

#include "computer.h"
#include "fall.h"
#include "frame.h"
#include "game.h"
#include "history.h"
#include "online.h"
#include "pick.h"
#include "words.h"

#include <GL/freeglut_std.h>

#include <cstdlib>

/* ---------------- Mouse state ---------------- */

// The left button: where it went down, where the drag last turned the board
// (xBegin, yBegin), whether it is held and whether its drag has turned.
int xBegin, yBegin;
namespace {
int xPressed, yPressed;
bool leftHeld = false;
bool dragTurned = false;
// A press and release this close together, in pixels, are a click.
const int clickSlack = 5;
} // namespace

namespace {

// While the computer is on turn the move is its own, while the review is
// shown no one moves, and online only the seat on turn plays; the view keys
// and drags still act.
bool movesWait() { return turn == computerSide || reviewShown == 1 || !onlineMayMove(); }

// A player's digit or click: its column marked, or a dull tap when it is full.
void offerColumn(int k) {
    const int n = landingCell(k);
    if (n == 0) {
        gameSound("full");
        say("Column " + std::to_string(k) + " is full.");
    } else {
        say("Column " + std::to_string(k) + ": lands on level " + std::to_string((n - 1) / 9 + 1) +
            ".");
    }
    chooseColumn(k);
}

} // namespace

void keyAction(unsigned char key, int, int) {
    if (onlineTyping(key) || askKey(key))
        return;
    if (key == 26) {
        if (reviewShown == 1 || !onlineRefuses("Undo"))
            undo();
    } else if (key == 25) {
        if (reviewShown == 1 || !onlineRefuses("Redo"))
            redo();
    } else if (key == 27) {
        closeReview();
    } else if ((key == 'n' || key == 'p') && reviewShown == 1) {
        jumpReview(key == 'n' ? 1 : -1);
    } else if (key == ' ') {
        if (!movesWait())
            playMove();
    } else if (key >= '1' && key <= '9') {
        if (!movesWait())
            offerColumn(key - '0');
    } else {
        turnView(key);
    }
    glutPostRedisplay();
}

void specialKey(int key, int, int) {
    // Through the review: a move back or forward, or to either end.
    const int steps = key == GLUT_KEY_LEFT    ? -1
                      : key == GLUT_KEY_RIGHT ? 1
                      : key == GLUT_KEY_HOME  ? -27
                      : key == GLUT_KEY_END   ? 27
                                              : 0;
    if (steps != 0 && reviewShown == 1) {
        stepReview(steps);
        glutPostRedisplay();
    }
}

void connectGame() {
    turnBegins = computerTurn;
    movePlayed = recordMove;
    moveOffered = onlineOffers;
    ballPlaced = [](int k, int player) {
        startFall(k, player);
        tellMove(k, player);
    };
    boardChanged = landFall;
}

int columnUnderPointer(int x, int y) {
    static const Camera camera = {{xeye, yeye, zeye}, {xref, yref, zref}, {Vx, Vy, Vz}, vangle};
    double centres[27][3];
    for (int k = 0; k < 27; k++)
        for (int a = 0; a < 3; a++)
            centres[k][a] = myWorld.spheres[k]->ctm.m[a][3];
    int viewport[4];
    boardViewport(viewport);
    // The toolkit counts rows from the top; the pointer stands at the pixel's centre.
    int cell = cellAt(x + 0.5, winHeight - y - 0.5, centres, camera, viewport);
    return cell < 0 ? -1 : cell % 9;
}

void columnAction(int column) {
    if (movesWait() || gamecount == 27 || column < 0 || column > 8)
        return;
    if (colSelected == 1 && spotSelected != 0 && (spotSelected - 1) % 9 == column)
        playMove();
    else
        offerColumn(column + 1);
    glutPostRedisplay();
}

namespace {

// A click: the column under the pointer is marked, as its digit marks it, or
// played, as space plays it, when it is marked already.
void click(int x, int y) {
    const int column = columnUnderPointer(x, y);
    if (column >= 0)
        columnAction(column);
}

} // namespace

void mouseAction(int button, int state, int x, int y) {
    if (button != GLUT_LEFT_BUTTON)
        return;
    if (state == GLUT_DOWN) {
        leftHeld = true;
        dragTurned = false;
        xBegin = xPressed = x;
        yBegin = yPressed = y;
        return;
    }
    if (!leftHeld)
        return;
    leftHeld = false;
    int dx = x - xPressed, dy = y - yPressed;
    if (!dragTurned && dx * dx + dy * dy <= clickSlack * clickSlack)
        click(x, y);
}

void mouseMotion(int x, int y) {
    if (!leftHeld)
        return;
    int viewport[4];
    boardViewport(viewport);
    const int quarter = viewport[2] / 4 > 0 ? viewport[2] / 4 : 1;
    // The board follows the pointer: left as 'w', right as 's', up as 'q',
    // down as 'a'; the next quarter counts from where it turned.
    for (;;) {
        int dx = x - xBegin, dy = y - yBegin;
        if (std::abs(dx) < quarter && std::abs(dy) < quarter)
            break;
        if (std::abs(dx) >= std::abs(dy)) {
            turnView(dx < 0 ? 'w' : 's');
            xBegin += dx < 0 ? -quarter : quarter;
            yBegin = y;
        } else {
            turnView(dy < 0 ? 'q' : 'a');
            yBegin += dy < 0 ? -quarter : quarter;
            xBegin = x;
        }
        dragTurned = true;
        glutPostRedisplay();
    }
}
