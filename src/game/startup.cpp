#include "startup.h"

#include "computer.h"
#include "frame.h"
#include "game.h"
#include "history.h"
#include "input.h"
#include "menus.h"
#include "online.h"
#include "protocol.h"
#include "referee.h"
#include "seek.h"
#include "window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Light and material, set once at start
const GLfloat light_ambient[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light_diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light_specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light_position[] = {2.0f, 5.0f, 5.0f, 0.0f};
const GLfloat mat_ambient[] = {0.7f, 0.7f, 0.7f, 1.0f};
const GLfloat mat_diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat mat_specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat high_shininess[] = {100.0f};

const char* const usage =
    R"(Usage: kaveto [--moves DIGITS | --play ADDRESS | --watch ADDRESS] [--server HOST:PORT]
              [X options]
A board game for two players on a cube of 3 x 3 x 3 cells.

Keys:
  1 ... 9       choose a column; the cube where the ball would land turns
  space         drop the ball into the chosen column and pass the turn
  q a, w s, e d turn the board a quarter turn about the x, y or z axis
  l, b, c DIGIT say the last move, the board, or one column (with Speak moves)
A left click marks the column under the pointer, a second click drops the
ball; a left-button drag turns the board. Ctrl+Z takes a move back, Ctrl+Y
plays it again.
The right mouse button opens the menu: colours, pages of rules, the
opponent (two players, or the computer: easy, good, perfect), a hint, the
value of each column, the rows at the end, New game, Undo, Redo, the
review of every move (arrows, Home and End step through it; n and p jump
to the next and the previous move that was not best), the record
against the computer, marks on the balls, Online, Sound off, Animation
off, Speak moves (through speech-dispatcher), Board in words, Quit. A ball falls to its cell and lands with a knock; rows chime and
the end sounds; the two switches turn the fall and the sounds off. The
choices are remembered in ~/.config/kaveto/settings; remove the file to
forget them.

Options:
  --help        print this and exit
  --version     print the version and exit
  --moves DIGITS
                start with these moves played, the columns from the first
                move on (as the review's "Moves:" line writes them)
  --play ADDRESS
                take a seat in the online game at ADDRESS: HOST:PORT/CODE,
                ws://HOST:PORT/ws/CODE or wss://HOST/ws/CODE (as " Host a
                game here " in the menu tells it)
  --watch ADDRESS
                watch the online game at ADDRESS
  --server HOST:PORT
                the Kaveto server where " Play someone " looks for an
                opponent; remembered once used (asked for the first time
                otherwise)
  -display NAME, -geometry WxH+X+Y, -iconic, -direct, -indirect, -gldebug,
  -sync         the toolkit's X options
)";

// The moves that --moves asked for, played once the window is open; the
// online game that --play or --watch asked for, joined then.
std::vector<int> startingMoves;
std::string onlineAddress;
bool onlineWatch = false;
// The server that --server named for Play someone, remembered once used.
std::string serverGiven;
// Whether -geometry placed and sized the window, in place of the game's own.
bool geometryNamed = false;

bool isOneOf(const char* argument, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (std::strcmp(argument, name) == 0)
            return true;
    return false;
}

} // namespace

int checkCommandLine(int argc, char** argv) {
    bool displayNamed = false;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kaveto %s\n", KAVETO_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--moves") == 0) {
            if (i + 1 == argc) {
                std::fputs("kaveto: --moves needs a value; try 'kaveto --help'\n", stderr);
                return 2;
            }
            std::string wrong = parseMoves(argv[++i], startingMoves);
            if (!wrong.empty()) {
                std::fprintf(stderr, "kaveto: --moves: %s\n", wrong.c_str());
                return 2;
            }
        } else if (isOneOf(argv[i], {"--play", "--watch"})) {
            GameAddress address;
            std::string why;
            if (i + 1 == argc || !parseGameAddress(argv[i + 1], address, why)) {
                std::fprintf(stderr, "kaveto: %s: %s; try 'kaveto --help'\n", argv[i],
                             i + 1 == argc ? "needs an address" : why.c_str());
                return 2;
            }
            onlineWatch = std::strcmp(argv[i], "--watch") == 0;
            onlineAddress = argv[++i];
        } else if (std::strcmp(argv[i], "--server") == 0) {
            GameAddress address;
            std::string why;
            if (i + 1 == argc ||
                !parseGameAddress(std::string(argv[i + 1]) + "/PAIR", address, why)) {
                std::fprintf(stderr, "kaveto: --server: %s; try 'kaveto --help'\n",
                             i + 1 == argc ? "needs HOST:PORT" : why.c_str());
                return 2;
            }
            serverGiven = argv[++i];
        } else if (isOneOf(argv[i], {"-display", "-geometry"})) {
            if (i + 1 == argc) {
                std::fprintf(stderr, "kaveto: %s needs a value; try 'kaveto --help'\n", argv[i]);
                return 2;
            }
            displayNamed = displayNamed || std::strcmp(argv[i], "-display") == 0;
            geometryNamed = geometryNamed || std::strcmp(argv[i], "-geometry") == 0;
            i++;
        } else if (!isOneOf(argv[i], {"-iconic", "-direct", "-indirect", "-gldebug", "-sync"})) {
            std::fprintf(stderr, "kaveto: unknown argument '%s'; try 'kaveto --help'\n", argv[i]);
            return 2;
        }
    }
    const char* missing = missingDisplay(displayNamed);
    if (missing != nullptr) {
        std::fprintf(stderr, "kaveto: %s\n", missing);
        return 1;
    }
    return -1;
}

void init() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // Both stacks start as the identity of a new context; the aspect is 1
    // because the board viewport is square.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(vangle, 1.0, dnear, dfar);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(xeye, yeye, zeye, xref, yref, zref, Vx, Vy, Vz);
    glEnable(GL_DEPTH_TEST);
}

void reshape(int width, int height) {
    winWidth = width;
    winHeight = height;
}

void createGameWindow() {
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    if (!geometryNamed) {
        glutInitWindowPosition(300, 0);
        glutInitWindowSize(winWidth, winHeight);
    }
    glutCreateWindow("Kaveto by Lorvane & Tessmer");
    prepareGameWindow();
    init();
    menu();
    // What the players chose last time, before the first frame.
    useSettings(loadSettings());
    if (!serverGiven.empty())
        seekServer = serverGiven;
    connectGame();
    glutDisplayFunc(display);
    glutMotionFunc(mouseMotion);
    glutKeyboardFunc(keyAction);
    glutMouseFunc(mouseAction);
    glutSpecialFunc(specialKey);
    glutReshapeFunc(reshape);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    // Given under the camera, so the light's direction is fixed in the world.
    glLightfv(GL_LIGHT0, GL_AMBIENT, light_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light_diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light_specular);
    glLightfv(GL_LIGHT0, GL_POSITION, light_position);
    glMaterialfv(GL_FRONT, GL_AMBIENT, mat_ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, mat_diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, mat_specular);
    glMaterialfv(GL_FRONT, GL_SHININESS, high_shininess);
    if (!startingMoves.empty())
        playMovesFromStart(startingMoves);
    if (!onlineAddress.empty())
        onlineJoin(onlineAddress, onlineWatch);
}
