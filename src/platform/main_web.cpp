#include "computer.h"
#include "fall.h"
#include "frame.h"
#include "game.h"
#include "history.h"
#include "input.h"
#include "menus.h"
#include "online.h"
#include "referee.h"
#include "settings.h"
#include "window_web.h"

#include <GL/freeglut_std.h>
#include <emscripten/em_js.h>
#include <emscripten/html5.h>

EM_JS(int, reducedMotion, (),
      { return window.matchMedia('(prefers-reduced-motion: reduce)').matches ? 1 : 0; });

// The game in the browser: the page's canvas, the choices remembered in its
// storage, the moves its address asks for; then the browser calls back.
int main() {
    if (!createContext())
        return 1;
    int width = 0, height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    winWidth = winHeight = width < height ? width : height;
    const Settings settings = loadSettings();
    useSettings(settings);
    // Unless chosen in the menu, balls fall but where the browser asks for less motion.
    if (settings.animation == -1 && reducedMotion())
        animationOn = 0;
    connectGame();
    glutDisplayFunc(display);
    std::string digits, code;
    bool watch = false;
    if (addressGame(code, watch))
        onlineJoin(code, watch);
    else if (addressMoves(digits)) {
        std::vector<int> columns;
        const std::string wrong = parseMoves(digits.c_str(), columns);
        if (wrong.empty())
            playMovesFromStart(columns);
        else
            notice = "?moves: " + wrong;
    }
    glutPostRedisplay();
    return 0;
}
