#include "window_web.h"

#include "computer.h"
#include "game.h"
#include "input.h"
#include "menus.h"
#include "solver.h"
#include "sound.h"
#include "speech.h"
#include "window.h"
#include "words.h"

#include <GL/freeglut_std.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

/* The page's own script (web/page.js) sets up Module.page: it lays texts
   over the canvas, builds the HTML menu, turns the browser's events into the
   calls below, and fetches the book. */

// clang-format off
EM_JS(void, pageTexts, (const char* json), { Module.page.texts(UTF8ToString(json)); });
EM_JS(void, pageFirstFrame, (), { Module.page.firstFrame(); });
EM_JS(void, pageQuit, (), { Module.page.quit(); });
EM_JS(void, pageWithoutWebGL, (), { Module.page.withoutWebGL(); });
EM_JS(void, pageColumns, (const char* json), { Module.page.columns(UTF8ToString(json)); });
EM_JS(void, pageSay, (const char* sentence, int aloud), {
    Module.page.say(UTF8ToString(sentence), aloud);
});
EM_JS(void, pageSound, (const char* name), { Module.page.sound(UTF8ToString(name)); });
EM_JS(void, pageTitle, (const char* title), { document.title = UTF8ToString(title); });
EM_JS(char*, pageParameter, (const char* name), {
    var value = new URLSearchParams(window.location.search).get(UTF8ToString(name));
    if (value === null)
        return 0;
    var size = lengthBytesUTF8(value) + 1, text = _malloc(size);
    stringToUTF8(value, text, size);
    return text;
});
// clang-format on

// The book is not built in: it comes after the first frame (webBook).
const int8_t* bookData = nullptr;
size_t bookDataSize = 0;

namespace {

// A string as JSON writes it.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
    return text;
}

} // namespace

bool PageText::operator==(const PageText& other) const {
    return x == other.x && y == other.y && size == other.size && colour[0] == other.colour[0] &&
           colour[1] == other.colour[1] && colour[2] == other.colour[2] && text == other.text &&
           kind == other.kind;
}

void showPageTexts(const std::vector<PageText>& texts) {
    std::string json = "[";
    for (const PageText& t : texts) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x",
                      static_cast<int>(t.colour[0] * 255.0f + 0.5f),
                      static_cast<int>(t.colour[1] * 255.0f + 0.5f),
                      static_cast<int>(t.colour[2] * 255.0f + 0.5f));
        json += (json.size() > 1 ? "," : "") + std::string("{\"x\":") + number(t.x) +
                ",\"y\":" + number(t.y) + ",\"size\":" + number(t.size) + ",\"colour\":\"" +
                colour + "\",\"text\":" + quoted(t.text) + ",\"kind\":" + std::to_string(t.kind) +
                "}";
    }
    pageTexts((json + "]").c_str());
}

void showColumns() {
    // Named anew only when the board or the choice changed, not every frame of a spin.
    static int shownBoard[9][3][2];
    static int shownAlways = -1;
    if (shownAlways == boardInWords && std::memcmp(shownBoard, spots, sizeof spots) == 0)
        return;
    shownAlways = boardInWords;
    std::memcpy(shownBoard, spots, sizeof spots);
    std::string json = "{\"always\":" + std::to_string(boardInWords) + ",\"names\":[";
    for (int c = 0; c < 9; c++)
        json += (c > 0 ? "," : "") + quoted(columnWords(spots, c));
    pageColumns((json + "]}").c_str());
}

void firstFrameShown() { pageFirstFrame(); }

bool createContext() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false;
    attributes.depth = true;
    attributes.antialias = false;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (context > 0 && emscripten_webgl_make_context_current(context) == EMSCRIPTEN_RESULT_SUCCESS)
        return true;
    pageWithoutWebGL();
    return false;
}

namespace {

// The value of the address's parameter, or false when it has none.
bool parameter(const char* name, std::string& value) {
    char* found = pageParameter(name);
    if (found == nullptr)
        return false;
    value = found;
    std::free(found);
    return true;
}

} // namespace

bool addressMoves(std::string& digits) { return parameter("moves", digits); }

bool addressGame(std::string& code, bool& watch) {
    watch = !parameter("play", code);
    return !watch || parameter("watch", code);
}

const char* missingDisplay(bool) { return nullptr; }

void prepareGameWindow() {}

void* glProcedure(const char*) { return nullptr; }

void announce(const char* title, bool) { pageTitle(title); }

void playGameSound(const char* name) { pageSound(name); }

const bool speechAlwaysOn = true;

// The live region always; the browser's own voice too where " Speak moves " asks.
bool speak(const std::string& sentence, std::string&) {
    pageSay(sentence.c_str(), speakMoves);
    return true;
}

void quitGame() {
    cancelComputerMove();
    pageQuit();
}

/* ---------------- What the page calls ---------------- */

extern "C" {

EMSCRIPTEN_KEEPALIVE void webKey(int key) { keyAction(static_cast<unsigned char>(key), 0, 0); }

EMSCRIPTEN_KEEPALIVE void webSpecialKey(int key) { specialKey(key, 0, 0); }

// Buttons and the pointer in canvas pixels from the top left, as the toolkit gives them.
EMSCRIPTEN_KEEPALIVE void webMouse(int button, int state, int x, int y) {
    mouseAction(button, state, x, y);
}

EMSCRIPTEN_KEEPALIVE void webMotion(int x, int y) { mouseMotion(x, y); }

// A column's button, pressed: as a click on that column.
EMSCRIPTEN_KEEPALIVE void webColumn(int column) { columnAction(column); }

// The canvas's side in pixels: the picture is laid out anew for it.
EMSCRIPTEN_KEEPALIVE void webResize(int side) {
    winWidth = winHeight = side;
    glutPostRedisplay();
}

// Every menu of the table as JSON: a list of menus, each a list of entries.
EMSCRIPTEN_KEEPALIVE const char* webMenus() {
    static std::string json;
    json = "[";
    for (int m = 0; m < menuCount; m++) {
        json += m == 0 ? "[" : ",[";
        bool first = true;
        for (const MenuEntry& entry : menuEntries(m)) {
            json += (first ? "" : ",") + std::string("{\"label\":") + quoted(entry.label) +
                    ",\"submenu\":" + std::to_string(entry.submenu) +
                    ",\"value\":" + std::to_string(entry.value) + "}";
            first = false;
        }
        json += "]";
    }
    json += "]";
    return json.c_str();
}

EMSCRIPTEN_KEEPALIVE void webChoose(int menu, int value) { chooseFromMenu(menu, value); }

EMSCRIPTEN_KEEPALIVE size_t webBookSize() { return bookSize(); }

// The book, fetched and unpacked by the page into memory that the game keeps.
EMSCRIPTEN_KEEPALIVE void webBook(const int8_t* data, size_t size) {
    bookData = data;
    bookDataSize = size;
    if (bookReady())
        bookArrived();
    else
        bookUnavailable("is incomplete");
}

EMSCRIPTEN_KEEPALIVE void webBookMissing(const char* why) { bookUnavailable(why); }
}
