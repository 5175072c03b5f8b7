#include "frame.h"

#include "computer.h"
#include "game.h"
#include "reviewpage.h"
#include "swapcontrol.h"
#include "window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
// After gl.h, whose GL 1.1 is all that Windows offers by name.
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

int showRows = 1;
int showColumnValues = 0;
int showMarks = 0;
Record shownRecord;
int spinFramesFromStill = 1;
long framesFromStill = 0;

namespace {

// Information pages 1 to 4, top to bottom; page 2 has six lines.
const char* const pageLines[4][7] = {
    {"Game Instructions:", "     1. Players alternate placing balls into anyavailable space.",
     "     2. Players attemp to align three balls of their selected colour in a row or column.",
     "     3. Once all 27 cubes have been placed, examine 6 faces to calculate scorse.",
     "     4. Each unique vertical, horizontal or diagonal row of the same colour scores a point.",
     "     5. Don't forget to count the internal rows", "     6. Player with the most rows WINS"},
    {"Helpful Reminders::",
     "     1. RED is the bottom row. GREEN is the middle row, BLUE is the top row.",
     "     2. Clicking NumbLock or Caps Lock makes it difficult to use your number key pad or "
     "hotkeys.",
     "     3. After every turn  the cube returns to its intial position, it is players "
     "responisbility to manipulate cube.",
     "     4. Cubes rotates and stays mid rotation to mark places where you are considering "
     "dropping your ball",
     "     5. States which players turn it is, and their colour in lower right corner", nullptr},
    {"Keyboard:", "     1. Use Number pad to select various boxes", "     2. Rotations of View",
     "               'Q' and 'A' to rotate X-axis", "               'W' and 'S' to rotate Y-axis",
     "               'E' and 'D' to rotate Z-axis", "     3. Press space bar to make move"},
    {"Single Player:", "     Game A:",
     "                  Fill the box creating the least number of rows possible.",
     " Game B:", "              Fill the box creating the most number of rows possible.",
     "CHALLENGE:", "          Fill the box WITHOUT creating ANY rows in ANY direction."},
};

const float pageColours[4][3] = {{1, 1, 1}, {0, 1, 0}, {0, 1, 1}, {0, 1, 1}};

// Each line 0.6 below the last; the perspective slants the column of text.
const float lineY[7] = {2.05f, 1.45f, 0.85f, 0.25f, -0.35f, -0.95f, -1.55f};

void drawPage(int page) {
    font = GLUT_BITMAP_HELVETICA_12;
    const float* colour = pageColours[page - 1];
    glColor3f(colour[0], colour[1], colour[2]);
    for (int line = 0; line < 7 && pageLines[page - 1][line] != nullptr; line++)
        output(-3.0f, lineY[line], pageLines[page - 1][line]);
}

// The record against the computer, a line a level, set out as a page.
void drawRecord() {
    static const char* const levels[3] = {"Easy", "Good", "Perfect"};
    font = GLUT_BITMAP_HELVETICA_12;
    glColor3f(1.0f, 1.0f, 1.0f);
    output(-3.0f, lineY[0], "Record against the computer:");
    for (int level = 0; level < 3; level++) {
        char line[96];
        std::snprintf(line, sizeof line, "%s: %d won, %d drawn, %d lost", levels[level],
                      shownRecord.won[level], shownRecord.drawn[level], shownRecord.lost[level]);
        output(-3.0f, lineY[level + 1], line);
    }
}

// The picture is laid out for an 800 x 800 window; in a window of any other
// size it is scaled to the largest square that fits, centred, black around it.
void pictureBox(int& left, int& bottom, int& side) {
    side = std::min(winWidth, winHeight);
    left = (winWidth - side) / 2;
    bottom = (winHeight - side) / 2;
}

// The viewport of a rectangle of the 800 x 800 picture, scaled and placed as the picture is.
void pictureViewport(int x, int y, int width, int height) {
    int left, bottom, side;
    pictureBox(left, bottom, side);
    glViewport(left + x * side / 800, bottom + y * side / 800, width * side / 800,
               height * side / 800);
}

// Below "GAME OVER": each player's rows of three in their colour, and who won.
void drawScore() {
    char line[32];
    const int rows[2] = {countRows(spots, 0), countRows(spots, 1)};
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    const float x[2] = {-1.05f, 0.6f}, y[2] = {-1.25f, -0.9f};
    for (int p = 0; p < 2; p++) {
        std::snprintf(line, sizeof line, "Player %d: %d %s", p + 1, rows[p],
                      rows[p] == 1 ? "row" : "rows");
        glColor3f(colours[p][0], colours[p][1], colours[p][2]);
        output(x[p], y[p], line);
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    output(-1.1f, -2.6f,
           rows[0] > rows[1]   ? "Player 1 wins"
           : rows[1] > rows[0] ? "Player 2 wins"
                               : "Draw");
}

// Where the ball of cell index k stands now, turned with the board.
void ballCentre(int k, float centre[3]) {
    for (int i = 0; i < 3; i++)
        centre[i] = static_cast<float>(myWorld.spheres[k]->ctm.m[i][3]);
}

// At GAME OVER, each row of three that the count counts, as a line through
// its balls in its owner's colour; unlit and over the balls, so that the
// rows inside the cube show too.
void drawRows(int side) {
    const float colours[2][3] = {{r1, g1, b1}, {r2, g2, b2}};
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(3.0f * static_cast<float>(side) / 800.0f);
    const Position board = boardPosition();
    glBegin(GL_LINES);
    for (int p = 0; p < 2; p++) {
        glColor3f(colours[p][0], colours[p][1], colours[p][2]);
        for (uint32_t row : completedRows(board, p)) {
            int first = __builtin_ctz(row), last = 31 - __builtin_clz(row);
            float a[3], b[3];
            ballCentre(first, a);
            ballCentre(last, b);
            glVertex3fv(a);
            glVertex3fv(b);
        }
    }
    glEnd();
    glLineWidth(1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}

// Above each column with room, a little over its top cell and turned with
// the board, the value of playing there for the player on turn, from that
// player's side; the best ones in white.
void drawColumnValues() {
    int values[9];
    int legal = currentMoveValues(values);
    int sign = turn == 0 ? 1 : -1, best = -100;
    for (int c = 0; c < 9; c++)
        if (legal >> c & 1)
            best = std::max(best, sign * values[c]);
    const float player[3] = {turn == 0 ? r1 : r2, turn == 0 ? g1 : g2, turn == 0 ? b1 : b2};
    glDisable(GL_LIGHTING);
    font = GLUT_BITMAP_HELVETICA_18;
    for (int c = 0; c < 9; c++) {
        if (!(legal >> c & 1))
            continue;
        float top[3], middle[3];
        ballCentre(18 + c, top);
        ballCentre(9 + c, middle);
        char text[8];
        std::snprintf(text, sizeof text, sign * values[c] > 0 ? "+%d" : "%d", sign * values[c]);
        if (sign * values[c] == best)
            glColor3f(1.0f, 1.0f, 1.0f);
        else
            glColor3f(player[0], player[1], player[2]);
        glRasterPos3f(top[0] + 0.45f * (top[0] - middle[0]), top[1] + 0.45f * (top[1] - middle[1]),
                      top[2] + 0.45f * (top[2] - middle[2]));
        for (const char* ch = text; *ch != '\0'; ch++)
            glutBitmapCharacter(font, *ch);
    }
    glEnable(GL_LIGHTING);
}

/* While a cube turns and nothing else moves, a frame starts from a copy of
   the board without the turning cube, colour and depth, kept from the last
   whole frame; it then draws the turning cube, what lies over the board, and
   the strip, as a whole frame does. The cubes stand apart in space, so the
   turning cube meets no other piece at the same depth, and drawing it after
   the other cubes rather than among them changes no pixel. Every frame is
   thus the whole frame to the byte, and whole whatever the window held
   before: an expose or a spin step, after a swap or not. */

// All that the board without the turning cube is drawn from; the turning
// cube's own transform is left at the identity.
struct StillScene {
    int turning = -1, width = 0, height = 0, marks = 0;
    int board[9][3][2] = {};
    float colours[9] = {};
    Matrix pieces[54];
};

StillScene sceneNow(int turning) {
    StillScene scene;
    scene.turning = turning;
    scene.width = winWidth;
    scene.height = winHeight;
    scene.marks = showMarks;
    std::memcpy(scene.board, spots, sizeof spots);
    const float colours[9] = {r, g, b, r1, g1, b1, r2, g2, b2};
    std::memcpy(scene.colours, colours, sizeof colours);
    for (int k = 0; k < 27; k++) {
        scene.pieces[k] = myWorld.spheres[k]->ctm;
        if (k != turning)
            scene.pieces[27 + k] = myWorld.cubes[k]->ctm;
    }
    return scene;
}

bool sameScene(const StillScene& a, const StillScene& b) {
    return a.turning == b.turning && a.width == b.width && a.height == b.height &&
           a.marks == b.marks && std::memcmp(a.board, b.board, sizeof a.board) == 0 &&
           std::memcmp(a.colours, b.colours, sizeof a.colours) == 0 &&
           std::memcmp(a.pieces, b.pieces, sizeof a.pieces) == 0;
}

// The framebuffer objects' entry points (GL 3.0), from the driver: Windows'
// GL library names none of them.
struct FramebufferCalls {
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
} fbo;

template <typename Procedure> bool load(Procedure& procedure, const char* name) {
    procedure = reinterpret_cast<Procedure>(glProcedure(name));
    return procedure != nullptr;
}

// Whether the driver has every one of them; once, with the context current.
bool loadFramebufferCalls() {
    return load(fbo.bindFramebuffer, "glBindFramebuffer") &&
           load(fbo.blitFramebuffer, "glBlitFramebuffer") &&
           load(fbo.genFramebuffers, "glGenFramebuffers") &&
           load(fbo.genRenderbuffers, "glGenRenderbuffers") &&
           load(fbo.renderbufferStorage, "glRenderbufferStorage") &&
           load(fbo.framebufferTexture2D, "glFramebufferTexture2D") &&
           load(fbo.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           load(fbo.checkFramebufferStatus, "glCheckFramebufferStatus") &&
           load(fbo.bindRenderbuffer, "glBindRenderbuffer");
}

// The copy, in a framebuffer object of the window's size.
struct StillCopy {
    GLuint framebuffer = 0, colour = 0, depth = 0;
    int width = 0, height = 0;
    // Whether it holds a picture, of which scene; the normal that the last
    // ball left, which lights the turning cube's lines.
    bool held = false;
    StillScene scene;
    GLfloat normal[3] = {};
    // A renderer without framebuffer objects, or whose depth buffer cannot be
    // copied, draws every frame whole.
    bool unusable = false;
} still;

// The copy is kept upside down: Mesa's software renderer keeps the window's
// rows top down, so a flipped blit of like formats is a plain copy of rows.
void blitWindow(GLuint from, GLuint to) {
    fbo.bindFramebuffer(GL_READ_FRAMEBUFFER, from);
    fbo.bindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    fbo.blitFramebuffer(0, 0, still.width, still.height, 0, still.height, still.width, 0,
                        GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

// Storage for a copy of the window's size: colour laid out as the window's
// (blue, green, red, then a byte), depth of the window's depth.
bool sizeStill() {
    if (still.framebuffer != 0 && still.width == winWidth && still.height == winHeight)
        return true;
    if (still.framebuffer == 0) {
        const GLubyte* extensions = glGetString(GL_EXTENSIONS);
        if (!hasExtension(reinterpret_cast<const char*>(extensions), "GL_ARB_framebuffer_object") ||
            !loadFramebufferCalls())
            return false;
        fbo.genFramebuffers(1, &still.framebuffer);
        glGenTextures(1, &still.colour);
        fbo.genRenderbuffers(1, &still.depth);
    }
    GLint depthBits = 0, stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    still.width = winWidth;
    still.height = winHeight;
    glBindTexture(GL_TEXTURE_2D, still.colour);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, still.width, still.height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, still.depth);
    fbo.renderbufferStorage(GL_RENDERBUFFER,
                            stencilBits > 0   ? GL_DEPTH24_STENCIL8
                            : depthBits == 32 ? GL_DEPTH_COMPONENT32
                            : depthBits == 16 ? GL_DEPTH_COMPONENT16
                                              : GL_DEPTH_COMPONENT24,
                            still.width, still.height);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, still.framebuffer);
    fbo.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, still.colour, 0);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER,
                                stencilBits > 0 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                GL_RENDERBUFFER, still.depth);
    bool complete = fbo.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

// The one place that decides: a frame may start from the copy only while a
// cube turns and the copy shows the scene as it stands, the turning cube
// aside. A move, a view key, a colour, a resize or another cell marked all
// change that scene; a page, the texts and the turning cube are drawn over
// the copy in every frame.
bool mayStartFromStill(int turning) {
    return turning >= 0 && still.held && sameScene(still.scene, sceneNow(turning));
}

// After a whole frame's board without the turning cube: copies it for the
// frames after.
void keepStill(int turning) {
    still.held = false;
    if (turning < 0 || still.unusable)
        return;
    // Errors left from before would read as the copy's own.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; i++) {
    }
    glDisable(GL_SCISSOR_TEST);
    bool sized = sizeStill();
    if (sized)
        blitWindow(0, still.framebuffer);
    glEnable(GL_SCISSOR_TEST);
    if (!sized || glGetError() != GL_NO_ERROR) {
        still.unusable = true;
        return;
    }
    still.held = true;
    still.scene = sceneNow(turning);
    glGetFloatv(GL_CURRENT_NORMAL, still.normal);
}

// The copy into the window's back buffer, with the state the whole frame
// had at that point.
void startFromStill() {
    glDisable(GL_SCISSOR_TEST);
    blitWindow(still.framebuffer, 0);
    glNormal3fv(still.normal);
    framesFromStill++;
}

} // namespace

void output(float x, float y, const char* str) {
    glRasterPos2f(x, y);
    size_t len = std::strlen(str);
    for (size_t i = 0; i < len; i++)
        glutBitmapCharacter(font, str[i]);
}

void boardViewport(int viewport[4]) {
    int left, bottom, side;
    pictureBox(left, bottom, side);
    viewport[0] = left;
    viewport[1] = bottom + 150 * side / 800;
    viewport[2] = viewport[3] = side;
}

void display() {
    // While a cube turns, the board without it is kept after a whole frame,
    // and the frames after start from that copy.
    const int turning = spinFramesFromStill == 1 ? spinningCube() : -1;
    const bool fromStill = mayStartFromStill(turning);
    if (fromStill)
        startFromStill();
    else
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (gamecount == 27)
        instructions = 5;
    glColor3f(r, g, b);
    // The board's viewport reaches 150 rows above the picture, which are never shown.
    int left, bottom, side;
    pictureBox(left, bottom, side);
    glScissor(left, bottom, side, side);
    glEnable(GL_SCISSOR_TEST);
    pictureViewport(0, 150, 800, 800);
    if (!fromStill) {
        myWorld.draw_world(spots, r1, g1, b1, r2, g2, b2, turning, showMarks);
        keepStill(turning);
    }
    if (turning >= 0)
        myWorld.draw_cube(turning);
    if (reviewShown == 1)
        drawReviewMarks(side);
    if (instructions == 5 && showRows == 1)
        drawRows(side);
    else if (instructions != 5 && showColumnValues == 1)
        drawColumnValues();
    glDisable(GL_SCISSOR_TEST);

    // Bitmap text keeps its size in pixels; only where it starts follows the scale.
    pictureViewport(0, 0, 800, 150);
    font = GLUT_BITMAP_HELVETICA_18;
    glColor3f(1.0f, 1.0f, 1.0f);
    output(-3.2f, 2.75f, "KAVETO");
    if (turn == 0) {
        glColor3f(r1, g1, b1);
        output(1.8f, 1.0f, "Player 1 Turn");
    } else if (turn == 1) {
        glColor3f(r2, g2, b2);
        output(1.8f, 1.0f, "Player 2 Turn");
    }
    if (reviewShown == 1) {
        drawReview(side);
    } else if (recordShown == 1) {
        drawRecord();
    } else if (instructions >= 1 && instructions <= 4) {
        drawPage(instructions);
    } else if (instructions == 5) {
        // Still in Helvetica 18 from the title.
        glColor3f(1.0f, 1.0f, 1.0f);
        output(-1.0f, 0.0f, "GAME OVER");
        drawScore();
    }

    glFlush();
    glutSwapBuffers();
}
